#include "pages/fEvents.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QEventLoop>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "device/DevTrevalo.h"
#include "link/ModemWorker.h"
#include "pages/PageExchange.h"
#include "pages/fGPRS.h"
#include "platform/IniFile.h"
#include "session/OutArray.h"

namespace
{

constexpr int kMinPeriod = 10;       // minutes
constexpr int kMaxPeriod = 7 * 1440; // a week
constexpr int kMinOnline = 2;        // minutes
constexpr int kMaxOnline = 1092;     // 0xFFF0 seconds
const char kDefaultAlarmNumber[] = "+79000000000";
const char kNotUsed[] = "Номер не используется";
const char kNothingSelected[] = "не выбрано значение, ничего не записано";

const QStringList &HoldTimes()
{
    static const QStringList items{
        QStringLiteral("1"),   QStringLiteral("1,5"), QStringLiteral("2"),
        QStringLiteral("2,5"), QStringLiteral("3"),   QStringLiteral("3,5"),
        QStringLiteral("4"),   QStringLiteral("4,5"), QStringLiteral("5")};
    return items;
}

const QStringList &FixTimes()
{
    static const QStringList items{QStringLiteral("до фиксации"), QStringLiteral("5 минут"),
                                   QStringLiteral("10 минут"), QStringLiteral("15 минут")};
    return items;
}

QString TwoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// A masked field's digits: the mask's blanks are dropped by text(), so a
// partly filled field reads like a number typed right-aligned; any other
// blank counts as "0".
bool FieldNumber(const QString &text, int &value)
{
    QString t = text;
    t.replace(QLatin1Char(' '), QLatin1Char('0'));
    if (t.isEmpty()) {
        value = 0;
        return true;
    }
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    if (t.size() > 9)
        return false;
    value = t.toInt();
    return true;
}

// Writes a text without moving the caret, so typing over a masked field
// goes on where it was.
void SetFieldText(QLineEdit *edit, const QString &text)
{
    if (edit->text() == text)
        return;
    const int pos = edit->cursorPosition();
    edit->setText(text);
    edit->setCursorPosition(pos);
}

QIcon PaintIcon(int image)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (image) {
    case 0: // not used: a struck-out circle
        p.setPen(QPen(QColor(150, 150, 150), 2));
        p.drawEllipse(QRectF(2, 2, 12, 12));
        p.drawLine(QPointF(4, 12), QPointF(12, 4));
        break;
    case 1: // alarm
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 40, 40));
        p.drawEllipse(QRectF(3, 3, 10, 10));
        break;
    case 2: // antenna
        p.setPen(QPen(QColor(60, 60, 60), 2));
        p.drawLine(QPointF(8, 3), QPointF(8, 14));
        p.drawArc(QRectF(3, 1, 10, 8), 30 * 16, 120 * 16);
        break;
    case 3: { // GSM data: two stacked bit rows
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 110, 200));
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 3; ++col)
                if ((row + col) % 2 == 0)
                    p.drawRect(QRectF(2 + col * 4.5, 3 + row * 6, 3, 4));
                else
                    p.drawEllipse(QRectF(2 + col * 4.5, 3 + row * 6, 3, 4));
        break;
    }
    case 4: { // voice: a handset
        QPainterPath path;
        path.moveTo(3, 5);
        path.cubicTo(3, 11, 7, 14, 12, 14);
        path.lineTo(13, 11);
        path.lineTo(10, 10);
        path.lineTo(9, 11);
        path.cubicTo(7, 10, 6, 9, 5, 7);
        path.lineTo(6, 6);
        path.lineTo(5, 3);
        path.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 140, 60));
        p.drawPath(path);
        break;
    }
    default: // SMS: an envelope
        p.setPen(QPen(QColor(170, 110, 20), 1.5));
        p.setBrush(QColor(255, 235, 170));
        p.drawRect(QRectF(1.5, 4, 13, 9));
        p.drawLine(QPointF(1.5, 4), QPointF(8, 9.5));
        p.drawLine(QPointF(14.5, 4), QPointF(8, 9.5));
        break;
    }
    return QIcon(pm);
}

// The open list draws its entries as menu items, which need more room than
// the closed box, yet it is only as wide as the box: this much keeps every
// caption whole.
int OpenListWidth(const QComboBox *list)
{
    const QAbstractItemView *view = list->view();
    const QFontMetrics fm = view->fontMetrics();
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.decorationSize = list->iconSize();
    int widest = 0;
    for (int i = 0; i < list->count(); ++i) {
        option.rect = QRect(0, 0, fm.horizontalAdvance(list->itemText(i)), fm.height());
        const QModelIndex index = list->model()->index(i, list->modelColumn());
        widest = std::max(widest, view->itemDelegate()->sizeHint(option, index).width());
    }
    return widest +
           2 * (view->frameWidth() + list->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
}

// Step 4 of the sleep-mode click runs even when an error cuts it short.
template <typename F> struct TFinally {
    F f;
    ~TFinally() { f(); }
};
template <typename F> TFinally(F) -> TFinally<F>;

} // namespace

const std::array<TDeliveryKind, 5> TformEvents::DeliveryKinds{{
    {kNotUsed, 0},
    {"Цифровой канал GSM", 3},
    {"SMS", 5},
    {"Голосовой звонок", 4},
    {"SMS в формате Zelmora", 5},
}};

TformEvents::AskFn TformEvents::AskHook = [](QWidget *parent, QMessageBox::Icon icon,
                                             const QString &title, const QString &text,
                                             QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
};

std::function<void(int)> TformEvents::WaitHook = [](int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
};

int TformEvents::KindPosition(const QString &caption)
{
    for (std::size_t i = 0; i < DeliveryKinds.size(); ++i)
        if (caption == QString::fromUtf8(DeliveryKinds[i].caption))
            return static_cast<int>(i) + 1;
    return 0;
}

const QList<QIcon> &TformEvents::ilTEL()
{
    static const QList<QIcon> icons = [] {
        QList<QIcon> list;
        for (int i = 0; i < 6; ++i)
            list << PaintIcon(i);
        return list;
    }();
    return icons;
}

// ---------------------------------------------------------------- construction

