#pragma once
#include <QString>
#include <QStringList>

#include "GpsFrames.h"
#include "ModemExchange.h"

// Firmware version as reported by "v": "REV 07.<major>.<minor>".
// "at least 600.NN": a major above 600, or 600 with a minor of NN or more.
inline bool VersionAtLeast600(int major, int minor, int minorNeeded)
{
    return major > 600 || (major == 600 && minor >= minorNeeded);
}

struct TrevaloVersion {
    int major = 0;
    int minor = 0;
    bool valid = false;
    bool AtLeast600(int minorNeeded) const { return VersionAtLeast600(major, minor, minorNeeded); }
};

// Flash chip and server-name capability derived from "typepan".
struct PanelInfo {
    QString chip; // "AT45DB161D" or "M45PE16"
    bool serverNameSupported = false;
};

// The tracker's command object: framing, exchange forms and identity. Every
// command the tool sends to the tracker is an operation of this class.
class TDevTrevalo
{
  public:
    static constexpr int LastRecordAddress = 0xFFDF;
    static constexpr int StandardTries = 3;
    static constexpr int StandardTimeoutMs = 4500;

    explicit TDevTrevalo(IModemExchange *modem);

    IModemExchange *Modem() const { return modem_; }

    // Framing.
    static QString MakeRequest(const QString &body);
    static QString ParseValue(const QString &reply);

    // Exchange forms.
    bool Query(const QString &name, QString &value);
    bool Command(const QString &body);
    bool QueryTimed(const QString &body, QString &reply, bool parse, int timeoutMs);
    bool LoaderCommand(const QString &body, QString &reply, bool log);
    bool LoaderLongCommand(const QString &body, QString &reply, bool log);
    bool LoaderWrite(const QString &body, QString &reply, bool log);

    // Identity.
    bool GetVersion(QString &version);
    static bool IsSupportedVersion(const QString &text);
    // Major: the three digits after the first "."; minor: the last three.
    static TrevaloVersion ParseVersion(const QString &text);
    bool GetPanelType(QString &panel);
    bool GetPGPS(QString &value);
    // Panel-type rule for a given minor version; false when the rule does not
    // read "typepan" for that minor or the value is not hexadecimal.
    static bool PanelFromType(int versionMinor, const QString &typeValue, PanelInfo &out);
    static bool PanelTypeIsRead(int versionMinor)
    {
        return versionMinor >= 63 && versionMinor <= 255;
    }

    // Track records already read, as "AAAA>record" lines keyed by address.
    QStringList RecordCache;

    // ---- Settings catalogue (DevTrevaloSettings.cpp) ----
#include "DevTrevaloSettings.inc"

    // ---- GPS receiver pass-through (DevTrevaloGps.cpp) ----
    static const QString PollClockFrame, PollAlmanacFrame, PollEphemerisFrame, NmeaFrame;
    bool GpsAccessOn();
    bool SetReceiverBinary();
    // Week then time of week (17 characters) and the clock drift (11).
    bool PollClockStatus(QString &weekAndTime, QString &drift);
    // Append the frames found, satellites 1 to 32; true when all 32 were.
    bool PollAlmanac(GpsDataList &list);
    bool PollEphemeris(GpsDataList &list);
    // Lines 2 to 33 as one frame; nothing is sent unless every line is the
    // almanac frame of its satellite. failedLine gets the first bad line.
    bool SendAlmanac(const GpsDataList &list, int *failedLine = nullptr);
    // One frame per line from 34; stops at the first line that is not an
    // ephemeris frame.
    bool SendEphemeris(const GpsDataList &list, int *sent = nullptr, int *failedLine = nullptr);
    // Clock text: drift, time of week, week (ten bytes of frame text).
    bool SendInitDataSource(const QString &clockText);
    bool SetReceiverNmea();
    bool GpsAccessOff();

  private:
    IModemExchange *modem_;
};
