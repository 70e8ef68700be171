#pragma once
#include "Bootloader.h"
#include "Config.h"
#include "GpsReceiver.h"
#include "Host.h"
#include "SettingsStore.h"
#include "TrackMemory.h"

#include <QList>

namespace t3sim
{

// The tracker's firmware behind the modem: line framing, identity,
// settings, track memory, GPS pass-through and the loader.
class Tracker
{
  public:
    enum class Mode { Normal, PassThrough, Loader, Reprogramming };

    Tracker(Host &host, TrackerConfig &config, Faults &faults);
    void setLine(TrackerLine *line) { m_line = line; }

    void callStarted();
    void callEnded();
    void input(const QByteArray &bytes);
    void faultsChanged()
    {
        m_commandsSinceFaults = 0;
        m_rejectsLeft = m_faults.loaderRejectTimes;
    }

    Mode mode() const { return m_mode; }
    SettingsStore &settings() { return m_settings; }
    const SettingsStore &settings() const { return m_settings; }
    TrackMemory &memory() { return m_memory; }
    const TrackMemory &memory() const { return m_memory; }
    GpsReceiver &receiver() { return m_receiver; }
    const GpsReceiver &receiver() const { return m_receiver; }
    Bootloader &loader() { return m_loader; }
    const Bootloader &loader() const { return m_loader; }
    QList<QByteArray> commandsReceived() const { return m_commands; }
    void clearCommands() { m_commands.clear(); }

  private:
    void handleLine(const QByteArray &line);
    void answer(const QByteArray &line);
    void answerNormal(const QByteArray &line);
    void answerLoader(const QByteArray &line);
    void respond(const QByteArray &line, const QByteArray &reply, qint64 extraDelayMs = 0);
    bool gated(int minBuild) const;
    static QByteArray commandName(const QByteArray &line);

    Host &m_host;
    TrackerConfig &m_config;
    Faults &m_faults;
    TrackerLine *m_line = nullptr;
    Mode m_mode = Mode::Normal;
    QByteArray m_lineBuffer;
    QByteArray m_passText;
    int m_commandsSinceFaults = 0;
    int m_rejectsLeft = 1;
    QList<QByteArray> m_commands;

    SettingsStore m_settings;
    TrackMemory m_memory;
    GpsReceiver m_receiver;
    Bootloader m_loader;
};

} // namespace t3sim
