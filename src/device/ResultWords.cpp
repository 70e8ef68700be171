#include "ResultWords.h"

namespace ResultWords
{

int FindResultLine(const QString &text, const QString &word, Qt::CaseSensitivity cs)
{
    int start = 0;
    const int n = text.size();
    while (start <= n) {
        int end = start;
        while (end < n && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        if (QStringView(text).mid(start, end - start).trimmed().compare(word, cs) == 0)
            return start;
        if (end >= n)
            break;
        start = end + 1;
    }
    return -1;
}

} // namespace ResultWords
