#pragma once
#include "pages/fIn.h"

class TformPhones : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformPhones(QWidget *parent = nullptr);
};
