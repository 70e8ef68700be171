#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// Shows the current step while connecting; "Отмена" is the only way to
// abandon the attempt. The worker reaches it only through the output queue.
class TdlgSplash : public QDialog
{
    Q_OBJECT
  public:
    explicit TdlgSplash(QWidget *parent = nullptr);

    QLabel *Panel1;
    QLabel *Panel2;
    QPushButton *Button1; // hidden; clicked when the connect succeeds
    QPushButton *CancelBtn;
};
