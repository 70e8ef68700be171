#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSet>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QToolButton>
#include <map>
#include <memory>

#include "RecordingContext.h"
#include "device/DevTrevalo.h"
#include "pages/PageExchange.h"
#include "pages/fEvents.h"
#include "pages/fGPRS.h"
#include "platform/IniFile.h"
#include "session/OutArray.h"

namespace
{

// A tracker that answers read lines from a table and every other line with
// "OK", unless the line is listed as failing.
class ScriptedTracker : public IModemExchange
{
  public:
    QStringList sent;
    QMap<QString, QString> reads; // "+zact" → "02"
    QSet<QString> failing;        // lines answered "ERROR"

    bool Exchange(const QString &command, QString &reply, const QString &, int, int, bool) override
    {
        sent << command;
        if (failing.contains(command) || (IsRead(command) && !reads.contains(command))) {
            reply = command + QStringLiteral("\r\nERROR\r\n");
            return false;
        }
        reply =
            command + QStringLiteral("\r\n>") + reads.value(command) + QStringLiteral("\r\nOK\r\n");
        return true;
    }
    bool ExchangeHex(const QString &, QString &, const QString &, int, int) override
    {
        ADD_FAILURE() << "no hex exchange expected";
        return false;
    }
    static bool IsRead(const QString &line)
    {
        static const QSet<QString> names{"+gprsena",   "+zact",      "+flagact",    "+alphon0",
                                         "+alphon1",   "+allogic",   "+presstime",  "+dontsleep",
                                         "+periodgsm", "+periodgps", "+activetime", "+activegsm",
                                         "+gprssms"};
        return names.contains(line);
    }
};

// The two pages the Events page works with, and a session around a
// scripted tracker whose screen changes are applied by Apply().
struct Fixture {
    TformGPRS gprs;
    TformEvents page;
    ScriptedTracker tracker;
    TDevTrevalo dev{&tracker};
    TOutArray out;
    std::map<QString, bool> marks;
    QStringList memo;
    TRecordingContext ctx{tracker};
    QList<unsigned char> posted;

    explicit Fixture(int minor = 70)
    {
        page.AttachGprsPage(&gprs);
        ctx.Dev = &dev;
        ctx.Out = &out;
        ctx.OnMark = [this](QObject *label, bool ok) { marks[label->objectName()] = ok; };
        ctx.OnMemo = [this](const QString &line) { memo << line; };
        ctx.VersionMajor = 600;
        ctx.VersionMinor = minor;
    }
    void Apply() { out.Drain(nullptr, QString()); }
    std::string Mark(const QString &label) const
    {
        auto it = marks.find(label);
        return it == marks.end() ? "none" : it->second ? "blue" : "red";
    }
    // A session whose worker runs the sleep-mode command at once.
    void Connect()
    {
        page.IsConnected = [] { return true; };
        page.ConnectedAtLeast600 = [this](int minor) { return ctx.AtLeast600(minor); };
        page.PostCommand = [this](unsigned char code) {
            posted << code;
            if (code == wcWriteSleepMode)
                page.SendSleepMode(ctx);
            return true;
        };
    }
    // What the firmware adaptation shows for a tracker of 600.58 or later.
    void ShowMode5Controls()
    {
        for (QWidget *w : page.findChildren<QWidget *>())
            if (w != page.btnDontsleep00 && w->objectName() != "UiStepInbox" && w != page.lbFS &&
                w != page.cbFS && w->objectName() != "gbSMS")
                w->setVisible(true);
    }
};

QStringList Entries(const QComboBox *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i);
    return out;
}

const QString kNotUsed = QStringLiteral("Номер не используется");

struct AnswerScript {
    QList<QMessageBox::StandardButton> answers;
    QStringList asked;
    void Install()
    {
        TformEvents::AskHook = [this](QWidget *, QMessageBox::Icon, const QString &,
                                      const QString &text, QMessageBox::StandardButtons) {
            asked << text;
            return answers.isEmpty() ? QMessageBox::Cancel : answers.takeFirst();
        };
        TformEvents::WaitHook = [](int) {};
    }
};

// ---------------------------------------------------------------- kinds

TEST(EventsKinds, ListsFollowGprsSwitchAndFifthKind)
{
    const struct {
        bool gprs;
        bool kind5;
        QStringList entries;
    } cases[] = {
        {false, false, {kNotUsed, "Цифровой канал GSM", "SMS", "Голосовой звонок"}},
        {false,
         true,
         {kNotUsed, "Цифровой канал GSM", "SMS", "Голосовой звонок", "SMS в формате Zelmora"}},
        {true, false, {kNotUsed, "SMS"}},
        {true, true, {kNotUsed, "SMS", "SMS в формате Zelmora"}},
    };
    for (const auto &c : cases) {
        Fixture f;
        f.page.SetKindVisible(5, c.kind5);
        f.gprs.cbGPRS->setChecked(c.gprs);
        SCOPED_TRACE(c.entries.join(", ").toStdString());
        EXPECT_EQ(Entries(f.page.cb1), c.entries);
        EXPECT_EQ(Entries(f.page.cb2), c.entries);
        EXPECT_EQ(f.page.gbSMS->isVisibleTo(&f.page), c.gprs);
        EXPECT_EQ(f.page.cb1->itemIcon(0).isNull(), false);
    }
}

