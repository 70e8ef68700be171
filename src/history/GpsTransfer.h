#pragma once
#include <QDateTime>
#include <QString>
#include <functional>

#include "device/DevTrevalo.h"

// The two pass-through sequences of the GPS page: the receiver's clock,
// almanac and ephemeris into a file, and such a file back into a receiver.
// Worker thread; link errors pass through.
namespace gpstransfer
{

// Text file, one list line per line, CR LF after each; written to a
// temporary file and renamed. False with a reason when it cannot be written.
bool WriteFile(const QString &path, const GpsDataList &list, QString &error);
enum class ReadResult { Ok, Missing, Unreadable, TooLarge };
// Lines split at CR, LF or CR LF.
ReadResult ReadFile(const QString &path, GpsDataList &list, QString &error);
inline constexpr qint64 kMaxFileBytes = 1 << 20;

struct TSaveOutcome {
    bool accessOn = false;
    bool clockRead = false;
    gpsframe::GpsTime clock;
    int almanacs = 0;
    int ephemerides = 0;
    bool almanacOk = false;
    bool ephemerisOk = false;
    bool fileWritten = false;
    QString fileError;
    // Blue: every almanac and ephemeris frame found and the file written.
    bool Success() const { return almanacOk && ephemerisOk; }
    // What the page shows under the save button.
    QString Summary() const;
};

struct TLoadOutcome {
    enum class Stop { None, NoFile, Unreadable, TooShort, NoAccess, NoDrift };
    Stop stop = Stop::None;
    QString detail; // file name or read error
    int lines = 0;
    bool almanacOk = false;
    int almanacFailedLine = -1; // list index
    bool ephemerisOk = false;
    int ephemerisLines = 0;
    int ephemerisSent = 0;
    int ephemerisFailedLine = -1;
    bool initSent = false;
    gpsframe::GpsTime clock;
    bool Success() const { return stop == Stop::None && almanacOk && ephemerisOk && initSent; }
    QString Summary() const;
};

// fileName is asked for when the sequence reaches its file step.
TSaveOutcome SaveGpsData(TDevTrevalo &dev, const std::function<QString()> &fileName);
TLoadOutcome LoadGpsData(TDevTrevalo &dev, const std::function<QString()> &fileName,
                         const std::function<QDateTime()> &utcNow);

} // namespace gpstransfer
