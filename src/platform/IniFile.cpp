#include "IniFile.h"
TIniFile::TIniFile(const QString &path) : path_(path) {}
TIniFile::~TIniFile() {}
QString TIniFile::ReadString(const QString &, const QString &, const QString &def) const { return def; }
int TIniFile::ReadInteger(const QString &, const QString &, int def) const { return def; }
bool TIniFile::ReadBool(const QString &, const QString &, bool def) const { return def; }
void TIniFile::WriteString(const QString &, const QString &, const QString &) {}
void TIniFile::WriteInteger(const QString &, const QString &, int) {}
void TIniFile::WriteBool(const QString &, const QString &, bool) {}
bool TIniFile::ValueExists(const QString &, const QString &) const { return false; }
bool TIniFile::SectionExists(const QString &) const { return false; }
QStringList TIniFile::ReadSection(const QString &) const { return {}; }
QStringList TIniFile::ReadSections() const { return {}; }
void TIniFile::EraseSection(const QString &) {}
void TIniFile::DeleteKey(const QString &, const QString &) {}
bool TIniFile::UpdateFile() { return true; }
