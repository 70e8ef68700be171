#include "pages/fIn.h"

#include "pages/AccessibleComboBox.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolButton>

namespace
{

bool isCheckKind(TControlKind k)
{
    return k == TControlKind::ckCheckBox || k == TControlKind::ckRzCheckBox;
}

bool isRadioKind(TControlKind k)
{
    return k == TControlKind::ckRadioButton || k == TControlKind::ckRzRadioButton;
}

bool isTextKind(TControlKind k)
{
    return k == TControlKind::ckEdit || k == TControlKind::ckSpinEdit ||
           k == TControlKind::ckMaskEdit;
}

void setChecked(QWidget *w, bool on)
{
    // Qt refuses to switch off the checked button of an exclusive group, which
    // is the rule for toggle buttons: only switching another one on moves it.
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        b->setChecked(on);
}

bool isChecked(const QWidget *w)
{
    auto *b = qobject_cast<const QAbstractButton *>(w);
    return b && b->isChecked();
}

} // namespace

void SetControlText(QWidget *control, TControlKind kind, const QString &text)
{
    if (kind == TControlKind::ckSpinEdit) {
        if (auto *s = qobject_cast<QSpinBox *>(control)) {
            bool ok = false;
            const int v = text.trimmed().toInt(&ok);
            if (ok)
                s->setValue(v);
        }
        return;
    }
    if (auto *e = qobject_cast<QLineEdit *>(control))
        e->setText(text);
}

QString ControlText(const QWidget *control, TControlKind kind)
{
    if (kind == TControlKind::ckSpinEdit) {
        if (auto *s = qobject_cast<const QSpinBox *>(control))
            return QString::number(s->value());
        return {};
    }
    if (auto *e = qobject_cast<const QLineEdit *>(control))
        return e->text();
    return {};
}

TformIncl::TformIncl(const QString &pageName, const QString &caption, QWidget *parent)
    : QWidget(parent)
{
    InstallAccessibleComboBoxNames();
    setObjectName(pageName);
    setWindowTitle(caption);
    setAccessibleName(caption);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(true);
    m_content = new QWidget;
    m_content->setObjectName(QStringLiteral("ScrollBox1Content"));
    auto *contentLayout = new QVBoxLayout(m_content);
    contentLayout->setAlignment(Qt::AlignTop);
    ScrollBox1->setWidget(m_content);

    auto *pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(ScrollBox1);
}

TformIncl::~TformIncl() = default;

void TformIncl::RegisterControl(QWidget *control, TControlKind kind, const QString &defaultText)
{
    control->setProperty(kDefaultTextProperty, defaultText);
    control->setProperty(kControlKindProperty, static_cast<int>(kind));
    m_controls.append({control, kind});
}

QList<QWidget *> TformIncl::Controls() const
{
    QList<QWidget *> out;
    for (const auto &e : m_controls)
        if (e.widget)
            out.append(e.widget);
    return out;
}

std::optional<TControlKind> TformIncl::KindOf(const QWidget *control)
{
    const QVariant v = control ? control->property(kControlKindProperty) : QVariant();
    if (!v.isValid())
        return std::nullopt;
    return static_cast<TControlKind>(v.toInt());
}

QString TformIncl::DefaultText(const QWidget *control)
{
    return control ? control->property(kDefaultTextProperty).toString() : QString();
}

std::optional<bool> TformIncl::BoolFromText(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (ok)
        return d != 0.0;
    return std::nullopt;
}

void TformIncl::ResetLabelColor(QLabel *label)
{
    // Each colour group separately: a disabled label keeps its greyed text.
    QPalette p = label->palette();
    const QPalette normal = QApplication::palette(label);
    bool changed = false;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor c = normal.color(group, QPalette::WindowText);
        if (p.color(group, QPalette::WindowText) != c) {
            p.setColor(group, QPalette::WindowText, c);
            changed = true;
        }
    }
    if (changed)
        label->setPalette(p);
}

void TformIncl::SetRegularFontStyle(QWidget *w)
{
    QFont f = w->font();
    if (!f.bold() && !f.italic() && !f.underline() && !f.strikeOut())
        return;
    f.setBold(false);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    w->setFont(f);
}

