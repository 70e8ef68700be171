#pragma once
#include "pages/fIn.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;
struct TPageContext;

class TformPhones : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformPhones(QWidget *parent = nullptr);

    void BeginRead() override;
    void BeginWrite() override;
    void LoadFromIni(TIniFile &ini) override;
    void SaveToIni(TIniFile &ini) override;
    void SetDefaults() override;

    static constexpr int kNumbers = 10;
    static constexpr int kMaxNumberLength = 30;

    // Row numbers and empty phone cells; a number still being typed is dropped.
    void ResetGrid();
    // A number still being typed goes into its cell; everything that takes
    // the numbers from the grid runs this first.
    void CommitNumbers();
    // The phone number of slot 0..9 (grid row slot).
    QString Number(int slot) const;
    void SetNumber(int slot, const QString &text);

    // Enable rules: without engineering numbers the dispatcher link is off and
    // cannot be chosen; the minutes edit only serves "on for a time".
    void ApplyEnableRules();
    void cbPhonesClick();
    void rbDispOffClick();
    void rbDispOnClick();
    void rbDispOnTimeClick();

    // Worker thread.
    void Read(TPageContext &ctx) override { ReadPhones(ctx); }
    void Write(TPageContext &ctx) override { WritePhones(ctx); }
    void ReadPhones(TPageContext &ctx);
    void WritePhones(TPageContext &ctx);

    QGroupBox *RzGroupBox1 = nullptr;
    QLabel *lbPhones = nullptr;
    QCheckBox *cbPhones = nullptr;
    QLabel *Label1 = nullptr;
    QTableWidget *SG1 = nullptr;
    QGroupBox *RzRadioGroup1 = nullptr;
    QRadioButton *rbDispOff = nullptr;
    QRadioButton *rbDispOn = nullptr;
    QRadioButton *rbDispOnTime = nullptr;
    QLineEdit *etTime = nullptr;

  private:
    void SetTimeEditEnabled(bool enabled);
    bool m_applyingRules = false;
};
