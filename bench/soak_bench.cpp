// Soak: the real window (offscreen) against the simulated tracker for a long
// session, driven as a user would (connect, read and write pages, read all,
// write all, edit values, save and load a settings file, wait idle,
// disconnect), while line faults switch at random: noise before replies,
// "ERROR" replies, slow replies, silence, carrier drops, busy or unanswered
// dials. The seed makes the choices repeatable (the line's timing is not).
//
// After every step: nothing hangs (each step is bounded), no modal window is
// left open, the window is enabled and its toolbar offers the next move, no
// worker thread survives a disconnect, resident memory does not grow past
// the warm-up, and current.ini and the settings file are complete and valid.
//
//   build/bench/soak_bench [minutes, default 30] [seed, default 1]
//
// Prints a summary; exits 1 on the first broken check, with what the memo
// and the wire showed.
#include "PagesHelpers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/IniFile.h"

namespace
{

constexpr int kStepLimitMs = 300000; // a step still busy after this is a hang

long RssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

QStringList ThreadNames()
{
    QStringList names;
    QDirIterator it(QStringLiteral("/proc/self/task"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        QFile comm(it.next() + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromLatin1(comm.readAll().trimmed());
    }
    names.sort();
    return names;
}

QString LoadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().trimmed()) : QString();
}

class Soak
{
  public:
    Soak(double minutes, unsigned seed) : minutes_(minutes), seed_(seed), rng_(seed) {}

    int Run();

  private:
    E2EHarness h_;
    pages_e2e::BusyWatch busy_;
    double minutes_;
    unsigned seed_;
    std::mt19937 rng_;
    QElapsedTimer clock_;
    int step_ = 0;
    QString stepName_;
    std::map<std::string, int> steps_, faults_;
    int connectsOk_ = 0, connectsFailed_ = 0, sessionsLost_ = 0;
    int iniChecks_ = 0, settingsChecks_ = 0;
    QStringList iniSections_, settingsSections_;
    int baselineThreads_ = -1;
    QStringList baselineThreadNames_;
    int maxThreads_ = 0;
    std::vector<long> rss_;
    long warmRss_ = -1;
    QString settingsPath_;
    bool silent_ = false;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    TformMain &W() { return h_.Window(); }

