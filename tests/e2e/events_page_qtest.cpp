// The Events and outputs page against the simulated tracker: reading,
// writing, the sleep switch, firmware gates and the page's accessible names.
// One session per firmware version; each checks several things, since a
// connect and a disconnect cost seconds each.
#include <QAccessible>
#include <QtTest>

#include "EventsHelpers.h"
#include "pages/fGPRS.h"

using namespace events_e2e;
using QMB = QMessageBox;

namespace
{
const QString kNotUsed = QStringLiteral("Номер не используется");
const QString kZelmora = QStringLiteral("SMS в формате Zelmora");

QStringList Items(const QComboBox *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

QList<QToolButton *> VisibleSleepButtons(TformEvents &p)
{
    return {p.btnDontsleepF0, p.btnDontsleep0F, p.btnDontsleepFF};
}

int Count(const QList<QByteArray> &lines, const QByteArray &line)
{
    return int(std::count(lines.begin(), lines.end(), line));
}
} // namespace

class EventsPageTest : public QObject
{
    Q_OBJECT

  private slots:
    void firmware58ReadWriteSleepAndAccessibility();
    void firmware26HidesAndSkipsTheNewerSettings();
    void firmware62OffersTheFifthKindWithGprs();
};

// ---------------------------------------------------------------- 600.58

void EventsPageTest::firmware58ReadWriteSleepAndAccessibility()
{
    E2EHarness h;
    h.waitRegistration = false;
    h.sim->setVersion("REV 07.600.058");
    // A tracker in mode 5, asleep with constant fixes, and values differing
    // from the page's defaults everywhere.
    for (const auto &[name, value] : std::initializer_list<std::pair<const char *, const char *>>{
             {"gprsena", "FF"}, // switches: "00" on, "FF" off
             {"flagact", "4304"},
             {"dontsleep", "0F"},
             {"zact", "01"},
             {"alphon0", "+79161112233"},
             {"alphon1", "+79164445566"},
             {"allogic", "0B"}, // number 1 voice, number 2 GSM data, "И"
             {"presstime", "06"},
             {"periodgsm", "06EA"}, // 1 day 5 hours 30 minutes
             {"periodgps", "003C"},
             {"activetime", "0258"},
             {"activegsm", "0708"}, // 30 minutes
             {"gprssms", "FF"}})
        h.sim->setSetting(name, value);
    QVERIFY(ConnectAndSettle(h));
    TformMain &w = h.Window();
    TformEvents &p = *w.formEvents;

    // Right after connecting: the tracker's mode and sleep mode.
    QVERIFY(p.RadioButton5->isChecked());
    QVERIFY(p.btnDontsleep0F->isChecked());
    QVERIFY(p.btnDontsleep0F->isEnabled());
    QVERIFY(!p.cbActivetime->isEnabled()); // constant fixes need no fix time
    QVERIFY(p.meGPRSTime->isEnabled());
    // What 600.58 offers, and what it does not yet.
    for (QWidget *c : std::initializer_list<QWidget *>{p.RadioButton3, p.RadioButton4, p.cbFS,
                                                       p.cbTimeBtn, p.RadioButton5, p.GroupBox1,
                                                       p.etPeriodgsmS, p.meGPRSTime})
        QVERIFY2(c->isVisibleTo(&p), qPrintable(c->objectName()));
    QVERIFY(!p.btnDontsleep00->isVisibleTo(&p));
    QVERIFY(!Items(p.cb1).contains(kZelmora));

    // ---- read: every control gets the tracker's value
    QVERIFY(ReadEventsPage(h));
    QCOMPARE(CommandNames(h.Received()),
             QList<QByteArray>({"gprsena", "zact", "flagact", "alphon0", "alphon1", "allogic",
                                "presstime", "dontsleep", "periodgsm", "periodgps", "activetime",
                                "activegsm", "gprssms"}));
    QVERIFY(p.cbHS1->isChecked() && !p.cbHS2->isChecked());
    QVERIFY(p.cbFS1->isChecked() && p.cbFS2->isChecked() && p.cbFS->isChecked());
    QVERIFY(p.RadioButton5->isChecked());
    QCOMPARE(p.etPhone1->text(), QStringLiteral("+79161112233"));
    QCOMPARE(p.etPhone2->text(), QStringLiteral("+79164445566"));
    QCOMPARE(p.cb1->currentText(), QStringLiteral("Голосовой звонок"));
    QCOMPARE(p.cb2->currentText(), QStringLiteral("Цифровой канал GSM"));
    QVERIFY(p.num1rb1->isChecked() && !p.num1rb2->isChecked());
    QCOMPARE(p.cbTimeBtn->currentText(), QStringLiteral("3"));
    QVERIFY(p.btnDontsleep0F->isChecked());
    QCOMPARE(QStringList({p.etPeriodgsmS->text(), p.etPeriodgsmH->text(), p.etPeriodgsmM->text()}),
             QStringList({"01", "05", "30"}));
    QCOMPARE(QStringList({p.etPeriodgpsS->text(), p.etPeriodgpsH->text(), p.etPeriodgpsM->text()}),
             QStringList({"00", "01", "00"}));
    QCOMPARE(p.cbActivetime->currentText(), QStringLiteral("10 минут"));
    QCOMPARE(p.meGPRSTime->text(), QStringLiteral("0030"));
    QVERIFY(!p.cbSendSMS->isChecked());
    QVERIFY(!p.gbSMS->isVisibleTo(&p));
    Shot(w, QStringLiteral("events-mode5-0F"));

    // ---- write: the user's changes, and nothing else, reach the store
    p.cbHS1->click();
    p.cbHS2->click();
    p.cbFS1->click();
    p.cbFS->click();
    p.etPhone1->setText(QStringLiteral("+79035550011"));
    p.cb1->setCurrentIndex(p.cb1->findText(QStringLiteral("SMS")));
    p.etPhone2->clear(); // number 2 given up, its kind left as it was
    p.num1rb2->click();
    p.cbTimeBtn->setCurrentIndex(0);
    p.meGPRSTime->selectAll();
    QTest::keyClicks(p.meGPRSTime, QStringLiteral("2"));
    QCOMPARE(p.meGPRSTime->text(), QStringLiteral("0002"));
    QVERIFY(WriteEventsPage(h));
    const QList<QByteArray> written = h.Received();
    QCOMPARE(CommandNames(written),
             QList<QByteArray>({"zact", "flagact", "alphon0", "alphon1", "allogic", "presstime",
                                "periodgsm", "periodgps", "activetime", "activegsm", "gprssms"}));
    QVERIFY(written.contains("+alphon1 ")); // one space: the number is not used
    QVERIFY(written.contains("+presstime02"));
    QCOMPARE(p.cb2->currentText(), kNotUsed);
    QCOMPARE(p.etPhone2->text(), QStringLiteral(" "));
    for (const auto &[name, value] : std::initializer_list<std::pair<const char *, const char *>>{
             {"zact", "02"},
             {"flagact", "0204"},
             {"alphon0", "+79035550011"},
             {"alphon1", " "},
             {"allogic", "FA"},
             {"presstime", "02"},
             {"periodgsm", "06EA"},
             {"periodgps", "003C"},
             {"activetime", "0258"},
             {"activegsm", "0078"},
             {"gprssms", "FF"},
             {"dontsleep", "0F"}}) // the sleep mode is not part of the page's write
        QCOMPARE(h.sim->setting(name), QByteArray(value));

    // Read back, after the page was spoiled by hand: the same selections return.
    p.cb1->setCurrentIndex(0);
    p.num1rb1->click();
    QVERIFY(ReadEventsPage(h));
    QCOMPARE(p.cb1->currentText(), QStringLiteral("SMS"));
    QCOMPARE(p.cb2->currentText(), kNotUsed);
    QVERIFY(p.num1rb2->isChecked());
    QCOMPARE(p.cbTimeBtn->currentText(), QStringLiteral("1"));

    // ---- the sleep switch
    ScriptedAnswers ask;
    const struct {
        const char *name;
        std::vector<QMB::StandardButton> answers;
        int questions;
    } refusals[] = {{"no", {QMB::No}, 1},
                    {"cancel", {QMB::Cancel}, 1},
                    {"yes, cancel", {QMB::Yes, QMB::Cancel}, 2},
                    {"yes, ok, no", {QMB::Yes, QMB::Ok, QMB::No}, 3}};
    for (const auto &r : refusals) {
        h.sim->clearWireLog();
        ask.Script(r.answers);
        p.btnDontsleepFF->click();
        QVERIFY2(p.btnDontsleep0F->isChecked() && !p.btnDontsleepFF->isChecked(), r.name);
        QCOMPARE(ask.asked.size(), r.questions);
        QTest::qWait(300);
        QVERIFY2(!HasLine(h.Received(), "+dontsleep"), r.name);
        QCOMPARE(h.sim->setting("dontsleep"), QByteArray("0F"));
    }
    h.sim->clearWireLog();
    ask.Script({QMB::Yes, QMB::Ok, QMB::Yes});
    p.btnDontsleepFF->click();
    QCOMPARE(ask.asked.size(), 3);
    QCOMPARE(ask.asked[0].text,
             QStringLiteral("Вы уверены, что хотите перевести устройство в спящий режим?"));
    QCOMPARE(ask.asked[0].buttons, QMB::Yes | QMB::No | QMB::Cancel);
    QCOMPARE(ask.asked[1].icon, QMB::Warning);
    QCOMPARE(
        ask.asked[1].text,
        QStringLiteral("ВНИМАНИЕ! Устройство не будет доступно в течение 1 сут. 5 час. 30 мин. !"));
    QCOMPARE(ask.asked[1].buttons, QMB::Ok | QMB::Cancel);
    QCOMPARE(ask.asked[2].text, QStringLiteral("Точно?"));
    QVERIFY(E2EHarness::WaitFor([&] { return h.sim->setting("dontsleep") == "FF"; }, 3000));
    QVERIFY(p.btnDontsleepFF->isChecked());
    QVERIFY(p.cbActivetime->isEnabled() && p.etPeriodgsmS->isEnabled());
    Shot(w, QStringLiteral("events-mode5-FF"));

    // Other switches go out at once, without a question.
    ask.Script({});
    p.btnDontsleepF0->click();
    QVERIFY(ask.asked.isEmpty());
    QVERIFY(E2EHarness::WaitFor([&] { return h.sim->setting("dontsleep") == "F0"; }, 3000));
    QCOMPARE(Count(h.Received(), "+dontsleepFF"), 1);
    QCOMPARE(Count(h.Received(), "+dontsleepF0"), 1);
    QVERIFY(!p.etPeriodgsmS->isEnabled() && !p.meGPRSTime->isEnabled()); // standby
    Shot(w, QStringLiteral("events-mode5"));

    // A switch the tracker refuses: the link's error in the memo, the button
    // before it back down, and the session goes on (Read all below).
    t3sim::Faults refuse;
    refuse.errorCommands = {"dontsleep"};
    h.sim->setFaults(refuse);
    p.btnDontsleep0F->click();
    QVERIFY(E2EHarness::WaitFor([&] { return p.btnDontsleepF0->isChecked(); }, 5000));
    QVERIFY(E2EHarness::WaitFor([&] { return h.MemoLines().last().contains("ОШИБКА!"); }, 3000));
    QVERIFY(h.Connected());
    QCOMPARE(h.sim->setting("dontsleep"), QByteArray("F0"));
    h.sim->setFaults({});

    // ---- Read all: the sleep buttons stay grey while the worker is busy
    int busySamples = 0;
    QStringList enabledWhileBusy;
    h.sim->clearWireLog();
    w.tbtnReadAll->trigger();
    QVERIFY(E2EHarness::WaitFor(
        [&] {
            // The wait cursor is set and taken off together with the busy state.
            if (QApplication::overrideCursor()) {
                ++busySamples;
                for (QToolButton *b : VisibleSleepButtons(p))
                    if (b->isEnabled())
                        enabledWhileBusy << b->objectName();
            }
            return h.messages.contains(QStringLiteral("Чтение настроек завершено"));
        },
        60000));
    QVERIFY(HasLine(h.Received(), "+dontsleep"));
    QVERIFY(busySamples > 10);
    QVERIFY2(enabledWhileBusy.isEmpty(), qPrintable(enabledWhileBusy.join(' ')));
    QVERIFY(E2EHarness::WaitFor([&] { return !QApplication::overrideCursor(); }, 5000));
    for (QToolButton *b : VisibleSleepButtons(p))
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));

    // ---- accessibility: every value control under the text beside it
    w.ShowPage(&p);
    const QHash<QObject *, TAccessible> tree = AccessibleTree(&p);
    QHash<const QWidget *, QString> labelText;
    for (QLabel *l : p.findChildren<QLabel *>())
        if (l->buddy())
            labelText.insert(l->buddy(), l->text().trimmed());
    int checked = 0;
    for (QWidget *c : p.Controls()) {
        if (qobject_cast<QLabel *>(c) || !c->isVisibleTo(&p))
            continue;
        QVERIFY2(tree.contains(c), qPrintable(c->objectName() + " not in the accessible tree"));
        const TAccessible a = tree.value(c);
        QVERIFY2(!a.name.isEmpty(), qPrintable(c->objectName()));
        if (labelText.contains(c))
            QVERIFY2(a.StartsWith(labelText.value(c)),
                     qPrintable(c->objectName() + ": " + a.name + " / " + a.labels.join(" / ")));
        ++checked;
    }
    QVERIFY(checked >= 25);
    const struct {
        QWidget *control;
        const char *name;
    } expected[] = {
        {p.cbHS1, "Вход 1"},
        {p.cbFS, "Батарея разряжена"},
        {p.RadioButton1, "Режим 1"},
        {p.RadioButton5, "Режим 5"},
        {p.cbTimeBtn, "Время удержания кнопки (сек.)"},
        {p.etPeriodgsmS, "Период выхода устройства в GPRS (сут:чч:мм), сутки"},
        {p.etPeriodgpsM, "Период фиксации координат (сут:чч:мм), минуты"},
        {p.cbActivetime, "Максимальное время для GPS фиксации"},
        {p.meGPRSTime, "Время на связи (от 2 до 1092 мин.)"},
        {p.btnDontsleepF0, "Дежурный режим без постоянной фиксации"},
        {p.btnDontsleep0F, "Спящий режим с постоянной фиксацией"},
        {p.btnDontsleepFF, "Спящий режим без постоянной фиксации"},
        {p.etPhone1, "1"},
        {p.cb1, "Вид оповещения 1"},
        {p.cb2, "Вид оповещения 2"},
        {p.num1rb1, "И"},
        {p.num1rb2, "Или"},
        {p.cbSendSMS, "Отправлять SMS в GPRS"},
    };
    for (const auto &e : expected) {
        const TAccessible a = tree.value(e.control);
        QVERIFY2(
            a.Carries(QString::fromUtf8(e.name)),
            qPrintable(e.control->objectName() + ": " + a.name + " / " + a.labels.join(" / ")));
    }

    // ---- mode 1, as a user picks it: everything of mode 5 goes grey
    p.RadioButton1->click();
    QVERIFY(!p.cbTimeBtn->isEnabled() && !p.etPeriodgpsS->isEnabled());
    for (QToolButton *b : VisibleSleepButtons(p))
        QVERIFY(!b->isEnabled());
    Shot(w, QStringLiteral("events-mode1"));
    p.RadioButton3->click();
    QVERIFY(p.cbTimeBtn->isEnabled() && !p.etPeriodgpsS->isEnabled());
    Shot(w, QStringLiteral("events-mode3"));

    w.tbtnDisconnect->trigger();
    QVERIFY(!h.Connected());
}

