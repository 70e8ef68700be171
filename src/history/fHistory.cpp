#include "history/fHistory.h"

TformHistory::TformHistory(QWidget *parent)
    : TformIncl(QStringLiteral("formHistory"), QStringLiteral("История"), parent)
{
}
