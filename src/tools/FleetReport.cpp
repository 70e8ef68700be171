#include "tools/FleetReport.h"

#include "platform/Cp1251.h"

QString TFleetResult::ResultText() const
{
    switch (outcome) {
    case Verified:
        return QStringLiteral("записано и проверено");
    case Differences:
        return QStringLiteral("отличия: ") + differences.join(QStringLiteral("; "));
    case Failed:
        break;
    }
    return QStringLiteral("ошибка: ") + reason;
}

namespace FleetReport
{

QStringList Header()
{
    return {QStringLiteral("Номер"), QStringLiteral("Версия прошивки"),
            QStringLiteral("Результат")};
}

QStringList Row(const TFleetResult &r)
{
    return {r.number, r.version, r.ResultText()};
}

namespace
{
QString CsvField(const QString &field)
{
    // One line per tracker: a line break inside a field stays a blank.
    QString f = field;
    f.replace(QLatin1Char('\r'), QLatin1Char(' '));
    f.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (!f.contains(QLatin1Char(';')) && !f.contains(QLatin1Char('"')) &&
        !f.startsWith(QLatin1Char(' ')) && !f.endsWith(QLatin1Char(' ')))
        return f;
    f.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QLatin1Char('"') + f + QLatin1Char('"');
}

QByteArray CsvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted << CsvField(f);
    return cp1251::fromUnicode(quoted.join(QLatin1Char(';'))) + "\r\n";
}
} // namespace

QByteArray Csv(const QList<TFleetResult> &results)
{
    QByteArray out = CsvLine(Header());
    for (const TFleetResult &r : results)
        out += CsvLine(Row(r));
    return out;
}

QString Summary(const QList<TFleetResult> &results, int planned)
{
    int verified = 0, differing = 0, failed = 0;
    for (const TFleetResult &r : results) {
        verified += r.outcome == TFleetResult::Verified;
        differing += r.outcome == TFleetResult::Differences;
        failed += r.outcome == TFleetResult::Failed;
    }
    QString text = QStringLiteral("Записано и проверено: %1 из %2; с отличиями: %3; с ошибкой: %4")
                       .arg(verified)
                       .arg(planned)
                       .arg(differing)
                       .arg(failed);
    if (results.size() < planned)
        text += QStringLiteral("; не обработано (отменено): %1").arg(planned - results.size());
    return text;
}

} // namespace FleetReport