TformEvents::TformEvents(QWidget *parent)
    : TformIncl(QStringLiteral("formEvents"), QStringLiteral("Настройки событий, выходов"), parent)
{
    m_kindVisible.fill(true);

    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    static_cast<QBoxLayout *>(Content()->layout())->addLayout(top);
    BuildHistoryGroup();
    top->addWidget(gbHistoryEvents);
    BuildFlagGroup();
    top->addWidget(gbFlagEvents);
    top->addStretch(1);
    BuildModeGroup();
    BuildPhoneGroup();
    BuildSmsGroup();
    // Spare height stays below the groups instead of stretching them.
    static_cast<QBoxLayout *>(Content()->layout())->addStretch(1);

    m_uiStepInbox = new QLineEdit(this);
    m_uiStepInbox->setObjectName(QStringLiteral("UiStepInbox"));
    m_uiStepInbox->hide();
    connect(m_uiStepInbox, &QLineEdit::textChanged, this, &TformEvents::RunUiStep);

    RebuildKindLists(false);
    UpdateModeControls();
}

TformEvents::~TformEvents() = default;

namespace
{

QLabel *NewLabel(QWidget *parent, const QString &name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

void Bind(QLabel *label, QWidget *control, const QString &accessibleName = {})
{
    label->setBuddy(control);
    control->setAccessibleName(accessibleName.isEmpty() ? label->text().trimmed() : accessibleName);
}

QGroupBox *NewGroup(QWidget *parent, const QString &name, const QString &caption)
{
    auto *g = new QGroupBox(caption, parent);
    g->setObjectName(name);
    return g;
}

} // namespace

void TformEvents::BuildInputRows(QGroupBox *group, QLabel **heading, const char *headingName,
                                 std::initializer_list<TInputRow> rows)
{
    auto *g = new QGridLayout(group);
    *heading = NewLabel(group, QString::fromLatin1(headingName), QStringLiteral("Срабатывание"));
    RegisterControl(*heading, TControlKind::ckLabel);
    g->addWidget(*heading, 0, 1, Qt::AlignHCenter);
    int row = 1;
    for (const TInputRow &r : rows) {
        *r.label = NewLabel(group, QString::fromLatin1(r.labelName), QString::fromUtf8(r.caption));
        RegisterControl(*r.label, TControlKind::ckLabel);
        *r.box = new QCheckBox(group);
        (*r.box)->setObjectName(QString::fromLatin1(r.name));
        RegisterControl(*r.box, TControlKind::ckCheckBox, QStringLiteral("false"));
        Bind(*r.label, *r.box);
        (*r.box)->setAccessibleDescription(group->title().trimmed());
        g->addWidget(*r.label, row, 0);
        g->addWidget(*r.box, row, 1, Qt::AlignHCenter);
        ++row;
    }
    // Beside a taller group the rows stay under their heading.
    g->setRowStretch(row, 1);
}

void TformEvents::BuildHistoryGroup()
{
    gbHistoryEvents = NewGroup(Content(), QStringLiteral("gbHistoryEvents"),
                               QStringLiteral("События для записи в историю "));
    BuildInputRows(
        gbHistoryEvents, &lbSrab, "lbSrab",
        {{&lb2, "lb2", "Вход 1", &cbHS1, "cbHS1"}, {&lb4, "lb4", "Вход 2", &cbHS2, "cbHS2"}});
}

void TformEvents::BuildFlagGroup()
{
    gbFlagEvents =
        NewGroup(Content(), QStringLiteral("gbFlagEvents"), QStringLiteral("События для флагов"));
    BuildInputRows(gbFlagEvents, &lbSrab2, "lbSrab2",
                   {{&lb13, "lb13", "Вход 1", &cbFS1, "cbFS1"},
                    {&lb14, "lb14", "Вход 2", &cbFS2, "cbFS2"},
                    {&lbFS, "lbFS", "Батарея разряжена", &cbFS, "cbFS"}});
    lbFS->hide();
    cbFS->hide();
}

QLineEdit *TformEvents::MakePeriodField(const QString &name, const QString &defaultText,
                                        const QString &accessibleName)
{
    auto *e = new QLineEdit(gbModes);
    e->setObjectName(name);
    e->setInputMask(QStringLiteral("99;_"));
    e->setText(defaultText);
    e->setAlignment(Qt::AlignHCenter);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
    e->setAccessibleName(accessibleName);
    RegisterControl(e, TControlKind::ckMaskEdit, defaultText);
    return e;
}

void TformEvents::BuildModeGroup()
{
    gbModes = NewGroup(Content(), QStringLiteral("gbModes"), QStringLiteral("Режимы "));
    static_cast<QBoxLayout *>(Content()->layout())->addWidget(gbModes);
    auto *outer = new QVBoxLayout(gbModes);
    auto *upper = new QHBoxLayout;
    outer->addLayout(upper);

    auto *modes = new QGridLayout;
    modes->setHorizontalSpacing(4);
    upper->addLayout(modes);
    for (int i = 0; i < 5; ++i) {
        const QString n = QString::number(i + 1);
        lbrb[i] = NewLabel(gbModes, QStringLiteral("lbrb") + n, QStringLiteral("Режим ") + n);
        RegisterControl(lbrb[i], TControlKind::ckLabel);
        RadioButtons[i] = new QRadioButton(gbModes);
        RadioButtons[i]->setObjectName(QStringLiteral("RadioButton") + n);
        RegisterControl(RadioButtons[i], TControlKind::ckRadioButton,
                        i == 0 ? QStringLiteral("true") : QStringLiteral("false"));
        Bind(lbrb[i], RadioButtons[i]);
        modes->addWidget(RadioButtons[i], i, 0);
        modes->addWidget(lbrb[i], i, 1);
    }
    RadioButtons[0]->setChecked(true);
    lbrb1 = lbrb[0], lbrb2 = lbrb[1], lbrb3 = lbrb[2], lbrb4 = lbrb[3], lbrb5 = lbrb[4];
    RadioButton1 = RadioButtons[0], RadioButton2 = RadioButtons[1];
    RadioButton3 = RadioButtons[2], RadioButton4 = RadioButtons[3];
    RadioButton5 = RadioButtons[4];
    upper->addSpacing(16);

    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    upper->addLayout(form, 1);

    lbTimeBtn = NewLabel(gbModes, QStringLiteral("lbTimeBtn"),
                         QStringLiteral("Время удержания кнопки (сек.)"));
    RegisterControl(lbTimeBtn, TControlKind::ckLabel);
    cbTimeBtn = new QComboBox(gbModes);
    cbTimeBtn->setObjectName(QStringLiteral("cbTimeBtn"));
    cbTimeBtn->addItems(HoldTimes());
    cbTimeBtn->setCurrentIndex(0);
    RegisterControl(cbTimeBtn, TControlKind::ckComboBox, QStringLiteral("1"));
    Bind(lbTimeBtn, cbTimeBtn);
    form->addRow(lbTimeBtn, cbTimeBtn);

    const auto periodRow = [this, form](QLabel *&label, const QString &labelName,
                                        const QString &caption, const QString &base,
                                        QLineEdit *&days, QLineEdit *&hours, QLineEdit *&minutes,
                                        QLabel *&colon1, const QString &colon1Name, QLabel *&colon2,
                                        const QString &colon2Name) {
        label = NewLabel(gbModes, labelName, caption);
        RegisterControl(label, TControlKind::ckLabel);
        auto *row = new QWidget(gbModes);
        row->setObjectName(QStringLiteral("pn") + base);
        auto *h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(2);
        days = MakePeriodField(base + QLatin1Char('S'), QStringLiteral("00"),
                               caption + QStringLiteral(", сутки"));
        colon1 = NewLabel(row, colon1Name, QStringLiteral(":"));
        RegisterControl(colon1, TControlKind::ckLabel);
        hours = MakePeriodField(base + QLatin1Char('H'), QStringLiteral("00"),
                                caption + QStringLiteral(", часы"));
        colon2 = NewLabel(row, colon2Name, QStringLiteral(":"));
        RegisterControl(colon2, TControlKind::ckLabel);
        minutes = MakePeriodField(base + QLatin1Char('M'), QStringLiteral("10"),
                                  caption + QStringLiteral(", минуты"));
        for (QWidget *w : {static_cast<QWidget *>(days), static_cast<QWidget *>(colon1),
                           static_cast<QWidget *>(hours), static_cast<QWidget *>(colon2),
                           static_cast<QWidget *>(minutes)}) {
            w->setParent(row);
            h->addWidget(w);
        }
        h->addStretch(1);
        label->setBuddy(days);
        form->addRow(label, row);
    };
    periodRow(lbetPeriodgsm, QStringLiteral("lbetPeriodgsm"),
              QStringLiteral("Период выхода устройства в GPRS (сут:чч:мм)"),
              QStringLiteral("etPeriodgsm"), etPeriodgsmS, etPeriodgsmH, etPeriodgsmM, Label1,
              QStringLiteral("Label1"), Label2, QStringLiteral("Label2"));
    periodRow(lbetPeriodgps, QStringLiteral("lbetPeriodgps"),
              QStringLiteral("Период фиксации координат (сут:чч:мм)"),
              QStringLiteral("etPeriodgps"), etPeriodgpsS, etPeriodgpsH, etPeriodgpsM, Label3,
              QStringLiteral("Label3"), Label4, QStringLiteral("Label4"));

    lbetActivetime = NewLabel(gbModes, QStringLiteral("lbetActivetime"),
                              QStringLiteral("Максимальное время для GPS фиксации"));
    RegisterControl(lbetActivetime, TControlKind::ckLabel);
    cbActivetime = new QComboBox(gbModes);
    cbActivetime->setObjectName(QStringLiteral("cbActivetime"));
    cbActivetime->addItems(FixTimes());
    cbActivetime->setCurrentIndex(0);
    RegisterControl(cbActivetime, TControlKind::ckComboBox, QStringLiteral("до фиксации"));
    Bind(lbetActivetime, cbActivetime);
    form->addRow(lbetActivetime, cbActivetime);

    lbGPRSTime = NewLabel(gbModes, QStringLiteral("lbGPRSTime"),
                          QStringLiteral("Время на связи (от 2 до 1092 мин.)"));
    RegisterControl(lbGPRSTime, TControlKind::ckLabel);
    meGPRSTime = new QLineEdit(gbModes);
    meGPRSTime->setObjectName(QStringLiteral("meGPRSTime"));
    meGPRSTime->setInputMask(QStringLiteral("9999;_"));
    meGPRSTime->setText(QStringLiteral("0002"));
    meGPRSTime->setAlignment(Qt::AlignHCenter);
    meGPRSTime->setFixedWidth(meGPRSTime->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                              12);
    RegisterControl(meGPRSTime, TControlKind::ckMaskEdit, QStringLiteral("0002"));
    Bind(lbGPRSTime, meGPRSTime);
    form->addRow(lbGPRSTime, meGPRSTime);

    GroupBox1 = NewGroup(gbModes, QStringLiteral("GroupBox1"), QStringLiteral("Установка режима"));
    outer->addWidget(GroupBox1);
    auto *sleepLayout = new QVBoxLayout(GroupBox1);
    auto *group = new QButtonGroup(GroupBox1);
    group->setObjectName(QStringLiteral("SleepButtonGroup"));
    group->setExclusive(true);
    const struct {
        QToolButton **button;
        const char *name;
        const char *caption;
        const char *defaultText;
    } sleep[] = {
        {&btnDontsleep00, "btnDontsleep00", "Дежурный режим", "false"},
        {&btnDontsleepF0, "btnDontsleepF0", "Дежурный режим без постоянной фиксации", "true"},
        {&btnDontsleep0F, "btnDontsleep0F", "Спящий режим с постоянной фиксацией", "false"},
        {&btnDontsleepFF, "btnDontsleepFF", "Спящий режим без постоянной фиксации", "false"},
    };
    for (const auto &s : sleep) {
        auto *b = new QToolButton(GroupBox1);
        const QString caption = QString::fromUtf8(s.caption);
        b->setObjectName(QString::fromLatin1(s.name));
        b->setText(caption);
        b->setToolTip(caption);
        b->setAccessibleName(caption);
        b->setCheckable(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        group->addButton(b);
        // A pressed-in button alone is hard to tell from the others.
        connect(b, &QToolButton::toggled, b, [b](bool down) {
            QFont f = b->font();
            f.setBold(down);
            b->setFont(f);
        });
        const QString def = QString::fromLatin1(s.defaultText);
        if (BoolFromText(def).value_or(false))
            b->setChecked(true);
        RegisterControl(b, TControlKind::ckSpeedButton, def);
        sleepLayout->addWidget(b);
        *s.button = b;
        connect(b, &QToolButton::clicked, this, [this] { btnDontsleep00Click(); });
    }

    // Hidden until the connected firmware offers them.
    for (QWidget *w : std::initializer_list<QWidget *>{
             lbrb3,     RadioButton3,  lbrb4,          RadioButton4, lbrb5,        RadioButton5,
             lbTimeBtn, cbTimeBtn,     lbetPeriodgsm,  etPeriodgsmS, etPeriodgsmH, etPeriodgsmM,
             Label1,    Label2,        lbetPeriodgps,  etPeriodgpsS, etPeriodgpsH, etPeriodgpsM,
             Label3,    Label4,        lbetActivetime, cbActivetime, lbGPRSTime,   meGPRSTime,
             GroupBox1, btnDontsleep00})
        w->hide();

    connect(RadioButton1, &QRadioButton::toggled, this, [this] { RadioButton1Click(); });
    connect(RadioButton2, &QRadioButton::toggled, this, [this] { RadioButton2Click(); });
    connect(RadioButton3, &QRadioButton::toggled, this, [this] { RadioButton3Click(); });
    connect(RadioButton4, &QRadioButton::toggled, this, [this] { RadioButton4Click(); });
    connect(RadioButton5, &QRadioButton::toggled, this, [this] { lbrb5Click(); });
    lbrb5->installEventFilter(this);
    for (QLineEdit *e : {etPeriodgsmS, etPeriodgsmH, etPeriodgsmM})
        connect(e, &QLineEdit::textChanged, this, [this] { etPeriodgsmSChange(); });
    for (QLineEdit *e : {etPeriodgpsS, etPeriodgpsH, etPeriodgpsM})
        connect(e, &QLineEdit::textChanged, this, [this] { etPeriodgpsSChange(); });
    connect(meGPRSTime, &QLineEdit::textChanged, this, [this] { meGPRSTimeChange(); });
    for (QLineEdit *e : {etPeriodgsmS, etPeriodgsmH, etPeriodgsmM, etPeriodgpsS, etPeriodgpsH,
                         etPeriodgpsM, meGPRSTime})
        e->installEventFilter(this);
}

void TformEvents::BuildPhoneGroup()
{
    gbPhones = NewGroup(Content(), QStringLiteral("gbPhones"),
                        QStringLiteral("Телефоны приема тревожных сообщений"));
    static_cast<QBoxLayout *>(Content()->layout())->addWidget(gbPhones);
    auto *g = new QGridLayout(gbPhones);
    const struct {
        QLabel **label;
        const char *labelName;
        const char *caption;
        QLineEdit **phone;
        const char *phoneName;
        QComboBox **kinds;
        const char *kindsName;
    } rows[] = {{&lbp1, "lbp1", "1", &etPhone1, "etPhone1", &cb1, "cb1"},
                {&lbp2, "lbp2", "2", &etPhone2, "etPhone2", &cb2, "cb2"}};
    int row = 0;
    for (const auto &r : rows) {
        const QString caption = QString::fromUtf8(r.caption);
        *r.label = NewLabel(gbPhones, QString::fromLatin1(r.labelName), caption);
        RegisterControl(*r.label, TControlKind::ckLabel);
        *r.phone = new QLineEdit(QString::fromLatin1(kDefaultAlarmNumber), gbPhones);
        (*r.phone)->setObjectName(QString::fromLatin1(r.phoneName));
        (*r.phone)->setMaxLength(30);
        (*r.phone)->setMinimumWidth(
            (*r.phone)->fontMetrics().horizontalAdvance(QStringLiteral("+700000000000000")) + 12);
        RegisterControl(*r.phone, TControlKind::ckEdit, QString::fromLatin1(kDefaultAlarmNumber));
        Bind(*r.label, *r.phone);
        (*r.phone)->setAccessibleDescription(gbPhones->title());
        *r.kinds = new QComboBox(gbPhones);
        (*r.kinds)->setObjectName(QString::fromLatin1(r.kindsName));
        (*r.kinds)->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        RegisterControl(*r.kinds, TControlKind::ckComboBoxEx, QStringLiteral("0"));
        // No label of its own: the screen reader names it after its number.
        (*r.kinds)->setAccessibleName(QStringLiteral("Вид оповещения ") + caption);
        g->addWidget(*r.label, row, 0);
        g->addWidget(*r.phone, row, 1);
        g->addWidget(*r.kinds, row, 2);
        connect(*r.kinds, &QComboBox::activated, this, [this] { cb1Change(); });
        ++row;
    }
    pnLogic = new QWidget(gbPhones);
    pnLogic->setObjectName(QStringLiteral("pnLogic"));
    auto *h = new QHBoxLayout(pnLogic);
    h->setContentsMargins(0, 0, 0, 0);
    num1rb1 = new QRadioButton(QStringLiteral("И"), pnLogic);
    num1rb1->setObjectName(QStringLiteral("num1rb1"));
    RegisterControl(num1rb1, TControlKind::ckRadioButton);
    num1rb2 = new QRadioButton(QStringLiteral("Или"), pnLogic);
    num1rb2->setObjectName(QStringLiteral("num1rb2"));
    num1rb2->setChecked(true);
    RegisterControl(num1rb2, TControlKind::ckRadioButton);
    h->addWidget(num1rb1);
    h->addWidget(num1rb2);
    h->addStretch(1);
    g->addWidget(pnLogic, row, 1, 1, 2);
    g->setColumnStretch(3, 1);
}

void TformEvents::BuildSmsGroup()
{
    gbSMS = NewGroup(Content(), QStringLiteral("gbSMS"), QStringLiteral("SMS"));
    static_cast<QBoxLayout *>(Content()->layout())->addWidget(gbSMS);
    auto *h = new QHBoxLayout(gbSMS);
    lbSendSMS =
        NewLabel(gbSMS, QStringLiteral("lbSendSMS"), QStringLiteral("Отправлять SMS в GPRS"));
    RegisterControl(lbSendSMS, TControlKind::ckLabel);
    cbSendSMS = new QCheckBox(gbSMS);
    cbSendSMS->setObjectName(QStringLiteral("cbSendSMS"));
    RegisterControl(cbSendSMS, TControlKind::ckCheckBox, QStringLiteral("false"));
    Bind(lbSendSMS, cbSendSMS);
    h->addWidget(lbSendSMS);
    h->addWidget(cbSendSMS);
    h->addStretch(1);
}

bool TformEvents::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving a period or on-line field completes what was typed in it.
    if (event->type() == QEvent::FocusOut &&
        (watched == etPeriodgsmS || watched == etPeriodgsmH || watched == etPeriodgsmM ||
         watched == etPeriodgpsS || watched == etPeriodgpsH || watched == etPeriodgpsM ||
         watched == meGPRSTime))
        CommitTypedFields();
    // The label of mode 5 refreshes the mode controls without selecting the mode.
    if (watched == lbrb5 && event->type() == QEvent::MouseButtonRelease)
        lbrb5Click();
    return TformIncl::eventFilter(watched, event);
}

// ---------------------------------------------------------------- wiring

void TformEvents::AttachGprsPage(TformGPRS *gprs)
{
    m_gprs = gprs;
    if (!gprs)
        return;
    connect(gprs, &TformGPRS::GprsSwitched, this, &TformEvents::GprsSwitchChanged);
    GprsSwitchChanged(gprs->cbGPRS->isChecked());
}

void TformEvents::GprsSwitchChanged(bool on)
{
    m_gprsOn = on;
    ApplyEnabledStates();
    RebuildKindLists(on);
}

bool TformEvents::GprsOn() const
{
    return m_gprsOn;
}

bool TformEvents::Connected() const
{
    return IsConnected && IsConnected();
}

bool TformEvents::ConnectedAtLeast(int minor) const
{
    return ConnectedAtLeast600 && ConnectedAtLeast600(minor);
}

void TformEvents::SetBusy(bool busy)
{
    m_busy = busy;
    ApplyEnabledStates();
}

// ---------------------------------------------------------------- delivery kinds

bool TformEvents::KindVisible(int n) const
{
    return n >= 1 && n <= 5 && m_kindVisible[n];
}

void TformEvents::SetKindVisible(int n, bool on)
{
    if (n < 1 || n > 5)
        return;
    m_kindVisible[n] = on;
    RebuildKindLists(GprsOn());
}

void TformEvents::FillKindLists()
{
    for (QComboBox *list : {cb1, cb2}) {
        list->clear();
        for (int n = 1; n <= 5; ++n)
            if (m_kindVisible[n]) {
                const TDeliveryKind &k = DeliveryKinds[n - 1];
                list->addItem(ilTEL().value(k.image), QString::fromUtf8(k.caption));
            }
        list->setMinimumWidth(OpenListWidth(list));
    }
}

void TformEvents::RebuildKindLists(bool gprsOn)
{
    const auto selected = [](const QComboBox *list) {
        return list->count() > 0 && list->currentIndex() >= 0 ? list->currentText()
                                                              : QString::fromUtf8(kNotUsed);
    };
    const QString kind1 = selected(cb1);
    const QString kind2 = selected(cb2);
    if (gprsOn) {
        m_kindVisible[2] = m_kindVisible[4] = false;
        gbSMS->setVisible(true);
        if (cb1->currentIndex() > 0 || cb2->currentIndex() > 0)
            cbSendSMS->setChecked(true);
    } else {
        m_kindVisible[2] = m_kindVisible[4] = true;
        gbSMS->setVisible(false);
        cbSendSMS->setChecked(false);
    }
    FillKindLists();
    SelectKind(cb1, kind1);
    SelectKind(cb2, kind2);
}

void TformEvents::SelectKind(QComboBox *list, const QString &caption)
{
    const int found = list->findText(caption, Qt::MatchExactly);
    list->setCurrentIndex(found >= 0 ? found : 0);
}

void TformEvents::cb1Change()
{
    if (GprsOn() && (cb1->currentIndex() > 0 || cb2->currentIndex() > 0))
        cbSendSMS->setChecked(true);
}

void TformEvents::BlankUnusedPhone(QLineEdit *phone, QComboBox *kinds)
{
    if (!phone->text().trimmed().isEmpty())
        return;
    kinds->setCurrentIndex(0);
    phone->setText(QStringLiteral(" "));
}

// ---------------------------------------------------------------- page operations

void TformEvents::SetDefaults()
{
    TformIncl::SetDefaults();
    // The rebuild sees the kinds chosen before the defaults: with GPRS on, a
    // used number ticks "send SMS" as a switch of GPRS would.
    RebuildKindLists(GprsOn());
    cb1->setCurrentIndex(0);
    cb2->setCurrentIndex(0);
    UpdateModeControls();
}

void TformEvents::BeginWrite()
{
    TformIncl::BeginWrite();
    CommitTypedFields();
    BlankUnusedPhone(etPhone1, cb1);
    BlankUnusedPhone(etPhone2, cb2);
}

void TformEvents::LoadFromIni(TIniFile &ini)
{
    TformIncl::LoadFromIni(ini);
    for (int n = 1; n <= 5; ++n)
        m_kindVisible[n] = ini.ReadBool(PageName(), QStringLiteral("l_vis%1").arg(n), true);
    // Kind 5 is the connected tracker's business, never the file's.
    m_kindVisible[5] = ConnectedAtLeast(62);
    RebuildKindLists(GprsOn());
    // Modes the connected tracker does not know (or all three with no
    // tracker) fall back to mode 1.
    const int mode = SelectedMode();
    if ((mode == 3 || mode == 4) && !ConnectedAtLeast(27))
        SelectMode(1);
    else if (mode == 5 && !ConnectedAtLeast(58))
        SelectMode(1);
    UpdateModeControls();
}

void TformEvents::SaveToIni(TIniFile &ini)
{
    CommitTypedFields();
    TformIncl::SaveToIni(ini);
    for (int n = 1; n <= 5; ++n)
        ini.WriteBool(PageName(), QStringLiteral("l_vis%1").arg(n), m_kindVisible[n]);
}

// ---------------------------------------------------------------- modes

int TformEvents::SelectedMode() const
{
    int mode = 0;
    for (int i = 0; i < 5; ++i)
        if (RadioButtons[i]->isChecked())
            mode = i + 1;
    return mode;
}

void TformEvents::LeaveHiddenModes()
{
    const int mode = SelectedMode();
    if (mode > 1 && RadioButtons[mode - 1]->isHidden())
        SelectMode(1);
}

void TformEvents::SelectMode(int mode)
{
    if (mode >= 1 && mode <= 5)
        RadioButtons[mode - 1]->setChecked(true);
}

std::array<bool, 4> TformEvents::SleepStates() const
{
    std::array<bool, 4> states{};
    const auto buttons = SleepButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        states[i] = buttons[i]->isChecked();
    return states;
}

void TformEvents::ApplyEnabledStates()
{
    const int mode = SelectedMode();
    const bool hold = mode == 3 || mode == 5;
    lbTimeBtn->setEnabled(hold);
    cbTimeBtn->setEnabled(hold);

    const bool mode5 = mode == 5;
    const bool standby = btnDontsleep00->isChecked() || btnDontsleepF0->isChecked();
    const bool gsmPeriod = mode5 && !standby;
    const bool online = gsmPeriod && !GprsOn();
    const bool fixTime = mode5 && !btnDontsleep0F->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{lbetPeriodgsm, etPeriodgsmS, etPeriodgsmH, etPeriodgsmM})
        w->setEnabled(gsmPeriod);
    for (QWidget *w :
         std::initializer_list<QWidget *>{lbetPeriodgps, etPeriodgpsS, etPeriodgpsH, etPeriodgpsM,
                                          Label1, Label2, Label3, Label4})
        w->setEnabled(mode5);
    for (QToolButton *b : SleepButtons())
        b->setEnabled(mode5 && !m_busy);
    lbetActivetime->setEnabled(fixTime);
    cbActivetime->setEnabled(fixTime);
    lbGPRSTime->setEnabled(online);
    meGPRSTime->setEnabled(online);
}