TEST(EventsKinds, SwitchingGprsOnKeepsOrDropsTheSelection)
{
    Fixture f;
    f.page.cb1->setCurrentIndex(f.page.cb1->findText("Голосовой звонок"));
    f.page.cb2->setCurrentIndex(f.page.cb2->findText("SMS"));
    f.gprs.cbGPRS->setChecked(true);
    // Number 1 still used a kind when the switch changed.
    EXPECT_TRUE(f.page.cbSendSMS->isChecked());
    EXPECT_EQ(f.page.cb1->currentText(), kNotUsed);
    EXPECT_EQ(f.page.cb2->currentText(), "SMS");

    f.gprs.cbGPRS->setChecked(false);
    EXPECT_FALSE(f.page.cbSendSMS->isChecked());
    EXPECT_EQ(f.page.cb2->currentText(), "SMS");
    EXPECT_FALSE(f.page.gbSMS->isVisibleTo(&f.page));
}

TEST(EventsKinds, UserChoiceOfUsedKindTicksSmsOnlyWithGprs)
{
    for (bool gprs : {false, true}) {
        Fixture f;
        f.gprs.cbGPRS->setChecked(gprs);
        f.page.cbSendSMS->setChecked(false);
        f.page.cb2->setCurrentIndex(1);
        emit f.page.cb2->activated(1);
        EXPECT_EQ(f.page.cbSendSMS->isChecked(), gprs);
    }
}

TEST(EventsKinds, DefaultsSelectFirstEntriesAfterTheRebuild)
{
    // The rebuild runs before the first entries are selected, so with GPRS
    // on a number that was used before the defaults ticks "send SMS".
    const struct {
        bool gprs;
        int kindBefore;
        bool sms;
    } cases[] = {{true, 1, true}, {true, 0, false}, {false, 1, false}, {false, 0, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "gprs " << c.gprs << ", kind " << c.kindBefore);
        Fixture f;
        f.gprs.cbGPRS->setChecked(c.gprs);
        f.page.cb2->setCurrentIndex(c.kindBefore);
        f.page.cbSendSMS->setChecked(false);
        f.page.etPhone1->setText("123");
        f.page.RadioButton2->setChecked(true);
        f.page.num1rb1->setChecked(true);
        f.page.SetDefaults();
        EXPECT_EQ(f.page.cb1->currentIndex(), 0);
        EXPECT_EQ(f.page.cb2->currentIndex(), 0);
        EXPECT_EQ(f.page.cbSendSMS->isChecked(), c.sms);
        EXPECT_TRUE(f.page.RadioButton1->isChecked());
        EXPECT_TRUE(f.page.num1rb1->isChecked()) << "И/Или keep their state";
        EXPECT_TRUE(f.page.etPhone1->text().startsWith("+7"));
        EXPECT_EQ(f.page.etPhone1->text().size(), 12);
        EXPECT_EQ(f.page.cbTimeBtn->currentText(), "1");
        EXPECT_EQ(f.page.cbActivetime->currentText(), "до фиксации");
        EXPECT_EQ(f.page.meGPRSTime->text(), "0002");
    }
}

// ---------------------------------------------------------------- periods

TEST(EventsPeriods, FieldsAreNormalisedAsTyped)
{
    const struct {
        const char *days, *hours, *minutes;
        const char *expected; // dd:hh:mm
    } cases[] = {
        {"00", "00", "05", "00:00:10"}, {"08", "00", "00", "07:00:00"},
        {"00", "30", "00", "00:23:00"}, {"00", "01", "75", "00:01:59"},
        {"07", "00", "01", "07:00:00"}, {"06", "23", "59", "06:23:59"},
        {"01", "05", "30", "01:05:30"}, {"00", "00", "", "00:00:10"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expected);
        Fixture f;
        for (auto fields :
             {std::array{f.page.etPeriodgpsS, f.page.etPeriodgpsH, f.page.etPeriodgpsM},
              std::array{f.page.etPeriodgsmS, f.page.etPeriodgsmH, f.page.etPeriodgsmM}}) {
            fields[0]->setText(c.days);
            fields[1]->setText(c.hours);
            fields[2]->setText(c.minutes);
            EXPECT_EQ(fields[0]->text() + ":" + fields[1]->text() + ":" + fields[2]->text(),
                      c.expected);
        }
    }
}

TEST(EventsPeriods, OnlineTimeStaysWithinTwoTo1092)
{
    const struct {
        const char *typed, *shown;
    } cases[] = {{"1", "0002"}, {"2000", "1092"}, {"", "0002"}, {"0500", "0500"}, {"12", "0012"}};
    Fixture f;
    for (const auto &c : cases) {
        f.page.meGPRSTime->setText(c.typed);
        EXPECT_EQ(f.page.meGPRSTime->text(), c.shown) << c.typed;
    }
}

TEST(EventsPeriods, GprsPeriodInWords)
{
    const struct {
        const char *days, *hours, *minutes, *text;
    } cases[] = {{"01", "05", "30", "1 сут. 5 час. 30 мин."},
                 {"00", "05", "00", "5 час. 0 мин."},
                 {"00", "00", "10", "10 мин."},
                 {"07", "00", "00", "7 сут. 0 час. 0 мин."}};
    Fixture f;
    for (const auto &c : cases) {
        f.page.etPeriodgsmS->setText(c.days);
        f.page.etPeriodgsmH->setText(c.hours);
        f.page.etPeriodgsmM->setText(c.minutes);
        EXPECT_EQ(f.page.GprsPeriodText(), QString::fromUtf8(c.text));
    }
}

