// Start-up time: from starting a fresh process to the main window shown on
// screen (target: under 0.5 s). Each run is a new process, so the dynamic
// loader, Qt's platform plugin and fonts are counted as a user meets them.
//
//   build/bench/startup_bench [runs]
//
// Uses the display in DISPLAY when set (e.g. under Xvfb), else the offscreen
// platform.
#include "app/fMain.h"
#include "platform/ProgramDir.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

long long MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

double Ms(long long ns)
{
    return ns / 1e6;
}

// The measured process: the same steps as the program's main(), then it
// reports and leaves.
void Quiet(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

int Child(long long spawnedAt, int outFd)
{
    const long long entered = MonotonicNs();
    qInstallMessageHandler(Quiet);
    int argc = 1;
    char name[] = "t3config";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(TformMain::kAppTitle));
    const long long appReady = MonotonicNs();

    QTemporaryDir dir; // current.ini and windows.ini stay out of the build tree
    SetProgramDirOverride(dir.path());
    QDir::setCurrent(dir.path());

    long long created = 0, shown = 0;
    {
        TformMain w;
        created = MonotonicNs();
        w.show();
        if (!QTest::qWaitForWindowExposed(&w, 5000))
            return 2;
        QCoreApplication::processEvents(); // the first paint
        shown = MonotonicNs();
    }
    const std::string line =
        std::to_string(entered - spawnedAt) + " " + std::to_string(appReady - spawnedAt) + " " +
        std::to_string(created - spawnedAt) + " " + std::to_string(shown - spawnedAt) + " " +
        QGuiApplication::platformName().toStdString() + "\n";
    if (write(outFd, line.data(), line.size()) < 0)
        return 3;
    return 0;
}

struct Sample {
    long long entered, appReady, created, shown;
    std::string platform;
};

bool RunOnce(const char *self, Sample &s)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const long long start = MonotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string a1 = std::to_string(start), a2 = std::to_string(fds[1]);
        execl(self, self, "--child", a1.c_str(), a2.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    char platform[64] = {0};
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
           std::sscanf(out.c_str(), "%lld %lld %lld %lld %63s", &s.entered, &s.appReady, &s.created,
                       &s.shown, platform) == 5 &&
           (s.platform = platform, true);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--child")
        return Child(std::atoll(argv[2]), std::atoi(argv[3]));

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int runs = argc > 1 ? std::max(2, std::atoi(argv[1])) : 11;

    std::vector<Sample> samples;
    for (int i = 0; i < runs; ++i) {
        Sample s;
        if (!RunOnce("/proc/self/exe", s)) {
            std::fprintf(stderr, "run %d failed\n", i + 1);
            return 1;
        }
        samples.push_back(s);
    }
    const Sample first = samples.front();
    std::vector<Sample> warm(samples.begin() + 1, samples.end());
    auto median = [&](long long Sample::*field) {
        std::vector<long long> v;
        for (const Sample &s : warm)
            v.push_back(s.*field);
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    long long worst = 0;
    for (const Sample &s : samples)
        worst = std::max(worst, s.shown);

    std::printf("start-up to shown main window (platform %s, %d runs)\n", first.platform.c_str(),
                runs);
    std::printf("  first run:           %7.1f ms\n", Ms(first.shown));
    std::printf("  median of the rest:  %7.1f ms   (process entered %.1f, QApplication %.1f, "
                "window built %.1f)\n",
                Ms(median(&Sample::shown)), Ms(median(&Sample::entered)),
                Ms(median(&Sample::appReady)), Ms(median(&Sample::created)));
    std::printf("  worst:               %7.1f ms\n", Ms(worst));
    std::printf("  target 500 ms: %s\n", worst < 500'000'000LL ? "met" : "NOT met");
    return 0;
}
