#include "SimPort.h"

#include <QDateTime>

using namespace simtest;

namespace
{

// Decodes the record's date and time as the format defines them.
QDateTime recordTime(const QByteArray &hex)
{
    const QByteArray date =
        QByteArray::number(hex.mid(16, 6).toUInt(nullptr, 16)).rightJustified(6, '0');
    const QByteArray time =
        QByteArray::number(hex.mid(22, 6).toUInt(nullptr, 16)).rightJustified(6, '0');
    return QDateTime(
        QDate(2000 + date.mid(4, 2).toInt(), date.mid(2, 2).toInt(), date.left(2).toInt()),
        QTime(time.left(2).toInt(), time.mid(2, 2).toInt(), time.mid(4, 2).toInt()), Qt::UTC);
}

QList<QByteArray> recordLines(const QByteArray &reply)
{
    QList<QByteArray> lines = reply.split('\n');
    QList<QByteArray> out;
    for (QByteArray &l : lines) {
        l = l.trimmed();
        if (!l.isEmpty() && l != "OK")
            out << l;
    }
    return out;
}

} // namespace

TEST_F(SimFixture, ReadOfAWrappedRange)
{
    t3sim::HistoryFill fill;
    fill.wrapped = true;
    fill.writePointer = 8; // newest record at 0007, oldest at 0008
    fill.corrupt = {0x0003};
    sim->fillHistory(fill);
    auto port = connected();
    EXPECT_EQ(port->command("+point"), QByteArray("point>0008\r\nOK\r\n"));

    // The tool asks for the end of the ring and its start separately.
    QList<QByteArray> lines = recordLines(port->command("+readFFD0FFDF"));
    lines += recordLines(port->command("+read00000007"));
    ASSERT_EQ(lines.size(), 24);
    QDateTime previous;
    for (int i = 0; i < lines.size(); ++i) {
        const int address = (0xFFD0 + i) % 65504;
        const QByteArray key = lines[i].left(4);
        const QByteArray record = lines[i].mid(5);
        ASSERT_EQ(key, QByteArray::number(address, 16).toUpper().rightJustified(4, '0'));
        ASSERT_EQ(lines[i][4], '>');
        ASSERT_EQ(record.size(), 54);
        EXPECT_EQ(recordSumHolds(address, record), address != 0x0003) << lines[i].constData();
        const QDateTime t = recordTime(record);
        ASSERT_TRUE(t.isValid()) << lines[i].constData();
        if (previous.isValid()) {
            EXPECT_GE(t, previous) << "time runs on across the end of the ring";
        }
        previous = t;
    }
    // The oldest record follows the newest one.
    const QByteArray oldest = recordLines(port->command("+read00080008")).value(0).mid(5);
    EXPECT_LT(recordTime(oldest), previous);
}

TEST_F(SimFixture, GeneratedTrackIsPlausible)
{
    t3sim::HistoryFill fill;
    fill.writePointer = 5000;
    fill.startLatitude = -33.9;
    fill.startLongitude = -70.6;
    sim->fillHistory(fill);
    const t3sim::TrackMemory memory = sim->trackMemory();
    QSet<int> types, fixes;
    bool input1Seen = false, input2Seen = false;
    for (int a = 0; a < 5000; ++a) {
        const QByteArray hex = memory.recordHex(a);
        ASSERT_TRUE(recordSumHolds(a, hex)) << a;
        types << hex.mid(50, 2).toInt(nullptr, 16);
        fixes << hex.mid(42, 2).toInt(nullptr, 16);
        const int inputs = hex.mid(48, 2).toInt(nullptr, 16);
        input1Seen |= (inputs & 1) == 0;
        input2Seen |= (inputs & 2) != 0;
        // South and west: bit 31 set in both coordinates.
        ASSERT_GE(hex.left(1).toInt(nullptr, 16), 8);
        ASSERT_GE(hex.mid(8, 1).toInt(nullptr, 16), 8);
        ASSERT_LT(hex.mid(28, 8).toUInt(nullptr, 16), 70000u) << "speed below 130 km/h";
    }
    EXPECT_EQ(types, (QSet<int>{1, 2, 3}));
    EXPECT_EQ(fixes, (QSet<int>{1, 2, 3}));
    EXPECT_TRUE(input1Seen && input2Seen);
    EXPECT_EQ(memory.recordHex(5000), QByteArray(54, 'F'));
}

TEST_F(SimFixture, EraseAndUntransmittedPointer)
{
    auto config = sim->trackerConfig();
    config.eraseDelayMs = 100;
    sim->setTrackerConfig(config);
    auto port = connected();
    EXPECT_EQ(port->command("+nspoint01A0"), QByteArray("OK\r\n"));
    EXPECT_EQ(port->command("+nspoint"), QByteArray("nspoint>01A0\r\nOK\r\n"));
    EXPECT_EQ(port->command("+nspoint1A0G"), QByteArray("ERROR\r\n"));

    EXPECT_EQ(port->command("+erase"), QByteArray("OK\r\n"));
    EXPECT_EQ(sim->writePointer(), 0);
    EXPECT_EQ(port->command("+point"), QByteArray("point>0000\r\nOK\r\n"));
    EXPECT_EQ(port->command("+read00000001"),
              "0000>" + QByteArray(54, 'F') + "\r\n0001>" + QByteArray(54, 'F') + "\r\nOK\r\n");
    EXPECT_EQ(sim->nsPoint(), QByteArray("0000"));
    EXPECT_EQ(port->command("+readFFE00000"), QByteArray("ERROR\r\n")) << "beyond the last slot";
}
