#pragma once
#include <QString>

// Sink for the link's traffic lines; the window's memo writer is one.
class TLogWriter
{
  public:
    virtual ~TLogWriter() = default;
    virtual void WriteLine(const QString &text) = 0;
};
