#include "PtyPeer.h"
#include "link/ComPortWorker.h"
#include "link/ModemWorker.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace
{

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Link {
    PtyPeer peer;
    LogCollector log;
    TComPortWorker port{peer.Path(), &log};
    TModemWorker modem;

    explicit Link(const QString &phone = QString()) : modem(&port, phone, false, &log, false)
    {
        port.Open();
    }

    // Answers every line with the same text.
    void answer(const QByteArray &reply, int delayMs = 0)
    {
        peer.OnLine([=](const QByteArray &) { return PtyPeer::Reply{reply, delayMs}; });
    }
};

template <typename F> QString modemError(F f)
{
    try {
        f();
    } catch (const TModemException &e) {
        return e.Message();
    }
    return QString();
}

} // namespace

TEST(ModemWorker, ExchangeLogsTheLineSentAndTheReplyCollected)
{
    Link l;
    l.answer(">0050\r\nOK\r\n");
    QString reply;
    EXPECT_TRUE(l.modem.Exchange("+object", reply, "OK", 3, 2000, true));
    EXPECT_EQ(reply, ">0050\r\nOK\r\n");
    EXPECT_EQ(l.peer.Received(), "+object\r\n");
    EXPECT_EQ(l.log.Lines(), QStringList({"#Modem<-: +object\r\n", "@Modem->: >0050\r\nOK\r\n"}));
}

TEST(ModemWorker, EveryTryLeavesItsPairOfLogLinesAndNoLogMeansNone)
{
    Link l; // silent peer
    QString reply;
    EXPECT_FALSE(l.modem.Exchange("+v", reply, "OK", 2, 100, true));
    EXPECT_EQ(l.peer.Received(), "+v\r\n+v\r\n");
    EXPECT_EQ(l.log.Lines(),
              QStringList({"#Modem<-: +v\r\n", "@Modem->: ", "#Modem<-: +v\r\n", "@Modem->: "}));
    EXPECT_FALSE(l.modem.Exchange("+v", reply, "OK", 1, 60, false));
    EXPECT_EQ(l.log.Lines().size(), 4);
}

TEST(ModemWorker, ResultWordsAreWholeLines)
{
    // Each reply comes in two parts, the second 150 ms later: a wait that
    // takes a word inside data for the result stops after the first part.
    const struct {
        const char *first, *second, *expected;
        bool ok;
        const char *reply;
    } cases[] = {
        {">internet.book\r\n", "OK\r\n", "OK", true, ">internet.book\r\nOK\r\n"},
        {">nobusy.example\r\n", "OK\r\n", "OK", true, ">nobusy.example\r\nOK\r\n"},
        {">error_log\r\n", "ok", "OK", true, ">error_log\r\nok"},
        {">disconnected\r\nno answers\r\n", "OK\r\n", "OK", true,
         ">disconnected\r\nno answers\r\nOK\r\n"},
        {">00\x01", "50\r\nOK\r\n", "OK", true,
         ">00\x01"
         "50\r\nOK\r\n"},
        {"ATD 123\r\n", "\r\nCONNECT 9600\r\n", "CONNECT", true, "ATD 123\r\n\r\nCONNECT 9600\r\n"},
        {"ATD 123\r\n", "connect\r", "CONNECT", true, "ATD 123\r\nconnect\r"},
        {"\r\nCONNECTED", "\r\n", "CONNECT", false, "\r\nCONNECTED\r\n"},
        {"+OK\r\n", "  OK  \r\n", "OK", true, "+OK\r\n  OK  \r\n"},
    };
    for (const auto &c : cases) {
        Link l;
        const QByteArray second = c.second;
        l.peer.OnLine([&](const QByteArray &) {
            l.peer.Send(c.first);
            return PtyPeer::Reply{second, 150};
        });
        QString reply;
        EXPECT_EQ(l.modem.Exchange("AT", reply, c.expected, 1, 500, false), c.ok) << c.first;
        EXPECT_EQ(reply, QString::fromLatin1(c.reply)) << c.first;
        EXPECT_EQ(l.modem.ErrorCount(), 0);
    }
}

TEST(ModemWorker, NoiseBytesNeverReachTheReply)
{
    Link l;
    l.answer(QByteArray(">00\x00\xFF", 5) + "50\r\nOK\r\n");
    QString reply;
    EXPECT_TRUE(l.modem.Exchange("+object", reply, "OK", 1, 2000, false));
    EXPECT_EQ(reply, ">0050\r\nOK\r\n");
}

