#include "SimPort.h"

using namespace simtest;
using t3sim::DialResult;

TEST_F(SimFixture, AtSequenceUpToConnectWithRegistrationDelay)
{
    sim->setRegistration(300, false);
    auto port = openPort();
    EXPECT_EQ(port->command("ATZ"), QByteArray("ATZ\r\r\nOK\r\n"));
    EXPECT_EQ(port->command("AT"), QByteArray("AT\r\r\nOK\r\n"));
    EXPECT_TRUE(port->command("AT+CREG?").contains("\r\n+CREG: 0,2\r\n"));
    ASSERT_TRUE(t3sim::Simulator::waitUntil(
        [&] { return port->command("AT+CREG?").contains("+CREG: 0,1\r\n"); }, 3000));
    EXPECT_TRUE(port->command("AT+CBST=7,0,1").endsWith("\r\nOK\r\n"));
    port->write("ATD \r\n");
    EXPECT_TRUE(port->readUntil({"CONNECT 9600"}).endsWith("\r\nCONNECT 9600\r\n"));
    EXPECT_TRUE(sim->callUp());

    // Behind the call the tracker answers, with no modem echo.
    EXPECT_EQ(port->command("+v"), QByteArray("v>REV 07.600.070\r\nOK\r\n"));
    const QList<QByteArray> expected = {"ATZ", "AT", "AT+CREG?"};
    EXPECT_EQ(sim->linesReceived().mid(0, 3), expected);
    EXPECT_EQ(sim->linesReceived().last(), QByteArray("+v"));
    EXPECT_EQ(sim->trackerCommands(), QList<QByteArray>{"+v"});
}

TEST_F(SimFixture, DialResultsAndRoaming)
{
    struct Case {
        DialResult result;
        const char *word;
    };
    const Case cases[] = {{DialResult::Busy, "BUSY"},
                          {DialResult::NoAnswer, "NO ANSWER"},
                          {DialResult::NoDialtone, "NO DIALTONE"},
                          {DialResult::NoCarrier, "NO CARRIER"}};
    auto port = openPort();
    for (const Case &c : cases) {
        sim->setDialResult(c.result, 20);
        EXPECT_TRUE(port->dial("+79001234567").endsWith(QByteArray("\r\n") + c.word + "\r\n"))
            << c.word;
        EXPECT_FALSE(sim->callUp()) << c.word;
    }
    sim->setRegistration(0, true);
    port->close();
    port = openPort();
    EXPECT_TRUE(port->command("AT+CREG?").contains("\r\n+CREG: 0,5\r\n"));
    sim->setRegistration(-1, false);
    sim->setDialResult(DialResult::Connect, 0);
    port->close();
    port = openPort();
    EXPECT_TRUE(port->dial().endsWith("\r\nNO CARRIER\r\n")) << "not registered";
}

TEST_F(SimFixture, EscapeNeedsGuardTimeOnBothSides)
{
    auto port = connected();
    // Straight after other data the three characters and "ATH" are the tracker's.
    port->write("+v\r\n+++ATH\r\n");
    EXPECT_TRUE(port->readUntil({"ERROR"}).endsWith("ERROR\r\n"));
    EXPECT_TRUE(sim->callUp());
    EXPECT_EQ(sim->trackerCommands().last(), QByteArray("+++ATH"));

    // With silence around it the modem takes it and answers after the guard time.
    port->readFor(80);
    port->write("+++");
    EXPECT_EQ(port->readUntil({"OK"}), QByteArray("\r\nOK\r\n"));
    EXPECT_EQ(port->command("ATH"), QByteArray("ATH\r\r\nOK\r\n"));
    EXPECT_FALSE(sim->callUp());
    const QList<QByteArray> lines = sim->linesReceived();
    EXPECT_EQ(lines.mid(lines.size() - 2), (QList<QByteArray>{"+++", "ATH"}));
}

TEST_F(SimFixture, PortClosedAndReopenedManyTimes)
{
    for (int i = 0; i < 4; ++i) {
        auto port = connected();
        port->write("+object"); // the session ends in the middle of a request
        port.reset();
        ASSERT_TRUE(t3sim::Simulator::waitUntil([&] { return !sim->portOpen(); }, 2000));
        EXPECT_FALSE(sim->callUp());
    }
    auto port = connected();
    EXPECT_EQ(port->command("+object"), QByteArray("object>0050\r\nOK\r\n"));
    EXPECT_EQ(sim->sessions(), 5);
    EXPECT_EQ(sim->calls(), 5);
}

TEST_F(SimFixture, CarrierLostAfterCommands)
{
    auto port = connected();
    t3sim::Faults f;
    f.carrierLostAfter = 2;
    sim->setFaults(f);
    EXPECT_TRUE(port->command("+v").endsWith("OK\r\n"));
    EXPECT_TRUE(port->command("+typepan").endsWith("OK\r\n"));
    EXPECT_EQ(port->command("+PGPS"), QByteArray("\r\nNO CARRIER\r\n"));
    EXPECT_FALSE(sim->callUp());
    EXPECT_EQ(port->command("AT"), QByteArray("AT\r\r\nOK\r\n")); // back in command mode
}

TEST_F(SimFixture, AFleetOfNumbersReachesTrackersOfTheirOwn)
{
    sim->addTracker("111");
    sim->addTracker("333");
    sim->setDialResult("222", DialResult::Busy);
    t3sim::Faults drop;
    drop.carrierLostAfter = 1;
    sim->setFaults("333", drop);
    auto port = openPort();

    ASSERT_TRUE(port->dial("111").endsWith("CONNECT 9600\r\n"));
    EXPECT_EQ(port->command("+object0111"), QByteArray("OK\r\n"));
    port->close(); // ends the call
    port = openPort();
    EXPECT_EQ(sim->setting("111", "object"), QByteArray("0111"));
    EXPECT_NE(sim->setting("object"), QByteArray("0111")) << "the default tracker is another";

    EXPECT_TRUE(port->dial("222").endsWith("\r\nBUSY\r\n"));
    EXPECT_FALSE(sim->callUp());

    ASSERT_TRUE(port->dial("333").endsWith("CONNECT 9600\r\n"));
    EXPECT_EQ(port->command("+object0333"), QByteArray("OK\r\n"));
    EXPECT_TRUE(port->command("+latit0001").contains("NO CARRIER"));
    EXPECT_FALSE(sim->callUp());
    EXPECT_EQ(sim->setting("333", "object"), QByteArray("0333"));
    EXPECT_EQ(sim->trackerCommands("333"), (QList<QByteArray>{"+object0333", "+latit0001"}));
    EXPECT_EQ(sim->trackerCommands("111"), QList<QByteArray>{"+object0111"});
    EXPECT_EQ(sim->setting("111", "object"), QByteArray("0111"));
}
