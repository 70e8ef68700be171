#pragma once
#include <QStringList>

// The serial devices the system has, each as its path followed by ":" so the
// connection dialog's "name up to the first colon" rule holds; the
// simulator's link is offered too while it exists.
QStringList EnumSerialPorts();

// The port name an entry opens: the text up to its first ":", blanks
// trimmed (the entry starts as one blank); a typed name without the colon
// ("COM3", a device path) is the name.
QString PortNameOf(const QString &entry);

// Where t3sim puts its link by default.
QString DefaultSimulatorLink();
