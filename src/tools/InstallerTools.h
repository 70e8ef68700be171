#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include "session/SessionPage.h"

class QAction;
class QMenu;
class QWidget;
class TformIncl;
class TOutArray;
class TSessionHost;
class TToolRunner;
class TdlgCompare;
class TdlgConsole;
class TdlgFleet;

// The installer's tools in the main window's menus: compare with the
// tracker, write one settings file to several trackers, the command console.
class TInstallerTools : public QObject
{
    Q_OBJECT
  public:
    struct TWindow {
        QWidget *window = nullptr;
        QList<TformIncl *> pages; // in page order
        TSessionHost *session = nullptr;
        TOutArray *out = nullptr;
        QObject *memo = nullptr;
        QMenu *fileMenu = nullptr, *connectionsMenu = nullptr, *propertiesMenu = nullptr;
        QAction *connectAction = nullptr; // enabled while disconnected
        QAction *fileBefore = nullptr;    // the fleet item stands above it ("Выход")
    };
    explicit TInstallerTools(const TWindow &w, QObject *parent = nullptr);
    ~TInstallerTools() override;

    QAction *mnuCompare = nullptr;
    QAction *mnuFleet = nullptr;
    QAction *mnuConsole = nullptr;
    // Enabled only while connected (the session enables and disables them).
    QList<QAction *> SessionActions() const { return {mnuCompare, mnuConsole}; }
    // The worker command the tools own (worker thread).
    ISessionPage *CommandOwner();
    TToolRunner *Runner() const { return runner_; }

    // Shown modally; replaceable so tests can drive the dialogs.
    std::function<void(TdlgCompare &)> execCompare;
    std::function<void(TdlgFleet &)> execFleet;
    std::function<void(TdlgConsole &)> execConsole;

    void mnuCompareClick();
    void mnuFleetClick();
    void mnuConsoleClick();

  private:
    class TOwner;
    TWindow w_;
    TToolRunner *runner_;
    std::unique_ptr<TOwner> owner_;
    QStringList consoleHistory_;
    QPointer<QObject> historySession_; // the worker thread the history was typed for
};
