// The ways a connect fails, and a tracker that stops answering.
#include <QtTest>

#include "E2EHarness.h"
#include "app/SplashDlg.h"
#include "link/ModemWorker.h"
#include "platform/IniFile.h"
#include "session/Controller.h"
#include "session/MainThread.h"

using t3sim::DialResult;

class SessionFailuresTest : public QObject
{
    Q_OBJECT

  private slots:
    void portCannotBeOpened()
    {
        E2EHarness h;
        h.portEntry = QStringLiteral("/dev/t3-no-such-port:");
        h.Connect();
        QCOMPARE(h.errors.size(), 1);
        QVERIFY2(h.errors[0].startsWith(QStringLiteral("Ошибка при открытии Com порта! ")),
                 qPrintable(h.errors[0]));
        QVERIFY(!h.Connected());
        QCOMPARE(h.splashResult, -1); // never shown
        // The dialog's choices are stored anyway.
        TIniFile ini(ProgramDir() + "current.ini");
        QCOMPARE(ini.ReadString("Connect", "ComPort", ""), QStringLiteral("/dev/t3-no-such-port:"));
        QCOMPARE(ini.ReadString("Connect", "Phone", ""), h.phone);
    }

    void dialFailures_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::newRow("busy") << int(DialResult::Busy) << "ОШИБКА! Линия занята(BUSY)!";
        QTest::newRow("no carrier")
            << int(DialResult::NoCarrier)
            << "ОШИБКА! Не могу установить соединение или оно разорвано(NO CARRIER)!";
        QTest::newRow("no answer") << int(DialResult::NoAnswer) << "ОШИБКА! Нет ответа(NO ANSWER)!";
    }

    void dialFailures()
    {
        QFETCH(int, result);
        QFETCH(QString, message);
        E2EHarness h;
        h.waitRegistration = false;
        h.sim->setDialResult(DialResult(result));
        h.duringSplash = [&h](TdlgSplash &s) {
            E2EHarness::WaitFor([&] { return s.Panel2->text() == "Ошибка при подключении!"; },
                                8000);
            return int(QDialog::Rejected);
        };
        h.Connect();
        QCOMPARE(h.splashText, QStringLiteral("Ошибка при подключении!"));
        QVERIFY(h.MemoHas(QStringLiteral("Ошибка при подключении: ") + message));
        QVERIFY(!h.Connected());
        QVERIFY(!h.Received().contains("+v"));
    }

    void wrongVersionAndIncompatibleShell()
    {
        {
            E2EHarness h;
            h.waitRegistration = false;
            h.sim->setVersion("REV 07.499.100");
            h.duringSplash = [](TdlgSplash &s) {
                E2EHarness::WaitFor(
                    [&] { return s.Panel2->text() == "Неверная версия устройства"; }, 8000);
                return int(QDialog::Rejected);
            };
            h.Connect();
            QCOMPARE(h.splashText, QStringLiteral("Неверная версия устройства"));
            QVERIFY(!h.Connected());
        }
        {
            E2EHarness h;
            h.waitRegistration = false;
            h.sim->setVersion("REV 07.601.070");
            h.Connect();
            // The worker closes the progress window and disconnects by itself.
            QCOMPARE(h.splashResult, int(QDialog::Accepted));
            QVERIFY(h.MemoHas("Несовместимая оболочка"));
            QVERIFY(E2EHarness::WaitFor([&] { return !h.Window().Session()->Controller(); }, 8000));
            QVERIFY(!h.Connected());
            QVERIFY(h.Window().tbtnConnect->isEnabled());
        }
    }

    void cancelDuringRtsPulseSendsNoAtCommand()
    {
        E2EHarness h;
        h.phone.clear();
        h.Window().Resume.ResumeLine = 7;
        h.duringSplash = [](TdlgSplash &) {
            QTest::qWait(300);
            return int(QDialog::Rejected);
        };
        h.Connect();
        QCOMPARE(h.splashResult, int(QDialog::Rejected));
        QVERIFY(!h.Connected());
        // Nothing before the hang-up sequence.
        const QByteArray sent = h.sim->bytesReceived();
        QVERIFY2(sent.startsWith("+++"), sent.constData());
        QVERIFY(!sent.contains("ATD"));
        // A stopped attempt leaves the resume state alone.
        QCOMPARE(h.Window().Resume.ResumeLine, 7);
    }

    void phonelessFailureResetsResumeState()
    {
        E2EHarness h;
        h.phone.clear();
        h.waitRegistration = false;
        h.sim->setVersion("REV 07.499.100");
        h.Window().Resume.ResumeLine = 7;
        h.Window().Resume.ResumeAllowed = true;
        h.duringSplash = [](TdlgSplash &s) {
            E2EHarness::WaitFor([&] { return s.Panel2->text() == "Неверная версия устройства"; },
                                8000);
            return int(QDialog::Rejected);
        };
        h.Connect();
        QVERIFY(h.Received().contains("ATD "));
        QCOMPARE(h.Window().Resume.ResumeLine, 1);
        QVERIFY(!h.Window().Resume.ResumeAllowed);
    }

    void phoneWithControlCharactersIsRefused()
    {
        E2EHarness h;
        h.phone = QStringLiteral("8916\r\nATH");
        h.Connect();
        QCOMPARE(h.errors,
                 QStringList{QStringLiteral("Номер телефона содержит недопустимые символы!")});
        QCOMPARE(h.splashResult, -1);
        QVERIFY(!h.Connected());
        QVERIFY(h.sim->bytesReceived().isEmpty());
        // Nor is it kept among the numbers offered next time.
        const TIniFile ini(QDir(h.dir.path()).filePath(QStringLiteral("current.ini")));
        QCOMPARE(ini.ReadInteger("Connect", "PhonesN", -1), 0);
    }

    void silentTrackerKeepsTheSessionOpen()
    {
        E2EHarness h;
        h.waitRegistration = false;
        h.Connect();
        QVERIFY(h.Connected());
        t3sim::Faults f;
        f.silent = true;
        h.sim->setFaults(f);
        h.sim->clearWireLog();
        TController *c = h.Window().Session()->Controller();
        c->LastVersionPoll = TController::Clock::now() - std::chrono::seconds(11);
        // Three tries of 4.5 s go unanswered; nothing ends the session.
        QVERIFY(E2EHarness::WaitFor([&] { return h.Received().count("+v") == 3; }, 16000));
        QTest::qWait(1000);
        QVERIFY(h.Connected());
        QCOMPARE(h.Window().Session()->Controller(), c);
        h.Window().tbtnDisconnect->trigger();
        QVERIFY(!h.Connected());
    }
};

QTEST_MAIN(SessionFailuresTest)
#include "session_failures_qtest.moc"
