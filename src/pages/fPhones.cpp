#include "pages/fPhones.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "device/DevTrevalo.h"
#include "pages/PageExchange.h"
#include "platform/IniFile.h"
#include "session/OutArray.h"

namespace
{

const QString kIniSection = QStringLiteral("EnPhones");
const QString kIniKey = QStringLiteral("EnPhone");
constexpr int kDispOn = 0;
constexpr int kDispOff = 255;
constexpr int kRowHeight = 24;

// Phone cells take at most 30 characters; backspace always works.
class TPhoneCellDelegate : public QStyledItemDelegate
{
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *e = qobject_cast<QLineEdit *>(editor))
            e->setMaxLength(TformPhones::kMaxNumberLength);
        return editor;
    }
};

// The grid whose open cell editor can be finished from outside: the toolbar
// and the menus take no focus, so a number still being typed would
// otherwise never reach its cell.
class TPhoneGrid : public QTableWidget
{
  public:
    using QTableWidget::QTableWidget;

    void FinishEditor(bool keep)
    {
        if (state() != QAbstractItemView::EditingState)
            return;
        QWidget *editor = indexWidget(currentIndex());
        if (!editor)
            return;
        if (keep)
            commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
};

QString slotField(int slot)
{
    return QStringLiteral("Инженерный номер %1").arg(slot + 1);
}

const QString kDispField = QStringLiteral("Диспетчерская связь");

} // namespace

TformPhones::TformPhones(QWidget *parent)
    : TformIncl(QStringLiteral("formPhones"), QStringLiteral("Инженерные номера"), parent)
{
    RzGroupBox1 = addGroupBox(QStringLiteral("RzGroupBox1"), QStringLiteral("Инженерные номера"));
    cbPhones = addCheckBox(QStringLiteral("cbPhones"), QString(),
                           QStringLiteral("Включить инженерные номера"), QStringLiteral("false"),
                           TControlKind::ckCheckBox, QStringLiteral("lbPhones"));
    lbPhones = labelOf(cbPhones);

    Label1 = new QLabel(QStringLiteral("Номера"), RzGroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    RegisterControl(Label1, TControlKind::ckLabel);
    // The heading row is the grid's column header and the row numbers its
    // first, read-only column, so a screen reader hears "№" and "Телефон" as
    // headings and rows 1 to 10 under the numbers it sees.
    SG1 = new TPhoneGrid(kNumbers, 2, RzGroupBox1);
    SG1->setObjectName(QStringLiteral("SG1"));
    SG1->setHorizontalHeaderLabels({QStringLiteral("№"), QStringLiteral("Телефон")});
    QHeaderView *heading = SG1->horizontalHeader();
    heading->setSectionsClickable(false);
    heading->setSectionResizeMode(QHeaderView::Fixed);
    heading->setHighlightSections(false);
    heading->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    heading->setFixedHeight(kRowHeight);
    SG1->verticalHeader()->hide();
    SG1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SG1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SG1->setColumnWidth(0, 60);
    SG1->setColumnWidth(1, 247);
    for (int r = 0; r < kNumbers; ++r)
        SG1->setRowHeight(r, kRowHeight);
    SG1->setFixedSize(60 + 247 + 2 * SG1->frameWidth(),
                      (kNumbers + 1) * kRowHeight + 2 * SG1->frameWidth());
    SG1->setItemDelegate(new TPhoneCellDelegate(SG1));
    SG1->setAccessibleName(Label1->text());
    Label1->setBuddy(SG1);
    if (auto *form = qobject_cast<QFormLayout *>(RzGroupBox1->layout()))
        form->addRow(Label1, SG1);
    ResetGrid();

    RzRadioGroup1 =
        addGroupBox(QStringLiteral("RzRadioGroup1"), QStringLiteral("Диспетчерская связь"));
    rbDispOff = addRadioButton(QStringLiteral("rbDispOff"), QStringLiteral("Выключена"),
                               QStringLiteral("1"));
    rbDispOn = addRadioButton(QStringLiteral("rbDispOn"), QStringLiteral("Включена постоянно"),
                              QStringLiteral("0"));
    rbDispOnTime = new QRadioButton(QStringLiteral("Включена на время (мин.)"), RzRadioGroup1);
    rbDispOnTime->setObjectName(QStringLiteral("rbDispOnTime"));
    RegisterControl(rbDispOnTime, TControlKind::ckRadioButton, QStringLiteral("0"));
    etTime = new QLineEdit(QStringLiteral("1"), RzRadioGroup1);
    etTime->setObjectName(QStringLiteral("etTime"));
    etTime->setMaxLength(3);
    etTime->setAccessibleName(rbDispOnTime->text());
    RegisterControl(etTime, TControlKind::ckEdit, QStringLiteral("1"));
    if (auto *form = qobject_cast<QFormLayout *>(RzRadioGroup1->layout()))
        form->addRow(rbDispOnTime, etTime);

    // Programmatic changes (reads, ini, defaults) run the rules as clicks do.
    connect(cbPhones, &QCheckBox::toggled, this, [this] { cbPhonesClick(); });
    connect(rbDispOff, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rbDispOffClick();
    });
    connect(rbDispOn, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rbDispOnClick();
    });
    connect(rbDispOnTime, &QRadioButton::toggled, this, [this] { rbDispOnTimeClick(); });
    ApplyEnableRules();
}

