#include "pages/fPhones.h"

TformPhones::TformPhones(QWidget *parent) : TformIncl(QStringLiteral("formPhones"), QStringLiteral("Инженерные номера"), parent)
{
}
