#pragma once
#include "link/LogWriter.h"

class QObject;
class TOutArray;

// Sends log lines to the main window's memo through the output queue, so any
// thread may log.
class TLogMemoWriter : public TLogWriter
{
  public:
    TLogMemoWriter(QObject *memo, TOutArray *out) : memo_(memo), out_(out) {}
    void WriteLine(const QString &text) override;

  private:
    QObject *memo_;
    TOutArray *out_;
};