void TformPhones::ResetGrid()
{
    // Whatever is still being typed belongs to the numbers being replaced.
    static_cast<TPhoneGrid *>(SG1)->FinishEditor(false);
    for (int r = 0; r < kNumbers; ++r) {
        auto *number = new QTableWidgetItem(QString::number(r + 1));
        number->setFlags(Qt::ItemIsEnabled);
        number->setBackground(QPalette().color(QPalette::Button));
        SG1->setItem(r, 0, number);
        SG1->setItem(r, 1, new QTableWidgetItem(QString()));
    }
}

void TformPhones::CommitNumbers()
{
    static_cast<TPhoneGrid *>(SG1)->FinishEditor(true);
}

QString TformPhones::Number(int slot) const
{
    const QTableWidgetItem *item = SG1->item(slot, 1);
    return item ? item->text() : QString();
}

void TformPhones::SetNumber(int slot, const QString &text)
{
    if (QTableWidgetItem *item = SG1->item(slot, 1))
        item->setText(text);
    else
        SG1->setItem(slot, 1, new QTableWidgetItem(text));
}

void TformPhones::SetTimeEditEnabled(bool enabled)
{
    etTime->setEnabled(enabled);
    QPalette p = etTime->palette();
    p.setColor(QPalette::Base, QPalette().color(enabled ? QPalette::Base : QPalette::Button));
    etTime->setPalette(p);
}

void TformPhones::ApplyEnableRules()
{
    // Forcing rbDispOff re-enters through its toggled signal.
    if (m_applyingRules)
        return;
    m_applyingRules = true;
    const bool on = cbPhones->isChecked();
    if (!on)
        rbDispOff->setChecked(true);
    for (QRadioButton *rb : {rbDispOff, rbDispOn, rbDispOnTime})
        rb->setEnabled(on);
    SetTimeEditEnabled(on && rbDispOnTime->isChecked());
    m_applyingRules = false;
}

void TformPhones::cbPhonesClick()
{
    ApplyEnableRules();
}

void TformPhones::rbDispOffClick()
{
    SetTimeEditEnabled(false);
    ApplyEnableRules();
}

void TformPhones::rbDispOnClick()
{
    SetTimeEditEnabled(false);
    ApplyEnableRules();
}

void TformPhones::rbDispOnTimeClick()
{
    // Also when cbPhones is off, where the rules move the choice back to off.
    ApplyEnableRules();
}

void TformPhones::BeginRead()
{
    TformIncl::BeginRead();
    ResetGrid();
    ApplyEnableRules();
}

void TformPhones::BeginWrite()
{
    TformIncl::BeginWrite();
    CommitNumbers();
}

void TformPhones::SetDefaults()
{
    TformIncl::SetDefaults();
    ApplyEnableRules();
}

