#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// The outcome of one tracker in a fleet run.
struct TFleetResult {
    enum Outcome { Verified, Differences, Failed };
    QString number;
    QString version; // as the tracker reported it; empty when not read
    Outcome outcome = Failed;
    QStringList differences; // settings that read back otherwise ("page: label")
    QString reason;          // why it failed

    // The report's result column.
    QString ResultText() const;
};

namespace FleetReport
{
// Columns of the report table and the CSV file.
QStringList Header();
QStringList Row(const TFleetResult &r);
// Semicolon-separated, Windows-1251, CR LF, a header line first; fields with
// a separator, quote or line break are quoted.
QByteArray Csv(const QList<TFleetResult> &results);
// "3 из 5 записано и проверено" and the like, for the end of the run.
QString Summary(const QList<TFleetResult> &results, int planned);
} // namespace FleetReport
