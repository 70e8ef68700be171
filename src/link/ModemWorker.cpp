#include "ModemWorker.h"

#include "ComPortWorker.h"
#include "LogWriter.h"
#include "platform/Clock.h"
#include "platform/Cp1251.h"

#include <algorithm>

const QString TModemException::Busy = QStringLiteral("ОШИБКА! Линия занята(BUSY)!");
const QString TModemException::NoCarrier =
    QStringLiteral("ОШИБКА! Не могу установить соединение или оно разорвано(NO CARRIER)!");
const QString TModemException::NoDialtone =
    QStringLiteral("ОШИБКА! Нет сигнала в линии(NO DIALTONE)!");
const QString TModemException::Disconnect = QStringLiteral("ОШИБКА! Обрыв Соединения(DISCONNECT)!");
const QString TModemException::NoAnswer = QStringLiteral("ОШИБКА! Нет ответа(NO ANSWER)!");
const QString TModemException::TooManyErrors =
    QStringLiteral("ОШИБКА! Слишком много ошибока от модема!");

TModemException::TModemException(const QString &msg)
    : std::runtime_error(msg.toStdString()), message_(msg)
{
}

namespace modemtext
{

namespace
{
// Index where the first line (split at CR or LF; the last, unfinished line
// counts too) that satisfies match starts, or -1.
template <typename Match> qsizetype FindLine(const QString &text, Match match)
{
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        if (match(QStringView(text).mid(start, end - start).trimmed()))
            return start;
        start = end + 1;
    }
    return -1;
}
} // namespace

bool HasResultLine(const QString &text, const QString &word)
{
    const bool speedMayFollow = word.compare(QLatin1String("CONNECT"), Qt::CaseInsensitive) == 0;
    return FindLine(text, [&](QStringView line) {
               if (line.compare(word, Qt::CaseInsensitive) == 0)
                   return true;
               return speedMayFollow && line.size() > word.size() &&
                      line.startsWith(word, Qt::CaseInsensitive) && line[word.size()] == u' ';
           }) >= 0;
}

qsizetype FindResultLine(const QString &text, const QString &word, Qt::CaseSensitivity cs)
{
    return FindLine(text, [&](QStringView line) { return line.compare(word, cs) == 0; });
}

bool IsSendable(const QString &command)
{
    for (QChar c : command) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F))
            return false;
    }
    return cp1251::encodable(command);
}

} // namespace modemtext

TModemWorker::TModemWorker(TComPortWorker *port, const QString &phone, bool waitForRegistration,
                           TLogWriter *log, bool ownsPort)
    : port_(port), ownsPort_(ownsPort), log_(log), phone_(phone),
      waitForRegistration_(waitForRegistration)
{
}

TModemWorker::~TModemWorker()
{
    if (ownsPort_) {
        try {
            delete port_;
        } catch (...) {
        }
    }
}

void TModemWorker::Log(const QString &line)
{
    if (log_)
        log_->WriteLine(line);
}

bool TModemWorker::pause(int ms)
{
    const int64_t end = t3clock::MonotonicMs() + ms;
    for (;;) {
        if (cancel_)
            return false;
        const int64_t left = end - t3clock::MonotonicMs();
        if (left <= 0)
            return true;
        t3clock::SleepMs(static_cast<int>(std::min<int64_t>(left, 20)));
    }
}

void TModemWorker::checkLinkFailure(const QString &text)
{
    static const struct {
        const char *word;
        const QString *message;
    } words[] = {{"BUSY", &TModemException::Busy},
                 {"NO CARRIER", &TModemException::NoCarrier},
                 {"NO DIALTONE", &TModemException::NoDialtone},
                 {"DISCONNECT", &TModemException::Disconnect},
                 {"NO ANSWER", &TModemException::NoAnswer}};
    for (const auto &w : words)
        if (modemtext::HasResultLine(text, QLatin1String(w.word)))
            throw TModemException(*w.message);
}

bool TModemWorker::errorReply(const QString &text)
{
    if (modemtext::HasResultLine(text, QStringLiteral("ERROR"))) {
        if (++errorCount_ == 3)
            throw TModemException(TModemException::TooManyErrors);
        return true;
    }
    errorCount_ = 0;
    return false;
}

void TModemWorker::drain()
{
    if (cancel_)
        return;
    checkLinkFailure(port_->ReadText());
}

bool TModemWorker::waitText(QString &reply, const QString &token, int timeoutMs)
{
    reply.clear();
    const int64_t start = t3clock::MonotonicMs();
    while (t3clock::MonotonicMs() - start <= timeoutMs && !cancel_) {
        reply += port_->ReadText();
        checkLinkFailure(reply);
        if (errorReply(reply))
            return false;
        if (token.isEmpty() ? reply.contains(QLatin1String("\r\n"))
                            : modemtext::HasResultLine(reply, token))
            return true;
        t3clock::SleepMs(PollMs);
    }
    return false;
}

