// What a user sees when the line misbehaves: noise, a carrier lost while
// idle, and the port going away. The window must never hang and must end
// disconnected with the reason in the memo.
#include <QtTest>

#include "PagesHelpers.h"
#include <QLineEdit>

#include "pages/fCommon.h"

using namespace pages_e2e;

class LineFaultsTest : public QObject
{
    Q_OBJECT

    // Makes the next idle pass poll the tracker at once.
    static void PollNow(E2EHarness &h)
    {
        TController *c = h.Window().Session()->Controller();
        c->LastVersionPoll = TController::Clock::now() - std::chrono::seconds(11);
    }

  private slots:
    void noiseBeforeRepliesIsHarmless()
    {
        E2EHarness h;
        h.waitRegistration = false;
        BusyWatch watch;
        watch.Install(h);
        t3sim::TrackerConfig tc = h.sim->trackerConfig();
        tc.replyDelayMs = 20;
        h.sim->setTrackerConfig(tc);
        h.Connect();
        QVERIFY(h.Connected());
        t3sim::Faults f;
        f.noise = QByteArray("\x00\xFF#@\x00\xFF", 6);
        h.sim->setFaults(f);
        h.sim->setSetting("object", "0123");
        TformMain &w = h.Window();
        QVERIFY(ReadPage(h, watch, w.formCommon));
        for (QLabel *label : {w.formCommon->lbetObjNum, w.formCommon->lbetLat, w.formCommon->lbSgl})
            QCOMPARE(LabelColour(label), QStringLiteral("blue"));
        QCOMPARE(w.formCommon->etObjNum->text(), QStringLiteral("123"));
        QVERIFY(h.Connected());
        w.tbtnDisconnect->trigger();
        QVERIFY(!h.Connected());
    }

    void carrierLostWhileIdleEndsTheSession()
    {
        E2EHarness h;
        h.waitRegistration = false;
        h.Connect();
        QVERIFY(h.Connected());
        h.Window().formCommon->etObjNum->setText(QStringLiteral("4321"));
        t3sim::Faults lost;
        lost.carrierLostAfter = 1; // the second command from now loses the call
        h.sim->setFaults(lost);
        h.sim->clearWireLog();
        PollNow(h);
        QVERIFY(E2EHarness::WaitFor([&] { return h.Received().contains("+v"); }, 5000));
        PollNow(h);
        QVERIFY(E2EHarness::WaitFor([&] { return !h.Connected(); }, 20000));
        QVERIFY(h.Window().tbtnConnect->isEnabled());
        QVERIFY(!h.Window().Session()->Controller());
        // The modem's word reached the memo, and the tool still hung up.
        QVERIFY(h.MemoHas(QStringLiteral("NO CARRIER")));
        QVERIFY(h.sim->bytesReceived().contains("ATH\r\n"));
        // The pages keep what they showed.
        QCOMPARE(h.Window().formCommon->etObjNum->text(), QStringLiteral("4321"));
    }

    void portGoneWhileConnectedEndsTheSession()
    {
        E2EHarness h;
        h.waitRegistration = false;
        h.Connect();
        QVERIFY(h.Connected());
        h.sim->stop(); // the adapter is pulled
        PollNow(h);
        QVERIFY(E2EHarness::WaitFor([&] { return !h.Connected(); }, 30000));
        QVERIFY(h.Window().tbtnConnect->isEnabled());
        QVERIFY(!h.Window().Session()->Controller());
        QVERIFY(h.MemoHas(QStringLiteral("Ошибка при отключении: ")));
    }
};

QTEST_MAIN(LineFaultsTest)
#include "line_faults_qtest.moc"
