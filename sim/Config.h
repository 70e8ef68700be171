#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>

#include <functional>

namespace t3sim
{

enum class DialResult { Connect, Busy, NoAnswer, NoDialtone, NoCarrier };

struct ModemConfig {
    bool echo = true;            // echo after ATZ (ATE0/ATE1 change it until the next ATZ)
    int registrationDelayMs = 0; // from the port's opening; negative: never registers
    bool roaming = false;        // "+CREG: 0,5" instead of "+CREG: 0,1"
    DialResult dialResult = DialResult::Connect;
    // Per dialled number, in place of dialResult (a fleet of trackers).
    QMap<QByteArray, DialResult> dialByNumber;
    int dialDelayMs = 0;
    QByteArray connectText = "CONNECT 9600";
    int guardTimeMs = 1000; // silence needed before and after "+++"
};

struct TrackerConfig {
    QByteArray version = "REV 07.600.070";
    QByteArray versionAfterUpdate = "REV 07.600.070"; // what "v" answers after a flashed image
    bool echo = false;                                // echo each request line before the reply
    bool versionGates = true; // commands newer than the firmware answer "ERROR"
    int replyDelayMs = 0;
    int eraseDelayMs = 0;     // "erase" and the loader's "BE"
    int reprogramDelayMs = 0; // silent time after "EE" before the new version runs
    int bytesPerSecond = 0;   // pace of everything sent to the line; 0: at once
};

// Faults that a test switches on. Counters start when the faults are set.
struct Faults {
    bool silent = false;             // the tracker answers nothing
    bool errorAlways = false;        // every tracker command gets "ERROR"
    int errorOnCommand = 0;          // the N-th tracker command gets "ERROR" (0: none)
    QList<QByteArray> errorCommands; // command names always answered "ERROR"
    QList<QByteArray> silentCommands; // command names never answered
    QByteArray noise;                // bytes put before every tracker reply
    int carrierLostAfter = 0;        // the call drops on the command after N (0: never)
    QSet<int> omittedSatellites;     // receiver leaves them out of almanac and ephemeris
    bool receiverSilent = false;     // the receiver takes frames but answers none
    int loaderRejectBlock = -1;      // "W" block index answered "ERROR"
    int loaderRejectTimes = 1;       // how often (negative: always)
    int loaderDropAfterBlock = -1;   // the call drops right after this block is confirmed
};

} // namespace t3sim
