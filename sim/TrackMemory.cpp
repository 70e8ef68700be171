#include "TrackMemory.h"

#include "Hex.h"

#include <cmath>
#include <random>

namespace t3sim
{
namespace
{

void putBE(TrackMemory::Record &r, int offset, quint32 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        r[offset + i] = quint8(value & 0xFF);
        value >>= 8;
    }
}

// ddmm.mmmmm scaled by 10^5, with the hemisphere in bit 31.
quint32 coordinate(double degrees)
{
    const double a = std::fabs(degrees);
    const double whole = std::floor(a);
    const double minutes = (a - whole) * 60.0;
    const auto magnitude =
        quint32(std::llround((whole * 100.0 + minutes) * 100000.0)) & 0x7FFFFFFFu;
    return degrees < 0 ? magnitude | 0x80000000u : magnitude;
}

} // namespace

TrackMemory::TrackMemory()
{
    erase();
}

TrackMemory::Record TrackMemory::encode(int address, const TrackFix &f)
{
    Record r{};
    putBE(r, 0, coordinate(f.latitude), 4);
    putBE(r, 4, coordinate(f.longitude), 4);
    const QDate d = f.utc.date();
    const QTime t = f.utc.time();
    putBE(r, 8, quint32(d.day() * 10000 + d.month() * 100 + d.year() % 100), 3);
    putBE(r, 11, quint32(t.hour() * 10000 + t.minute() * 100 + t.second()), 3);
    putBE(r, 14, quint32(f.speedMilliKnots), 4);
    putBE(r, 18, quint16(f.altitudeDecimetres), 2);
    r[20] = f.satellites;
    r[21] = f.fix;
    r[22] = f.signal;
    r[23] = f.hdop;
    r[24] = f.inputs;
    r[25] = f.type;
    unsigned sum = unsigned(address >> 8) + unsigned(address & 0xFF);
    for (int i = 0; i < kRecordSize - 1; ++i)
        sum += r[i];
    r[26] = quint8((256 - sum % 256) % 256);
    return r;
}

QByteArray TrackMemory::toHex(const Record &r)
{
    QByteArray text;
    for (quint8 b : r)
        text += hex::format(b, 2);
    return text;
}

bool TrackMemory::checksumHolds(int address, const Record &r)
{
    unsigned sum = unsigned(address >> 8) + unsigned(address & 0xFF);
    for (quint8 b : r)
        sum += b;
    return sum % 256 == 0;
}

void TrackMemory::erase()
{
    Record empty;
    empty.fill(0xFF);
    m_slots.assign(kSlots, empty);
    m_writePointer = 0;
    m_nsPoint = "0000";
    m_generated.clear();
}

bool TrackMemory::isEmpty(int address) const
{
    for (quint8 b : m_slots[address])
        if (b != 0xFF)
            return false;
    return true;
}

void TrackMemory::append(const TrackFix &fix)
{
    m_slots[m_writePointer] = encode(m_writePointer, fix);
    m_writePointer = (m_writePointer + 1) % kSlots;
}

void TrackMemory::corrupt(int address)
{
    m_slots[address][23] ^= 0x5A; // an uninterpreted byte: only the checksum tells
}

// A car's day: stops, town driving and highway runs, logged by time while
// standing, by displacement while moving, and by event when an input changes.
void TrackMemory::fill(const HistoryFill &how)
{
    erase();
    const int start = how.writePointer % kSlots;
    const int count = how.wrapped ? kSlots : start;
    std::mt19937 rng(how.seed);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    auto chance = [&](double p) { return uniform(0, 1) < p; };

    double lat = how.startLatitude, lon = how.startLongitude;
    double heading = uniform(0, 2 * M_PI);
    double speedKmh = 0;
    double altitude = 35.0;
    int stopLeft = 20, driveLeft = 0;
    bool input1 = false, input2 = false;
    QDateTime time = how.firstTime;
    m_generated.reserve(count);

    for (int i = 0; i < count; ++i) {
        TrackFix f;
        int dt;
        if (driveLeft > 0) {
            --driveLeft;
            const double target = chance(0.3) ? uniform(70, 110) : uniform(15, 60);
            speedKmh += (target - speedKmh) * 0.3;
            heading += uniform(-0.35, 0.35);
            dt = int(uniform(8, 30));
            f.type = 2;
            if (driveLeft == 0)
                stopLeft = int(uniform(3, 40));
        } else {
            --stopLeft;
            speedKmh = 0;
            dt = int(uniform(60, 300));
            f.type = 1;
            if (stopLeft <= 0)
                driveLeft = int(uniform(20, 200));
        }
        if (chance(0.01)) {
            if (chance(0.5))
                input1 = !input1;
            else
                input2 = !input2;
            f.type = 3;
            dt = int(uniform(1, 5));
        }
        time = time.addSecs(dt);
        const double km = speedKmh * dt / 3600.0;
        lat += km * std::cos(heading) / 111.32;
        lon += km * std::sin(heading) / (111.32 * std::cos(lat * M_PI / 180.0));
        altitude = std::clamp(altitude + uniform(-1.5, 1.5), -10.0, 400.0);

        const double fixRoll = uniform(0, 1);
        f.fix = fixRoll < 0.02 ? 1 : fixRoll < 0.07 ? 2 : 3;
        f.satellites = quint8(f.fix == 1   ? int(uniform(0, 3))
                              : f.fix == 2 ? 3
                                           : int(uniform(4, 13)));
        f.latitude = lat;
        f.longitude = lon;
        f.utc = time;
        f.speedMilliKnots = f.fix == 1 ? 0 : qint32(std::lround(speedKmh / 1.852 * 1000.0));
        f.altitudeDecimetres = qint16(std::lround(altitude * 10.0));
        f.signal = quint8(uniform(28, 47));
        f.hdop = quint8(uniform(7, 30));
        f.inputs = quint8((input1 ? 0 : 1) | (input2 ? 2 : 0));
        m_generated.push_back(f);
    }

    const int oldest = how.wrapped ? start : 0;
    for (int i = 0; i < count; ++i) {
        const int address = (oldest + i) % kSlots;
        m_slots[address] = encode(address, m_generated[i]);
    }
    m_writePointer = start;
    // Points not yet sent to the server: the newest few dozen.
    const int untransmitted = std::min(count, 40);
    m_nsPoint = hex::format((start - untransmitted + kSlots) % kSlots, 4);
    for (int a : how.corrupt)
        corrupt(a % kSlots);
}

} // namespace t3sim
