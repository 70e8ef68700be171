#include "tools/InstallerTools.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>

#include "pages/fIn.h"
#include "session/MainThread.h"
#include "session/Session.h"
#include "tools/CompareDlg.h"
#include "tools/ConsoleDlg.h"
#include "tools/FleetDlg.h"
#include "tools/ToolRunner.h"

// The tools' worker command, offered to the session beside the pages'.
class TInstallerTools::TOwner : public ISessionPage
{
  public:
    explicit TOwner(TToolRunner *runner) : runner_(runner) {}
    QObject *PageObject() override { return runner_; }
    void Read(TPageContext &) override {}
    void Write(TPageContext &) override {}
    bool RunCommand(unsigned char code, TPageContext &ctx) override
    {
        return runner_->RunCommand(code, ctx);
    }
    bool WrittenByWriteAll() const override { return false; }

  private:
    TToolRunner *runner_;
};

TInstallerTools::TInstallerTools(const TWindow &w, QObject *parent)
    : QObject(parent), w_(w), runner_(new TToolRunner(w.session, this)),
      owner_(std::make_unique<TOwner>(runner_))
{
    const auto item = [this](QMenu *menu, const char *name, const QString &text, bool enabled,
                             void (TInstallerTools::*slot)(), QAction *before = nullptr) {
        auto *a = new QAction(text, menu);
        menu->insertAction(before, a);
        a->setObjectName(QString::fromLatin1(name));
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    mnuCompare = item(w_.propertiesMenu, "mnuCompare", QStringLiteral("Сравнить с устройством"),
                      false, &TInstallerTools::mnuCompareClick);
    mnuFleet = item(w_.fileMenu, "mnuFleet", QStringLiteral("Записать в несколько устройств…"),
                    true, &TInstallerTools::mnuFleetClick, w_.fileBefore);
    mnuConsole = item(w_.connectionsMenu, "mnuConsole", QStringLiteral("Консоль команд"), false,
                      &TInstallerTools::mnuConsoleClick);
    // The fleet dials by itself: only while the window has no session.
    if (QAction *connectAction = w_.connectAction)
        connect(connectAction, &QAction::changed, this,
                [this, connectAction] { mnuFleet->setEnabled(connectAction->isEnabled()); });
}

TInstallerTools::~TInstallerTools() = default;

ISessionPage *TInstallerTools::CommandOwner()
{
    return owner_.get();
}

void TInstallerTools::mnuCompareClick()
{
    if (!runner_->Connected())
        return;
    TdlgCompare dlg(w_.pages, runner_, w_.window);
    // Reading starts at once: that is what the user asked for.
    dlg.StartCompare();
    if (execCompare)
        execCompare(dlg);
    else
        dlg.exec();
}

void TInstallerTools::mnuFleetClick()
{
    if (w_.session && w_.session->Connected()) {
        QMessageBox::warning(w_.window, QStringLiteral("Записать в несколько устройств"),
                             QStringLiteral("Сначала отключитесь от устройства."));
        return;
    }
    TdlgFleet dlg(w_.pages, w_.memo, w_.out, w_.window);
    if (execFleet)
        execFleet(dlg);
    else
        dlg.exec();
}

void TInstallerTools::mnuConsoleClick()
{
    if (!runner_->Connected())
        return;
    // The history belongs to the session it was typed in.
    QObject *session = w_.session ? w_.session->Thread() : nullptr;
    if (!historySession_ || session != historySession_) {
        consoleHistory_.clear();
        historySession_ = session;
    }
    TdlgConsole dlg(runner_, w_.window);
    dlg.SetHistory(consoleHistory_);
    if (execConsole)
        execConsole(dlg);
    else
        dlg.exec();
    consoleHistory_ = dlg.History();
}
