#include "pages/fCommon.h"

TformCommon::TformCommon(QWidget *parent) : TformIncl(QStringLiteral("formCommon"), QStringLiteral("Общие"), parent)
{
}
