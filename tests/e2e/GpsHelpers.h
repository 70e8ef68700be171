#pragma once
// The GPS page in a real session against the simulated receiver.
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimeZone>
#include <QToolButton>
#include <QTreeWidget>

#include "PagesHelpers.h"
#include "history/fGPS.h"

namespace gps_e2e
{
using namespace pages_e2e;

// Frame text built here from the receiver's format, apart from the tool.
inline QByteArray Frame(const QByteArray &payload)
{
    unsigned sum = 0;
    for (char c : payload)
        sum += quint8(c);
    sum &= 0x7FFF;
    QByteArray f = QByteArray::fromHex("A0A2");
    f += char(payload.size() >> 8);
    f += char(payload.size() & 0xFF);
    f += payload;
    f += char(sum >> 8);
    f += char(sum & 0xFF);
    return f + QByteArray::fromHex("B0B3");
}

inline QByteArray Text(const QByteArray &bytes)
{
    return bytes.toHex(' ').toUpper();
}

inline QByteArray BigEndian(quint32 v, int bytes)
{
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out += char((v >> (8 * i)) & 0xFF);
    return out;
}

inline QByteArray AlmanacLine(int sv, const QByteArray &data)
{
    return Text(Frame(QByteArray(1, char(0x0E)) + char(sv) + data));
}

inline QByteArray EphemerisLine(int sv, const QByteArray &data)
{
    return Text(Frame(QByteArray(1, char(0x0F)) + char(sv) + data));
}

// What a save of this receiver must write, line by line.
inline QList<QByteArray> ExpectedFile(const t3sim::GpsReceiver &r, const QSet<int> &omitted = {})
{
    const auto clock = r.clock();
    QList<QByteArray> lines{Text(BigEndian(clock.timeOfWeek, 4) + BigEndian(clock.week, 2)),
                            Text(BigEndian(quint32(clock.drift), 4))};
    for (int sv = 1; sv <= 32; ++sv)
        if (!omitted.contains(sv))
            lines << AlmanacLine(sv, r.almanac(sv));
    for (int sv = 1; sv <= 32; ++sv)
        if (!omitted.contains(sv) && r.ephemeris(sv))
            lines << EphemerisLine(sv, *r.ephemeris(sv));
    return lines;
}

// The file's lines; each must end with CR LF.
inline QList<QByteArray> FileLines(const QString &path, bool *crlf = nullptr)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray all = f.readAll();
    if (crlf)
        *crlf = all.isEmpty() || (all.endsWith("\r\n") && all.count('\n') == all.count("\r\n") &&
                                  all.count('\r') == all.count('\n'));
    if (all.endsWith("\r\n"))
        all.chop(2);
    QList<QByteArray> lines = all.isEmpty() ? QList<QByteArray>() : all.split('\n');
    for (QByteArray &l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    return lines;
}

inline void WriteFile(const QString &path, const QList<QByteArray> &lines)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (const QByteArray &l : lines)
        f.write(l + "\r\n");
}

// Optional screenshots of the window for looking at the page: T3_SCREENSHOTS=<dir>.
inline void Screenshot(TformMain &w, const QString &name)
{
    const QString dir = qEnvironmentVariable("T3_SCREENSHOTS");
    if (dir.isEmpty())
        return;
    QTest::qWait(50);
    QVERIFY(w.grab().save(QDir(dir).filePath(name)));
}

// A session with the GPS page in the tree (firmware 600.70, "SL_AlEh" = 1).
struct GpsSession {
    E2EHarness h;
    BusyWatch busy;
    TformGPS *page = nullptr;
    int framesBefore = 0, sentencesBefore = 0;

    GpsSession()
    {
        QFile ini(h.dir.filePath("current.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[GPSfix]\r\nSL_AlEh=1\r\n");
        ini.close();
        TformMain &w = h.Window();
        page = w.formGPS;
        page->UtcNow = [] { return QDateTime(QDate(2011, 5, 16), QTime(12, 0), QTimeZone::utc()); };
        t3sim::TrackerConfig tc = h.sim->trackerConfig();
        tc.replyDelayMs = 20;
        h.sim->setTrackerConfig(tc);
        busy.Install(h);
        h.Connect();
        if (h.Connected())
            w.Session()->Controller()->PollSuspended = true;
    }

    bool GpsNodeShown()
    {
        if (!busy.WaitReady())
            return false;
        QTreeWidget *tree = h.Window().tv1;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0) == QStringLiteral("GPS фиксация"))
                return true;
        return false;
    }

    // Clicks a page button and returns when the worker has finished and the
    // window has applied what it queued; buttonsOff tells whether the four
    // buttons were seen disabled meanwhile.
    bool Click(QPushButton *button, bool *buttonsOff = nullptr, int timeoutMs = 60000)
    {
        if (!busy.WaitReady() || !E2EHarness::WaitFor([&] { return WorkerIdle(h); }, timeoutMs))
            return false;
        h.Window().ShowPage(page);
        h.sim->clearWireLog();
        framesBefore = int(Receiver().framesReceived().size());
        sentencesBefore = int(Receiver().sentencesReceived().size());
        button->click();
        if (WorkerIdle(h))
            return false;
        if (buttonsOff)
            *buttonsOff = E2EHarness::WaitFor(
                [&] {
                    return !page->btnSaveAlEp->isEnabled() && !page->btnLoadAlEp->isEnabled() &&
                           !page->RzBitBtn1->isEnabled() && !page->RzBitBtn2->isEnabled();
                },
                5000);
        if (!E2EHarness::WaitFor([&] { return WorkerIdle(h); }, timeoutMs))
            return false;
        QCoreApplication::processEvents();
        return E2EHarness::WaitFor(
            [&] {
                return !busy.busy && h.Window().OutArray()->Peek() == 0 &&
                       !QApplication::overrideCursor();
            },
            timeoutMs);
    }

    bool ButtonsOn()
    {
        return page->btnSaveAlEp->isEnabled() && page->btnLoadAlEp->isEnabled() &&
               page->RzBitBtn1->isEnabled() && page->RzBitBtn2->isEnabled();
    }

    // The receiver as the simulator keeps it now.
    t3sim::GpsReceiver Receiver() { return h.sim->receiver(); }

    // Identifiers of the frames the receiver took during the last click; a
    // frame whose checksum failed counts as -1.
    QList<int> FrameIds()
    {
        QList<int> ids;
        const auto frames = Receiver().framesReceived();
        for (int i = framesBefore; i < frames.size(); ++i)
            ids << (frames[i].checksumOk ? quint8(frames[i].payload[0]) : -1);
        return ids;
    }
    QList<QByteArray> Sentences() { return Receiver().sentencesReceived().mid(sentencesBefore); }
    // The text lines the tracker took as its own commands during the last click.
    QList<QByteArray> Commands() { return h.sim->trackerCommands(); }
};

} // namespace gps_e2e
