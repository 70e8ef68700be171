#pragma once
#include <functional>

#include "session/SessionPage.h"

// A page context whose line, queue and label marks the tools choose: the
// pages' own routines run unchanged against it.
class TToolContext : public TPageContext
{
  public:
    std::function<void(QObject *label, bool ok)> mark;
    std::function<void(const QString &line)> memo;
    std::function<bool()> cancelled;
    IModemExchange *link = nullptr;

    // Version, server-name flag and the link of another context.
    void TakeSessionFrom(TPageContext &session)
    {
        VersionMajor = session.VersionMajor;
        VersionMinor = session.VersionMinor;
        ServerNameSupported = session.ServerNameSupported;
        link = &session.Link();
        cancelled = [&session] { return session.Cancelled(); };
    }

    void MarkLabel(QObject *label, bool ok) override
    {
        if (mark)
            mark(label, ok);
    }
    void Memo(const QString &line) override
    {
        if (memo)
            memo(line);
    }
    bool Cancelled() const override { return cancelled && cancelled(); }
    IModemExchange &Link() override { return *link; }
};