void TformIncl::BeginRead()
{
    for (const auto &e : m_controls) {
        QWidget *w = e.widget;
        if (!w)
            continue;
        switch (e.kind) {
        case TControlKind::ckLabel:
            if (auto *l = qobject_cast<QLabel *>(w))
                ResetLabelColor(l);
            SetRegularFontStyle(w);
            break;
        case TControlKind::ckEdit:
            if (auto *ed = qobject_cast<QLineEdit *>(w))
                ed->clear();
            SetRegularFontStyle(w);
            break;
        case TControlKind::ckSpinEdit:
            SetRegularFontStyle(w);
            break;
        case TControlKind::ckCheckBox:
        case TControlKind::ckRzCheckBox:
            setChecked(w, false);
            SetRegularFontStyle(w);
            break;
        case TControlKind::ckRadioButton:
        case TControlKind::ckRzRadioButton:
            SetRegularFontStyle(w);
            break;
        default:
            break;
        }
    }
}

void TformIncl::BeginWrite()
{
    for (const auto &e : m_controls) {
        QWidget *w = e.widget;
        if (!w)
            continue;
        if (e.kind == TControlKind::ckLabel) {
            if (auto *l = qobject_cast<QLabel *>(w))
                ResetLabelColor(l);
        }
        if (e.kind == TControlKind::ckLabel || e.kind == TControlKind::ckEdit ||
            e.kind == TControlKind::ckSpinEdit || isCheckKind(e.kind) || isRadioKind(e.kind))
            SetRegularFontStyle(w);
    }
}

void TformIncl::LoadFromIni(TIniFile &ini)
{
    const QString section = PageName();
    for (const auto &e : m_controls) {
        QWidget *w = e.widget;
        if (!w)
            continue;
        const QString key = w->objectName();
        switch (e.kind) {
        case TControlKind::ckEdit:
        case TControlKind::ckSpinEdit:
            SetControlText(w, e.kind, ini.ReadString(section, key, ControlText(w, e.kind)));
            break;
        case TControlKind::ckMaskEdit:
            SetControlText(w, e.kind, ini.ReadString(section, key, DefaultText(w)));
            break;
        case TControlKind::ckCheckBox:
        case TControlKind::ckRzCheckBox:
        case TControlKind::ckRadioButton:
        case TControlKind::ckRzRadioButton:
            setChecked(w, ini.ReadBool(section, key, isChecked(w)));
            break;
        case TControlKind::ckComboBox:
            if (auto *c = qobject_cast<QComboBox *>(w))
                c->setCurrentIndex(ini.ReadInteger(section, key, c->currentIndex()));
            break;
        case TControlKind::ckComboBoxEx:
            if (auto *c = qobject_cast<QComboBox *>(w)) {
                bool ok = false;
                const int def = DefaultText(w).trimmed().toInt(&ok);
                c->setCurrentIndex(ini.ReadInteger(section, key, ok ? def : c->currentIndex()));
            }
            break;
        case TControlKind::ckSpeedButton: {
            const bool def = BoolFromText(DefaultText(w)).value_or(false);
            setChecked(w, ini.ReadBool(section, key, def));
            break;
        }
        case TControlKind::ckLabel:
            break;
        }
    }
}

void TformIncl::SaveToIni(TIniFile &ini)
{
    const QString section = PageName();
    for (const auto &e : m_controls) {
        QWidget *w = e.widget;
        if (!w)
            continue;
        const QString key = w->objectName();
        if (isTextKind(e.kind))
            ini.WriteString(section, key, ControlText(w, e.kind));
        else if (isCheckKind(e.kind) || isRadioKind(e.kind) ||
                 e.kind == TControlKind::ckSpeedButton)
            ini.WriteBool(section, key, isChecked(w));
        else if (e.kind == TControlKind::ckComboBox || e.kind == TControlKind::ckComboBoxEx) {
            if (auto *c = qobject_cast<QComboBox *>(w))
                ini.WriteInteger(section, key, c->currentIndex());
        }
    }
}

