#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <mutex>

#include "session/SessionPage.h"

class TSessionHost;

// Runs one tool operation at a time as a worker command of the open
// session: in the busy state, never beside a page or history command.
class TToolRunner : public QObject
{
    Q_OBJECT
  public:
    static constexpr unsigned char kCode = 40; // the tools' own worker command

    using Operation = std::function<void(TPageContext &ctx)>;
    // Told on the user interface thread; error is empty when the operation ran
    // to its end, else why it did not (the session may be gone then).
    using Done = std::function<void(const QString &error)>;

    explicit TToolRunner(TSessionHost *session, QObject *parent = nullptr);

    // Connected, the worker idle and no tool operation pending.
    bool Ready() const;
    bool Connected() const;
    // Refused (false, nothing posted) unless Ready().
    bool Start(Operation op, Done done);
    bool Running() const;

    // Worker side: the operation behind kCode; false for any other code.
    bool RunCommand(unsigned char code, TPageContext &ctx);

    // The connected tracker's version, for the dry runs.
    int VersionMajor() const;
    int VersionMinor() const;

  private:
    void Finish(const QString &error);

    TSessionHost *session_;
    mutable std::mutex lock_;
    Operation op_;
    Done done_;
    bool running_ = false;
};
