// The Common, GPRS, Flags and Engineering numbers pages against the simulated
// tracker: reads, writes, refusals, a lost link, settings files and the
// accessible names. One session per test function, several checks each,
// since a connect and a disconnect cost seconds each.
#include <QtTest>

#include <QDir>
#include <QLineEdit>
#include <QRadioButton>

#include "PagesHelpers.h"
#include "link/ModemWorker.h"
#include "pages/fCommon.h"
#include "pages/fFlags.h"
#include "pages/fGPRS.h"
#include "pages/fPhones.h"
#include "platform/IniFile.h"
#include "session/OutElements.h"

using namespace pages_e2e;

namespace
{

QByteArray Number(int slot)
{
    return "8916000000" + QByteArray::number(slot);
}

// Everything a user can see or set on the four pages, as text, so two
// states compare in one go and a difference names its control.
QStringList PageState(TformMain &w)
{
    QStringList out;
    for (TformIncl *page :
         {static_cast<TformIncl *>(w.formCommon), static_cast<TformIncl *>(w.formGPRS),
          static_cast<TformIncl *>(w.formPhones)}) {
        for (QWidget *c : page->Controls()) {
            QString value;
            if (auto *e = qobject_cast<QLineEdit *>(c))
                value = e->text();
            else if (auto *b = qobject_cast<QAbstractButton *>(c))
                value = b->isChecked() ? "on" : "off";
            else if (auto *l = qobject_cast<QComboBox *>(c))
                value = QString::number(l->currentIndex());
            else
                continue;
            out << page->PageName() + "." + c->objectName() + "=" + value;
        }
    }
    for (int slot = 0; slot < TformPhones::kNumbers; ++slot)
        out << QString("SG1.%1=%2").arg(slot).arg(w.formPhones->Number(slot));
    out << QString("PointsInterval=%1").arg(w.formCommon->PointsIntervalShown());
    return out;
}

// Label colours of the four pages by "page.label".
QMap<QString, QString> Colours(TformMain &w)
{
    QMap<QString, QString> out;
    for (TformIncl *page :
         {static_cast<TformIncl *>(w.formCommon), static_cast<TformIncl *>(w.formGPRS),
          static_cast<TformIncl *>(w.formFlags), static_cast<TformIncl *>(w.formPhones)})
        for (QLabel *l : PageLabels(page))
            out.insert(page->PageName() + "." + l->objectName(), LabelColour(l));
    return out;
}

// Every label blue except those named.
QMap<QString, QString> Expected(TformMain &w, const QMap<QString, QString> &exceptions)
{
    QMap<QString, QString> out = Colours(w);
    for (auto it = out.begin(); it != out.end(); ++it)
        it.value() = exceptions.value(it.key(), "blue");
    return out;
}

// Real trackers answer after a moment. One that answers at once has its
// "ERROR" at the first poll of each try, and three such tries in a row end
// the session as too many modem errors.
void AnswerAfterAMoment(E2EHarness &h)
{
    t3sim::TrackerConfig tc = h.sim->trackerConfig();
    tc.replyDelayMs = 20;
    h.sim->setTrackerConfig(tc);
}

QString Rgb(const TShape *s)
{
    return s->brushColor().name();
}

// Optional screenshots of the window with a page in front, for looking at
// the layout: T3_SCREENSHOTS=<dir>.
void Screenshot(TformMain &w, TformIncl *page, const QString &name)
{
    const QString dir = qEnvironmentVariable("T3_SCREENSHOTS");
    if (dir.isEmpty())
        return;
    w.ShowPage(page);
    QTest::qWait(50);
    QVERIFY(w.grab().save(QDir(dir).filePath(name)));
}

} // namespace

class SettingsPagesTest : public QObject
{
    Q_OBJECT

