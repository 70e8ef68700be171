// The main window's session handlers: connect, disconnect and the toolbar's
// page commands.
#include "app/fMain.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "app/About.h"
#include "app/MainThread.h"
#include "app/OutArray.h"
#include "app/PageRoutines.h"
#include "app/Session.h"
#include "app/SplashDlg.h"
#include "pages/fIn.h"

void TformMain::CreateSession()
{
    dlgSplash = new TdlgSplash(this);
    FormAbout = new TFormAbout(this);

    TSessionUi ui;
    ui.window = this;
    ui.out = m_out.get();
    ui.memo = Memo1;
    ui.panels = StatusPanels;
    ui.splash = dlgSplash;
    ui.tbtnConnect = tbtnConnect;
    ui.mnuConnect = mnuConnect;
    ui.tbtnDisconnect = tbtnDisconnect;
    ui.mnuDisconnect = mnuDisconnect;
    ui.sessionActions = {tbtnRead, tbtnReadAll, tbtnWrite, tbtnWriteAll,
                         N1,       N2,          tbtnDefault, tbtnDefaultAll};
    ui.busyControls = {tv1,         tbtnDisconnect, tbtnRead,    tbtnWrite,
                       tbtnReadAll, tbtnWriteAll,   tbtnDefault, tbtnDefaultAll};
    ui.busyComponents = {mnuFile->menuAction(), mnuConnections->menuAction(),
                         mnuProperties->menuAction(), mnuHelp->menuAction(),
                         mnuUpdate->menuAction()};
    ui.pages = m_pages;
    ui.resume = &Resume;
    ui.drainOutput = [this] { DrainOutput(); };
    ui.extraCommand = [this](TController &c, unsigned char code) {
        RunExtraCommand(c, code, m_pages);
    };
    ui.showError = [this](const QString &text) {
        QMessageBox::critical(this, QString::fromLatin1(kAppTitle), text);
    };
    InstallPageSession(ui, m_pages);
    m_session = std::make_unique<TSessionHost>(ui);
}

TSessionUi &TformMain::SessionUi()
{
    return m_session->Ui();
}

void TformMain::tbtnConnectClick()
{
    if (m_session)
        m_session->tbtnConnectClick();
}

void TformMain::tbtnDisconnectClick()
{
    if (m_session)
        m_session->tbtnDisconnectClick();
}

void TformMain::tbtnReadClick()
{
    if (!m_session || !m_session->Controller() || !m_currentPage)
        return;
    m_currentPage->BeginRead();
    m_session->Controller()->SetCurrentPage(m_currentPage);
    m_session->Post(wcReadPage);
}

void TformMain::tbtnWriteClick()
{
    if (!m_session || !m_session->Controller() || !m_currentPage)
        return;
    m_currentPage->BeginWrite();
    m_session->Controller()->SetCurrentPage(m_currentPage);
    m_session->Post(wcWritePage);
}

void TformMain::tbtnReadAllClick()
{
    if (!m_session || !m_session->Controller())
        return;
    for (TformIncl *page : m_pages)
        page->BeginRead();
    m_session->Post(wcReadAll);
}

void TformMain::tbtnWriteAllClick()
{
    if (!m_session || !m_session->Controller())
        return;
    for (TformIncl *page : m_pages)
        page->BeginWrite();
    m_session->Post(wcWriteAll);
}

void TformMain::mnuAboutClick()
{
    FormAbout->exec();
}
