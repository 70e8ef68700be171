#pragma once
#include <QString>
#include <QStringList>

// The phone numbers of a fleet run, typed or read from a text or CSV file:
// one number a line; in a CSV line the first field is the number.
struct TFleetList {
    QStringList numbers; // in the order given, each once
    QStringList errors;  // one line per fault; a list with any fault is refused
    bool Ok() const { return errors.isEmpty() && !numbers.isEmpty(); }
};

// Blanks, dashes and brackets inside a number are dropped ("8 (916) 123-45-67"
// dials as 89161234567); what is left must be digits with an optional
// leading "+". A first line without any digit is a header and skipped.
TFleetList ParseFleetList(const QString &text);
// The same for the bytes of a file: UTF-8 when they are valid UTF-8, else
// Windows-1251 (what spreadsheet programs here save).
TFleetList ParseFleetFile(const QByteArray &bytes);
