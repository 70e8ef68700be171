#pragma once
#include "pages/fIn.h"

#include <QMessageBox>
#include <array>
#include <deque>
#include <functional>
#include <mutex>

#include "session/SessionPage.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;
class TformGPRS;
class TOutArray;
struct TPageContext;

// One entry of the delivery kind lists: position 1 to 5, caption, image of ilTEL.
struct TDeliveryKind {
    const char *caption;
    int image;
};

// Events and outputs page with the operating modes and the sleep control.
class TformEvents : public TformIncl
{
    Q_OBJECT
  public:
    explicit TformEvents(QWidget *parent = nullptr);
    ~TformEvents() override;

    static const std::array<TDeliveryKind, 5> DeliveryKinds;
    // Position (1 to 5) of a caption in DeliveryKinds, 0 when it is none.
    static int KindPosition(const QString &caption);
    // The images beside the kinds, indexes 0 to 5.
    static const QList<QIcon> &ilTEL();

    // ---- wiring by the main window ----
    // Follows the GPRS page's switch (both directions) and lets the read
    // routine queue the switch's value; call before loading the pages.
    void AttachGprsPage(TformGPRS *gprs);
    // The GPRS switch changed (by the user, a read, a file or the defaults).
    void GprsSwitchChanged(bool on);
    // Mode and sleep reply read while connecting; the session writes it.
    TOperatingState Operating;
    // Posts a worker command; false when there is no session.
    std::function<bool(unsigned char code)> PostCommand;
    // True while a session exists (questions are asked only then).
    std::function<bool()> IsConnected;
    // True while a tracker of at least 600.<minor> is connected.
    std::function<bool(int minor)> ConnectedAtLeast600;
    // The worker is busy: the sleep-mode buttons must not post meanwhile.
    void SetBusy(bool busy);

    // ---- delivery kinds ----
    bool KindVisible(int n) const;
    // Switches kind n (1 to 5) and rebuilds the lists for the GPRS switch.
    void SetKindVisible(int n, bool on);
    void RebuildKindLists(bool gprsOn);
    void FillKindLists();
    void cb1Change();
    static void BlankUnusedPhone(QLineEdit *phone, QComboBox *kinds);

    // ---- page operations ----
    void BeginWrite() override;
    void LoadFromIni(TIniFile &ini) override;
    void SaveToIni(TIniFile &ini) override;
    void SetDefaults() override;

    // ---- modes and sleep control (user interface thread) ----
    void UpdateModeControls();
    void RadioButton1Click() { UpdateModeControls(); }
    void RadioButton2Click() { UpdateModeControls(); }
    void RadioButton3Click() { UpdateModeControls(); }
    void RadioButton4Click() { UpdateModeControls(); }
    void lbrb5Click() { UpdateModeControls(); }
    void etPeriodgsmSChange();
    void etPeriodgpsSChange();
    void meGPRSTimeChange();
    // Digits still being typed in a period or on-line field are completed
    // as if the field had been left; the write and the save run it first.
    void CommitTypedFields();
    QString GprsPeriodText() const;
    void btnDontsleep00Click();
    void ApplyOperatingMode();
    // A selected mode whose button the connected firmware hides falls back
    // to mode 1, so no write sends a mode the tracker does not have.
    void LeaveHiddenModes();
    // Selected mode 1 to 5, 0 when no mode button is selected.
    int SelectedMode() const;

    // Pure rules, shared by the handlers and the worker routines.
    struct TPeriod {
        int days = 0, hours = 0, minutes = 10;
        int Total() const { return days * 1440 + hours * 60 + minutes; }
    };
    static TPeriod NormalizePeriod(const QString &days, const QString &hours,
                                   const QString &minutes);
    static int NormalizeOnlineMinutes(const QString &text);
    // Sleep-mode button index named by a "dontsleep" reply: 0 "00", 1 "0F", 2 "FF", 3 "F0".
    QToolButton *SleepButtonForReply(const QString &reply) const;

    // Questions of the sleep switch; tests answer them. The default shows a
    // modal message box with the given buttons.
    using AskFn = std::function<QMessageBox::StandardButton(
        QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
        QMessageBox::StandardButtons buttons)>;
    static AskFn AskHook;
    // The pause after posting the sleep mode; the default keeps serving
    // events so the worker can read the buttons meanwhile.
    static std::function<void(int ms)> WaitHook;

    // ---- worker thread ----
    void Read(TPageContext &ctx) override { ReadEvents(ctx); }
    void Write(TPageContext &ctx) override { WriteEvents(ctx); }
    bool RunCommand(unsigned char code, TPageContext &ctx) override;
    void ReadEvents(TPageContext &ctx);
    void WriteEvents(TPageContext &ctx);
    void SendSleepMode(TPageContext &ctx);
    void ReadSleepMode(TPageContext &ctx);

    // ---- controls ----
    QGroupBox *gbHistoryEvents = nullptr;
    QLabel *lbSrab = nullptr;
    QLabel *lb2 = nullptr;
    QCheckBox *cbHS1 = nullptr;
    QLabel *lb4 = nullptr;
    QCheckBox *cbHS2 = nullptr;

