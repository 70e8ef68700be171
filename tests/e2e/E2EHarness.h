#pragma once
// A main window and a simulated tracker on a pty, with the dialogs answered
// as a user would answer them.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "Simulator.h"
#include "app/ConnectDlg.h"
#include "app/SplashDlg.h"
#include "app/fMain.h"
#include "platform/ProgramDir.h"
#include "session/OutArray.h"
#include "session/Session.h"

struct E2EHarness {
    QTemporaryDir dir;
    std::unique_ptr<t3sim::Simulator> sim;
    std::unique_ptr<TformMain> window;
    QString phone = QStringLiteral("89161234567");
    bool waitRegistration = true;
    QString portEntry;    // empty: the simulator's link
    QStringList messages; // message boxes the window showed
    QStringList errors;   // error boxes of the session
    // Runs while the progress window is shown; return a result to close it
    // yourself (e.g. Rejected), or -1 to let the worker close it.
    std::function<int(TdlgSplash &)> duringSplash;
    int splashResult = -1;
    QString splashText; // the progress text when it closed

    E2EHarness()
    {
        SetProgramDirOverride(dir.path() + QLatin1Char('/'));
        QDir::setCurrent(dir.path());
        sim = std::make_unique<t3sim::Simulator>(dir.path() + QStringLiteral("/tty"));
        sim->setGuardTimeMs(1000);
        QString error;
        if (!sim->start(&error))
            qFatal("simulator: %s", qPrintable(error));
        TOutArray::messageHook = [this](QWidget *, const QString &, const QString &text) {
            messages << text;
        };
    }

    ~E2EHarness()
    {
        window.reset();
        sim->stop();
        TOutArray::messageHook = nullptr;
    }

    TformMain &Window()
    {
        if (!window) {
            window = std::make_unique<TformMain>();
            window->show();
            InstallHooks();
        }
        return *window;
    }

    void InstallHooks()
    {
        TSessionUi &ui = window->SessionUi();
        TformMain::TConnectUi &connect = window->ConnectUi();
        connect.execConnectDialog = [this](TdlgConnect &dlg) {
            dlg.ComPorts->setEditText(portEntry.isEmpty() ? sim->portPath() + QLatin1Char(':')
                                                          : portEntry);
            dlg.cbPhones->setEditText(phone);
            dlg.cbRegWait->setChecked(waitRegistration);
            dlg.OKBtn->click();
            return dlg.result();
        };
        connect.execSplash = [this](TdlgSplash &splash) {
            if (duringSplash) {
                QTimer::singleShot(0, &splash, [this, &splash] {
                    const int r = duringSplash(splash);
                    if (r >= 0)
                        splash.done(r);
                });
            }
            // A connect that neither succeeds nor is cancelled by the test
            // must not hang the run.
            QTimer guard;
            guard.setSingleShot(true);
            QObject::connect(&guard, &QTimer::timeout, &splash, [this, &splash] {
                qWarning("progress window still open: %s\n%s", qPrintable(splash.Panel2->text()),
                         qPrintable(window->Memo1->toPlainText()));
                splash.reject();
            });
            guard.start(30000);
            splashResult = splash.exec();
            splashText = splash.Panel2->text();
            return splashResult;
        };
        ui.showError = [this](const QString &text) { errors << text; };
    }

    // Presses "Подключиться" and returns when the progress window has closed.
    void Connect() { Window().tbtnConnect->trigger(); }

    bool Connected() { return Window().tbtnDisconnect->isEnabled(); }

    // Waits while serving the window (the drain timer runs).
    static bool WaitFor(const std::function<bool()> &cond, int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (!cond()) {
            if (t.elapsed() > timeoutMs)
                return false;
            QTest::qWait(20);
        }
        return true;
    }

    // Keeps the progress window open until cond holds, then closes it with Cancel.
    static std::function<int(TdlgSplash &)> CancelWhen(std::function<bool()> cond, int timeoutMs)
    {
        return [cond, timeoutMs](TdlgSplash &) {
            WaitFor(cond, timeoutMs);
            return int(QDialog::Rejected);
        };
    }

    QStringList MemoLines() { return Window().Memo1->toPlainText().split(QLatin1Char('\n')); }

    bool MemoHas(const QString &text)
    {
        for (const QString &line : MemoLines())
            if (line.contains(text))
                return true;
        return false;
    }

    QList<QByteArray> Received() { return sim->linesReceived(); }
};