void TformPhones::LoadFromIni(TIniFile &ini)
{
    TformIncl::LoadFromIni(ini);
    static_cast<TPhoneGrid *>(SG1)->FinishEditor(false);
    for (int slot = 0; slot < kNumbers; ++slot)
        SetNumber(slot,
                  ini.ReadString(kIniSection, kIniKey + QString::number(slot + 1), QString()));
    ApplyEnableRules();
}

void TformPhones::SaveToIni(TIniFile &ini)
{
    TformIncl::SaveToIni(ini);
    CommitNumbers();
    for (int slot = 0; slot < kNumbers; ++slot)
        ini.WriteString(kIniSection, kIniKey + QString::number(slot + 1), Number(slot));
}

// ---- worker thread ----

void TformPhones::ReadPhones(TPageContext &ctx)
{
    TDevTrevalo &dev = *ctx.Dev;
    bool on = false;
    const bool enaOk = dev.ReadEnaing(on);
    ctx.MarkLabel(lbPhones, enaOk);
    if (enaOk)
        ctx.Out->PutBool(cbPhones, on);

    // Only a successful read fills a cell: an echo or an error text must
    // never become a stored number.
    bool allNumbers = true;
    for (int slot = 0; slot < kNumbers; ++slot) {
        QString text;
        if (dev.ReadIng(slot, text)) {
            ctx.Out->PutGridCell(SG1, text, slot, 1);
        } else {
            allNumbers = false;
            ctx.Memo(slotField(slot) + QStringLiteral(": не прочитан"));
        }
    }
    ctx.MarkLabel(Label1, allNumbers);

    int disp = 0;
    if (!dev.ReadDisp(disp)) {
        ctx.Memo(kDispField + QStringLiteral(": значение не прочитано"));
        return;
    }
    // The radio buttons' toggled handlers apply the enable rules as the
    // values arrive on the screen.
    if (disp == kDispOn) {
        ctx.Out->PutBool(rbDispOn, true);
    } else if (disp == kDispOff) {
        ctx.Out->PutBool(rbDispOff, true);
    } else if (PageIo::Fits(ctx, nullptr, etTime, QString::number(disp), kDispField)) {
        ctx.Out->PutBool(rbDispOnTime, true);
        ctx.Out->PutText(etTime, QString::number(disp));
    }
}

void TformPhones::WritePhones(TPageContext &ctx)
{
    using namespace PageIo;
    TDevTrevalo &dev = *ctx.Dev;

    const bool allEmpty = FromUi([this] {
        CommitNumbers();
        for (int slot = 0; slot < kNumbers; ++slot)
            if (!Number(slot).isEmpty())
                return false;
        return true;
    });
    if (allEmpty)
        RunOnUiThread([this] { cbPhones->setChecked(false); });
    ctx.MarkLabel(lbPhones, dev.WriteEnaing(Checked(cbPhones)));

    bool allNumbers = true;
    for (int slot = 0; slot < kNumbers; ++slot) {
        const QString text = FromUi([this, slot] {
            CommitNumbers();
            return Number(slot);
        });
        if (!TakeText(ctx, nullptr, slotField(slot), text, true)) {
            allNumbers = false;
            continue;
        }
        if (!dev.WriteIng(slot, text)) {
            allNumbers = false;
            ctx.Memo(slotField(slot) + QStringLiteral(": не записан"));
        }
    }
    ctx.MarkLabel(Label1, allNumbers);

    int disp = kDispOff;
    if (Checked(rbDispOn)) {
        disp = kDispOn;
    } else if (!Checked(rbDispOff)) {
        // The tracker reads 0 and 255 as "on permanently" and "off".
        const QString text = Text(etTime);
        if (!PageValues::ParseNumber(text, 1, 999, disp) || disp == kDispOff) {
            Refuse(ctx, nullptr, kDispField,
                   QStringLiteral("время \"%1\" не записано, нужно число минут от 1 до 999, "
                                  "кроме 255")
                       .arg(PageValues::Printable(text)));
            return;
        }
    }
    if (!dev.WriteDisp(disp))
        ctx.Memo(kDispField + QStringLiteral(": значение не записано"));
}
