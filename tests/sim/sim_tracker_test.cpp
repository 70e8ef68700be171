#include "SimPort.h"

using namespace simtest;

TEST_F(SimFixture, SettingsReadAndWrite)
{
    auto port = connected();
    EXPECT_EQ(port->command("+object"), QByteArray("object>0050\r\nOK\r\n"));
    EXPECT_EQ(port->command("+object0123"), QByteArray("OK\r\n"));
    EXPECT_EQ(sim->setting("object"), QByteArray("0123"));
    EXPECT_EQ(port->command("+GAPN"), QByteArray("GAPN>internet\r\nOK\r\n"));
    EXPECT_EQ(port->command("+GAPNinternet.example.ru"), QByteArray("OK\r\n"));
    EXPECT_EQ(port->command("+ing3 "), QByteArray("OK\r\n"));
    EXPECT_EQ(port->command("+flagact0204"), QByteArray("OK\r\n"));
    EXPECT_EQ(port->command("+latit00e6"), QByteArray("OK\r\n"));

    sim->setSetting("alphon1", "+79160000001");
    EXPECT_EQ(port->command("+alphon1"), QByteArray("alphon1>+79160000001\r\nOK\r\n"));
    EXPECT_EQ(sim->setting("GAPN"), QByteArray("internet.example.ru"));
    EXPECT_EQ(sim->setting("ing3"), QByteArray(" "));
    EXPECT_EQ(sim->setting("flagact"), QByteArray("0204"));
    EXPECT_EQ(sim->setting("latit"), QByteArray("00E6"));

    sim->setSetting("MFLAG", "1005");
    EXPECT_EQ(port->command("+MFLAG"), QByteArray("MFLAG>1005\r\nOK\r\n"));
    EXPECT_EQ(port->command("+mflag"), QByteArray("OK\r\n"));
    EXPECT_EQ(sim->setting("MFLAG"), QByteArray("0000"));
}

TEST_F(SimFixture, MalformedWritesAreRefusedAndChangeNothing)
{
    const char *lines[] = {
        "+object12345", // more than four digits
        "+object12a",   // not decimal
        "+timefix1000", // 4096 does not fit two digits
        "+timefix5",    // one digit where two belong
        "+turn01",      // a switch is 00 or FF
        "+IPport0",     // port 0
        "+IPport65536",
        "+dontsleep0A",       // not a sleep mode
        "+activetime0123",    // not an active-time code
        "+presstime0B",       // hold time above 5 s
        "+flagact0305",       // mode 6
        "+alphon0+7916abc",   // letters in a phone number
        "+servpswd123456789", // longer than 8
        "+MFLAG0000",         // read only
        "+nosuchcommand",
        "plain text",
    };
    auto port = connected();
    const auto before = sim->settings();
    for (const char *line : lines)
        EXPECT_EQ(port->command(line), QByteArray("ERROR\r\n")) << line;
    EXPECT_EQ(sim->settings(), before);
}

TEST_F(SimFixture, IdentityEchoAndVersionGates)
{
    sim->setVersion("REV 07.600.026");
    sim->setTrackerEcho(true);
    auto port = connected();
    EXPECT_EQ(port->command("+v"), QByteArray("+v\r\nv>REV 07.600.026\r\nOK\r\n"));
    EXPECT_EQ(port->command("+PGPS"), QByteArray("+PGPS\r\nPGPS>0A\r\nOK\r\n"));
    // Commands of later builds are unknown to this one.
    for (const char *line : {"+presstime", "+dontsleep", "+fixtrid", "+typepan", "GPSACCESS_ON"})
        EXPECT_TRUE(port->command(line).endsWith("\r\nERROR\r\n")) << line;
    sim->setVersion("REV 07.600.070");
    EXPECT_EQ(port->command("+typepan"), QByteArray("+typepan\r\ntypepan>0138\r\nOK\r\n"));
}

TEST_F(SimFixture, ErrorSilenceAndNoiseFaults)
{
    auto port = connected();
    t3sim::Faults f;
    f.errorCommands = {"GAPN"};
    f.errorOnCommand = 2;
    const QByteArray noise("\x00\xFF#", 3);
    f.noise = noise;
    sim->setFaults(f);
    EXPECT_EQ(port->command("+v"), noise + "v>REV 07.600.070\r\nOK\r\n");
    EXPECT_EQ(port->command("+v"), noise + "ERROR\r\n");
    EXPECT_EQ(port->command("+GAPN"), noise + "ERROR\r\n");
    EXPECT_EQ(port->command("+gprsname"), noise + "gprsname>internet\r\nOK\r\n");

    f = {};
    f.silent = true;
    sim->setFaults(f);
    EXPECT_EQ(port->command("+v", 200), QByteArray());

    f = {};
    sim->setFaults(f);
    auto config = sim->trackerConfig();
    config.replyDelayMs = 150;
    sim->setTrackerConfig(config);
    EXPECT_EQ(port->command("+v", 50), QByteArray()) << "not yet";
    EXPECT_EQ(port->readUntil({"OK"}), QByteArray("v>REV 07.600.070\r\nOK\r\n"));
}
