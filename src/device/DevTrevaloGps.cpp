#include "DevTrevalo.h"

using namespace gpsframe;

const QString TDevTrevalo::PollClockFrame = QStringLiteral("A0 A2 00 02 90 00 00 90 B0 B3");
const QString TDevTrevalo::PollAlmanacFrame = QStringLiteral("A0 A2 00 02 92 00 00 92 B0 B3");
const QString TDevTrevalo::PollEphemerisFrame = QStringLiteral("A0 A2 00 03 93 00 00 00 93 B0 B3");
// NMEA again: GGA, RMC and VTG every second, GSA and GSV every 5 s, 9600 baud.
const QString TDevTrevalo::NmeaFrame =
    QStringLiteral("A0 A2 00 18 81 02 01 01 00 01 05 01 05 01 01 01 01 01 00 01 00 01 00 01 00 "
                   "01 25 80 01 3F B0 B3");

namespace
{
constexpr int kAccessTimeoutMs = 4500;
constexpr int kPollMs = 3000;
constexpr int kEphemerisPollMs = 9000;
constexpr int kSendMs = 500;
constexpr int kAlmanacPayload = 2 + kAlmanacBytes;
constexpr int kEphemerisPayload = 2 + kEphemerisBytes;
constexpr int kClockPayload = 20;
// Initialize Data Source: the position the receiver starts its search from.
const QByteArray kEcef = QByteArray::fromHex("002A1E650018BDCB0053E4E4");
constexpr char kChannels = 12;
constexpr char kResetConfig = 3;
} // namespace

bool TDevTrevalo::GpsAccessOn()
{
    QString reply;
    return modem_->Exchange(QStringLiteral("GPSACCESS_ON"), reply, QStringLiteral("OK"), 1,
                            kAccessTimeoutMs, true);
}

bool TDevTrevalo::SetReceiverBinary()
{
    QString reply;
    return modem_->Exchange(QStringLiteral("$PSRF100,0,9600,8,0,0*0D"), reply, QStringLiteral("OK"),
                            1, kAccessTimeoutMs, true);
}

bool TDevTrevalo::GpsAccessOff()
{
    QString reply;
    return modem_->Exchange(QStringLiteral("GPSACCESS_OFF"), reply, QStringLiteral("OK"),
                            StandardTries, kAccessTimeoutMs, true);
}

namespace
{
// Everything that arrived during the whole time-out, as frames.
QList<QByteArray> Collect(IModemExchange *modem, const QString &frame, int timeoutMs)
{
    QString reply;
    modem->ExchangeHex(frame, reply, QString(), 1, timeoutMs);
    QByteArray bytes;
    if (!FromText(reply, bytes))
        return {};
    return Extract(bytes);
}

bool PollSatellites(IModemExchange *modem, const QString &poll, int timeoutMs, unsigned char id,
                    int payloadLength, GpsDataList &list)
{
    const QList<QByteArray> frames = Collect(modem, poll, timeoutMs);
    bool all = true;
    for (int sv = 1; sv <= kSatellites; ++sv) {
        const QByteArray f = FindFrame(frames, id, payloadLength, sv);
        if (f.isEmpty())
            all = false;
        else
            list << ToText(f);
    }
    return all;
}

void Send(IModemExchange *modem, const QByteArray &payload)
{
    QString reply;
    modem->ExchangeHex(ToText(Frame(payload)), reply, QString(), 1, kSendMs);
}
} // namespace

bool TDevTrevalo::PollClockStatus(QString &weekAndTime, QString &drift)
{
    weekAndTime.clear();
    drift.clear();
    const QByteArray f =
        FindFrame(Collect(modem_, PollClockFrame, kPollMs), kClockStatus, kClockPayload);
    if (f.isEmpty())
        return false;
    weekAndTime = ToText(f.mid(5, 6));
    drift = ToText(f.mid(12, 4));
    return true;
}

bool TDevTrevalo::PollAlmanac(GpsDataList &list)
{
    return PollSatellites(modem_, PollAlmanacFrame, kPollMs, kAlmanacData, kAlmanacPayload, list);
}

bool TDevTrevalo::PollEphemeris(GpsDataList &list)
{
    return PollSatellites(modem_, PollEphemerisFrame, kEphemerisPollMs, kEphemerisData,
                          kEphemerisPayload, list);
}

bool TDevTrevalo::SendAlmanac(const GpsDataList &list, int *failedLine)
{
    QByteArray payload(1, char(kSetAlmanac));
    for (int k = 2; k < 2 + kSatellites; ++k) {
        const QByteArray p = k < list.size()
                                 ? LinePayload(list[k], kAlmanacData, kAlmanacPayload, k - 1)
                                 : QByteArray();
        if (p.isEmpty()) {
            if (failedLine)
                *failedLine = k;
            return false;
        }
        payload += p.mid(2);
    }
    Send(modem_, payload);
    return true;
}

bool TDevTrevalo::SendEphemeris(const GpsDataList &list, int *sent, int *failedLine)
{
    if (sent)
        *sent = 0;
    for (int k = 2 + kSatellites; k < list.size(); ++k) {
        const QByteArray p = LinePayload(list[k], kEphemerisData, kEphemerisPayload);
        if (p.isEmpty()) {
            if (failedLine)
                *failedLine = k;
            return false;
        }
        Send(modem_, char(kSetEphemeris) + p.mid(2));
        if (sent)
            ++*sent;
    }
    return true;
}

bool TDevTrevalo::SendInitDataSource(const QString &clockText)
{
    QByteArray clock;
    if (!FromText(clockText, clock) || clock.size() != 10)
        return false;
    Send(modem_, char(kInitDataSource) + kEcef + clock + kChannels + kResetConfig);
    return true;
}

bool TDevTrevalo::SetReceiverNmea()
{
    QString reply;
    modem_->ExchangeHex(NmeaFrame, reply, QString(), 1, kPollMs);
    return true;
}
