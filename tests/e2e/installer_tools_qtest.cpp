// The installer's tools against the simulated tracker: compare with the
// tracker and write only the differences, one settings file to a fleet of
// numbers, and the command console.
#include <QtTest>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>

#include "PagesHelpers.h"
#include "link/ModemWorker.h"
#include "pages/fCommon.h"
#include "pages/fEvents.h"
#include "pages/fGPRS.h"
#include "platform/Cp1251.h"
#include "platform/IniFile.h"
#include "tools/CompareDlg.h"
#include "tools/ConsoleDlg.h"
#include "tools/FleetDlg.h"
#include "tools/InstallerTools.h"

using namespace pages_e2e;

namespace
{

// An "ERROR" at the first poll of three tries in a row ends a session; real
// trackers answer after a moment.
void AnswerAfterAMoment(t3sim::Simulator &sim)
{
    t3sim::TrackerConfig tc = sim.trackerConfig();
    tc.replyDelayMs = 20;
    sim.setTrackerConfig(tc);
}

void Screenshot(QWidget &w, const QString &name)
{
    const QString dir = qEnvironmentVariable("T3_SCREENSHOTS");
    if (dir.isEmpty())
        return;
    QTest::qWait(50);
    QVERIFY(w.grab().save(QDir(dir).filePath(name)));
}

// Rows of the compare table by their state column.
QStringList RowsWhere(TdlgCompare &dlg, const QString &state)
{
    QStringList out;
    for (int i = 0; i < dlg.Grid->rowCount(); ++i) {
        const QStringList t = dlg.RowTexts(i);
        if (t.last().startsWith(state))
            out << t[0] + "/" + t[1] + "/" + t[2] + "/" + t[3];
    }
    return out;
}

bool Connect(E2EHarness &h, BusyWatch &watch)
{
    watch.Install(h);
    h.Connect();
    return h.Connected() && watch.WaitReady();
}

} // namespace

class InstallerToolsTest : public QObject
{
    Q_OBJECT

