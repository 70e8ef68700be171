#include "pages/fFlags.h"

#include <algorithm>

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "device/DevTrevalo.h"
#include "pages/PageExchange.h"
#include "session/OutArray.h"

namespace
{

const QString kInput1 = QStringLiteral("Вход 1");
const QString kInput2 = QStringLiteral("Вход 2");
const QString kBattery = QStringLiteral("Батарея разряжена");
constexpr int kRowHeight = 24;
constexpr int kCircleSize = 20;

class TFlagsGridDelegate : public QStyledItemDelegate
{
  public:
    TFlagsGridDelegate(TformFlags *page) : QStyledItemDelegate(page), m_page(page) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        m_page->StringGrid1DrawCell(painter, option.rect, index.row(), index.column());
    }

  private:
    TformFlags *m_page;
};

} // namespace

TformFlags::TformFlags(QWidget *parent)
    : TformIncl(QStringLiteral("formFlags"), QStringLiteral("Флаги"), parent)
{
    GroupBox1 = addGroupBox(QStringLiteral("GroupBox1"), QStringLiteral("Флаги"));
    auto *body = new QWidget(GroupBox1);
    body->setObjectName(QStringLiteral("FlagsBody"));
    body->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    m_layout = new QGridLayout(body);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setHorizontalSpacing(0);
    if (auto *form = qobject_cast<QFormLayout *>(GroupBox1->layout()))
        form->addRow(body);

    StringGrid1 = new QTableWidget(1, 3, body);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setEnabled(false);
    StringGrid1->setFrameShape(QFrame::NoFrame);
    StringGrid1->setShowGrid(false);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setRowHeight(0, kRowHeight);
    StringGrid1->setItemDelegate(new TFlagsGridDelegate(this));
    StringGrid1->viewport()->setAutoFillBackground(false);
    StringGrid1->setAccessibleName(QStringLiteral("Флаги"));
    StringGrid1->setItem(0, 0, new QTableWidgetItem(kInput1));
    StringGrid1->setItem(0, 1, new QTableWidgetItem(kInput2));
    StringGrid1->setItem(0, 2, new QTableWidgetItem(QString()));
    m_layout->addWidget(StringGrid1, 0, 1, 1, 3, Qt::AlignLeft);

    Label2 = new QLabel(QStringLiteral("Флаги событий (Срабатывание)"), body);
    Label2->setObjectName(QStringLiteral("Label2"));
    RegisterControl(Label2, TControlKind::ckLabel);
    shs1 = makeCircle(QStringLiteral("shs1"), Label2->text() + QStringLiteral(", ") + kInput1);
    shs2 = makeCircle(QStringLiteral("shs2"), Label2->text() + QStringLiteral(", ") + kInput2);
    sh = makeCircle(QStringLiteral("sh"), Label2->text() + QStringLiteral(", ") + kBattery);
    m_layout->addWidget(Label2, 1, 0);
    m_layout->addWidget(shs1, 1, 1, Qt::AlignCenter);
    m_layout->addWidget(shs2, 1, 2, Qt::AlignCenter);
    m_layout->addWidget(sh, 1, 3, Qt::AlignCenter);
    Label2->setBuddy(shs1);

    Label1 = new QLabel(QStringLiteral("Флаги событий (Восстановление)"), body);
    Label1->setObjectName(QStringLiteral("Label1"));
    RegisterControl(Label1, TControlKind::ckLabel);
    shv1 = makeCircle(QStringLiteral("shv1"), Label1->text() + QStringLiteral(", ") + kInput1);
    shv2 = makeCircle(QStringLiteral("shv2"), Label1->text() + QStringLiteral(", ") + kInput2);
    m_layout->addWidget(Label1, 2, 0);
    m_layout->addWidget(shv1, 2, 1, Qt::AlignCenter);
    m_layout->addWidget(shv2, 2, 2, Qt::AlignCenter);
    Label1->setBuddy(shv1);

    lbbtnRST = new QLabel(QStringLiteral("Сбросить флаги"), body);
    lbbtnRST->setObjectName(QStringLiteral("lbbtnRST"));
    RegisterControl(lbbtnRST, TControlKind::ckLabel);
    btnRST = new QPushButton(body);
    btnRST->setObjectName(QStringLiteral("btnRST"));
    btnRST->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    btnRST->setAccessibleName(lbbtnRST->text());
    btnRST->setToolTip(lbbtnRST->text());
    lbbtnRST->setBuddy(btnRST);
    m_layout->addWidget(lbbtnRST, 3, 0);
    m_layout->addWidget(btnRST, 3, 1, Qt::AlignLeft);
    m_layout->setColumnStretch(4, 1);
    connect(btnRST, &QPushButton::clicked, this, [this] { btnRSTClick(); });

    SetBatteryColumnShown(false);
}

