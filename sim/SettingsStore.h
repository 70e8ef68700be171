#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>

namespace t3sim
{

// The tracker's settings as it keeps them: the stored text of every command,
// with the checks its firmware applies to a written value.
class SettingsStore
{
  public:
    enum class WriteResult { Ok, Malformed, ReadOnly };

    SettingsStore();

    // The catalogue's command names, slot names included ("alphon0", "ing9").
    static QList<QByteArray> names();
    static bool knows(const QByteArray &name);
    // Longest catalogue name that starts body; empty when none.
    static QByteArray matchName(const QByteArray &body);
    // Lowest build of firmware 600 that knows the command (0: every build).
    static int minBuild(const QByteArray &name);

    QByteArray value(const QByteArray &name) const;
    // Stores the text as given, without checks (for tests and faults).
    void setValue(const QByteArray &name, const QByteArray &value);
    // A write from the line: checked and normalised as the firmware would.
    WriteResult write(const QByteArray &name, const QByteArray &value);
    QMap<QByteArray, QByteArray> values() const { return m_values; }

  private:
    QMap<QByteArray, QByteArray> m_values;
};

} // namespace t3sim
