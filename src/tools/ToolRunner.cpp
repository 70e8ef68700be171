#include "tools/ToolRunner.h"

#include <QAction>
#include <QMetaObject>

#include "session/Controller.h"
#include "session/MainThread.h"
#include "session/Session.h"

TToolRunner::TToolRunner(TSessionHost *session, QObject *parent)
    : QObject(parent), session_(session)
{
}

bool TToolRunner::Connected() const
{
    return session_ && session_->Controller() && session_->Thread() &&
           session_->Ui().tbtnDisconnect && session_->Ui().tbtnDisconnect->isEnabled();
}

bool TToolRunner::Running() const
{
    std::lock_guard<std::mutex> g(lock_);
    return running_;
}

bool TToolRunner::Ready() const
{
    return Connected() && !Running() && session_->Thread()->Mailbox() == wcIdle;
}

bool TToolRunner::Start(Operation op, Done done)
{
    if (!Ready())
        return false;
    {
        std::lock_guard<std::mutex> g(lock_);
        op_ = std::move(op);
        done_ = std::move(done);
        running_ = true;
    }
    if (!session_->Post(kCode)) {
        std::lock_guard<std::mutex> g(lock_);
        op_ = {};
        done_ = {};
        running_ = false;
        return false;
    }
    return true;
}

bool TToolRunner::RunCommand(unsigned char code, TPageContext &ctx)
{
    if (code != kCode)
        return false;
    Operation op;
    {
        std::lock_guard<std::mutex> g(lock_);
        op = std::move(op_);
        op_ = {};
    }
    if (!op) {
        Finish(QString());
        return true;
    }
    try {
        op(ctx);
    } catch (const std::exception &e) {
        Finish(TController::ErrorText(e));
        throw;
    } catch (...) {
        Finish(QStringLiteral("Операция прервана"));
        throw;
    }
    Finish(QString());
    return true;
}

void TToolRunner::Finish(const QString &error)
{
    QMetaObject::invokeMethod(
        this,
        [this, error] {
            Done done;
            {
                std::lock_guard<std::mutex> g(lock_);
                done = std::move(done_);
                done_ = {};
                running_ = false;
            }
            if (done)
                done(error);
        },
        Qt::QueuedConnection);
}

int TToolRunner::VersionMajor() const
{
    return session_ && session_->Controller() ? session_->Controller()->VersionMajor : -1;
}

int TToolRunner::VersionMinor() const
{
    return session_ && session_->Controller() ? session_->Controller()->VersionMinor : -1;
}
