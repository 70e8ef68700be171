#include "OutArray.h"
#include "platform/IntText.h"
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <climits>
#include <exception>

// ---------------------------------------------------------------- conventions

bool TextToInt(const QString &text, int &value)
{
    // Leading blanks only, as the toolkit's own conversion reads them.
    if (!text.isEmpty() && text.back().isSpace())
        return false;
    return ParseIntText(text, value);
}

bool TextToBool(const QString &text)
{
    int v = 0;
    if (TextToInt(text, v))
        return v != 0;
    return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

namespace
{

struct NamedColour {
    const char *name;
    QRgb rgb;
};

// The standard colours with their fixed values.
constexpr NamedColour kColours[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x800000},     {"clGreen", 0x008000},
    {"clOlive", 0x808000}, {"clNavy", 0x000080},       {"clPurple", 0x800080},
    {"clTeal", 0x008080},  {"clGray", 0x808080},       {"clSilver", 0xC0C0C0},
    {"clRed", 0xFF0000},   {"clLime", 0x00FF00},       {"clYellow", 0xFFFF00},
    {"clBlue", 0x0000FF},  {"clFuchsia", 0xFF00FF},    {"clAqua", 0x00FFFF},
    {"clWhite", 0xFFFFFF}, {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xA6CAF0},
    {"clCream", 0xFFFBF0}, {"clMedGray", 0xA0A0A4},
};

struct SystemColour {
    const char *name;
    int index; // low byte of the system colour number
    QPalette::ColorRole role;
};

// System colours follow the desktop's palette.
constexpr SystemColour kSystemColours[] = {
    {"clScrollBar", 0, QPalette::Button},
    {"clBackground", 1, QPalette::Window},
    {"clMenu", 4, QPalette::Window},
    {"clWindow", 5, QPalette::Base},
    {"clWindowFrame", 6, QPalette::Dark},
    {"clMenuText", 7, QPalette::WindowText},
    {"clWindowText", 8, QPalette::WindowText},
    {"clHighlight", 13, QPalette::Highlight},
    {"clHighlightText", 14, QPalette::HighlightedText},
    {"clBtnFace", 15, QPalette::Button},
    {"clBtnShadow", 16, QPalette::Dark},
    {"clGrayText", 17, QPalette::PlaceholderText},
    {"clBtnText", 18, QPalette::ButtonText},
    {"clBtnHighlight", 20, QPalette::Light},
    {"clInfoText", 23, QPalette::ToolTipText},
    {"clInfoBk", 24, QPalette::ToolTipBase},
};

QColor PaletteColour(QPalette::ColorRole role)
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QGuiApplication::palette().color(role);
    return role == QPalette::WindowText ? QColor(Qt::black) : QColor(Qt::white);
}

bool ToggleButton(QToolButton *b)
{
    return b->isCheckable() && !qobject_cast<QToolBar *>(b->parentWidget());
}

bool IsClick(const QString &text)
{
    return text.compare(QLatin1String("CLICK"), Qt::CaseInsensitive) == 0;
}

bool IsPage(const QWidget *w)
{
    return w->objectName().startsWith(QLatin1String("form"));
}

// A radio button is unchecked even when it is the checked one of its group.
void SetRadio(QRadioButton *rb, bool on)
{
    if (on || !rb->isChecked()) {
        rb->setChecked(on);
        return;
    }
    QButtonGroup *group = rb->group();
    const bool groupExclusive = group && group->exclusive();
    const bool autoExclusive = rb->autoExclusive();
    if (groupExclusive)
        group->setExclusive(false);
    rb->setAutoExclusive(false);
    rb->setChecked(false);
    rb->setAutoExclusive(autoExclusive);
    if (groupExclusive)
        group->setExclusive(true);
}

// The program's own "CLICK" must reach the handler even when the control is
// disabled (the toolbar is disabled while busy, and ending a failed session
// clicks the disconnect button).
void ClickButton(QAbstractButton *b)
{
    if (b->isEnabled())
        b->click();
    else
        emit b->clicked(b->isChecked());
}

void TriggerAction(QAction *a)
{
    if (a->isEnabled())
        a->trigger();
    else
        emit a->triggered(a->isChecked());
}

void SetBackground(QWidget *w, QPalette::ColorRole role, const QColor &c)
{
    QPalette p = w->palette();
    // A disabled control keeps its greyed look; the colour marks only
    // controls the user can work with.
    p.setColor(QPalette::Active, role, c);
    p.setColor(QPalette::Inactive, role, c);
    w->setPalette(p);
    if (role == QPalette::Window)
        w->setAutoFillBackground(true);
}

} // namespace