// ---------------------------------------------------------------- mode controls

TEST(EventsModes, EnabledStatesPerModeAndSleepButton)
{
    enum Sleep { s00, sF0, s0F, sFF };
    const struct {
        int mode;
        Sleep sleep;
        bool gprs;
        bool hold, gsmPeriod, gpsPeriod, fixTime, online, sleepButtons;
    } cases[] = {
        {1, sF0, false, false, false, false, false, false, false},
        {2, sFF, false, false, false, false, false, false, false},
        {3, sFF, false, true, false, false, false, false, false},
        {4, sF0, false, false, false, false, false, false, false},
        {5, sF0, false, true, false, true, true, false, true},
        {5, s00, false, true, false, true, true, false, true},
        {5, sFF, false, true, true, true, true, true, true},
        {5, sFF, true, true, true, true, true, false, true},
        {5, s0F, false, true, true, true, false, true, true},
        {5, s0F, true, true, true, true, false, false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << " sleep " << c.sleep << " gprs " << c.gprs);
        Fixture f;
        f.gprs.cbGPRS->setChecked(c.gprs);
        f.page.RadioButtons[c.mode - 1]->setChecked(true);
        QToolButton *buttons[] = {f.page.btnDontsleep00, f.page.btnDontsleepF0,
                                  f.page.btnDontsleep0F, f.page.btnDontsleepFF};
        buttons[c.sleep]->setChecked(true);
        f.page.UpdateModeControls();
        EXPECT_EQ(f.page.cbTimeBtn->isEnabled(), c.hold);
        EXPECT_EQ(f.page.lbTimeBtn->isEnabled(), c.hold);
        EXPECT_EQ(f.page.etPeriodgsmH->isEnabled(), c.gsmPeriod);
        EXPECT_EQ(f.page.lbetPeriodgsm->isEnabled(), c.gsmPeriod);
        EXPECT_EQ(f.page.etPeriodgpsM->isEnabled(), c.gpsPeriod);
        EXPECT_EQ(f.page.cbActivetime->isEnabled(), c.fixTime);
        EXPECT_EQ(f.page.meGPRSTime->isEnabled(), c.online);
        EXPECT_EQ(f.page.lbGPRSTime->isEnabled(), c.online);
        EXPECT_EQ(f.page.btnDontsleepFF->isEnabled(), c.sleepButtons);
        f.page.SetBusy(true);
        EXPECT_FALSE(f.page.btnDontsleepFF->isEnabled()) << "busy worker";
    }
}

TEST(EventsModes, GprsSwitchFollowsTheOnlineRule)
{
    Fixture f;
    f.page.RadioButton5->setChecked(true);
    f.page.btnDontsleepFF->setChecked(true);
    f.page.UpdateModeControls();
    EXPECT_TRUE(f.page.meGPRSTime->isEnabled());
    f.gprs.cbGPRS->setChecked(true);
    EXPECT_FALSE(f.page.meGPRSTime->isEnabled());
    f.gprs.cbGPRS->setChecked(false);
    EXPECT_TRUE(f.page.meGPRSTime->isEnabled());
    // Standby keeps the on-line time off whatever the switch does.
    f.page.btnDontsleep00->setChecked(true);
    f.page.UpdateModeControls();
    f.gprs.cbGPRS->setChecked(true);
    f.gprs.cbGPRS->setChecked(false);
    EXPECT_FALSE(f.page.meGPRSTime->isEnabled());
}

