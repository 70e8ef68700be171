// What the pages hand to the tracker is what the user sees: a number still
// being typed in the engineering grid, read values too long for their
// field, digits typed over a period field, and a mode the connected
// firmware does not have. Each against the simulated tracker.
#include <QtTest>

#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>

#include "PagesHelpers.h"
#include "pages/fCommon.h"
#include "pages/fEvents.h"
#include "pages/fGPRS.h"
#include "pages/fPhones.h"
#include "platform/IniFile.h"

using namespace pages_e2e;

namespace
{

// Opens the cell editor of a phone slot as a double click would and types
// into it; the editor stays open.
QLineEdit *TypeIntoCell(TformPhones &p, int slot, const QString &text)
{
    // The row that shows the slot's number.
    int row = 0;
    while (row < p.SG1->rowCount() &&
           !(p.SG1->item(row, 0) && p.SG1->item(row, 0)->text() == QString::number(slot + 1)))
        ++row;
    QTableWidgetItem *item = p.SG1->item(row, 1);
    if (!item)
        return nullptr;
    p.SG1->setCurrentItem(item);
    p.SG1->editItem(item);
    auto *editor = qobject_cast<QLineEdit *>(p.SG1->cellWidget(row, 1));
    if (editor)
        QTest::keyClicks(editor, text);
    return editor;
}

// Gives the field the keyboard with its text selected, as tabbing into it
// does on the desktop most installers use.
void TabInto(QLineEdit *field)
{
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
    QCoreApplication::processEvents();
}

bool Sent(E2EHarness &h, const QByteArray &line)
{
    return h.sim->trackerCommands().contains(line);
}

// Connects and returns once the steps after connecting are done, with the
// keep-alive polls off so the wire log holds only the pages' lines.
bool ConnectQuiet(E2EHarness &h, BusyWatch &busy)
{
    h.waitRegistration = false;
    busy.Install(h);
    h.Connect();
    if (!h.Connected() || !busy.WaitReady())
        return false;
    h.Window().Session()->Controller()->PollSuspended = true;
    return true;
}

} // namespace

class PageValuesTest : public QObject
{
    Q_OBJECT

  private slots:
    void numberStillBeingTypedIsCommittedFirst()
    {
        E2EHarness h;
        TformMain &w = h.Window();
        BusyWatch busy;
        QVERIFY(ConnectQuiet(h, busy));
        TformPhones &p = *w.formPhones;
        w.ShowPage(&p);
        p.cbPhones->setChecked(true);

        // ---- toolbar Write with the editor of the first number open
        QPointer<QLineEdit> editor = TypeIntoCell(p, 0, QStringLiteral("89001234567"));
        QVERIFY(editor);
        QCOMPARE(p.Number(0), QString()); // not in the cell yet
        h.sim->clearWireLog();
        QVERIFY(RunCommand(h, busy, w.tbtnWrite));
        const QList<QByteArray> sent = h.sim->trackerCommands();
        QCOMPARE(sent.value(0), QByteArray("+enaing00"));
        QCOMPARE(sent.value(1), QByteArray("+ing089001234567"));
        QCOMPARE(h.sim->setting("enaing"), QByteArray("00"));
        QCOMPARE(h.sim->setting("ing0"), QByteArray("89001234567"));
        QCOMPARE(p.Number(0), QString("89001234567"));
        QVERIFY(!editor || !editor->isVisible()); // the editor is closed

        // ---- "Сохранить" with the editor of the second number open
        QVERIFY(TypeIntoCell(p, 1, QStringLiteral("89007654321")));
        const QString file = QDir(h.dir.path()).filePath(QStringLiteral("saved.ini"));
        w.FileDialogHook = [&](const TformMain::TFileDialogRequest &) { return file; };
        w.mnuSave->trigger();
        QCOMPARE(TIniFile(file).ReadString("EnPhones", "EnPhone2", "?"), QString("89007654321"));

        // ---- closing the window with the editor of the third number open
        QVERIFY(TypeIntoCell(p, 2, QStringLiteral("89005550000")));
        h.window.reset();
        const TIniFile current(QDir(h.dir.path()).filePath(QStringLiteral("current.ini")));
        QCOMPARE(current.ReadString("EnPhones", "EnPhone1", "?"), QString("89001234567"));
        QCOMPARE(current.ReadString("EnPhones", "EnPhone2", "?"), QString("89007654321"));
        QCOMPARE(current.ReadString("EnPhones", "EnPhone3", "?"), QString("89005550000"));
    }

    void readValueThatDoesNotFitIsAFailedRead()
    {
        const QByteArray host = "tracker-07.fleet.example.r";
        QCOMPARE(host.size(), 26);
        E2EHarness h;
        h.sim->setSetting("IPadr", host);
        h.sim->setSetting("object", "12345");
        TformMain &w = h.Window();
        BusyWatch busy;
        QVERIFY(ConnectQuiet(h, busy));

        TformCommon &cm = *w.formCommon;
        TformGPRS &g = *w.formGPRS;
        QVERIFY(ReadPage(h, busy, &cm));
        QVERIFY(ReadPage(h, busy, &g));
        // Five digits are no object number the page can show: red, named in
        // the memo, nothing cut into the field.
        QCOMPARE(LabelColour(cm.lbetObjNum), QString("red"));
        QVERIFY(cm.etObjNum->text() != QString("1234"));
        const QStringList lines = h.MemoLines().filter("\"12345\"");
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains("Номер объекта"), qPrintable(lines[0]));
        // The field for the server takes a host name as long as the tracker keeps.
        QCOMPARE(g.etIp->text(), QString::fromLatin1(host));
        QCOMPARE(LabelColour(g.lbetIp), QString("blue"));