  private slots:
    void readFillsEveryControlAndWriteStoresThePageValues()
    {
        E2EHarness h;
        const QMap<QByteArray, QByteArray> stored = {
            {"object", "0123"},    {"latit", "0100"},        {"longit", "0200"},
            {"timefix", "0A"},     {"turn", "00"},           {"fixtrid", "00"},
            {"gprsena", "00"},     {"gphone", "*98#"},       {"GAPN", "apn.example"},
            {"gprsname", "user1"}, {"gprspswd", "secretpw"}, {"IPadr", "10.1.2.3"},
            {"IPport", "4321"},    {"servpswd", "Pass1234"}, {"timegpres", "0F"},
            {"MFLAG", "100A"},     {"enaing", "00"},         {"disp", "1E"},
        };
        for (auto it = stored.begin(); it != stored.end(); ++it)
            h.sim->setSetting(it.key(), it.value());
        for (int slot = 0; slot < 10; ++slot)
            h.sim->setSetting("ing" + QByteArray::number(slot), Number(slot));

        AnswerAfterAMoment(h);
        TformMain &w = h.Window();
        w.formCommon->SetPointsIntervalShown(true);
        BusyWatch busy;
        busy.Install(h);
        h.Connect();
        QVERIFY(h.Connected());
        w.Session()->Controller()->PollSuspended = true;

        // ---- read, page by page
        h.sim->clearWireLog();
        for (TformIncl *page :
             {static_cast<TformIncl *>(w.formCommon), static_cast<TformIncl *>(w.formGPRS),
              static_cast<TformIncl *>(w.formFlags), static_cast<TformIncl *>(w.formPhones)})
            QVERIFY2(ReadPage(h, busy, page), qPrintable(page->PageName()));
        QVERIFY2(h.sim->trackerCommands().size() == 6 + 9 + 1 + 12,
                 h.sim->trackerCommands().join(' ').constData());

        QCOMPARE(w.formCommon->etObjNum->text(), QString("123"));
        QCOMPARE(w.formCommon->etLat->text(), QString("256"));
        QCOMPARE(w.formCommon->etLon->text(), QString("512"));
        QCOMPARE(w.formCommon->etPI->text(), QString("10"));
        QVERIFY(w.formCommon->cbSgl->isChecked());
        QVERIFY(w.formCommon->cbFixtrid->isChecked() && !w.formCommon->cbFixtrid->isHidden());

        TformGPRS &g = *w.formGPRS;
        QVERIFY(g.cbGPRS->isChecked());
        QCOMPARE(g.etGPRSphone->text(), QString("*98#"));
        QCOMPARE(g.etAccessPoint->text(), QString("apn.example"));
        QCOMPARE(g.etLoginGPRS->text(), QString("user1"));
        QCOMPARE(g.etPswdGPRS->text(), QString("secretpw"));
        QCOMPARE(g.etIp->text(), QString("10.1.2.3"));
        QCOMPARE(g.etPort->text(), QString("4321"));
        QCOMPARE(g.etPswd->text(), QString("Pass1234"));
        QCOMPARE(g.cbMRst->currentText(), QString("15 минут"));

        TformFlags &f = *w.formFlags;
        QCOMPARE(QStringList({Rgb(f.shs1), Rgb(f.shv1), Rgb(f.shs2), Rgb(f.shv2), Rgb(f.sh)}),
                 QStringList({"#ffffff", "#00ff00", "#ffffff", "#00ff00", "#ff0000"}));
        QVERIFY(f.BatteryColumnShown());

        TformPhones &p = *w.formPhones;
        QVERIFY(p.cbPhones->isChecked());
        for (int slot = 0; slot < 10; ++slot)
            QCOMPARE(p.Number(slot), QString::fromLatin1(Number(slot)));
        QVERIFY(p.rbDispOnTime->isChecked());
        QCOMPARE(p.etTime->text(), QString("30"));
        QVERIFY(p.etTime->isEnabled());

        QCOMPARE(Colours(w), Expected(w, {{"formFlags.lbbtnRST", "plain"}}));
        QVERIFY2(!h.MemoHas("Поле") && !h.MemoHas("не прочитан"),
                 qPrintable(w.Memo1->toPlainText()));

        Screenshot(w, w.formCommon, "pages-common.png");
        Screenshot(w, w.formGPRS, "pages-gprs.png");
        Screenshot(w, w.formFlags, "pages-flags.png");
        Screenshot(w, w.formPhones, "pages-phones.png");

        // ---- write all: the pages' values, in page order
        w.formCommon->etObjNum->setText("50");
        w.formCommon->etLat->setText("230");
        w.formCommon->etLon->setText("300");
        w.formCommon->etPI->setText("7");
        w.formCommon->cbSgl->setChecked(false);
        w.formCommon->cbFixtrid->setChecked(false);
        g.cbGPRS->setChecked(false);
        g.etGPRSphone->setText("*99#");
        g.etAccessPoint->setText("internet.example");
        g.etLoginGPRS->setText("driver");
        g.etPswdGPRS->setText("qwertyui");
        g.etIp->setText("192.0.2.77");
        g.etPort->setText("3056");
        g.etPswd->setText("Xy12Zw34");
        g.cbMRst->setCurrentIndex(10);
        p.SetNumber(0, QString());
        for (int slot = 1; slot < 10; ++slot)
            p.SetNumber(slot, "8926" + QString::number(slot));
        p.rbDispOnTime->setChecked(true);
        p.etTime->setText("30");

        h.sim->clearWireLog();
        h.messages.clear();
        QVERIFY(RunCommand(h, busy, w.tbtnWriteAll));
        QCOMPARE(h.messages, QStringList({"Запись настроек завершена"}));
        const QList<QByteArray> sent = h.sim->trackerCommands();
        QVERIFY(sent.size() > 27);
        QCOMPARE(sent.mid(0, 6), QList<QByteArray>({"+object0050", "+latit00E6", "+longit012C",
                                                    "+timefix07", "+turnFF", "+fixtridFF"}));
        QCOMPARE(sent.mid(6, 9),
                 QList<QByteArray>({"+gprsenaFF", "+gphone*99#", "+GAPNinternet.example",
                                    "+gprsnamedriver", "+gprspswdqwertyui", "+IPadr192.0.2.77",
                                    "+IPport3056", "+servpswdXy12Zw34", "+timegpres14"}));
        QList<QByteArray> phones = {"+enaing00", "+ing0 "};
        for (int slot = 1; slot < 10; ++slot)
            phones << "+ing" + QByteArray::number(slot) + "8926" + QByteArray::number(slot);
        phones << "+disp1E";
        QCOMPARE(sent.mid(sent.size() - 12), phones);
        // Flags and History have nothing to write.
        QVERIFY(!sent.contains("+MFLAG"));

        const QMap<QByteArray, QByteArray> written = {
            {"object", "0050"},
            {"latit", "00E6"},
            {"longit", "012C"},
            {"timefix", "07"},
            {"turn", "FF"},
            {"fixtrid", "FF"},
            {"gprsena", "FF"},
            {"gphone", "*99#"},
            {"GAPN", "internet.example"},
            {"gprsname", "driver"},
            {"gprspswd", "qwertyui"},
            {"IPadr", "192.0.2.77"},
            {"IPport", "3056"},
            {"servpswd", "Xy12Zw34"},
            {"timegpres", "14"},
            {"enaing", "00"},
            {"ing0", " "},
            {"disp", "1E"},
        };
        for (auto it = written.begin(); it != written.end(); ++it)
            QCOMPARE(h.sim->setting(it.key()), it.value());
        for (int slot = 1; slot < 10; ++slot)
            QCOMPARE(h.sim->setting("ing" + QByteArray::number(slot)),
                     "8926" + QByteArray::number(slot));
        QCOMPARE(Colours(w), Expected(w, {{"formFlags.lbbtnRST", "plain"},
                                          {"formFlags.Label1", "plain"},
                                          {"formFlags.Label2", "plain"}}));

        // ---- a three-digit dispatcher time goes out as three digits; this
        // tracker keeps one byte and says so
        p.etTime->setText("300");
        h.sim->clearWireLog();
        QVERIFY(WritePage(h, busy, w.formPhones));
        QCOMPARE(h.sim->trackerCommands().last(), QByteArray("+disp12C"));
        QCOMPARE(h.sim->setting("disp"), QByteArray("1E"));
        QVERIFY(h.MemoHas("Диспетчерская связь: значение не записано"));
        QVERIFY(h.Connected());

        w.tbtnDisconnect->trigger();
        QVERIFY(!h.Connected());
    }

