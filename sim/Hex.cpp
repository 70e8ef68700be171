#include "Hex.h"

namespace t3sim::hex
{

QByteArray format(quint64 value, int width)
{
    QByteArray digits = QByteArray::number(value, 16).toUpper();
    if (digits.size() < width)
        digits.prepend(QByteArray(width - digits.size(), '0'));
    return digits;
}

std::optional<quint64> parse(const QByteArray &digits)
{
    if (digits.isEmpty() || digits.size() > 16)
        return std::nullopt;
    quint64 value = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return std::nullopt;
        value = value * 16 + d;
    }
    return value;
}

QByteArray frameText(const QByteArray &bytes)
{
    QByteArray text;
    text.reserve(bytes.size() * 3);
    for (int i = 0; i < bytes.size(); ++i) {
        if (i)
            text += ' ';
        text += format(quint8(bytes[i]), 2);
    }
    return text;
}

} // namespace t3sim::hex