bool TextToColor(const QString &text, QColor &colour)
{
    const QString t = text.trimmed();
    for (const NamedColour &c : kColours) {
        if (t.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            colour = QColor::fromRgb(c.rgb);
            return true;
        }
    }
    for (const SystemColour &c : kSystemColours) {
        if (t.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            colour = PaletteColour(c.role);
            return true;
        }
    }
    int v = 0;
    if (!TextToInt(t, v))
        return false;
    const quint32 u = quint32(v);
    if ((u & 0xFF000000u) == 0x80000000u) {
        for (const SystemColour &c : kSystemColours) {
            if (c.index == int(u & 0xFF)) {
                colour = PaletteColour(c.role);
                return true;
            }
        }
        return false;
    }
    // $00BBGGRR: red in the low byte.
    colour = QColor(int(u & 0xFF), int((u >> 8) & 0xFF), int((u >> 16) & 0xFF));
    return true;
}

QString ColorToText(const QColor &colour)
{
    const QRgb rgb = colour.rgb() & 0xFFFFFF;
    for (const NamedColour &c : kColours)
        if (c.rgb == rgb)
            return QLatin1String(c.name);
    const quint32 bgr =
        quint32(colour.red()) | (quint32(colour.green()) << 8) | (quint32(colour.blue()) << 16);
    return QStringLiteral("$%1").arg(bgr, 8, 16, QLatin1Char('0')).toUpper();
}

// ---------------------------------------------------------------- apply rules

bool ApplyText(QObject *control, const QString &text)
{
    if (!control)
        return true;
    if (auto *a = qobject_cast<QAction *>(control)) {
        if (IsClick(text))
            TriggerAction(a);
        else
            a->setEnabled(TextToBool(text));
        return true;
    }
    auto *w = qobject_cast<QWidget *>(control);
    if (!w)
        return true;
    int n = 0;
    if (auto *s = qobject_cast<TShape *>(w)) {
        QColor c;
        if (!TextToColor(text, c))
            return false;
        s->setBrushColor(c);
    } else if (auto *l = qobject_cast<QLabel *>(w)) {
        l->setText(text);
    } else if (auto *tb = qobject_cast<QToolButton *>(w); tb && ToggleButton(tb)) {
        tb->setChecked(text != QLatin1String("false"));
    } else if (auto *cb = qobject_cast<QComboBox *>(w)) {
        if (!TextToInt(text, n))
            return false;
        cb->setCurrentIndex(n);
    } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->setText(text);
    } else if (auto *sp = qobject_cast<QSpinBox *>(w)) {
        if (!TextToInt(text, n))
            return false;
        sp->setValue(n);
    } else if (auto *ch = qobject_cast<QCheckBox *>(w)) {
        ch->setChecked(TextToBool(text));
    } else if (auto *rb = qobject_cast<QRadioButton *>(w)) {
        SetRadio(rb, TextToBool(text));
    } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        // Push buttons and the tool buttons that are not toggles.
        if (IsClick(text))
            ClickButton(b);
        else
            b->setEnabled(TextToBool(text));
    } else if (auto *pb = qobject_cast<QProgressBar *>(w)) {
        if (!TextToInt(text, n))
            return false;
        pb->setValue(n);
    } else if (auto *m = qobject_cast<QPlainTextEdit *>(w)) {
        m->appendPlainText(text);
    } else if (IsPage(w)) {
        if (text == QLatin1String("Show")) {
            w->show();
            w->raise();
        }
    } else if (text == QLatin1String("Show")) {
        w->setVisible(true);
    } else {
        w->setEnabled(TextToBool(text));
    }
    return true;
}

bool ApplyComponent(QObject *component, const QString &text)
{
    if (auto *a = qobject_cast<QAction *>(component)) {
        a->setEnabled(TextToBool(text));
    } else if (auto *m = qobject_cast<QMenu *>(component)) {
        m->menuAction()->setEnabled(TextToBool(text));
    } else if (auto *t = qobject_cast<QTimer *>(component)) {
        if (TextToBool(text))
            t->start();
        else
            t->stop();
    } else if (auto *v = qobject_cast<QTreeView *>(component)) {
        v->setEnabled(TextToBool(text));
    }
    return true;
}

