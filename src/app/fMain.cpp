#include "app/fMain.h"

#include "app/AccessibleNames.h"

#include "history/fGPS.h"
#include "history/fHistory.h"
#include "pages/fCommon.h"
#include "pages/fEvents.h"
#include "pages/fFlags.h"
#include "pages/fGPRS.h"
#include "pages/fIn.h"
#include "pages/fPhones.h"
#include "platform/Cp1251.h"
#include "platform/IniFile.h"
#include "platform/ProgramDir.h"
#include "session/Controller.h"
#include "session/OutArray.h"
#include "session/Session.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

const char *const TformMain::kCaption = "Программа настройки Trevalo-3 v 2.0.032";
const char *const TformMain::kAppTitle = "T3config";

namespace
{

constexpr int kClientWidth = 1130;
constexpr int kClientHeight = 646;
constexpr int kPageAreaHeight = 496;
constexpr int kTreePercent = 16;
constexpr int kMemoButtonsWidth = 88;
constexpr int kNodeStateRole = Qt::UserRole + 1;
const char kPlacementSection[] = "formMainFormState";

// ---- toolbar images, drawn here so no binary files are kept ----

enum class TIconKind { Connect, Disconnect, Read, ReadAll, Write, WriteAll, Default, DefaultAll };

void drawSheet(QPainter &p, QRectF r)
{
    QPainterPath path;
    const qreal fold = r.width() * 0.3;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(QColor(70, 80, 95), 1.0));
    p.setBrush(QColor(250, 250, 245));
    p.drawPath(path);
    p.setPen(QPen(QColor(150, 160, 175), 1.0));
    for (int i = 1; i <= 3; ++i) {
        const qreal y = r.top() + r.height() * (0.28 + 0.18 * i);
        p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
    }
}

void drawSheets(QPainter &p, bool many)
{
    if (many) {
        drawSheet(p, QRectF(7.5, 1.5, 13, 16));
        drawSheet(p, QRectF(4.5, 4.5, 13, 16));
    }
    drawSheet(p, many ? QRectF(1.5, 7.5, 13, 16) : QRectF(3.5, 2.5, 14, 19));
}

