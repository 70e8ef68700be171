#include <gtest/gtest.h>

#include <QMap>
#include <QTimeZone>

#include "device/DevTrevalo.h"

using namespace gpsframe;

namespace
{

// A receiver behind a scripted pass-through: each hex frame sent gets the
// reply scripted for it (or nothing); every text line is answered "OK".
class FakeReceiverLine : public IModemExchange
{
  public:
    struct Sent {
        QString text;
        bool hex;
        int tries;
        int timeoutMs;
    };
    QList<Sent> sent;
    QMap<QString, QByteArray> replies; // frame text sent → bytes answered
    bool textOk = true;

    bool Exchange(const QString &command, QString &reply, const QString &expected, int tries,
                  int timeoutMs, bool log) override
    {
        EXPECT_EQ(expected, QStringLiteral("OK"));
        EXPECT_TRUE(log);
        sent << Sent{command, false, tries, timeoutMs};
        reply = textOk ? QStringLiteral("OK\r\n") : QString();
        return textOk;
    }
    bool ExchangeHex(const QString &bytes, QString &reply, const QString &expected, int tries,
                     int timeoutMs) override
    {
        EXPECT_TRUE(expected.isEmpty());
        sent << Sent{bytes, true, tries, timeoutMs};
        reply = QString::fromLatin1(replies.value(bytes).toHex(' ').toUpper()) + u' ';
        return true;
    }
    QStringList HexSent() const
    {
        QStringList out;
        for (const Sent &s : sent)
            if (s.hex)
                out << s.text;
        return out;
    }
};

// Frames built here from the format, apart from the code under test.
unsigned Sum(const QByteArray &bytes)
{
    unsigned s = 0;
    for (char c : bytes)
        s += quint8(c);
    return s;
}

QByteArray MakeFrame(const QByteArray &payload)
{
    const unsigned cs = Sum(payload) % 32768;
    QByteArray f = QByteArray::fromHex("A0A2");
    f += char(payload.size() >> 8);
    f += char(payload.size() & 0xFF);
    f += payload;
    f += char(cs >> 8);
    f += char(cs & 0xFF);
    return f + QByteArray::fromHex("B0B3");
}

QString Text(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QByteArray AlmanacData(int sv)
{
    QByteArray d;
    for (int i = 0; i < 28; ++i)
        d += char((sv * 37 + i * 11) & 0xFF);
    return d;
}

QByteArray EphemerisData(int sv)
{
    QByteArray d;
    for (int i = 0; i < 90; ++i)
        d += char((sv * 53 + i * 7 + 1) & 0xFF);
    return d;
}

QByteArray AlmanacFrame(int sv, const QByteArray &data)
{
    return MakeFrame(QByteArray(1, char(0x0E)) + char(sv) + data);
}

QByteArray EphemerisFrame(int sv, const QByteArray &data)
{
    return MakeFrame(QByteArray(1, char(0x0F)) + char(sv) + data);
}

// Two clock lines, 32 almanac lines and the given ephemeris lines.
GpsDataList FullList(int ephemerides)
{
    GpsDataList list{QStringLiteral("00 C5 C1 00 06 64"), QStringLiteral("00 01 70 2B")};
    for (int sv = 1; sv <= 32; ++sv)
        list << Text(AlmanacFrame(sv, AlmanacData(sv)));
    for (int sv = 1; sv <= ephemerides; ++sv)
        list << Text(EphemerisFrame(sv, EphemerisData(sv)));
    return list;
}

} // namespace

TEST(GpsPassThrough, FixedFramesTimeoutsAndTries)
{
    FakeReceiverLine line;
    TDevTrevalo dev(&line);
    QString a, b;
    GpsDataList list;
    EXPECT_TRUE(dev.GpsAccessOn());
    dev.SetReceiverBinary();
    EXPECT_FALSE(dev.PollClockStatus(a, b));
    EXPECT_FALSE(dev.PollAlmanac(list));
    EXPECT_FALSE(dev.PollEphemeris(list));
    EXPECT_TRUE(dev.SetReceiverNmea());
    EXPECT_TRUE(dev.GpsAccessOff());
    EXPECT_TRUE(list.isEmpty());

    const struct {
        const char *text;
        bool hex;
        int tries, timeoutMs;
    } expected[] = {
        {"GPSACCESS_ON", false, 1, 4500},
        {"$PSRF100,0,9600,8,0,0*0D", false, 1, 4500},
        {"A0 A2 00 02 90 00 00 90 B0 B3", true, 1, 3000},
        {"A0 A2 00 02 92 00 00 92 B0 B3", true, 1, 3000},
        {"A0 A2 00 03 93 00 00 00 93 B0 B3", true, 1, 9000},
        {"A0 A2 00 18 81 02 01 01 00 01 05 01 05 01 01 01 01 01 00 01 00 01 00 01 00 01 25 80 01 "
         "3F B0 B3",
         true, 1, 3000},
        {"GPSACCESS_OFF", false, 3, 4500},
    };
    ASSERT_EQ(line.sent.size(), int(std::size(expected)));
    for (int i = 0; i < line.sent.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(line.sent[i].text, QLatin1String(expected[i].text));
        EXPECT_EQ(line.sent[i].hex, expected[i].hex);
        EXPECT_EQ(line.sent[i].tries, expected[i].tries);
        EXPECT_EQ(line.sent[i].timeoutMs, expected[i].timeoutMs);
        if (expected[i].hex) {
            // Each fixed frame is whole by its own length field and checksum.
            QByteArray bytes = QByteArray::fromHex(QByteArray(expected[i].text).replace(' ', ""));
            EXPECT_EQ(MakeFrame(bytes.mid(4, bytes.size() - 8)), bytes);
        }
    }
}

TEST(GpsPassThrough, ClockStatusGivesWeekTimeAndDrift)
{
    FakeReceiverLine line;
    // Week 1636, time of week 12960000, 9 satellites, drift 94315, bias, estimate.
    const QByteArray clock = MakeFrame(QByteArray::fromHex("07"
                                                           "0664"
                                                           "00C5C100"
                                                           "09"
                                                           "0001702B"
                                                           "00031E5A"
                                                           "07BA0A00"));
    line.replies[TDevTrevalo::PollClockFrame] = QByteArray::fromHex("2447") + clock;
    TDevTrevalo dev(&line);
    QString weekTime, drift;
    ASSERT_TRUE(dev.PollClockStatus(weekTime, drift));
    EXPECT_EQ(weekTime, QStringLiteral("06 64 00 C5 C1 00"));
    EXPECT_EQ(drift, QStringLiteral("00 01 70 2B"));

    // The same frame with its checksum broken is no clock status.
    QByteArray broken = clock;
    broken[broken.size() - 3] = char(broken[broken.size() - 3] ^ 1);
    line.replies[TDevTrevalo::PollClockFrame] = broken;
    EXPECT_FALSE(dev.PollClockStatus(weekTime, drift));
    EXPECT_TRUE(weekTime.isEmpty());
}

// Almanac replies: every satellite found is one whole frame on one line.
TEST(GpsPassThrough, AlmanacFramesTakenByLengthAndChecksum)
{
    // Satellite 3's data holds the end and start markers, which must not cut it.
    QByteArray marked = AlmanacData(3);
    marked[4] = char(0xB0);
    marked[5] = char(0xB3);
    marked[9] = char(0xA0);
    marked[10] = char(0xA2);

    const struct {
        const char *name;
        int fault; // 0 none, else the satellite whose frame is spoiled
        const char *how;
        bool all;
    } cases[] = {
        {"complete", 0, "", true},
        {"markers inside the data", 3, "markers", true},
        {"checksum broken", 7, "checksum", false},
        {"frame cut short", 32, "short", false},
        {"satellite left out", 12, "omit", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray reply = QByteArray::fromHex("FF00");
        QMap<int, QByteArray> frames;
        for (int sv = 1; sv <= 32; ++sv) {
            QByteArray f = AlmanacFrame(
                sv, sv == 3 && QLatin1String(c.how) == QLatin1String("markers") ? marked
                                                                                : AlmanacData(sv));
            if (sv == c.fault && QLatin1String(c.how) == QLatin1String("checksum"))
                f[f.size() - 3] = char(f[f.size() - 3] + 1);
            if (sv == c.fault && QLatin1String(c.how) == QLatin1String("short"))
                f.remove(20, 1);
            if (sv == c.fault && QLatin1String(c.how) == QLatin1String("omit"))
                continue;
            frames[sv] = f;
            reply += f;
        }
        FakeReceiverLine line;
        line.replies[TDevTrevalo::PollAlmanacFrame] = reply;
        TDevTrevalo dev(&line);
        GpsDataList list{QStringLiteral("kept")};
        EXPECT_EQ(dev.PollAlmanac(list), c.all);
        ASSERT_EQ(list.size(), 1 + (c.all ? 32 : 31));
        int i = 1;
        for (int sv = 1; sv <= 32; ++sv) {
            if (sv == c.fault && !c.all)
                continue;
            EXPECT_EQ(list[i], Text(frames[sv])) << "satellite " << sv;
            ++i;
        }
    }
}

TEST(GpsPassThrough, EphemerisWithMarkersInsideIsOneLine)
{
    QByteArray data = EphemerisData(5);
    data[88] = char(0xB0);
    data[89] = char(0xB3);
    const QByteArray f5 = EphemerisFrame(5, data);
    FakeReceiverLine line;
    line.replies[TDevTrevalo::PollEphemerisFrame] = EphemerisFrame(2, EphemerisData(2)) + f5;
    TDevTrevalo dev(&line);
    GpsDataList list;
    EXPECT_FALSE(dev.PollEphemeris(list));
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[1], Text(f5));
    EXPECT_EQ(list[1].size(), 100 * 3 - 1);
}

TEST(GpsPassThrough, SetAlmanacIsOneFrameOf897Bytes)
{
    FakeReceiverLine line;
    TDevTrevalo dev(&line);
    ASSERT_TRUE(dev.SendAlmanac(FullList(0)));
    ASSERT_EQ(line.sent.size(), 1);
    EXPECT_EQ(line.sent[0].timeoutMs, 500);
    QByteArray data;
    for (int sv = 1; sv <= 32; ++sv)
        data += AlmanacData(sv);
    const unsigned cs = (130 + Sum(data)) % 32768;
    const QString expected = QStringLiteral("A0 A2 03 81 82 ") + Text(data) + u' ' +
                             Text(QByteArray(1, char(cs >> 8)) + char(cs & 0xFF)) +
                             QStringLiteral(" B0 B3");
    EXPECT_EQ(line.sent[0].text, expected);
}

TEST(GpsPassThrough, SetEphemerisFramePerLine)
{
    FakeReceiverLine line;
    TDevTrevalo dev(&line);
    int sent = -1;
    ASSERT_TRUE(dev.SendEphemeris(FullList(3), &sent));
    EXPECT_EQ(sent, 3);
    ASSERT_EQ(line.sent.size(), 3);
    for (int sv = 1; sv <= 3; ++sv) {
        const unsigned cs = (149 + Sum(EphemerisData(sv))) % 32768;
        EXPECT_EQ(line.sent[sv - 1].text, QStringLiteral("A0 A2 00 5B 95 ") +
                                              Text(EphemerisData(sv)) + u' ' +
                                              Text(QByteArray(1, char(cs >> 8)) + char(cs & 0xFF)) +
                                              QStringLiteral(" B0 B3"));
        EXPECT_EQ(line.sent[sv - 1].timeoutMs, 500);
    }

    // A list of exactly 34 lines has nothing to send.
    FakeReceiverLine none;
    EXPECT_TRUE(TDevTrevalo(&none).SendEphemeris(FullList(0), &sent));
    EXPECT_EQ(sent, 0);
    EXPECT_TRUE(none.sent.isEmpty());
}

// A line that is not exactly its satellite's whole frame stops the send.
TEST(GpsPassThrough, MalformedLinesAreRefused)
{
    const auto shortData = [](int sv, int size) { return AlmanacData(sv).left(size); };
    const struct {
        const char *name;
        int line;
        QString text;
    } almanacCases[] = {
        {"satellite 05 on line 5", 5, Text(AlmanacFrame(5, AlmanacData(5)))},
        {"27 data bytes", 9, Text(AlmanacFrame(8, shortData(8, 27)))},
        {"29 data bytes", 9, Text(AlmanacFrame(8, AlmanacData(8) + 'x'))},
        {"cut at B0 B3", 6, Text(AlmanacFrame(5, AlmanacData(5)).left(20)) + " B0 B3"},
        {"not hexadecimal", 33, Text(AlmanacFrame(32, AlmanacData(32))).replace(18, 2, "G1")},
        {"checksum broken", 2, Text(AlmanacFrame(1, AlmanacData(1))).replace(90, 2, "00")},
        {"text after the end", 4, Text(AlmanacFrame(3, AlmanacData(3))) + " 00"},
        {"empty", 33, QString()},
    };
    for (const auto &c : almanacCases) {
        SCOPED_TRACE(c.name);
        GpsDataList list = FullList(2);
        list[c.line] = c.text;
        FakeReceiverLine line;
        TDevTrevalo dev(&line);
        int failed = -1;
        EXPECT_FALSE(dev.SendAlmanac(list, &failed));
        EXPECT_EQ(failed, c.line);
        EXPECT_TRUE(line.sent.isEmpty());
    }
    FakeReceiverLine shortLine;
    int failed = -1;
    EXPECT_FALSE(TDevTrevalo(&shortLine).SendAlmanac(FullList(0).mid(0, 33), &failed));
    EXPECT_EQ(failed, 33);
    EXPECT_TRUE(shortLine.sent.isEmpty());

    // Ephemeris: lines before the bad one have gone out, none after it.
    GpsDataList list = FullList(4);
    list[36] = Text(EphemerisFrame(3, EphemerisData(3).left(89)));
    FakeReceiverLine line;
    int sent = -1;
    EXPECT_FALSE(TDevTrevalo(&line).SendEphemeris(list, &sent, &failed));
    EXPECT_EQ(sent, 2);
    EXPECT_EQ(failed, 36);
    EXPECT_EQ(line.sent.size(), 2);
}

TEST(GpsPassThrough, InitDataSourceFrame)
{
    FakeReceiverLine line;
    TDevTrevalo dev(&line);
    EXPECT_TRUE(dev.SendInitDataSource(QStringLiteral("00 01 70 2B 00 C5 C1 00 06 64")));
    ASSERT_EQ(line.sent.size(), 1);
    EXPECT_EQ(line.sent[0].text,
              QStringLiteral("A0 A2 00 19 80 00 2A 1E 65 00 18 BD CB 00 53 E4 E4 00 01 70 2B 00 C5 "
                             "C1 00 06 64 0C 03 07 83 B0 B3"));
    EXPECT_EQ(line.sent[0].timeoutMs, 500);
    // A clock text that is not ten bytes goes nowhere.
    for (const char *bad : {"00 01 70 2B 00 C5 C1 00 06", "0g 01 70 2B 00 C5 C1 00 06 64", ""})
        EXPECT_FALSE(dev.SendInitDataSource(QLatin1String(bad))) << bad;
    EXPECT_EQ(line.sent.size(), 1);
}

TEST(GpsTime, WeekAndTimeOfWeek)
{
    const struct {
        QDateTime utc;
        int week;
        quint32 timeOfWeek;
    } cases[] = {
        {QDateTime(QDate(2011, 5, 16), QTime(12, 0), QTimeZone::utc()), 1636, 12960000},
        {QDateTime(QDate(1980, 1, 6), QTime(0, 0), QTimeZone::utc()), 0, 0},
        {QDateTime(QDate(1980, 1, 12), QTime(23, 59, 59), QTimeZone::utc()), 0, 60479900},
        {QDateTime(QDate(1980, 1, 13), QTime(0, 0), QTimeZone::utc()), 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.utc.toString(Qt::ISODate).toStdString());
        const GpsTime t = GpsTimeOf(c.utc);
        EXPECT_EQ(t.week, c.week);
        EXPECT_EQ(t.timeOfWeek, c.timeOfWeek);
    }
    EXPECT_EQ(ClockText(QStringLiteral("00 01 70 2B"),
                        GpsTimeOf(QDateTime(QDate(2011, 5, 16), QTime(12, 0), QTimeZone::utc()))),
              QStringLiteral("00 01 70 2B 00 C5 C1 00 06 64"));
}
