#pragma once
#include "pages/fIn.h"

class TformGPRS : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformGPRS(QWidget *parent = nullptr);
};