void drawArrow(QPainter &p, QPointF from, QPointF to, const QColor &c)
{
    p.setPen(QPen(c, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    p.setBrush(c);
    p.setPen(QPen(c, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolygon(QPolygonF({to + d * 2.5, to - d * 3.5 + n * 4.0, to - d * 3.5 - n * 4.0}));
}

void drawPlug(QPainter &p, bool joined)
{
    const QColor body = joined ? QColor(40, 140, 60) : QColor(120, 120, 120);
    const qreal gap = joined ? 0 : 3;
    p.setPen(QPen(QColor(40, 40, 40), 1.0));
    p.setBrush(body);
    // Left half: body and two prongs.
    p.drawRoundedRect(QRectF(2.5 - gap, 7.5, 7, 9), 2, 2);
    p.setBrush(QColor(200, 170, 60));
    p.drawRect(QRectF(9.5 - gap, 9, 3.5, 1.8));
    p.drawRect(QRectF(9.5 - gap, 13.2, 3.5, 1.8));
    // Right half: socket.
    p.setBrush(body);
    p.drawRoundedRect(QRectF(13 + gap, 7.5, 8.5, 9), 2, 2);
    p.setPen(QPen(QColor(40, 40, 40), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0.5, 12), QPointF(2.5 - gap, 12));
    p.drawLine(QPointF(21.5 + gap, 12), QPointF(23.5, 12));
    if (!joined) {
        p.setPen(QPen(QColor(210, 40, 40), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 3), QPointF(16, 21));
    }
}

void drawReset(QPainter &p, QPointF c)
{
    const QColor col(40, 110, 200);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(col, 2.4, Qt::SolidLine, Qt::RoundCap));
    const QRectF r(c.x() - 5.5, c.y() - 5.5, 11, 11);
    p.drawArc(r, 100 * 16, 270 * 16);
    p.setBrush(col);
    p.setPen(QPen(col, 1.0));
    const QPointF tip(c.x() - 1, c.y() - 5.5);
    p.drawPolygon(
        QPolygonF({tip + QPointF(-4, -3.5), tip + QPointF(2.5, 0), tip + QPointF(-4, 3.5)}));
}

QPixmap drawIcon(TIconKind kind, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    const QColor readColour(30, 100, 210);
    const QColor writeColour(220, 120, 20);
    switch (kind) {
    case TIconKind::Connect:
        drawPlug(p, true);
        break;
    case TIconKind::Disconnect:
        drawPlug(p, false);
        break;
    case TIconKind::Read:
    case TIconKind::ReadAll:
        drawSheets(p, kind == TIconKind::ReadAll);
        drawArrow(p, QPointF(18, 8), QPointF(18, 19), readColour);
        break;
    case TIconKind::Write:
    case TIconKind::WriteAll:
        drawSheets(p, kind == TIconKind::WriteAll);
        drawArrow(p, QPointF(18, 20), QPointF(18, 9), writeColour);
        break;
    case TIconKind::Default:
    case TIconKind::DefaultAll:
        drawSheets(p, kind == TIconKind::DefaultAll);
        drawReset(p, QPointF(16.5, 16.5));
        break;
    }
    return pm;
}

QIcon toolIcon(TIconKind kind)
{
    QIcon icon;
    icon.addPixmap(drawIcon(kind, 24));
    icon.addPixmap(drawIcon(kind, 48));
    return icon;
}

// A text field that may take the editing keys away from menu shortcuts.
bool isTextField(QObject *o)
{
    if (qobject_cast<QLineEdit *>(o) || qobject_cast<QAbstractSpinBox *>(o) ||
        qobject_cast<QPlainTextEdit *>(o) || qobject_cast<QTextEdit *>(o))
        return true;
    auto *combo = qobject_cast<QComboBox *>(o);
    return combo && combo->isEditable();
}

bool isEditingKey(QKeyEvent *e)
{
    return e->matches(QKeySequence::Copy) || e->matches(QKeySequence::Cut) ||
           e->matches(QKeySequence::Paste) || e->matches(QKeySequence::SelectAll);
}

} // namespace

TformMain::TformMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("formMain"));
    setWindowTitle(QString::fromUtf8(kCaption));
    // Fixed now, so a file dialog that changes the working directory later
    // does not move the placement file.
    m_windowsIni = QDir::current().absoluteFilePath(QStringLiteral("windows.ini"));

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateCentral();
    CreateStatusBar();
    FormCreate();
    RestorePlacement();

    // Menu shortcuts must not take Ctrl+C/X/V/A from a focused text field.
    qApp->installEventFilter(this);
}

TformMain::~TformMain()
{
    qApp->removeEventFilter(this);
    FormDestroy();
}

// ---- construction ----

