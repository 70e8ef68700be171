#include "tools/ConsoleDlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "device/DevTrevalo.h"
#include "tools/ConsoleCommand.h"
#include "tools/ToolRunner.h"

TdlgConsole::TdlgConsole(TToolRunner *runner, QWidget *parent) : QDialog(parent), runner_(runner)
{
    setObjectName(QStringLiteral("dlgConsole"));
    setWindowTitle(QStringLiteral("Консоль команд"));
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Команда: +"), this);
    etCommand = new QLineEdit(this);
    etCommand->setObjectName(QStringLiteral("etCommand"));
    etCommand->setMaxLength(200);
    etCommand->setPlaceholderText(QStringLiteral("например object или object0050"));
    label->setBuddy(etCommand);
    etCommand->setAccessibleName(QStringLiteral("Команда"));
    btnSend = new QPushButton(QStringLiteral("Отправить"), this);
    btnSend->setObjectName(QStringLiteral("btnSend"));
    btnSend->setDefault(true);
    row->addWidget(label);
    row->addWidget(etCommand, 1);
    row->addWidget(btnSend);
    layout->addLayout(row);

    auto *replyLabel = new QLabel(QStringLiteral("Ответ устройства:"), this);
    meReply = new QPlainTextEdit(this);
    meReply->setObjectName(QStringLiteral("meReply"));
    meReply->setReadOnly(true);
    meReply->setMaximumBlockCount(200);
    meReply->setAccessibleName(QStringLiteral("Ответ устройства"));
    replyLabel->setBuddy(meReply);
    layout->addWidget(replyLabel);
    layout->addWidget(meReply, 1);

    auto *historyLabel = new QLabel(QStringLiteral("Отправленные команды:"), this);
    lbHistory = new QListWidget(this);
    lbHistory->setObjectName(QStringLiteral("lbHistory"));
    lbHistory->setAccessibleName(QStringLiteral("Отправленные команды"));
    historyLabel->setBuddy(lbHistory);
    layout->addWidget(historyLabel);
    layout->addWidget(lbHistory, 1);

    lbState = new QLabel(this);
    lbState->setObjectName(QStringLiteral("lbState"));
    lbState->setWordWrap(true);
    auto *bottom = new QHBoxLayout;
    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    close->setAutoDefault(false);
    bottom->addWidget(lbState, 1);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(btnSend, &QPushButton::clicked, this, [this] { Send(); });
    connect(etCommand, &QLineEdit::returnPressed, this, [this] { Send(); });
    connect(close, &QPushButton::clicked, this, &TdlgConsole::reject);
    // A command from the history comes back into the entry to be sent again.
    connect(lbHistory, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        etCommand->setText(item->data(Qt::UserRole).toString());
        etCommand->setFocus();
    });
    resize(520, 420);
}

void TdlgConsole::SetState(const QString &text)
{
    lbState->setText(text);
    lbState->setAccessibleName(text);
}

void TdlgConsole::reject()
{
    if (busy_) {
        SetState(QStringLiteral("Дождитесь ответа устройства."));
        return;
    }
    QDialog::reject();
}

bool TdlgConsole::Send()
{
    if (busy_)
        return false;
    QString body, reason;
    if (!ConsoleCommandBody(etCommand->text(), body, reason)) {
        SetState(reason);
        return false;
    }
    const QString line = TDevTrevalo::MakeRequest(body);
    auto result = std::make_shared<std::pair<bool, QString>>(false, QString());
    const bool started = runner_->Start(
        [line, result](TPageContext &ctx) {
            QString reply;
            // One try: a command the tracker refuses is shown, not repeated.
            result->first = ctx.Link().Exchange(line, reply, QStringLiteral("OK"), 1,
                                                TDevTrevalo::StandardTimeoutMs, true);
            result->second = reply;
        },
        [this, line, result](const QString &error) {
            Done(line, result->first, result->second, error);
        });
    if (!started) {
        SetState(runner_->Connected() ? QStringLiteral("Устройство занято, команда не отправлена.")
                                      : QStringLiteral("Нет соединения с устройством."));
        return false;
    }
    busy_ = true;
    btnSend->setEnabled(false);
    SetState(QStringLiteral("Отправлено: ") + line);
    return true;
}

void TdlgConsole::Done(const QString &line, bool ok, const QString &reply, const QString &error)
{
    busy_ = false;
    btnSend->setEnabled(true);
    QString shown = ConsoleReplyText(line, reply);
    if (!error.isEmpty())
        shown = QStringLiteral("(соединение прервано: %1)").arg(error);
    else if (shown.isEmpty())
        shown = ok ? QStringLiteral("OK") : QStringLiteral("(нет ответа)");
    meReply->appendPlainText(line);
    meReply->appendPlainText(shown);
    auto *item = new QListWidgetItem(line + QStringLiteral("  →  ") + shown.section('\n', 0, 0));
    item->setData(Qt::UserRole, line.mid(1));
    lbHistory->addItem(item);
    lbHistory->scrollToBottom();
    SetState((ok ? QStringLiteral("Ответ: ") : QStringLiteral("Без подтверждения OK: ")) + shown);
}

QStringList TdlgConsole::History() const
{
    QStringList out;
    for (int i = 0; i < lbHistory->count(); ++i)
        out << lbHistory->item(i)->text() + QLatin1Char('\x1f') +
                   lbHistory->item(i)->data(Qt::UserRole).toString();
    return out;
}

void TdlgConsole::SetHistory(const QStringList &lines)
{
    lbHistory->clear();
    for (const QString &l : lines) {
        auto *item = new QListWidgetItem(l.section(QLatin1Char('\x1f'), 0, 0));
        item->setData(Qt::UserRole, l.section(QLatin1Char('\x1f'), 1));
        lbHistory->addItem(item);
    }
}