TEST(EventsModes, OperatingModeAfterConnect)
{
    const struct {
        int minor;
        int mode;
        const char *reply;
        int selected;
        const char *down;
    } cases[] = {
        {62, 5, "0F", 5, "btnDontsleep0F"}, {58, 3, "00", 3, "btnDontsleep00"},
        {58, 5, "FF", 5, "btnDontsleepFF"}, {58, 5, "xx", 5, "btnDontsleepF0"},
        {58, 6, "0F", 1, "btnDontsleepF0"}, {58, 0, "0F", 1, "btnDontsleepF0"},
        {58, 5, "", 1, "btnDontsleepF0"},   {57, 5, "0F", 1, "btnDontsleepF0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.minor << " " << c.mode << " " << c.reply);
        Fixture f(c.minor);
        f.Connect();
        f.page.Operating.OperatingMode = c.mode;
        f.page.Operating.SleepReply = c.reply;
        f.page.ApplyOperatingMode();
        EXPECT_EQ(f.page.SelectedMode(), c.selected);
        for (QToolButton *b : f.page.SleepButtons())
            EXPECT_EQ(b->isChecked(), b->objectName() == c.down) << b->objectName().toStdString();
        EXPECT_TRUE(f.posted.isEmpty());
    }
}

// ---------------------------------------------------------------- ini

TEST(EventsIni, KindVisibilityKeysAndModeFallback)
{
    const struct {
        const char *l_vis3, *l_vis5;
        int connectedMinor; // 0: no tracker
        const char *savedMode;
        QStringList entries;
        int mode;
    } cases[] = {
        {"0", "1", 0, "RadioButton4", {kNotUsed, "Цифровой канал GSM", "Голосовой звонок"}, 1},
        {"1",
         "1",
         0,
         "RadioButton5",
         {kNotUsed, "Цифровой канал GSM", "SMS", "Голосовой звонок"},
         1},
        {"1",
         "0",
         62,
         "RadioButton5",
         {kNotUsed, "Цифровой канал GSM", "SMS", "Голосовой звонок", "SMS в формате Zelmora"},
         5},
        {"1",
         "1",
         27,
         "RadioButton4",
         {kNotUsed, "Цифровой канал GSM", "SMS", "Голосовой звонок"},
         4},
        {"1",
         "1",
         27,
         "RadioButton5",
         {kNotUsed, "Цифровой канал GSM", "SMS", "Голосовой звонок"},
         1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.l_vis3 << c.l_vis5 << " " << c.connectedMinor << " " << c.savedMode);
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.ini");
        {
            TIniFile ini(path);
            ini.WriteString("formEvents", "l_vis3", c.l_vis3);
            ini.WriteString("formEvents", "l_vis5", c.l_vis5);
            for (int n = 1; n <= 5; ++n)
                ini.WriteString("formEvents", QStringLiteral("RadioButton%1").arg(n),
                                QStringLiteral("RadioButton%1").arg(n) == c.savedMode ? "1" : "0");
            ASSERT_TRUE(ini.UpdateFile());
        }
        Fixture f;
        if (c.connectedMinor)
            f.page.ConnectedAtLeast600 = [&c](int minor) { return c.connectedMinor >= minor; };
        TIniFile ini(path);
        f.page.LoadFromIni(ini);
        EXPECT_EQ(Entries(f.page.cb1), c.entries);
        EXPECT_EQ(f.page.SelectedMode(), c.mode);
    }
}

TEST(EventsIni, SaveWritesKindVisibilityAndControls)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    {
        Fixture f;
        f.gprs.cbGPRS->setChecked(true);
        f.page.cb1->setCurrentIndex(1);
        f.page.btnDontsleep0F->setChecked(true);
        TIniFile ini(path);
        f.page.SaveToIni(ini);
        ASSERT_TRUE(ini.UpdateFile());
    }
    TIniFile ini(path);
    const char *expected[][2] = {
        {"l_vis1", "1"},        {"l_vis2", "0"}, {"l_vis3", "1"},         {"l_vis4", "0"},
        {"l_vis5", "1"},        {"cb1", "1"},    {"btnDontsleep0F", "1"}, {"btnDontsleepF0", "0"},
        {"meGPRSTime", "0002"}, {"num1rb2", "1"}};
    for (const auto &e : expected)
        EXPECT_EQ(ini.ReadString("formEvents", e[0], "?"), e[1]) << e[0];
    EXPECT_FALSE(ini.ValueExists("formEvents", "lbSrab"));
    EXPECT_FALSE(ini.ValueExists("formEvents", "UiStepInbox"));
}

// ---------------------------------------------------------------- read

void ScriptFullTracker(ScriptedTracker &t)
{
    t.reads = {{"+gprsena", "00"},      {"+zact", "02"},
               {"+flagact", "4104"},    {"+alphon0", "+79001112233"},
               {"+alphon1", " "},       {"+allogic", "FA"},
               {"+presstime", "04"},    {"+dontsleep", "0F"},
               {"+periodgsm", "05A0"},  {"+periodgps", "001E"},
               {"+activetime", "0258"}, {"+activegsm", "0078"},
               {"+gprssms", "00"}};
}

TEST(EventsRead, FillsThePageInOrder)
{
    Fixture f(62);
    f.page.SetKindVisible(5, true);
    ScriptFullTracker(f.tracker);
    f.page.ReadEvents(f.ctx);
    EXPECT_EQ(f.tracker.sent, QStringList({"+gprsena", "+zact", "+flagact", "+alphon0", "+alphon1",
                                           "+allogic", "+presstime", "+dontsleep", "+periodgsm",
                                           "+periodgps", "+activetime", "+activegsm", "+gprssms"}));
    f.Apply();
    TformEvents &p = f.page;
    EXPECT_TRUE(f.gprs.cbGPRS->isChecked());
    EXPECT_EQ(f.Mark("lbcb"), "blue");
    EXPECT_FALSE(p.cbHS1->isChecked());
    EXPECT_TRUE(p.cbHS2->isChecked());
    EXPECT_TRUE(p.cbFS1->isChecked());
    EXPECT_TRUE(p.cbFS->isChecked());
    EXPECT_EQ(p.SelectedMode(), 5);
    EXPECT_EQ(p.etPhone1->text(), "+79001112233");
    // "FA": number 1 by SMS, number 2 unused, "Или" — found in the GPRS lists.
    EXPECT_EQ(Entries(p.cb1), QStringList({kNotUsed, "SMS", "SMS в формате Zelmora"}));
    EXPECT_EQ(p.cb1->currentText(), "SMS");
    EXPECT_EQ(p.cb2->currentText(), kNotUsed);
    EXPECT_TRUE(p.num1rb2->isChecked());
    EXPECT_FALSE(p.num1rb1->isChecked());
    EXPECT_EQ(p.cbTimeBtn->currentText(), "2");
    EXPECT_TRUE(p.btnDontsleep0F->isChecked());
    EXPECT_EQ(p.etPeriodgsmS->text() + p.etPeriodgsmH->text() + p.etPeriodgsmM->text(), "010000");
    EXPECT_EQ(p.etPeriodgpsS->text() + p.etPeriodgpsH->text() + p.etPeriodgpsM->text(), "000030");
    EXPECT_EQ(p.cbActivetime->currentText(), "10 минут");
    EXPECT_EQ(p.meGPRSTime->text(), "0002");
    EXPECT_TRUE(p.cbSendSMS->isChecked());
    // The mode controls follow mode 5 with sleep 0F.
    EXPECT_TRUE(p.etPeriodgsmH->isEnabled());
    EXPECT_FALSE(p.cbActivetime->isEnabled());
    for (const char *label : {"lbSrab", "lbSrab2", "lbp1", "lbp2", "lbTimeBtn", "lbetPeriodgsm",
                              "lbetPeriodgps", "lbetActivetime", "lbGPRSTime", "lbSendSMS"})
        EXPECT_EQ(f.Mark(label), "blue") << label;
}

