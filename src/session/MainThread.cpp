#include "MainThread.h"

#include <QCoreApplication>

#include "platform/Clock.h"
#include "platform/UiThread.h"

TMainThread::TMainThread(TController *controller) : controller_(controller) {}

void TMainThread::Stop()
{
    controller_->RequestStop();
    terminate_ = true;
}

void TMainThread::RunCommand(unsigned char code)
{
    TController &c = *controller_;
    switch (code) {
    case wcReadPage:
        c.ReadPage();
        break;
    case wcWritePage:
        c.WritePage();
        break;
    case wcReadAll:
        c.ReadAllPages();
        break;
    case wcWriteAll:
        c.WriteAllPages();
        break;
    default:
        // Every other command belongs to a page; an unknown code is dropped.
        c.RunPageCommand(code);
        break;
    }
}

void TMainThread::Execute()
{
    TController &c = *controller_;
    const TSessionView &view = c.View();
    // Idle from the start: a command the user posts as soon as the window
    // shows the connected state must not be wiped after the post-connect steps.
    mailbox_ = wcIdle;
    if (!c.Connect()) {
        c.Disconnect();
        if (view.clearReconnectRequest)
            RunOnUiThread(view.clearReconnectRequest);
        return;
    }
    if (view.adaptToFirmware)
        RunOnUiThread([&] { view.adaptToFirmware(c); });
    for (const auto &step :
         {view.applyOperatingMode, view.clearReconnectRequest, view.offerFirmwareUpdate}) {
        if (step)
            RunOnUiThread(step);
    }
    try {
        while (!terminate_) {
            const unsigned char code = mailbox_;
            if (code == wcIdle) {
                try {
                    c.IdlePoll();
                } catch (const std::exception &e) {
                    // Nothing else reports a link lost while idle; the user
                    // should see why the session ended.
                    c.Memo(TController::ErrorText(e));
                    throw;
                }
                t3clock::SleepMs(50);
            } else {
                RunCommand(code);
                mailbox_ = wcIdle;
            }
            t3clock::SleepMs(50);
        }
    } catch (...) {
        // The operation has reported what the user must see; the session ends.
        terminate_ = true;
    }
    if (c.DisconnectOnStop)
        c.Disconnect();
}

void WaitForWorker(QThread *thread)
{
    if (!thread)
        return;
    while (!thread->wait(10))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
