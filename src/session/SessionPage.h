#pragma once
// The line between the session and the pages. The session (controller and
// worker) knows a page only as an ISessionPage; a page reaches the session
// only through the TPageContext it is handed. A new page plugs in by
// overriding the members below; neither the controller nor a table changes.
#include <QString>
#include <atomic>

#include "device/DevTrevalo.h"

class IModemExchange;
class QObject;
class TOutArray;

// Codes of the worker's mailbox. 3 to 6 are the controller's own page
// commands; every other code belongs to the page that claims it.
enum WorkerCommand : unsigned char {
    wcIdle = 0,
    wcReadPage = 3,
    wcWritePage = 4,
    wcReadAll = 5,
    wcWriteAll = 6,
    wcEraseHistory = 17,
    wcNsPoint = 18,
    wcResetFlags = 26,
    wcReadAlmanac = 28,
    wcLoadAlmanac = 29,
    wcHistoryForward = 31,
    wcHistoryBack = 32,
    wcWriteSleepMode = 35,
};

// Operating mode and sleep reply read while connecting (0 = not read); owned
// by the Events page, written by the worker, shown after the connect.
struct TOperatingState {
    std::atomic<int> OperatingMode{0};
    QString SleepReply;
};

// What a page's routine may use of the session, on the worker thread. The
// controller builds one for each routine; tests build one around a scripted
// exchange.
class TPageContext
{
  public:
    virtual ~TPageContext() = default;

    TDevTrevalo *Dev = nullptr;
    TOutArray *Out = nullptr;
    int VersionMajor = -1;
    int VersionMinor = -1;
    bool ServerNameSupported = false;

    bool AtLeast600(int minor) const
    {
        return VersionAtLeast600(VersionMajor, VersionMinor, minor);
    }

    // The label turns blue (ok) or red.
    virtual void MarkLabel(QObject *label, bool ok) = 0;
    // Timestamped line in the message memo.
    virtual void Memo(const QString &line) = 0;
    // The user stopped the session: a long routine ends at its next step.
    virtual bool Cancelled() const = 0;
    // The link's command and answer exchange (its waits wake when bytes
    // arrive), for what the tracker protocol does not wrap.
    virtual IModemExchange &Link() = 0;
};

// The page's side of the line, called on the worker thread.
class ISessionPage
{
  public:
    // The page as an element of the output queue (shown during read all).
    virtual QObject *PageObject() = 0;
    virtual void Read(TPageContext &ctx) = 0;
    virtual void Write(TPageContext &ctx) = 0;
    // Runs a worker command the page owns; false when the code is not its own.
    virtual bool RunCommand(unsigned char code, TPageContext &ctx) = 0;
    // Whether "write all" writes this page.
    virtual bool WrittenByWriteAll() const = 0;

  protected:
    ~ISessionPage() = default;
};