TEST(ModemWorker, FailureWordsRaiseInAnyCaseEvenWithOkPresent)
{
    const struct {
        const char *word;
        QString message;
    } cases[] = {
        {"busy", TModemException::Busy},
        {"No Carrier", TModemException::NoCarrier},
        {"NO DIALTONE", TModemException::NoDialtone},
        {"disconnect", TModemException::Disconnect},
        {"No answer", TModemException::NoAnswer},
    };
    for (const auto &c : cases) {
        Link l;
        l.answer(QByteArray("OK\r\n") + c.word + "\r\n");
        QString reply;
        EXPECT_EQ(modemError([&] { l.modem.Exchange("AT", reply, "OK", 3, 2000, true); }),
                  c.message)
            << c.word;
        // Raised in the wait: no answer line, no second try.
        EXPECT_EQ(l.log.Lines(), QStringList({"#Modem<-: AT\r\n"}));
    }
    EXPECT_EQ(
        TModemException::NoCarrier,
        QStringLiteral("ОШИБКА! Не могу установить соединение или оно разорвано(NO CARRIER)!"));
}

TEST(ModemWorker, FailureWordLeftInTheInputRaisesBeforeSending)
{
    Link l;
    l.peer.Send("\r\nNO CARRIER\r\n");
    for (int i = 0; i < 1000 && l.port.Comm()->InQueCount() < 14; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    QString reply;
    EXPECT_EQ(modemError([&] { l.modem.Exchange("+v", reply, "OK", 3, 2000, true); }),
              TModemException::NoCarrier);
    EXPECT_EQ(l.peer.Received(), "");
    EXPECT_TRUE(l.log.Lines().isEmpty());
}

TEST(ModemWorker, ErrorReplyEndsTheTryAndIsCounted)
{
    Link l;
    l.answer("ERROR\r\n");
    QString reply;
    // A 4500 ms try that ends on the error reply, not on its time-out.
    EXPECT_FALSE(l.modem.Exchange("+v", reply, "OK", 1, 4500, true));
    EXPECT_EQ(reply, "ERROR\r\n");
    EXPECT_EQ(l.modem.ErrorCount(), 1);
}

TEST(ModemWorker, ThreeTriesSeeingErrorAtTheirFirstPollRaise)
{
    Link l;
    // The answer is sent when the command's first byte arrives, so it is
    // already there when the wait first looks.
    l.peer.OnLineStart([](char) { return PtyPeer::Reply{"ERROR\r\n", 0}; });
    QString reply;
    EXPECT_EQ(modemError([&] { l.modem.Exchange("AT+CBST=7,0,1", reply, "OK", 3, 2000, true); }),
              QStringLiteral("ОШИБКА! Слишком много ошибока от модема!"));
    const QString sent = "#Modem<-: AT+CBST=7,0,1\r\n";
    EXPECT_EQ(l.log.Lines(),
              QStringList({sent, "@Modem->: ERROR\r\n", sent, "@Modem->: ERROR\r\n", sent}));
}

TEST(ModemWorker, AnEmptyPollBetweenErrorsStartsTheCountAgain)
{
    Link l;
    int line = 0;
    // Lines 1 and 3 are answered at once; line 2 late, after an empty poll.
    l.peer.OnLineStart([&](char) {
        ++line;
        return PtyPeer::Reply{line == 2 ? QByteArray() : QByteArray("ERROR\r\n"), 0};
    });
    l.peer.OnLine([&](const QByteArray &) {
        return PtyPeer::Reply{line == 2 ? QByteArray("ERROR\r\n") : QByteArray(), 30};
    });
    QString reply;
    EXPECT_FALSE(l.modem.Exchange("AT+CBST=7,0,1", reply, "OK", 3, 2000, true));
    EXPECT_EQ(l.modem.ErrorCount(), 2);
    // The count lives across exchanges: one more error reply makes three.
    EXPECT_EQ(modemError([&] { l.modem.Exchange("AT+CBST=7,0,1", reply, "OK", 1, 2000, true); }),
              TModemException::TooManyErrors);
}

TEST(ModemWorker, CancelStopsEverythingBeforeSending)
{
    Link l;
    l.answer("OK\r\n");
    l.modem.Cancel();
    EXPECT_TRUE(l.modem.Cancelled());
    QString reply = "old";
    EXPECT_FALSE(l.modem.Exchange("AT", reply, "OK", 3, 4500, true));
    EXPECT_EQ(reply, "");
    EXPECT_FALSE(l.modem.ExchangeHex("A0 A2", reply, "", 3, 4500));
    EXPECT_FALSE(l.modem.EscapeToCommand());
    l.modem.PulseRTS();
    EXPECT_EQ(l.peer.Received(), "");
    EXPECT_TRUE(l.log.Lines().isEmpty());
    l.modem.ClearCancel();
    EXPECT_TRUE(l.modem.Attention());
}

TEST(ModemWorker, CancelFromAnotherThreadEndsAWaitAndLaterTries)
{
    Link l; // silent: without the cancel this would take 3 x 4500 ms
    QString reply;
    std::thread stopper([&] {
        l.peer.WaitReceived(4);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        l.modem.Cancel();
    });
    EXPECT_FALSE(l.modem.Exchange("+v", reply, "OK", 3, 4500, true));
    stopper.join();
    EXPECT_EQ(l.peer.Received(), "+v\r\n");
    EXPECT_EQ(l.log.Lines(), QStringList({"#Modem<-: +v\r\n", "@Modem->: "}));
}

TEST(ModemWorker, CancelCutsTheRtsPulseShort)
{
    Link l;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        l.modem.Cancel();
    });
    l.modem.PulseRTS();
    stopper.join();
    EXPECT_EQ(l.log.Lines(), QStringList({"ClrRTS"}));
}

