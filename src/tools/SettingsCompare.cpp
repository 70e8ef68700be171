#include "tools/SettingsCompare.h"

namespace settingscompare
{

QString SettingOf(const QString &line, const QStringList &names)
{
    if (!line.startsWith(QLatin1Char('+')))
        return QString();
    const QString body = line.mid(1);
    QString best;
    for (const QString &n : names)
        if (n.size() > best.size() && body.startsWith(n))
            best = n;
    return best;
}

TWriteImage AnalyseWrite(const QList<TEvent> &events, const QStringList &names)
{
    TWriteImage image;
    QString last; // the setting sent since the previous label mark
    for (int i = 0; i < events.size(); ++i) {
        const TEvent &e = events[i];
        switch (e.kind) {
        case TEvent::Sent: {
            last = SettingOf(e.line, names);
            if (last.isEmpty())
                break;
            const QString value = e.line.mid(1 + last.size());
            if (!image.settings.contains(last))
                image.order << last;
            image.settings[last].value = value;
            break;
        }
        case TEvent::Mark: {
            const bool refusal = i + 1 < events.size() && events[i + 1].kind == TEvent::Memo;
            if (refusal)
                image.refused.insert(e.label);
            else if (!last.isEmpty() && !image.settings[last].labels.contains(e.label))
                image.settings[last].labels << e.label;
            break;
        }
        case TEvent::Memo:
            break;
        }
    }
    return image;
}

QList<TRow> Compare(const QList<TRead> &reads, const TWriteImage &reference,
                    const TWriteImage &tracker)
{
    QList<TRow> rows;
    for (const TRead &r : reads) {
        TRow row;
        row.name = r.name;
        row.labels = r.labels;
        row.controls = r.controls;
        if (!r.ok) {
            row.state = TState::NotRead;
        } else {
            const auto ref = reference.settings.constFind(r.name);
            const auto trk = tracker.settings.constFind(r.name);
            const bool refSent = ref != reference.settings.constEnd();
            const bool trkSent = trk != tracker.settings.constEnd();
            if (!refSent && !trkSent) {
                bool refusedHere = false;
                for (QObject *l : r.labels)
                    refusedHere = refusedHere || reference.refused.contains(l);
                if (!refusedHere)
                    continue;
                row.state = TState::Differs;
            } else {
                row.state = refSent && trkSent && ref->value == trk->value ? TState::Equal
                                                                           : TState::Differs;
            }
        }
        rows << row;
    }
    return rows;
}

QSet<QObject *> LabelsOf(const QList<TRow> &rows, const QSet<QString> &names,
                         const TWriteImage &reference)
{
    QSet<QObject *> labels;
    for (const TRow &row : rows) {
        if (!names.contains(row.name))
            continue;
        if (const auto it = reference.settings.constFind(row.name);
            it != reference.settings.constEnd())
            for (QObject *l : it->labels)
                labels.insert(l);
        for (QObject *l : row.labels)
            if (reference.refused.contains(l))
                labels.insert(l);
    }
    return labels;
}

bool TDiffWriteExchange::Exchange(const QString &command, QString &reply, const QString &expected,
                                  int tries, int timeoutMs, bool log)
{
    const QString name = SettingOf(command, names_);
    const bool bareRead = !name.isEmpty() && command.size() == 1 + name.size();
    if (!bareRead && !chosen_.contains(name)) {
        reply = QStringLiteral("OK");
        return true;
    }
    sent_ << command;
    const bool ok = link_->Exchange(command, reply, expected, tries, timeoutMs, log);
    if (!bareRead)
        results_[name] = ok;
    return ok;
}

} // namespace settingscompare
