#pragma once
#include "pages/fIn.h"

class TformFlags : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformFlags(QWidget *parent = nullptr);
};