bool ApplyColor(QObject *control, const QString &colourText)
{
    auto *w = qobject_cast<QWidget *>(control);
    if (!w)
        return true;
    const bool background = qobject_cast<QLineEdit *>(w) || qobject_cast<QSpinBox *>(w);
    const bool face = qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w);
    auto *label = qobject_cast<QLabel *>(w);
    if (!background && !face && !label)
        return true;
    QColor c;
    if (!TextToColor(colourText, c))
        return false;
    if (label)
        SetBackground(label, QPalette::WindowText, c);
    else
        SetBackground(w, background ? QPalette::Base : QPalette::Window, c);
    return true;
}

// ---------------------------------------------------------------- shape

TShape::TShape(QWidget *parent) : QWidget(parent) {}

void TShape::setBrushColor(const QColor &colour)
{
    if (colour == brush_)
        return;
    brush_ = colour;
    update();
}

QSize TShape::sizeHint() const
{
    return {16, 16};
}

void TShape::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.setBrush(brush_);
    const int d = qMin(width(), height()) - 2;
    p.drawEllipse(QRectF((width() - d) / 2.0, (height() - d) / 2.0, d, d));
}

// ---------------------------------------------------------------- queue

TOutArray::MessageHook TOutArray::messageHook;

TOutArray::TOutArray() : head_(new Block), tail_(head_) {}

TOutArray::~TOutArray()
{
    for (Block *b = head_; b;) {
        Block *next = b->next.load(std::memory_order_acquire);
        delete b;
        b = next;
    }
}

void TOutArray::Put(std::unique_ptr<TOutElement> element)
{
    Block *b = tail_;
    int n = b->filled.load(std::memory_order_relaxed);
    if (n == kBlockSize) {
        // The consumer lets go of a block only after it sees the next one.
        auto *fresh = new Block;
        b->next.store(fresh, std::memory_order_release);
        tail_ = b = fresh;
        n = 0;
    }
    b->cells[n] = std::move(element);
    b->filled.store(n + 1, std::memory_order_release);
}

int TOutArray::Peek() const
{
    const Block *b = head_;
    int taken = b->taken;
    for (;;) {
        const int filled = b->filled.load(std::memory_order_acquire);
        if (taken < filled)
            return b->cells[taken]->kind;
        if (filled < kBlockSize)
            return 0;
        b = b->next.load(std::memory_order_acquire);
        if (!b)
            return 0;
        taken = 0;
    }
}

std::unique_ptr<TOutElement> TOutArray::Take()
{
    for (;;) {
        Block *b = head_;
        const int filled = b->filled.load(std::memory_order_acquire);
        if (b->taken < filled)
            return std::move(b->cells[b->taken++]);
        if (filled < kBlockSize)
            return nullptr;
        Block *next = b->next.load(std::memory_order_acquire);
        if (!next)
            return nullptr;
        head_ = next;
        delete b;
    }
}

QString TOutArray::TimeStamp()
{
    const QLocale locale = QLocale::system();
    // The long time format carries the zone name, which the memo does not need.
    const QString longFormat = locale.timeFormat(QLocale::LongFormat);
    QString timeFormat;
    bool quoted = false;
    for (QChar c : longFormat) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            timeFormat += c;
    }
    timeFormat = timeFormat.trimmed();
    const QDateTime now = QDateTime::currentDateTime();
    return locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(now.time(), timeFormat);
}

void TOutArray::PutMemoLine(QObject *memo, const QString &text, bool timestamp, bool show)
{
    Put(std::make_unique<TMemoOut>(memo, timestamp ? TimeStamp() + u' ' + text : text, show));
}

void TOutArray::PutText(QObject *control, const QString &text)
{
    Put(std::make_unique<TControlOut>(2, control, text));
}

void TOutArray::PutBool(QObject *control, bool value)
{
    PutText(control, value ? QStringLiteral("-1") : QStringLiteral("0"));
}

void TOutArray::PutNumber(QObject *control, int value)
{
    PutText(control, QString::number(value));
}

void TOutArray::PutComponentState(QObject *component, const QString &text)
{
    Put(std::make_unique<TCompOut>(component, text));
}

void TOutArray::PutListRow(QObject *listView, const QString &caption, const QStringList &subItems)
{
    Put(std::make_unique<TFullListOut>(listView, caption, subItems));
}

void TOutArray::PutMessage(const QString &text)
{
    Put(std::make_unique<TMsgOut>(text));
}

void TOutArray::PutStatus(const QString &text, QObject *panel)
{
    Put(std::make_unique<TStatusOut>(text, panel));
}

void TOutArray::PutLabelColor(QObject *control, const QColor &colour)
{
    PutLabelColor(control, ColorToText(colour));
}

