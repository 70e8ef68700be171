#pragma once
#include "pages/fIn.h"

class TformHistory : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformHistory(QWidget *parent = nullptr);
};
