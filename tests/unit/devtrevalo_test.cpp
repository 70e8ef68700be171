#include <gtest/gtest.h>

#include <deque>

#include "device/DevTrevalo.h"

namespace
{

// Scripted stand-in for the modem worker: records the command lines and
// answers each with the next scripted reply.
class FakeExchange : public IModemExchange
{
  public:
    struct Reply {
        bool ok;
        QString text;
    };
    std::deque<Reply> replies;
    QStringList sent;
    QList<int> tries, timeouts;

    bool Exchange(const QString &command, QString &reply, const QString &expected, int t,
                  int timeoutMs, bool) override
    {
        EXPECT_EQ(expected, QStringLiteral("OK"));
        sent << command;
        tries << t;
        timeouts << timeoutMs;
        if (replies.empty()) {
            reply.clear();
            return false;
        }
        Reply r = replies.front();
        replies.pop_front();
        reply = r.text;
        return r.ok;
    }
    bool ExchangeHex(const QString &, QString &, const QString &, int, int) override
    {
        return false;
    }
};

TEST(ParseValue, Cases)
{
    const struct {
        const char *reply;
        const char *value;
    } cases[] = {
        {"x>1F\r\nOK\r\n", "1F"},
        {"+v\r\n>REV 07.600.070\r\nOK\r\n", "REV 07.600.070"},
        {">a>b\r\nOK\r\n", "a>b"},       // everything after the first ">"
        {">1F\r\nok\r\n", ""},           // lower-case OK: empty value
        {">BOOKER\r\nOK\r\n", "BOOKER"}, // letters OK inside a value are data
        {">internet.book\r\nOK", "internet.book"},
        {"1F\r\nOK\r\n", "1F"}, // no ">": the whole reply
        {">  7 \r\n\r\nOK\r\n", "7"},
        {">00\r\n", ""}, // no OK at all
    };
    for (const auto &c : cases)
        EXPECT_EQ(TDevTrevalo::ParseValue(QString::fromLatin1(c.reply)),
                  QString::fromLatin1(c.value))
            << c.reply;
}

TEST(IsSupportedVersion, Cases)
{
    const struct {
        const char *text;
        bool supported;
    } cases[] = {
        {"REV 07.600.070", true},  {"REV 07.499.100", false},   {"REV 06.600.070", false},
        {"REV 07.6A0.070", false}, {"xx REV 07.600.070", true}, {"a.b REV 07.600.070", false},
        {"REV 07.500.000", true},  {"REV 07.601.070", true},    {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TDevTrevalo::IsSupportedVersion(QString::fromLatin1(c.text)), c.supported)
            << c.text;
    const TrevaloVersion v = TDevTrevalo::ParseVersion(QStringLiteral("REV 07.600.070"));
    EXPECT_TRUE(v.valid);
    EXPECT_EQ(v.major, 600);
    EXPECT_EQ(v.minor, 70);
}

TEST(PanelType, RuleByMinor)
{
    PanelInfo p;
    ASSERT_TRUE(TDevTrevalo::PanelFromType(70, QStringLiteral("0138"), p));
    EXPECT_EQ(p.chip, QStringLiteral("AT45DB161D"));
    EXPECT_TRUE(p.serverNameSupported);
    ASSERT_TRUE(TDevTrevalo::PanelFromType(70, QStringLiteral("0030"), p));
    EXPECT_EQ(p.chip, QStringLiteral("M45PE16"));
    EXPECT_FALSE(p.serverNameSupported);
    p = PanelInfo();
    ASSERT_TRUE(TDevTrevalo::PanelFromType(65, QStringLiteral("0138"), p));
    EXPECT_EQ(p.chip, QStringLiteral("AT45DB161D"));
    EXPECT_FALSE(p.serverNameSupported); // only from minor 70 on
    EXPECT_FALSE(TDevTrevalo::PanelFromType(62, QStringLiteral("0138"), p));
    EXPECT_FALSE(TDevTrevalo::PanelFromType(256, QStringLiteral("0138"), p));
    EXPECT_FALSE(TDevTrevalo::PanelFromType(70, QStringLiteral("zz"), p));
}

TEST(ExchangeForms, FramingTriesAndTimeouts)
{
    FakeExchange fake;
    TDevTrevalo dev(&fake);
    fake.replies = {{true, "+object\r\n>0050\r\nOK\r\n"},
                    {false, "+latit\r\nERROR\r\n"},
                    {true, "OK"},
                    {true, ">1\r\nOK"},
                    {true, "raw\r\nOK"},
                    {true, "BL\r\nOK"}};
    QString value;
    EXPECT_TRUE(dev.Query(QStringLiteral("object"), value));
    EXPECT_EQ(value, QStringLiteral("0050"));
    EXPECT_FALSE(dev.Query(QStringLiteral("latit"), value));
    EXPECT_EQ(value, QStringLiteral("+latit\r\nERROR\r\n")); // raw text kept on failure
    EXPECT_TRUE(dev.Command(QStringLiteral("object0050")));
    EXPECT_TRUE(dev.QueryTimed(QStringLiteral("erase"), value, true, 25000));
    EXPECT_EQ(value, QStringLiteral("1"));
    EXPECT_TRUE(dev.QueryTimed(QStringLiteral("read00000001"), value, false, 900));
    EXPECT_EQ(value, QStringLiteral("raw\r\nOK"));
    EXPECT_TRUE(dev.LoaderCommand(QStringLiteral("BL"), value, false));
    EXPECT_EQ(fake.sent,
              (QStringList{"+object", "+latit", "+object0050", "+erase", "+read00000001", "+BL"}));
    EXPECT_EQ(fake.tries, (QList<int>{3, 3, 3, 3, 3, 1}));
    EXPECT_EQ(fake.timeouts, (QList<int>{4500, 4500, 4500, 25000, 900, 2500}));
}

} // namespace
