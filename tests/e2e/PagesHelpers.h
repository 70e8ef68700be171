#pragma once
// Driving the settings pages of a real session: page commands that return
// when the worker is idle again and the window shows every result, label
// colours, and the accessible tree.
#include <QAccessible>
#include <QApplication>
#include <QTableWidget>

#include "E2EHarness.h"
#include "pages/fIn.h"
#include "session/Controller.h"
#include "session/MainThread.h"

namespace pages_e2e
{

// "blue", "red" or "plain" for a label's text colour.
inline QString LabelColour(const QLabel *label)
{
    const QColor c = label->palette().color(QPalette::WindowText);
    if (c == QColor(0, 0, 255))
        return QStringLiteral("blue");
    if (c == QColor(255, 0, 0))
        return QStringLiteral("red");
    return QStringLiteral("plain");
}

// The labels a page registered, which mark its settings' outcomes.
inline QList<QLabel *> PageLabels(const TformIncl *page)
{
    QList<QLabel *> out;
    for (QWidget *w : page->Controls())
        if (TformIncl::KindOf(w) == TControlKind::ckLabel)
            out << qobject_cast<QLabel *>(w);
    return out;
}

inline QString Cell(const QTableWidget *grid, int row, int column)
{
    const QTableWidgetItem *item = grid->item(row, column);
    return item ? item->text() : QString();
}

// Counts the ends of busy phases as the window sees them, so a command is
// known to be over only when its last EndBusy has reached the window.
struct BusyWatch {
    bool busy = false;
    bool ready = false; // the worker's steps after connecting are done

    // Before Connect: the session copies the hooks when it starts.
    void Install(E2EHarness &h)
    {
        TSessionUi &ui = h.Window().SessionUi();
        auto previous = ui.view.busyChanged;
        ui.view.busyChanged = [this, previous](bool b) {
            if (previous)
                previous(b);
            busy = b;
        };
        auto last = ui.view.offerFirmwareUpdate;
        ui.view.offerFirmwareUpdate = [this, last] {
            if (last)
                last();
            ready = true;
        };
    }

    // The toolbar is enabled when the progress window closes, but the worker
    // clears its mailbox after its own steps that follow; a command posted
    // before that is dropped.
    bool WaitReady()
    {
        if (!E2EHarness::WaitFor([this] { return ready; }, 10000))
            return false;
        QTest::qWait(100);
        return true;
    }
};

inline bool WorkerIdle(E2EHarness &h)
{
    TSessionHost *s = h.Window().Session();
    TMainThread *t = s ? s->Thread() : nullptr;
    return !t || t->isFinished() || t->Mailbox() == wcIdle;
}

// Triggers a page command and returns when the worker has finished it and
// the window has applied everything it queued.
inline bool RunCommand(E2EHarness &h, BusyWatch &watch, QAction *action, int timeoutMs = 30000)
{
    TformMain &w = h.Window();
    // Right after connecting the toolbar comes back through the output queue.
    if (!watch.WaitReady() ||
        !E2EHarness::WaitFor([&] { return action->isEnabled() && WorkerIdle(h); }, timeoutMs))
        return false;
    action->trigger();
    if (WorkerIdle(h))
        return false; // nothing was posted
    if (!E2EHarness::WaitFor([&] { return WorkerIdle(h); }, timeoutMs))
        return false;
    // The worker's last calls to the window are posted before it goes idle.
    QCoreApplication::processEvents();
    return E2EHarness::WaitFor(
        [&] { return !watch.busy && w.OutArray()->Peek() == 0 && !QApplication::overrideCursor(); },
        timeoutMs);
}

inline bool ReadPage(E2EHarness &h, BusyWatch &watch, TformIncl *page)
{
    h.Window().ShowPage(page);
    return RunCommand(h, watch, h.Window().tbtnRead);
}

inline bool WritePage(E2EHarness &h, BusyWatch &watch, TformIncl *page)
{
    h.Window().ShowPage(page);
    return RunCommand(h, watch, h.Window().tbtnWrite);
}

// The widgets standing for the accessible objects below root with this
// name, labels left out: they carry the same words as what they label.
inline QList<QObject *> FindByAccessibleName(QWidget *root, const QString &name)
{
    QList<QObject *> found;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *iface) {
        if (!iface)
            return;
        if (iface->role() != QAccessible::StaticText && iface->text(QAccessible::Name) == name &&
            iface->object())
            found << iface->object();
        for (int i = 0; i < iface->childCount(); ++i)
            walk(iface->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(root));
    return found;
}

inline QString AccessibleName(QWidget *w)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

} // namespace pages_e2e
