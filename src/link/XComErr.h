#pragma once
#include <QString>
#include <stdexcept>

// Port failures of the serial driver: a numeric code and an English text.
class EDeviceError : public std::runtime_error
{
  public:
    enum : int {
        NotOpened = 1,
        AlreadyOpened = 2,
        LineSettings = 3,
        SendLocked = 4,
        ReadLocked = 5,
        Buffers = 6,
        Timeouts = 7,
        ReadFailed = 10,
        WriteFailed = 11,
        RtsFailed = 12,
        CannotOpen = 65535,
    };

    EDeviceError(int code, const QString &message);

    int Code() const { return code_; }
    int ErrorCode() const { return code_; }
    QString Message() const { return message_; }

    // The table text of a code ("Device not opened." for 1).
    static QString Text(int code);
    // A code raised with its text as it stands.
    static EDeviceError Make(int code);
    // Code 65535 for a device name.
    static EDeviceError CannotOpenDevice(const QString &deviceName);
    // The system form: "<text> (<kind> <errno>: <system text>)".
    static EDeviceError System(int code, const QString &kind, int systemCode,
                               const QString &systemText);

  private:
    int code_;
    QString message_;
};
