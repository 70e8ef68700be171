#pragma once
#include <QString>
#include <atomic>
#include <stdexcept>

class TComPortWorker;
class TLogWriter;

// A link failure reported by the modem (busy, no carrier, ...) or too many
// error replies in a row.
class TModemException : public std::runtime_error
{
  public:
    explicit TModemException(const QString &msg);
    QString Message() const { return message_; }

    static const QString Busy;
    static const QString NoCarrier;
    static const QString NoDialtone;
    static const QString Disconnect;
    static const QString NoAnswer;
    static const QString TooManyErrors;

  private:
    QString message_;
};

namespace modemtext
{
// True when a line of text (split at CR or LF; the last, unfinished line
// counts too) is word in any letter case, surrounding blanks aside.
// "CONNECT" also matches with a suffix after a blank ("CONNECT 9600").
// A value that merely contains the word ("internet.book") is data.
bool HasResultLine(const QString &text, const QString &word);
// Index where the first line that is exactly word (blanks around it allowed)
// starts, or -1. A word inside a value ("BOOKER") is data.
qsizetype FindResultLine(const QString &text, const QString &word, Qt::CaseSensitivity cs);
// A command text the exchange may send: no control characters, and every
// character has a Windows-1251 byte.
bool IsSendable(const QString &command);
} // namespace modemtext

// The one path to the serial line: command/answer exchanges with time-outs
// and tries, the modem's call set-up and tear-down, and a cancel flag that
// another thread sets to make every exchange give up at its next check.
class TModemWorker
{
  public:
    static constexpr int StandardTimeoutMs = 4500;
    static constexpr int DialTimeoutMs = 50000;
    static constexpr int PollMs = 50;
    static constexpr int RetryPauseMs = 10;
    // Modems default to a 1 s guard time counted in 20 ms ticks; a margin
    // keeps "+++" from ever landing just inside it.
    static constexpr int EscapeGuardMs = 1100;
    static constexpr int RtsPulseMs = 1000;

    TModemWorker(TComPortWorker *port, const QString &phone, bool waitForRegistration,
                 TLogWriter *log, bool ownsPort);
    ~TModemWorker();
    TModemWorker(const TModemWorker &) = delete;
    TModemWorker &operator=(const TModemWorker &) = delete;

    // Sends command plus CR LF and collects the answer until a line holding
    // expected arrives (or CR LF when expected is empty). The reply keeps
    // what the last try collected. False on time-out, error reply, cancel,
    // or a command holding control characters (then nothing is sent).
    bool Exchange(const QString &command, QString &reply, const QString &expected, int tries,
                  int timeoutMs, bool log);
    // Byte-text twin; with no token it collects for the whole time-out.
    bool ExchangeHex(const QString &bytes, QString &reply, const QString &expected, int tries,
                     int timeoutMs);

    bool ResetModem();
    bool Attention();
    bool CheckRegistration();
    bool SetBearer();
    bool Dial();
    bool HangUp();
    // "+++" framed by the modems' 1 s guard time of silence on each side.
    bool EscapeToCommand();
    void PulseRTS();
    void DropRTS();

    QString Phone() const { return phone_; }
    bool WaitForRegistration() const { return waitForRegistration_; }

    void Cancel() { cancel_ = true; }
    void ClearCancel() { cancel_ = false; }
    bool Cancelled() const { return cancel_; }
    void Log(const QString &line);

    TComPortWorker *Port() const { return port_; }
    int ErrorCount() const { return errorCount_; }

  private:
    void drain();
    void checkLinkFailure(const QString &text);
    bool errorReply(const QString &text);
    bool waitText(QString &reply, const QString &token, int timeoutMs);
    bool waitHex(QString &reply, const QString &token, int timeoutMs);
    // Sleeps up to ms; false when cancelled meanwhile.
    bool pause(int ms);

    TComPortWorker *port_;
    bool ownsPort_;
    TLogWriter *log_;
    QString phone_;
    bool waitForRegistration_;
    int errorCount_ = 0;
    std::atomic<bool> cancel_{false};
};
