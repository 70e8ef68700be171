#pragma once
#include <QComboBox>
#include <QDialog>

#include "platform/PortEnum.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class TIniFile;

// Asks for port, phone number and the registration wait before a connect and
// remembers them, with the last ten numbers, in section "Connect".
class TdlgConnect : public QDialog
{
    Q_OBJECT
  public:
    explicit TdlgConnect(QWidget *parent = nullptr);

    void LoadSettings(const TIniFile &ini);
    void SaveSettings(TIniFile &ini) const;
    static void EnumComPorts(QStringList &list);
    void OKBtnClick();

    // The port name used for opening: the port entry up to its first ":".
    QString PortName() const { return PortNameOf(ComPorts->currentText()); }
    // A number the modem can be given: no control characters, and a
    // Windows-1251 byte for every character.
    static bool PhoneIsDialable(const QString &phone);

    QLabel *Label1;
    QComboBox *ComPorts;
    QLabel *Label2;
    QComboBox *cbPhones;
    QCheckBox *cbRegWait;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
};