  private slots:
    void compareShowsTheTwoChangedSettingsAndWritesOnlyThose()
    {
        E2EHarness h;
        AnswerAfterAMoment(*h.sim);
        BusyWatch watch;
        QVERIFY(Connect(h, watch));
        TformMain &w = h.Window();
        QVERIFY(RunCommand(h, watch, w.tbtnReadAll));
        QCOMPARE(w.formCommon->etObjNum->text(), QString("50"));

        // Two settings change on the tracker behind the pages' back.
        h.sim->setSetting("object", "0077");
        h.sim->setSetting("GAPN", "other.apn");

        bool ran = false;
        w.Tools()->execCompare = [&](TdlgCompare &dlg) {
            ran = true;
            QVERIFY(E2EHarness::WaitFor([&] { return !dlg.Busy(); }, 30000));
            QCOMPARE(RowsWhere(dlg, "отличается"),
                     (QStringList{"Общие/Номер объекта/50/77",
                                  "GPRS/Точка доступа GPRS/internet/other.apn"}));
            QVERIFY(RowsWhere(dlg, "не прочитано").isEmpty());
            QVERIFY(RowsWhere(dlg, "совпадает").size() > 20);
            QVERIFY(w.formCommon->etObjNum->text() == "50"); // the pages keep their values
            dlg.show();
            Screenshot(dlg, "compare-table.png");

            // Only the two lines go out, as the pages would write them.
            h.sim->clearWireLog();
            QVERIFY(dlg.btnWrite->isEnabled());
            dlg.btnWrite->click();
            QVERIFY(dlg.Busy());
            QVERIFY(E2EHarness::WaitFor([&] { return !dlg.Busy(); }, 30000));
            QCOMPARE(h.sim->trackerCommands(),
                     (QList<QByteArray>{"+object0050", "+GAPNinternet"}));
            QCOMPARE(h.sim->setting("object"), QByteArray("0050"));
            QCOMPARE(h.sim->setting("GAPN"), QByteArray("internet"));
            QCOMPARE(RowsWhere(dlg, "отличается, записано").size(), 2);
            QVERIFY(E2EHarness::WaitFor([&] { return w.OutArray()->Peek() == 0; }, 5000));
            QCOMPARE(LabelColour(w.formCommon->lbetObjNum), QString("blue"));

            // A refused read is never shown as equal; the tracker's values
            // can be taken onto the pages.
            t3sim::Faults f;
            f.errorCommands = {"latit"};
            h.sim->setFaults(f);
            h.sim->setSetting("longit", "0111");
            QVERIFY(dlg.StartCompare());
            QVERIFY(E2EHarness::WaitFor([&] { return !dlg.Busy(); }, 30000));
            h.sim->setFaults({});
            QCOMPARE(RowsWhere(dlg, "не прочитано"),
                     QStringList{"Общие/Смещение по широте (рекомендуется 230 соответствует "
                                 "приблизительно 50 метрам) Lat/230/не прочитано"});
            QCOMPARE(RowsWhere(dlg, "отличается").size(), 1);
            dlg.btnTake->click();
            QCOMPARE(w.formCommon->etLon->text(), QString("273"));
            QCOMPARE(w.formCommon->etLat->text(), QString("230")); // not read: kept
            QVERIFY(RowsWhere(dlg, "отличается").isEmpty());

            // Against a settings file: its values are written, the pages stay.
            const QString file = h.dir.filePath("cmp.ini");
            QVERIFY(w.SaveSettingsFile(file));
            {
                TIniFile ini(file);
                ini.WriteString("formCommon", "etObjNum", "0099");
                QVERIFY(ini.UpdateFile());
            }
            dlg.SetFile(file);
            QVERIFY(dlg.StartCompare());
            QVERIFY(E2EHarness::WaitFor([&] { return !dlg.Busy(); }, 30000));
            QCOMPARE(dlg.Grid->horizontalHeaderItem(2)->text(), QString("В файле"));
            QCOMPARE(RowsWhere(dlg, "отличается"), QStringList{"Общие/Номер объекта/0099/50"});
            h.sim->clearWireLog();
            QVERIFY(dlg.StartWriteDifferences());
            QVERIFY(E2EHarness::WaitFor([&] { return !dlg.Busy(); }, 30000));
            QCOMPARE(h.sim->trackerCommands(), QList<QByteArray>{"+object0099"});
            QCOMPARE(w.formCommon->etObjNum->text(), QString("50"));
            dlg.reject();
        };
        w.Tools()->mnuCompare->trigger();
        QVERIFY(ran);
        QVERIFY(h.Connected());
    }

