#pragma once
#include "pages/fIn.h"

class TformGPS : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformGPS(QWidget *parent = nullptr);
};
