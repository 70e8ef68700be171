// A user connects to the simulated tracker, idles and disconnects.
#include <QAccessible>
#include <QtTest>

#include "E2EHarness.h"
#include "app/SplashDlg.h"
#include "link/ModemWorker.h"
#include "platform/IniFile.h"
#include "session/Controller.h"
#include "session/MainThread.h"

using t3sim::DialResult;

namespace
{
QList<QByteArray> Lines(std::initializer_list<const char *> l)
{
    QList<QByteArray> out;
    for (const char *s : l)
        out << QByteArray(s);
    return out;
}
} // namespace

class SessionTest : public QObject
{
    Q_OBJECT

  private slots:
    void fullConnectAndDisconnect()
    {
        E2EHarness h;
        h.sim->setPanelType("0138");
        h.Connect();
        QCOMPARE(h.splashResult, int(QDialog::Accepted));
        QVERIFY(h.Connected());
        TformMain &w = h.Window();
        QVERIFY(!w.tbtnConnect->isEnabled());
        QVERIFY(w.tbtnRead->isEnabled() && w.tbtnWriteAll->isEnabled() && w.N1->isEnabled());

        // The modem set-up, the dial, the identity and the first reads, in order.
        QCOMPARE(h.Received(), Lines({"ATZ", "AT", "AT+CREG?", "AT+CBST=7,0,1", "ATD 89161234567",
                                      "+v", "+flagact", "+dontsleep", "+typepan"}));
        QVERIFY(
            E2EHarness::WaitFor([&] { return w.StatusPanels[3]->text() == "AT45DB161D"; }, 2000));
        QCOMPARE(w.StatusPanels[0]->text(), h.sim->portPath() + ":");
        QCOMPARE(w.StatusPanels[1]->text(), QStringLiteral("89161234567"));
        QCOMPARE(w.StatusPanels[2]->text(), QStringLiteral("REV 07.600.070"));
        // A screen reader hears the values with what they are.
        for (const auto &[panel, heard] :
             {std::pair{1, "Телефон: 89161234567"}, std::pair{2, "Версия прошивки: REV 07.600.070"},
              std::pair{3, "Флэш-память: AT45DB161D"}})
            QCOMPARE(QAccessible::queryAccessibleInterface(w.StatusPanels[panel])
                         ->text(QAccessible::Name),
                     QString::fromUtf8(heard));
        QVERIFY(w.Session()->Controller()->ServerNameSupported);
        QCOMPARE(w.Session()->Controller()->VersionMajor, 600);
        QCOMPARE(w.Session()->Controller()->VersionMinor, 70);
        QVERIFY(h.MemoHas("#Modem<-: ATZ"));
        QVERIFY(h.MemoHas("@Modem->: "));
        QVERIFY(E2EHarness::WaitFor([&] { return w.Resume.ResumeAllowed; }, 1000));

        h.sim->clearWireLog();
        w.tbtnDisconnect->trigger();
        QVERIFY(!h.Connected());
        QVERIFY(w.tbtnConnect->isEnabled());
        QVERIFY(!w.tbtnRead->isEnabled());
        QCOMPARE(w.StatusPanels[0]->text(), QString());
        QCOMPARE(w.StatusPanels[1]->text(), QString());
        // Hang-up: escape to command mode, ATH, ATZ.
        const QByteArray sent = h.sim->bytesReceived();
        QVERIFY2(sent.startsWith("+++"), sent.constData());
        QVERIFY2(sent.endsWith("ATH\r\nATZ\r\n"), sent.constData());
        QVERIFY(E2EHarness::WaitFor([&] { return !h.sim->callUp(); }, 3000));
        QVERIFY(h.MemoHas("ClrRTS"));

        // A second session on the same port works too.
        h.Connect();
        QVERIFY(h.Connected());
        w.tbtnDisconnect->trigger();
        QVERIFY(!h.Connected());
    }

