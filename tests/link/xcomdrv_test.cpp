#include "PtyPeer.h"
#include "link/XComDrv.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <gtest/gtest.h>

namespace
{

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

template <typename F> EDeviceError catchDeviceError(F f)
{
    try {
        f();
    } catch (const EDeviceError &e) {
        return e;
    }
    ADD_FAILURE() << "no EDeviceError";
    return EDeviceError(0, QString());
}

} // namespace

TEST(XComm, MissingDeviceRaisesCannotOpenWithItsName)
{
    for (const QString &name : {QStringLiteral("COM9"), QStringLiteral("/dev/ttyNoSuchPort7")}) {
        TXComm comm;
        comm.SetDeviceName(name);
        const EDeviceError e = catchDeviceError([&] { comm.Open(); });
        EXPECT_EQ(e.Code(), 65535);
        EXPECT_EQ(e.Message(), "Cannot open device " + name);
        EXPECT_FALSE(comm.Opened());
    }
}

TEST(XComm, NonTerminalIsNotAPort)
{
    TXComm comm;
    comm.SetDeviceName("/dev/null");
    EXPECT_EQ(catchDeviceError([&] { comm.Open(); }).Code(), 65535);
}

TEST(XComm, OpenTwiceCloseTwiceAndClosedQueries)
{
    PtyPeer peer;
    TXComm comm;
    comm.SetDeviceName(peer.Path());
    EXPECT_EQ(comm.GetLocks(), unsigned(lkSend | lkRead)); // closed
    EXPECT_EQ(catchDeviceError([&] { comm.InQueCount(); }).Message(), "Device not opened.");
    EXPECT_EQ(catchDeviceError([&] { comm.OutQueCount(); }).Code(), 1);
    uint8_t b = 0;
    EXPECT_EQ(catchDeviceError([&] { comm.Read(&b, 1); }).Code(), 1);
    EXPECT_EQ(catchDeviceError([&] { comm.Write(&b, 1); }).Code(), 1);

    comm.Open();
    EXPECT_TRUE(comm.Opened());
    EXPECT_EQ(comm.GetLocks(), 0u);
    const EDeviceError twice = catchDeviceError([&] { comm.Open(); });
    EXPECT_EQ(twice.Code(), 2);
    EXPECT_EQ(twice.Message(), "Device is allready opened.");
    comm.Close();
    const EDeviceError closed = catchDeviceError([&] { comm.Close(); });
    EXPECT_EQ(closed.Code(), 1);
    EXPECT_EQ(closed.Message(), "Device not opened.");
}

TEST(XComm, SecondOpenerOfTheSameDeviceIsRefused)
{
    PtyPeer peer;
    TXComm first, second;
    first.SetDeviceName(peer.Path());
    second.SetDeviceName(peer.Path());
    first.Open();
    EXPECT_EQ(catchDeviceError([&] { second.Open(); }).Code(), 65535);
    first.Close();
    second.Open(); // released with the first close
    EXPECT_TRUE(second.Opened());
}

TEST(XComm, BufferSizesAreClamped)
{
    const struct {
        int set, stored;
    } cases[] = {{50, 128}, {128, 128}, {300, 300}, {4096, 4096}, {10000, 4096}, {-5, 128}};
    for (const auto &c : cases) {
        TXComm comm;
        comm.Buffers().SetInputSize(c.set);
        comm.Buffers().SetOutputSize(c.set);
        EXPECT_EQ(comm.Buffers().InputSize(), c.stored) << c.set;
        EXPECT_EQ(comm.Buffers().OutputSize(), c.stored) << c.set;
    }
}

