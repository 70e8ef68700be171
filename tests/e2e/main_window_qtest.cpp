#include "app/ConnectDlg.h"
#include "app/SplashDlg.h"
#include "app/fMain.h"
#include "pages/fIn.h"
#include "platform/Cp1251.h"
#include "platform/IniFile.h"
#include "platform/ProgramDir.h"
#include "session/OutArray.h"
#include "session/Session.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <memory>

namespace
{

QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// One value control of each common kind on a page, so walks over all pages
// have something to carry while the pages' own controls are not built.
struct Probe {
    QLineEdit *edit;
    QCheckBox *check;
    QComboBox *list;
};

Probe AddProbe(TformIncl *page)
{
    page->addGroupBox(QStringLiteral("gbProbe"), QStringLiteral("Проба"));
    Probe p;
    p.edit = page->addTextEdit(QStringLiteral("etProbe"), QStringLiteral("Проба"),
                               QStringLiteral("def"));
    p.check = page->addCheckBox(QStringLiteral("cbProbe"), QString(), QStringLiteral("Флаг"),
                                QStringLiteral("false"));
    p.list =
        page->addComboBox(QStringLiteral("cbProbeList"), QStringLiteral("Список"),
                          {QStringLiteral("один"), QStringLiteral("два")}, QStringLiteral("ОДИН"));
    return p;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_progDir;
    std::unique_ptr<QTemporaryDir> m_workDir;
    QString m_oldCwd;

    QString ProgPath(const QString &name) const { return m_progDir->filePath(name); }
    QString WorkPath(const QString &name) const { return m_workDir->filePath(name); }

  private slots:
    void init()
    {
        m_progDir = std::make_unique<QTemporaryDir>();
        m_workDir = std::make_unique<QTemporaryDir>();
        SetProgramDirOverride(m_progDir->path());
        m_oldCwd = QDir::currentPath();
        QDir::setCurrent(m_workDir->path());
    }
    void cleanup()
    {
        QDir::setCurrent(m_oldCwd);
        SetProgramDirOverride(QString());
    }

    void startStateMatchesTheDesign()
    {
        TformMain w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Программа настройки Trevalo-3 v 2.0.032"));
        QCOMPARE(w.objectName(), QStringLiteral("formMain"));

        // Menus in order, with their items, shortcuts and start states.
        QStringList menus;
        for (QAction *a : w.menuBar()->actions())
            menus << a->text() + (a->isVisible() ? "" : "(hidden)");
        QCOMPARE(menus.join('|'), QStringLiteral("Файл|Соединение|Панель(hidden)|Настройки|"
                                                 "Отладка(hidden)|Помощь"));
        struct Item {
            QAction *a;
            const char *text;
            const char *key;
            bool enabled;
        } items[] = {
            {w.mnuExit, "Выход", "Ctrl+X", true},
            {w.mnuConnect, "Подключиться", "Ctrl+C", true},
            {w.mnuDisconnect, "Отключиться", "Ctrl+D", false},
            {w.mnuSave, "Сохранить", "Ctrl+S", true},
            {w.mnuLoad, "Загрузить", "Ctrl+L", true},
            {w.tbtnRead, "Прочитать настройки с данной страницы", "Ctrl+R", false},
            {w.tbtnReadAll, "Прочитать все настройки", "Ctrl+Shift+R", false},
            {w.tbtnWrite, "Записать настройки с данной страницы", "Ctrl+W", false},
            {w.tbtnWriteAll, "Записать все настройки", "Ctrl+Shift+W", false},
            {w.N1, "Настройки по умолчанию на данной странице", "", false},
            {w.N2, "Все настройки по умолчанию", "", false},
            {w.mnuAbout, "О программе", "F1", true},
        };
        QSet<QString> keys;
        for (const Item &i : items) {
            QCOMPARE(i.a->text(), QString::fromUtf8(i.text));
            QCOMPARE(i.a->shortcut().toString(), QString::fromLatin1(i.key));
            QCOMPARE(i.a->isEnabled(), i.enabled);
            QVERIFY2(!*i.key || !keys.contains(i.key), i.key);
            keys.insert(i.key);
        }
        // Reading and writing in the settings menu, in the toolbar's order.
        QStringList properties;
        for (QAction *a : w.mnuProperties->actions())
            properties << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
        QVERIFY2(
            properties.join(' ').startsWith(QStringLiteral("mnuSave mnuLoad | tbtnRead tbtnReadAll "
                                                           "tbtnWrite tbtnWriteAll | N1 N2")),
            qPrintable(properties.join(' ')));
        QCOMPARE(w.N4->text(), QStringLiteral("Обновить версию прошивки"));
        QVERIFY(!w.N4->isVisible());

        // Toolbar order, hints and start states (nullptr = divider).
        QStringList bar;
        for (QAction *a : w.ToolBar1->actions())
            bar << (a->isSeparator()
                        ? QStringLiteral("|")
                        : a->objectName() + (a->isEnabled() ? "+" : "-") + "=" + a->toolTip());
        QCOMPARE(bar.join(' '),
                 QStringLiteral("tbtnConnect+=Подключиться tbtnDisconnect-=Отключиться | "
                                "tbtnRead-=Прочитать настройки с данной страницы "
                                "tbtnReadAll-=Прочитать все настройки | "
                                "tbtnWrite-=Записать настройки с данной страницы "
                                "tbtnWriteAll-=Записать все настройки | "
                                "tbtnDefault-=Настройки по умолчанию на данной странице "
                                "tbtnDefaultAll-=Все настройки по умолчанию"));
        for (QAction *a : w.ToolBar1->actions())
            QVERIFY(a->isSeparator() || !a->icon().isNull());

        QStringList nodes;
        for (int i = 0; i < w.tv1->topLevelItemCount(); ++i)
            nodes << w.tv1->topLevelItem(i)->text(0);
        QCOMPARE(nodes.join('|'), QStringLiteral("Общие|GPRS|Настройка событий, выходов|Флаги|"
                                                 "История|Инженерные номера"));

        QStringList pages;
        for (TformIncl *p : w.Pages())
            pages << p->objectName() + '=' + p->Caption();
        QCOMPARE(pages.join('|'),
                 QStringLiteral("formCommon=Общие|formGPRS=GPRS|formGPS=GPS фиксация|"
                                "formEvents=Настройки событий, выходов|formFlags=Флаги|"
                                "formHistory=История|formPhones=Инженерные номера"));
        QCOMPARE(w.CurrentPage(), w.Pages().constFirst());

        QStringList panels;
        for (QLabel *l : w.StatusPanels)
            panels << l->text();
        QCOMPARE(panels.join('|'), QStringLiteral("Com-порт:|Телефон:|Версия прошивки:||"));
        QVERIFY(!w.RzProgressBar1->isVisibleTo(&w));
        QCOMPARE(w.RzProgressBar1->parentWidget(), w.StatusPanels[4]);
        QVERIFY(w.Memo1->isReadOnly());
        QCOMPARE(w.RzBitBtn1->text(), QStringLiteral("Очистить"));
        QCOMPARE(w.RzButton1->text(), QStringLiteral("Сохранить"));
        QCOMPARE(w.Timer1->interval(), 50);
        QVERIFY(w.Timer1->isActive());
    }

    void layoutAtStart()
    {
        TformMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.width(), 1130);
        QCOMPARE(w.Splitter1->sizes().constFirst(), 496);
        QCOMPARE(w.Splitter2->sizes().constFirst(), w.Splitter2->width() * 16 / 100);
        w.resize(1500, 800);
        QTRY_COMPARE(w.Splitter2->sizes().constFirst(), w.Splitter2->width() * 16 / 100);
        QCOMPARE(w.Splitter1->sizes().constFirst(), 496);
        QCOMPARE(w.CurrentPage()->geometry(), w.PagePane->rect());
    }

