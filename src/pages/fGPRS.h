#pragma once
#include "pages/fIn.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class TDevTrevalo;
struct TPageContext;

class TformGPRS : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformGPRS(QWidget *parent = nullptr);

    void BeginRead() override;
    void SetDefaults() override;

    // Every character a digit or a dot; an empty text counts as numeric.
    static bool IsNumericAddress(const QString &text);

    // Runs whenever cbGPRS changes state, by the user or by a read, a
    // settings file or the defaults; emits GprsSwitched for the Events page.
    void cbGPRSClick();

    // The warning shown when the tracker cannot take a host name; tests
    // replace it. The default is a modal message box with one OK button.
    using WarningFn =
        std::function<void(QWidget *parent, const QString &title, const QString &text)>;
    static WarningFn WarningHook;

    // Worker thread.
    void Read(TPageContext &ctx) override { ReadGprs(ctx); }
    void Write(TPageContext &ctx) override { WriteGprs(ctx); }
    void ReadGprs(TPageContext &ctx);
    void WriteGprs(TPageContext &ctx);

    QGroupBox *GroupBox1 = nullptr;
    QLabel *lbcb = nullptr;
    QCheckBox *cbGPRS = nullptr;
    QLabel *lbetGPRSphone = nullptr;
    QLineEdit *etGPRSphone = nullptr;
    QLabel *lbetAccessPoint = nullptr;
    QLineEdit *etAccessPoint = nullptr;
    QLabel *lbetLoginGPRS = nullptr;
    QLineEdit *etLoginGPRS = nullptr;
    QLabel *lbetPswdGPRS = nullptr;
    QLineEdit *etPswdGPRS = nullptr;
    QLabel *lbetIp = nullptr;
    QLineEdit *etIp = nullptr;
    QLabel *lbetPort = nullptr;
    QLineEdit *etPort = nullptr;
    QLabel *lbetPswd = nullptr;
    QLineEdit *etPswd = nullptr;
    QLabel *lbMRst = nullptr;
    QComboBox *cbMRst = nullptr;

  signals:
    // The new state of the GPRS switch (the Events page adapts its mode 5
    // on-line time and its delivery kind lists).
    void GprsSwitched(bool on);

  private:
    void SelectDefaultMRst();
    void WriteText(TPageContext &ctx, QLabel *label, const QString &text,
                   bool (TDevTrevalo::*write)(const QString &));
};
