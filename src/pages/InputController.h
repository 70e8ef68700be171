#pragma once
#include "platform/ProgramDir.h"
#include <QChar>
#include <QDateTime>
#include <QString>
#include <cstdint>

class QLineEdit;
class QProgressBar;

// Low 8 bits of v as "0"/"1", most significant first.
QString ByteToBits(int v);
// "0".."F" (upper case only) to its four bits; anything else gives "0".
QString HexDigitToBits(const QString &digit);
// "0000".."1111" to its hex digit; anything else gives "0".
QString BitsToHexDigit(const QString &bits);

// Waits totalMs while the window stays responsive, advancing bar by one every
// stepMs. bar may be null.
void WaitWithProgress(int totalMs, QProgressBar *bar, int stepMs);

// "1 сут 2 ч 3 мин 4 сек " and shorter forms without the leading zero units.
QString SecondsToText(std::uint32_t seconds);

// Date-times as days since 1899-12-30 with the time of day as fraction.
double UtcToLocal(double t);
double LocalToUtc(double t);
// The same with an explicit bias (minutes, UTC minus local).
double UtcToLocal(double t, int biasMinutes);
double LocalToUtc(double t, int biasMinutes);
// QDateTime forms: the clock reading is shifted, its time spec is kept.
QDateTime UtcToLocal(const QDateTime &t);
QDateTime LocalToUtc(const QDateTime &t);
// Between a clock reading and the day-number form; the result is tagged UTC
// so that no daylight rule of this machine alters the reading.
double DateTimeToDays(const QDateTime &t);
QDateTime DaysToDateTime(double days);

// Key filters: key becomes the null character when rejected. Backspace passes.
void DigitsKeyFilter(QLineEdit *edit, QChar &key);
void HexKeyFilter(QLineEdit *edit, QChar &key);
// Attach a filter to an edit box: typed characters go through the filter and
// pasted or dropped text must consist of accepted characters.
void InstallDigitsKeyFilter(QLineEdit *edit);
void InstallHexKeyFilter(QLineEdit *edit);