void TformMain::CreateActions()
{
    auto makeTool = [this](const char *name, const QString &hint, TIconKind icon, bool enabled,
                           void (TformMain::*slot)()) {
        auto *a = new QAction(toolIcon(icon), hint, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    tbtnConnect = makeTool("tbtnConnect", QStringLiteral("Подключиться"), TIconKind::Connect, true,
                           &TformMain::tbtnConnectClick);
    tbtnDisconnect = makeTool("tbtnDisconnect", QStringLiteral("Отключиться"),
                              TIconKind::Disconnect, false, &TformMain::tbtnDisconnectClick);
    tbtnRead = makeTool("tbtnRead", QStringLiteral("Прочитать настройки с данной страницы"),
                        TIconKind::Read, false, &TformMain::tbtnReadClick);
    tbtnReadAll = makeTool("tbtnReadAll", QStringLiteral("Прочитать все настройки"),
                           TIconKind::ReadAll, false, &TformMain::tbtnReadAllClick);
    tbtnWrite = makeTool("tbtnWrite", QStringLiteral("Записать настройки с данной страницы"),
                         TIconKind::Write, false, &TformMain::tbtnWriteClick);
    tbtnWriteAll = makeTool("tbtnWriteAll", QStringLiteral("Записать все настройки"),
                            TIconKind::WriteAll, false, &TformMain::tbtnWriteAllClick);
    tbtnDefault =
        makeTool("tbtnDefault", QStringLiteral("Настройки по умолчанию на данной странице"),
                 TIconKind::Default, false, &TformMain::N1Click);
    tbtnDefaultAll = makeTool("tbtnDefaultAll", QStringLiteral("Все настройки по умолчанию"),
                              TIconKind::DefaultAll, false, &TformMain::N2Click);
}

void TformMain::CreateMenus()
{
    auto makeMenu = [this](const char *name, const QString &title) {
        QMenu *m = menuBar()->addMenu(title);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    auto makeItem = [this](QMenu *menu, const char *name, const QString &text,
                           const QKeySequence &key, bool enabled, void (TformMain::*slot)()) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        a->setEnabled(enabled);
        if (slot)
            connect(a, &QAction::triggered, this, slot);
        return a;
    };

    mnuFile = makeMenu("mnuFile", QStringLiteral("Файл"));
    mnuExit = makeItem(mnuFile, "mnuExit", QStringLiteral("Выход"),
                       QKeySequence(QStringLiteral("Ctrl+X")), true, &TformMain::mnuExitClick);

    mnuConnections = makeMenu("mnuConnections", QStringLiteral("Соединение"));
    mnuConnect =
        makeItem(mnuConnections, "mnuConnect", QStringLiteral("Подключиться"),
                 QKeySequence(QStringLiteral("Ctrl+C")), true, &TformMain::tbtnConnectClick);
    mnuDisconnect =
        makeItem(mnuConnections, "mnuDisconnect", QStringLiteral("Отключиться"),
                 QKeySequence(QStringLiteral("Ctrl+D")), false, &TformMain::tbtnDisconnectClick);

    mnuUpdate = makeMenu("mnuUpdate", QStringLiteral("Панель"));
    N4 = makeItem(mnuUpdate, "N4", QStringLiteral("Обновить версию прошивки"), {}, true,
                  &TformMain::N4Click);
    N4->setVisible(false);
    mnuUpdate->menuAction()->setVisible(false);

    mnuProperties = makeMenu("mnuProperties", QStringLiteral("Настройки"));
    mnuSave = makeItem(mnuProperties, "mnuSave", QStringLiteral("Сохранить"),
                       QKeySequence(QStringLiteral("Ctrl+S")), true, &TformMain::mnuSaveClick);
    mnuLoad = makeItem(mnuProperties, "mnuLoad", QStringLiteral("Загрузить"),
                       QKeySequence(QStringLiteral("Ctrl+L")), true, &TformMain::mnuLoadClick);
    mnuProperties->addSeparator();
    // The toolbar takes no focus; the same actions here reach reading and
    // writing from the keyboard, and share the toolbar's enabled states.
    const struct {
        QAction *action;
        const char *key;
    } exchange[] = {{tbtnRead, "Ctrl+R"},
                    {tbtnReadAll, "Ctrl+Shift+R"},
                    {tbtnWrite, "Ctrl+W"},
                    {tbtnWriteAll, "Ctrl+Shift+W"}};
    for (const auto &e : exchange) {
        e.action->setShortcut(QKeySequence(QString::fromLatin1(e.key)));
        mnuProperties->addAction(e.action);
    }
    mnuProperties->addSeparator();
    N1 = makeItem(mnuProperties, "N1", QStringLiteral("Настройки по умолчанию на данной странице"),
                  {}, false, &TformMain::N1Click);
    N2 = makeItem(mnuProperties, "N2", QStringLiteral("Все настройки по умолчанию"), {}, false,
                  &TformMain::N2Click);

    // Kept for its place in the menu bar; its items do nothing and it stays hidden.
    mnuDebug = makeMenu("mnuDebug", QStringLiteral("Отладка"));
    mnuMemo = makeItem(mnuDebug, "mnuMemo", QStringLiteral("Показать отладочные сообщения"), {},
                       true, nullptr);
    mnuLog = makeItem(mnuDebug, "mnuLog", QStringLiteral("Записывать информацию в лог файл"), {},
                      true, nullptr);
    mnuDebug->menuAction()->setVisible(false);

    mnuHelp = makeMenu("mnuHelp", QStringLiteral("Помощь"));
    mnuAbout = makeItem(mnuHelp, "mnuAbout", QStringLiteral("О программе"),
                        QKeySequence(Qt::Key_F1), true, &TformMain::mnuAboutClick);
}

void TformMain::CreateToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->toggleViewAction()->setEnabled(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->addAction(tbtnConnect);
    ToolBar1->addAction(tbtnDisconnect);
    ToolBar1->addSeparator();
    ToolBar1->addAction(tbtnRead);
    ToolBar1->addAction(tbtnReadAll);
    ToolBar1->addSeparator();
    ToolBar1->addAction(tbtnWrite);
    ToolBar1->addAction(tbtnWriteAll);
    ToolBar1->addSeparator();
    ToolBar1->addAction(tbtnDefault);
    ToolBar1->addAction(tbtnDefaultAll);
    // The buttons carry the action names, so tests and the queue can find them.
    for (QAction *a : ToolBar1->actions())
        if (QWidget *w = ToolBar1->widgetForAction(a); w && !a->isSeparator())
            w->setObjectName(a->objectName() + QStringLiteral("Button"));
}

void TformMain::CreateCentral()
{
    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);

    Splitter2 = new QSplitter(Qt::Horizontal, Splitter1);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setChildrenCollapsible(false);

    tv1 = new QTreeWidget(Splitter2);
    tv1->setObjectName(QStringLiteral("tv1"));
    tv1->setAccessibleName(QStringLiteral("Страницы настроек"));
    tv1->setHeaderHidden(true);
    tv1->setRootIsDecorated(false);
    tv1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tv1->setSelectionMode(QAbstractItemView::SingleSelection);
    const struct {
        const char *text;
        int index;
    } nodes[] = {{"Общие", 0}, {"GPRS", 1},    {"Настройка событий, выходов", 2},
                 {"Флаги", 3}, {"История", 4}, {"Инженерные номера", 5}};
    for (const auto &n : nodes) {
        auto *item = new QTreeWidgetItem(tv1, QStringList(QString::fromUtf8(n.text)));
        item->setData(0, kNodeStateRole, n.index);
        // The tree is narrow; a long caption is shown whole on hover.
        item->setToolTip(0, QString::fromUtf8(n.text));
    }
    connect(tv1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current, QTreeWidgetItem *) { tv1Change(current); });

    PagePane = new QWidget(Splitter2);
    PagePane->setObjectName(QStringLiteral("PagePane"));
    PagePane->installEventFilter(this);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->installEventFilter(this);

    auto *memoArea = new QWidget(Splitter1);
    memoArea->setObjectName(QStringLiteral("MemoArea"));
    auto *memoLayout = new QHBoxLayout(memoArea);
    memoLayout->setContentsMargins(0, 0, 0, 0);
    memoLayout->setSpacing(0);
    Memo1 = new QPlainTextEdit(memoArea);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("Сообщения"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    {
        QPalette p = Memo1->palette();
        p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
        p.setColor(QPalette::Text, p.color(QPalette::ToolTipText));
        Memo1->setPalette(p);
    }
    memoLayout->addWidget(Memo1, 1);

    auto *buttons = new QWidget(memoArea);
    buttons->setObjectName(QStringLiteral("MemoButtons"));
    buttons->setFixedWidth(kMemoButtonsWidth);
    auto *bl = new QVBoxLayout(buttons);
    bl->setContentsMargins(6, 4, 6, 4);
    RzBitBtn1 = new QPushButton(QStringLiteral("Очистить"), buttons);
    RzBitBtn1->setObjectName(QStringLiteral("RzBitBtn1"));
    RzButton1 = new QPushButton(QStringLiteral("Сохранить"), buttons);
    RzButton1->setObjectName(QStringLiteral("RzButton1"));
    bl->addWidget(RzBitBtn1);
    bl->addWidget(RzButton1);
    bl->addStretch(1);
    memoLayout->addWidget(buttons);
    connect(RzBitBtn1, &QPushButton::clicked, this, &TformMain::RzBitBtn1Click);
    connect(RzButton1, &QPushButton::clicked, this, &TformMain::RzButton1Click);

    // The page area keeps its height; the memo takes what the window gains.
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->installEventFilter(this);
    setCentralWidget(Splitter1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, &TformMain::Timer1Timer);
}

void TformMain::CreateStatusBar()
{
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    const struct {
        int width;
        bool centred;
        const char *text;
        const char *accessible;
    } panels[] = {{60, true, "Com-порт:", "Com-порт"},
                  {80, false, "Телефон:", "Телефон"},
                  {120, true, "Версия прошивки:", "Версия прошивки"},
                  {100, false, "", "Флэш-память"},
                  {200, false, "", "Ход перепрошивки"}};
    for (int i = 0; i < 5; ++i) {
        auto *l = new TValueLabel(QString::fromUtf8(panels[i].text),
                                  QString::fromUtf8(panels[i].accessible), StatusBar1);
        l->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        // At least the designed width; longer texts (device paths are longer
        // than "COM1:") widen the panel instead of being cut.
        l->setMinimumWidth(panels[i].width);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setAlignment((panels[i].centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
        StatusBar1->addWidget(l);
        StatusPanels[i] = l;
    }
    // Over panel 4: inside it, one pixel below its top edge.
    QLabel *host = StatusPanels[4];
    host->setFixedWidth(200);
    auto *hl = new QHBoxLayout(host);
    hl->setContentsMargins(0, 1, 4, 0);
    RzProgressBar1 = new QProgressBar(host);
    RzProgressBar1->setObjectName(QStringLiteral("RzProgressBar1"));
    RzProgressBar1->setAccessibleName(QStringLiteral("Ход перепрошивки"));
    RzProgressBar1->setRange(0, 100);
    RzProgressBar1->setValue(0);
    hl->addWidget(RzProgressBar1);
    RzProgressBar1->setVisible(false);
}

// ---- start-up and shut-down ----

void TformMain::FormCreate()
{
    Resume.Reset();
    m_out = std::make_unique<TOutArray>();

    formCommon = new TformCommon(PagePane);
    formGPRS = new TformGPRS(PagePane);
    formGPS = new TformGPS(PagePane);
    formEvents = new TformEvents(PagePane);
    formFlags = new TformFlags(PagePane);
    formHistory = new TformHistory(PagePane);
    formPhones = new TformPhones(PagePane);
    m_pages = {formCommon, formGPRS, formGPS, formEvents, formFlags, formHistory, formPhones};
    // The Events page follows the GPRS switch, also while the pages load.
    formEvents->AttachGprsPage(formGPRS);
    for (TformIncl *page : m_pages)
        page->hide();

    {
        TIniFile ini(ProgramDir() + QStringLiteral("current.ini"));
        for (TformIncl *page : m_pages)
            page->LoadFromIni(ini);
        m_serviceMode =
            ini.ReadString(QStringLiteral("Update"), QStringLiteral("UpdatePanelVersion"),
                           QString()) == QLatin1String("qzmwxt");
    }
    if (m_serviceMode) {
        mnuUpdate->menuAction()->setVisible(true);
        N4->setVisible(true);
        RzProgressBar1->setVisible(true);
    }

    for (TformIncl *page : m_pages)
        EmbedPage(page);
    ShowPage(formCommon);
    // Only the current page stays shown, so the others cost no painting.
    for (TformIncl *page : m_pages)
        if (page != m_currentPage)
            page->hide();
    tv1->expandAll();
    // Pages raised by the output queue ("Show") become the current page.
    for (TformIncl *page : m_pages)
        page->installEventFilter(this);
    Timer1->start();
    CreateSession();
}

void TformMain::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    Timer1->stop();
    StorePlacement();

    {
        TIniFile ini(ProgramDir() + QStringLiteral("current.ini"));
        for (TformIncl *page : m_pages)
            page->SaveToIni(ini);
        if (!ini.UpdateFile())
            Warn(QStringLiteral("Не удалось сохранить настройки в файл %1:\n%2")
                     .arg(QDir::toNativeSeparators(ini.FileName()), ini.ErrorString()));
    }
    // Whether a session exists decides, not the button: it is disabled while
    // a page is read or the update window is open.
    if (m_session && m_session->Thread())
        tbtnDisconnectClick();
    m_session.reset();

    m_out.reset();
    m_currentPage = nullptr;
    for (TformIncl *page : m_pages) {
        page->removeEventFilter(this);
        delete page;
    }
    m_pages.clear();
    formCommon = nullptr;
    formGPRS = nullptr;
    formGPS = nullptr;
    formEvents = nullptr;
    formFlags = nullptr;
    formHistory = nullptr;
    formPhones = nullptr;
}

void TformMain::RestorePlacement()
{
    const int menuHeight = menuBar()->sizeHint().height();
    QRect rect(0, 0, kClientWidth, kClientHeight + menuHeight);
    bool maximized = false;
    bool restored = false;
    {
        const TIniFile ini(m_windowsIni);
        const QString s = QString::fromLatin1(kPlacementSection);
        if (ini.ReadBool(s, QStringLiteral("Saved"), false)) {
            const int left = ini.ReadInteger(s, QStringLiteral("Left"), 0);
            const int top = ini.ReadInteger(s, QStringLiteral("Top"), 0);
            const int right = ini.ReadInteger(s, QStringLiteral("Right"), 0);
            const int bottom = ini.ReadInteger(s, QStringLiteral("Bottom"), 0);
            const QRect saved(QPoint(left, top), QPoint(right - 1, bottom - 1));
            // Only a sensible rectangle that is still on a screen is used, so
            // a monitor taken away does not hide the window.
            bool onScreen = false;
            for (QScreen *screen : QGuiApplication::screens())
                if (screen->availableGeometry().intersected(saved).width() >= 100 &&
                    screen->availableGeometry().intersected(saved).height() >= 50)
                    onScreen = true;
            if (saved.width() >= 200 && saved.height() >= 150 && onScreen) {
                rect = saved;
                restored = true;
            }
            maximized = ini.ReadBool(s, QStringLiteral("Maximized"), false);
        }
    }
    if (!restored) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        if (screen)
            rect.moveCenter(screen->availableGeometry().center());
    }
    setGeometry(rect);
    if (maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TformMain::StorePlacement()
{
    // The normal (not maximized) client rectangle, so restoring it gives back
    // exactly this window.
    const QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
    TIniFile ini(m_windowsIni);
    const QString s = QString::fromLatin1(kPlacementSection);
    ini.WriteBool(s, QStringLiteral("Saved"), true);
    ini.WriteInteger(s, QStringLiteral("Left"), r.left());
    ini.WriteInteger(s, QStringLiteral("Top"), r.top());
    ini.WriteInteger(s, QStringLiteral("Right"), r.left() + r.width());
    ini.WriteInteger(s, QStringLiteral("Bottom"), r.top() + r.height());
    ini.WriteBool(s, QStringLiteral("Maximized"), isMaximized());
    ini.UpdateFile(); // a read-only working directory only costs the placement
}

// ---- pages ----

TformIncl *TformMain::PageForStateIndex(int index) const
{
    switch (index) {
    case 0:
        return formCommon;
    case 1:
        return formGPRS;
    case 2:
        return formEvents;
    case 3:
        return formFlags;
    case 4:
        return formHistory;
    case 5:
        return formPhones;
    case 6:
        return formGPS;
    default:
        return nullptr;
    }
}

void TformMain::EmbedPage(TformIncl *page)
{
    if (!page)
        return;
    if (page->parentWidget() != PagePane)
        page->setParent(PagePane);
    page->setGeometry(PagePane->rect());
    page->show();
}

void TformMain::ShowPage(TformIncl *page)
{
    if (!page)
        return;
    if (m_currentPage && m_currentPage != page)
        m_currentPage->hide();
    m_currentPage = page;
    page->setGeometry(PagePane->rect());
    page->show();
    page->raise();
    SyncTree(page);
}

void TformMain::SyncTree(TformIncl *page)
{
    QTreeWidgetItem *match = nullptr;
    for (int i = 0; i < tv1->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = tv1->topLevelItem(i);
        if (PageForStateIndex(item->data(0, kNodeStateRole).toInt()) == page)
            match = item;
    }
    if (tv1->currentItem() == match)
        return;
    const QSignalBlocker block(tv1);
    tv1->setCurrentItem(match);
    if (!match)
        tv1->clearSelection();
    tv1->viewport()->update();
}

void TformMain::SetGpsNodeShown(bool shown, TController &c)
{
    constexpr int kGpsNodes = 7;
    if (shown) {
        if (tv1->topLevelItemCount() != kGpsNodes) {
            auto *item = new QTreeWidgetItem(tv1, QStringList(QStringLiteral("GPS фиксация")));
            item->setData(0, kNodeStateRole, 6);
            item->setToolTip(0, item->text(0));
        }
    } else if (tv1->topLevelItemCount() == kGpsNodes) {
        const QSignalBlocker block(tv1);
        delete tv1->takeTopLevelItem(kGpsNodes - 1);
        c.SetCurrentPage(formPhones);
        m_out->PutText(formPhones, QStringLiteral("Show"));
    }
}

void TformMain::tv1Change(QTreeWidgetItem *node)
{
    if (!node)
        return;
    const QVariant v = node->data(0, kNodeStateRole);
    if (TformIncl *page = v.isValid() ? PageForStateIndex(v.toInt()) : nullptr)
        ShowPage(page);
}

// ---- controls states ----

namespace
{
QList<QAction *> lockedActions(const TformMain &w)
{
    return {w.tbtnDisconnect,
            w.tbtnRead,
            w.tbtnWrite,
            w.tbtnReadAll,
            w.tbtnWriteAll,
            w.mnuFile->menuAction(),
            w.mnuConnections->menuAction(),
            w.mnuProperties->menuAction(),
            w.mnuHelp->menuAction(),
            w.mnuUpdate->menuAction(),
            w.N4};
}
} // namespace

void TformMain::LockControls()
{
    tv1->setEnabled(false);
    for (QAction *a : lockedActions(*this))
        a->setEnabled(false);
}

void TformMain::UnlockControls()
{
    tv1->setEnabled(true);
    for (QAction *a : lockedActions(*this))
        a->setEnabled(true);
}

// ---- output queue ----

void TformMain::DrainOutput()
{
    if (m_out)
        m_out->Drain(this, QString::fromLatin1(kAppTitle));
}

void TformMain::Timer1Timer()
{
    Timer1->stop();
    if (m_out && m_out->Peek() != 0)
        DrainOutput();
    QCoreApplication::processEvents();
    if (!m_destroyed)
        Timer1->start();
}

// ---- handlers of later features ----

void TformMain::N4Click() {}

// ---- defaults ----

void TformMain::N1Click()
{
    if (m_currentPage)
        m_currentPage->SetDefaults();
}

void TformMain::N2Click()
{
    for (TformIncl *page : m_pages)
        page->SetDefaults();
}

// ---- settings files ----

bool TformMain::SaveSettingsFile(const QString &path)
{
    TIniFile ini(path);
    for (TformIncl *page : m_pages)
        page->SaveToIni(ini);
    if (ini.UpdateFile())
        return true;
    Warn(QStringLiteral("Не удалось записать файл настроек %1:\n%2")
             .arg(QDir::toNativeSeparators(path), ini.ErrorString()));
    return false;
}

void TformMain::LoadSettingsFile(const QString &path)
{
    TIniFile ini(path);
    for (TformIncl *page : m_pages)
        page->LoadFromIni(ini);
}

void TformMain::mnuSaveClick()
{
    TFileDialogRequest r;
    r.save = true;
    r.directory = ProgramDir();
    r.filter = QStringLiteral("Файл настроек(*.ini)");
    r.defaultSuffix = QStringLiteral("ini");
    const QString path = AskFile(r);
    if (!path.isEmpty())
        SaveSettingsFile(path);
}

void TformMain::mnuLoadClick()
{
    TFileDialogRequest r;
    r.save = false;
    r.directory = ProgramDir();
    r.filter = QStringLiteral("Файл настроек (*.ini);;Все файлы (*)");
    const QString path = AskFile(r);
    if (!path.isEmpty())
        LoadSettingsFile(path);
}

void TformMain::mnuExitClick()
{
    close();
}

// ---- memo ----

void TformMain::RzBitBtn1Click()
{
    Memo1->clear();
}

bool TformMain::SaveMemoFile(const QString &path)
{
    QByteArray bytes;
    const QString text = Memo1->toPlainText();
    if (!text.isEmpty() || Memo1->document()->blockCount() > 1) {
        for (const QString &line : text.split(QLatin1Char('\n')))
            bytes += cp1251::fromUnicode(line) + "\r\n";
    }
    QString error;
    if (WriteFileAtomically(path, bytes, &error))
        return true;
    Warn(QStringLiteral("Не удалось записать файл %1:\n%2")
             .arg(QDir::toNativeSeparators(path), error));
    return false;
}

void TformMain::RzButton1Click()
{
    TFileDialogRequest r;
    r.save = true;
    r.filter = QStringLiteral("Text Files (*.txt)");
    r.defaultSuffix = QStringLiteral("txt");
    const QString path = AskFile(r);
    if (!path.isEmpty())
        SaveMemoFile(path);
}

// ---- helpers ----

QString TformMain::AskFile(const TFileDialogRequest &request)
{
    if (FileDialogHook)
        return FileDialogHook(request);
    QFileDialog dialog(this);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    if (!request.directory.isEmpty())
        dialog.setDirectory(request.directory);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void TformMain::Warn(const QString &text)
{
    if (WarningHook) {
        WarningHook(text);
        return;
    }
    QMessageBox::warning(isVisible() ? this : nullptr, QString::fromLatin1(kAppTitle), text);
}

// ---- events ----

bool TformMain::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        if (isTextField(watched) && isEditingKey(static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
        break;
    case QEvent::Resize:
        if (watched == PagePane) {
            for (TformIncl *page : m_pages)
                page->setGeometry(PagePane->rect());
        } else if (watched == Splitter2) {
            // The tree keeps its share of the width when the window is resized.
            const int total = Splitter2->width();
            const int tree = total * kTreePercent / 100;
            Splitter2->setSizes({tree, total - tree});
        } else if (watched == Splitter1 && !m_initialLayoutDone &&
                   Splitter1->height() > kPageAreaHeight) {
            Splitter1->setSizes({kPageAreaHeight, Splitter1->height() - kPageAreaHeight});
            m_initialLayoutDone = true;
        }
        break;
    case QEvent::Show:
        if (auto *page = qobject_cast<TformIncl *>(watched);
            page && page != m_currentPage && m_pages.contains(page))
            ShowPage(page);
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
