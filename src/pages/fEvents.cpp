#include "pages/fEvents.h"

TformEvents::TformEvents(QWidget *parent)
    : TformIncl(QStringLiteral("formEvents"), QStringLiteral("Настройки событий, выходов"), parent)
{
}