void TOutArray::PutLabelColor(QObject *control, const QString &colourName)
{
    Put(std::make_unique<TControlOut>(11, control, colourName));
}

void TOutArray::PutGridCell(QObject *grid, const QString &text, int row, int column)
{
    Put(std::make_unique<TOutStringGrid>(grid, row, column, text));
}

bool TOutArray::Apply(const TOutElement &element, QWidget *messageParent, const QString &appTitle)
{
    switch (element.kind) {
    case 1: {
        const auto &e = static_cast<const TMemoOut &>(element);
        if (auto *m = qobject_cast<QPlainTextEdit *>(e.memo.data()); m && e.show)
            m->appendPlainText(e.text);
        return true;
    }
    case 2: {
        const auto &e = static_cast<const TControlOut &>(element);
        return ApplyText(e.control.data(), e.text);
    }
    case 3: {
        const auto &e = static_cast<const TCompOut &>(element);
        return ApplyComponent(e.component.data(), e.text);
    }
    case 7: {
        const auto &e = static_cast<const TFullListOut &>(element);
        if (auto *t = qobject_cast<QTreeWidget *>(e.listView.data()))
            t->addTopLevelItem(new QTreeWidgetItem(QStringList{e.caption} + e.subItems));
        return true;
    }
    case 9: {
        const auto &e = static_cast<const TMsgOut &>(element);
        if (messageHook) {
            messageHook(messageParent, appTitle, e.text);
        } else {
            QMessageBox box(QMessageBox::NoIcon, appTitle, e.text, QMessageBox::Ok, messageParent);
            box.exec();
        }
        return true;
    }
    case 10: {
        const auto &e = static_cast<const TStatusOut &>(element);
        QObject *panel = e.panel.data();
        if (auto *l = qobject_cast<QLabel *>(panel))
            l->setText(e.text);
        else if (auto *s = qobject_cast<QStatusBar *>(panel))
            s->showMessage(e.text);
        else
            return ApplyText(panel, e.text);
        return true;
    }
    case 11: {
        const auto &e = static_cast<const TControlOut &>(element);
        return ApplyColor(e.control.data(), e.text);
    }
    case 13: {
        const auto &e = static_cast<const TOutStringGrid &>(element);
        auto *g = qobject_cast<QTableWidget *>(e.grid.data());
        if (!g)
            return true;
        if (e.row < 0 || e.column < 0)
            return false;
        // A cell beyond the grid keeps its text, as the grid grows to hold it.
        if (e.row >= g->rowCount())
            g->setRowCount(e.row + 1);
        if (e.column >= g->columnCount())
            g->setColumnCount(e.column + 1);
        if (QTableWidgetItem *item = g->item(e.row, e.column))
            item->setText(e.text);
        else
            g->setItem(e.row, e.column, new QTableWidgetItem(e.text));
        return true;
    }
    default:
        return false;
    }
}

int TOutArray::Drain(QWidget *messageParent, const QString &appTitle)
{
    // A message box or a click runs an event loop inside the drain; a nested
    // drain there would apply later elements before earlier ones finish.
    if (draining_)
        return 0;
    draining_ = true;

    // Consecutive lines for one memo go in as one append: each append lays
    // out and scrolls the memo, which would dominate a drain of a busy log.
    QPointer<QPlainTextEdit> batchMemo;
    QString batch;
    auto flush = [&] {
        if (batchMemo && !batch.isNull())
            batchMemo->appendPlainText(batch);
        batchMemo = nullptr;
        batch = QString();
    };

    int count = 0;
    while (Peek() != 0) {
        std::unique_ptr<TOutElement> element = Take();
        if (!element)
            break;
        ++count;
        if (element->kind == 1) {
            const auto &e = static_cast<const TMemoOut &>(*element);
            auto *memo = qobject_cast<QPlainTextEdit *>(e.memo.data());
            if (!memo || !e.show)
                continue;
            if (memo != batchMemo)
                flush();
            batchMemo = memo;
            if (batch.isNull())
                batch = e.text;
            else
                batch += u'\n' + e.text;
            continue;
        }
        flush();
        try {
            if (!Apply(*element, messageParent, appTitle))
                qWarning("output queue: element of kind %d not applied", int(element->kind));
        } catch (const std::exception &e) {
            qWarning("output queue: element of kind %d failed: %s", int(element->kind), e.what());
        } catch (...) {
            qWarning("output queue: element of kind %d failed", int(element->kind));
        }
    }
    flush();
    draining_ = false;
    return count;
}