// ---------------------------------------------------------------- 600.26

void EventsPageTest::firmware26HidesAndSkipsTheNewerSettings()
{
    E2EHarness h;
    h.waitRegistration = false;
    h.sim->setVersion("REV 07.600.026");
    h.sim->setSetting("flagact", "4301"); // battery flag and mode 2
    QVERIFY(ConnectAndSettle(h));
    TformMain &w = h.Window();
    TformEvents &p = *w.formEvents;
    QVERIFY(!HasLine(h.Received(), "+flagact") && !HasLine(h.Received(), "+dontsleep"));
    for (QWidget *c : std::initializer_list<QWidget *>{
             p.RadioButton3, p.lbrb3, p.RadioButton4, p.lbrb4, p.cbFS, p.lbFS, p.cbTimeBtn,
             p.RadioButton5, p.GroupBox1, p.btnDontsleepFF, p.etPeriodgsmS, p.cbActivetime,
             p.meGPRSTime})
        QVERIFY2(!c->isVisibleTo(&p), qPrintable(c->objectName()));
    QVERIFY(p.RadioButton1->isVisibleTo(&p) && p.RadioButton2->isVisibleTo(&p));
    QVERIFY(!Items(p.cb1).contains(kZelmora));

    QVERIFY(ReadEventsPage(h));
    QCOMPARE(CommandNames(h.Received()), QList<QByteArray>({"gprsena", "zact", "flagact", "alphon0",
                                                            "alphon1", "allogic", "gprssms"}));
    QVERIFY(p.RadioButton2->isChecked());
    QVERIFY(p.cbFS1->isChecked() && p.cbFS2->isChecked());
    QVERIFY(!p.cbFS->isChecked()); // the battery bit is not this firmware's
    Shot(w, QStringLiteral("events-600-26"));

    // Even a ticked (hidden) battery box is not written to this firmware.
    p.cbFS->setChecked(true);
    QVERIFY(WriteEventsPage(h));
    QCOMPARE(CommandNames(h.Received()),
             QList<QByteArray>({"zact", "flagact", "alphon0", "alphon1", "allogic", "gprssms"}));
    QCOMPARE(h.sim->setting("flagact"), QByteArray("0301"));

    w.tbtnDisconnect->trigger();
    QVERIFY(!h.Connected());
}

