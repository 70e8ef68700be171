#include "ConnectDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "link/ModemWorker.h"
#include "platform/IniFile.h"
#include "platform/PortEnum.h"

namespace
{
const QString kSection = QStringLiteral("Connect");
constexpr int kMaxPhones = 10;
} // namespace

TdlgConnect::TdlgConnect(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgConnect"));
    setWindowTitle(QStringLiteral("Подключение к Trevalo3"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    Label1 = new QLabel(QStringLiteral("Com-порт:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    ComPorts = new QComboBox(this);
    ComPorts->setObjectName(QStringLiteral("ComPorts"));
    ComPorts->setEditable(true);
    ComPorts->setInsertPolicy(QComboBox::InsertAlphabetically);
    ComPorts->setMinimumWidth(150);
    Label1->setBuddy(ComPorts);
    ComPorts->setAccessibleName(Label1->text());

    Label2 = new QLabel(QStringLiteral("Номер телефона:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    cbPhones = new QComboBox(this);
    cbPhones->setObjectName(QStringLiteral("cbPhones"));
    cbPhones->setEditable(true);
    cbPhones->setInsertPolicy(QComboBox::NoInsert);
    cbPhones->setMaxVisibleItems(kMaxPhones);
    Label2->setBuddy(cbPhones);
    cbPhones->setAccessibleName(Label2->text());

    cbRegWait = new QCheckBox(QStringLiteral("Ждать регистрации в сети GSM?"), this);
    cbRegWait->setObjectName(QStringLiteral("cbRegWait"));
    cbRegWait->setLayoutDirection(Qt::RightToLeft); // caption left of the box
    cbRegWait->setChecked(true);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ComPorts, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(cbPhones, 1, 1);
    grid->addWidget(cbRegWait, 2, 0, 1, 2, Qt::AlignLeft);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(OKBtn, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        accept();
    });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    resize(258, 127);
}

void TdlgConnect::EnumComPorts(QStringList &list)
{
    list << EnumSerialPorts();
}


void TdlgConnect::LoadSettings(const TIniFile &ini)
{
    ComPorts->setEditText(ini.ReadString(kSection, QStringLiteral("ComPort"), QStringLiteral(" ")));
    cbRegWait->setChecked(ini.ReadBool(kSection, QStringLiteral("WaitCREG"), true));
    // The list never holds more; a damaged count must not stall the dialog.
    const int n = std::min(ini.ReadInteger(kSection, QStringLiteral("PhonesN"), 0), kMaxPhones);
    for (int k = 1; k <= n; ++k) {
        const QString key = QStringLiteral("Phone%1").arg(k);
        if (ini.ValueExists(kSection, key))
            cbPhones->addItem(ini.ReadString(kSection, key, QString()));
    }
    cbPhones->setEditText(ini.ReadString(kSection, QStringLiteral("Phone"), QString()));
}

void TdlgConnect::SaveSettings(TIniFile &ini) const
{
    ini.WriteString(kSection, QStringLiteral("ComPort"), ComPorts->currentText());
    int count = 0;
    for (int i = 0; i < cbPhones->count(); ++i) {
        const QString entry = cbPhones->itemText(i);
        if (entry.trimmed().isEmpty())
            continue;
        ini.WriteString(kSection, QStringLiteral("Phone%1").arg(i + 1), entry);
        ++count;
    }
    ini.WriteInteger(kSection, QStringLiteral("PhonesN"), count);
    ini.WriteString(kSection, QStringLiteral("Phone"), cbPhones->currentText());
    ini.WriteBool(kSection, QStringLiteral("WaitCREG"), cbRegWait->isChecked());
}

bool TdlgConnect::PhoneIsDialable(const QString &phone)
{
    // The same rule the modem worker holds every command to.
    return modemtext::IsSendable(phone);
}

void TdlgConnect::OKBtnClick()
{
    const QString text = cbPhones->currentText();
    // A number the connect refuses is no number to offer again.
    if (text.isEmpty() || !PhoneIsDialable(text))
        return;
    for (int i = 0; i < cbPhones->count(); ++i)
        if (cbPhones->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
            return;
    if (cbPhones->count() >= kMaxPhones)
        cbPhones->removeItem(cbPhones->count() - 1);
    cbPhones->insertItem(0, text);
    cbPhones->setEditText(text);
}
