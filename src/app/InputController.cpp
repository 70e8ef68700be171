#include "InputController.h"
QString ByteToBits(int) { return {}; }
QString HexDigitToBits(const QString &) { return "0"; }
QString BitsToHexDigit(const QString &) { return "0"; }
void WaitWithProgress(int, QProgressBar *, int) {}
QString SecondsToText(std::uint32_t) { return {}; }
double UtcToLocal(double t) { return t; }
double LocalToUtc(double t) { return t; }
double UtcToLocal(double t, int) { return t; }
double LocalToUtc(double t, int) { return t; }
QDateTime UtcToLocal(const QDateTime &t) { return t; }
QDateTime LocalToUtc(const QDateTime &t) { return t; }
double DateTimeToDays(const QDateTime &) { return 0; }
QDateTime DaysToDateTime(double) { return {}; }
void DigitsKeyFilter(QLineEdit *, QChar &) {}
void HexKeyFilter(QLineEdit *, QChar &) {}
void InstallDigitsKeyFilter(QLineEdit *) {}
void InstallHexKeyFilter(QLineEdit *) {}