    void aFleetWithABusyNumberAndADroppedCallGivesTheRightReport()
    {
        E2EHarness h;
        AnswerAfterAMoment(*h.sim);
        h.sim->addTracker("111");
        h.sim->addTracker("333");
        h.sim->setDialResult("222", t3sim::DialResult::Busy);
        t3sim::Faults drop;
        drop.carrierLostAfter = 6; // connect reads four, the Common page is being written
        h.sim->setFaults("333", drop);

        TformMain &w = h.Window();
        w.formCommon->etObjNum->setText("0123");
        w.formGPRS->etAccessPoint->setText("fleet.apn");
        // A mode that needs 600.58: the file keeps it though no tracker is
        // connected when it is loaded.
        w.formEvents->RadioButton5->setChecked(true);
        const QString file = h.dir.filePath("fleet.ini");
        QVERIFY(w.SaveSettingsFile(file));
        w.formCommon->etObjNum->setText("0050"); // the file, not the pages, is written

        bool ran = false;
        w.Tools()->execFleet = [&](TdlgFleet &dlg) {
            ran = true;
            QStringList errors;
            dlg.ShowError = [&](const QString &t) { errors << t; };
            dlg.SetSettingsFile(file);
            dlg.ComPorts->setEditText(h.sim->portPath() + ":");
            dlg.cbRegWait->setChecked(true);

            dlg.meNumbers->setPlainText("111\n22x2\n");
            QVERIFY(!dlg.Start());
            QVERIFY(errors.value(0).contains("Строка 2"));
            QCOMPARE(h.sim->sessions(), 0); // nothing dialled

            dlg.meNumbers->setPlainText("111\n222\n333\n");
            QVERIFY(dlg.Start());
            QVERIFY(E2EHarness::WaitFor([&] { return !dlg.Running() && !dlg.Results().isEmpty(); },
                                        120000));
            const QList<TFleetResult> r = dlg.Results();
            QCOMPARE(r.size(), 3);
            QCOMPARE(r[0].outcome, TFleetResult::Verified);
            QCOMPARE(r[0].version, QString("REV 07.600.070"));
            QCOMPARE(r[1].outcome, TFleetResult::Failed);
            QCOMPARE(r[1].reason, TModemException::Busy);
            QCOMPARE(r[2].outcome, TFleetResult::Failed);
            QCOMPARE(r[2].version, QString("REV 07.600.070"));
            QCOMPARE(r[2].reason, "при записи страницы «Общие»: " + TModemException::NoCarrier);
            QVERIFY(!h.sim->callUp());

            QFile csv(dlg.CsvPath());
            QVERIFY(csv.open(QIODevice::ReadOnly));
            QCOMPARE(cp1251::toUnicode(csv.readAll()),
                     "Номер;Версия прошивки;Результат\r\n"
                     "111;REV 07.600.070;записано и проверено\r\n"
                     "222;;ошибка: " + TModemException::Busy + "\r\n"
                     "333;REV 07.600.070;ошибка: при записи страницы «Общие»: " +
                         TModemException::NoCarrier + "\r\n");
            Screenshot(dlg, "fleet-report.png");
            dlg.reject();
        };
        w.Tools()->mnuFleet->trigger();
        QVERIFY(ran);
        QCOMPARE(h.sim->setting("111", "object"), QByteArray("0123"));
        QCOMPARE(h.sim->setting("111", "GAPN"), QByteArray("fleet.apn"));
        QCOMPARE(h.sim->setting("111", "flagact").mid(2), QByteArray("04")); // mode 5
        QCOMPARE(h.sim->setting("333", "object"), QByteArray("0123"));
        QCOMPARE(h.sim->setting("333", "GAPN"), QByteArray("internet")); // never reached
        QCOMPARE(h.sim->setting("object"), QByteArray("0050"));
        QCOMPARE(w.formCommon->etObjNum->text(), QString("0050"));
        QVERIFY(h.MemoHas("Ошибка при подключении: " + TModemException::Busy));
    }

