#include "SimPort.h"

using namespace simtest;

namespace
{

struct Block {
    int index;
    QByteArray data;
    quint8 sum() const
    {
        quint8 x = 0;
        for (char c : data)
            x ^= quint8(c);
        return x;
    }
    QByteArray command() const
    {
        return "+W" + QByteArray::number(index, 16).toUpper().rightJustified(4, '0') + ':' +
               data.toHex().toUpper() + ':' +
               QByteArray::number(sum(), 16).toUpper().rightJustified(2, '0');
    }
};

Block blockAt(int index, int size = 128)
{
    Block b{index, {}};
    for (int i = 0; i < size; ++i)
        b.data += char((index * 31 + i * 7) & 0xFF);
    return b;
}

QByteArray closing(const QList<Block> &blocks)
{
    quint8 sums[4] = {};
    for (int i = 0; i < blocks.size(); ++i)
        sums[i % 4] ^= blocks[i].sum();
    QByteArray text = "+EE";
    for (quint8 s : sums)
        text += QByteArray::number(s, 16).toUpper().rightJustified(2, '0');
    return text;
}

class LoaderFixture : public SimFixture
{
  protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        auto c = sim->trackerConfig();
        c.version = "REV 07.600.060";
        c.versionAfterUpdate = "REV 07.600.070";
        c.reprogramDelayMs = 100;
        sim->setTrackerConfig(c);
    }
};

} // namespace

TEST_F(LoaderFixture, TwoBlocksAndClosingSums)
{
    auto port = connected();
    EXPECT_EQ(port->command("+BL"), QByteArray("OK\r\n"));
    EXPECT_EQ(port->command("+v"), QByteArray("BootLdr v1.0\r\nOK\r\n"));
    EXPECT_EQ(port->command("+BE"), QByteArray("OK\r\n"));
    const QList<Block> blocks = {blockAt(0), blockAt(8, 48)}; // a short last block
    EXPECT_EQ(port->command(blocks[0].command()), QByteArray("0000\r\nOK\r\n"));
    EXPECT_EQ(port->command(blocks[1].command()), QByteArray("0008\r\nOK\r\n"));

    Block bad = blockAt(16);
    QByteArray badLine = bad.command();
    badLine[badLine.size() - 1] = badLine.endsWith('0') ? '1' : '0';
    EXPECT_EQ(port->command(badLine), QByteArray("ERROR\r\n")) << "XOR sum does not match";
    EXPECT_EQ(port->command("+EE00000000"), QByteArray("ERROR\r\n"));

    EXPECT_EQ(port->command(closing(blocks)), QByteArray("OK\r\n"));
    EXPECT_EQ(port->command("+v", 30), QByteArray()) << "busy reprogramming";
    ASSERT_TRUE(
        t3sim::Simulator::waitUntil([&] { return sim->version() == "REV 07.600.070"; }, 2000));
    EXPECT_EQ(port->command("+v"), QByteArray("v>REV 07.600.070\r\nOK\r\n"));
    const t3sim::Bootloader loader = sim->loader();
    EXPECT_EQ(loader.updates(), 1);
    EXPECT_EQ(loader.flashedImage(), blocks[0].data + blocks[1].data);
}

TEST_F(LoaderFixture, RejectedBlockAndResumeAfterADroppedCall)
{
    t3sim::Faults f;
    f.loaderRejectBlock = 0x10;
    f.loaderDropAfterBlock = 0x10;
    sim->setFaults(f);
    const QList<Block> blocks = {blockAt(0), blockAt(8), blockAt(0x10), blockAt(0x18),
                                 blockAt(0x20)};

    auto port = connected();
    port->command("+BL");
    EXPECT_EQ(port->command("+BE"), QByteArray("OK\r\n"));
    EXPECT_EQ(port->command(blocks[0].command()), QByteArray("0000\r\nOK\r\n"));
    EXPECT_EQ(port->command(blocks[1].command()), QByteArray("0008\r\nOK\r\n"));
    EXPECT_EQ(port->command(blocks[2].command()), QByteArray("ERROR\r\n")) << "rejected once";
    port->write(blocks[2].command() + "\r\n");
    EXPECT_EQ(port->readUntil({"NO CARRIER"}), QByteArray("0010\r\nOK\r\n\r\nNO CARRIER\r\n"));
    EXPECT_EQ(sim->trackerMode(), t3sim::Tracker::Mode::Normal) << "the old firmware runs again";
    port->close();

    // A new call: the staging flash kept its blocks, so no erase.
    port = connected();
    EXPECT_EQ(port->command("+v"), QByteArray("v>REV 07.600.060\r\nOK\r\n"));
    port->command("+BL");
    EXPECT_EQ(port->command(blocks[3].command()), QByteArray("0018\r\nOK\r\n"));
    EXPECT_EQ(port->command(blocks[4].command()), QByteArray("0020\r\nOK\r\n"));
    EXPECT_EQ(port->command(closing(blocks)), QByteArray("OK\r\n"));
    EXPECT_TRUE(t3sim::Simulator::waitUntil([&] { return sim->loader().updates() == 1; }, 2000));
}
