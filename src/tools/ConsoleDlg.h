#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TToolRunner;

// "Консоль команд": one tracker command at a time, sent by the worker as
// every page command is, with its reply and the session's history.
class TdlgConsole : public QDialog
{
    Q_OBJECT
  public:
    // Refused while the tracker is being talked to.
    void reject() override;
    explicit TdlgConsole(TToolRunner *runner, QWidget *parent = nullptr);

    QLineEdit *etCommand = nullptr;
    QPushButton *btnSend = nullptr;
    QPlainTextEdit *meReply = nullptr;
    QListWidget *lbHistory = nullptr;
    QLabel *lbState = nullptr;

    // Sends what the entry holds; false when it was refused or the worker is busy.
    bool Send();
    bool Busy() const { return busy_; }
    // The commands sent in this session, oldest first (kept by the caller).
    QStringList History() const;
    void SetHistory(const QStringList &lines);


  private:
    void Done(const QString &line, bool ok, const QString &reply, const QString &error);
    void SetState(const QString &text);

    TToolRunner *runner_;
    bool busy_ = false;
};