    void aFleetRunRefusesBadInputWritesNoUnsupportedTrackerAndCancelsWithTheCallDown()
    {
        E2EHarness h;
        AnswerAfterAMoment(*h.sim);
        h.sim->addTracker("444");
        h.sim->setVersion("444", "REV 07.601.070"); // a shell the pages do not know
        h.sim->addTracker("555");
        h.sim->addTracker("666");
        TformMain &w = h.Window();
        const QString file = h.dir.filePath("fleet.ini");
        QVERIFY(w.SaveSettingsFile(file));

        bool ran = false;
        w.Tools()->execFleet = [&](TdlgFleet &dlg) {
            ran = true;
            QStringList errors;
            dlg.ShowError = [&](const QString &t) { errors << t; };
            dlg.ComPorts->setEditText(h.sim->portPath() + ":");
            dlg.meNumbers->setPlainText("444\n555\n666\n");
            dlg.SetSettingsFile(h.dir.filePath("missing.ini"));
            QVERIFY(!dlg.Start());
            QVERIFY(errors.value(0).contains("Ни один номер не набран"));
            dlg.meNumbers->setPlainText(" \n");
            dlg.SetSettingsFile(file);
            QVERIFY(!dlg.Start());
            QVERIFY(errors.value(1).contains("Список номеров пуст"));
            QCOMPARE(h.sim->sessions(), 0);

            dlg.meNumbers->setPlainText("444\n555\n666\n");
            QVERIFY(dlg.Start());
            // Cancelled while the second tracker is being written.
            QVERIFY(E2EHarness::WaitFor(
                [&] { return dlg.lbNumber->text() == "555" && dlg.lbStep->text().startsWith("Запись"); },
                60000));
            dlg.btnCancel->click();
            QVERIFY(E2EHarness::WaitFor([&] { return !dlg.Running(); }, 60000));
            const QList<TFleetResult> r = dlg.Results();
            QCOMPARE(r.size(), 2);
            QCOMPARE(r[0].outcome, TFleetResult::Failed);
            QCOMPARE(r[0].version, QString("REV 07.601.070"));
            QVERIFY(r[0].reason.contains("не поддерживается"));
            QCOMPARE(r[1].reason, QString("отменено"));
            QVERIFY(dlg.lbReport->text().contains("не обработано (отменено): 1"));
            dlg.reject();
        };
        w.Tools()->mnuFleet->trigger();
        QVERIFY(ran);
        QVERIFY(!h.sim->callUp());
        QCOMPARE(h.sim->calls(), 2); // the third number never dialled
        QVERIFY(h.sim->linesReceived().contains("ATH"));
        const QList<QByteArray> unsupported = h.sim->trackerCommands("444");
        for (const QByteArray &line : unsupported)
            QVERIFY2(!line.startsWith("+object") && !line.startsWith("+GAPN"), line.constData());
        QVERIFY(h.sim->trackerCommands("666").isEmpty());
    }

    void consoleSendsOneCommandAndShowsTheReply()
    {
        E2EHarness h;
        AnswerAfterAMoment(*h.sim);
        BusyWatch watch;
        QVERIFY(Connect(h, watch));
        TformMain &w = h.Window();
        bool ran = false;
        w.Tools()->execConsole = [&](TdlgConsole &dlg) {
            ran = true;
            h.sim->clearWireLog();
            dlg.etCommand->setText("obj\tect");
            QVERIFY(!dlg.Send());
            QVERIFY(dlg.lbState->text().contains("управляющий"));
            QVERIFY(h.sim->trackerCommands().isEmpty());

            dlg.etCommand->setText("object");
            QVERIFY(dlg.Send());
            QVERIFY(!dlg.Send()); // one at a time
            QVERIFY(E2EHarness::WaitFor([&] { return !dlg.Busy(); }, 15000));
            QCOMPARE(h.sim->trackerCommands(), QList<QByteArray>{"+object"});
            QVERIFY(dlg.meReply->toPlainText().contains("object>0050"));
            QCOMPARE(dlg.lbHistory->count(), 1);
            QVERIFY(dlg.lbHistory->item(0)->text().startsWith("+object"));
            QVERIFY(h.MemoHas("#Modem<-: +object"));
            dlg.show();
            Screenshot(dlg, "console.png");
            dlg.reject();
        };
        w.Tools()->mnuConsole->trigger();
        QVERIFY(ran);

        // Never beside a page command.
        w.Tools()->execConsole = [&](TdlgConsole &dlg) {
            QCOMPARE(dlg.lbHistory->count(), 1); // the session's history
            w.tbtnReadAll->trigger();
            dlg.etCommand->setText("object");
            QVERIFY(!dlg.Send());
            QVERIFY(dlg.lbState->text().contains("занято"));
        };
        w.Tools()->mnuConsole->trigger();
        QVERIFY(E2EHarness::WaitFor([&] { return WorkerIdle(h); }, 30000));
    }
};

QTEST_MAIN(InstallerToolsTest)
#include "installer_tools_qtest.moc"
