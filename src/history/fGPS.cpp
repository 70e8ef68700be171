#include "history/fGPS.h"

TformGPS::TformGPS(QWidget *parent)
    : TformIncl(QStringLiteral("formGPS"), QStringLiteral("GPS фиксация"), parent)
{
}
