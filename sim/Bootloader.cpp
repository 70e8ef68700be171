#include "Bootloader.h"

#include "Hex.h"

namespace t3sim
{

Bootloader::BlockResult Bootloader::writeBlock(const QByteArray &body, int *index)
{
    const QList<QByteArray> parts = body.split(':');
    if (parts.size() != 3 || parts[0].size() != 4 || parts[2].size() != 2)
        return BlockResult::Malformed;
    const auto idx = hex::parse(parts[0]);
    const auto sum = hex::parse(parts[2]);
    const QByteArray &digits = parts[1];
    if (!idx || !sum || digits.isEmpty() || digits.size() % 2 || digits.size() > 256)
        return BlockResult::Malformed;
    QByteArray data;
    quint8 x = 0;
    for (int i = 0; i < digits.size(); i += 2) {
        const auto b = hex::parse(digits.mid(i, 2));
        if (!b)
            return BlockResult::Malformed;
        data += char(*b);
        x ^= quint8(*b);
    }
    *index = int(*idx);
    if (x != *sum)
        return BlockResult::BadSum;
    m_blocks.insert(int(*idx), data);
    return BlockResult::Stored;
}

std::array<quint8, 4> Bootloader::runningSums() const
{
    std::array<quint8, 4> sums{};
    int k = 0;
    for (const QByteArray &data : m_blocks) {
        quint8 x = 0;
        for (char c : data)
            x ^= quint8(c);
        sums[k++ % 4] ^= x;
    }
    return sums;
}

bool Bootloader::closeMatches(const QByteArray &body) const
{
    if (body.size() != 8)
        return false;
    const auto sums = runningSums();
    for (int i = 0; i < 4; ++i) {
        const auto v = hex::parse(body.mid(i * 2, 2));
        if (!v || *v != sums[i])
            return false;
    }
    return true;
}

QByteArray Bootloader::image() const
{
    QByteArray out;
    for (auto it = m_blocks.cbegin(); it != m_blocks.cend(); ++it) {
        const int at = it.key() * 16;
        if (out.size() < at)
            out += QByteArray(at - out.size(), char(0xFF));
        out.replace(at, it.value().size(), it.value());
    }
    return out;
}

} // namespace t3sim
