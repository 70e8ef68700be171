#include "InputController.h"
#include "platform/TimeZone.h"
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpressionValidator>
#include <chrono>
#include <cmath>
#include <thread>

namespace
{

const char *const kHexDigits[16] = {"0", "1", "2", "3", "4", "5", "6", "7",
                                    "8", "9", "A", "B", "C", "D", "E", "F"};
const char *const kBits[16] = {"0000", "0001", "0010", "0011", "0100", "0101", "0110", "0111",
                               "1000", "1001", "1010", "1011", "1100", "1101", "1110", "1111"};

QString Translate(const QString &s, const char *const (&from)[16], const char *const (&to)[16])
{
    for (int i = 0; i < 16; ++i)
        if (s == QLatin1String(from[i]))
            return QLatin1String(to[i]);
    return QStringLiteral("0");
}

constexpr char16_t kBackspace = 8;

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool IsHexLetter(char16_t c)
{
    return (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Feeds typed characters through a key filter; keys that carry no character
// (arrows, Delete) and shortcuts (Ctrl+C, Ctrl+V) are not typing and pass.
class TKeyFilterObject : public QObject
{
  public:
    using Filter = void (*)(QLineEdit *, QChar &);
    TKeyFilterObject(QLineEdit *edit, Filter filter) : QObject(edit), filter_(filter) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (text.isEmpty() ||
            key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        if (text.size() == 1 && text[0].unicode() == 127)
            return false; // Delete
        for (QChar c : text) {
            filter_(qobject_cast<QLineEdit *>(watched), c);
            if (c.isNull())
                return true;
        }
        return false;
    }

  private:
    Filter filter_;
};

void Install(QLineEdit *edit, TKeyFilterObject::Filter filter, const char *pattern)
{
    if (!edit)
        return;
    edit->installEventFilter(new TKeyFilterObject(edit, filter));
    // Pasted and dropped text bypass the keys; the validator holds the same rule.
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QLatin1String(pattern)), edit));
}

constexpr qint64 kSecsPerDay = 86400;
const QDateTime kEpoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);

} // namespace

QString ByteToBits(int v)
{
    QString r;
    unsigned b = unsigned(v) & 0xFF;
    for (int i = 0; i < 8; ++i) {
        r.prepend((b & 1) ? u'1' : u'0');
        b >>= 1;
    }
    return r;
}

QString HexDigitToBits(const QString &digit)
{
    return Translate(digit, kHexDigits, kBits);
}

QString BitsToHexDigit(const QString &bits)
{
    return Translate(bits, kBits, kHexDigits);
}

void WaitWithProgress(int totalMs, QProgressBar *bar, int stepMs)
{
    using Clock = std::chrono::steady_clock;
    QPointer<QProgressBar> guard(bar); // the window may close while we wait
    const auto start = Clock::now();
    auto lastStep = start;
    for (;;) {
        const auto now = Clock::now();
        if (now - start > std::chrono::milliseconds(totalMs))
            return;
        if (now - lastStep >= std::chrono::milliseconds(stepMs)) {
            if (guard && guard->value() < guard->maximum())
                guard->setValue(qMax(guard->value(), guard->minimum()) + 1);
            lastStep = now;
        }
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

QString SecondsToText(std::uint32_t s)
{
    const std::uint32_t d = s / 86400, h = (s % 86400) / 3600, m = (s % 3600) / 60, c = s % 60;
    const QString sec = QString::number(c) + QStringLiteral(" сек ");
    const QString min = QString::number(m) + QStringLiteral(" мин ") + sec;
    const QString hrs = QString::number(h) + QStringLiteral(" ч ") + min;
    if (d > 0)
        return QString::number(d) + QStringLiteral(" сут ") + hrs;
    if (h > 0)
        return hrs;
    if (m > 0)
        return min;
    return sec;
}

double UtcToLocal(double t, int biasMinutes)
{
    return t + double(-biasMinutes) / 1440.0;
}

double LocalToUtc(double t, int biasMinutes)
{
    return t - double(-biasMinutes) / 1440.0;
}

double UtcToLocal(double t)
{
    return UtcToLocal(t, TimeZoneBiasMinutes());
}

double LocalToUtc(double t)
{
    return LocalToUtc(t, TimeZoneBiasMinutes());
}

QDateTime UtcToLocal(const QDateTime &t)
{
    return t.addSecs(qint64(-TimeZoneBiasMinutes()) * 60);
}

QDateTime LocalToUtc(const QDateTime &t)
{
    return t.addSecs(qint64(TimeZoneBiasMinutes()) * 60);
}

double DateTimeToDays(const QDateTime &t)
{
    // The clock reading counts, whatever zone the value is tagged with.
    const QDateTime reading(t.date(), t.time(), Qt::UTC);
    return double(kEpoch.msecsTo(reading)) / (kSecsPerDay * 1000.0);
}

QDateTime DaysToDateTime(double days)
{
    const qint64 ms = qint64(std::llround(days * kSecsPerDay * 1000.0));
    const QDateTime utc = kEpoch.addMSecs(ms);
    return utc;
}

void DigitsKeyFilter(QLineEdit *, QChar &key)
{
    const char16_t c = key.unicode();
    if (c != kBackspace && !IsDigit(c))
        key = QChar(u'\0');
}

void HexKeyFilter(QLineEdit *, QChar &key)
{
    const char16_t c = key.unicode();
    if (c != kBackspace && !IsDigit(c) && !IsHexLetter(c))
        key = QChar(u'\0');
}

void InstallDigitsKeyFilter(QLineEdit *edit)
{
    Install(edit, &DigitsKeyFilter, "[0-9]*");
}

void InstallHexKeyFilter(QLineEdit *edit)
{
    Install(edit, &HexKeyFilter, "[0-9A-Fa-f]*");
}
