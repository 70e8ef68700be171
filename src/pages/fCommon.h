#pragma once
#include "pages/fIn.h"

class TformCommon : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformCommon(QWidget *parent = nullptr);
};