TEST(ModemWorker, RtsPulseAndDrop)
{
    Link l;
    l.modem.PulseRTS();
    l.modem.DropRTS();
    EXPECT_EQ(l.log.Lines(), QStringList({"ClrRTS", "SetRTS", "ClrRTS"}));
}

TEST(ModemWorker, HexExchangeWithoutTokenCollectsForItsWholeTimeout)
{
    const struct {
        QByteArray answer;
        QString reply;
    } cases[] = {{QByteArray("\xB0\xB3", 2), "B0 B3 "}, {QByteArray(), " "}};
    for (const auto &c : cases) {
        Link l;
        l.peer.OnLineStart([&](char) { return PtyPeer::Reply{c.answer, 0}; });
        QString reply;
        const int64_t start = nowMs();
        EXPECT_TRUE(l.modem.ExchangeHex(" A0 A2 00", reply, "", 3, 300));
        EXPECT_GE(nowMs() - start, 300);
        EXPECT_EQ(reply, c.reply);
        EXPECT_EQ(l.peer.Received(), QByteArray("\xA0\xA2\x00", 3));
        EXPECT_EQ(l.log.Lines(), QStringList({"#Modem<-: A0 A2 00 ", "@Modem->: " + c.reply}));
    }
}

TEST(ModemWorker, HexExchangeWithTokenStopsWhenItArrives)
{
    Link l;
    l.peer.OnLineStart([](char) { return PtyPeer::Reply{QByteArray("\xA0\xA2\x0a\xB3", 4), 0}; });
    QString reply;
    EXPECT_TRUE(l.modem.ExchangeHex("A0 A2 00 ", reply, "0a b3", 1, 4500));
    EXPECT_EQ(reply, "A0 A2 0A B3 ");
    EXPECT_FALSE(l.modem.ExchangeHex("01", reply, "FF", 2, 100));
    EXPECT_EQ(l.log.Lines().size(), 6);
}

TEST(ModemWorker, RegistrationReplies)
{
    const struct {
        const char *answer;
        bool registered;
    } cases[] = {
        {"\r\n+creg: 0, 5\r\n\r\nOK\r\n", true},
        {"\r\n+CREG: 0,1\r\n\r\nOK\r\n", true},
        {"\r\n+CREG: 0,2\r\n\r\nOK\r\n", false},
        {"\r\n+CREG: 1,1\r\n\r\nOK\r\n", false},
    };
    for (const auto &c : cases) {
        Link l;
        l.answer(c.answer);
        EXPECT_EQ(l.modem.CheckRegistration(), c.registered) << c.answer;
        EXPECT_EQ(l.peer.Received(), "AT+CREG?\r\n");
    }
}

