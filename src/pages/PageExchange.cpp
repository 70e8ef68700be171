#include "pages/PageExchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "link/ModemWorker.h"
#include "session/OutArray.h"

namespace PageValues
{

bool ParseNumber(const QString &text, int min, int max, int &value)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 10)
        return false;
    qint64 v = 0;
    int i = 0;
    const bool negative = t[0] == QLatin1Char('-');
    if (negative || t[0] == QLatin1Char('+'))
        i = 1;
    if (i == t.size())
        return false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + (c.unicode() - '0');
    }
    if (negative)
        v = -v;
    if (v < min || v > max)
        return false;
    value = static_cast<int>(v);
    return true;
}

QString Printable(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("[%1]").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out;
}

} // namespace PageValues

namespace PageIo
{

QString Text(const QLineEdit *edit)
{
    return FromUi([edit] { return edit->text(); });
}

bool Checked(const QAbstractButton *button)
{
    return FromUi([button] { return button->isChecked(); });
}

int Index(const QComboBox *list)
{
    return FromUi([list] { return list->currentIndex(); });
}

void Put(TPageContext &ctx, QObject *control, int value)
{
    ctx.Out->PutNumber(control, value);
}

void Put(TPageContext &ctx, QObject *control, bool value)
{
    ctx.Out->PutBool(control, value);
}

void Put(TPageContext &ctx, QObject *control, const QString &value)
{
    ctx.Out->PutText(control, value);
}

QString Caption(const QLabel *label)
{
    if (!label)
        return QString();
    return FromUi([label] { return label->text().trimmed(); });
}

void Refuse(TPageContext &ctx, QLabel *label, const QString &field, const QString &reason)
{
    if (label)
        ctx.MarkLabel(label, false);
    const QString name = field.isEmpty() ? Caption(label) : field;
    ctx.Memo(QStringLiteral("Поле \"%1\": %2").arg(name, reason));
}

bool TakeNumber(TPageContext &ctx, QLabel *label, const QString &field, const QString &text,
                int min, int max, int &value)
{
    if (PageValues::ParseNumber(text, min, max, value))
        return true;
    Refuse(ctx, label, field,
           QStringLiteral("значение \"%1\" не записано, нужно целое число от %2 до %3")
               .arg(PageValues::Printable(text), QString::number(min), QString::number(max)));
    return false;
}

bool TakeText(TPageContext &ctx, QLabel *label, const QString &field, const QString &text,
              bool allowEmpty)
{
    if (text.isEmpty() && !allowEmpty) {
        Refuse(ctx, label, field, QStringLiteral("пустое значение не записано"));
        return false;
    }
    if (!modemtext::IsSendable(text)) {
        Refuse(ctx, label, field,
               QStringLiteral("значение \"%1\" не записано, в нём недопустимый символ")
                   .arg(PageValues::Printable(text)));
        return false;
    }
    return true;
}

bool Fits(TPageContext &ctx, QLabel *label, QObject *control, const QString &text,
          const QString &field)
{
    const auto *edit = qobject_cast<const QLineEdit *>(control);
    const int limit = edit ? FromUi([edit] { return edit->maxLength(); }) : 0;
    if (!edit || text.size() <= limit)
        return true;
    Refuse(ctx, label, field,
           QStringLiteral("прочитано значение \"%1\", в поле помещается не более %2 символов; "
                          "поле не изменено")
               .arg(PageValues::Printable(text), QString::number(limit)));
    return false;
}

bool InRange(TPageContext &ctx, QLabel *label, const QString &shown, int value, int min, int max)
{
    if (value >= min && value <= max)
        return true;
    Refuse(ctx, label, {},
           QStringLiteral("прочитано значение %1, поле показывает только значения от %2 до %3; "
                          "поле не изменено")
               .arg(shown, QString::number(min), QString::number(max)));
    return false;
}

} // namespace PageIo
