#pragma once
#include <QByteArray>
#include <QList>
#include <QSet>

#include <array>
#include <optional>

namespace t3sim
{

// The tracker's GPS receiver: NMEA at power-up, SiRF binary after the
// switch sentence, answering polls and keeping what it is sent.
class GpsReceiver
{
  public:
    static constexpr int kSatellites = 32;
    static constexpr int kAlmanacSize = 28;
    static constexpr int kEphemerisSize = 90;

    struct Clock {
        quint16 week = 1636;
        quint32 timeOfWeek = 12960000; // hundredths of a second
        quint8 satellites = 9;
        qint32 drift = 94315; // Hz
        qint32 bias = 204378; // ns
        quint32 estimatedTime = 129600000;
    };

    struct InitData {
        qint32 x = 0, y = 0, z = 0;
        qint32 drift = 0;
        quint32 timeOfWeek = 0;
        quint16 week = 0;
        quint8 channels = 0;
        quint8 reset = 0;
    };

    struct ReceivedFrame {
        QByteArray payload; // identifier first
        bool checksumOk = false;
    };

    GpsReceiver();

    // Bytes from the line; returns what the receiver answers at once.
    QByteArray input(const QByteArray &bytes);
    // Power cycle of the pass-through: the receiver talks NMEA again.
    void reset();

    bool binary() const { return m_binary; }
    Clock clock() const { return m_clock; }
    void setClock(const Clock &c) { m_clock = c; }
    QByteArray almanac(int sv) const { return m_almanac[sv - 1]; }
    void setAlmanac(int sv, const QByteArray &data) { m_almanac[sv - 1] = data; }
    std::optional<QByteArray> ephemeris(int sv) const { return m_ephemeris[sv - 1]; }
    void setEphemeris(int sv, const std::optional<QByteArray> &data) { m_ephemeris[sv - 1] = data; }
    QSet<int> omitted() const { return m_omitted; }
    void setOmitted(const QSet<int> &svs) { m_omitted = svs; }
    std::optional<InitData> lastInit() const { return m_init; }
    int almanacSets() const { return m_almanacSets; }
    int ephemerisSets() const { return m_ephemerisSets; }
    QList<ReceivedFrame> framesReceived() const { return m_frames; }
    QList<QByteArray> sentencesReceived() const { return m_sentences; }

    // A whole frame around the payload, with length and checksum.
    static QByteArray frame(const QByteArray &payload);

  private:
    QByteArray handleFrame(const QByteArray &payload);
    void handleSentence(const QByteArray &line);

    bool m_binary = false;
    QByteArray m_buffer;
    Clock m_clock;
    std::array<QByteArray, kSatellites> m_almanac;
    std::array<std::optional<QByteArray>, kSatellites> m_ephemeris;
    QSet<int> m_omitted;
    std::optional<InitData> m_init;
    int m_almanacSets = 0;
    int m_ephemerisSets = 0;
    QList<ReceivedFrame> m_frames;
    QList<QByteArray> m_sentences;
};

} // namespace t3sim
