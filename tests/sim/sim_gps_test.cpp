#include "SimPort.h"

using namespace simtest;

namespace
{

QByteArray bytesOf(const char *frameText)
{
    return QByteArray::fromHex(QByteArray(frameText).replace(' ', ""));
}

// A frame around the payload, built here from the format on its own.
QByteArray frameOf(const QByteArray &payload)
{
    unsigned sum = 0;
    for (char c : payload)
        sum += quint8(c);
    sum &= 0x7FFF;
    QByteArray f = QByteArray::fromHex("A0A2");
    f += char(payload.size() >> 8);
    f += char(payload.size() & 0xFF);
    f += payload;
    f += char(sum >> 8);
    f += char(sum & 0xFF);
    return f + QByteArray::fromHex("B0B3");
}

// Splits the received bytes into frames, checking start, length, checksum and end.
QList<QByteArray> payloadsOf(QByteArray bytes)
{
    QList<QByteArray> out;
    while (bytes.size() >= 8) {
        EXPECT_EQ(bytes.left(2), QByteArray::fromHex("A0A2"));
        const int length = (quint8(bytes[2]) << 8) | quint8(bytes[3]);
        const QByteArray payload = bytes.mid(4, length);
        unsigned sum = 0;
        for (char c : payload)
            sum += quint8(c);
        EXPECT_EQ(sum & 0x7FFF,
                  unsigned((quint8(bytes[4 + length]) << 8) | quint8(bytes[5 + length])));
        EXPECT_EQ(bytes.mid(6 + length, 2), QByteArray::fromHex("B0B3"));
        out << payload;
        bytes.remove(0, length + 8);
    }
    EXPECT_TRUE(bytes.isEmpty());
    return out;
}

class GpsFixture : public SimFixture
{
  protected:
    std::unique_ptr<SimPort> inPassThrough()
    {
        auto port = connected();
        EXPECT_EQ(port->command("GPSACCESS_ON"), QByteArray("OK\r\n"));
        port->write("$PSRF100,0,9600,8,0,0*0D\r\n");
        EXPECT_TRUE(t3sim::Simulator::waitUntil([&] { return sim->receiver().binary(); }, 1000));
        return port;
    }
};

} // namespace

TEST_F(GpsFixture, AlmanacPollWithChecksumsThatHold)
{
    auto port = inPassThrough();
    port->write(bytesOf("A0 A2 00 02 92 00 00 92 B0 B3"));
    const QList<QByteArray> frames = payloadsOf(port->readFor(300));
    ASSERT_EQ(frames.size(), 32);
    for (int sv = 1; sv <= 32; ++sv) {
        const QByteArray &p = frames[sv - 1];
        ASSERT_EQ(p.size(), 30);
        EXPECT_EQ(quint8(p[0]), 0x0E);
        EXPECT_EQ(quint8(p[1]), sv);
        EXPECT_EQ(p.mid(2), sim->receiver().almanac(sv));
    }

    t3sim::Faults f;
    f.omittedSatellites = {5, 32};
    sim->setFaults(f);
    port->write(bytesOf("A0 A2 00 03 93 00 00 00 93 B0 B3"));
    const QList<QByteArray> eph = payloadsOf(port->readFor(300));
    ASSERT_EQ(eph.size(), 30);
    EXPECT_EQ(quint8(eph[4][1]), 6);
    EXPECT_EQ(eph[4].size(), 92);

    port->write(bytesOf("A0 A2 00 02 90 00 00 90 B0 B3"));
    const QList<QByteArray> clock = payloadsOf(port->readFor(200));
    ASSERT_EQ(clock.size(), 1);
    EXPECT_EQ(clock[0].left(7), bytesOf("07 06 64 00 C5 C1 00"));
    EXPECT_EQ(clock[0].size(), 20);
}

TEST_F(GpsFixture, SetFramesAreStoredAndBadChecksumsIgnored)
{
    auto port = inPassThrough();
    QByteArray almanacs;
    for (int sv = 1; sv <= 32; ++sv)
        almanacs += QByteArray(28, char(sv));
    port->write(frameOf(char(0x82) + almanacs));

    QByteArray eph(90, char(0x11));
    eph[0] = 0;
    eph[1] = 7;
    port->write(frameOf(char(0x95) + eph));
    QByteArray corrupted = frameOf(char(0x95) + QByteArray(90, char(0x22)));
    corrupted[10] = char(0x23);
    port->write(corrupted);
    port->write(frameOf(
        bytesOf("80 00 2A 1E 65 00 18 BD CB 00 53 E4 E4 00 01 70 2B 00 C5 C1 00 06 64 0C 03")));
    port->write(bytesOf(
        "A0 A2 00 18 81 02 01 01 00 01 05 01 05 01 01 01 01 01 00 01 00 01 00 01 00 01 25 80 01 "
        "3F B0 B3"));
    ASSERT_TRUE(t3sim::Simulator::waitUntil([&] { return !sim->receiver().binary(); }, 1000));

    const t3sim::GpsReceiver r = sim->receiver();
    EXPECT_EQ(r.almanac(1), QByteArray(28, char(1)));
    EXPECT_EQ(r.almanac(32), QByteArray(28, char(32)));
    EXPECT_EQ(r.ephemeris(7), eph);
    EXPECT_EQ(r.ephemerisSets(), 1) << "the corrupted frame is ignored";
    ASSERT_TRUE(r.lastInit().has_value());
    EXPECT_EQ(r.lastInit()->x, 2760293);
    EXPECT_EQ(r.lastInit()->drift, 94251);
    EXPECT_EQ(r.lastInit()->timeOfWeek, 12960000u);
    EXPECT_EQ(r.lastInit()->week, 1636);
    EXPECT_EQ(r.lastInit()->channels, 12);

    EXPECT_EQ(port->command("GPSACCESS_OFF"), QByteArray("OK\r\n"));
    EXPECT_EQ(sim->trackerMode(), t3sim::Tracker::Mode::Normal);
    EXPECT_EQ(port->command("+v"), QByteArray("v>REV 07.600.070\r\nOK\r\n"));
}
