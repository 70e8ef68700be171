#include "pages/fGPRS.h"

TformGPRS::TformGPRS(QWidget *parent) : TformIncl(QStringLiteral("formGPRS"), QStringLiteral("GPRS"), parent)
{
}
