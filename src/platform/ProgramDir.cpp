#include "ProgramDir.h"
#include <QCoreApplication>
QString ProgramDir() { return QCoreApplication::applicationDirPath() + "/"; }
void SetProgramDirOverride(const QString &) {}