    [[noreturn]] void Fail(const QString &what);
    bool Settled();
    void Check();
    void CheckIniFile(const QString &path, QStringList &sections, int &count, bool required);
    void SwitchFaults();
    void Connect();
    void Command(QAction *action, const char *name);
    void EditValues(TformIncl *page);
    TformIncl *ReadablePage();
    void Idle(int ms);
    void Step();
};

void Soak::Fail(const QString &what)
{
    std::fprintf(stderr, "\nFAILED at step %d (%s), %.1f min, seed %u: %s\n", step_,
                 qPrintable(stepName_), clock_.elapsed() / 60000.0, seed_, qPrintable(what));
    const QStringList memo = h_.MemoLines();
    std::fprintf(stderr, "--- memo (last lines)\n%s\n",
                 qPrintable(memo.mid(std::max<qsizetype>(0, memo.size() - 40)).join(u'\n')));
    const QByteArray wire = h_.sim->wireLogDump();
    std::fprintf(stderr, "--- wire (last bytes)\n%s\n", wire.right(3000).constData());
    std::fflush(stderr);
    std::_Exit(1);
}

// The window has applied everything and the worker is idle or gone.
bool Soak::Settled()
{
    return !busy_.busy && W().OutArray()->Peek() == 0 && !QApplication::overrideCursor() &&
           (pages_e2e::WorkerIdle(h_) || !h_.Connected());
}

void Soak::CheckIniFile(const QString &path, QStringList &sections, int &count, bool required)
{
    QFile f(path);
    if (!f.exists()) {
        if (required)
            Fail(path + QStringLiteral(" is missing"));
        return;
    }
    if (!f.open(QIODevice::ReadOnly))
        Fail(path + QStringLiteral(" cannot be read"));
    const QByteArray bytes = f.readAll();
    if (!bytes.isEmpty() && !bytes.endsWith("\r\n"))
        Fail(path + QStringLiteral(" does not end with a whole line"));
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // after the last CR LF
    for (const QByteArray &raw : lines) {
        if (!raw.endsWith('\r'))
            Fail(path + QStringLiteral(": a line without CR LF: ") + QString::fromLatin1(raw));
        const QByteArray line = raw.chopped(1);
        for (char c : line)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                Fail(path + QStringLiteral(": a control character in: ") +
                     QString::fromLatin1(line));
        const QByteArray t = line.trimmed();
        const bool ok = t.isEmpty() || t.startsWith(';') ||
                        (t.startsWith('[') && t.endsWith(']')) || t.indexOf('=') > 0;
        if (!ok)
            Fail(path + QStringLiteral(": not an ini line: ") + QString::fromLatin1(line));
    }
    const TIniFile ini(path);
    const QStringList now = ini.ReadSections();
    // Complete: every section the file once had is still there.
    for (const QString &s : sections)
        if (!now.contains(s, Qt::CaseInsensitive))
            Fail(path + QStringLiteral(" lost its section ") + s);
    for (const QString &s : now)
        if (!sections.contains(s, Qt::CaseInsensitive))
            sections << s;
    ++count;
}

void Soak::Check()
{
    QElapsedTimer t;
    t.start();
    while (!Settled()) {
        if (t.elapsed() > kStepLimitMs)
            Fail(QStringLiteral("hang: the window or the worker is still busy"));
        QTest::qWait(20);
    }
    if (QWidget *modal = QApplication::activeModalWidget())
        Fail(QStringLiteral("a modal window stays open: ") + modal->windowTitle());
    if (!W().isEnabled())
        Fail(QStringLiteral("the window is disabled"));
    if (h_.Connected()) {
        if (!W().tbtnDisconnect->isEnabled())
            Fail(QStringLiteral("connected, but disconnecting is not offered"));
    } else {
        if (!W().tbtnConnect->isEnabled())
            Fail(QStringLiteral("disconnected, but connecting is not offered"));
        TSessionHost *s = W().Session();
        if (s && s->Thread() && !s->Thread()->isFinished())
            Fail(QStringLiteral("the worker thread runs on after the session ended"));
        // Threads: the first idle count after a whole session is the baseline.
        const QStringList names = ThreadNames();
        maxThreads_ = std::max<int>(maxThreads_, names.size());
        if (baselineThreads_ < 0 && connectsOk_ > 0) {
            baselineThreads_ = names.size();
            baselineThreadNames_ = names;
        } else if (baselineThreads_ >= 0 && names.size() > baselineThreads_) {
            // Qt's pool threads end by themselves within half a minute.
            if (!E2EHarness::WaitFor([&] { return ThreadNames().size() <= baselineThreads_; },
                                     40000))
                Fail(QStringLiteral("threads left running: %1 (at first %2)")
                         .arg(ThreadNames().join(u','), baselineThreadNames_.join(u',')));
        }
    }
    CheckIniFile(ProgramDir() + QStringLiteral("current.ini"), iniSections_, iniChecks_,
                 connectsOk_ + connectsFailed_ > 0);
    if (!settingsPath_.isEmpty())
        CheckIniFile(settingsPath_, settingsSections_, settingsChecks_, true);
    // No temporary file of a save is left behind.
    for (const QString &name : QDir(ProgramDir()).entryList(QDir::Files | QDir::Hidden))
        if (name.endsWith(QLatin1String(".tmp")))
            Fail(QStringLiteral("a temporary file is left: ") + name);

    // Memory, with the memo emptied as a user would after a long session.
    W().RzBitBtn1->click();
    QCoreApplication::processEvents();
    const long rss = RssKiB();
    rss_.push_back(rss);
    // Warm-up: the first fifth of the run (Qt's caches, the first pages shown).
    if (warmRss_ < 0 && clock_.elapsed() > minutes_ * 60000 / 5 && rss_.size() >= 10)
        warmRss_ = *std::max_element(rss_.begin(), rss_.end());
}

void Soak::SwitchFaults()
{
    t3sim::Faults f;
    t3sim::TrackerConfig tc = h_.sim->trackerConfig();
    tc.replyDelayMs = 0;
    static const QByteArray kNoises[] = {QByteArray(1, '\0'), QByteArray("\xFF"),
                                         QByteArray("\0\xFF\0", 3), QByteArray("#@!garbage\r\n"),
                                         QByteArray("\xFF\xFE\x01\x02OK")};
    switch (Pick(8)) {
    case 0:
    case 1:
        ++faults_["none"];
        break;
    case 2: {
        f.noise = kNoises[Pick(5)];
        ++faults_["noise bytes"];
        break;
    }
    case 3:
        f.errorOnCommand = 1 + Pick(20);
        ++faults_["one ERROR reply"];
        break;
    case 4: {
        static const char *const names[] = {"object", "gprsena", "zact", "alphon1", "ing2", "v"};
        f.errorCommands << names[Pick(6)];
        ++faults_["a command always ERROR"];
        break;
    }
    case 5:
        // Mostly within the time-out; now and then past it, so tries are used.
        tc.replyDelayMs = Chance(0.8) ? 50 + Pick(1500) : 4600 + Pick(1000);
        ++faults_[tc.replyDelayMs > 4500 ? "reply past the time-out" : "slow replies"];
        break;
    case 6:
        f.carrierLostAfter = 1 + Pick(40);
        ++faults_["carrier lost"];
        break;
    case 7: {
        // The tracker falls silent for a few seconds, then answers again.
        f.silent = true;
        silent_ = true;
        ++faults_["silence"];
        QTimer::singleShot(2000 + Pick(8000), [this] {
            t3sim::Faults now = h_.sim->faults();
            now.silent = false;
            h_.sim->setFaults(now);
            silent_ = false;
        });
        break;
    }
    }
    h_.sim->setTrackerConfig(tc);
    h_.sim->setFaults(f);
}

void Soak::Connect()
{
    stepName_ = QStringLiteral("connect");
    const bool dialFault = Chance(0.15);
    if (dialFault) {
        static const t3sim::DialResult results[] = {
            t3sim::DialResult::Busy, t3sim::DialResult::NoAnswer, t3sim::DialResult::NoCarrier};
        h_.sim->setDialResult(results[Pick(3)]);
        ++faults_["dial fails"];
    }
    busy_.ready = false;
    h_.Connect();
    h_.sim->setDialResult(t3sim::DialResult::Connect);
    if (h_.Connected() && busy_.WaitReady()) {
        ++connectsOk_;
    } else {
        ++connectsFailed_;
        if (!dialFault && h_.Connected())
            Fail(QStringLiteral("connected, but the worker's first steps never ended"));
    }
    ++steps_["connect"];
}

void Soak::Command(QAction *action, const char *name)
{
    stepName_ = QString::fromLatin1(name);
    ++steps_[name];
    if (!E2EHarness::WaitFor([&] { return action->isEnabled() || !h_.Connected(); }, 10000))
        Fail(QStringLiteral("the command is not offered while connected and idle"));
    if (!h_.Connected())
        return;
    action->trigger();
}

// Sets a few of the page's values as a user would: within their ranges.
void Soak::EditValues(TformIncl *page)
{
    QList<QWidget *> editable;
    for (QWidget *c : page->Controls())
        if (c->isEnabled() && c->isVisibleTo(page) && TformIncl::KindOf(c) &&
            *TformIncl::KindOf(c) != TControlKind::ckLabel)
            editable << c;
    for (int i = 0, n = editable.isEmpty() ? 0 : 1 + Pick(3); i < n; ++i) {
        QWidget *c = editable[Pick(int(editable.size()))];
        if (auto *spin = qobject_cast<QSpinBox *>(c))
            spin->setValue(spin->minimum() +
                           Pick(std::min(spin->maximum() - spin->minimum(), 1000) + 1));
        else if (auto *combo = qobject_cast<QComboBox *>(c))
            combo->setCurrentIndex(combo->count() ? Pick(combo->count()) : -1);
        else if (auto *button = qobject_cast<QAbstractButton *>(c))
            button->click();
        else if (auto *edit = qobject_cast<QLineEdit *>(c); edit && edit->inputMask().isEmpty())
            edit->setText(QString::number(Pick(10000)));
    }
    ++steps_["edit values"];
}

TformIncl *Soak::ReadablePage()
{
    QList<TformIncl *> pages;
    for (TformIncl *p : W().Pages()) {
        W().ShowPage(p);
        QCoreApplication::processEvents();
        if (W().tbtnRead->isEnabled())
            pages << p;
    }
    if (pages.isEmpty())
        return nullptr;
    TformIncl *p = pages[Pick(int(pages.size()))];
    W().ShowPage(p);
    return p;
}

void Soak::Idle(int ms)
{
    stepName_ = QStringLiteral("idle");
    ++steps_["idle (keep-alive polls)"];
    QTest::qWait(ms);
}

void Soak::Step()
{
    ++step_;
    if (!silent_ && Chance(0.3))
        SwitchFaults();
    if (!h_.Connected()) {
        if (Chance(0.1)) {
            stepName_ = QStringLiteral("load settings file");
            if (!settingsPath_.isEmpty()) {
                W().LoadSettingsFile(settingsPath_);
                ++steps_["load settings file"];
            }
        } else {
            Connect();
        }
        return;
    }
    if (!pages_e2e::WorkerIdle(h_) || !busy_.ready) {
        Idle(100);
        return;
    }
    const int r = Pick(100);
    if (r < 30) {
        if (ReadablePage())
            Command(W().tbtnRead, "read page");
    } else if (r < 50) {
        if (TformIncl *p = ReadablePage()) {
            EditValues(p);
            Command(W().tbtnWrite, "write page");
        }
    } else if (r < 58) {
        Command(W().tbtnReadAll, "read all");
    } else if (r < 64) {
        for (int i = 0; i < 2; ++i)
            if (TformIncl *p = ReadablePage())
                EditValues(p);
        Command(W().tbtnWriteAll, "write all");
    } else if (r < 72) {
        stepName_ = QStringLiteral("save settings file");
        settingsPath_ = ProgramDir() + QStringLiteral("soak-settings.ini");
        W().SaveSettingsFile(settingsPath_);
        ++steps_["save settings file"];
    } else if (r < 90) {
        Idle(1000 + Pick(11000));
    } else {
        stepName_ = QStringLiteral("disconnect");
        ++steps_["disconnect"];
        W().tbtnDisconnect->trigger();
    }
}

int Soak::Run()
{
    h_.waitRegistration = false;
    W();
    busy_.Install(h_);
    auto lost = W().SessionUi().showError;
    W().SessionUi().showError = [this, lost](const QString &text) {
        if (lost)
            lost(text);
        ++sessionsLost_;
    };
    const long startRss = RssKiB();
    clock_.start();
    while (clock_.elapsed() < minutes_ * 60000) {
        Step();
        Check();
        if (step_ % 50 == 0)
            std::printf("%6.1f min: step %d, RSS %ld KiB, %d threads\n", clock_.elapsed() / 60000.0,
                        step_, rss_.back(), int(ThreadNames().size()));
        std::fflush(stdout);
    }
    if (h_.Connected()) {
        stepName_ = QStringLiteral("final disconnect");
        W().tbtnDisconnect->trigger();
        Check();
    }
    const long endRss = rss_.empty() ? RssKiB() : rss_.back();
    // The window saves the pages to current.ini when it closes.
    stepName_ = QStringLiteral("close");
    h_.window.reset();
    CheckIniFile(ProgramDir() + QStringLiteral("current.ini"), iniSections_, iniChecks_, true);

    std::printf("\nsoak: %.1f min, seed %u, %d steps; load %s\n", clock_.elapsed() / 60000.0, seed_,
                step_, qPrintable(LoadAverage()));
    std::printf("steps:");
    for (const auto &[k, v] : steps_)
        std::printf(" %s %d;", k.c_str(), v);
    std::printf("\nfaults switched:");
    for (const auto &[k, v] : faults_)
        std::printf(" %s %d;", k.c_str(), v);
    std::printf("\nconnects: %d made, %d failed; error boxes %d\n", connectsOk_, connectsFailed_,
                sessionsLost_);
    std::printf("checks: current.ini %d, settings file %d, all complete and valid\n", iniChecks_,
                settingsChecks_);
    std::printf("threads: %d when idle after the first session, at most %d\n", baselineThreads_,
                maxThreads_);
    const long growth = warmRss_ >= 0 ? endRss - warmRss_ : 0;
    std::printf("RSS: %ld KiB at start, %ld KiB after warm-up (max so far), %ld KiB at the end "
                "(%+ld KiB)\n",
                startRss, warmRss_, endRss, growth);
    // Allocator slack aside, a leak per step would show as steady growth.
    if (warmRss_ >= 0 && growth > 16 * 1024) {
        std::printf("FAILED: memory grew by %ld KiB after the warm-up\n", growth);
        return 1;
    }
    std::printf("no hang, no crash, no leak, no damaged file\n");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double minutes = argc > 1 ? std::max(0.1, std::atof(argv[1])) : 30.0;
    const unsigned seed = argc > 2 ? unsigned(std::strtoul(argv[2], nullptr, 10)) : 1u;
    Soak soak(minutes, seed);
    return soak.Run();
}