TEST(XComm, Defaults)
{
    TXComm comm;
    EXPECT_EQ(comm.DeviceName(), "COM2");
    EXPECT_EQ(comm.BaudRate(), br9600);
    EXPECT_EQ(comm.BaudValue(), 9600u);
    EXPECT_EQ(comm.DataControl().DataBits(), db8);
    EXPECT_EQ(comm.DataControl().Parity(), paNone);
    EXPECT_EQ(comm.DataControl().StopBits(), sb1);
    EXPECT_EQ(comm.Buffers().InputTimeout(), 500);
    EXPECT_EQ(comm.EventChars().EventChar(), 10);
    EXPECT_EQ(comm.EventChars().XonChar(), 17);
    EXPECT_EQ(comm.Timeouts().ReadInterval(), 1u);
    EXPECT_EQ(comm.MonitorEvents(), unsigned(deChar | deFlag | deOutEmpty));
    EXPECT_TRUE(comm.Synchronize());
    EXPECT_EQ(deProv2, 1u << 12);
}

TEST(XComm, BaudValueFollowsTheTableAndIsFreeOnlyForCustom)
{
    TXComm comm;
    comm.SetBaudValue(12345); // not custom: ignored
    EXPECT_EQ(comm.BaudValue(), 9600u);
    comm.SetBaudRate(br19200);
    EXPECT_EQ(comm.BaudValue(), 19200u);
    comm.SetBaudRate(br256000);
    EXPECT_EQ(comm.BaudValue(), 256000u);
    comm.SetBaudRate(brCustom);
    EXPECT_EQ(comm.BaudValue(), 256000u);
    comm.SetBaudValue(12345);
    EXPECT_EQ(comm.BaudValue(), 12345u);
}

TEST(XComm, FlowControlPresets)
{
    const struct {
        TFlowControl fc;
        TCommOptions options;
        TRTSSettings rts;
        TDTRSettings dtr;
        TXOnXOffSettings x;
    } cases[] = {
        {fcRtsCts, 0, fsCTSOut | fsRTSHandshake, fsDTREnabled, 0},
        {fcDtrDsr, 0, fsRTSEnabled, fsDSROut | fsDTREnabled, 0},
        {fcSoftware, 0, 0, fsDTREnabled, fsInX | fsOutX},
        {fcRtsCts, coLeaveDTROpen, fsCTSOut | fsRTSHandshake, fsDTREnabled, 0},
    };
    for (const auto &c : cases) {
        TXComm comm;
        comm.SetOptions(c.options);
        comm.SetFlowControl(c.fc);
        EXPECT_EQ(comm.RTSSettings(), c.rts) << c.fc;
        EXPECT_EQ(comm.DTRSettings(), c.dtr) << c.fc;
        EXPECT_EQ(comm.XOnXOffSettings(), c.x) << c.fc;
        comm.SetFlowControl(fcNone);
        EXPECT_EQ(comm.RTSSettings() | comm.XOnXOffSettings(), 0u);
        EXPECT_EQ(comm.DTRSettings(), c.options & coLeaveDTROpen ? unsigned(fsDTREnabled) : 0u);
    }
}

TEST(XComm, LineSetsChangeOnlyUnderCustomAndDtrModesExcludeEachOther)
{
    TXComm comm;
    comm.SetRTSSettings(fsRTSEnabled);
    comm.SetXOnXOffSettings(fsInX);
    EXPECT_EQ(comm.RTSSettings(), 0u); // fcNone
    EXPECT_EQ(comm.XOnXOffSettings(), 0u);
    comm.SetFlowControl(fcCustom);
    comm.SetRTSSettings(fsRTSEnabled);
    EXPECT_EQ(comm.RTSSettings(), unsigned(fsRTSEnabled));
    comm.SetDTRSettings(fsDTREnabled);
    comm.SetDTRSettings(fsDTREnabled | fsDTRHandshake); // enabled was set: it goes
    EXPECT_EQ(comm.DTRSettings(), unsigned(fsDTRHandshake));
    comm.SetDTRSettings(fsDTREnabled | fsDTRHandshake | fsDSROut); // handshake was set
    EXPECT_EQ(comm.DTRSettings(), unsigned(fsDTREnabled | fsDSROut));
}

TEST(XComm, DeviceNameAndLeaveDtrOpenAreFixedWhileOpen)
{
    PtyPeer peer;
    TXComm comm;
    comm.SetDeviceName(peer.Path());
    comm.Open();
    comm.SetDeviceName("COM7");
    EXPECT_EQ(comm.DeviceName(), peer.Path());
    comm.SetOptions(coLeaveDTROpen | coParityCheck);
    EXPECT_EQ(comm.Options(), unsigned(coParityCheck));
    comm.Close();
    comm.SetDeviceName("COM7");
    EXPECT_EQ(comm.DeviceName(), "COM7");
}