TShape *TformFlags::makeCircle(const QString &name, const QString &accessibleName)
{
    auto *s = new TShape(StringGrid1->parentWidget());
    s->setObjectName(name);
    s->setFixedSize(kCircleSize, kCircleSize);
    s->setAccessibleName(accessibleName);
    return s;
}

void TformFlags::fitGrid()
{
    int width = 0;
    for (int c = 0; c < StringGrid1->columnCount(); ++c) {
        width += StringGrid1->columnWidth(c);
        // Circles stand under their columns.
        m_layout->setColumnMinimumWidth(c + 1, StringGrid1->columnWidth(c));
    }
    StringGrid1->setFixedSize(width, kRowHeight);
}

void TformFlags::SetBatteryColumnShown(bool shown)
{
    m_battery = shown;
    StringGrid1->item(0, 2)->setText(shown ? kBattery : QString());
    StringGrid1->setColumnWidth(0, kColumnWidth);
    StringGrid1->setColumnWidth(1, kColumnWidth);
    // The desktop font may be wider than the one the width was chosen for.
    const int batteryWidth =
        std::max(kBatteryColumnWidth, StringGrid1->fontMetrics().horizontalAdvance(kBattery) + 6);
    StringGrid1->setColumnWidth(2, shown ? batteryWidth : 0);
    sh->setVisible(shown);
    fitGrid();
}

void TformFlags::StringGrid1DrawCell(QPainter *painter, const QRect &rect, int row, int column)
{
    painter->fillRect(rect, StringGrid1->palette().color(QPalette::Window));
    const QTableWidgetItem *item = StringGrid1->item(row, column);
    if (!item)
        return;
    painter->setFont(font());
    painter->setPen(palette().color(QPalette::WindowText));
    painter->drawText(rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, item->text());
}

void TformFlags::AllCirclesWhite()
{
    for (TShape *s : {shs1, shv1, shs2, shv2, sh})
        s->setBrushColor(Qt::white);
}

void TformFlags::BeginRead()
{
    TformIncl::BeginRead();
    AllCirclesWhite();
}

void TformFlags::btnRSTClick()
{
    if (PostResetFlags && PostResetFlags())
        AllCirclesWhite();
}

// ---- worker thread ----

bool TformFlags::RunCommand(unsigned char code, TPageContext &ctx)
{
    if (code != wcResetFlags)
        return false;
    ResetFlags(ctx);
    return true;
}

void TformFlags::ReadFlags(TPageContext &ctx)
{
    TDevTrevalo::EventFlags f;
    // A failed read must not look like "no flag set": the row labels say so.
    const bool ok = ctx.Dev->ReadMflag(f);
    ctx.MarkLabel(Label2, ok);
    ctx.MarkLabel(Label1, ok);
    if (!ok)
        return;
    const QString lime = QStringLiteral("clLime");
    if (f.input1Triggered)
        ctx.Out->PutText(shs1, lime);
    if (f.input1Restored)
        ctx.Out->PutText(shv1, lime);
    if (f.input2Triggered)
        ctx.Out->PutText(shs2, lime);
    if (f.input2Restored)
        ctx.Out->PutText(shv2, lime);
    if (f.batteryDischarged)
        ctx.Out->PutText(sh, QStringLiteral("clRed"));
}

void TformFlags::ResetFlags(TPageContext &ctx)
{
    ctx.MarkLabel(lbbtnRST, ctx.Dev->ResetEventFlags());
}
