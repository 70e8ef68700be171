#include "XComErr.h"

EDeviceError::EDeviceError(int code, const QString &message)
    : std::runtime_error(message.toStdString()), code_(code), message_(message)
{
}

QString EDeviceError::Text(int code)
{
    switch (code) {
    case NotOpened:
        return QStringLiteral("Device not opened.");
    case AlreadyOpened:
        return QStringLiteral("Device is allready opened.");
    case LineSettings:
        return QStringLiteral("Unable to update device control block.");
    case SendLocked:
        return QStringLiteral("Device locked. Cannot perform send operations.");
    case ReadLocked:
        return QStringLiteral("Device locked. Cannot perform read operations.");
    case Buffers:
        return QStringLiteral("Unable to update IO buffers.");
    case Timeouts:
        return QStringLiteral("Unable to update Timeouts.");
    case ReadFailed:
        return QStringLiteral("Unable to read from port.");
    case WriteFailed:
        return QStringLiteral("Unable to write to port.");
    case RtsFailed:
        return QStringLiteral("Unable to switch the RTS line.");
    case CannotOpen:
        return QStringLiteral("Cannot open device %s");
    default:
        return QString();
    }
}

EDeviceError EDeviceError::Make(int code)
{
    return EDeviceError(code, Text(code));
}

EDeviceError EDeviceError::CannotOpenDevice(const QString &deviceName)
{
    return EDeviceError(CannotOpen, Text(CannotOpen).replace(QLatin1String("%s"), deviceName));
}

EDeviceError EDeviceError::System(int code, const QString &kind, int systemCode,
                                  const QString &systemText)
{
    return EDeviceError(code, QStringLiteral("%1 (%2 %3: %4)")
                                  .arg(Text(code), kind, QString::number(systemCode), systemText));
}
