#include <gtest/gtest.h>

#include <QStringList>
#include <functional>
#include <stdexcept>

#include "FakeExchange.h"
#include "device/DevTrevalo.h"

namespace
{

struct Fixture {
    FakeExchange fake;
    TDevTrevalo dev{&fake};
};

// ---- Reads: request line, tracker value, success and the decoded result ----

struct ReadCase {
    const char *name;
    const char *request;
    const char *reply; // nullptr: no "OK"
    bool ok;
    const char *expected; // decoded value as text; after a failure the untouched sentinel
    std::function<bool(TDevTrevalo &, QString &)> read;
};

QString b(bool v)
{
    return v ? QStringLiteral("on") : QStringLiteral("off");
}

template <typename F> std::function<bool(TDevTrevalo &, QString &)> intRead(F f)
{
    return [f](TDevTrevalo &d, QString &out) {
        int v = -12345;
        const bool ok = (d.*f)(v);
        out = QString::number(v);
        return ok;
    };
}

template <typename F> std::function<bool(TDevTrevalo &, QString &)> boolRead(F f)
{
    return [f](TDevTrevalo &d, QString &out) {
        bool v = true;
        const bool ok = (d.*f)(v);
        out = b(v);
        return ok;
    };
}

template <typename F> std::function<bool(TDevTrevalo &, QString &)> textRead(F f)
{
    return [f](TDevTrevalo &d, QString &out) {
        out = QStringLiteral("untouched");
        return (d.*f)(out);
    };
}

std::function<bool(TDevTrevalo &, QString &)> slotRead(bool (TDevTrevalo::*f)(int, QString &),
                                                       int slot)
{
    return [f, slot](TDevTrevalo &d, QString &out) {
        out = QStringLiteral("untouched");
        return (d.*f)(slot, out);
    };
}

const ReadCase kReads[] = {
    {"object leading zeros", "+object", "0050", true, "50", intRead(&TDevTrevalo::ReadObject)},
    {"object not decimal", "+object", "00A0", false, "-12345", intRead(&TDevTrevalo::ReadObject)},
    {"object empty", "+object", "", false, "-12345", intRead(&TDevTrevalo::ReadObject)},
    {"object no OK", "+object", nullptr, false, "-12345", intRead(&TDevTrevalo::ReadObject)},
    {"latit hex", "+latit", "00E6", true, "230", intRead(&TDevTrevalo::ReadLatit)},
    {"longit lower case", "+longit", "012c", true, "300", intRead(&TDevTrevalo::ReadLongit)},
    {"longit not hex", "+longit", "12G", false, "-12345", intRead(&TDevTrevalo::ReadLongit)},
    {"timefix", "+timefix", "05", true, "5", intRead(&TDevTrevalo::ReadTimefix)},
    {"turn 00 on", "+turn", "00", true, "on", boolRead(&TDevTrevalo::ReadTurn)},
    {"turn ff off", "+turn", "ff", true, "off", boolRead(&TDevTrevalo::ReadTurn)},
    {"turn 01 fails", "+turn", "01", false, "on", boolRead(&TDevTrevalo::ReadTurn)},
    {"fixtrid FF", "+fixtrid", "FF", true, "off", boolRead(&TDevTrevalo::ReadFixtrid)},
    {"gprsena 01 off", "+gprsena", "01", true, "off", boolRead(&TDevTrevalo::ReadGprsena)},
    {"gprsena 00 on", "+gprsena", "00", true, "on", boolRead(&TDevTrevalo::ReadGprsena)},
    {"gprsena ZZ fails", "+gprsena", "ZZ", false, "on", boolRead(&TDevTrevalo::ReadGprsena)},
    {"gphone", "+gphone", "*99#", true, "*99#", textRead(&TDevTrevalo::ReadGphone)},
    {"GAPN", "+GAPN", "internet.book", true, "internet.book", textRead(&TDevTrevalo::ReadGapn)},
    {"gprsname", "+gprsname", "internet", true, "internet", textRead(&TDevTrevalo::ReadGprsName)},
    {"gprspswd", "+gprspswd", "qwertyui", true, "qwertyui", textRead(&TDevTrevalo::ReadGprsPswd)},
    {"IPadr", "+IPadr", "10.0.0.1", true, "10.0.0.1", textRead(&TDevTrevalo::ReadIpAdr)},
    {"IPadr no OK keeps text", "+IPadr", nullptr, false, "untouched",
     textRead(&TDevTrevalo::ReadIpAdr)},
    {"IPport decimal", "+IPport", "3055", true, "3055", intRead(&TDevTrevalo::ReadIpPort)},
    {"servpswd", "+servpswd", "MolvRask", true, "MolvRask", textRead(&TDevTrevalo::ReadServPswd)},
    {"timegpres 0F", "+timegpres", "0F", true, "15", intRead(&TDevTrevalo::ReadTimegpres)},
    {"presstime 0A is index 8", "+presstime", "0A", true, "8",
     intRead(&TDevTrevalo::ReadPresstime)},
    {"periodgsm", "+periodgsm", "05A0", true, "1440", intRead(&TDevTrevalo::ReadPeriodgsm)},
    {"periodgps", "+periodgps", "000A", true, "10", intRead(&TDevTrevalo::ReadPeriodgps)},
    {"activegsm seconds", "+activegsm", "0078", true, "120", intRead(&TDevTrevalo::ReadActivegsm)},
    {"gprssms", "+gprssms", "00", true, "on", boolRead(&TDevTrevalo::ReadGprssms)},
    {"dontsleep verbatim", "+dontsleep", "0F", true, "0F", textRead(&TDevTrevalo::ReadDontsleep)},
    {"activetime verbatim", "+activetime", "012C", true, "012C",
     textRead(&TDevTrevalo::ReadActivetime)},
    {"alphon slot 1", "+alphon1", "+79001234567", true, "+79001234567",
     slotRead(&TDevTrevalo::ReadAlphon, 1)},
    {"alphon empty", "+alphon0", "", true, "", slotRead(&TDevTrevalo::ReadAlphon, 0)},
    {"enaing 01 off", "+enaing", "01", true, "off", boolRead(&TDevTrevalo::ReadEnaing)},
    {"enaing 00 on", "+enaing", "00", true, "on", boolRead(&TDevTrevalo::ReadEnaing)},
    {"enaing not hex", "+enaing", "ERR", false, "on", boolRead(&TDevTrevalo::ReadEnaing)},
    {"ing slot 9", "+ing9", "89001112233", true, "89001112233", slotRead(&TDevTrevalo::ReadIng, 9)},
    {"ing no OK", "+ing3", nullptr, false, "untouched", slotRead(&TDevTrevalo::ReadIng, 3)},
    {"disp minutes", "+disp", "1E", true, "30", intRead(&TDevTrevalo::ReadDisp)},
    {"disp off", "+disp", "FF", true, "255", intRead(&TDevTrevalo::ReadDisp)},
    {"disp not hex fails", "+disp", "on", false, "-12345", intRead(&TDevTrevalo::ReadDisp)},
};

class CatalogueRead : public ::testing::TestWithParam<ReadCase>
{
};

TEST_P(CatalogueRead, SendsRequestAndDecodes)
{
    const ReadCase &c = GetParam();
    Fixture f;
    if (c.reply)
        f.fake.values[QString::fromLatin1(c.request)] = QString::fromLatin1(c.reply);
    QString got;
    const bool ok = c.read(f.dev, got);
    EXPECT_EQ(f.fake.sent, QStringList{QString::fromLatin1(c.request)});
    EXPECT_EQ(ok, c.ok);
    // A failed read leaves the sentinel the reader put in.
    EXPECT_EQ(got, QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Table, CatalogueRead, ::testing::ValuesIn(kReads), [](const auto &info) {
    std::string n = info.param.name;
    for (char &ch : n)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return n;
});

// ---- Writes: the exact line sent ----

struct WriteCase {
    const char *name;
    std::function<bool(TDevTrevalo &)> write;
    QString line;
};

const WriteCase kWrites[] = {
    {"object four digits", [](TDevTrevalo &d) { return d.WriteObject(50); }, "+object0050"},
    {"latit 230", [](TDevTrevalo &d) { return d.WriteLatit(230); }, "+latit00E6"},
    {"longit 300", [](TDevTrevalo &d) { return d.WriteLongit(300); }, "+longit012C"},
    {"timefix 5", [](TDevTrevalo &d) { return d.WriteTimefix(5); }, "+timefix05"},
    {"timefix overflow", [](TDevTrevalo &d) { return d.WriteTimefix(4096); }, "+timefix1000"},
    {"turn on", [](TDevTrevalo &d) { return d.WriteTurn(true); }, "+turn00"},
    {"fixtrid off", [](TDevTrevalo &d) { return d.WriteFixtrid(false); }, "+fixtridFF"},
    {"gprsena on", [](TDevTrevalo &d) { return d.WriteGprsena(true); }, "+gprsena00"},
    {"gphone", [](TDevTrevalo &d) { return d.WriteGphone("*99#"); }, "+gphone*99#"},
    {"GAPN", [](TDevTrevalo &d) { return d.WriteGapn("internet.book"); }, "+GAPNinternet.book"},
    {"IPadr empty is bare", [](TDevTrevalo &d) { return d.WriteIpAdr(""); }, "+IPadr"},
    {"IPport decimal", [](TDevTrevalo &d) { return d.WriteIpPort(3055); }, "+IPport3055"},
    {"servpswd", [](TDevTrevalo &d) { return d.WriteServPswd("MolvRask"); }, "+servpswdMolvRask"},
    {"timegpres list 0", [](TDevTrevalo &d) { return d.WriteTimegpres(10); }, "+timegpres0A"},
    {"timegpres 20", [](TDevTrevalo &d) { return d.WriteTimegpres(20); }, "+timegpres14"},
    {"zact input 2", [](TDevTrevalo &d) { return d.WriteZact(false, true); }, "+zact02"},
    {"flagact input 2 mode 5",
     [](TDevTrevalo &d) {
         TDevTrevalo::FlagAct f;
         f.input2 = true;
         f.mode = 5;
         return d.WriteFlagact(f);
     },
     "+flagact0204"},
    {"flagact all flags mode 1",
     [](TDevTrevalo &d) {
         return d.WriteFlagact({true, true, true, 1});
     },
     "+flagact4300"},
    {"alphon empty stays bare", [](TDevTrevalo &d) { return d.WriteAlphon(0, ""); }, "+alphon0"},
    {"alphon slot 1", [](TDevTrevalo &d) { return d.WriteAlphon(1, "+7900"); }, "+alphon1+7900"},
    {"allogic SMS, not used, or",
     [](TDevTrevalo &d) {
         return d.WriteAllogic({2, 0, false});
     },
     "+allogicFA"},
    {"allogic GSM, voice, and",
     [](TDevTrevalo &d) {
         return d.WriteAllogic({1, 3, true});
     },
     "+allogic19"},
    {"presstime index 0", [](TDevTrevalo &d) { return d.WritePresstime(0 + 2); }, "+presstime02"},
    {"dontsleep F0", [](TDevTrevalo &d) { return d.WriteDontsleep(false, false, false, true); },
     "+dontsleepF0"},
    {"dontsleep later wins",
     [](TDevTrevalo &d) { return d.WriteDontsleep(true, true, false, false); }, "+dontsleep0F"},
    {"dontsleep none is bare",
     [](TDevTrevalo &d) { return d.WriteDontsleep(false, false, false, false); }, "+dontsleep"},
    {"periodgsm", [](TDevTrevalo &d) { return d.WritePeriodgsm(10080); }, "+periodgsm2760"},
    {"periodgps", [](TDevTrevalo &d) { return d.WritePeriodgps(10); }, "+periodgps000A"},
    {"activetime", [](TDevTrevalo &d) { return d.WriteActivetime("0258"); }, "+activetime0258"},
    {"activegsm 2 min", [](TDevTrevalo &d) { return d.WriteActivegsm(2); }, "+activegsm0078"},
    {"activegsm 1092 min", [](TDevTrevalo &d) { return d.WriteActivegsm(1092); }, "+activegsmFFF0"},
    {"gprssms off", [](TDevTrevalo &d) { return d.WriteGprssms(false); }, "+gprssmsFF"},
    {"mflag reset is bare", [](TDevTrevalo &d) { return d.ResetEventFlags(); }, "+mflag"},
    {"enaing off", [](TDevTrevalo &d) { return d.WriteEnaing(false); }, "+enaingFF"},
    {"ing empty is one space", [](TDevTrevalo &d) { return d.WriteIng(3, ""); }, "+ing3 "},
    {"ing text", [](TDevTrevalo &d) { return d.WriteIng(0, "89001112233"); }, "+ing089001112233"},
    {"disp 30", [](TDevTrevalo &d) { return d.WriteDisp(30); }, "+disp1E"},
    {"disp 300 three digits", [](TDevTrevalo &d) { return d.WriteDisp(300); }, "+disp12C"},
    {"disp on", [](TDevTrevalo &d) { return d.WriteDisp(0); }, "+disp00"},
};

class CatalogueWrite : public ::testing::TestWithParam<WriteCase>
{
};

TEST_P(CatalogueWrite, SendsExactLineAndReportsOk)
{
    const WriteCase &c = GetParam();
    {
        Fixture f;
        f.fake.values[c.line] = QString();
        EXPECT_TRUE(c.write(f.dev));
        EXPECT_EQ(f.fake.sent, QStringList{c.line});
    }
    {
        Fixture f; // no "OK" for the line
        EXPECT_FALSE(c.write(f.dev));
        EXPECT_EQ(f.fake.sent, QStringList{c.line});
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CatalogueWrite, ::testing::ValuesIn(kWrites), [](const auto &info) {
    std::string n = info.param.name;
    for (char &ch : n)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return n;
});

// ---- Bit layouts read from the tracker ----

TEST(CatalogueLayouts, AllogicRead)
{
    struct {
        const char *reply;
        int kind1, kind2;
        bool andChoice;
    } cases[] = {
        {"0F", 0, 1, true},  // number 1 code 7, number 2 code 1
        {"FA", 2, 0, false}, // the write example read back
        {"00", 0, 0, true},  // code 0 is "not used"
        {"2D", 0, 0, true},  // codes 5 and 5
        {"40", 0, 0, false}, // 64: no longer "И"
        {"23", 3, 4, true},
    };
    for (const auto &c : cases) {
        Fixture f;
        f.fake.values["+allogic"] = c.reply;
        TDevTrevalo::AlarmLogic l;
        ASSERT_TRUE(f.dev.ReadAllogic(l)) << c.reply;
        EXPECT_EQ(l.kind1, c.kind1) << c.reply;
        EXPECT_EQ(l.kind2, c.kind2) << c.reply;
        EXPECT_EQ(l.andChoice, c.andChoice) << c.reply;
    }
}

TEST(CatalogueLayouts, FlagactAndZactRead)
{
    Fixture f;
    f.fake.values["+flagact"] = "4302";
    f.fake.values["+zact"] = "02";
    TDevTrevalo::FlagAct fa;
    ASSERT_TRUE(f.dev.ReadFlagact(fa));
    EXPECT_TRUE(fa.input1);
    EXPECT_TRUE(fa.input2);
    EXPECT_TRUE(fa.battery);
    EXPECT_EQ(fa.mode, 3);
    bool in1 = true, in2 = false;
    ASSERT_TRUE(f.dev.ReadZact(in1, in2));
    EXPECT_FALSE(in1);
    EXPECT_TRUE(in2);
}

TEST(CatalogueLayouts, MflagBits)
{
    struct {
        const char *reply;
        bool s1, v1, s2, v2, battery;
    } cases[] = {
        {"0005", true, false, true, false, false},
        {"100A", false, true, false, true, true},
        {"EFF0", false, false, false, false, false}, // only bits 0-3 and 12 count
    };
    for (const auto &c : cases) {
        Fixture f;
        f.fake.values["+MFLAG"] = c.reply;
        TDevTrevalo::EventFlags fl;
        ASSERT_TRUE(f.dev.ReadMflag(fl)) << c.reply;
        EXPECT_EQ(fl.input1Triggered, c.s1) << c.reply;
        EXPECT_EQ(fl.input1Restored, c.v1) << c.reply;
        EXPECT_EQ(fl.input2Triggered, c.s2) << c.reply;
        EXPECT_EQ(fl.input2Restored, c.v2) << c.reply;
        EXPECT_EQ(fl.batteryDischarged, c.battery) << c.reply;
    }
}

TEST(CatalogueLayouts, DontsleepAndActivetimeReplies)
{
    struct {
        const char *reply;
        int button;
    } sleep[] = {{"00", 0}, {"0F", 1}, {"FF", 2}, {"F0", 3}, {"", 3}, {"F00F", 0}};
    for (const auto &c : sleep)
        EXPECT_EQ(TDevTrevalo::DecodeDontsleep(c.reply), c.button) << c.reply;

    struct {
        const char *reply;
        bool ok;
        int index;
    } active[] = {{"FFFF", true, 0}, {"012C", true, 1}, {"0258", true, 2}, {"0384", true, 3},
                  {"FF", true, 0},   {"58", true, 2},   {"", false, -1},   {"1234", false, -1}};
    for (const auto &c : active) {
        int index = -1;
        EXPECT_EQ(TDevTrevalo::DecodeActivetime(c.reply, index), c.ok) << c.reply;
        EXPECT_EQ(index, c.index) << c.reply;
    }
}

TEST(CatalogueLink, LinkErrorsPassThrough)
{
    Fixture f;
    f.fake.throwLinkError = true;
    int v = 7;
    EXPECT_THROW(f.dev.ReadObject(v), std::runtime_error);
    EXPECT_EQ(v, 7);
    EXPECT_THROW(f.dev.WriteIng(0, ""), std::runtime_error);
}

} // namespace