    void errorsRefusalsAndServerNameWarning()
    {
        E2EHarness h;
        h.sim->setPanelType("0030"); // a modem without server names
        h.sim->setSetting("ing3", "89160000003");
        h.sim->setSetting("MFLAG", "0005");
        AnswerAfterAMoment(h);

        TformMain &w = h.Window();
        BusyWatch busy;
        busy.Install(h);
        h.Connect();
        QVERIFY(h.Connected());
        TController *c = w.Session()->Controller();
        QVERIFY(!c->ServerNameSupported);
        c->PollSuspended = true;

        // ---- read all with one command of each page answered "ERROR"
        t3sim::Faults faults;
        faults.errorCommands = {"latit", "IPport", "MFLAG", "enaing", "ing3"};
        h.sim->setFaults(faults);
        QVERIFY(RunCommand(h, busy, w.tbtnReadAll, 60000));
        QVERIFY(h.Connected());
        QCOMPARE(h.messages, QStringList({"Чтение настроек завершено"}));
        QCOMPARE(Colours(w), Expected(w, {{"formCommon.lbetLat", "red"},
                                          {"formCommon.lbPI", "plain"}, // row hidden
                                          {"formGPRS.lbetPort", "red"},
                                          {"formFlags.Label1", "red"},
                                          {"formFlags.Label2", "red"},
                                          {"formFlags.lbbtnRST", "plain"},
                                          {"formPhones.lbPhones", "red"},
                                          {"formPhones.Label1", "red"}}));
        // Failed reads leave what the read began with; an "ERROR" never
        // becomes a value.
        QCOMPARE(w.formCommon->etLat->text(), QString());
        QCOMPARE(w.formGPRS->etPort->text(), QString());
        QCOMPARE(w.formPhones->Number(3), QString());
        QVERIFY(h.MemoHas("Инженерный номер 4: не прочитан"));
        QCOMPARE(Rgb(w.formFlags->shs1), QString("#ffffff"));    // MFLAG failed: nothing lit
        QVERIFY(!h.sim->trackerCommands().contains("+timefix")); // points interval hidden

        // ---- GPRS write: a host name is refused with the warning, the rest goes on
        h.sim->setFaults({});
        QStringList warnings;
        const TformGPRS::WarningFn savedHook = TformGPRS::WarningHook;
        TformGPRS::WarningHook = [&](QWidget *, const QString &title, const QString &text) {
            warnings << title << text;
        };
        TformGPRS &g = *w.formGPRS;
        g.etPort->setText("3057");
        g.etIp->setText("gps.example.ru");
        h.sim->clearWireLog();
        QVERIFY(WritePage(h, busy, w.formGPRS));
        QCOMPARE(warnings,
                 QStringList({"Предупреждение",
                              "Ваш модем не поддерживает имя сервера в виде gps.example.ru"
                              "\r\nЗначение не было записано!!!"}));
        const QList<QByteArray> gprsSent = h.sim->trackerCommands();
        QCOMPARE(gprsSent.size(), 8);
        for (const QByteArray &line : gprsSent)
            QVERIFY2(!line.startsWith("+IPadr"), line.constData());
        QCOMPARE(h.sim->setting("IPadr"), QByteArray("192.0.2.10"));
        QCOMPARE(h.sim->setting("IPport"), QByteArray("3057"));
        QCOMPARE(LabelColour(g.lbetIp), QString("red"));
        for (QLabel *l : {g.lbcb, g.lbetAccessPoint, g.lbetPort, g.lbetPswd, g.lbMRst})
            QCOMPARE(LabelColour(l), QString("blue"));

        // ...while a dotted address goes out without a question.
        g.etIp->setText("192.0.2.99");
        QVERIFY(WritePage(h, busy, w.formGPRS));
        TformGPRS::WarningHook = savedHook;
        QCOMPARE(warnings.size(), 2);
        QCOMPARE(h.sim->setting("IPadr"), QByteArray("192.0.2.99"));

        // ---- Common write: letters in the object number are refused, the rest is written
        TformCommon &cm = *w.formCommon;
        cm.etObjNum->setText("12ab");
        cm.etLat->setText("231");
        h.sim->clearWireLog();
        QVERIFY(WritePage(h, busy, w.formCommon));
        QVERIFY(h.Connected());
        QCOMPARE(h.sim->trackerCommands(),
                 QList<QByteArray>({"+latit00E7", "+longit012C", "+turnFF", "+fixtrid00"}));
        QCOMPARE(h.sim->setting("object"), QByteArray("0050"));
        QCOMPARE(h.sim->setting("latit"), QByteArray("00E7"));
        const QStringList refused = h.MemoLines().filter("12ab");
        QCOMPARE(refused.size(), 1);
        QVERIFY2(refused[0].contains("Номер объекта") && refused[0].contains("\"12ab\""),
                 qPrintable(refused[0]));
        QCOMPARE(LabelColour(cm.lbetObjNum), QString("red"));
        for (QLabel *l : {cm.lbetLat, cm.lbetLon, cm.lbSgl, cm.lbFixTrid})
            QCOMPARE(LabelColour(l), QString("blue"));

        w.tbtnDisconnect->trigger();
        QVERIFY(!h.Connected());
    }

