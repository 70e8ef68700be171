#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <map>
#include <memory>

#include "FakeExchange.h"
#include "RecordingContext.h"
#include "device/DevTrevalo.h"
#include "pages/PageExchange.h"
#include "pages/fCommon.h"
#include "pages/fFlags.h"
#include "pages/fGPRS.h"
#include "pages/fPhones.h"
#include "platform/IniFile.h"
#include "session/OutArray.h"

namespace
{

// A session around a scripted tracker: label marks and memo lines are
// recorded, values travel through a real output queue and are applied by
// Apply().
struct Session {
    FakeExchange fake;
    TDevTrevalo dev{&fake};
    TOutArray out;
    std::map<QString, bool> marks; // label name → last outcome
    QStringList memo;
    TRecordingContext ctx{fake};

    explicit Session(int major = 600, int minor = 70)
    {
        ctx.Dev = &dev;
        ctx.Out = &out;
        ctx.OnMark = [this](QObject *label, bool ok) { marks[label->objectName()] = ok; };
        ctx.OnMemo = [this](const QString &line) { memo << line; };
        ctx.VersionMajor = major;
        ctx.VersionMinor = minor;
    }
    void Apply() { out.Drain(nullptr, QString()); }
    // Mark of a label: "blue", "red" or "none".
    std::string Mark(const QString &label) const
    {
        auto it = marks.find(label);
        return it == marks.end() ? "none" : it->second ? "blue" : "red";
    }
};

QColor brush(TShape *s)
{
    return s->brushColor();
}

// ---------------------------------------------------------------- Common

TEST(CommonPage, DefaultsAndPointsIntervalKey)
{
    TformCommon page;
    page.etObjNum->setText("1");
    page.cbSgl->setChecked(true);
    page.SetDefaults();
    EXPECT_EQ(page.etObjNum->text(), "0050");
    EXPECT_EQ(page.etLat->text(), "230");
    EXPECT_EQ(page.etLon->text(), "300");
    EXPECT_EQ(page.etPI->text(), "5");
    EXPECT_FALSE(page.cbSgl->isChecked());
    EXPECT_FALSE(page.cbFixtrid->isChecked());

    QTemporaryDir dir;
    const QString path = dir.filePath("current.ini");
    struct {
        const char *stored; // nullptr: key missing
        bool shown;
        const char *savedBack;
    } cases[] = {{nullptr, false, "0"}, {"0", false, "0"}, {"1", true, "1"}, {"01", false, "0"}};
    for (const auto &c : cases) {
        {
            TIniFile ini(path);
            ini.EraseSection("formCommon");
            if (c.stored)
                ini.WriteString("formCommon", "PointsInterval", c.stored);
        }
        TformCommon p;
        TIniFile ini(path);
        p.LoadFromIni(ini);
        EXPECT_EQ(p.PointsIntervalShown(), c.shown) << (c.stored ? c.stored : "missing");
        EXPECT_EQ(p.lbPI->isHidden(), !c.shown);
        EXPECT_EQ(p.etPI->isHidden(), !c.shown);
        p.SaveToIni(ini);
        EXPECT_EQ(ini.ReadString("formCommon", "PointsInterval", "?"), c.savedBack);
    }
}

TEST(CommonPage, PointsIntervalEditKeepsItsRange)
{
    TformCommon page;
    struct {
        const char *typed;
        const char *shown;
    } cases[] = {{"300", "255"}, {"255", "255"}, {"", "0"}, {"12", "12"}};
    for (const auto &c : cases) {
        page.etPI->setText(c.typed);
        EXPECT_EQ(page.etPI->text(), c.shown) << c.typed;
    }
    EXPECT_TRUE(page.lbPI->buddy() == page.etPI);
    EXPECT_EQ(page.etObjNum->accessibleName(), "Номер объекта");
}

TEST(CommonPage, ReadFillsValuesAndGatesByVersion)
{
    for (const int minor : {42, 43}) {
        Session s(600, minor);
        s.fake.values = {{"+object", "0050"},
                         {"+latit", "00E6"},
                         {"+longit", "012C"},
                         {"+fixtrid", "00"}}; // "+turn" answers ERROR
        TformCommon page;
        page.cbSgl->setChecked(true);
        page.BeginRead();
        page.ReadCommon(s.ctx);
        s.Apply();
        QStringList expected = {"+object", "+latit", "+longit", "+turn"};
        if (minor >= 43)
            expected << "+fixtrid";
        EXPECT_EQ(s.fake.sent, expected);
        EXPECT_EQ(page.etObjNum->text(), "50");
        EXPECT_EQ(page.etLat->text(), "230");
        EXPECT_EQ(page.etLon->text(), "300");
        EXPECT_EQ(s.Mark("lbetObjNum"), "blue");
        EXPECT_EQ(s.Mark("lbSgl"), "red");
        EXPECT_FALSE(page.cbSgl->isChecked());
        EXPECT_EQ(s.Mark("lbPI"), "none"); // row hidden: timefix not exchanged
        EXPECT_EQ(page.cbFixtrid->isChecked(), minor >= 43);
    }
}

TEST(CommonPage, ReadValuesThatDoNotFitFail)
{
    // A cut or adjusted value would go back changed with the next write.
    const struct {
        const char *line, *value, *label, *named, *left;
        QLineEdit *TformCommon::*field;
    } cases[] = {{"+object", "12345", "lbetObjNum", "12345", "", &TformCommon::etObjNum},
                 {"+latit", "FFFF", "lbetLat", "65535", "", &TformCommon::etLat},
                 {"+longit", "2710", "lbetLon", "10000", "", &TformCommon::etLon},
                 // An emptied interval field shows "0" at once.
                 {"+timefix", "1FF", "lbPI", "511", "0", &TformCommon::etPI}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        Session s;
        s.fake.values = {{"+object", "0050"}, {"+latit", "00E6"}, {"+longit", "012C"},
                         {"+timefix", "05"},  {"+turn", "00"},    {"+fixtrid", "00"}};
        s.fake.values[c.line] = c.value;
        TformCommon page;
        page.SetPointsIntervalShown(true);
        page.BeginRead();
        page.ReadCommon(s.ctx);
        s.Apply();
        EXPECT_EQ(s.Mark(c.label), "red");
        EXPECT_EQ((page.*c.field)->text(), c.left);
        ASSERT_EQ(s.memo.size(), 1);
        EXPECT_TRUE(s.memo[0].contains(c.named)) << s.memo[0].toStdString();
        EXPECT_EQ(s.Mark("lbSgl"), "blue"); // the next setting is still read
    }
}

TEST(CommonPage, WriteSendsLinesAndRefusesBadNumbers)
{
    struct {
        const char *objNum, *lat, *pi;
        QStringList lines;
        std::vector<std::pair<QString, std::string>> marks;
        int memoLines;
    } cases[] = {
        {"50",
         "230",
         "7",
         {"+object0050", "+latit00E6", "+longit012C", "+timefix07", "+turn00", "+fixtridFF"},
         {{"lbetObjNum", "blue"}, {"lbetLat", "blue"}, {"lbPI", "blue"}},
         0},
        {"12a",
         "230",
         "7",
         {"+latit00E6", "+longit012C", "+timefix07", "+turn00", "+fixtridFF"},
         {{"lbetObjNum", "red"}, {"lbetLat", "blue"}},
         1},
        {"-1",
         "-5",
         "7",
         {"+longit012C", "+timefix07", "+turn00", "+fixtridFF"},
         {{"lbetObjNum", "red"}, {"lbetLat", "red"}, {"lbetLon", "blue"}},
         2},
        {" 50",
         "",
         "7",
         {"+object0050", "+longit012C", "+timefix07", "+turn00", "+fixtridFF"},
         {{"lbetObjNum", "blue"}, {"lbetLat", "red"}},
         1},
    };
    for (const auto &c : cases) {
        Session s;
        s.fake.AcceptWrites(c.lines);
        TformCommon page;
        page.SetPointsIntervalShown(true);
        page.SetFixTridShown(true);
        page.etObjNum->setText(c.objNum);
        page.etLat->setText(c.lat);
        page.etPI->setText(c.pi);
        page.cbSgl->setChecked(true);
        page.BeginWrite();
        page.WriteCommon(s.ctx);
        EXPECT_EQ(s.fake.sent, c.lines) << c.objNum;
        for (const auto &[label, mark] : c.marks)
            EXPECT_EQ(s.Mark(label), mark) << c.objNum << " " << label.toStdString();
        ASSERT_EQ(s.memo.size(), c.memoLines) << c.objNum;
        if (c.memoLines == 2) {
            EXPECT_TRUE(s.memo[0].contains("Номер объекта") && s.memo[0].contains("\"-1\""))
                << s.memo[0].toStdString();
        }
    }
}

// ---------------------------------------------------------------- GPRS

TEST(GprsPage, NumericAddress)
{
    struct {
        const char *text;
        bool numeric;
    } cases[] = {{"", true},           {"192.0.2.10", true}, {"1..2", true}, {"srv.example", false},
                 {"10.0.0.1 ", false}, {"１２", false}};
    for (const auto &c : cases)
        EXPECT_EQ(TformGPRS::IsNumericAddress(QString::fromUtf8(c.text)), c.numeric) << c.text;
}

TEST(GprsPage, DefaultsBeginReadAndSwitchHook)
{
    TformGPRS page;
    page.cbMRst->setCurrentIndex(5);
    page.etIp->setText("x");
    page.SetDefaults();
    EXPECT_EQ(page.cbMRst->currentText(), "10 минут");
    EXPECT_EQ(page.etGPRSphone->text(), "*99#");
    EXPECT_EQ(page.etPort->text(), "3055");
    EXPECT_EQ(page.etPswd->text(), "MolvRask");
    EXPECT_TRUE(TformGPRS::IsNumericAddress(page.etIp->text()));
    EXPECT_EQ(page.etPswdGPRS->text().size(), 8);

    page.cbMRst->setCurrentIndex(4);
    page.BeginRead();
    EXPECT_EQ(page.cbMRst->currentIndex(), 0);
    EXPECT_TRUE(page.etIp->text().isEmpty());

    QSignalSpy spy(&page, &TformGPRS::GprsSwitched);
    page.cbGPRS->setChecked(true);
    page.cbGPRS->setChecked(false);
    ASSERT_EQ(spy.size(), 2);
    EXPECT_TRUE(spy[0][0].toBool());
    EXPECT_FALSE(spy[1][0].toBool());
}

TEST(GprsPage, ReadFillsControlsAndRejectsListValuesOutside)
{
    for (const char *mrst : {"0F", "1F"}) {
        Session s;
        s.fake.values = {{"+gprsena", "00"},    {"+gphone", "*99#"},  {"+GAPN", "apn.test"},
                         {"+gprsname", "user"}, {"+gprspswd", "pw"},  {"+IPadr", "10.1.2.3"},
                         {"+IPport", "3055"},   {"+servpswd", "Srv"}, {"+timegpres", mrst}};
        TformGPRS page;
        page.BeginRead();
        page.cbMRst->setCurrentIndex(3);
        page.ReadGprs(s.ctx);
        s.Apply();
        EXPECT_TRUE(page.cbGPRS->isChecked());
        EXPECT_EQ(page.etAccessPoint->text(), "apn.test");
        EXPECT_EQ(page.etIp->text(), "10.1.2.3");
        EXPECT_EQ(page.etPort->text(), "3055");
        EXPECT_EQ(page.etPswd->text(), "Srv");
        for (const char *l : {"lbcb", "lbetGPRSphone", "lbetAccessPoint", "lbetLoginGPRS",
                              "lbetPswdGPRS", "lbetIp", "lbetPort", "lbetPswd"})
            EXPECT_EQ(s.Mark(l), "blue") << l;
        if (QString(mrst) == "0F") {
            EXPECT_EQ(page.cbMRst->currentText(), "15 минут");
            EXPECT_EQ(s.Mark("lbMRst"), "blue");
        } else {
            EXPECT_EQ(page.cbMRst->currentIndex(), 3); // 31 minutes has no entry
            EXPECT_EQ(s.Mark("lbMRst"), "red");
        }
    }
}

TEST(GprsPage, WriteServerAddressEmptyFieldsAndList)
{
    struct {
        const char *ip;
        bool serverNames;
        bool warned;
        const char *ipLine; // nullptr: not sent
    } cases[] = {
        {"srv.example.org", false, true, nullptr},
        {"192.0.2.10", false, false, "+IPadr192.0.2.10"},
        {"srv.example.org", true, false, "+IPadrsrv.example.org"},
        {"", true, false, nullptr}, // empty: would be a read
    };
    const TformGPRS::WarningFn original = TformGPRS::WarningHook;
    for (const auto &c : cases) {
        Session s;
        s.ctx.ServerNameSupported = c.serverNames;
        QStringList warnings;
        TformGPRS::WarningHook = [&](QWidget *, const QString &title, const QString &text) {
            warnings << title + "|" + text;
        };
        TformGPRS page;
        page.SetDefaults();
        page.etIp->setText(c.ip);
        page.etLoginGPRS->clear();
        page.cbMRst->setCurrentIndex(10);
        QStringList expected = {"+gprsenaFF", "+gphone*99#", "+GAPNinternet.mts.ru",
                                "+gprspswdpassword"};
        if (c.ipLine)
            expected << c.ipLine;
        expected << "+IPport3055"
                 << "+servpswdMolvRask"
                 << "+timegpres14";
        s.fake.AcceptWrites(expected);
        page.WriteGprs(s.ctx);
        EXPECT_EQ(s.fake.sent, expected) << c.ip;
        EXPECT_EQ(s.Mark("lbetLoginGPRS"), "red");
        EXPECT_EQ(s.Mark("lbetIp"), c.ipLine ? "blue" : "red") << c.ip;
        EXPECT_EQ(s.Mark("lbetPort"), "blue");
        EXPECT_EQ(s.Mark("lbMRst"), "blue");
        if (c.warned) {
            ASSERT_EQ(warnings.size(), 1);
            EXPECT_EQ(warnings[0], QString("Предупреждение|Ваш модем не поддерживает имя "
                                           "сервера в виде srv.example.org\r\nЗначение не было "
                                           "записано!!!"));
        } else {
            EXPECT_TRUE(warnings.isEmpty()) << c.ip;
        }
        // One memo line for the empty login, one more for an empty address.
        EXPECT_EQ(s.memo.size(), QString(c.ip).isEmpty() ? 2 : 1) << c.ip;
    }
    TformGPRS::WarningHook = original;
}

TEST(GprsPage, WriteRefusesUnsendableTextsPortAndNoSelection)
{
    Session s;
    TformGPRS page;
    page.SetDefaults();
    page.etGPRSphone->setText("*99#\t");
    page.etAccessPoint->setText("точка€"); // "€" has a Windows-1251 byte
    page.etPswdGPRS->setText("пароль✓");   // "✓" has none
    page.etPort->setText("65536");
    page.cbMRst->setCurrentIndex(-1);
    s.fake.AcceptWrites({"+gprsenaFF", "+GAPNточка€", "+gprsnameinternet", "+IPadr192.0.2.10",
                         "+servpswdMolvRask"});
    page.WriteGprs(s.ctx);
    EXPECT_EQ(s.fake.sent, QStringList({"+gprsenaFF", "+GAPNточка€", "+gprsnameinternet",
                                        "+IPadr192.0.2.10", "+servpswdMolvRask"}));
    for (const char *l : {"lbetGPRSphone", "lbetPswdGPRS", "lbetPort", "lbMRst"})
        EXPECT_EQ(s.Mark(l), "red") << l;
    ASSERT_EQ(s.memo.size(), 4);
    EXPECT_TRUE(s.memo[0].contains("Номер телефона GPRS") && s.memo[0].contains("*99#[09]"))
        << s.memo[0].toStdString();
    EXPECT_TRUE(s.memo[2].contains("65536"));
}

// ---------------------------------------------------------------- Flags

TEST(FlagsPage, GridColumnsFollowTheFirmware)
{
    TformFlags page;
    EXPECT_EQ(page.StringGrid1->item(0, 0)->text(), "Вход 1");
    EXPECT_EQ(page.StringGrid1->item(0, 1)->text(), "Вход 2");
    EXPECT_EQ(page.StringGrid1->item(0, 2)->text(), "");
    EXPECT_EQ(page.StringGrid1->columnWidth(2), 0);
    EXPECT_TRUE(page.sh->isHidden());
    page.SetBatteryColumnShown(true);
    EXPECT_EQ(page.StringGrid1->item(0, 2)->text(), "Батарея разряжена");
    EXPECT_GE(page.StringGrid1->columnWidth(2), 105);
    EXPECT_FALSE(page.sh->isHidden());
    page.SetBatteryColumnShown(false);
    EXPECT_TRUE(page.sh->isHidden());
    EXPECT_EQ(page.btnRST->accessibleName(), "Сбросить флаги");
}

TEST(FlagsPage, ReadColoursCircles)
{
    const QColor lime = QColor::fromRgb(0x00FF00), red = QColor::fromRgb(0xFF0000);
    struct {
        const char *reply; // nullptr: ERROR
        bool s1, v1, s2, v2, battery;
        const char *mark;
    } cases[] = {{"0005", true, false, true, false, false, "blue"},
                 {"100A", false, true, false, true, true, "blue"},
                 {"XYZ", false, false, false, false, false, "red"},
                 {nullptr, false, false, false, false, false, "red"}};
    for (const auto &c : cases) {
        Session s;
        if (c.reply)
            s.fake.values["+MFLAG"] = c.reply;
        TformFlags page;
        page.shs1->setBrushColor(lime); // from an earlier read
        page.BeginRead();
        page.ReadFlags(s.ctx);
        s.Apply();
        const char *r = c.reply ? c.reply : "ERROR";
        EXPECT_EQ(brush(page.shs1), c.s1 ? lime : QColor(Qt::white)) << r;
        EXPECT_EQ(brush(page.shv1), c.v1 ? lime : QColor(Qt::white)) << r;
        EXPECT_EQ(brush(page.shs2), c.s2 ? lime : QColor(Qt::white)) << r;
        EXPECT_EQ(brush(page.shv2), c.v2 ? lime : QColor(Qt::white)) << r;
        EXPECT_EQ(brush(page.sh), c.battery ? red : QColor(Qt::white)) << r;
        EXPECT_EQ(s.Mark("Label1"), c.mark) << r;
        EXPECT_EQ(s.Mark("Label2"), c.mark) << r;
    }
}

TEST(FlagsPage, ResetButtonPostsOnlyWhenASessionTakesIt)
{
    TformFlags page;
    const QColor lime = QColor::fromRgb(0x00FF00);
    page.shs1->setBrushColor(lime);
    page.btnRST->click(); // no session
    EXPECT_EQ(brush(page.shs1), lime);
    int posted = 0;
    page.PostResetFlags = [&] { return ++posted, false; }; // worker busy
    page.btnRST->click();
    EXPECT_EQ(brush(page.shs1), lime);
    page.PostResetFlags = [&] { return ++posted, true; };
    page.btnRST->click();
    EXPECT_EQ(posted, 2);
    EXPECT_EQ(brush(page.shs1), QColor(Qt::white));

    Session s;
    s.fake.AcceptWrites({"+mflag"});
    page.ResetFlags(s.ctx);
    EXPECT_EQ(s.fake.sent, QStringList{"+mflag"});
}

// ---------------------------------------------------------------- Engineering numbers

TEST(PhonesPage, EnableRules)
{
    TformPhones page;
    struct {
        bool phones;
        QRadioButton *TformPhones::*choice;
        QRadioButton *TformPhones::*result;
        bool radiosEnabled, timeEnabled;
    } cases[] = {
        {false, &TformPhones::rbDispOnTime, &TformPhones::rbDispOff, false, false},
        {true, &TformPhones::rbDispOnTime, &TformPhones::rbDispOnTime, true, true},
        {true, &TformPhones::rbDispOn, &TformPhones::rbDispOn, true, false},
        {true, &TformPhones::rbDispOff, &TformPhones::rbDispOff, true, false},
    };
    for (const auto &c : cases) {
        page.cbPhones->setChecked(true);
        (page.*c.choice)->setChecked(true);
        page.cbPhones->setChecked(c.phones);
        EXPECT_TRUE((page.*c.result)->isChecked());
        EXPECT_EQ(page.rbDispOn->isEnabled(), c.radiosEnabled);
        EXPECT_EQ(page.rbDispOnTime->isEnabled(), c.radiosEnabled);
        EXPECT_EQ(page.etTime->isEnabled(), c.timeEnabled);
    }
    // Unchecking while on-for-a-time is chosen switches to off and greys the minutes.
    page.cbPhones->setChecked(true);
    page.rbDispOnTime->setChecked(true);
    page.cbPhones->setChecked(false);
    EXPECT_TRUE(page.rbDispOff->isChecked());
    EXPECT_FALSE(page.etTime->isEnabled());
    EXPECT_EQ(page.etTime->palette().color(QPalette::Base), QPalette().color(QPalette::Button));
}

TEST(PhonesPage, DefaultsKeepGridAndIniHoldsNumbers)
{
    TformPhones page;
    page.SetNumber(0, "89001112233");
    page.cbPhones->setChecked(true);
    page.rbDispOn->setChecked(true);
    page.etTime->setText("9");
    page.SetDefaults();
    EXPECT_FALSE(page.cbPhones->isChecked());
    EXPECT_TRUE(page.rbDispOff->isChecked());
    EXPECT_EQ(page.etTime->text(), "1");
    EXPECT_EQ(page.Number(0), "89001112233");

    QTemporaryDir dir;
    const QString path = dir.filePath("set.ini");
    page.SetNumber(9, "+7 (900) 000");
    page.cbPhones->setChecked(true);
    page.rbDispOnTime->setChecked(true);
    {
        TIniFile ini(path);
        page.SaveToIni(ini);
        EXPECT_EQ(ini.ReadString("EnPhones", "EnPhone1", "?"), "89001112233");
        EXPECT_EQ(ini.ReadString("EnPhones", "EnPhone2", "?"), "");
        EXPECT_EQ(ini.ReadString("EnPhones", "EnPhone10", "?"), "+7 (900) 000");
        ini.DeleteKey("EnPhones", "EnPhone2");
    }
    TformPhones back;
    back.SetNumber(1, "stale");
    TIniFile ini(path);
    back.LoadFromIni(ini);
    EXPECT_EQ(back.Number(0), "89001112233");
    EXPECT_EQ(back.Number(1), ""); // missing key reads as empty
    EXPECT_EQ(back.Number(9), "+7 (900) 000");
    EXPECT_TRUE(back.cbPhones->isChecked());
    EXPECT_TRUE(back.rbDispOnTime->isChecked());
    EXPECT_TRUE(back.etTime->isEnabled());
    EXPECT_EQ(back.SG1->horizontalHeaderItem(1)->text(), "Телефон");
    EXPECT_EQ(back.SG1->item(9, 0)->text(), "10");
}

TEST(PhonesPage, PhoneCellTakesThirtyCharacters)
{
    TformPhones page;
    QTableWidgetItem *cell = page.SG1->item(1, 1);
    page.SG1->openPersistentEditor(cell);
    auto *editor = qobject_cast<QLineEdit *>(page.SG1->cellWidget(1, 1));
    ASSERT_NE(editor, nullptr);
    editor->setText(QString(30, QLatin1Char('1')));
    editor->insert("2");
    EXPECT_EQ(editor->text(), QString(30, QLatin1Char('1')));
    editor->backspace();
    EXPECT_EQ(editor->text().size(), 29);
    EXPECT_TRUE(page.SG1->item(0, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(page.SG1->item(5, 0)->flags() & Qt::ItemIsEditable);
}

TEST(PhonesPage, ScreenReaderHearsTheNumbersAsRowHeadings)
{
    TformPhones page;
    page.SetNumber(4, "89005550000");
    page.show();
    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(page.SG1);
    ASSERT_NE(grid, nullptr);
    QAccessibleTableInterface *table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    // Ten rows of data; the heading is no row of them.
    EXPECT_EQ(table->rowCount(), 10);
    EXPECT_EQ(table->columnCount(), 2);
    for (int row = 0; row < 10; ++row) {
        SCOPED_TRACE(row);
        QAccessibleTableCellInterface *cell = table->cellAt(row, 1)->tableCellInterface();
        ASSERT_NE(cell, nullptr);
        const QList<QAccessibleInterface *> rowHeads = cell->rowHeaderCells();
        ASSERT_EQ(rowHeads.size(), 1);
        EXPECT_EQ(rowHeads[0]->text(QAccessible::Name), QString::number(row + 1));
        EXPECT_EQ(table->cellAt(row, 0)->text(QAccessible::Name), QString::number(row + 1));
        const QList<QAccessibleInterface *> columnHeads = cell->columnHeaderCells();
        ASSERT_EQ(columnHeads.size(), 1);
        EXPECT_EQ(columnHeads[0]->text(QAccessible::Name), "Телефон");
    }
    EXPECT_EQ(table->cellAt(4, 1)->text(QAccessible::Name), "89005550000");
}

TEST(PhonesPage, ReadFillsOnlyWhatArrived)
{
    struct {
        const char *disp; // nullptr: ERROR
        QRadioButton *TformPhones::*choice;
        const char *minutes;
        int memoLines; // slot 3 fails in every case
    } cases[] = {{"1E", &TformPhones::rbDispOnTime, "30", 1},
                 {"00", &TformPhones::rbDispOn, "", 1},
                 {"FF", &TformPhones::rbDispOff, "", 1},
                 {"on", &TformPhones::rbDispOff, "", 2}, // not hex: a failed read
                 {nullptr, &TformPhones::rbDispOff, "", 2}};
    for (const auto &c : cases) {
        Session s;
        s.fake.values["+enaing"] = "00";
        for (int slot = 0; slot < 10; ++slot)
            if (slot != 3)
                s.fake.values[QString("+ing%1").arg(slot)] = QString("8900%1").arg(slot);
        if (c.disp)
            s.fake.values["+disp"] = c.disp;
        TformPhones page;
        page.SetNumber(3, "old");
        page.BeginRead();
        page.ReadPhones(s.ctx);
        s.Apply();
        const char *d = c.disp ? c.disp : "ERROR";
        EXPECT_TRUE(page.cbPhones->isChecked()) << d;
        EXPECT_EQ(s.Mark("lbPhones"), "blue");
        EXPECT_EQ(page.Number(0), "89000");
        EXPECT_EQ(page.Number(9), "89009");
        EXPECT_EQ(page.Number(3), ""); // as BeginRead left it, not the error text
        EXPECT_EQ(s.Mark("Label1"), "red");
        EXPECT_TRUE(s.memo.value(0).contains("Инженерный номер 4"))
            << s.memo.value(0).toStdString();
        EXPECT_TRUE((page.*c.choice)->isChecked()) << d;
        EXPECT_EQ(page.etTime->text(), c.minutes) << d;
        EXPECT_EQ(s.memo.size(), c.memoLines) << d;
    }
}

TEST(PhonesPage, WriteNumbersAndDispatcher)
{
    struct {
        const char *name;
        bool phones;
        QRadioButton *TformPhones::*choice;
        const char *minutes;
        bool withNumber;
        const char *enaing;
        const char *disp; // nullptr: refused
    } cases[] = {
        {"timed 30", true, &TformPhones::rbDispOnTime, "30", true, "+enaing00", "+disp1E"},
        {"timed 300", true, &TformPhones::rbDispOnTime, "300", true, "+enaing00", "+disp12C"},
        {"on", true, &TformPhones::rbDispOn, "1", true, "+enaing00", "+disp00"},
        {"timed 0", true, &TformPhones::rbDispOnTime, "0", true, "+enaing00", nullptr},
        {"timed 255", true, &TformPhones::rbDispOnTime, "255", true, "+enaing00", nullptr},
        {"timed letters", true, &TformPhones::rbDispOnTime, "x", true, "+enaing00", nullptr},
        {"no numbers", true, &TformPhones::rbDispOnTime, "30", false, "+enaingFF", "+dispFF"},
    };
    for (const auto &c : cases) {
        Session s;
        TformPhones page;
        page.cbPhones->setChecked(c.phones);
        (page.*c.choice)->setChecked(true);
        page.etTime->setText(c.minutes);
        if (c.withNumber)
            page.SetNumber(0, "89001112233");
        QStringList expected = {c.enaing};
        expected << (c.withNumber ? "+ing089001112233" : "+ing0 ");
        for (int slot = 1; slot < 10; ++slot)
            expected << QString("+ing%1 ").arg(slot);
        if (c.disp)
            expected << c.disp;
        s.fake.AcceptWrites(expected);
        page.WritePhones(s.ctx);
        EXPECT_EQ(s.fake.sent, expected) << c.name;
        EXPECT_EQ(s.Mark("lbPhones"), "blue") << c.name;
        EXPECT_EQ(s.Mark("Label1"), "blue") << c.name;
        EXPECT_EQ(page.cbPhones->isChecked(), c.withNumber) << c.name;
        EXPECT_EQ(s.memo.size(), c.disp ? 0 : 1) << c.name;
        if (!c.disp) {
            EXPECT_TRUE(s.memo[0].contains("Диспетчерская связь") && s.memo[0].contains(c.minutes))
                << s.memo[0].toStdString();
        }
    }
}

TEST(PhonesPage, WriteRefusesUnsendableNumberAndGoesOn)
{
    Session s;
    TformPhones page;
    page.cbPhones->setChecked(true);
    page.SetNumber(0, "8900\n1");
    page.SetNumber(1, "89001112233");
    QStringList expected = {"+enaing00", "+ing189001112233"};
    for (int slot = 2; slot < 10; ++slot)
        expected << QString("+ing%1 ").arg(slot);
    expected << "+dispFF";
    s.fake.AcceptWrites(expected);
    page.WritePhones(s.ctx);
    EXPECT_EQ(s.fake.sent, expected);
    EXPECT_EQ(s.Mark("Label1"), "red");
    ASSERT_EQ(s.memo.size(), 1);
    EXPECT_TRUE(s.memo[0].contains("Инженерный номер 1") && s.memo[0].contains("8900[0A]1"))
        << s.memo[0].toStdString();
}

// ---------------------------------------------------------------- accessibility

TEST(SettingsPages, EveryValueControlHasItsLabelText)
{
    std::vector<std::unique_ptr<TformIncl>> pages;
    pages.emplace_back(new TformCommon);
    pages.emplace_back(new TformGPRS);
    pages.emplace_back(new TformFlags);
    pages.emplace_back(new TformPhones);
    for (const auto &p : pages) {
        for (QWidget *w : p->Controls()) {
            if (TformIncl::KindOf(w) == TControlKind::ckLabel)
                continue;
            const QString name = w->accessibleName().isEmpty()
                                     ? qobject_cast<QAbstractButton *>(w)
                                           ? qobject_cast<QAbstractButton *>(w)->text()
                                           : QString()
                                     : w->accessibleName();
            EXPECT_FALSE(name.trimmed().isEmpty())
                << p->PageName().toStdString() << "/" << w->objectName().toStdString();
        }
    }
}

} // namespace