void TformIncl::SetDefaults()
{
    for (const auto &e : m_controls) {
        QWidget *w = e.widget;
        if (!w)
            continue;
        // One control's bad default must not keep the others from theirs.
        try {
            const QString def = DefaultText(w);
            if (isTextKind(e.kind)) {
                SetControlText(w, e.kind, def);
            } else if (isCheckKind(e.kind) || isRadioKind(e.kind)) {
                if (const auto b = BoolFromText(def))
                    setChecked(w, *b);
            } else if (e.kind == TControlKind::ckComboBox) {
                if (auto *c = qobject_cast<QComboBox *>(w)) {
                    int found = -1;
                    for (int i = 0; i < c->count(); ++i)
                        if (c->itemText(i).compare(def, Qt::CaseInsensitive) == 0) {
                            found = i;
                            break;
                        }
                    c->setCurrentIndex(found);
                }
            }
        } catch (...) {
        }
    }
}

// ---- construction helpers ----

QWidget *TformIncl::container() const
{
    return m_container ? m_container.data() : m_content;
}

QGroupBox *TformIncl::addGroupBox(const QString &name, const QString &caption)
{
    auto *box = new QGroupBox(caption, m_content);
    box->setObjectName(name);
    auto *form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (auto *l = qobject_cast<QBoxLayout *>(m_content->layout()))
        l->addWidget(box);
    m_container = box;
    return box;
}

QLabel *TformIncl::makeLabel(const QString &name, const QString &labelName, const QString &text)
{
    if (text.isNull())
        return nullptr;
    auto *label = new QLabel(text, container());
    label->setObjectName(labelName.isEmpty() ? QStringLiteral("lb") + name : labelName);
    label->setWordWrap(false);
    RegisterControl(label, TControlKind::ckLabel);
    return label;
}

void TformIncl::place(QLabel *label, QWidget *control)
{
    if (label) {
        label->setBuddy(control);
        // A check box whose caption is on a separate label has no text of its
        // own for a screen reader; give every control its label's words.
        if (control->accessibleName().isEmpty())
            control->setAccessibleName(label->text().trimmed());
    }
    QLayout *layout = container()->layout();
    if (auto *form = qobject_cast<QFormLayout *>(layout)) {
        if (label)
            form->addRow(label, control);
        else
            form->addRow(control);
    } else if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        const int row = grid->rowCount();
        if (label)
            grid->addWidget(label, row, 0);
        grid->addWidget(control, row, 1);
    } else if (auto *box = qobject_cast<QBoxLayout *>(layout)) {
        if (label)
            box->addWidget(label);
        box->addWidget(control);
    }
}

QLabel *TformIncl::addLabel(const QString &name, const QString &caption)
{
    auto *label = new QLabel(caption, container());
    label->setObjectName(name);
    RegisterControl(label, TControlKind::ckLabel);
    place(nullptr, label);
    return label;
}

QLineEdit *TformIncl::addTextEdit(const QString &name, const QString &labelText,
                                  const QString &defaultText, int maxLength,
                                  const QString &labelName)
{
    QLabel *label = makeLabel(name, labelName, labelText);
    auto *e = new QLineEdit(defaultText, container());
    e->setObjectName(name);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    RegisterControl(e, TControlKind::ckEdit, defaultText);
    place(label, e);
    return e;
}

QSpinBox *TformIncl::addSpinEdit(const QString &name, const QString &labelText,
                                 const QString &defaultText, int minimum, int maximum,
                                 const QString &labelName)
{
    QLabel *label = makeLabel(name, labelName, labelText);
    auto *s = new QSpinBox(container());
    s->setObjectName(name);
    s->setRange(minimum, maximum);
    RegisterControl(s, TControlKind::ckSpinEdit, defaultText);
    SetControlText(s, TControlKind::ckSpinEdit, defaultText);
    place(label, s);
    return s;
}

