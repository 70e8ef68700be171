#pragma once
#include <QByteArray>
#include <QString>

// Windows-1251: the single-byte code page of the tracker's texts and of the
// files the tool writes (ini, memo export, spreadsheet).
namespace cp1251
{
QString toUnicode(const QByteArray &bytes);
QString toUnicode(char byte);
QByteArray fromUnicode(const QString &text);
// True when every character of text has a byte in the code page.
bool encodable(const QString &text);
// The byte for one character; false when it has none.
bool encodeChar(QChar c, unsigned char &out);
} // namespace cp1251