void TformEvents::UpdateModeControls()
{
    ApplyEnabledStates();
    PreviousSleepButtons = SleepStates();
    etPeriodgpsSChange();
}

TformEvents::TPeriod TformEvents::NormalizePeriod(const QString &days, const QString &hours,
                                                  const QString &minutes)
{
    TPeriod p;
    int d = 0, h = 0, m = 0;
    if (!FieldNumber(days, d) || !FieldNumber(hours, h) || !FieldNumber(minutes, m))
        return p; // 00:00:10
    m = std::min(m, 59);
    h = std::min(h, 23);
    const long long total = 1440LL * d + 60LL * h + m;
    if (total < kMinPeriod)
        return p;
    if (total > kMaxPeriod) {
        p.days = 7;
        p.hours = p.minutes = 0;
        return p;
    }
    p.days = d;
    p.hours = h;
    p.minutes = m;
    return p;
}

bool TformEvents::BeingTyped(const QLineEdit *field)
{
    // Until the user has filled every digit place or left the field, the
    // digits typed so far stay as they are: rewriting them would put the
    // next key in the wrong place.
    return field->hasFocus() && !field->hasAcceptableInput() && !m_committing;
}

void TformEvents::NormalizePeriodFields(QLineEdit *days, QLineEdit *hours, QLineEdit *minutes)
{
    // Writing a field calls this again; one pass already gives the normal form.
    if (m_normalizing || BeingTyped(days) || BeingTyped(hours) || BeingTyped(minutes))
        return;
    m_normalizing = true;
    const TPeriod p = NormalizePeriod(days->text(), hours->text(), minutes->text());
    SetFieldText(hours, TwoDigits(p.hours));
    SetFieldText(minutes, TwoDigits(p.minutes));
    SetFieldText(days, TwoDigits(p.days));
    m_normalizing = false;
}