        // Writing the pages back changes neither value on the tracker.
        h.sim->clearWireLog();
        QVERIFY(WritePage(h, busy, &cm));
        QVERIFY(WritePage(h, busy, &g));
        QVERIFY2(Sent(h, "+IPadr" + host), h.sim->trackerCommands().join(' ').constData());
        QCOMPARE(h.sim->setting("object"), QByteArray("12345"));
        QCOMPARE(h.sim->setting("IPadr"), host);

        w.tbtnDisconnect->trigger();
        QVERIFY(!h.Connected());
    }

    void digitsTypedOverAPeriodFieldAreWhatItHolds()
    {
        E2EHarness h;
        h.sim->setSetting("gprsena", "FF");   // off: the on-line time can be set
        h.sim->setSetting("flagact", "0004"); // mode 5
        h.sim->setSetting("dontsleep", "FF"); // asleep: the GPRS period can be set
        TformMain &w = h.Window();
        BusyWatch busy;
        QVERIFY(ConnectQuiet(h, busy));
        TformEvents &p = *w.formEvents;
        w.ShowPage(&p);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(p.RadioButton5->isChecked() && p.btnDontsleepFF->isChecked());
        QVERIFY(p.etPeriodgsmM->isEnabled() && p.meGPRSTime->isEnabled());

        const struct {
            QLineEdit *field;
            const char *typed, *midway, *shown;
        } typing[] = {
            {p.etPeriodgsmM, "30", "3", "30"},
            {p.etPeriodgsmH, "12", "1", "12"},
            {p.meGPRSTime, "600", "60", "0600"}, // completed when the field is left
        };
        for (const auto &t : typing) {
            TabInto(t.field);
            QCOMPARE(t.field->selectedText(), t.field->text());
            const QString typed = QString::fromLatin1(t.typed);
            QTest::keyClicks(t.field, typed.left(typed.size() - 1));
            QCOMPARE(t.field->text(), QString::fromLatin1(t.midway));
            QTest::keyClicks(t.field, typed.right(1));
            TabInto(p.etPeriodgpsM);
            QCOMPARE(t.field->text(), QString::fromLatin1(t.shown));
        }
        QCOMPARE(p.etPeriodgsmS->text(), QString("00"));

        h.sim->clearWireLog();
        QVERIFY(WritePage(h, busy, &p));
        QVERIFY2(Sent(h, "+periodgsm02EE"), h.sim->trackerCommands().join(' ').constData());
        QVERIFY(Sent(h, "+activegsm8CA0")); // 600 minutes in seconds
        QCOMPARE(h.sim->setting("periodgsm"), QByteArray("02EE"));
        QCOMPARE(h.sim->setting("activegsm"), QByteArray("8CA0"));

        // ---- a disabled label keeps its greyed look through a read
        h.sim->setSetting("flagact", "0000"); // mode 1: every period control disabled
        h.messages.clear();
        QVERIFY(RunCommand(h, busy, w.tbtnReadAll, 60000));
        QCOMPARE(h.messages, QStringList({"Чтение настроек завершено"}));
        QVERIFY(p.RadioButton1->isChecked());
        for (QLabel *l : {p.lbetPeriodgsm, p.lbetPeriodgps, p.lbGPRSTime}) {
            QVERIFY2(!l->isEnabled(), qPrintable(l->objectName()));
            // Marked blue, shown grey while disabled.
            QCOMPARE(l->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::blue));
            QCOMPARE(l->palette().color(QPalette::Disabled, QPalette::WindowText),
                     QApplication::palette(l).color(QPalette::Disabled, QPalette::WindowText));
        }

        w.tbtnDisconnect->trigger();
        QVERIFY(!h.Connected());
    }

    void modeFiveFallsBackToModeOneOnOlderFirmware()
    {
        E2EHarness h;
        h.sim->setVersion("REV 07.600.058");
        h.sim->setSetting("flagact", "0004"); // mode 5
        h.sim->setSetting("dontsleep", "0F");
        TformMain &w = h.Window();
        {
            BusyWatch busy;
            QVERIFY(ConnectQuiet(h, busy));
        }
        TformEvents &p = *w.formEvents;
        QVERIFY(p.RadioButton5->isChecked());
        w.tbtnDisconnect->trigger();
        QVERIFY(!h.Connected());

        // The next tracker has no mode 5.
        h.sim->setVersion("REV 07.600.050");
        BusyWatch busy;
        QVERIFY(ConnectQuiet(h, busy));
        QVERIFY(p.RadioButton5->isHidden());
        QVERIFY(p.RadioButton1->isChecked());
        QCOMPARE(p.SelectedMode(), 1);

        h.sim->clearWireLog();
        QVERIFY(WritePage(h, busy, &p));
        QVERIFY2(Sent(h, "+flagact0000"), h.sim->trackerCommands().join(' ').constData());
        QCOMPARE(h.sim->setting("flagact"), QByteArray("0000"));

        w.tbtnDisconnect->trigger();
        QVERIFY(!h.Connected());
    }
};

QTEST_MAIN(PageValuesTest)
#include "page_values_qtest.moc"