QLineEdit *TformIncl::addMaskEdit(const QString &name, const QString &labelText,
                                  const QString &inputMask, const QString &defaultText,
                                  const QString &labelName)
{
    QLabel *label = makeLabel(name, labelName, labelText);
    auto *e = new QLineEdit(container());
    e->setObjectName(name);
    e->setInputMask(inputMask);
    e->setText(defaultText);
    RegisterControl(e, TControlKind::ckMaskEdit, defaultText);
    place(label, e);
    return e;
}

QCheckBox *TformIncl::addCheckBox(const QString &name, const QString &caption,
                                  const QString &labelText, const QString &defaultText,
                                  TControlKind kind, const QString &labelName)
{
    QLabel *label = makeLabel(name, labelName, labelText);
    auto *c = new QCheckBox(caption, container());
    c->setObjectName(name);
    c->setChecked(BoolFromText(defaultText).value_or(false));
    RegisterControl(c, kind, defaultText);
    place(label, c);
    return c;
}

QRadioButton *TformIncl::addRadioButton(const QString &name, const QString &caption,
                                        const QString &defaultText, TControlKind kind)
{
    auto *r = new QRadioButton(caption, container());
    r->setObjectName(name);
    if (BoolFromText(defaultText).value_or(false))
        r->setChecked(true);
    RegisterControl(r, kind, defaultText);
    place(nullptr, r);
    return r;
}

QComboBox *TformIncl::addComboBox(const QString &name, const QString &labelText,
                                  const QStringList &items, const QString &defaultText,
                                  const QString &labelName)
{
    QLabel *label = makeLabel(name, labelName, labelText);
    auto *c = new QComboBox(container());
    c->setObjectName(name);
    c->addItems(items);
    RegisterControl(c, TControlKind::ckComboBox, defaultText);
    int found = -1;
    for (int i = 0; i < items.size(); ++i)
        if (items[i].compare(defaultText, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    c->setCurrentIndex(found);
    place(label, c);
    return c;
}

QComboBox *TformIncl::addComboBoxEx(const QString &name, const QString &labelText,
                                    const QList<TImageItem> &items, const QString &defaultText,
                                    const QString &labelName)
{
    QLabel *label = makeLabel(name, labelName, labelText);
    auto *c = new QComboBox(container());
    c->setObjectName(name);
    for (const auto &it : items)
        c->addItem(it.icon, it.text);
    RegisterControl(c, TControlKind::ckComboBoxEx, defaultText);
    bool ok = false;
    const int idx = defaultText.trimmed().toInt(&ok);
    c->setCurrentIndex(ok ? idx : -1);
    place(label, c);
    return c;
}

QButtonGroup *TformIncl::addSpeedButtonGroup(const QString &name, const QString &labelText)
{
    auto *row = new QWidget(container());
    row->setObjectName(name);
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    QLabel *label = makeLabel(name, {}, labelText);
    place(label, row);
    // The row owns the group, so addSpeedButton knows where the buttons go.
    auto *group = new QButtonGroup(row);
    group->setObjectName(name + QStringLiteral("Group"));
    group->setExclusive(true);
    return group;
}

QToolButton *TformIncl::addSpeedButton(QButtonGroup *group, const QString &name,
                                       const QString &caption, const QString &defaultText,
                                       const QIcon &icon)
{
    auto *row = qobject_cast<QWidget *>(group->parent());
    auto *b = new QToolButton(row ? row : container());
    b->setObjectName(name);
    b->setText(caption);
    b->setAccessibleName(caption);
    b->setCheckable(true);
    b->setAutoRaise(false);
    if (!icon.isNull()) {
        b->setIcon(icon);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    group->addButton(b);
    if (BoolFromText(defaultText).value_or(false))
        b->setChecked(true);
    RegisterControl(b, TControlKind::ckSpeedButton, defaultText);
    if (row && row->layout())
        row->layout()->addWidget(b);
    return b;
}

QLabel *TformIncl::labelOf(const QWidget *control) const
{
    for (const auto &e : m_controls)
        if (e.kind == TControlKind::ckLabel)
            if (auto *l = qobject_cast<QLabel *>(e.widget.data()); l && l->buddy() == control)
                return l;
    return nullptr;
}
