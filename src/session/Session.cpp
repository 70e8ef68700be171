#include "Session.h"

#include <QAction>
#include <QDialog>
#include <QLabel>

#include "LogMemoWriter.h"
#include "MainThread.h"
#include "OutArray.h"
#include "link/ComPortWorker.h"
#include "link/ModemWorker.h"
#include "link/XComErr.h"

TSessionHost::TSessionHost(const TSessionUi &ui, QObject *parent) : QObject(parent), ui_(ui)
{
    TSessionView &view = ui_.view;
    view.disconnectButton = ui_.tbtnDisconnect;
    view.versionPanel = ui_.panels[2];
    view.chipPanel = ui_.panels[3];
    // A click queued for a session the user is already closing could
    // otherwise end the next session.
    view.disconnectWanted = [this] { return connected_ && !stopping_; };
}

TSessionHost::~TSessionHost()
{
    StopAndFree();
}

bool TSessionHost::Connected() const
{
    return thread_ != nullptr;
}

bool TSessionHost::Post(unsigned char code)
{
    // Nothing is posted while the session is still connecting.
    if (!thread_ || !connected_)
        return false;
    thread_->PostCommand(code);
    return true;
}

void TSessionHost::Start(const std::function<int()> &progress)
{
    controller_ = std::make_unique<TController>(modem_.get(), ui_.out, ui_.view);
    thread_ = std::make_unique<TMainThread>(controller_.get());
    TMainThread *started = thread_.get();
    thread_->start();

    if (progress() == QDialog::Accepted) {
        // A disconnect queued during the connect (incompatible shell) has
        // already freed the session.
        if (thread_ && thread_.get() == started)
            SetConnectedState(true);
    } else if (thread_.get() == started) {
        StopAndFree();
    }
}

bool TSessionHost::OpenLink(const QString &portName, bool fast, const QString &phone,
                            bool waitRegistration)
{
    log_ = std::make_unique<TLogMemoWriter>(ui_.view.memo, ui_.out);
    try {
        port_ = std::make_unique<TComPortWorker>(portName, fast, log_.get(), true);
        port_->Open();
        modem_ =
            std::make_unique<TModemWorker>(port_.get(), phone, waitRegistration, log_.get(), false);
    } catch (const EDeviceError &e) {
        modem_.reset();
        port_.reset();
        log_.reset();
        const QString text = QStringLiteral("Ошибка при открытии Com порта! ") + e.Message();
        if (ui_.showError)
            ui_.showError(text);
        return false;
    } catch (const std::exception &e) {
        modem_.reset();
        port_.reset();
        log_.reset();
        const QString text =
            QStringLiteral("Ошибка при открытии Com порта! ") + QString::fromUtf8(e.what());
        if (ui_.showError)
            ui_.showError(text);
        return false;
    }
    return true;
}

void TSessionHost::FreeLink()
{
    modem_.reset();
    port_.reset();
    log_.reset();
}

void TSessionHost::StopAndFree()
{
    // A queued click may arrive while we wait for the worker below.
    if (stopping_)
        return;
    stopping_ = true;
    if (thread_) {
        thread_->Stop();
        WaitForWorker(thread_.get());
        thread_.reset();
    }
    controller_.reset();
    FreeLink();
    stopping_ = false;
}

void TSessionHost::tbtnDisconnectClick()
{
    StopAndFree();
    SetConnectedState(false);
    ui_.panels[0]->clear();
    ui_.panels[1]->clear();
}

void TSessionHost::SetConnectedState(bool connected)
{
    connected_ = connected;
    if (ui_.tbtnConnect)
        ui_.tbtnConnect->setEnabled(!connected);
    if (ui_.mnuConnect)
        ui_.mnuConnect->setEnabled(!connected);
    if (ui_.tbtnDisconnect)
        ui_.tbtnDisconnect->setEnabled(connected);
    if (ui_.mnuDisconnect)
        ui_.mnuDisconnect->setEnabled(connected);
    for (QAction *a : ui_.sessionActions)
        a->setEnabled(connected);
}
