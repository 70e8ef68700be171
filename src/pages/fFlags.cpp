#include "pages/fFlags.h"

TformFlags::TformFlags(QWidget *parent) : TformIncl(QStringLiteral("formFlags"), QStringLiteral("Флаги"), parent)
{
}
