#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <memory>
#include <mutex>

#include "tools/FleetReport.h"

class QPlainTextEdit;
class TController;
class TformIncl;
class TOutArray;
class TShadowPages;

// One settings file written to a list of trackers, one call after another:
// connect, write every page from the file, read back and compare, hang up.
// The run has its own worker thread; the window's own session must be closed.
class TFleetRun : public QThread
{
    Q_OBJECT
  public:
    struct TSetup {
        QString settingsFile;
        QStringList numbers;
        QString portName;
        bool waitRegistration = true;
    };

    // pages: the window's pages; the file is loaded over a copy of them.
    // memo: where every exchange is logged, as in a session.
    TFleetRun(const TSetup &setup, const QList<TformIncl *> &pages, QObject *memo,
              TOutArray *windowOut);
    ~TFleetRun() override;

    // Loads the file; false (nothing dialled) when it does not load.
    bool Prepare(QString *error);
    // Between two steps the run stops; the call up is hung up first.
    void Cancel();
    bool Cancelled() const { return cancel_; }

    // User interface thread: applies what the worker queued (memo lines,
    // progress texts) and returns how many elements it took.
    int Drain();
    QList<TFleetResult> Results() const;
    QString Number() const;
    QString Step() const;
    int Done() const { return done_; }
    int Planned() const { return setup_.numbers.size(); }

  signals:
    void Progress();

  protected:
    void run() override;

  private:
    TFleetResult RunOne(const QString &number);
    void SetStep(const QString &number, const QString &step);
    QString ConnectFailure();

    TSetup setup_;
    QList<TformIncl *> pages_;
    QObject *memo_;
    TOutArray *windowOut_;
    std::unique_ptr<TOutArray> out_;           // the run's own queue
    std::unique_ptr<QObject> memoProxy_;       // memo lines of the run
    std::unique_ptr<QObject> stepProxy_;       // the connect's progress texts
    std::unique_ptr<QObject> okProxy_;         // the connect's "done" click
    std::unique_ptr<TShadowPages> file_;       // the pages as the file has them
    std::atomic<bool> cancel_{false};
    std::atomic<int> done_{0};
    std::atomic<TController *> controller_{nullptr};
    mutable std::mutex lock_;
    QList<TFleetResult> results_;
    QString number_, step_, lastConnectError_, lastProgress_;
};
