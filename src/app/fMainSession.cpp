// The main window's session handlers: connect, disconnect and the toolbar's
// page commands.
#include "app/fMain.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeWidget>

#include "app/About.h"
#include "app/ConnectDlg.h"
#include "app/SplashDlg.h"
#include "history/fGPS.h"
#include "pages/fCommon.h"
#include "pages/fEvents.h"
#include "pages/fFlags.h"
#include "pages/fIn.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/ProgramDir.h"
#include "session/MainThread.h"
#include "session/OutArray.h"
#include "session/Session.h"
#include "tools/InstallerTools.h"

void TformMain::CreateSession()
{
    dlgSplash = new TdlgSplash(this);
    FormAbout = new TFormAbout(this);

    TSessionUi ui;
    ui.out = m_out.get();
    ui.view.memo = Memo1;
    ui.view.splashStatus = dlgSplash->Panel2;
    ui.view.splashOk = dlgSplash->Button1;
    ui.panels = StatusPanels;
    ui.tbtnConnect = tbtnConnect;
    ui.mnuConnect = mnuConnect;
    ui.tbtnDisconnect = tbtnDisconnect;
    ui.mnuDisconnect = mnuDisconnect;
    ui.sessionActions = {tbtnRead, tbtnReadAll, tbtnWrite,   tbtnWriteAll,
                         N1,       N2,          tbtnDefault, tbtnDefaultAll};
    ui.view.busyControls = {tv1,         tbtnDisconnect, tbtnRead,    tbtnWrite,
                            tbtnReadAll, tbtnWriteAll,   tbtnDefault, tbtnDefaultAll};
    ui.view.busyComponents = {mnuFile->menuAction(), mnuConnections->menuAction(),
                              mnuProperties->menuAction(), mnuHelp->menuAction(),
                              mnuUpdate->menuAction()};
    for (TformIncl *page : m_pages)
        ui.view.pages << page;
    ui.view.resume = &Resume;
    ui.view.drainOutput = [this] { DrainOutput(); };
    ui.showError = [this](const QString &text) {
        QMessageBox::critical(this, QString::fromLatin1(kAppTitle), text);
    };
    ui.view.operating = &formEvents->Operating;
    ui.view.applyOperatingMode = [this] { formEvents->ApplyOperatingMode(); };
    ui.view.adaptToFirmware = [this](TController &c) { AdaptToFirmware(c); };
    ui.view.busyChanged = [this](bool busy) {
        formEvents->SetBusy(busy);
        formFlags->btnRST->setEnabled(!busy);
        for (QWidget *w :
             std::initializer_list<QWidget *>{formGPS->btnSaveAlEp, formGPS->btnLoadAlEp,
                                              formGPS->RzBitBtn1, formGPS->RzBitBtn2})
            w->setEnabled(!busy);
    };
    m_session = std::make_unique<TSessionHost>(ui);

    TInstallerTools::TWindow tools;
    tools.window = this;
    tools.pages = m_pages;
    tools.session = m_session.get();
    tools.out = m_out.get();
    tools.memo = Memo1;
    tools.fileMenu = mnuFile;
    tools.fileBefore = mnuExit;
    tools.connectionsMenu = mnuConnections;
    tools.propertiesMenu = mnuProperties;
    tools.connectAction = mnuConnect;
    m_tools = new TInstallerTools(tools, this);
    m_session->Ui().sessionActions << m_tools->SessionActions();
    m_session->Ui().view.commandOwners << m_tools->CommandOwner();

    // Page buttons post their commands only while a session runs.
    auto post = [this](unsigned char code) { return m_session && m_session->Post(code); };
    formEvents->PostCommand = post;
    formEvents->IsConnected = [this] { return m_session && m_session->Connected(); };
    formEvents->ConnectedAtLeast600 = [this](int minor) {
        return m_session && m_session->Controller() && m_session->Controller()->VersionMajor >= 0 &&
               m_session->Controller()->AtLeast600(minor);
    };
    // Commands of page buttons are refused while the worker is busy.
    auto postWhenIdle = [this](unsigned char code) {
        return m_session && m_session->Thread() && m_session->Thread()->Mailbox() == wcIdle &&
               m_session->Post(code);
    };
    formFlags->PostResetFlags = [postWhenIdle] { return postWhenIdle(wcResetFlags); };
    formGPS->PostCommand = postWhenIdle;
}

void TformMain::AdaptToFirmware(TController &c)
{
    const bool at27 = c.AtLeast600(27);
    for (QWidget *w : std::initializer_list<QWidget *>{formEvents->lbFS, formEvents->cbFS})
        w->setVisible(at27);
    for (QWidget *w : std::initializer_list<QWidget *>{formEvents->RadioButton3, formEvents->lbrb3,
                                                       formEvents->RadioButton4, formEvents->lbrb4})
        w->setVisible(at27);
    formFlags->SetBatteryColumnShown(at27);

    const bool at38 = c.AtLeast600(38);
    formEvents->lbTimeBtn->setVisible(at38);
    formEvents->cbTimeBtn->setVisible(at38);

    bool gpsKey = false;
    {
        const TIniFile ini(ProgramDir() + QStringLiteral("current.ini"));
        gpsKey = ini.ReadString(QStringLiteral("GPSfix"), QStringLiteral("SL_AlEh"),
                                QStringLiteral("0")) == QLatin1String("1");
    }
    SetGpsNodeShown(c.AtLeast600(41) && gpsKey, c);

    formCommon->SetFixTridShown(c.AtLeast600(43));

    const bool at58 = c.AtLeast600(58);
    for (QWidget *w : formEvents->ModeControls58())
        w->setVisible(at58);
    formEvents->btnDontsleep00->setVisible(false);
    formEvents->LeaveHiddenModes();
    formEvents->UpdateModeControls();

    formEvents->SetKindVisible(5, c.AtLeast600(62));
}

TSessionUi &TformMain::SessionUi()
{
    return m_session->Ui();
}

void TformMain::tbtnConnectClick()
{
    if (!m_session)
        return;
    TIniFile ini(ProgramDir() + QStringLiteral("current.ini"));
    TdlgConnect dlg(this);
    QStringList ports;
    TdlgConnect::EnumComPorts(ports);
    dlg.ComPorts->addItems(ports);
    dlg.LoadSettings(ini);

    int result;
    const TConnectUi &hooks = m_connectUi;
    if (hooks.reconnectWithoutDialog && hooks.reconnectWithoutDialog()) {
        t3clock::SleepMs(100);
        QCoreApplication::processEvents();
        result = QDialog::Accepted;
    } else {
        result = hooks.execConnectDialog ? hooks.execConnectDialog(dlg) : dlg.exec();
    }

    TSessionUi &ui = m_session->Ui();
    const bool dialable = TdlgConnect::PhoneIsDialable(dlg.cbPhones->currentText());
    if (result == QDialog::Accepted && !dialable && ui.showError)
        ui.showError(QStringLiteral("Номер телефона содержит недопустимые символы!"));
    if (result == QDialog::Accepted && dialable && !m_session->Connected() &&
        m_session->OpenLink(dlg.PortName(), false, dlg.cbPhones->currentText(),
                            dlg.cbRegWait->isChecked())) {
        ui.panels[0]->setText(dlg.ComPorts->currentText());
        ui.panels[1]->setText(dlg.cbPhones->currentText());
        m_session->Start([this] {
            return m_connectUi.execSplash ? m_connectUi.execSplash(*dlgSplash) : dlgSplash->exec();
        });
    }
    dlg.SaveSettings(ini);
    ini.UpdateFile();
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
