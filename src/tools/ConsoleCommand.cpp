#include "tools/ConsoleCommand.h"

#include <QStringList>

#include "link/ModemWorker.h"

bool ConsoleCommandBody(const QString &typed, QString &body, QString &reason)
{
    body = typed.trimmed();
    if (body.startsWith(QLatin1Char('+')))
        body.remove(0, 1);
    if (body.isEmpty()) {
        reason = QStringLiteral("Введите команду, например object");
        return false;
    }
    for (const QChar c : typed) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            reason = QStringLiteral("Команда содержит управляющий символ, ничего не отправлено");
            return false;
        }
    }
    if (!modemtext::IsSendable(body)) {
        reason = QStringLiteral("Команда содержит недопустимый символ, ничего не отправлено");
        return false;
    }
    // Three pluses would put the modem back in command mode and end the call.
    if (body.startsWith(QStringLiteral("++")) || body.contains(QStringLiteral("+++"))) {
        reason = QStringLiteral("Команда \"+++\" прервала бы соединение, ничего не отправлено");
        return false;
    }
    if (body.size() > 200) {
        reason = QStringLiteral("Команда длиннее 200 символов, ничего не отправлено");
        return false;
    }
    return true;
}

QString ConsoleReplyText(const QString &command, const QString &reply)
{
    QString text = reply;
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList kept;
    bool echoSeen = false;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (!echoSeen && line == command) {
            echoSeen = true;
            continue;
        }
        if (line == QLatin1String("OK"))
            continue;
        kept << line;
    }
    return kept.join(QLatin1Char('\n'));
}