TEST(XComm, UnsupportedLineSettingIsRefusedWhileOpen)
{
    PtyPeer peer;
    TXComm comm;
    comm.SetDeviceName(peer.Path());
    comm.Open();
    const EDeviceError e = catchDeviceError([&] { comm.DataControl().SetStopBits(sb1p5); });
    EXPECT_EQ(e.Code(), 3);
    EXPECT_EQ(e.Message(), "Unable to update device control block.");
}

TEST(XComm, WriteNothingAndReadWithFewerBytesThanAsked)
{
    PtyPeer peer;
    TXComm comm;
    comm.SetDeviceName(peer.Path());
    comm.Open();
    EXPECT_EQ(comm.Write("", 0), 0u);

    peer.Send("abc");
    for (int i = 0; i < 1000 && comm.InQueCount() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    char buf[10] = {};
    const int64_t start = nowMs();
    EXPECT_EQ(comm.Read(buf, 10, 120), 3u);
    EXPECT_GE(nowMs() - start, 120); // it waited out its time-out for the rest
    EXPECT_EQ(QByteArray(buf, 3), "abc");

    EXPECT_EQ(comm.Write("xyz", 3), 3u);
    ASSERT_TRUE(peer.WaitReceived(3));
    EXPECT_EQ(peer.Received(), "xyz");
}

TEST(XComm, ReadAndSendHandlersAreLockedAgainstReentry)
{
    PtyPeer peer;
    TXComm comm;
    comm.SetDeviceName(peer.Path());
    comm.Open();
    int reads = 0, sends = 0;
    comm.SetOnRead([&](TCustomComm *c) {
        ++reads;
        EXPECT_EQ(c->GetLocks(), unsigned(lkRead));
        uint8_t b;
        EXPECT_EQ(catchDeviceError([&] { c->ReadByte(b); }).Code(), 5);
    });
    comm.SetOnSend([&](TCustomComm *c) {
        ++sends;
        EXPECT_EQ(catchDeviceError([&] { c->WriteByte('x'); }).Message(),
                  "Device locked. Cannot perform send operations.");
    });
    peer.Send("z");
    uint8_t b = 0;
    ASSERT_TRUE(comm.Read(&b, 1, 2000) == 1);
    EXPECT_TRUE(comm.WriteByte('q'));
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(sends, 1);
    EXPECT_EQ(comm.GetLocks(), 0u);
}

TEST(XComm, UnpluggedDeviceFailsReadsWithTheSystemText)
{
    PtyPeer peer;
    TXComm comm;
    comm.SetDeviceName(peer.Path());
    comm.Open();
    peer.Unplug();
    char buf[4];
    const EDeviceError e = catchDeviceError([&] { comm.Read(buf, 4, 2000); });
    EXPECT_EQ(e.Code(), 10);
    EXPECT_TRUE(e.Message().startsWith("Unable to read from port. (POSIX error 5: ")) << e.what();
    comm.Close();
}

TEST(XComm, DataEventReachesTheUiThreadAndCloseNeverWaitsForIt)
{
    int argc = 1;
    char name[] = "xcomdrv_test";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    PtyPeer peer;
    TXComm comm;
    comm.SetDeviceName(peer.Path());
    std::atomic<int> calls{0};
    uint32_t received = 0;
    comm.SetOnData([&](TCustomComm *, uint32_t n) {
        EXPECT_EQ(QThread::currentThread(), app.thread());
        received = n;
        ++calls;
    });
    comm.Open();
    peer.Send("hello");
    for (int i = 0; i < 300 && calls == 0; ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(calls.load(), 1);
    EXPECT_EQ(received, 5u);

    // More data while the UI thread is busy closing: the close must not wait
    // for a dispatch, and a dispatch that comes late must find the port shut.
    peer.Send("more");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int before = calls;
    comm.Close();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls.load(), before);
}
