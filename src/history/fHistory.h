#pragma once
#include "pages/fIn.h"

class TformHistory : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformHistory(QWidget *parent = nullptr);
    // The track memory is downloaded, never written by "write all".
    bool WrittenByWriteAll() const override { return false; }
};
