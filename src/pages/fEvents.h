#pragma once
#include "pages/fIn.h"

class TformEvents : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformEvents(QWidget *parent = nullptr);
};
