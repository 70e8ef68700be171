#include "PortEnum.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{
// Legacy ttyS entries exist for every possible UART; only those with a
// detected chip (type other than 0) are real ports.
bool IsRealLegacyPort(const QString &sysDir)
{
    QFile type(sysDir + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return true;
    return type.readAll().trimmed() != "0";
}
} // namespace

QString DefaultSimulatorLink()
{
    return QStringLiteral("/tmp/t3sim-tty");
}

QStringList EnumSerialPorts()
{
    QStringList ports;
    QDir sys(QStringLiteral("/sys/class/tty"));
    const auto entries = sys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &name : entries) {
        const QString dir = sys.filePath(name);
        if (!QFileInfo::exists(dir + QStringLiteral("/device")))
            continue;
        if (name.startsWith(QLatin1String("ttyS")) && !IsRealLegacyPort(dir))
            continue;
        ports << QStringLiteral("/dev/") + name + QLatin1Char(':');
    }
    const QString sim = DefaultSimulatorLink();
    if (QFileInfo::exists(sim))
        ports << sim + QLatin1Char(':');
    ports.sort();
    return ports;
}

QString PortNameOf(const QString &text)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    return (colon < 0 ? text : text.left(colon)).trimmed();
}
