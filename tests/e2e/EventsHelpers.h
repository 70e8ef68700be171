#pragma once
// Driving the Events and outputs page of a real session: page commands that
// return when the tracker has answered and the page shows the result, the
// sleep-switch questions answered from a script, and the accessible tree.
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <deque>
#include <vector>

#include "E2EHarness.h"
#include "pages/fEvents.h"

namespace events_e2e
{

inline bool HasLine(const QList<QByteArray> &lines, const QByteArray &prefix)
{
    for (const QByteArray &l : lines)
        if (l.startsWith(prefix))
            return true;
    return false;
}

// Tracker commands of the wire log without their values: "+flagact0204" -> "flagact".
inline QList<QByteArray> CommandNames(const QList<QByteArray> &lines)
{
    static const QList<QByteArray> known{
        "gprsena",   "zact",      "flagact",   "alphon0",    "alphon1",   "allogic", "presstime",
        "dontsleep", "periodgsm", "periodgps", "activetime", "activegsm", "gprssms"};
    QList<QByteArray> out;
    for (const QByteArray &l : lines) {
        QByteArray name = l;
        for (const QByteArray &k : known)
            if (l.mid(1).startsWith(k))
                name = k;
        out << name;
    }
    return out;
}

// Connects and returns after the steps that follow a connect (the firmware
// adaptation and the operating mode), which run after the progress window closed.
inline bool ConnectAndSettle(E2EHarness &h, int timeoutMs = 10000)
{
    auto settled = std::make_shared<bool>(false);
    TSessionUi &ui = h.Window().SessionUi();
    const std::function<void()> apply = ui.view.applyOperatingMode;
    ui.view.applyOperatingMode = [apply, settled] {
        if (apply)
            apply();
        *settled = true;
    };
    h.Connect();
    const bool ok = h.Connected() && E2EHarness::WaitFor([&] { return *settled; }, timeoutMs);
    ui.view.applyOperatingMode = apply;
    return ok;
}

// Triggers a page command and returns once the line starting with lastPrefix
// went out, the worker is no longer busy and the output queue is applied.
inline bool RunCommand(E2EHarness &h, QAction *action, const QByteArray &lastPrefix,
                       int timeoutMs = 20000)
{
    TformMain &w = h.Window();
    h.sim->clearWireLog();
    action->trigger();
    return E2EHarness::WaitFor([&] { return HasLine(h.Received(), lastPrefix); }, timeoutMs) &&
           E2EHarness::WaitFor(
               [&] {
                   return !QApplication::overrideCursor() && w.OutArray()->Peek() == 0 &&
                          w.tbtnRead->isEnabled();
               },
               timeoutMs);
}

inline bool ReadEventsPage(E2EHarness &h)
{
    h.Window().ShowPage(h.Window().formEvents);
    return RunCommand(h, h.Window().tbtnRead, "+gprssms");
}

inline bool WriteEventsPage(E2EHarness &h)
{
    h.Window().ShowPage(h.Window().formEvents);
    return RunCommand(h, h.Window().tbtnWrite, "+gprssms");
}

// Answers the sleep-switch questions from a script and records what was
// asked; the previous hook comes back at the end of the scope.
struct ScriptedAnswers {
    struct Question {
        QMessageBox::Icon icon;
        QString title, text;
        QMessageBox::StandardButtons buttons;
    };
    std::deque<QMessageBox::StandardButton> answers;
    QList<Question> asked;
    TformEvents::AskFn saved = TformEvents::AskHook;

    ScriptedAnswers()
    {
        TformEvents::AskHook = [this](QWidget *, QMessageBox::Icon icon, const QString &title,
                                      const QString &text, QMessageBox::StandardButtons buttons) {
            asked << Question{icon, title, text, buttons};
            if (answers.empty())
                return QMessageBox::Cancel;
            const QMessageBox::StandardButton a = answers.front();
            answers.pop_front();
            return a;
        };
    }
    ~ScriptedAnswers() { TformEvents::AskHook = saved; }
    void Script(const std::vector<QMessageBox::StandardButton> &l)
    {
        answers.assign(l.begin(), l.end());
        asked.clear();
    }
};

// What assistive technology learns about each widget below root: the
// accessible name, and the texts of the labels related to it (on Linux a
// combo box's name is its current entry; its label comes as a relation).
struct TAccessible {
    QString name;
    QStringList labels;
    bool Carries(const QString &text) const { return name == text || labels.contains(text); }
    bool StartsWith(const QString &text) const
    {
        if (name.startsWith(text))
            return true;
        for (const QString &l : labels)
            if (l.startsWith(text))
                return true;
        return false;
    }
};

inline QHash<QObject *, TAccessible> AccessibleTree(QWidget *root)
{
    QHash<QObject *, TAccessible> out;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *iface) {
        if (!iface)
            return;
        // Pre-order: a widget's own interface comes before any child that
        // names the same object (the entries of a combo box's list).
        if (QObject *o = iface->object(); o && !out.contains(o)) {
            TAccessible a;
            a.name = iface->text(QAccessible::Name);
            for (const auto &[label, relation] : iface->relations(QAccessible::Label))
                if (label)
                    a.labels << label->text(QAccessible::Name);
            out.insert(o, a);
        }
        for (int i = 0; i < iface->childCount(); ++i)
            walk(iface->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(root));
    return out;
}

// Saves a picture of the page's content, all of it, as the current session
// shows it, when T3_EVENTS_SHOTS names a folder.
inline void Shot(TformMain &w, const QString &name)
{
    const QString dir = QString::fromLocal8Bit(qgetenv("T3_EVENTS_SHOTS"));
    if (dir.isEmpty())
        return;
    QApplication::processEvents();
    const QString file = QDir(dir).filePath(name + QStringLiteral(".png"));
    if (!w.formEvents->Content()->grab().save(file))
        qWarning("could not save %s", qPrintable(file));
}

} // namespace events_e2e