TEST(ModemWorker, ModemOperationsSendTheirCommands)
{
    const struct {
        bool (TModemWorker::*op)();
        QString phone;
        const char *sent;
        const char *answer;
    } cases[] = {
        {&TModemWorker::ResetModem, "", "ATZ\r\n", "OK\r\n"},
        {&TModemWorker::Attention, "", "AT\r\n", "OK\r\n"},
        {&TModemWorker::SetBearer, "", "AT+CBST=7,0,1\r\n", "OK\r\n"},
        {&TModemWorker::HangUp, "", "ATH\r\n", "OK\r\n"},
        {&TModemWorker::Dial, "", "ATD \r\n", "CONNECT 9600\r\n"},
        {&TModemWorker::Dial, "+79001234567", "ATD +79001234567\r\n", "CONNECT\r\n"},
    };
    for (const auto &c : cases) {
        Link l(c.phone);
        l.answer(c.answer);
        EXPECT_TRUE((l.modem.*c.op)()) << c.sent;
        EXPECT_EQ(l.peer.Received(), c.sent);
        EXPECT_EQ(l.log.Lines().value(0), QStringLiteral("#Modem<-: ") + c.sent);
    }
}

TEST(ModemWorker, CommandsWithControlCharactersAreNeverSent)
{
    Link l;
    l.answer("OK\r\n");
    QString reply;
    for (const QString &bad : {QStringLiteral("+name\r\n+erase"), QStringLiteral("AT\tZ"),
                               QStringLiteral("ATD 1\x1b"), QStringLiteral("+srv\u4e2d")}) {
        EXPECT_FALSE(l.modem.Exchange(bad, reply, "OK", 3, 4500, true));
        EXPECT_EQ(reply, "");
    }
    TModemWorker dialler(&l.port, "123\r\nATZ", false, &l.log, false);
    EXPECT_FALSE(dialler.Dial());
    EXPECT_EQ(l.peer.Received(), "");
    EXPECT_TRUE(l.log.Lines().isEmpty());
}

TEST(ModemWorker, EscapeKeepsTheGuardTimeOnBothSides)
{
    Link l;
    l.answer("OK\r\n");
    EXPECT_TRUE(l.modem.Attention());
    EXPECT_TRUE(l.modem.EscapeToCommand());
    EXPECT_TRUE(l.modem.HangUp());
    ASSERT_EQ(l.peer.Received(), "AT\r\n+++ATH\r\n");
    const auto a = l.peer.Arrivals();
    // Arrival times of: the last byte before "+++", its first and last "+",
    // and the first byte after it.
    const int64_t gapBefore = a[4].us - a[3].us;
    const int64_t gapAfter = a[7].us - a[6].us;
    EXPECT_GE(gapBefore, 1000000);
    EXPECT_GE(gapAfter, 1000000);
    EXPECT_EQ(l.log.Lines().filter("+++").size(), 0); // the escape is not logged
}

TEST(ModemWorker, UnpluggedPortRaisesDeviceErrorInsteadOfWaiting)
{
    Link l;
    l.peer.Unplug();
    QString reply;
    try {
        l.modem.Exchange("+v", reply, "OK", 3, 4500, true);
        FAIL();
    } catch (const EDeviceError &e) {
        EXPECT_EQ(e.Code(), 10);
    }
}

TEST(ModemWorker, NeverOpenedPortPassesDeviceNotOpened)
{
    TComPortWorker port("/dev/ttyNoSuchPort7", nullptr);
    TModemWorker modem(&port, "", false, nullptr, false);
    QString reply;
    try {
        modem.Exchange("AT", reply, "OK", 1, 100, true);
        FAIL();
    } catch (const EDeviceError &e) {
        EXPECT_EQ(e.Message(), "Device not opened.");
    }
}

TEST(ModemWorker, OwnsThePortWorkerWhenTold)
{
    PtyPeer peer;
    auto *port = new TComPortWorker(peer.Path(), nullptr);
    port->Open();
    {
        TModemWorker modem(port, "5", true, nullptr, true);
        EXPECT_EQ(modem.Port(), port);
        EXPECT_EQ(modem.Phone(), "5");
        EXPECT_TRUE(modem.WaitForRegistration());
    }
    // Released with the modem worker, so the device is free again.
    TComPortWorker again(peer.Path(), nullptr);
    EXPECT_NO_THROW(again.Open());
}
