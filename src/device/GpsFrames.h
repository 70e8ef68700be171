#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Receiver clock, almanac and ephemeris lines as frame text, in the order the
// file keeps them: time of week and week, clock drift, the almanac frames of
// satellites 1 to 32, then the ephemeris frames.
using GpsDataList = QStringList;

// The receiver's binary frames: A0 A2, a two-byte payload length, the
// payload (identifier first), a 15-bit checksum of the payload, B0 B3.
// On the line they travel as frame text: two upper-case hex digits a byte,
// one space between bytes.
namespace gpsframe
{
inline constexpr int kSatellites = 32;
inline constexpr int kAlmanacBytes = 28;
inline constexpr int kEphemerisBytes = 90;
inline constexpr int kOverhead = 8; // start, length, checksum, end

inline constexpr unsigned char kClockStatus = 0x07;
inline constexpr unsigned char kAlmanacData = 0x0E;
inline constexpr unsigned char kEphemerisData = 0x0F;
inline constexpr unsigned char kInitDataSource = 0x80;
inline constexpr unsigned char kSetAlmanac = 0x82;
inline constexpr unsigned char kSetEphemeris = 0x95;

QString ToText(const QByteArray &bytes);
// Bytes of a frame text; false when any token is not two hex digits.
bool FromText(const QString &text, QByteArray &bytes);
quint16 Checksum(const QByteArray &payload);
QByteArray Frame(const QByteArray &payload);

// The whole frames in bytes, each taken by its length field and kept only
// when its end bytes and checksum hold. The data may hold any byte values,
// B0 B3 and A0 A2 included; a frame that fails is skipped and the search
// goes on from the byte after its start.
QList<QByteArray> Extract(const QByteArray &bytes);
inline QByteArray PayloadOf(const QByteArray &frame)
{
    return frame.mid(4, frame.size() - kOverhead);
}
// The first frame whose payload has the identifier, the length and, when
// satellite > 0, that satellite number in its second byte; empty if none.
QByteArray FindFrame(const QList<QByteArray> &frames, unsigned char id, int payloadLength,
                     int satellite = 0);
// The payload of a file line that is exactly one whole frame of that kind;
// empty when the line is anything else.
QByteArray LinePayload(const QString &line, unsigned char id, int payloadLength, int satellite = 0);

// GPS time of a UTC instant, without leap seconds: weeks since
// 6 January 1980 and hundredths of a second into the week.
struct GpsTime {
    quint16 week = 0;
    quint32 timeOfWeek = 0;
};
GpsTime GpsTimeOf(const QDateTime &utc);
QByteArray BigEndian(quint32 value, int bytes);
// Drift (four bytes of frame text), then time of week and week.
QString ClockText(const QString &drift, const GpsTime &t);
} // namespace gpsframe
