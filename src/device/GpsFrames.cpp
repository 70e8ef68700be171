#include "GpsFrames.h"

#include "platform/IntText.h"

#include <QTimeZone>

namespace gpsframe
{

QString ToText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

namespace
{
quint32 ReadBigEndian(const QByteArray &bytes, int offset, int count)
{
    quint32 v = 0;
    for (int i = 0; i < count; ++i)
        v = (v << 8) | quint8(bytes[offset + i]);
    return v;
}
} // namespace

bool FromText(const QString &text, QByteArray &bytes)
{
    bytes.clear();
    const QStringList tokens = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bytes.reserve(tokens.size());
    for (const QString &t : tokens) {
        if (t.size() != 2)
            return false;
        const int hi = HexDigitValue(t[0]), lo = HexDigitValue(t[1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes += char(hi * 16 + lo);
    }
    return true;
}

quint16 Checksum(const QByteArray &payload)
{
    quint32 sum = 0;
    for (char c : payload)
        sum += quint8(c);
    return quint16(sum & 0x7FFF);
}

QByteArray BigEndian(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out += char((value >> (8 * i)) & 0xFF);
    return out;
}

QByteArray Frame(const QByteArray &payload)
{
    return QByteArray("\xA0\xA2", 2) + BigEndian(quint32(payload.size()), 2) + payload +
           BigEndian(Checksum(payload), 2) + QByteArray("\xB0\xB3", 2);
}

QList<QByteArray> Extract(const QByteArray &bytes)
{
    QList<QByteArray> frames;
    qsizetype i = 0;
    while (i + kOverhead <= bytes.size()) {
        if (quint8(bytes[i]) != 0xA0 || quint8(bytes[i + 1]) != 0xA2) {
            ++i;
            continue;
        }
        const int length = int(ReadBigEndian(bytes, int(i) + 2, 2));
        const qsizetype end = i + 4 + length + 4;
        if (length > 0 && end <= bytes.size() && quint8(bytes[end - 2]) == 0xB0 &&
            quint8(bytes[end - 1]) == 0xB3 &&
            Checksum(bytes.mid(i + 4, length)) == ReadBigEndian(bytes, int(i) + 4 + length, 2)) {
            frames << bytes.mid(i, end - i);
            i = end;
        } else {
            ++i;
        }
    }
    return frames;
}

namespace
{
bool IsKind(const QByteArray &payload, unsigned char id, int payloadLength, int satellite)
{
    return payload.size() == payloadLength && quint8(payload[0]) == id &&
           (satellite <= 0 || (payload.size() > 1 && quint8(payload[1]) == satellite));
}
} // namespace

QByteArray FindFrame(const QList<QByteArray> &frames, unsigned char id, int payloadLength,
                     int satellite)
{
    for (const QByteArray &f : frames)
        if (IsKind(PayloadOf(f), id, payloadLength, satellite))
            return f;
    return {};
}

QByteArray LinePayload(const QString &line, unsigned char id, int payloadLength, int satellite)
{
    QByteArray bytes;
    if (!FromText(line, bytes))
        return {};
    const QList<QByteArray> frames = Extract(bytes);
    if (frames.size() != 1 || frames.first().size() != bytes.size())
        return {};
    const QByteArray payload = PayloadOf(frames.first());
    return IsKind(payload, id, payloadLength, satellite) ? payload : QByteArray();
}

GpsTime GpsTimeOf(const QDateTime &utc)
{
    static const QDateTime epoch(QDate(1980, 1, 6), QTime(0, 0), QTimeZone::utc());
    const qint64 seconds = epoch.secsTo(utc);
    constexpr qint64 kWeek = 7 * 86400;
    GpsTime t;
    if (seconds < 0)
        return t;
    t.week = quint16(seconds / kWeek);
    t.timeOfWeek = quint32((seconds % kWeek) * 100);
    return t;
}

QString ClockText(const QString &drift, const GpsTime &t)
{
    return drift + QLatin1Char(' ') + ToText(BigEndian(t.timeOfWeek, 4) + BigEndian(t.week, 2));
}

} // namespace gpsframe
