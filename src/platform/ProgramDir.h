#pragma once
#include <QString>

// The directory of the program file, ending with "/". When that directory is
// not writable (a system-wide install), the per-user configuration folder
// (created when missing) so that current.ini can still be kept.
QString ProgramDir();

// Tests point the program directory elsewhere; an empty path restores the
// normal rule.
void SetProgramDirOverride(const QString &dir);