bool TModemWorker::waitHex(QString &reply, const QString &token, int timeoutMs)
{
    reply.clear();
    const QString wanted = token.toUpper();
    bool polled = false;
    const int64_t start = t3clock::MonotonicMs();
    while (t3clock::MonotonicMs() - start <= timeoutMs && !cancel_) {
        reply += port_->ReadHex();
        polled = true;
        // Words cannot appear in byte text; this keeps the error count's
        // reset on every poll.
        checkLinkFailure(reply);
        if (errorReply(reply))
            return false;
        if (!wanted.isEmpty() && reply.toUpper().contains(wanted))
            return true;
        t3clock::SleepMs(PollMs);
    }
    return wanted.isEmpty() && polled && !cancel_;
}

bool TModemWorker::Exchange(const QString &command, QString &reply, const QString &expected,
                            int tries, int timeoutMs, bool log)
{
    reply.clear();
    if (!modemtext::IsSendable(command))
        return false;
    const QString line = command + QLatin1String("\r\n");
    for (int i = 0; i < tries && !cancel_; ++i) {
        drain();
        reply.clear();
        if (cancel_)
            break;
        port_->WriteText(line);
        if (log)
            Log(QStringLiteral("#Modem<-: ") + line);
        const bool ok = waitText(reply, expected, timeoutMs);
        if (log)
            Log(QStringLiteral("@Modem->: ") + reply);
        if (ok)
            return true;
        t3clock::SleepMs(RetryPauseMs);
    }
    return false;
}

bool TModemWorker::ExchangeHex(const QString &bytes, QString &reply, const QString &expected,
                               int tries, int timeoutMs)
{
    reply.clear();
    const QString text = bytes.trimmed() + QLatin1Char(' ');
    for (int i = 0; i < tries && !cancel_; ++i) {
        drain();
        reply.clear();
        if (cancel_)
            break;
        port_->WriteHex(text);
        Log(QStringLiteral("#Modem<-: ") + text);
        const bool ok = waitHex(reply, expected, timeoutMs);
        reply = reply.trimmed() + QLatin1Char(' ');
        Log(QStringLiteral("@Modem->: ") + reply);
        if (ok)
            return true;
        t3clock::SleepMs(RetryPauseMs);
    }
    return false;
}

bool TModemWorker::ResetModem()
{
    QString reply;
    return Exchange(QStringLiteral("ATZ"), reply, QStringLiteral("OK"), 1, StandardTimeoutMs, true);
}

bool TModemWorker::Attention()
{
    QString reply;
    return Exchange(QStringLiteral("AT"), reply, QStringLiteral("OK"), 2, StandardTimeoutMs, true);
}

bool TModemWorker::CheckRegistration()
{
    QString reply;
    if (!Exchange(QStringLiteral("AT+CREG?"), reply, QStringLiteral("OK"), 3, StandardTimeoutMs,
                  true))
        return false;
    const QString compact = reply.remove(QLatin1Char(' ')).toLower();
    return compact.contains(QLatin1String("+creg:0,1")) ||
           compact.contains(QLatin1String("+creg:0,5"));
}

bool TModemWorker::SetBearer()
{
    QString reply;
    return Exchange(QStringLiteral("AT+CBST=7,0,1"), reply, QStringLiteral("OK"), 2,
                    StandardTimeoutMs, true);
}

bool TModemWorker::Dial()
{
    QString reply;
    return Exchange(QStringLiteral("ATD ") + phone_, reply, QStringLiteral("CONNECT"), 1,
                    DialTimeoutMs, true);
}

bool TModemWorker::HangUp()
{
    QString reply;
    return Exchange(QStringLiteral("ATH"), reply, QStringLiteral("OK"), 2, StandardTimeoutMs, true);
}

bool TModemWorker::EscapeToCommand()
{
    if (cancel_)
        return false;
    drain();
    // A modem takes "+++" as the escape only after a guard time without data
    // from us; otherwise it passes it (and the hang-up after it) to the tracker.
    const int64_t last = port_->LastWriteMs();
    const int64_t quiet = last > 0 ? t3clock::MonotonicMs() - last : EscapeGuardMs;
    if (!pause(static_cast<int>(std::max<int64_t>(0, EscapeGuardMs - quiet))))
        return false;
    port_->WriteText(QStringLiteral("+++"));
    pause(EscapeGuardMs);
    return true;
}

void TModemWorker::PulseRTS()
{
    if (cancel_)
        return;
    port_->ClrRTS();
    if (!pause(RtsPulseMs))
        return;
    port_->SetRTS();
    pause(RtsPulseMs);
}

void TModemWorker::DropRTS()
{
    port_->ClrRTS();
}