    void linkLostInTheMiddleOfAPage()
    {
        E2EHarness h;
        TformMain &w = h.Window();
        BusyWatch busy;
        busy.Install(h);
        h.Connect();
        QVERIFY(h.Connected());
        w.Session()->Controller()->PollSuspended = true;

        // Common sends five commands, GPRS three; the call drops on the
        // GPRS page's fourth.
        t3sim::Faults faults;
        faults.carrierLostAfter = 5 + 3;
        QVERIFY(busy.WaitReady());
        h.sim->setFaults(faults);
        h.sim->clearWireLog();
        w.tbtnWriteAll->trigger();
        // The busy run disables the disconnect button too; the session is
        // over when connecting is offered again.
        QVERIFY(E2EHarness::WaitFor([&] { return w.tbtnConnect->isEnabled(); }, 30000));
        QVERIFY(!w.Session()->Connected());
        QVERIFY(E2EHarness::WaitFor([&] { return !h.messages.isEmpty(); }, 5000));
        QCOMPARE(h.messages, QStringList({"Запись настроек завершена"}));

        QList<QByteArray> sent = h.sim->trackerCommands();
        // What passed the modem after the drop is the hang-up, not tracker commands.
        while (!sent.isEmpty() && !sent.last().startsWith("+gprs"))
            sent.removeLast();
        QCOMPARE(sent.size(), 9);
        QVERIFY2(sent.last().startsWith("+gprsname"), sent.last().constData());
        const QString message = TModemException::NoCarrier;
        int lines = 0;
        for (const QString &line : h.MemoLines())
            if (line.endsWith(message)) {
                ++lines;
                QVERIFY2(line.size() > message.size() + 8, qPrintable(line)); // time stamp
            }
        QCOMPARE(lines, 1);
        // The page's remaining settings were not exchanged.
        QCOMPARE(LabelColour(w.formGPRS->lbetAccessPoint), QString("blue"));
        QCOMPARE(LabelColour(w.formGPRS->lbetLoginGPRS), QString("plain"));
        QCOMPARE(LabelColour(w.formGPRS->lbMRst), QString("plain"));
        QCOMPARE(LabelColour(w.formPhones->lbPhones), QString("plain"));
    }