TEST(EventsRead, VersionGates)
{
    const struct {
        int minor;
        QStringList lines;
        bool battery;
    } cases[] = {
        {26,
         {"+gprsena", "+zact", "+flagact", "+alphon0", "+alphon1", "+allogic", "+gprssms"},
         false},
        {27,
         {"+gprsena", "+zact", "+flagact", "+alphon0", "+alphon1", "+allogic", "+gprssms"},
         true},
        {38,
         {"+gprsena", "+zact", "+flagact", "+alphon0", "+alphon1", "+allogic", "+presstime",
          "+gprssms"},
         true},
    };
    for (const auto &c : cases) {
        Fixture f(c.minor);
        ScriptFullTracker(f.tracker);
        f.page.ReadEvents(f.ctx);
        f.Apply();
        EXPECT_EQ(f.tracker.sent, c.lines) << c.minor;
        EXPECT_EQ(f.page.cbFS->isChecked(), c.battery) << c.minor;
    }
}

TEST(EventsRead, NumbersKeepTheirOwnFailure)
{
    const struct {
        const char *failing;
        const char *lbp1, *lbp2;
    } cases[] = {
        {"+allogic", "red", "red"},
        {"+alphon0", "red", "blue"},
        {"+alphon1", "blue", "red"},
    };
    for (const auto &c : cases) {
        Fixture f(70);
        ScriptFullTracker(f.tracker);
        f.tracker.reads.remove(c.failing);
        f.page.ReadEvents(f.ctx);
        EXPECT_EQ(f.Mark("lbp1"), c.lbp1) << c.failing;
        EXPECT_EQ(f.Mark("lbp2"), c.lbp2) << c.failing;
    }
}

TEST(EventsRead, ValuesOutsideTheListsFail)
{
    const struct {
        const char *line, *value, *label;
    } cases[] = {{"+presstime", "0B", "lbTimeBtn"},
                 {"+presstime", "01", "lbTimeBtn"},
                 {"+activetime", "1234", "lbetActivetime"}};
    for (const auto &c : cases) {
        Fixture f(70);
        ScriptFullTracker(f.tracker);
        f.tracker.reads[c.line] = c.value;
        f.page.cbTimeBtn->setCurrentIndex(3);
        f.page.cbActivetime->setCurrentIndex(1);
        f.page.ReadEvents(f.ctx);
        f.Apply();
        EXPECT_EQ(f.Mark(c.label), "red") << c.value;
        EXPECT_EQ(f.page.cbTimeBtn->currentIndex(), c.line == QString("+presstime") ? 3 : 2);
        EXPECT_EQ(f.page.cbActivetime->currentIndex(), c.line == QString("+activetime") ? 1 : 2);
    }
}

