#include "SplashDlg.h"

#include "app/AccessibleNames.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TdlgSplash::TdlgSplash(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgSplash"));
    setWindowTitle(QStringLiteral("Подключение"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    Panel1 = new QLabel(QStringLiteral("Состояние подключения"), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel2 = new TValueLabel(QString(), Panel1->text(), this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setAlignment(Qt::AlignCenter);
    Panel2->setMinimumHeight(28);
    QFont bold = Panel2->font();
    bold.setBold(true);
    Panel2->setFont(bold);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    // Clicked only by the output queue, which clicks a disabled button too;
    // disabled and left out of the accessible tree, nobody else can press it.
    Button1->hide();
    Button1->setEnabled(false);
    HideHiddenChildrenFromAccessibility(this);
    CancelBtn = new QPushButton(QStringLiteral("Отмена"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(Panel2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(CancelBtn);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    resize(295, 107);
}