    QGroupBox *gbFlagEvents = nullptr;
    QLabel *lbSrab2 = nullptr;
    QLabel *lb13 = nullptr;
    QCheckBox *cbFS1 = nullptr;
    QLabel *lb14 = nullptr;
    QCheckBox *cbFS2 = nullptr;
    QLabel *lbFS = nullptr;
    QCheckBox *cbFS = nullptr;

    QGroupBox *gbModes = nullptr;
    std::array<QLabel *, 5> lbrb{};
    std::array<QRadioButton *, 5> RadioButtons{};
    QLabel *lbrb1 = nullptr, *lbrb2 = nullptr, *lbrb3 = nullptr, *lbrb4 = nullptr, *lbrb5 = nullptr;
    QRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr, *RadioButton3 = nullptr,
                 *RadioButton4 = nullptr, *RadioButton5 = nullptr;
    QLabel *lbTimeBtn = nullptr;
    QComboBox *cbTimeBtn = nullptr;
    QLabel *lbetPeriodgsm = nullptr;
    QLineEdit *etPeriodgsmS = nullptr, *etPeriodgsmH = nullptr, *etPeriodgsmM = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr;
    QLabel *lbetPeriodgps = nullptr;
    QLineEdit *etPeriodgpsS = nullptr, *etPeriodgpsH = nullptr, *etPeriodgpsM = nullptr;
    QLabel *Label3 = nullptr, *Label4 = nullptr;
    QLabel *lbetActivetime = nullptr;
    QComboBox *cbActivetime = nullptr;
    QLabel *lbGPRSTime = nullptr;
    QLineEdit *meGPRSTime = nullptr;
    QGroupBox *GroupBox1 = nullptr; // "Установка режима"
    QToolButton *btnDontsleep00 = nullptr;
    QToolButton *btnDontsleepF0 = nullptr;
    QToolButton *btnDontsleep0F = nullptr;
    QToolButton *btnDontsleepFF = nullptr;

    QGroupBox *gbPhones = nullptr;
    QLabel *lbp1 = nullptr;
    QLineEdit *etPhone1 = nullptr;
    QComboBox *cb1 = nullptr;
    QLabel *lbp2 = nullptr;
    QLineEdit *etPhone2 = nullptr;
    QComboBox *cb2 = nullptr;
    QWidget *pnLogic = nullptr;
    QRadioButton *num1rb1 = nullptr; // "И"
    QRadioButton *num1rb2 = nullptr; // "Или"

    QGroupBox *gbSMS = nullptr;
    QLabel *lbSendSMS = nullptr;
    QCheckBox *cbSendSMS = nullptr;

    // The four sleep-mode buttons in the order the "dontsleep" write takes
    // them: 00, 0F, FF, F0.
    std::array<QToolButton *, 4> SleepButtons() const
    {
        return {btnDontsleep00, btnDontsleep0F, btnDontsleepFF, btnDontsleepF0};
    }
    std::array<bool, 4> PreviousSleepButtons{};
    // What trackers before 600.58 do not have (the 00 button is never shown).
    QList<QWidget *> ModeControls58() const;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    struct TInputRow {
        QLabel **label;
        const char *labelName;
        const char *caption;
        QCheckBox **box;
        const char *name;
    };
    void BuildInputRows(QGroupBox *group, QLabel **heading, const char *headingName,
                        std::initializer_list<TInputRow> rows);
    void BuildHistoryGroup();
    void BuildFlagGroup();
    void BuildModeGroup();
    void BuildPhoneGroup();
    void BuildSmsGroup();
    QLineEdit *MakePeriodField(const QString &name, const QString &defaultText,
                               const QString &accessibleName);
    void NormalizePeriodFields(QLineEdit *days, QLineEdit *hours, QLineEdit *minutes);
    bool BeingTyped(const QLineEdit *field);
    void ApplyEnabledStates();
    void SelectMode(int mode);
    void ClearModes();
    void RestoreSleepButtons(const std::array<bool, 4> &states);
    std::array<bool, 4> SleepStates() const;
    bool GprsOn() const;
    bool Connected() const;
    bool ConnectedAtLeast(int minor) const;
    // Runs fn on the user interface thread when the output queue reaches
    // this point, after everything queued before it has been applied.
    void QueueUiStep(TOutArray *out, std::function<void()> fn);
    void RunUiStep(const QString &token);
    // Selects the entry of caption in list, or the first one (the read of "allogic").
    static void SelectKind(QComboBox *list, const QString &caption);

    std::array<bool, 6> m_kindVisible{}; // index 1 to 5
    TformGPRS *m_gprs = nullptr;
    bool m_gprsOn = false;
    bool m_busy = false;
    bool m_normalizing = false;
    bool m_committing = false;
    // States before the click whose sleep mode is on its way to the tracker.
    std::array<bool, 4> m_sentFrom{};
    bool m_sentFromKnown = false;

    QLineEdit *m_uiStepInbox = nullptr;
    std::mutex m_stepsLock;
    std::deque<std::function<void()>> m_steps;
    unsigned m_stepSerial = 0;
};
