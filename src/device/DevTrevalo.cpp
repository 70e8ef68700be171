#include "DevTrevalo.h"

#include "link/ModemWorker.h"

TDevTrevalo::TDevTrevalo(IModemExchange *modem) : modem_(modem) {}

QString TDevTrevalo::MakeRequest(const QString &body)
{
    return QStringLiteral("+") + body;
}

namespace
{
bool isTrimmable(QChar c)
{
    return c.unicode() <= 0x20;
}

QString trimControls(const QString &s)
{
    int b = 0, e = s.size();
    while (b < e && isTrimmable(s[b]))
        ++b;
    while (e > b && isTrimmable(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}
} // namespace

QString TDevTrevalo::ParseValue(const QString &reply)
{
    const int gt = reply.indexOf(QLatin1Char('>'));
    const QString rest = gt >= 0 ? reply.mid(gt + 1) : reply;
    // The value ends at the line that is the result word "OK"; letters "OK"
    // inside a value ("BOOKER") are data.
    const qsizetype ok = modemtext::FindResultLine(rest, QStringLiteral("OK"), Qt::CaseSensitive);
    if (ok < 0)
        return QString();
    return trimControls(rest.left(ok));
}

bool TDevTrevalo::Query(const QString &name, QString &value)
{
    value.clear();
    const bool ok = modem_->Exchange(MakeRequest(name), value, QStringLiteral("OK"), StandardTries,
                                     StandardTimeoutMs, true);
    if (ok)
        value = ParseValue(value);
    return ok;
}

bool TDevTrevalo::Command(const QString &body)
{
    QString reply;
    return modem_->Exchange(MakeRequest(body), reply, QStringLiteral("OK"), StandardTries,
                            StandardTimeoutMs, true);
}

bool TDevTrevalo::QueryTimed(const QString &body, QString &reply, bool parse, int timeoutMs)
{
    reply.clear();
    const bool ok = modem_->Exchange(MakeRequest(body), reply, QStringLiteral("OK"), StandardTries,
                                     timeoutMs, true);
    if (ok && parse)
        reply = ParseValue(reply);
    return ok;
}

bool TDevTrevalo::LoaderCommand(const QString &body, QString &reply, bool log)
{
    reply.clear();
    return modem_->Exchange(MakeRequest(body), reply, QStringLiteral("OK"), 1, 2500, log);
}

bool TDevTrevalo::LoaderLongCommand(const QString &body, QString &reply, bool log)
{
    reply.clear();
    return modem_->Exchange(MakeRequest(body), reply, QStringLiteral("OK"), 1, 15000, log);
}

bool TDevTrevalo::LoaderWrite(const QString &body, QString &reply, bool log)
{
    reply.clear();
    return modem_->Exchange(MakeRequest(body), reply, QStringLiteral("OK"), 1, 15000, log);
}

bool TDevTrevalo::GetVersion(QString &version)
{
    return Query(QStringLiteral("v"), version);
}

bool TDevTrevalo::IsSupportedVersion(const QString &text)
{
    if (!text.contains(QStringLiteral("REV 07")))
        return false;
    const int dot = text.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    bool ok = false;
    const int major = text.mid(dot + 1, 3).toInt(&ok, 10);
    return ok && text.mid(dot + 1, 3).size() == 3 && major >= 500;
}

TrevaloVersion TDevTrevalo::ParseVersion(const QString &text)
{
    TrevaloVersion v;
    const int dot = text.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return v;
    bool okMajor = false, okMinor = false;
    v.major = text.mid(dot + 1, 3).toInt(&okMajor, 10);
    v.minor = text.right(3).toInt(&okMinor, 10);
    v.valid = okMajor && okMinor;
    if (!v.valid)
        v.major = v.minor = 0;
    return v;
}

bool TDevTrevalo::GetPanelType(QString &panel)
{
    return Query(QStringLiteral("typepan"), panel);
}

bool TDevTrevalo::GetPGPS(QString &value)
{
    return Query(QStringLiteral("PGPS"), value);
}

bool TDevTrevalo::PanelFromType(int versionMinor, const QString &typeValue, PanelInfo &out)
{
    if (!PanelTypeIsRead(versionMinor))
        return false;
    bool ok = false;
    const qulonglong value = typeValue.trimmed().toULongLong(&ok, 16);
    if (!ok)
        return false;
    out.chip = (value & 0x38) == 0x38 ? QStringLiteral("AT45DB161D") : QStringLiteral("M45PE16");
    if (versionMinor <= 69) {
        out.serverNameSupported = false;
    } else {
        bool okHigh = false;
        const int high = typeValue.trimmed().left(2).toInt(&okHigh, 16);
        out.serverNameSupported = okHigh && high == 1;
    }
    return true;
}