    void saveThenLoadRestoresEveryValueAndPageKey()
    {
        E2EHarness h;
        TformMain &w = h.Window();
        TformCommon &cm = *w.formCommon;
        TformGPRS &g = *w.formGPRS;
        TformPhones &p = *w.formPhones;
        cm.SetPointsIntervalShown(true);
        cm.etObjNum->setText("77");
        cm.etLat->setText("111");
        cm.etLon->setText("222");
        cm.etPI->setText("33");
        cm.cbSgl->setChecked(true);
        cm.cbFixtrid->setChecked(true);
        g.cbGPRS->setChecked(true);
        g.etGPRSphone->setText("*97#");
        g.etAccessPoint->setText("apn.test");
        g.etLoginGPRS->setText("me");
        g.etPswdGPRS->setText("abcdefgh");
        g.etIp->setText("198.51.100.1");
        g.etPort->setText("7000");
        g.etPswd->setText("Secret12");
        g.cbMRst->setCurrentIndex(7);
        p.cbPhones->setChecked(true);
        for (int slot = 0; slot < 10; ++slot)
            p.SetNumber(slot, slot % 3 ? "+7900" + QString::number(slot) : QString());
        p.rbDispOnTime->setChecked(true);
        p.etTime->setText("45");
        const QStringList before = PageState(w);

        const QString path = QDir(h.dir.path()).filePath("saved.ini");
        w.FileDialogHook = [&](const TformMain::TFileDialogRequest &) { return path; };
        w.mnuSave->trigger();
        const TIniFile ini(path);
        QCOMPARE(ini.ReadString("formCommon", "PointsInterval", ""), QString("1"));
        QCOMPARE(ini.ReadString("EnPhones", "EnPhone2", "?"), QString("+79001"));
        QCOMPARE(ini.ReadString("EnPhones", "EnPhone1", "?"), QString());

        for (TformIncl *page : {static_cast<TformIncl *>(&cm), static_cast<TformIncl *>(&g),
                                static_cast<TformIncl *>(&p)})
            page->SetDefaults();
        cm.SetPointsIntervalShown(false);
        p.ResetGrid();
        QVERIFY(PageState(w) != before);

        w.mnuLoad->trigger();
        QCOMPARE(PageState(w), before);
        QVERIFY(cm.etPI->isVisibleTo(&w));
        QVERIFY(p.etTime->isEnabled());
    }

