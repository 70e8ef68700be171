#pragma once
#include "session/ResumeState.h"

#include <QList>
#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class TOutArray;
class TformIncl;
class TformCommon;
class TformGPRS;
class TformGPS;
class TformEvents;
class TformFlags;
class TformHistory;
class TformPhones;
class TdlgConnect;
class TdlgSplash;
class TFormAbout;
class TSessionHost;
class TInstallerTools;
class TController;
struct TSessionUi;

// The program's main window: page tree, the current settings page, the
// message memo, toolbar, menus and status bar; owner of the pages and the
// output queue.
class TformMain : public QMainWindow
{
    Q_OBJECT
  public:
    explicit TformMain(QWidget *parent = nullptr);
    ~TformMain() override;

    static const char *const kCaption;
    static const char *const kAppTitle;

    // ---- pages (in page order: Common, GPRS, GPS, Events, Flags, History, Phones)
    TformCommon *formCommon = nullptr;
    TformGPRS *formGPRS = nullptr;
    TformGPS *formGPS = nullptr;
    TformEvents *formEvents = nullptr;
    TformFlags *formFlags = nullptr;
    TformHistory *formHistory = nullptr;
    TformPhones *formPhones = nullptr;
    const QList<TformIncl *> &Pages() const { return m_pages; }
    TformIncl *CurrentPage() const { return m_currentPage; }
    // The page a tree node's state index selects (0..6), or null.
    TformIncl *PageForStateIndex(int index) const;

    TOutArray *OutArray() const { return m_out.get(); }
    TResumeState Resume;
    bool ServiceMode() const { return m_serviceMode; }
    // Absolute path of windows.ini, fixed when the window is created.
    QString WindowsIniPath() const { return m_windowsIni; }

    // ---- controls
    QTreeWidget *tv1 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QAction *tbtnConnect = nullptr;
    QAction *tbtnDisconnect = nullptr;
    QAction *tbtnRead = nullptr;
    QAction *tbtnReadAll = nullptr;
    QAction *tbtnWrite = nullptr;
    QAction *tbtnWriteAll = nullptr;
    QAction *tbtnDefault = nullptr;
    QAction *tbtnDefaultAll = nullptr;

    QMenu *mnuFile = nullptr;
    QMenu *mnuConnections = nullptr;
    QMenu *mnuUpdate = nullptr;
    QMenu *mnuProperties = nullptr;
    QMenu *mnuDebug = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuConnect = nullptr;
    QAction *mnuDisconnect = nullptr;
    QAction *N4 = nullptr;
    QAction *mnuSave = nullptr;
    QAction *mnuLoad = nullptr;
    QAction *N1 = nullptr;
    QAction *N2 = nullptr;
    QAction *mnuMemo = nullptr;
    QAction *mnuLog = nullptr;
    QAction *mnuAbout = nullptr;

    QSplitter *Splitter1 = nullptr; // page area above, memo area below
    QSplitter *Splitter2 = nullptr; // tree left, page pane right
    QWidget *PagePane = nullptr;    // hosts the pages
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *RzBitBtn1 = nullptr; // "Очистить"
    QPushButton *RzButton1 = nullptr; // "Сохранить"
    QStatusBar *StatusBar1 = nullptr;
    std::array<QLabel *, 5> StatusPanels{}; // port, phone, version, flash chip, progress
    QProgressBar *RzProgressBar1 = nullptr;
    QTimer *Timer1 = nullptr;

    // ---- session (created at start, the link objects only while connected)
    TdlgSplash *dlgSplash = nullptr;
    TFormAbout *FormAbout = nullptr;
    TSessionHost *Session() const { return m_session.get(); }
    // Compare with the tracker, write to several trackers, command console.
    TInstallerTools *Tools() const { return m_tools; }
    // What the session works on, with its message hook; replaceable by tests.
    TSessionUi &SessionUi();
    // How the connect handler shows its dialogs; replaceable by tests.
    struct TConnectUi {
        // UpdateState 3: reconnect without showing the dialog.
        std::function<bool()> reconnectWithoutDialog;
        std::function<int(TdlgConnect &)> execConnectDialog;
        std::function<int(TdlgSplash &)> execSplash; // the progress window, modal
    };
    TConnectUi &ConnectUi() { return m_connectUi; }
    // After each connect: pages, tree and lists follow the tracker's firmware.
    void AdaptToFirmware(TController &c);

    // ---- hooks, replaceable by tests
    struct TFileDialogRequest {
        bool save = false;
        QString directory;
        QString filter;        // Qt form, ";;" between entries
        QString defaultSuffix; // added when the user types none
    };
    // Returns the chosen file or an empty string on cancel. The default shows
    // a QFileDialog that asks before overwriting.
    std::function<QString(const TFileDialogRequest &)> FileDialogHook;
    // Shows a failure the user must know about (a file that could not be written).
    std::function<void(const QString &text)> WarningHook;

    // Settings files: every page in page order. Save returns false (and warns)
    // when the file could not be written; the old file is then intact.
    bool SaveSettingsFile(const QString &path);
    void LoadSettingsFile(const QString &path);
    // Writes the memo's lines in Windows-1251, each ended by CR LF.
    bool SaveMemoFile(const QString &path);

  public slots:
    void ShowPage(TformIncl *page);
    void EmbedPage(TformIncl *page);
    void LockControls();
    void UnlockControls();
    void DrainOutput();

    // Session, page orchestration, firmware update: filled in by their features.
    void tbtnConnectClick();
    void tbtnDisconnectClick();
    void tbtnReadClick();
    void tbtnReadAllClick();
    void tbtnWriteClick();
    void tbtnWriteAllClick();
    void N4Click();
    void mnuAboutClick();

    void N1Click();
    void N2Click();
    void mnuSaveClick();
    void mnuLoadClick();
    void mnuExitClick();
    void RzBitBtn1Click();
    void RzButton1Click();
    void Timer1Timer();
    void tv1Change(QTreeWidgetItem *node);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void CreateSession();
    void SetGpsNodeShown(bool shown, TController &c);
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateCentral();
    void CreateStatusBar();
    void FormCreate();
    void FormDestroy();
    void RestorePlacement();
    void StorePlacement();
    void SyncTree(TformIncl *page);
    QString AskFile(const TFileDialogRequest &request);
    void Warn(const QString &text);

    std::unique_ptr<TOutArray> m_out;
    QList<TformIncl *> m_pages;
    TformIncl *m_currentPage = nullptr;
    bool m_serviceMode = false;
    bool m_destroyed = false;
    bool m_initialLayoutDone = false;
    QString m_windowsIni;
    std::unique_ptr<TSessionHost> m_session;
    TInstallerTools *m_tools = nullptr;
    TConnectUi m_connectUi;
};