void TformEvents::etPeriodgsmSChange()
{
    NormalizePeriodFields(etPeriodgsmS, etPeriodgsmH, etPeriodgsmM);
}

void TformEvents::etPeriodgpsSChange()
{
    NormalizePeriodFields(etPeriodgpsS, etPeriodgpsH, etPeriodgpsM);
}

int TformEvents::NormalizeOnlineMinutes(const QString &text)
{
    int n = 0;
    if (!FieldNumber(text, n))
        n = 0;
    return std::clamp(n, kMinOnline, kMaxOnline);
}

void TformEvents::meGPRSTimeChange()
{
    if (BeingTyped(meGPRSTime))
        return;
    SetFieldText(meGPRSTime, QStringLiteral("%1").arg(NormalizeOnlineMinutes(meGPRSTime->text()), 4,
                                                      10, QLatin1Char('0')));
}

void TformEvents::CommitTypedFields()
{
    m_committing = true;
    etPeriodgsmSChange();
    etPeriodgpsSChange();
    meGPRSTimeChange();
    m_committing = false;
}

QString TformEvents::GprsPeriodText() const
{
    const auto number = [](const QLineEdit *e) {
        int n = 0;
        return FieldNumber(e->text(), n) ? QString::number(n) : e->text();
    };
    const QString minutes = number(etPeriodgsmM) + QStringLiteral(" мин.");
    const QString hours = number(etPeriodgsmH) + QStringLiteral(" час. ") + minutes;
    if (etPeriodgsmS->text() != QLatin1String("00"))
        return number(etPeriodgsmS) + QStringLiteral(" сут. ") + hours;
    if (etPeriodgsmH->text() != QLatin1String("00"))
        return hours;
    return minutes;
}

