#include "PtyPeer.h"
#include "link/ComPortWorker.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace
{

struct Opened {
    PtyPeer peer;
    LogCollector log;
    TComPortWorker port{peer.Path(), &log};
    Opened() { port.Open(); }

    // Waits until the port sees n bytes queued.
    void queued(uint32_t n)
    {
        for (int i = 0; i < 1000 && port.Comm()->InQueCount() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_GE(port.Comm()->InQueCount(), n);
    }
};

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(static_cast<char>(b));
    return out;
}

} // namespace

TEST(ComPortWorker, CreationSettingsForTheTrackerLine)
{
    TComPortWorker slow("ttyS7", nullptr);
    EXPECT_EQ(slow.Comm()->BaudValue(), 19200u);
    EXPECT_EQ(slow.Comm()->DeviceName(), "ttyS7");
    EXPECT_EQ(slow.Comm()->EventChars().EventChar(), 13);
    EXPECT_EQ(slow.Comm()->FlowControl(), fcNone);
    EXPECT_EQ(slow.Comm()->Buffers().OutputTimeout(), 500);
    TComPortWorker fast("ttyS7", true, nullptr, true);
    EXPECT_EQ(fast.Comm()->BaudValue(), 115200u);
}

TEST(ComPortWorker, NeverOpenedPortRaisesNotOpened)
{
    TComPortWorker port("/dev/ttyNoSuchPort7", nullptr);
    EXPECT_THROW(port.ReadText(), EDeviceError);
    try {
        port.WriteText("x");
        FAIL();
    } catch (const EDeviceError &e) {
        EXPECT_EQ(e.Code(), 1);
    }
    try {
        port.Open();
        FAIL();
    } catch (const EDeviceError &e) {
        EXPECT_EQ(e.Message(), "Cannot open device /dev/ttyNoSuchPort7");
    }
}

TEST(ComPortWorker, ReadTextDropsNoiseAndReadHexKeepsIt)
{
    Opened o;
    EXPECT_EQ(o.port.ReadText(), ""); // nothing queued: at once
    const QByteArray wire = bytes({0x4F, 0x00, 0x4B, 0xFF, 0x0D});
    o.peer.Send(wire);
    o.queued(5);
    EXPECT_EQ(o.port.ReadText(), "OK\r");
    o.peer.Send(wire);
    o.queued(5);
    EXPECT_EQ(o.port.ReadHex(), "4F 00 4B FF 0D ");
}

TEST(ComPortWorker, ReadTextDecodesWindows1251)
{
    Opened o;
    o.peer.Send(bytes({0xCE, 0xCA, 0x20, 0xB8}));
    o.queued(4);
    EXPECT_EQ(o.port.ReadText(), QStringLiteral("ОК ё"));
}

TEST(ComPortWorker, WriteHexForms)
{
    const struct {
        const char *text;
        QByteArray sent;
    } cases[] = {
        {"01 A2 ", bytes({0x01, 0xA2})},
        {"01 A2", bytes({0x01, 0xA2})},
        {"01A2", bytes({0x01})},
        {"ff-0a", bytes({0xFF, 0x0A})},
        {"", QByteArray()},
        {"7", QByteArray()},
    };
    for (const auto &c : cases) {
        Opened o;
        o.port.WriteHex(c.text);
        o.port.WriteText("|"); // marks the end
        ASSERT_TRUE(o.peer.WaitReceived(c.sent.size() + 1));
        EXPECT_EQ(o.peer.Received(), c.sent + "|") << c.text;
    }
}

TEST(ComPortWorker, WriteHexStopsAtTheFirstBadPair)
{
    Opened o;
    EXPECT_THROW(o.port.WriteHex("01 ZZ 02 "), std::invalid_argument);
    o.port.WriteText("|");
    ASSERT_TRUE(o.peer.WaitReceived(2));
    EXPECT_EQ(o.peer.Received(), bytes({0x01, '|'}));
}

TEST(ComPortWorker, WriteTextSendsWindows1251)
{
    Opened o;
    o.port.WriteText("");
    // Low bytes of these letters' code points would include CR (U+040D).
    o.port.WriteText(QStringLiteral("Ѝ-Жж|"));
    ASSERT_TRUE(o.peer.WaitReceived(5));
    EXPECT_EQ(o.peer.Received(), bytes({'?', '-', 0xC6, 0xE6, '|'}));
}

TEST(ComPortWorker, BytesArePacedAtLeastTwoMillisecondsApart)
{
    Opened o;
    const QString text = QStringLiteral("+object\r\n+v\r\nAT+CBST=7,0,1\r\n");
    o.port.WriteText(text);
    ASSERT_TRUE(o.peer.WaitReceived(text.size()));
    const auto arrivals = o.peer.Arrivals();
    // A late reader can pick up two bytes in one read; the pacing shows in
    // the gaps between separate reads, so most bytes must come alone.
    std::vector<int64_t> gaps;
    int chunks = 1;
    for (size_t i = 1; i < arrivals.size(); ++i)
        if (arrivals[i].chunk != arrivals[i - 1].chunk) {
            ++chunks;
            gaps.push_back(arrivals[i].us - arrivals[i - 1].us);
        }
    ASSERT_GE(chunks, int(arrivals.size() * 3 / 4));
    std::sort(gaps.begin(), gaps.end());
    EXPECT_GE(gaps[gaps.size() / 2], 2000) << "median gap in microseconds";
    EXPECT_GE(gaps[gaps.size() / 10], 1500) << "tenth percentile gap";
}

TEST(ComPortWorker, RtsSwitchesLogEvenWithoutModemLines)
{
    Opened o; // a pty has no RTS: no error
    o.port.ClrRTS();
    o.port.SetRTS();
    EXPECT_EQ(o.log.Lines(), QStringList({"ClrRTS", "SetRTS"}));
}

TEST(ComPortWorker, ReopenClosesFirst)
{
    Opened o;
    o.port.Open();
    EXPECT_TRUE(o.port.Opened());
    o.port.Close();
    o.port.Close(); // closed: nothing
    EXPECT_FALSE(o.port.Opened());
}
