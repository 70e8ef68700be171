#include "GpsReceiver.h"

#include <random>

namespace t3sim
{
namespace
{

void putBE(QByteArray &out, quint32 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out += char((value >> (8 * i)) & 0xFF);
}

quint32 getBE(const QByteArray &in, int offset, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | quint8(in[offset + i]);
    return v;
}

// The line is searched as text for these markers, so data must not fake them.
bool hasStrayMarker(const QByteArray &f)
{
    for (int i = 1; i + 1 < f.size() - 2; ++i) {
        const auto a = quint8(f[i]), b = quint8(f[i + 1]);
        if ((a == 0xB0 && b == 0xB3) || (a == 0xA0 && b == 0xA2))
            return true;
    }
    return false;
}

QByteArray generated(std::mt19937 &rng, int size, quint8 id, int sv, int lengthOfFrame)
{
    for (;;) {
        QByteArray data;
        for (int i = 0; i < size; ++i)
            data += char(rng() & 0xFF);
        if (id == 0x0F) {
            data[0] = 0; // first word of subframe 1 carries the satellite
            data[1] = char(sv);
        }
        QByteArray payload;
        payload += char(id);
        payload += char(sv);
        payload += data;
        if (payload.size() == lengthOfFrame && !hasStrayMarker(GpsReceiver::frame(payload)))
            return data;
    }
}

} // namespace

GpsReceiver::GpsReceiver()
{
    std::mt19937 rng(7);
    for (int sv = 1; sv <= kSatellites; ++sv) {
        m_almanac[sv - 1] = generated(rng, kAlmanacSize, 0x0E, sv, 30);
        m_ephemeris[sv - 1] = generated(rng, kEphemerisSize, 0x0F, sv, 92);
    }
}

QByteArray GpsReceiver::frame(const QByteArray &payload)
{
    QByteArray f("\xA0\xA2", 2);
    putBE(f, quint32(payload.size()), 2);
    f += payload;
    quint32 sum = 0;
    for (char c : payload)
        sum += quint8(c);
    putBE(f, sum & 0x7FFF, 2);
    f += QByteArray("\xB0\xB3", 2);
    return f;
}

void GpsReceiver::reset()
{
    m_binary = false;
    m_buffer.clear();
}

QByteArray GpsReceiver::input(const QByteArray &bytes)
{
    m_buffer += bytes;
    QByteArray out;
    if (!m_binary) {
        for (int eol; (eol = m_buffer.indexOf('\n')) >= 0;) {
            const QByteArray line = m_buffer.left(eol).trimmed();
            m_buffer.remove(0, eol + 1);
            if (line.startsWith('$'))
                handleSentence(line);
            if (m_binary)
                return out + input({});
        }
        if (m_buffer.size() > 4096)
            m_buffer.clear();
        return out;
    }
    for (;;) {
        const int start = m_buffer.indexOf(QByteArray("\xA0\xA2", 2));
        if (start < 0) {
            m_buffer = m_buffer.right(1);
            return out;
        }
        m_buffer.remove(0, start);
        if (m_buffer.size() < 4)
            return out;
        const int length = int(getBE(m_buffer, 2, 2));
        if (length == 0 || length > 1023) {
            m_buffer.remove(0, 2);
            continue;
        }
        if (m_buffer.size() < length + 8)
            return out;
        if (quint8(m_buffer[length + 6]) != 0xB0 || quint8(m_buffer[length + 7]) != 0xB3) {
            m_buffer.remove(0, 2);
            continue;
        }
        const QByteArray payload = m_buffer.mid(4, length);
        quint32 sum = 0;
        for (char c : payload)
            sum += quint8(c);
        const bool ok = (sum & 0x7FFF) == getBE(m_buffer, length + 4, 2);
        m_buffer.remove(0, length + 8);
        m_frames << ReceivedFrame{payload, ok};
        if (ok)
            out += handleFrame(payload);
        if (!m_binary)
            return out + input({});
    }
}

void GpsReceiver::handleSentence(const QByteArray &line)
{
    m_sentences << line;
    const int star = line.indexOf('*');
    if (star < 0)
        return;
    quint8 x = 0;
    for (int i = 1; i < star; ++i)
        x ^= quint8(line[i]);
    if (line.mid(star + 1, 2).toUpper() !=
        QByteArray::number(x, 16).rightJustified(2, '0').toUpper())
        return;
    const QList<QByteArray> fields = line.mid(1, star - 1).split(',');
    if (fields.size() >= 2 && fields[0] == "PSRF100" && fields[1] == "0")
        m_binary = true;
}

QByteArray GpsReceiver::handleFrame(const QByteArray &p)
{
    const quint8 id = quint8(p[0]);
    QByteArray out;
    switch (id) {
    case 0x90: { // poll clock status
        QByteArray c;
        c += char(0x07);
        putBE(c, m_clock.week, 2);
        putBE(c, m_clock.timeOfWeek, 4);
        c += char(m_clock.satellites);
        putBE(c, quint32(m_clock.drift), 4);
        putBE(c, quint32(m_clock.bias), 4);
        putBE(c, m_clock.estimatedTime, 4);
        out += frame(c);
        break;
    }
    case 0x92: // poll almanac
        for (int sv = 1; sv <= kSatellites; ++sv)
            if (!m_omitted.contains(sv))
                out += frame(QByteArray(1, char(0x0E)) + char(sv) + m_almanac[sv - 1]);
        break;
    case 0x93: { // poll ephemeris; satellite 0 means all
        const int wanted = p.size() > 1 ? quint8(p[1]) : 0;
        for (int sv = 1; sv <= kSatellites; ++sv)
            if ((wanted == 0 || wanted == sv) && m_ephemeris[sv - 1] && !m_omitted.contains(sv))
                out += frame(QByteArray(1, char(0x0F)) + char(sv) + *m_ephemeris[sv - 1]);
        break;
    }
    case 0x82: // set almanac: 32 satellites in order
        if (p.size() == 1 + kSatellites * kAlmanacSize) {
            for (int sv = 1; sv <= kSatellites; ++sv)
                m_almanac[sv - 1] = p.mid(1 + (sv - 1) * kAlmanacSize, kAlmanacSize);
            ++m_almanacSets;
        }
        break;
    case 0x95: // set ephemeris: the satellite is in the data's first word
        if (p.size() == 1 + kEphemerisSize) {
            const int sv = quint8(p[2]);
            if (sv >= 1 && sv <= kSatellites) {
                m_ephemeris[sv - 1] = p.mid(1);
                ++m_ephemerisSets;
            }
        }
        break;
    case 0x80: // initialise data source
        if (p.size() == 25) {
            InitData d;
            d.x = qint32(getBE(p, 1, 4));
            d.y = qint32(getBE(p, 5, 4));
            d.z = qint32(getBE(p, 9, 4));
            d.drift = qint32(getBE(p, 13, 4));
            d.timeOfWeek = getBE(p, 17, 4);
            d.week = quint16(getBE(p, 21, 2));
            d.channels = quint8(p[23]);
            d.reset = quint8(p[24]);
            m_init = d;
        }
        break;
    case 0x81: // switch to NMEA
        m_binary = false;
        break;
    default:
        break;
    }
    return out;
}

} // namespace t3sim