    void chipAndServerNameByVersion_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QByteArray>("panel");
        QTest::addColumn<QString>("chip");
        QTest::addColumn<bool>("serverName");
        QTest::addColumn<bool>("typepanRead");
        QTest::newRow("70 M45PE16")
            << QByteArray("REV 07.600.070") << QByteArray("0030") << "M45PE16" << false << true;
        QTest::newRow("65 low byte")
            << QByteArray("REV 07.600.065") << QByteArray("0138") << "AT45DB161D" << false << true;
        QTest::newRow("62 not read")
            << QByteArray("REV 07.600.062") << QByteArray("0138") << "" << false << false;
    }

    void chipAndServerNameByVersion()
    {
        QFETCH(QByteArray, version);
        QFETCH(QByteArray, panel);
        QFETCH(QString, chip);
        QFETCH(bool, serverName);
        QFETCH(bool, typepanRead);
        E2EHarness h;
        h.waitRegistration = false;
        h.sim->setVersion(version);
        h.sim->setPanelType(panel);
        h.Connect();
        QVERIFY(h.Connected());
        TformMain &w = h.Window();
        QTest::qWait(200);
        QCOMPARE(w.StatusPanels[3]->text(), chip);
        QCOMPARE(w.Session()->Controller()->ServerNameSupported, serverName);
        QCOMPARE(h.Received().contains("+typepan"), typepanRead);
        QVERIFY(!h.Received().contains("AT+CREG?"));
        w.tbtnDisconnect->trigger();
    }

    void olderFirmwareSkipsModeRead()
    {
        E2EHarness h;
        h.waitRegistration = false;
        h.sim->setVersion("REV 07.600.057");
        h.Connect();
        QVERIFY(h.Connected());
        QVERIFY(!h.Received().contains("+flagact"));
        h.Window().tbtnDisconnect->trigger();
    }

    void modeFivePollsPgps()
    {
        E2EHarness h;
        h.waitRegistration = false;
        h.sim->setSetting("flagact", "0304");
        h.Connect();
        QVERIFY(h.Connected());
        QVERIFY2(h.Received().contains("+PGPS"), h.Received().join(" | ").constData());
        TController *c = h.Window().Session()->Controller();
        QCOMPARE(h.Window().formEvents ? 5 : 5, 5);
        // Pretend the last polls were long ago: the next idle pass reads both.
        h.sim->clearWireLog();
        c->PollSuspended = true;
        QTest::qWait(300);
        c->LastVersionPoll = TController::Clock::now() - std::chrono::seconds(11);
        c->LastPgpsPoll = TController::Clock::now() - std::chrono::seconds(31);
        c->PollSuspended = false;
        QVERIFY(E2EHarness::WaitFor([&] { return h.Received().contains("+PGPS"); }, 5000));
        QCOMPARE(h.Received(), Lines({"+v", "+PGPS"}));
        h.Window().tbtnDisconnect->trigger();
    }

    void idleKeepAliveAboutEveryElevenSeconds()
    {
        E2EHarness h;
        h.waitRegistration = false;
        h.Connect();
        QVERIFY(h.Connected());
        // The first poll counts from the session's start, the next from it.
        h.sim->clearWireLog();
        QVERIFY(E2EHarness::WaitFor([&] { return h.Received().contains("+v"); }, 12000));
        h.sim->clearWireLog();
        QTest::qWait(9500);
        QVERIFY(h.Received().isEmpty());
        QVERIFY(E2EHarness::WaitFor([&] { return h.Received().contains("+v"); }, 3000));
        QCOMPARE(h.Received(), Lines({"+v"}));
        h.Window().tbtnDisconnect->trigger();
    }

    void closingDuringAPageReadStopsAndHangsUp()
    {
        E2EHarness h;
        h.waitRegistration = false;
        t3sim::TrackerConfig tc = h.sim->trackerConfig();
        tc.replyDelayMs = 300; // keep the read going while the window closes
        h.sim->setTrackerConfig(tc);
        h.Connect();
        QVERIFY(h.Connected());
        QTest::qWait(300); // the worker's steps after connecting
        h.Window().tbtnReadAll->trigger();
        QVERIFY(E2EHarness::WaitFor([&] { return !h.Window().tbtnDisconnect->isEnabled(); }, 3000));
        h.sim->clearWireLog();
        h.window.reset();
        QVERIFY(QFile::exists(ProgramDir() + "current.ini"));
        QVERIFY(h.sim->bytesReceived().contains("ATH\r\n"));
    }

    void controlsReachableByName()
    {
        E2EHarness h;
        TdlgConnect dlg;
        QCOMPARE(dlg.ComPorts->accessibleName(), QStringLiteral("Com-порт:"));
        QCOMPARE(dlg.cbPhones->accessibleName(), QStringLiteral("Номер телефона:"));
        QCOMPARE(dlg.Label1->buddy(), dlg.ComPorts);
        QCOMPARE(dlg.Label2->buddy(), dlg.cbPhones);
        TformMain &w = h.Window();
        QCOMPARE(w.tbtnConnect->toolTip(), QStringLiteral("Подключиться"));
        QCOMPARE(w.tbtnRead->toolTip(), QStringLiteral("Прочитать настройки с данной страницы"));
        QCOMPARE(w.tbtnWriteAll->toolTip(), QStringLiteral("Записать все настройки"));
    }

    void closingWhileConnectedSavesThenHangsUp()
    {
        E2EHarness h;
        h.waitRegistration = false;
        h.Connect();
        QVERIFY(h.Connected());
        h.sim->clearWireLog();
        h.window.reset();
        QVERIFY(QFile::exists(ProgramDir() + "current.ini"));
        QVERIFY(h.sim->bytesReceived().contains("ATH\r\n"));
    }
};

QTEST_MAIN(SessionTest)
#include "session_qtest.moc"