    void serviceModeOnlyForTheExactWord_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("service");
        QTest::newRow("exact") << QByteArray("[Update]\r\nUpdatePanelVersion=qzmwxt\r\n") << true;
        QTest::newRow("section case")
            << QByteArray("[update]\r\nupdatepanelversion=qzmwxt\r\n") << true;
        QTest::newRow("upper") << QByteArray("[Update]\r\nUpdatePanelVersion=QZMWXT\r\n") << false;
        QTest::newRow("capital") << QByteArray("[Update]\r\nUpdatePanelVersion=Qzmwxt\r\n")
                                 << false;
        QTest::newRow("longer") << QByteArray("[Update]\r\nUpdatePanelVersion=qzmwxtx\r\n")
                                << false;
        QTest::newRow("empty") << QByteArray("[Update]\r\nUpdatePanelVersion=\r\n") << false;
        QTest::newRow("no file") << QByteArray() << false;
    }
    void serviceModeOnlyForTheExactWord()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, service);
        if (!ini.isEmpty())
            WriteBytes(ProgPath("current.ini"), ini);
        TformMain w;
        QCOMPARE(w.ServiceMode(), service);
        QCOMPARE(w.mnuUpdate->menuAction()->isVisible(), service);
        QCOMPARE(w.N4->isVisible(), service);
        QCOMPARE(w.N4->isEnabled(), service); // a hidden item cannot fire either
        QCOMPARE(w.RzProgressBar1->isVisibleTo(&w), service);
    }

    void placementIsStoredAndRestored()
    {
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect wanted(avail.left() + 40, avail.top() + 30, 900, 600);
        QString dirAtStart = QDir::currentPath();
        {
            TformMain w;
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.setGeometry(wanted);
            QTRY_COMPARE(w.geometry(), wanted);
            // A dialog may move the working directory; the file stays where it was.
            QDir::setCurrent(m_progDir->path());
        }
        QVERIFY(!QFile::exists(ProgPath("windows.ini")));
        const QString file = QDir(dirAtStart).filePath("windows.ini");
        TIniFile ini(file);
        const QString s = QStringLiteral("formMainFormState");
        QCOMPARE(ini.ReadString(s, "Saved", ""), QStringLiteral("1"));
        QCOMPARE(ini.ReadInteger(s, "Left", -1), wanted.left());
        QCOMPARE(ini.ReadInteger(s, "Top", -1), wanted.top());
        QCOMPARE(ini.ReadInteger(s, "Right", -1), wanted.left() + wanted.width());
        QCOMPARE(ini.ReadInteger(s, "Bottom", -1), wanted.top() + wanted.height());
        QCOMPARE(ini.ReadString(s, "Maximized", ""), QStringLiteral("0"));

        QDir::setCurrent(dirAtStart);
        TformMain again;
        QCOMPARE(again.geometry(), wanted);
        QVERIFY(!again.isMaximized());
    }

    void placementFallsBackWhenUnusable_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("maximized");
        QTest::newRow("off screen")
            << QByteArray("[formMainFormState]\r\nSaved=1\r\nLeft=20000\r\nTop=20000\r\n"
                          "Right=21000\r\nBottom=20600\r\nMaximized=0\r\n")
            << false;
        QTest::newRow("degenerate")
            << QByteArray("[formMainFormState]\r\nSaved=1\r\nLeft=10\r\nTop=10\r\nRight=5\r\n"
                          "Bottom=5\r\nMaximized=0\r\n")
            << false;
        QTest::newRow("not saved")
            << QByteArray("[formMainFormState]\r\nSaved=0\r\nLeft=10\r\nTop=10\r\nRight=900\r\n"
                          "Bottom=700\r\n")
            << false;
        QTest::newRow("maximized")
            << QByteArray("[formMainFormState]\r\nSaved=1\r\nLeft=10\r\nTop=10\r\nRight=910\r\n"
                          "Bottom=710\r\nMaximized=1\r\n")
            << true;
        QTest::newRow("garbage") << QByteArray("\x01\x02\xFF garbage\n[formMainFormState\n")
                                 << false;
    }
    void placementFallsBackWhenUnusable()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, maximized);
        WriteBytes(WorkPath("windows.ini"), ini);
        TformMain w;
        QCOMPARE(w.isMaximized() || (w.windowState() & Qt::WindowMaximized), maximized);
        if (!maximized) {
            QCOMPARE(w.width(), 1130);
            const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY(qAbs(w.geometry().center().x() - avail.center().x()) <= 1);
        }
    }

    void treeSelectsPagesAndShownPagesBecomeCurrent()
    {
        TformMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        TformIncl *expected[] = {w.Pages()[0], w.Pages()[1], w.Pages()[3],
                                 w.Pages()[4], w.Pages()[5], w.Pages()[6]};
        for (int i = 0; i < w.tv1->topLevelItemCount(); ++i) {
            w.tv1->setCurrentItem(w.tv1->topLevelItem(i));
            QCOMPARE(w.CurrentPage(), expected[i]);
            for (TformIncl *p : w.Pages())
                QCOMPARE(p->isVisible(), p == expected[i]);
        }
        // A page the queue brings to the front is the page the buttons act on.
        w.OutArray()->PutText(w.Pages()[3], QStringLiteral("Show"));
        w.DrainOutput();
        QCOMPARE(w.CurrentPage(), w.Pages()[3]);
        QCOMPARE(w.tv1->currentItem()->text(0), QStringLiteral("Настройка событий, выходов"));
        // The GPS page has no node until a tracker enables it.
        w.OutArray()->PutText(w.Pages()[2], QStringLiteral("Show"));
        w.DrainOutput();
        QCOMPARE(w.CurrentPage(), w.Pages()[2]);
        QVERIFY(!w.Pages()[3]->isVisible());
        QVERIFY(w.tv1->selectedItems().isEmpty());
    }

    void timerDrainsTheQueue()
    {
        TformMain w;
        for (int i = 0; i < 1100; ++i)
            w.OutArray()->PutMemoLine(w.Memo1, QStringLiteral("строка %1").arg(i), false, true);
        w.OutArray()->PutStatus(QStringLiteral("/dev/ttyUSB0:"), w.StatusPanels[0]);
        QTRY_COMPARE(w.OutArray()->Peek(), 0);
        QCOMPARE(w.Memo1->document()->blockCount(), 1100);
        QCOMPARE(w.Memo1->document()->lastBlock().text(), QStringLiteral("строка 1099"));
        QCOMPARE(w.StatusPanels[0]->text(), QStringLiteral("/dev/ttyUSB0:"));
        QVERIFY(w.Timer1->isActive());
    }

    void memoClearAndExportInWindows1251WithCrLf()
    {
        TformMain w;
        TformMain::TFileDialogRequest asked;
        w.FileDialogHook = [&](const TformMain::TFileDialogRequest &r) {
            asked = r;
            return WorkPath("memo.txt");
        };
        w.Memo1->appendPlainText(QStringLiteral("11.12.2026 10:00:00 #Modem<-: AT"));
        w.Memo1->appendPlainText(QStringLiteral("Ошибка связи №1"));
        w.Memo1->appendPlainText(QString());
        w.Memo1->appendPlainText(QStringLiteral("конец"));
        QTest::mouseClick(w.RzButton1, Qt::LeftButton);
        QVERIFY(asked.save);
        QCOMPARE(asked.filter, QStringLiteral("Text Files (*.txt)"));
        QCOMPARE(asked.defaultSuffix, QStringLiteral("txt"));
        QCOMPARE(ReadBytes(WorkPath("memo.txt")),
                 QByteArray("11.12.2026 10:00:00 #Modem<-: AT\r\n"
                            "\xCE\xF8\xE8\xE1\xEA\xE0 \xF1\xE2\xFF\xE7\xE8 \xB9"
                            "1\r\n"
                            "\r\n"
                            "\xEA\xEE\xED\xE5\xF6\r\n"));

        QTest::mouseClick(w.RzBitBtn1, Qt::LeftButton);
        QCOMPARE(w.Memo1->toPlainText(), QString());
        QTest::mouseClick(w.RzButton1, Qt::LeftButton);
        QCOMPARE(ReadBytes(WorkPath("memo.txt")), QByteArray());
    }

    void settingsFilesRoundTripEveryPage()
    {
        TformMain w;
        QList<Probe> probes;
        for (TformIncl *p : w.Pages())
            probes << AddProbe(p);
        int n = 0;
        for (const Probe &p : probes) {
            p.edit->setText(QStringLiteral("значение %1").arg(n));
            p.check->setChecked(n % 2 == 0);
            p.list->setCurrentIndex(n % 2);
            ++n;
        }
        QList<TformMain::TFileDialogRequest> asked;
        w.FileDialogHook = [&](const TformMain::TFileDialogRequest &r) {
            asked << r;
            return WorkPath("settings.ini");
        };
        w.mnuSave->trigger();
        // One section per page, in page order (pages may add sections of their own).
        const QStringList sections = TIniFile(WorkPath("settings.ini")).ReadSections();
        QCOMPARE(sections.filter(QRegularExpression("^form")).join(','),
                 QStringLiteral("formCommon,formGPRS,formGPS,formEvents,formFlags,formHistory,"
                                "formPhones"));
        for (const Probe &p : probes) {
            p.edit->setText(QStringLiteral("другое"));
            p.check->setChecked(!p.check->isChecked());
            p.list->setCurrentIndex(-1);
        }
        w.mnuLoad->trigger();
        n = 0;
        for (const Probe &p : probes) {
            QCOMPARE(p.edit->text(), QStringLiteral("значение %1").arg(n));
            QCOMPARE(p.check->isChecked(), n % 2 == 0);
            QCOMPARE(p.list->currentIndex(), n % 2);
            ++n;
        }
        QCOMPARE(asked.size(), 2);
        QVERIFY(asked[0].save);
        QCOMPARE(asked[0].filter, QStringLiteral("Файл настроек(*.ini)"));
        QCOMPARE(asked[0].defaultSuffix, QStringLiteral("ini"));
        QCOMPARE(asked[0].directory, ProgramDir());
        QVERIFY(!asked[1].save);
        QCOMPARE(asked[1].filter, QStringLiteral("Файл настроек (*.ini);;Все файлы (*)"));
        QCOMPARE(asked[1].directory, ProgramDir());

        // Cancelled dialogs change nothing.
        w.FileDialogHook = [](const TformMain::TFileDialogRequest &) { return QString(); };
        probes[0].edit->setText(QStringLiteral("после"));
        w.mnuLoad->trigger();
        QCOMPARE(probes[0].edit->text(), QStringLiteral("после"));
    }

    void unwritableSettingsFileWarnsAndKeepsTheOldFile()
    {
        TformMain w;
        QStringList warnings;
        w.WarningHook = [&](const QString &text) { warnings << text; };
        AddProbe(w.Pages()[0]);
        const QString target = WorkPath("no such folder/settings.ini");
        QVERIFY(!w.SaveSettingsFile(target));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].contains(QStringLiteral("settings.ini")));
        QVERIFY(!QFile::exists(target));
    }

    void startLoadsAndExitSavesCurrentIni()
    {
        // A damaged current.ini: the program starts quietly with defaults and
        // writes a clean file on exit.
        WriteBytes(ProgPath("current.ini"), QByteArray("\x00\xFF\xFE\x01[formCommon", 15));
        {
            TformMain w;
            QStringList warnings;
            w.WarningHook = [&](const QString &text) { warnings << text; };
            const Probe common = AddProbe(w.Pages()[0]);
            const Probe phones = AddProbe(w.Pages()[6]);
            common.edit->setText(QStringLiteral("объект"));
            phones.check->setChecked(true);
        }
        TIniFile ini(ProgPath("current.ini"));
        QCOMPARE(ini.ReadString("formCommon", "etProbe", ""), QStringLiteral("объект"));
        QCOMPARE(ini.ReadString("formPhones", "cbProbe", ""), QStringLiteral("1"));
        const QStringList sections = ini.ReadSections();
        QVERIFY(sections.indexOf("formCommon") >= 0);
        QVERIFY(sections.indexOf("formCommon") < sections.indexOf("formPhones"));
        QVERIFY(!ReadBytes(ProgPath("current.ini")).contains('\0'));
    }

    void defaultsOnOnePageAndOnAll()
    {
        TformMain w;
        QList<Probe> probes;
        for (TformIncl *p : w.Pages())
            probes << AddProbe(p);
        for (const Probe &p : probes)
            p.edit->setText(QStringLiteral("x"));
        w.tv1->setCurrentItem(w.tv1->topLevelItem(1)); // GPRS
        w.N1->setEnabled(true);
        w.N1->trigger();
        QCOMPARE(probes[1].edit->text(), QStringLiteral("def"));
        QCOMPARE(probes[0].edit->text(), QStringLiteral("x"));
        QCOMPARE(probes[1].list->currentIndex(), 0);
        w.tbtnDefaultAll->setEnabled(true);
        w.tbtnDefaultAll->trigger();
        for (const Probe &p : probes)
            QCOMPARE(p.edit->text(), QStringLiteral("def"));
    }

    void panelsAreHeardWithWhatTheyShow()
    {
        TformMain w;
        w.show();
        const auto name = [](QWidget *widget) {
            return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        };
        QCOMPARE(name(w.StatusPanels[1]), QStringLiteral("Телефон:"));
        QCOMPARE(name(w.StatusPanels[3]), QStringLiteral("Флэш-память"));
        const struct {
            int panel;
            const char *text, *heard;
        } cases[] = {{0, "/dev/ttyUSB0:", "Com-порт: /dev/ttyUSB0:"},
                     {1, "89001234567", "Телефон: 89001234567"},
                     {2, "REV 07.600.070", "Версия прошивки: REV 07.600.070"},
                     {3, "AT45DB161D", "Флэш-память: AT45DB161D"},
                     {1, "", "Телефон"}};
        for (const auto &c : cases) {
            w.StatusPanels[c.panel]->setText(QString::fromUtf8(c.text));
            QCOMPARE(name(w.StatusPanels[c.panel]), QString::fromUtf8(c.heard));
        }

        // The progress window: the step it shows, and no hidden OK button.
        TdlgSplash &splash = *w.dlgSplash;
        splash.show();
        splash.Panel2->setText(QStringLiteral("Набор номера: 89161234567"));
        QCOMPARE(name(splash.Panel2),
                 QStringLiteral("Состояние подключения: Набор номера: 89161234567"));
        QCOMPARE(name(splash.Panel1), QStringLiteral("Состояние подключения"));
        QAccessibleInterface *dialog = QAccessible::queryAccessibleInterface(&splash);
        QStringList children;
        for (int i = 0; i < dialog->childCount(); ++i) {
            children << dialog->child(i)->object()->objectName();
            QCOMPARE(dialog->indexOfChild(dialog->child(i)), i);
        }
        QCOMPARE(children.join(' '), QStringLiteral("Panel1 Panel2 CancelBtn"));
        QSignalSpy accepted(&splash, &QDialog::accepted);
        QAccessibleInterface *ok = QAccessible::queryAccessibleInterface(splash.Button1);
        ok->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTest::qWait(300); // a press animates before it clicks
        QCOMPARE(accepted.count(), 0);
        QVERIFY(splash.isVisible());
        // The connect's own click still closes it.
        TOutArray out;
        out.PutText(splash.Button1, QStringLiteral("Click"));
        out.Drain(&w, QString());
        QCOMPARE(accepted.count(), 1);
    }

    void lockAndUnlockControls()
    {
        TformMain w;
        w.LockControls();
        QVERIFY(!w.tv1->isEnabled());
        for (QAction *a : {w.tbtnDisconnect, w.tbtnRead, w.tbtnWrite, w.tbtnReadAll, w.tbtnWriteAll,
                           w.mnuFile->menuAction(), w.mnuConnections->menuAction(),
                           w.mnuProperties->menuAction(), w.mnuHelp->menuAction(),
                           w.mnuUpdate->menuAction(), w.N4})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        QVERIFY(w.tbtnConnect->isEnabled()); // not part of the lock
        w.UnlockControls();
        QVERIFY(w.tv1->isEnabled());
        QVERIFY(w.tbtnRead->isEnabled() && w.mnuFile->menuAction()->isEnabled());
    }

    void editingKeysStayWithTextFields()
    {
        TformMain w;
        const Probe probe = AddProbe(w.Pages()[0]);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QSignalSpy exits(w.mnuExit, &QAction::triggered);
        QSignalSpy connects(w.mnuConnect, &QAction::triggered);
        // The connection dialog that Ctrl+C opens is cancelled at once.
        w.ConnectUi().execConnectDialog = [](TdlgConnect &) { return int(QDialog::Rejected); };

        probe.edit->setText(QStringLiteral("0050"));
        probe.edit->setFocus();
        QTRY_VERIFY(probe.edit->hasFocus());
        QTest::keyClick(probe.edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(probe.edit, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(probe.edit, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(probe.edit->text(), QString()); // cut
        QTest::keyClick(probe.edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(probe.edit->text(), QStringLiteral("0050")); // pasted back
        w.Memo1->setPlainText(QStringLiteral("строка"));
        w.Memo1->setFocus();
        QTRY_VERIFY(w.Memo1->hasFocus());
        QTest::keyClick(w.Memo1, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(w.Memo1, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(exits.count(), 0);
        QCOMPARE(connects.count(), 0);

        // Elsewhere the menu shortcuts apply.
        w.tv1->setFocus();
        QTRY_VERIFY(w.tv1->hasFocus());
        QTest::keyClick(w.tv1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(connects.count(), 1);
        // Reading and writing from the keyboard, as the toolbar's buttons do.
        for (QAction *a : {w.tbtnRead, w.tbtnReadAll, w.tbtnWrite, w.tbtnWriteAll})
            a->setEnabled(true);
        QSignalSpy reads(w.tbtnRead, &QAction::triggered);
        QSignalSpy writesAll(w.tbtnWriteAll, &QAction::triggered);
        QTest::keyClick(w.tv1, Qt::Key_R, Qt::ControlModifier);
        QTest::keyClick(w.tv1, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(reads.count(), 1);
        QCOMPARE(writesAll.count(), 1);
        QTest::keyClick(w.tv1, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(exits.count(), 1);
        QTRY_VERIFY(!w.isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_qtest.moc"