    void everyControlIsFoundByTheTextOfItsLabel()
    {
        E2EHarness h;
        TformMain &w = h.Window();
        w.formCommon->SetPointsIntervalShown(true);
        w.formCommon->SetFixTridShown(true);
        w.formFlags->SetBatteryColumnShown(true);
        w.formPhones->cbPhones->setChecked(true);

        int checked = 0;
        for (TformIncl *page :
             {static_cast<TformIncl *>(w.formCommon), static_cast<TformIncl *>(w.formGPRS),
              static_cast<TformIncl *>(w.formFlags), static_cast<TformIncl *>(w.formPhones)}) {
            w.ShowPage(page);
            using Entry = QPair<QWidget *, QString>;
            QList<Entry> controls;
            for (QWidget *c : page->Controls()) {
                if (TformIncl::KindOf(c) == TControlKind::ckLabel)
                    continue;
                // A radio button is its own label; the minutes edit belongs
                // to the radio button before it.
                QString text;
                if (QLabel *label = page->labelOf(c))
                    text = label->text();
                else if (c == w.formPhones->etTime)
                    text = w.formPhones->rbDispOnTime->text();
                else if (auto *b = qobject_cast<QAbstractButton *>(c))
                    text = b->text();
                controls << qMakePair(c, text.trimmed());
            }
            if (page == w.formFlags) {
                TformFlags &f = *w.formFlags;
                controls << Entry{f.btnRST, f.lbbtnRST->text()};
                const QString fired = f.Label2->text(), restored = f.Label1->text();
                controls << Entry{f.shs1, fired + ", Вход 1"} << Entry{f.shs2, fired + ", Вход 2"}
                         << Entry{f.sh, fired + ", Батарея разряжена"}
                         << Entry{f.shv1, restored + ", Вход 1"}
                         << Entry{f.shv2, restored + ", Вход 2"};
            }
            if (page == w.formPhones) {
                TformPhones &p = *w.formPhones;
                controls << Entry{p.SG1, p.Label1->text()};
            }
            for (const auto &[control, text] : controls) {
                const QString where = page->PageName() + "." + control->objectName();
                QVERIFY2(!text.isEmpty(), qPrintable(where));
                QCOMPARE(AccessibleName(control), text);
                QVERIFY2(FindByAccessibleName(page, text).contains(control), qPrintable(where));
                ++checked;
            }
        }
        QCOMPARE(checked, 6 + 9 + 6 + 6);
    }
};

QTEST_MAIN(SettingsPagesTest)
#include "settings_pages_qtest.moc"
