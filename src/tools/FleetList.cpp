#include "tools/FleetList.h"

#include <QSet>
#include <QStringDecoder>

#include "platform/Cp1251.h"

namespace
{
constexpr int kMaxDigits = 20;
constexpr int kMaxNumbers = 1000;

bool HasDigit(const QString &s)
{
    for (const QChar c : s)
        if (c.isDigit())
            return true;
    return false;
}

QString FirstField(const QString &line)
{
    int end = line.size();
    for (const QChar sep : {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')}) {
        const int i = line.indexOf(sep);
        if (i >= 0 && i < end)
            end = i;
    }
    QString field = line.left(end).trimmed();
    if (field.size() >= 2 && field.startsWith(QLatin1Char('"')) && field.endsWith(QLatin1Char('"')))
        field = field.mid(1, field.size() - 2).trimmed();
    return field;
}

// The dialable form of a field, or an empty string when it is none.
QString Normalise(const QString &field)
{
    QString out;
    for (int i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('(') ||
            c == QLatin1Char(')'))
            continue;
        if (c == QLatin1Char('+') && out.isEmpty())
            out += c;
        else if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            out += c;
        else
            return QString();
    }
    const int digits = out.size() - (out.startsWith(QLatin1Char('+')) ? 1 : 0);
    return digits >= 1 && digits <= kMaxDigits ? out : QString();
}
} // namespace

TFleetList ParseFleetList(const QString &text)
{
    TFleetList list;
    QSet<QString> seen;
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normalised.split(QLatin1Char('\n'));
    bool first = true;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        const QString field = FirstField(line);
        if (field.isEmpty() && line.trimmed().isEmpty())
            continue;
        const bool header = first && !HasDigit(line);
        first = false;
        if (header)
            continue;
        const QString number = Normalise(field);
        if (number.isEmpty()) {
            QString shown;
            for (const QChar c : field)
                shown += c.unicode() < 0x20 ? QChar(0xFFFD) : c;
            list.errors << QStringLiteral("Строка %1: \"%2\" не номер телефона")
                               .arg(QString::number(i + 1), shown.left(40));
            continue;
        }
        if (seen.contains(number)) {
            list.errors << QStringLiteral("Строка %1: номер %2 уже есть в списке")
                               .arg(QString::number(i + 1), number);
            continue;
        }
        seen.insert(number);
        list.numbers << number;
    }
    if (list.numbers.size() > kMaxNumbers)
        list.errors << QStringLiteral("В списке больше %1 номеров").arg(kMaxNumbers);
    if (list.numbers.isEmpty() && list.errors.isEmpty())
        list.errors << QStringLiteral("Список номеров пуст");
    return list;
}

TFleetList ParseFleetFile(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = cp1251::toUnicode(bytes);
    return ParseFleetList(text);
}
