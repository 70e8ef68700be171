#pragma once
#include <QIcon>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "session/SessionPage.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QToolButton;
class TIniFile;

// The interfaces a page offers to the window and to the read/write orchestration.
class IPageDefaults
{
  public:
    virtual void SetDefaults() = 0;

  protected:
    ~IPageDefaults() = default;
};

class IPageIni
{
  public:
    virtual void SaveToIni(TIniFile &ini) = 0;
    virtual void LoadFromIni(TIniFile &ini) = 0;

  protected:
    ~IPageIni() = default;
};

class IPageExchange
{
  public:
    virtual void BeginRead() = 0;
    virtual void BeginWrite() = 0;

  protected:
    ~IPageExchange() = default;
};

// Kinds of the controls a page walks. Two Qt widgets may serve several kinds
// (a QComboBox is a plain list or a list with images), so the kind is a tag
// kept beside the widget rather than derived from its class.
enum class TControlKind {
    ckEdit,          // QLineEdit without mask
    ckSpinEdit,      // QSpinBox
    ckMaskEdit,      // QLineEdit with an input mask
    ckCheckBox,      // QCheckBox
    ckRzCheckBox,    // QCheckBox (the widget library's kind)
    ckRadioButton,   // QRadioButton
    ckRzRadioButton, // QRadioButton (the widget library's kind)
    ckComboBox,      // QComboBox
    ckComboBoxEx,    // QComboBox whose items carry images
    ckSpeedButton,   // checkable QToolButton, usually in an exclusive QButtonGroup
    ckLabel,         // QLabel
};

// Dynamic properties set on every registered control.
inline constexpr char kDefaultTextProperty[] = "defaultText";
inline constexpr char kControlKindProperty[] = "controlKind";

// One settings page: a borderless widget whose only own child is the scroll box
// ScrollBox1. The page's objectName is its name and ini section; windowTitle is
// its caption. Controls are registered in page order; every walk follows it.
// A page plugs into the session by overriding the worker-side members.
class TformIncl : public QWidget,
                  public IPageDefaults,
                  public IPageIni,
                  public IPageExchange,
                  public ISessionPage
{
    Q_OBJECT
  public:
    TformIncl(const QString &pageName, const QString &caption, QWidget *parent = nullptr);
    ~TformIncl() override;

    // The five page operations, in their slot order.
    virtual void BeginRead() override;
    virtual void BeginWrite() override;
    virtual void LoadFromIni(TIniFile &ini) override;
    virtual void SaveToIni(TIniFile &ini) override;
    virtual void SetDefaults() override;

    // ---- worker thread: the page's side of the session; by default a page
    // has nothing to read or write and owns no command.
    QObject *PageObject() override { return this; }
    void Read(TPageContext &) override {}
    void Write(TPageContext &) override {}
    bool RunCommand(unsigned char, TPageContext &) override { return false; }
    bool WrittenByWriteAll() const override { return true; }

    QString PageName() const { return objectName(); }
    QString Caption() const { return windowTitle(); }

    QScrollArea *ScrollBox1 = nullptr;
    // The widget inside ScrollBox1 that holds the page's controls (vertical layout).
    QWidget *Content() const { return m_content; }

    // Registration: adds the control to the walk with its kind and default text.
    void RegisterControl(QWidget *control, TControlKind kind, const QString &defaultText = {});
    QList<QWidget *> Controls() const;
    static std::optional<TControlKind> KindOf(const QWidget *control);
    static QString DefaultText(const QWidget *control);
    // "true"/"false" in any case, or a number (non-zero is true); anything else is no boolean.
    static std::optional<bool> BoolFromText(const QString &text);
    // The label's text colour back to the window-text colour of the desktop.
    static void ResetLabelColor(QLabel *label);
    static void SetRegularFontStyle(QWidget *w);

    // Construction helpers for pages. Each creates its control (objectName =
    // name) and, where a label text is given, a label named "lb" + name (or
    // labelName) as buddy, adds both to the current container's layout
    // (QFormLayout: one row; box or grid layout: appended) and registers them,
    // the label first.
    QGroupBox *addGroupBox(const QString &name, const QString &caption);
    void setContainer(QWidget *container) { m_container = container; }
    QWidget *container() const;

    QLabel *addLabel(const QString &name, const QString &caption);
    QLineEdit *addTextEdit(const QString &name, const QString &labelText,
                           const QString &defaultText, int maxLength = 0,
                           const QString &labelName = {});
    QSpinBox *addSpinEdit(const QString &name, const QString &labelText, const QString &defaultText,
                          int minimum, int maximum, const QString &labelName = {});
    QLineEdit *addMaskEdit(const QString &name, const QString &labelText, const QString &inputMask,
                           const QString &defaultText, const QString &labelName = {});
    // Check box and radio button: with a label text the box itself has no
    // caption and the label stands beside it; otherwise caption is on the box.
    QCheckBox *addCheckBox(const QString &name, const QString &caption, const QString &labelText,
                           const QString &defaultText, TControlKind kind = TControlKind::ckCheckBox,
                           const QString &labelName = {});
    QRadioButton *addRadioButton(const QString &name, const QString &caption,
                                 const QString &defaultText,
                                 TControlKind kind = TControlKind::ckRadioButton);
    QComboBox *addComboBox(const QString &name, const QString &labelText, const QStringList &items,
                           const QString &defaultText, const QString &labelName = {});
    struct TImageItem {
        QIcon icon;
        QString text;
    };
    QComboBox *addComboBoxEx(const QString &name, const QString &labelText,
                             const QList<TImageItem> &items, const QString &defaultText,
                             const QString &labelName = {});
    // A row holding an exclusive group of toggle buttons; add buttons with addSpeedButton.
    QButtonGroup *addSpeedButtonGroup(const QString &name, const QString &labelText = {});
    QToolButton *addSpeedButton(QButtonGroup *group, const QString &name, const QString &caption,
                                const QString &defaultText, const QIcon &icon = {});

    // The label created for a control by the helpers (nullptr when none).
    QLabel *labelOf(const QWidget *control) const;

  private:
    QLabel *makeLabel(const QString &name, const QString &labelName, const QString &text);
    void place(QLabel *label, QWidget *control);

    struct TEntry {
        QPointer<QWidget> widget;
        TControlKind kind;
    };
    QList<TEntry> m_controls;
    QWidget *m_content = nullptr;
    QPointer<QWidget> m_container;
};

// Text setters shared by the walks: spin edits take a number as text and
// ignore anything else.
void SetControlText(QWidget *control, TControlKind kind, const QString &text);
QString ControlText(const QWidget *control, TControlKind kind);
