#pragma once
#include <QString>

// The two exchange primitives the tracker protocol runs on. The session's
// modem worker provides them; unit tests put a scripted fake in its place.
class IModemExchange
{
  public:
    virtual ~IModemExchange() = default;
    virtual bool Exchange(const QString &command, QString &reply, const QString &expected,
                          int tries, int timeoutMs, bool log) = 0;
    virtual bool ExchangeHex(const QString &bytes, QString &reply, const QString &expected,
                             int tries, int timeoutMs) = 0;
};