// ---------------------------------------------------------------- 600.62

void EventsPageTest::firmware62OffersTheFifthKindWithGprs()
{
    E2EHarness h;
    h.waitRegistration = false;
    h.sim->setVersion("REV 07.600.062");
    h.sim->setSetting("gprsena", "00"); // on
    h.sim->setSetting("allogic", "FC"); // number 1 by SMS in the fifth kind's format, "Или"
    h.sim->setSetting("gprssms", "FF"); // off
    QVERIFY(ConnectAndSettle(h));
    TformMain &w = h.Window();
    TformEvents &p = *w.formEvents;
    QCOMPARE(Items(p.cb1),
             QStringList({kNotUsed, "Цифровой канал GSM", "SMS", "Голосовой звонок", kZelmora}));

    // The GPRS switch read first rebuilds the lists the kinds are looked up in.
    QVERIFY(ReadEventsPage(h));
    QVERIFY(w.formGPRS->cbGPRS->isChecked());
    QCOMPARE(Items(p.cb1), QStringList({kNotUsed, "SMS", kZelmora}));
    QCOMPARE(Items(p.cb2), Items(p.cb1));
    QCOMPARE(p.cb1->currentText(), kZelmora);
    QCOMPARE(p.cb2->currentText(), kNotUsed);
    QVERIFY(p.gbSMS->isVisibleTo(&p));
    QVERIFY(!p.cbSendSMS->isChecked());
    Shot(w, QStringLiteral("events-600-62-gprs"));

    // With GPRS on, a used number is reached by SMS over GPRS whatever the box says.
    QVERIFY(WriteEventsPage(h));
    QCOMPARE(h.sim->setting("allogic"), QByteArray("FC"));
    QCOMPARE(h.sim->setting("gprssms"), QByteArray("00"));
    QVERIFY(p.cbSendSMS->isChecked());

    // A settings file loaded while this tracker is connected keeps the fifth kind.
    const QString file = QDir(h.dir.path()).filePath(QStringLiteral("events.ini"));
    QVERIFY(w.SaveSettingsFile(file));
    p.cb1->setCurrentIndex(0);
    w.LoadSettingsFile(file);
    QVERIFY(Items(p.cb1).contains(kZelmora));
    QCOMPARE(p.cb1->currentText(), kZelmora);

    w.tbtnDisconnect->trigger();
    QVERIFY(!h.Connected());
}

QTEST_MAIN(EventsPageTest)
#include "events_page_qtest.moc"
