#include "session/LogMemoWriter.h"
#include "session/OutArray.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextBlock>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace
{

QStringList MemoLines(const QPlainTextEdit &memo)
{
    QStringList lines;
    for (QTextBlock b = memo.document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    if (lines == QStringList{QString()})
        lines.clear();
    return lines;
}

QStringList Numbers(int from, int to)
{
    QStringList r;
    for (int i = from; i < to; ++i)
        r << QString::number(i);
    return r;
}

struct HookGuard {
    explicit HookGuard(TOutArray::MessageHook hook) { TOutArray::messageHook = std::move(hook); }
    ~HookGuard() { TOutArray::messageHook = nullptr; }
};

TEST(OutArray, EmptyQueuePeeksZeroAndDrainsNothing)
{
    TOutArray out;
    EXPECT_EQ(out.Peek(), 0);
    EXPECT_EQ(out.Drain(nullptr, "T3config"), 0);
    EXPECT_EQ(out.Take(), nullptr);
}

TEST(OutArray, PeekReportsTheKindAtTheHead)
{
    QLabel label;
    TOutArray out;
    const std::pair<std::function<void()>, int> puts[] = {
        {[&] { out.PutMemoLine(&label, "m"); }, 1},
        {[&] { out.PutText(&label, "t"); }, 2},
        {[&] { out.PutBool(&label, true); }, 2},
        {[&] { out.PutNumber(&label, 5); }, 2},
        {[&] { out.PutComponentState(&label, "0"); }, 3},
        {[&] { out.PutListRow(&label, "c", {}); }, 7},
        {[&] { out.PutMessage("x"); }, 9},
        {[&] { out.PutStatus("s", &label); }, 10},
        {[&] { out.PutLabelColor(&label, "clRed"); }, 11},
        {[&] { out.PutGridCell(&label, "g", 0, 0); }, 13},
    };
    for (const auto &[put, kind] : puts)
        put();
    for (const auto &[put, kind] : puts) {
        EXPECT_EQ(out.Peek(), kind);
        auto e = out.Take();
        ASSERT_TRUE(e);
        EXPECT_EQ(e->kind, kind);
    }
    EXPECT_EQ(out.Peek(), 0);
}

TEST(OutArray, BoolAndNumberTravelAsText)
{
    QLabel label;
    TOutArray out;
    out.PutBool(&label, true);
    out.PutBool(&label, false);
    out.PutNumber(&label, -123);
    out.PutLabelColor(&label, QColor(Qt::blue));
    out.PutLabelColor(&label, QColor(1, 2, 3));
    const char *expected[] = {"-1", "0", "-123", "clBlue", "$00030201"};
    for (const char *text : expected) {
        auto e = out.Take();
        ASSERT_TRUE(e);
        EXPECT_EQ(static_cast<TControlOut &>(*e).text, text);
    }
}

// Full ring and beyond: every element arrives once, in order, in one drain.
TEST(OutArray, OneDrainDeliversEverythingInOrder)
{
    for (int count : {1023, 1024, 1025, 5000}) {
        SCOPED_TRACE(count);
        QPlainTextEdit memo;
        QLabel label;
        TOutArray out;
        for (int i = 0; i < count; ++i) {
            out.PutMemoLine(&memo, QString::number(i), false, true);
            if (i % 100 == 0)
                out.PutText(&label, QString::number(i)); // mixed kinds
        }
        const int labels = (count + 99) / 100;
        EXPECT_EQ(out.Drain(nullptr, "T3config"), count + labels);
        EXPECT_EQ(out.Peek(), 0);
        EXPECT_EQ(MemoLines(memo), Numbers(0, count));
        EXPECT_EQ(label.text(), QString::number((count - 1) / 100 * 100));
    }
}

TEST(OutArray, InterleavedPutsAndTakesKeepOrder)
{
    TOutArray out;
    QPlainTextEdit memo;
    int next = 0;
    QStringList taken;
    // Cross block borders at different offsets between takes.
    for (int round = 0; round < 12; ++round) {
        for (int i = 0; i < 700; ++i)
            out.PutMemoLine(&memo, QString::number(next++), false);
        for (int i = 0; i < 500 + round * 30 && out.Peek(); ++i)
            taken << static_cast<TMemoOut &>(*out.Take()).text;
    }
    while (auto e = out.Take())
        taken << static_cast<TMemoOut &>(*e).text;
    EXPECT_EQ(taken, Numbers(0, next));
}

TEST(OutArray, ProducerThreadAndUiDrainLoseNothing)
{
    QPlainTextEdit memo;
    TOutArray out;
    constexpr int kCount = 30000;
    std::unique_ptr<QThread> producer(QThread::create([&] {
        for (int i = 0; i < kCount; ++i)
            out.PutMemoLine(&memo, QString::number(i), false);
    }));
    producer->start();
    while (!producer->isFinished()) {
        out.Drain(nullptr, "T3config");
        QThread::yieldCurrentThread();
    }
    producer->wait();
    out.Drain(nullptr, "T3config");
    EXPECT_EQ(MemoLines(memo), Numbers(0, kCount));
}

// ---------------------------------------------------------------- ApplyText

struct Widgets {
    QWidget root;
    QToolBar *toolbar = new QToolBar(&root);
};

struct TextCase {
    const char *name;
    std::function<QObject *(Widgets &)> make;
    const char *text;
    std::function<bool(QObject *)> check;
    bool parses = true;
};

template <class T> T *As(QObject *o)
{
    return qobject_cast<T *>(o);
}

QToolButton *Toggle(Widgets &w, bool down)
{
    auto *b = new QToolButton(&w.root);
    b->setCheckable(true);
    b->setChecked(down);
    return b;
}

TEST(ApplyTextRules, Table)
{
    const TextCase cases[] = {
        {"shape named colour", [](Widgets &w) { return new TShape(&w.root); }, "clLime",
         [](QObject *o) { return As<TShape>(o)->brushColor() == QColor(0, 255, 0); }},
        {"shape number", [](Widgets &w) { return new TShape(&w.root); }, "$000000FF",
         [](QObject *o) { return As<TShape>(o)->brushColor() == QColor(255, 0, 0); }},
        {"shape bad colour", [](Widgets &w) { return new TShape(&w.root); }, "pink",
         [](QObject *o) { return As<TShape>(o)->brushColor() == QColor(Qt::white); }, false},
        {"label caption", [](Widgets &w) { return new QLabel("old", &w.root); }, "Общие",
         [](QObject *o) { return As<QLabel>(o)->text() == QStringLiteral("Общие"); }},
        {"label CLICK is a caption", [](Widgets &w) { return new QLabel(&w.root); }, "CLICK",
         [](QObject *o) { return As<QLabel>(o)->text() == "CLICK"; }},
        {"toggle False goes down", [](Widgets &w) { return Toggle(w, false); }, "False",
         [](QObject *o) { return As<QToolButton>(o)->isChecked(); }},
        {"toggle 0 goes down", [](Widgets &w) { return Toggle(w, false); }, "0",
         [](QObject *o) { return As<QToolButton>(o)->isChecked(); }},
        {"toggle false goes up", [](Widgets &w) { return Toggle(w, true); }, "false",
         [](QObject *o) { return !As<QToolButton>(o)->isChecked(); }},
        {"toolbar button disabled",
         [](Widgets &w) {
             auto *b = new QToolButton(w.toolbar);
             b->setCheckable(true);
             return b;
         },
         "0",
         [](QObject *o) {
             return !As<QToolButton>(o)->isEnabled() && !As<QToolButton>(o)->isChecked();
         }},
        {"combo index",
         [](Widgets &w) {
             auto *c = new QComboBox(&w.root);
             c->addItems({"a", "b", "c"});
             return c;
         },
         "2", [](QObject *o) { return As<QComboBox>(o)->currentIndex() == 2; }},
        {"combo not a number",
         [](Widgets &w) {
             auto *c = new QComboBox(&w.root);
             c->addItems({"a", "b"});
             c->setCurrentIndex(1);
             return c;
         },
         "b", [](QObject *o) { return As<QComboBox>(o)->currentIndex() == 1; }, false},
        {"edit text", [](Widgets &w) { return new QLineEdit(&w.root); }, "0042",
         [](QObject *o) { return As<QLineEdit>(o)->text() == "0042"; }},
        {"masked edit text",
         [](Widgets &w) {
             auto *e = new QLineEdit(&w.root);
             e->setInputMask("000.000.000.000;_");
             return e;
         },
         "192.168.001.002",
         [](QObject *o) { return As<QLineEdit>(o)->text() == "192.168.001.002"; }},
        {"spin value",
         [](Widgets &w) {
             auto *s = new QSpinBox(&w.root);
             s->setRange(0, 100);
             return s;
         },
         "15", [](QObject *o) { return As<QSpinBox>(o)->value() == 15; }},
        {"spin not a number", [](Widgets &w) { return new QSpinBox(&w.root); }, "x",
         [](QObject *o) { return As<QSpinBox>(o)->value() == 0; }, false},
        {"check -1", [](Widgets &w) { return new QCheckBox(&w.root); }, "-1",
         [](QObject *o) { return As<QCheckBox>(o)->isChecked(); }},
        {"check TRUE", [](Widgets &w) { return new QCheckBox(&w.root); }, "TRUE",
         [](QObject *o) { return As<QCheckBox>(o)->isChecked(); }},
        {"check yes is false",
         [](Widgets &w) {
             auto *c = new QCheckBox(&w.root);
             c->setChecked(true);
             return c;
         },
         "yes", [](QObject *o) { return !As<QCheckBox>(o)->isChecked(); }},
        {"radio on", [](Widgets &w) { return new QRadioButton(&w.root); }, "-1",
         [](QObject *o) { return As<QRadioButton>(o)->isChecked(); }},
        {"checked radio off",
         [](Widgets &w) {
             auto *r = new QRadioButton(&w.root);
             new QRadioButton(&w.root);
             r->setChecked(true);
             return r;
         },
         "0",
         [](QObject *o) {
             return !As<QRadioButton>(o)->isChecked() && As<QRadioButton>(o)->autoExclusive();
         }},
        {"push button disabled", [](Widgets &w) { return new QPushButton(&w.root); }, "0",
         [](QObject *o) { return !As<QPushButton>(o)->isEnabled(); }},
        {"progress position", [](Widgets &w) { return new QProgressBar(&w.root); }, "42",
         [](QObject *o) { return As<QProgressBar>(o)->value() == 42; }},
        {"memo line", [](Widgets &w) { return new QPlainTextEdit("first", &w.root); }, "second",
         [](QObject *o) {
             return MemoLines(*As<QPlainTextEdit>(o)) == QStringList{"first", "second"};
         }},
        {"page Show",
         [](Widgets &) {
             auto *p = new QWidget;
             p->setObjectName("formCommon");
             p->setAttribute(Qt::WA_DeleteOnClose);
             return p;
         },
         "Show",
         [](QObject *o) {
             auto *w = As<QWidget>(o);
             const bool ok = w->isVisible();
             w->close();
             return ok;
         }},
        {"page other text does nothing",
         [](Widgets &w) {
             auto *p = new QWidget(&w.root);
             p->setObjectName("formGPRS");
             return p;
         },
         "0", [](QObject *o) { return As<QWidget>(o)->isEnabled(); }},
        {"other control Show",
         [](Widgets &w) {
             auto *g = new QGroupBox(&w.root);
             g->hide();
             return g;
         },
         "Show", [](QObject *o) { return !As<QWidget>(o)->isHidden(); }},
        {"other control enabled by boolean", [](Widgets &w) { return new QGroupBox(&w.root); }, "0",
         [](QObject *o) { return !As<QWidget>(o)->isEnabled(); }},
        {"action disabled", [](Widgets &w) { return new QAction(&w.root); }, "false",
         [](QObject *o) { return !As<QAction>(o)->isEnabled(); }},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.name);
        Widgets w;
        QObject *target = c.make(w);
        EXPECT_EQ(ApplyText(target, c.text), c.parses);
        EXPECT_TRUE(c.check(target));
    }
}

TEST(ApplyTextRules, ClickRunsTheHandlerInAnyLetterCaseEvenWhenDisabled)
{
    QWidget root;
    auto *push = new QPushButton(&root);
    auto *action = new QAction(&root);
    auto *toolButton = new QToolButton(new QToolBar(&root));
    QSignalSpy pushes(push, &QPushButton::clicked);
    QSignalSpy triggers(action, &QAction::triggered);
    QSignalSpy tools(toolButton, &QToolButton::clicked);
    EXPECT_TRUE(ApplyText(push, "CLICK"));
    EXPECT_TRUE(ApplyText(action, "click"));
    EXPECT_TRUE(ApplyText(toolButton, "Click"));
    push->setEnabled(false);
    action->setEnabled(false);
    EXPECT_TRUE(ApplyText(push, "CLICK"));
    EXPECT_TRUE(ApplyText(action, "CLICK"));
    EXPECT_EQ(pushes.count(), 2);
    EXPECT_EQ(triggers.count(), 2);
    EXPECT_EQ(tools.count(), 1);
    EXPECT_FALSE(push->isEnabled()); // a click does not enable
}

TEST(ApplyTextRules, ClickClosesAModalWindowAfterTheRestOfTheDrain)
{
    QDialog dialog;
    auto *ok = new QPushButton("OK", &dialog);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    ok->hide();
    QLabel label;
    TOutArray out;
    out.PutText(ok, "CLICK");
    out.PutText(&label, "after the click");
    int drained = 0;
    QTimer::singleShot(0, [&] { drained = out.Drain(nullptr, "T3config"); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    // The modal loop ended only after the whole drain, later elements included.
    EXPECT_EQ(drained, 2);
    EXPECT_EQ(label.text(), "after the click");
}

// ---------------------------------------------------------------- colours

TEST(ApplyColorRules, OnlyListedControlsChange)
{
    QWidget root;
    struct Case {
        QWidget *w;
        QPalette::ColorRole role;
        bool changes;
    };
    const Case cases[] = {
        {new QLineEdit(&root), QPalette::Base, true},
        {new QSpinBox(&root), QPalette::Base, true},
        {new QCheckBox(&root), QPalette::Window, true},
        {new QRadioButton(&root), QPalette::Window, true},
        {new QLabel(&root), QPalette::WindowText, true},
        {new QPushButton(&root), QPalette::Button, false},
        {new QComboBox(&root), QPalette::Base, false},
        {new QProgressBar(&root), QPalette::Highlight, false},
        {new QGroupBox(&root), QPalette::Window, false},
        {new QToolButton(&root), QPalette::Button, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.w->metaObject()->className());
        const QPalette before = c.w->palette();
        EXPECT_TRUE(ApplyColor(c.w, "clFuchsia"));
        if (c.changes) {
            EXPECT_EQ(c.w->palette().color(c.role), QColor(255, 0, 255));
        } else {
            EXPECT_EQ(c.w->palette(), before);
        }
    }
    QAction action;
    EXPECT_TRUE(ApplyColor(&action, "clRed"));
}

TEST(ApplyColorRules, LabelMarksAndTheWindowTextReset)
{
    QLabel label;
    TOutArray out;
    out.PutLabelColor(&label, "clBlue");
    out.Drain(nullptr, "T3config");
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    out.PutLabelColor(&label, "clRed");
    out.Drain(nullptr, "T3config");
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(255, 0, 0));
    out.PutLabelColor(&label, "clWindowText");
    out.Drain(nullptr, "T3config");
    EXPECT_EQ(label.palette().color(QPalette::WindowText),
              QApplication::palette().color(QPalette::WindowText));

    // A disabled row keeps its greyed text: the mark is for usable controls.
    const QColor greyed = label.palette().color(QPalette::Disabled, QPalette::WindowText);
    out.PutLabelColor(&label, "clBlue");
    out.Drain(nullptr, "T3config");
    EXPECT_EQ(label.palette().color(QPalette::Disabled, QPalette::WindowText), greyed);
    EXPECT_EQ(label.palette().color(QPalette::Inactive, QPalette::WindowText), QColor(0, 0, 255));
}

TEST(Colours, TextToColourAndBack)
{
    struct Case {
        const char *text;
        QColor colour;
    };
    const Case cases[] = {
        {"clRed", QColor(255, 0, 0)},        {"CLLIME", QColor(0, 255, 0)},
        {"clBlue", QColor(0, 0, 255)},       {"clBlack", QColor(0, 0, 0)},
        {"clMaroon", QColor(128, 0, 0)},     {"clNavy", QColor(0, 0, 128)},
        {"clSilver", QColor(192, 192, 192)}, {"clYellow", QColor(255, 255, 0)},
        {"$00FF0000", QColor(0, 0, 255)},    {"$000080FF", QColor(255, 128, 0)},
        {"255", QColor(255, 0, 0)},          {"65280", QColor(0, 255, 0)},
    };
    for (const Case &c : cases) {
        QColor got;
        ASSERT_TRUE(TextToColor(c.text, got)) << c.text;
        EXPECT_EQ(got, c.colour) << c.text;
    }
    QColor got;
    EXPECT_TRUE(TextToColor("clBtnFace", got));
    EXPECT_EQ(got, QApplication::palette().color(QPalette::Button));
    EXPECT_FALSE(TextToColor("red", got));
    EXPECT_FALSE(TextToColor("", got));
    EXPECT_EQ(ColorToText(QColor(255, 0, 0)), "clRed");
    EXPECT_EQ(ColorToText(QColor(0, 128, 0)), "clGreen");
    EXPECT_EQ(ColorToText(QColor(0x12, 0x34, 0x56)), "$00563412");
}

TEST(TextConventions, Booleans)
{
    for (const char *t : {"-1", "1", "7", "true", "TRUE", "True", "$10"})
        EXPECT_TRUE(TextToBool(t)) << t;
    for (const char *t : {"0", "false", "False", "", "yes", "on", "tru"})
        EXPECT_FALSE(TextToBool(t)) << t;
}

// ---------------------------------------------------------------- other kinds

TEST(ApplyComponentRules, MenuItemTimerTreeAndOthers)
{
    QAction item;
    QTimer timer;
    timer.setInterval(50);
    QTreeWidget tree;
    QLabel label;
    EXPECT_TRUE(ApplyComponent(&item, "0"));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_TRUE(ApplyComponent(&item, "true"));
    EXPECT_TRUE(item.isEnabled());
    ApplyComponent(&timer, "-1");
    EXPECT_TRUE(timer.isActive());
    ApplyComponent(&timer, "false");
    EXPECT_FALSE(timer.isActive());
    ApplyComponent(&tree, "0");
    EXPECT_FALSE(tree.isEnabled());
    ApplyComponent(&label, "0");
    EXPECT_TRUE(label.isEnabled());
}

TEST(OutArray, ListRowsGridCellsAndStatusPanels)
{
    QTreeWidget list;
    list.setColumnCount(3);
    QTableWidget grid(2, 2);
    QLabel panel;
    QLabel notAList;
    TOutArray out;
    out.PutListRow(&list, "1", {"a", "b"});
    out.PutListRow(&list, "2", {"c", "d"});
    out.PutListRow(&notAList, "x", {"y"});
    out.PutGridCell(&grid, "cell", 1, 0);
    out.PutGridCell(&grid, "changed", 1, 0);
    out.PutGridCell(&grid, "beyond", 3, 2);
    out.PutStatus(QStringLiteral("Подключено"), &panel);
    EXPECT_EQ(out.Drain(nullptr, "T3config"), 7);
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(1)->text(0), "2");
    EXPECT_EQ(list.topLevelItem(1)->text(2), "d");
    EXPECT_EQ(notAList.text(), "");
    EXPECT_EQ(grid.item(1, 0)->text(), "changed");
    EXPECT_EQ(grid.item(3, 2)->text(), "beyond");
    EXPECT_EQ(panel.text(), QStringLiteral("Подключено"));
}

TEST(OutArray, MessageBoxHoldsTheDrainUntilAnswered)
{
    QLabel label;
    QPlainTextEdit memo;
    QWidget parent;
    TOutArray out;
    QStringList seen;
    int nested = -1;
    HookGuard hook([&](QWidget *p, const QString &title, const QString &text) {
        EXPECT_EQ(p, &parent);
        seen << title + "|" + text + "|" + label.text() + "|" + MemoLines(memo).join(',');
        nested = out.Drain(&parent, "T3config");
    });
    out.PutText(&label, "before");
    out.PutMemoLine(&memo, "m1", false);
    out.PutMessage(QStringLiteral("Ошибка связи"));
    out.PutText(&label, "after");
    out.PutMemoLine(&memo, "m2", false);
    out.PutMessage("second");
    out.PutMemoLine(&memo, "m3", false);
    EXPECT_EQ(out.Drain(&parent, "T3config"), 7);
    // Everything queued before a message is on screen when it shows.
    EXPECT_EQ(seen, (QStringList{QStringLiteral("T3config|Ошибка связи|before|m1"),
                                 "T3config|second|after|m1,m2"}));
    EXPECT_EQ(MemoLines(memo), (QStringList{"m1", "m2", "m3"}));
    EXPECT_EQ(nested, 0);
}

TEST(OutArray, FailingOrVanishedTargetsAreSkipped)
{
    QSpinBox spin;
    QLabel label;
    auto *gone = new QLabel;
    TOutArray out;
    out.PutText(&spin, "not a number");
    out.PutText(gone, "x");
    out.PutLabelColor(&label, "no colour");
    out.PutGridCell(nullptr, "x", 0, 0);
    out.PutText(&label, "still applied");
    delete gone;
    EXPECT_EQ(out.Drain(nullptr, "T3config"), 5);
    EXPECT_EQ(label.text(), "still applied");
    EXPECT_EQ(spin.value(), 0);
}

TEST(OutArray, MemoLinesCarryTheLocalTimeStamp)
{
    QPlainTextEdit memo;
    TOutArray out;
    TLogMemoWriter log(&memo, &out);
    log.WriteLine("#Modem<-: AT\r\n");
    out.PutMemoLine(&memo, "hidden", true, false);
    out.PutMemoLine(&memo, "plain", false, true);
    out.Drain(nullptr, "T3config");
    const QStringList lines = MemoLines(memo);
    ASSERT_EQ(lines.size(), 3); // the CR LF of the logged command ends its own line
    const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    EXPECT_TRUE(lines[0].startsWith(date + " ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(" #Modem<-: AT")) << lines[0].toStdString();
    // Date, blank, time with seconds, blank, text.
    const QString time = lines[0].mid(date.size() + 1).section(' ', 0, 0);
    EXPECT_EQ(time.count(':'), 2) << time.toStdString();
    EXPECT_EQ(lines[2], "plain");
}

} // namespace