TEST(EventsRead, ValuesTheFieldsWouldShowChangedFail)
{
    // Each field keeps its text, the label turns red and the memo names the value.
    const struct {
        const char *line, *value, *label, *named;
    } cases[] = {{"+periodgsm", "0005", "lbetPeriodgsm", "5"},
                 {"+periodgps", "2761", "lbetPeriodgps", "10081"},
                 {"+activegsm", "0064", "lbGPRSTime", "1"},    // 100 s: one minute
                 {"+activegsm", "FFFF", "lbGPRSTime", "1092"}, // the most that fits
                 {"+alphon0", "+7900123456789012345678901234567", "lbp1", "+790012345"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        Fixture f(70);
        ScriptFullTracker(f.tracker);
        f.tracker.reads[c.line] = c.value;
        f.page.etPhone1->setText("+79000000001");
        f.page.ReadEvents(f.ctx);
        f.Apply();
        const bool fits = QString(c.named) == "1092";
        EXPECT_EQ(f.Mark(c.label), fits ? "blue" : "red");
        EXPECT_EQ(f.memo.filter(c.named).size(), fits ? 0 : 1) << f.memo.join('\n').toStdString();
        if (!fits && QString(c.line) == "+periodgsm") {
            EXPECT_EQ(f.page.etPeriodgsmS->text() + f.page.etPeriodgsmH->text() +
                          f.page.etPeriodgsmM->text(),
                      "000010");
        }
        if (!fits && QString(c.line) == "+alphon0") {
            EXPECT_EQ(f.page.etPhone1->text(), "+79000000001");
        }
    }
}

TEST(EventsRead, ModeOutsideOneToFiveSelectsNothing)
{
    Fixture f(70);
    ScriptFullTracker(f.tracker);
    f.tracker.reads["+flagact"] = "0005";
    f.page.RadioButton2->setChecked(true);
    f.page.ReadEvents(f.ctx);
    f.Apply();
    EXPECT_EQ(f.page.SelectedMode(), 0);
    EXPECT_FALSE(f.page.cbTimeBtn->isEnabled());
}

// ---------------------------------------------------------------- write

// The page as a user leaves it before pressing "write".
void FillForWrite(Fixture &f)
{
    TformEvents &p = f.page;
    p.cbHS2->setChecked(true);
    p.cbFS2->setChecked(true);
    p.RadioButton5->setChecked(true);
    p.etPhone1->setText("+79001112233");
    p.etPhone2->setText("");
    p.cb1->setCurrentIndex(p.cb1->findText("SMS"));
    p.cb2->setCurrentIndex(p.cb2->findText("Голосовой звонок"));
    p.num1rb2->setChecked(true);
    p.cbTimeBtn->setCurrentIndex(0);
    p.meGPRSTime->setText("2");
}

TEST(EventsWrite, SendsThePageInOrder)
{
    Fixture f(70);
    FillForWrite(f);
    f.page.BeginWrite();
    // The empty number is not used and goes out as one space.
    EXPECT_EQ(f.page.etPhone2->text(), " ");
    EXPECT_EQ(f.page.cb2->currentText(), kNotUsed);
    f.page.WriteEvents(f.ctx);
    EXPECT_EQ(f.tracker.sent,
              QStringList({"+zact02", "+flagact0204", "+alphon0+79001112233", "+alphon1 ",
                           "+allogicFA", "+presstime02", "+periodgsm000A", "+periodgps000A",
                           "+activetimeFFFF", "+activegsm0078", "+gprssmsFF"}));
    EXPECT_EQ(f.page.Operating.OperatingMode, 5);
    for (const char *label : {"lbSrab", "lbSrab2", "lbp1", "lbp2", "lbTimeBtn", "lbetPeriodgsm",
                              "lbetPeriodgps", "lbetActivetime", "lbGPRSTime", "lbSendSMS"})
        EXPECT_EQ(f.Mark(label), "blue") << label;
}

TEST(EventsWrite, VersionGates)
{
    const struct {
        int minor;
        QStringList lines;
    } cases[] = {
        {26,
         {"+zact02", "+flagact0204", "+alphon0+79001112233", "+alphon1 ", "+allogicFA",
          "+gprssmsFF"}},
        {38,
         {"+zact02", "+flagact4204", "+alphon0+79001112233", "+alphon1 ", "+allogicFA",
          "+presstime02", "+gprssmsFF"}},
    };
    for (const auto &c : cases) {
        Fixture f(c.minor);
        FillForWrite(f);
        f.page.cbFS->setChecked(true);
        f.page.BeginWrite();
        f.page.WriteEvents(f.ctx);
        EXPECT_EQ(f.tracker.sent, c.lines) << c.minor;
    }
}

TEST(EventsWrite, ModeWithNoButtonSelected)
{
    const struct {
        int lastKnown;
        const char *flagact;
    } cases[] = {
        {3, "+flagact0202"}, {5, "+flagact0204"}, {0, "+flagact0200"}, {7, "+flagact0200"}};
    for (const auto &c : cases) {
        Fixture f(70);
        FillForWrite(f);
        f.tracker.reads["+flagact"] = "0207";
        f.page.ReadEvents(f.ctx);
        f.Apply();
        ASSERT_EQ(f.page.SelectedMode(), 0);
        f.page.Operating.OperatingMode = c.lastKnown;
        f.tracker.sent.clear();
        f.page.WriteEvents(f.ctx);
        EXPECT_EQ(f.tracker.sent.value(1), c.flagact) << c.lastKnown;
    }
}

TEST(EventsWrite, GprsForcesSmsOverGprsForAUsedNumber)
{
    Fixture f(70);
    f.gprs.cbGPRS->setChecked(true);
    f.page.cb2->setCurrentIndex(f.page.cb2->findText("SMS"));
    f.page.cbSendSMS->setChecked(false);
    f.page.WriteEvents(f.ctx);
    EXPECT_EQ(f.tracker.sent.last(), "+gprssms00");
    f.Apply();
    EXPECT_TRUE(f.page.cbSendSMS->isChecked());
}

TEST(EventsWrite, RefusesListsWithNothingSelectedAndKeepsFailedNumbersRed)
{
    Fixture f(70);
    FillForWrite(f);
    f.page.BeginWrite();
    f.page.cbTimeBtn->setCurrentIndex(-1);
    f.tracker.failing << "+alphon1 ";
    f.page.WriteEvents(f.ctx);
    EXPECT_FALSE(f.tracker.sent.join('|').contains("+presstime"));
    EXPECT_EQ(f.Mark("lbTimeBtn"), "red");
    ASSERT_EQ(f.memo.size(), 1);
    EXPECT_TRUE(f.memo[0].contains("Время удержания кнопки (сек.)"));
    EXPECT_EQ(f.Mark("lbp1"), "blue");
    EXPECT_EQ(f.Mark("lbp2"), "red");
}

TEST(EventsWrite, ReadBackRestoresTheSelections)
{
    Fixture f(70);
    FillForWrite(f);
    f.page.BeginWrite();
    f.page.WriteEvents(f.ctx);
    Fixture g(70);
    ScriptFullTracker(g.tracker);
    g.tracker.reads["+gprsena"] = "FF";
    g.tracker.reads["+allogic"] = f.tracker.sent[4].mid(QString("+allogic").size());
    g.page.ReadEvents(g.ctx);
    g.Apply();
    EXPECT_EQ(g.page.cb1->currentText(), "SMS");
    EXPECT_EQ(g.page.cb2->currentText(), kNotUsed);
    EXPECT_TRUE(g.page.num1rb2->isChecked());
}

// ---------------------------------------------------------------- sleep control

TEST(EventsSleep, SwitchToFFNeedsThreeAgreeingAnswers)
{
    using B = QMessageBox::StandardButton;
    const struct {
        QList<B> answers;
        int questions;
        bool sent;
    } cases[] = {
        {{B::Yes, B::Ok, B::Yes}, 3, true},
        {{B::No}, 1, false},
        {{B::Cancel}, 1, false},
        {{B::Yes, B::Cancel}, 2, false},
        {{B::Yes, B::Ok, B::No}, 3, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.questions);
        Fixture f(70);
        f.Connect();
        AnswerScript script{c.answers, {}};
        script.Install();
        f.page.RadioButton5->setChecked(true);
        f.page.etPeriodgsmS->setText("01");
        f.page.etPeriodgsmH->setText("05");
        f.page.etPeriodgsmM->setText("30");
        ASSERT_TRUE(f.page.btnDontsleepF0->isChecked());
        f.page.btnDontsleepFF->click();
        ASSERT_EQ(script.asked.size(), c.questions);
        EXPECT_EQ(script.asked[0], "Вы уверены, что хотите перевести устройство в спящий режим?");
        if (c.questions > 1) {
            EXPECT_EQ(script.asked[1],
                      "ВНИМАНИЕ! Устройство не будет доступно в течение 1 сут. 5 час. 30 мин. !");
        }
        if (c.questions > 2) {
            EXPECT_EQ(script.asked[2], "Точно?");
        }
        if (c.sent) {
            EXPECT_EQ(f.tracker.sent, QStringList{"+dontsleepFF"});
            EXPECT_TRUE(f.page.btnDontsleepFF->isChecked());
        } else {
            EXPECT_TRUE(f.tracker.sent.isEmpty());
            EXPECT_TRUE(f.page.btnDontsleepF0->isChecked());
        }
        EXPECT_TRUE(f.page.btnDontsleepFF->isEnabled());
    }
}

TEST(EventsSleep, OtherSwitchesGoOutWithoutQuestions)
{
    const struct {
        const char *from, *to, *line;
    } cases[] = {{"btnDontsleepF0", "btnDontsleep0F", "+dontsleep0F"},
                 {"btnDontsleepFF", "btnDontsleep0F", "+dontsleep0F"},
                 {"btnDontsleep0F", "btnDontsleepF0", "+dontsleepF0"},
                 {"btnDontsleepFF", "btnDontsleepFF", "+dontsleepFF"}};
    for (const auto &c : cases) {
        Fixture f(70);
        f.Connect();
        AnswerScript script;
        script.Install();
        f.page.RadioButton5->setChecked(true);
        f.page.findChild<QToolButton *>(c.from)->setChecked(true);
        f.page.UpdateModeControls();
        f.page.findChild<QToolButton *>(c.to)->click();
        EXPECT_TRUE(script.asked.isEmpty());
        EXPECT_EQ(f.tracker.sent, QStringList{c.line});
        EXPECT_EQ(f.posted, QList<unsigned char>{wcWriteSleepMode});
    }
}

TEST(EventsSleep, NothingIsSentWithoutAUserClickOrASession)
{
    Fixture f(70);
    AnswerScript script;
    script.Install();
    f.page.RadioButton5->setChecked(true);
    f.page.UpdateModeControls();
    f.page.btnDontsleepFF->click(); // no session
    EXPECT_TRUE(script.asked.isEmpty());
    EXPECT_TRUE(f.page.btnDontsleepFF->isChecked());

    f.Connect();
    f.page.btnDontsleep0F->setChecked(true); // by program
    f.page.UpdateModeControls();
    EXPECT_TRUE(f.posted.isEmpty());
    EXPECT_TRUE(f.tracker.sent.isEmpty());
}

TEST(EventsSleep, FailedWriteRestoresThePreviousButton)
{
    Fixture f(70);
    f.Connect();
    AnswerScript script;
    script.Install();
    f.tracker.failing << "+dontsleep0F";
    f.page.RadioButton5->setChecked(true);
    f.page.UpdateModeControls();
    f.page.btnDontsleep0F->click();
    EXPECT_EQ(f.tracker.sent, QStringList{"+dontsleep0F"});
    ASSERT_EQ(f.memo.size(), 1);
    EXPECT_TRUE(f.memo[0].contains("Спящий режим с постоянной фиксацией"));
    f.Apply();
    EXPECT_TRUE(f.page.btnDontsleepF0->isChecked());
    EXPECT_EQ(f.page.PreviousSleepButtons, (std::array<bool, 4>{false, false, false, true}));
}

TEST(EventsSleep, ReadReplyPutsItsButtonDown)
{
    const struct {
        const char *reply, *down;
        bool fixTime, gsmPeriod;
    } cases[] = {{"00", "btnDontsleep00", true, false},
                 {"0F", "btnDontsleep0F", false, true},
                 {"FF", "btnDontsleepFF", true, true},
                 {"F0", "btnDontsleepF0", true, false}};
    for (const auto &c : cases) {
        Fixture f(58);
        f.page.RadioButton5->setChecked(true);
        f.tracker.reads["+dontsleep"] = c.reply;
        f.page.ReadSleepMode(f.ctx);
        f.Apply();
        EXPECT_TRUE(f.page.findChild<QToolButton *>(c.down)->isChecked()) << c.reply;
        EXPECT_EQ(f.page.cbActivetime->isEnabled(), c.fixTime) << c.reply;
        EXPECT_EQ(f.page.etPeriodgsmM->isEnabled(), c.gsmPeriod) << c.reply;
    }
    Fixture f(58);
    f.page.ReadSleepMode(f.ctx); // no answer: nothing changes, no label
    f.Apply();
    EXPECT_TRUE(f.page.btnDontsleepF0->isChecked());
    EXPECT_TRUE(f.marks.empty());
}

// ---------------------------------------------------------------- accessibility

TEST(EventsPage, EveryControlCarriesTheTextOfItsLabel)
{
    Fixture f;
    for (QWidget *w : f.page.Controls()) {
        if (qobject_cast<QLabel *>(w))
            continue;
        QString name = w->accessibleName();
        if (auto *b = qobject_cast<QAbstractButton *>(w); b && name.isEmpty())
            name = b->text(); // a button is read out by its caption
        EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString();
        if (QLabel *l = f.page.labelOf(w)) {
            EXPECT_TRUE(w->accessibleName().startsWith(l->text().trimmed()))
                << w->objectName().toStdString();
        }
    }
    EXPECT_EQ(f.page.RadioButton5->accessibleName(), "Режим 5");
    EXPECT_EQ(f.page.btnDontsleepFF->accessibleName(), "Спящий режим без постоянной фиксации");
    EXPECT_EQ(f.page.btnDontsleepFF->toolTip(), "Спящий режим без постоянной фиксации");
    EXPECT_EQ(f.page.lbetPeriodgsm->buddy(), f.page.etPeriodgsmS);
}

// The open kind list shows every caption whole, and the sleep-mode button
// that is down is set apart from the others by more than its shading.
TEST(EventsPage, KindListsOpenWideEnoughAndTheDownSleepButtonStandsOut)
{
    for (const bool gprs : {false, true}) {
        Fixture f;
        f.ShowMode5Controls();
        f.page.SetKindVisible(5, true);
        f.gprs.cbGPRS->setChecked(gprs);
        f.page.resize(640, 640);
        f.page.show();
        QApplication::processEvents();
        for (QComboBox *list : {f.page.cb1, f.page.cb2}) {
            list->showPopup();
            QApplication::processEvents();
            // What the list's own item painter asks for each entry.
            QAbstractItemView *view = list->view();
            const QFontMetrics fm = view->fontMetrics();
            QStyleOptionViewItem option;
            option.initFrom(view);
            option.decorationSize = list->iconSize();
            for (int i = 0; i < list->count(); ++i) {
                option.rect = QRect(0, 0, fm.horizontalAdvance(list->itemText(i)), fm.height());
                const int need =
                    view->itemDelegate()->sizeHint(option, list->model()->index(i, 0)).width();
                EXPECT_GE(view->viewport()->width(), need)
                    << list->itemText(i).toStdString() << " gprs " << gprs;
            }
            list->hidePopup();
        }
    }
    Fixture f;
    EXPECT_TRUE(f.page.btnDontsleepF0->font().bold());
    f.page.btnDontsleep0F->setChecked(true);
    EXPECT_TRUE(f.page.btnDontsleep0F->font().bold());
    for (QToolButton *b : {f.page.btnDontsleepF0, f.page.btnDontsleepFF, f.page.btnDontsleep00})
        EXPECT_FALSE(b->font().bold()) << b->objectName().toStdString();
}

// Renders the page as a tracker of 600.62 shows it, in several modes, for a
// look by eye: T3_EVENTS_SCREENSHOT=/tmp/events.png ./events_page_test
// writes /tmp/events.png and /tmp/events-<mode>.png.
TEST(EventsPage, Screenshot)
{
    const QString path = QString::fromLocal8Bit(qgetenv("T3_EVENTS_SCREENSHOT"));
    if (path.isEmpty())
        GTEST_SKIP() << "set T3_EVENTS_SCREENSHOT to a file name";
    const struct {
        const char *suffix;
        int mode;
        const char *sleep;
        bool gprs;
    } shots[] = {{"", 5, "btnDontsleepFF", true},
                 {"-1", 1, "btnDontsleepF0", false},
                 {"-3", 3, "btnDontsleepF0", false},
                 {"-5F0", 5, "btnDontsleepF0", false},
                 {"-50F", 5, "btnDontsleep0F", false}};
    for (const auto &s : shots) {
        Fixture f;
        f.ShowMode5Controls();
        f.page.SetKindVisible(5, true);
        f.gprs.cbGPRS->setChecked(s.gprs);
        f.page.RadioButtons[s.mode - 1]->setChecked(true);
        f.page.findChild<QToolButton *>(s.sleep)->setChecked(true);
        f.page.UpdateModeControls();
        f.page.cb1->setCurrentIndex(2);
        f.page.resize(640, 640);
        f.page.show();
        QApplication::processEvents(); // layout requests of the controls just shown
        QString file = path;
        file.insert(file.lastIndexOf('.'), s.suffix);
        EXPECT_TRUE(f.page.grab().save(file)) << file.toStdString();
    }
}

} // namespace
