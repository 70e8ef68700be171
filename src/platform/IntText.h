#pragma once
#include <QString>

// An integer as the tool's files and texts spell it: decimal with an optional
// sign, or "$hex" / "0xhex"; blanks around it allowed. Hex may spell a 32-bit
// pattern ("$FFFFFFFF" is -1). False when the text is no such number.
bool ParseIntText(const QString &text, int &out);
