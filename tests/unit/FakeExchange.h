#pragma once
#include <gtest/gtest.h>

#include <QMap>
#include <QStringList>
#include <stdexcept>

#include "device/ModemExchange.h"

// A tracker that answers each request line from a script: a line with an
// entry gets ">value" and "OK", any other line "ERROR" (no "OK").
class FakeExchange : public IModemExchange
{
  public:
    QStringList sent;
    QMap<QString, QString> values; // request line → value between ">" and "OK"
    bool throwLinkError = false;

    bool Exchange(const QString &command, QString &reply, const QString &expected, int tries,
                  int timeoutMs, bool) override
    {
        sent << command;
        EXPECT_EQ(expected, QStringLiteral("OK"));
        EXPECT_EQ(tries, 3);
        EXPECT_EQ(timeoutMs, 4500);
        if (throwLinkError)
            throw std::runtime_error("carrier lost");
        auto it = values.find(command);
        if (it == values.end()) {
            reply = command + QStringLiteral("\r\nERROR\r\n");
            return false;
        }
        reply = command + QStringLiteral("\r\n>") + *it + QStringLiteral("\r\nOK\r\n");
        return true;
    }
    bool ExchangeHex(const QString &, QString &, const QString &, int, int) override
    {
        ADD_FAILURE() << "no hex exchange expected";
        return false;
    }
    // Every write line answers "OK".
    void AcceptWrites(const QStringList &lines)
    {
        for (const QString &l : lines)
            values[l] = QString();
    }
};
