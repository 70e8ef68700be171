#include "IntText.h"

#include <climits>

bool ParseIntText(const QString &text, int &out)
{
    QString s = text.trimmed();
    if (s.isEmpty())
        return false;
    bool neg = false;
    if (s.front() == u'-' || s.front() == u'+') {
        neg = s.front() == u'-';
        s.remove(0, 1);
    }
    int base = 10;
    if (s.startsWith(u'$')) {
        base = 16;
        s.remove(0, 1);
    } else if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X')) {
        base = 16;
        s.remove(0, 2);
    }
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        const bool dec = u >= u'0' && u <= u'9';
        const bool hex = dec || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (base == 10 ? !dec : !hex)
            return false;
    }
    bool ok = false;
    qlonglong v = s.toLongLong(&ok, base);
    if (!ok)
        return false;
    if (neg)
        v = -v;
    // Hex text may spell the 32-bit pattern of a negative number.
    if (base == 16 && !neg && v > INT_MAX && v <= 0xFFFFFFFFLL)
        v -= 0x100000000LL;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    out = int(v);
    return true;
}
