#pragma once
#include <QString>

namespace ResultWords
{
// Index of the first line of text that consists of word (blanks around it
// allowed), or -1. A line ends at CR, LF or the end of the text, so a word
// inside a value ("BOOKER", "internet.book") never counts.
int FindResultLine(const QString &text, const QString &word, Qt::CaseSensitivity cs);
} // namespace ResultWords
