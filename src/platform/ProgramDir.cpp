#include "ProgramDir.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

namespace
{
QMutex overrideLock;
QString overrideDir;

QString WithSlash(QString dir)
{
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}
} // namespace

void SetProgramDirOverride(const QString &dir)
{
    QMutexLocker lock(&overrideLock);
    overrideDir = dir;
}

QString ProgramDir()
{
    {
        QMutexLocker lock(&overrideLock);
        if (!overrideDir.isEmpty())
            return WithSlash(overrideDir);
    }
    const QString appDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    if (QFileInfo(appDir).isWritable())
        return WithSlash(appDir);
    // A system-wide install: keep the settings per user instead.
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (userDir.isEmpty() || !QDir().mkpath(userDir))
        return WithSlash(appDir);
    return WithSlash(userDir);
}
