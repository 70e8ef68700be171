#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

#include "Controller.h"

class QAction;
class QLabel;
class QWidget;
class TComPortWorker;
class TdlgConnect;
class TdlgSplash;
class TLogMemoWriter;
class TMainThread;
class TModemWorker;
class TOutArray;
class TIniFile;

// The window's side of a session: what the connect and disconnect handlers
// work on. Filled once by the main window.
struct TSessionUi {
    QWidget *window = nullptr;
    TOutArray *out = nullptr;
    // What every session's controller works on (memo, panels, busy controls,
    // pages, post-connect steps); the same for every session.
    TSessionView view;
    std::array<QLabel *, 5> panels{};
    TdlgSplash *splash = nullptr;
    QAction *tbtnConnect = nullptr, *mnuConnect = nullptr;
    QAction *tbtnDisconnect = nullptr, *mnuDisconnect = nullptr;
    QList<QAction *> sessionActions; // enabled while connected
    // UpdateState 3: reconnect without showing the dialog.
    std::function<bool()> reconnectWithoutDialog;
    // Operations of commands that belong to the history, GPS, flags and sleep
    // features.
    std::function<void(TController &, unsigned char)> extraCommand;
    // Shows the connection dialog; replaceable so tests can answer it.
    std::function<int(TdlgConnect &)> execConnectDialog;
    // Shows the progress window modally.
    std::function<int(TdlgSplash &)> execSplash;
    // Reports an error in a message box.
    std::function<void(const QString &)> showError;
};

class TSessionHost : public QObject
{
    Q_OBJECT
  public:
    explicit TSessionHost(const TSessionUi &ui, QObject *parent = nullptr);
    ~TSessionHost() override;

    void tbtnConnectClick();
    void tbtnDisconnectClick();
    bool OpenLink(const QString &portName, bool fast, const QString &phone, bool waitRegistration);
    void FreeLink();

    bool Connected() const;
    TSessionUi &Ui() { return ui_; }
    TController *Controller() const { return controller_.get(); }
    TMainThread *Thread() const { return thread_.get(); }
    TModemWorker *Modem() const { return modem_.get(); }
    // Posts a worker command when a session exists.
    bool Post(unsigned char code);
    void SetConnectedState(bool connected);

  private:
    void StopAndFree();

    TSessionUi ui_;
    std::unique_ptr<TLogMemoWriter> log_;
    std::unique_ptr<TComPortWorker> port_;
    std::unique_ptr<TModemWorker> modem_;
    std::unique_ptr<TController> controller_;
    std::unique_ptr<TMainThread> thread_;
    bool connected_ = false; // the window shows the connected state
    bool stopping_ = false;  // the user's disconnect is waiting for the worker
};
