#pragma once
#include <QString>

// An integer as the tool's files and texts spell it: decimal with an optional
// sign, or "$hex" / "0xhex"; blanks around it allowed. Hex may spell a 32-bit
// pattern ("$FFFFFFFF" is -1). False when the text is no such number.
bool ParseIntText(const QString &text, int &out);

// The value of one hexadecimal digit (either case), or -1.
inline int HexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}
