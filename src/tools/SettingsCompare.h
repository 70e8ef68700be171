#pragma once
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

#include "device/ModemExchange.h"

// The pure side of "compare with the tracker": what the pages' own routines
// sent and marked, turned into settings that are equal, differ or were not
// read, and the filter that lets only the differing settings onto the line.
namespace settingscompare
{

// What a page routine did, in order: a line it sent, a label it marked, a
// memo line it wrote (a refusal follows its red mark with one).
struct TEvent {
    enum Kind { Sent, Mark, Memo };
    Kind kind = Sent;
    QString line;            // Sent: the request line ("+object0050"); Memo: the text
    QObject *label = nullptr; // Mark
    bool ok = false;          // Mark
};

// The setting a request line addresses: the longest known name after the
// "+" (the tracker matches names the same way); empty when none is known.
QString SettingOf(const QString &line, const QStringList &names);

// One setting as a write routine would send it.
struct TWritten {
    QString value;           // what follows the name on the line
    QList<QObject *> labels; // labels marked after it was sent
};
// What a dry run of the write routines would send, per setting, plus the
// labels whose value was refused before anything was sent.
struct TWriteImage {
    QHash<QString, TWritten> settings;
    QStringList order; // settings in the order sent
    QSet<QObject *> refused;
};
TWriteImage AnalyseWrite(const QList<TEvent> &events, const QStringList &names);

// A control, or a cell of a grid, that a read gave a value.
struct TTarget {
    QObject *control = nullptr;
    int row = -1; // a grid cell: row and column
    int column = -1;
    bool operator==(const TTarget &o) const
    {
        return control == o.control && row == o.row && column == o.column;
    }
};

// One setting as a read routine read it.
struct TRead {
    QString name;
    bool ok = false;
    QList<QObject *> labels;  // marked by the read
    QList<TTarget> controls; // given a value by the read
};

enum class TState { Equal, Differs, NotRead };

struct TRow {
    QString name; // the setting's command name
    TState state = TState::Equal;
    QList<QObject *> labels;
    QList<TTarget> controls;
};

// Rows in read order. A setting whose read failed is never equal; one the
// reference would not send (refused) or sends otherwise differs; one no
// write routine sends (a state, not a setting) is left out.
QList<TRow> Compare(const QList<TRead> &reads, const TWriteImage &reference,
                    const TWriteImage &tracker);

// The labels that belong to the given settings, from the reference's dry run
// (marked after the setting was sent, or refused while reading it).
QSet<QObject *> LabelsOf(const QList<TRow> &rows, const QSet<QString> &names,
                         const TWriteImage &reference);

// Lets through only the writes of the chosen settings. A write of any other
// setting is answered as done without sending anything (the tracker holds
// that value already), so routines that combine outcomes stay right; a bare
// read passes. What was sent and how it ended is kept per setting.
class TDiffWriteExchange : public IModemExchange
{
  public:
    TDiffWriteExchange(IModemExchange *link, QStringList names, QSet<QString> chosen)
        : link_(link), names_(std::move(names)), chosen_(std::move(chosen))
    {
    }
    bool Exchange(const QString &command, QString &reply, const QString &expected, int tries,
                  int timeoutMs, bool log) override;
    bool ExchangeHex(const QString &bytes, QString &reply, const QString &expected, int tries,
                     int timeoutMs) override
    {
        return link_->ExchangeHex(bytes, reply, expected, tries, timeoutMs);
    }

    QHash<QString, bool> Results() const { return results_; }
    QStringList Sent() const { return sent_; }

  private:
    IModemExchange *link_;
    QStringList names_;
    QSet<QString> chosen_;
    QHash<QString, bool> results_;
    QStringList sent_;
};

// Passes every exchange through and tells each request line first.
class TRecordingExchange : public IModemExchange
{
  public:
    TRecordingExchange(IModemExchange *link, std::function<void(const QString &)> sent)
        : link_(link), sent_(std::move(sent))
    {
    }
    bool Exchange(const QString &command, QString &reply, const QString &expected, int tries,
                  int timeoutMs, bool log) override
    {
        sent_(command);
        return link_->Exchange(command, reply, expected, tries, timeoutMs, log);
    }
    bool ExchangeHex(const QString &bytes, QString &reply, const QString &expected, int tries,
                     int timeoutMs) override
    {
        return link_->ExchangeHex(bytes, reply, expected, tries, timeoutMs);
    }

  private:
    IModemExchange *link_;
    std::function<void(const QString &)> sent_;
};

// A line that takes every write and sends nothing: the dry run of a write
// routine. A bare read gets no answer.
class TDryLine : public IModemExchange
{
  public:
    bool Exchange(const QString &command, QString &reply, const QString &, int, int,
                  bool) override
    {
        reply = command + QStringLiteral("\r\nOK\r\n");
        return true;
    }
    bool ExchangeHex(const QString &, QString &reply, const QString &, int, int) override
    {
        reply.clear();
        return false;
    }
};

} // namespace settingscompare
