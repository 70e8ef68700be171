#include "LogMemoWriter.h"
#include "OutArray.h"

void TLogMemoWriter::WriteLine(const QString &text)
{
    if (out_)
        out_->PutMemoLine(memo_, text, true, true);
}
