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
class TComPortWorker;
class TLogMemoWriter;
class TMainThread;
class TModemWorker;
class TOutArray;
class TIniFile;

// What a session works on in the window. Filled once by the main window; the
// session knows no window or dialog type.
struct TSessionUi {
    TOutArray *out = nullptr;
    // What every session's controller works on (memo, panels, busy controls,
    // pages, post-connect steps); the same for every session.
    TSessionView view;
    std::array<QLabel *, 5> panels{};
    QAction *tbtnConnect = nullptr, *mnuConnect = nullptr;
    QAction *tbtnDisconnect = nullptr, *mnuDisconnect = nullptr;
    QList<QAction *> sessionActions; // enabled while connected
    // Reports an error in a message box.
    std::function<void(const QString &)> showError;
};

class TSessionHost : public QObject
{
    Q_OBJECT
  public:
    explicit TSessionHost(const TSessionUi &ui, QObject *parent = nullptr);
    ~TSessionHost() override;

    void tbtnDisconnectClick();
    bool OpenLink(const QString &portName, bool fast, const QString &phone, bool waitRegistration);
    // Starts the worker on the open link while progress() shows the progress
    // window modally; its result QDialog::Accepted means connected.
    void Start(const std::function<int()> &progress);
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
