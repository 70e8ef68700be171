#include "pages/InputController.h"
#include "platform/ProgramDir.h"
#include "platform/TimeZone.h"
#include "platform/UiThread.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <stdexcept>

namespace
{

class ScopedTz
{
  public:
    explicit ScopedTz(const char *tz)
    {
        const char *old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTz()
    {
        if (had_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    bool had_ = false;
    std::string old_;
};

TEST(TimeZone, BiasIsUtcMinusLocalInMinutes)
{
    const std::pair<const char *, int> cases[] = {
        {"UTC0", 0}, {"MSK-3", -180}, {"EST5", 300}, {"IST-5:30", -330}, {"NPT-5:45", -345},
    };
    for (const auto &[tz, bias] : cases) {
        ScopedTz zone(tz);
        EXPECT_EQ(TimeZoneBiasMinutes(), bias) << tz;
    }
}

TEST(TimeZone, DaylightPeriodInForceNowCounts)
{
    // Daylight time all year round: the rule names a period that is always in force.
    ScopedTz zone("XST-2XDT,0/0,J365/25");
    EXPECT_EQ(TimeZoneBiasMinutes(), -180);
}

TEST(TimeZone, UtcToLocalUsesTheBiasInForce)
{
    ScopedTz zone("MSK-3");
    const double t = 45000.25;
    EXPECT_NEAR(UtcToLocal(t) - t, 3.0 / 24, 1e-9);
    EXPECT_NEAR(LocalToUtc(t) - t, -3.0 / 24, 1e-9);
    const QDateTime utc(QDate(2024, 1, 1), QTime(22, 30), Qt::UTC);
    EXPECT_EQ(UtcToLocal(utc), QDateTime(QDate(2024, 1, 2), QTime(1, 30), Qt::UTC));
    EXPECT_EQ(LocalToUtc(UtcToLocal(utc)), utc);
}

TEST(ProgramDir, IsTheProgramsFolderWithATrailingSlash)
{
    const QString dir = ProgramDir();
    EXPECT_TRUE(dir.endsWith('/'));
    EXPECT_EQ(QDir(dir).canonicalPath(),
              QDir(QCoreApplication::applicationDirPath()).canonicalPath());
}

TEST(ProgramDir, OverrideForTests)
{
    SetProgramDirOverride("/some/where");
    EXPECT_EQ(ProgramDir(), "/some/where/");
    SetProgramDirOverride(QString());
    EXPECT_EQ(QDir(ProgramDir()).canonicalPath(),
              QDir(QCoreApplication::applicationDirPath()).canonicalPath());
}

TEST(UiThread, DirectOnTheUiThread)
{
    int calls = 0;
    RunOnUiThread([&] { ++calls; });
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(IsUiThread());
}

TEST(UiThread, BlockingCallFromAWorkerRunsOnTheUiThread)
{
    QThread *ranOn = nullptr;
    bool workerSawResult = false;
    bool workerIsUi = true;
    bool caught = false;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        workerIsUi = IsUiThread();
        int value = 0;
        RunOnUiThread([&] {
            ranOn = QThread::currentThread();
            value = 42;
        });
        workerSawResult = value == 42; // the call returned only after the work
        try {
            RunOnUiThread([] { throw std::runtime_error("from the UI thread"); });
        } catch (const std::runtime_error &) {
            caught = true;
        }
    }));
    worker->start();
    // The UI thread keeps serving events while it waits for the worker.
    while (!worker->isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker->wait();
    EXPECT_FALSE(workerIsUi);
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
    EXPECT_TRUE(workerSawResult);
    EXPECT_TRUE(caught);
}

} // namespace
