#pragma once
#include <QStringList>

// The serial devices the system has, each as its path followed by ":" so the
// connection dialog's "name up to the first colon" rule holds; the
// simulator's link is offered too while it exists.
QStringList EnumSerialPorts();

// Where t3sim puts its link by default.
QString DefaultSimulatorLink();
