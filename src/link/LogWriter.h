#pragma once
#include <QString>

class TLogWriter
{
public:
    virtual ~TLogWriter() = default;
    virtual void WriteLine(const QString &text) = 0;
};
