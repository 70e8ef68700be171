#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "device/DevTrevalo.h"

#include "ResumeState.h"
#include "SessionPage.h"

class TModemWorker;
class TOutArray;

// What the worker greys out while busy and where its memo lines go; filled by
// the main window so the controller needs no window type.
class TController;
struct TSessionView {
    QObject *memo = nullptr;
    QObject *splashStatus = nullptr; // progress window step text
    QObject *splashOk = nullptr;     // progress window's hidden OK button
    QObject *disconnectButton = nullptr;
    QObject *versionPanel = nullptr;      // status panel with the firmware version
    QObject *chipPanel = nullptr;         // status panel with the flash chip
    QList<QObject *> busyControls;        // page tree and toolbar buttons (text elements)
    QList<QObject *> busyComponents;      // menus (component elements)
    QList<ISessionPage *> pages;          // in page order
    QList<ISessionPage *> commandOwners;  // worker commands of no page (the installer's tools)
    TOperatingState *operating = nullptr; // the Events page's mode read at connect
    TResumeState *resume = nullptr;
    // Steps run on the user interface thread after a successful connect.
    std::function<void(TController &)> adaptToFirmware;
    std::function<void()> applyOperatingMode;
    std::function<void()> clearReconnectRequest;
    std::function<void()> offerFirmwareUpdate;
    // Whether the window should be told to disconnect when the worker hangs
    // up: only for an open session that the user is not already closing.
    std::function<bool()> disconnectWanted;
    // True while the firmware update window is shown.
    std::function<bool()> updateWindowVisible;
    // Told on the user interface thread when the worker becomes busy or idle.
    std::function<void(bool busy)> busyChanged;
    // Applies what is queued now (user interface thread).
    std::function<void()> drainOutput;
};

// Session state shared by every worker operation.
class TController
{
  public:
    using Clock = std::chrono::steady_clock;

    TController(TModemWorker *modem, TOutArray *out, const TSessionView &view);
    ~TController();

    std::atomic<bool> StopRequested{false};
    std::atomic<ISessionPage *> CurrentPage{nullptr};
    TModemWorker *Modem;
    TOutArray *Out;
    Clock::time_point LastVersionPoll;
    Clock::time_point LastPgpsPoll;
    int HistoryFirst = -1;
    int HistoryLast = -1;
    QString VersionText;
    int VersionMajor = -1;
    int VersionMinor = -1;
    bool ServerNameSupported = false;
    std::atomic<bool> PollSuspended{false};
    std::atomic<bool> DisconnectOnStop{true};

    TDevTrevalo *Dev() const { return dev_.get(); }
    const TSessionView &View() const { return view_; }

    void RequestStop();
    void SetCurrentPage(ISessionPage *page) { CurrentPage = page; }
    void BeginBusy();
    void EndBusy();
    void MarkLabel(QObject *label, bool ok);
    // Timestamped line in the message memo.
    void Memo(const QString &text);
    // The message of a link, port or other error as the memo shows it.
    static QString ErrorText(const std::exception &e);
    // "at least 600.NN" for the connected tracker.
    bool AtLeast600(int minor) const
    {
        return VersionAtLeast600(VersionMajor, VersionMinor, minor);
    }

    // Session (worker thread; Disconnect also on the user interface thread).
    bool Connect();
    bool CheckVersion();
    bool ReadOperatingMode();
    bool ReadPgps();
    void IdlePoll();
    void Disconnect();

    // Page orchestration (worker thread).
    void ReadPage();
    void WritePage();
    void ReadAllPages();
    void WriteAllPages();
    // A command that is none of the above goes to the first page that owns
    // it; false when none does.
    bool RunPageCommand(unsigned char code);

  private:
    void Progress(const QString &text);
    void ExchangePage(bool write);
    // Runs one page routine in the busy state; a link error reaches the memo
    // once and ends the session.
    template <typename F> void Busy(F routine);
    void SetOperating(int mode, const QString &sleepReply);
    int OperatingMode() const;

    std::unique_ptr<IModemExchange> exchange_;
    std::unique_ptr<TDevTrevalo> dev_;
    TSessionView view_;
};
