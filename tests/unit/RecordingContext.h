#pragma once
#include <QObject>
#include <QString>
#include <functional>

#include "device/ModemExchange.h"
#include "session/SessionPage.h"

// A page context around a scripted exchange; label marks and memo lines go
// to the test's own hooks.
class TRecordingContext : public TPageContext
{
  public:
    explicit TRecordingContext(IModemExchange &link) : link_(link) {}

    std::function<void(QObject *label, bool ok)> OnMark;
    std::function<void(const QString &line)> OnMemo;
    bool CancelledFlag = false;

    void MarkLabel(QObject *label, bool ok) override
    {
        if (OnMark)
            OnMark(label, ok);
    }
    void Memo(const QString &line) override
    {
        if (OnMemo)
            OnMemo(line);
    }
    bool Cancelled() const override { return CancelledFlag; }
    IModemExchange &Link() override { return link_; }

  private:
    IModemExchange &link_;
};
