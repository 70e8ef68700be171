#pragma once
#include <QString>

// One line typed into the command console: the body the tracker command is
// framed from ("+" and the body). A leading "+" typed by the user is the
// framing and dropped. False with a reason when nothing may be sent.
bool ConsoleCommandBody(const QString &typed, QString &body, QString &reason);
// What the console shows of a reply: the lines the tracker answered, without
// the echo of the command and the closing "OK".
QString ConsoleReplyText(const QString &command, const QString &reply);