QToolButton *TformEvents::SleepButtonForReply(const QString &reply) const
{
    return SleepButtons()[static_cast<std::size_t>(TDevTrevalo::DecodeDontsleep(reply))];
}

void TformEvents::RestoreSleepButtons(const std::array<bool, 4> &states)
{
    // In an exclusive group only putting a button down moves the others up.
    const auto buttons = SleepButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (states[i])
            buttons[i]->setChecked(true);
}

void TformEvents::btnDontsleep00Click()
{
    const std::array<bool, 4> before = PreviousSleepButtons;
    for (QToolButton *b : SleepButtons())
        b->setEnabled(false);
    bool waitCursor = false;
    TFinally done{[this, &waitCursor] {
        QCoreApplication::processEvents();
        UpdateModeControls();
        if (waitCursor)
            QApplication::restoreOverrideCursor();
    }};
    if (!Connected())
        return; // the choice stays and is saved with the page
    const bool toSleep = btnDontsleepFF->isChecked() && (before[0] || before[1] || before[3]);
    if (toSleep) {
        const bool agreed =
            AskHook(window(), QMessageBox::Question, QStringLiteral("Подтверждение"),
                    QStringLiteral("Вы уверены, что хотите перевести устройство в спящий режим?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) == QMessageBox::Yes &&
            AskHook(window(), QMessageBox::Warning, QStringLiteral("Предупреждение"),
                    QStringLiteral("ВНИМАНИЕ! Устройство не будет доступно в течение ") +
                        GprsPeriodText() + QStringLiteral(" !"),
                    QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok &&
            AskHook(window(), QMessageBox::Question, QStringLiteral("Подтверждение"),
                    QStringLiteral("Точно?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel) == QMessageBox::Yes;
        if (!agreed) {
            RestoreSleepButtons(before);
            return;
        }
        repaint();
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    waitCursor = true;
    m_sentFrom = before;
    m_sentFromKnown = true;
    if (PostCommand && PostCommand(wcWriteSleepMode))
        WaitHook(1000);
    else
        m_sentFromKnown = false;
}

void TformEvents::ApplyOperatingMode()
{
    if (!ConnectedAtLeast(58))
        return;
    const int mode = Operating.OperatingMode;
    const QString reply = Operating.SleepReply;
    // A mode byte above 4 names no button.
    if (mode < 1 || mode > 5 || reply.isEmpty())
        return;
    SelectMode(mode);
    SleepButtonForReply(reply)->setChecked(true);
    UpdateModeControls();
}

// ---------------------------------------------------------------- UI steps in queue order

void TformEvents::QueueUiStep(TOutArray *out, std::function<void()> fn)
{
    // The queue carries only texts for controls; the hidden edit turns the
    // arrival of its text into the step, after everything queued before.
    unsigned serial = 0;
    {
        std::lock_guard<std::mutex> lock(m_stepsLock);
        m_steps.push_back(std::move(fn));
        serial = ++m_stepSerial;
    }
    out->PutText(m_uiStepInbox, QString::number(serial));
}

void TformEvents::RunUiStep(const QString &token)
{
    if (token.isEmpty())
        return;
    std::function<void()> fn;
    {
        std::lock_guard<std::mutex> lock(m_stepsLock);
        if (m_steps.empty())
            return;
        fn = std::move(m_steps.front());
        m_steps.pop_front();
    }
    m_uiStepInbox->clear();
    fn();
}

// ---------------------------------------------------------------- worker thread

bool TformEvents::RunCommand(unsigned char code, TPageContext &ctx)
{
    if (code != wcWriteSleepMode)
        return false;
    SendSleepMode(ctx);
    return true;
}

void TformEvents::ReadEvents(TPageContext &ctx)
{
    TDevTrevalo &dev = *ctx.Dev;
    TOutArray &out = *ctx.Out;

    bool gprsOn = false;
    bool ok = dev.ReadGprsena(gprsOn);
    if (m_gprs) {
        ctx.MarkLabel(m_gprs->lbcb, ok);
        if (ok)
            out.PutBool(m_gprs->cbGPRS, gprsOn);
    }

    bool in1 = false, in2 = false;
    ok = dev.ReadZact(in1, in2);
    ctx.MarkLabel(lbSrab, ok);
    if (ok) {
        out.PutBool(cbHS1, in1);
        out.PutBool(cbHS2, in2);
    }

    TDevTrevalo::FlagAct flags;
    ok = dev.ReadFlagact(flags);
    ctx.MarkLabel(lbSrab2, ok);
    if (ok) {
        out.PutBool(cbFS1, flags.input1);
        out.PutBool(cbFS2, flags.input2);
        if (ctx.AtLeast600(27))
            out.PutBool(cbFS, flags.battery);
        for (int n = 1; n <= 5; ++n)
            out.PutBool(RadioButtons[n - 1], flags.mode == n);
    }

    const auto readPhone = [&](int slot, QLabel *label, QLineEdit *edit) {
        QString phone;
        if (!dev.ReadAlphon(slot, phone)) {
            ctx.MarkLabel(label, false);
            return false;
        }
        if (!PageIo::Fits(ctx, label, edit, phone))
            return false;
        ctx.MarkLabel(label, true);
        out.PutText(edit, phone);
        return true;
    };
    const bool ok1 = readPhone(0, lbp1, etPhone1);
    const bool ok2 = readPhone(1, lbp2, etPhone2);

    TDevTrevalo::AlarmLogic logic;
    ok = dev.ReadAllogic(logic);
    // A number that failed to arrive keeps its red label.
    ctx.MarkLabel(lbp1, ok && ok1);
    ctx.MarkLabel(lbp2, ok && ok2);
    if (ok) {
        out.PutBool(num1rb1, logic.andChoice);
        out.PutBool(num1rb2, !logic.andChoice);
        // The lists are rebuilt when the switch queued above is applied, so
        // the captions are looked up then.
        const QString kind1 = QString::fromUtf8(DeliveryKinds[logic.kind1].caption);
        const QString kind2 = QString::fromUtf8(DeliveryKinds[logic.kind2].caption);
        QueueUiStep(&out, [this, kind1, kind2] {
            for (auto [list, caption] : {std::pair{cb1, kind1}, std::pair{cb2, kind2}}) {
                const int found = list->count() > 0 && list->currentIndex() >= 0
                                      ? list->findText(caption, Qt::MatchExactly)
                                      : -1;
                list->setCurrentIndex(found >= 0 ? found : 0);
            }
        });
    }

    if (ctx.AtLeast600(38)) {
        int index = -1;
        ok = dev.ReadPresstime(index) && index >= 0 && index < HoldTimes().size();
        ctx.MarkLabel(lbTimeBtn, ok);
        if (ok)
            out.PutNumber(cbTimeBtn, index);
    }

    if (ctx.AtLeast600(58)) {
        ReadSleepMode(ctx);
        const struct {
            bool (TDevTrevalo::*read)(int &);
            QLabel *label;
            QLineEdit *days, *hours, *minutes;
        } periods[] = {
            {&TDevTrevalo::ReadPeriodgsm, lbetPeriodgsm, etPeriodgsmS, etPeriodgsmH, etPeriodgsmM},
            {&TDevTrevalo::ReadPeriodgps, lbetPeriodgps, etPeriodgpsS, etPeriodgpsH, etPeriodgpsM},
        };
        for (const auto &p : periods) {
            int minutes = 0;
            ok = (dev.*p.read)(minutes);
            // A period the fields would show changed is no value to write back.
            if (ok && !PageIo::InRange(ctx, p.label, QString::number(minutes), minutes, kMinPeriod,
                                       kMaxPeriod))
                continue;
            ctx.MarkLabel(p.label, ok);
            if (ok) {
                out.PutText(p.days, TwoDigits(minutes / 1440));
                out.PutText(p.hours, TwoDigits(minutes % 1440 / 60));
                out.PutText(p.minutes, TwoDigits(minutes % 60));
            }
        }
        QString code;
        int index = -1;
        ok = dev.ReadActivetime(code) && TDevTrevalo::DecodeActivetime(code, index);
        ctx.MarkLabel(lbetActivetime, ok);
        if (ok)
            out.PutNumber(cbActivetime, index);
        int seconds = 0;
        ok = dev.ReadActivegsm(seconds);
        if (ok && !PageIo::InRange(ctx, lbGPRSTime, QString::number(seconds / 60), seconds / 60,
                                   kMinOnline, kMaxOnline))
            ok = false;
        else
            ctx.MarkLabel(lbGPRSTime, ok);
        if (ok)
            out.PutText(meGPRSTime, QString::number(seconds / 60));
    }

    bool sms = false;
    ok = dev.ReadGprssms(sms);
    ctx.MarkLabel(lbSendSMS, ok);
    if (ok)
        out.PutBool(cbSendSMS, sms);
}

void TformEvents::ReadSleepMode(TPageContext &ctx)
{
    QString reply;
    if (!ctx.Dev->ReadDontsleep(reply))
        return;
    ctx.Out->PutText(SleepButtonForReply(reply), QStringLiteral("true"));
    QueueUiStep(ctx.Out, [this] { UpdateModeControls(); });
}

void TformEvents::WriteEvents(TPageContext &ctx)
{
    using namespace PageIo;
    TDevTrevalo &dev = *ctx.Dev;

    ctx.MarkLabel(lbSrab, dev.WriteZact(Checked(cbHS1), Checked(cbHS2)));

    TDevTrevalo::FlagAct flags;
    flags.input1 = Checked(cbFS1);
    flags.input2 = Checked(cbFS2);
    flags.battery = ctx.AtLeast600(27) && Checked(cbFS);
    int mode = FromUi([this] { return SelectedMode(); });
    if (mode == 0) {
        // A read outside 1 to 5 left no button selected.
        const int last = Operating.OperatingMode;
        mode = last >= 1 && last <= 5 ? last : 1;
    }
    flags.mode = mode;
    Operating.OperatingMode = mode;
    ctx.MarkLabel(lbSrab2, dev.WriteFlagact(flags));

    const struct {
        int slot;
        QLineEdit *edit;
        QLabel *label;
        const char *field;
    } phones[] = {{0, etPhone1, lbp1, "Телефон 1"}, {1, etPhone2, lbp2, "Телефон 2"}};
    bool phoneOk[2] = {false, false};
    for (const auto &p : phones) {
        const QString text = Text(p.edit);
        if (TakeText(ctx, p.label, QString::fromUtf8(p.field), text, false)) {
            phoneOk[p.slot] = dev.WriteAlphon(p.slot, text);
            ctx.MarkLabel(p.label, phoneOk[p.slot]);
        }
    }

    TDevTrevalo::AlarmLogic logic;
    const auto kindIndex = [](const QComboBox *list) {
        const QString caption =
            FromUi([list] { return list->currentIndex() >= 0 ? list->currentText() : QString(); });
        return std::max(0, KindPosition(caption) - 1);
    };
    logic.kind1 = kindIndex(cb1);
    logic.kind2 = kindIndex(cb2);
    logic.andChoice = Checked(num1rb1);
    const bool ok = dev.WriteAllogic(logic);
    ctx.MarkLabel(lbp1, ok && phoneOk[0]);
    ctx.MarkLabel(lbp2, ok && phoneOk[1]);

    if (ctx.AtLeast600(38)) {
        const int index = Index(cbTimeBtn);
        if (index < 0)
            Refuse(ctx, lbTimeBtn, {}, QString::fromUtf8(kNothingSelected));
        else
            ctx.MarkLabel(lbTimeBtn, dev.WritePresstime(index + 2));
    }

    if (ctx.AtLeast600(58)) {
        const struct {
            bool (TDevTrevalo::*write)(int);
            QLabel *label;
            QLineEdit *days, *hours, *minutes;
        } periods[] = {
            {&TDevTrevalo::WritePeriodgsm, lbetPeriodgsm, etPeriodgsmS, etPeriodgsmH, etPeriodgsmM},
            {&TDevTrevalo::WritePeriodgps, lbetPeriodgps, etPeriodgpsS, etPeriodgpsH, etPeriodgpsM},
        };
        for (const auto &p : periods) {
            const TPeriod period = FromUi([&p] {
                return NormalizePeriod(p.days->text(), p.hours->text(), p.minutes->text());
            });
            ctx.MarkLabel(p.label, (dev.*p.write)(period.Total()));
        }
        const int index = Index(cbActivetime);
        if (index < 0 || index >= TDevTrevalo::ActivetimeCodes().size())
            Refuse(ctx, lbetActivetime, {}, QString::fromUtf8(kNothingSelected));
        else
            ctx.MarkLabel(lbetActivetime,
                          dev.WriteActivetime(TDevTrevalo::ActivetimeCodes().at(index)));
        ctx.MarkLabel(lbGPRSTime, dev.WriteActivegsm(NormalizeOnlineMinutes(Text(meGPRSTime))));
    }

    // With GPRS on, a used number is reached by SMS over GPRS whatever the box says.
    const bool forced =
        FromUi([this] { return GprsOn() && (cb1->currentIndex() > 0 || cb2->currentIndex() > 0); });
    if (forced)
        ctx.Out->PutBool(cbSendSMS, true);
    ctx.MarkLabel(lbSendSMS, dev.WriteGprssms(forced || Checked(cbSendSMS)));
}

void TformEvents::SendSleepMode(TPageContext &ctx)
{
    std::array<bool, 4> states{}, from{};
    bool fromKnown = false;
    QString caption;
    RunOnUiThread([&] {
        states = SleepStates();
        from = m_sentFrom;
        fromKnown = m_sentFromKnown;
        m_sentFromKnown = false;
        for (QToolButton *b : SleepButtons())
            if (b->isChecked())
                caption = b->text();
    });
    QString failure;
    try {
        if (ctx.Dev->WriteDontsleep(states[0], states[1], states[2], states[3]))
            return;
        failure = QStringLiteral("Режим \"%1\" не установлен: устройство не подтвердило команду")
                      .arg(caption);
    } catch (const TModemException &e) {
        // The worker goes on; the memo tells what happened.
        failure = e.Message();
    }
    ctx.Memo(failure);
    if (!fromKnown)
        return;
    const auto buttons = SleepButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (from[i])
            ctx.Out->PutText(buttons[i], QStringLiteral("true"));
    QueueUiStep(ctx.Out, [this] { UpdateModeControls(); });
}

QList<QWidget *> TformEvents::ModeControls58() const
{
    return {lbrb5,          RadioButton5,   lbetPeriodgsm,  etPeriodgsmS,   etPeriodgsmH,
            etPeriodgsmM,   lbetPeriodgps,  etPeriodgpsS,   etPeriodgpsH,   etPeriodgpsM,
            lbetActivetime, cbActivetime,   Label1,         Label2,         Label3,
            Label4,         btnDontsleepFF, btnDontsleep0F, btnDontsleepF0, lbGPRSTime,
            meGPRSTime,     GroupBox1};
}
