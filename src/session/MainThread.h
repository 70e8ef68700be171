#pragma once
#include <QThread>
#include <atomic>

#include "Controller.h"

// The session's worker: connects, then runs posted commands and keeps the
// link alive while idle.
class TMainThread : public QThread
{
    Q_OBJECT
  public:
    explicit TMainThread(TController *controller);

    void PostCommand(unsigned char code) { mailbox_ = code; }
    unsigned char Mailbox() const { return mailbox_; }
    // Asks the controller and the loop to stop; does not wait.
    void Stop();
    bool TerminateRequested() const { return terminate_; }

  protected:
    void run() override { Execute(); }
    void Execute();

  private:
    void RunCommand(unsigned char code);

    TController *controller_;
    std::atomic<unsigned char> mailbox_{wcIdle};
    std::atomic<bool> terminate_{false};
};

// Waits for the thread to end while serving its calls to the user interface
// thread, so neither side waits for the other.
void WaitForWorker(QThread *thread);
