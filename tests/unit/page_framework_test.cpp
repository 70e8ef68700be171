#include "pages/fIn.h"
#include "platform/Cp1251.h"
#include "platform/IniFile.h"
#include "session/OutArray.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

namespace
{

// A page with one control of every kind, built with the page helpers.
class TestPage : public TformIncl
{
  public:
    TestPage() : TformIncl(QStringLiteral("formTest"), QStringLiteral("Проверка"))
    {
        addGroupBox(QStringLiteral("GroupBox1"), QStringLiteral("Группа"));
        etText =
            addTextEdit(QStringLiteral("etText"), QStringLiteral("Текст"), QStringLiteral("abc"));
        seSpin = addSpinEdit(QStringLiteral("seSpin"), QStringLiteral("Число"), QStringLiteral("5"),
                             0, 255);
        meMask = addMaskEdit(QStringLiteral("meMask"), QStringLiteral("Время"),
                             QStringLiteral("99:99;_"), QStringLiteral("12:30"));
        cbStd = addCheckBox(QStringLiteral("cbStd"), QString(), QStringLiteral("Флажок"),
                            QStringLiteral("false"));
        cbRz = addCheckBox(QStringLiteral("cbRz"), QStringLiteral("Второй"), QString(),
                           QStringLiteral("TRUE"), TControlKind::ckRzCheckBox);
        rb1 = addRadioButton(QStringLiteral("rb1"), QStringLiteral("И"), QStringLiteral("false"));
        rb2 = addRadioButton(QStringLiteral("rb2"), QStringLiteral("Или"), QStringLiteral("true"),
                             TControlKind::ckRzRadioButton);
        cbList = addComboBox(
            QStringLiteral("cbList"), QStringLiteral("Список"),
            {QStringLiteral("10 минут"), QStringLiteral("11 минут"), QStringLiteral("12 минут")},
            QStringLiteral("11 МИНУТ"));
        QPixmap px(8, 8);
        px.fill(Qt::red);
        cbImg = addComboBoxEx(QStringLiteral("cbImg"), QStringLiteral("Вид"),
                              {{QIcon(px), QStringLiteral("Нет")},
                               {QIcon(px), QStringLiteral("SMS")},
                               {QIcon(px), QStringLiteral("Звонок")}},
                              QStringLiteral("2"));
        QButtonGroup *g = addSpeedButtonGroup(QStringLiteral("pnlMode"), QStringLiteral("Режим"));
        sb1 =
            addSpeedButton(g, QStringLiteral("sb1"), QStringLiteral("F0"), QStringLiteral("true"));
        sb2 =
            addSpeedButton(g, QStringLiteral("sb2"), QStringLiteral("F1"), QStringLiteral("false"));
        sb3 = addSpeedButton(g, QStringLiteral("sb3"), QStringLiteral("F2"), QStringLiteral("0"));
        lbState = addLabel(QStringLiteral("lbState"), QStringLiteral("Состояние"));
    }
    QLineEdit *etText, *meMask;
    QSpinBox *seSpin;
    QCheckBox *cbStd, *cbRz;
    QRadioButton *rb1, *rb2;
    QComboBox *cbList, *cbImg;
    QToolButton *sb1, *sb2, *sb3;
    QLabel *lbState;

    // Every value away from its default.
    void SetOdd()
    {
        etText->setText(QStringLiteral("текст 1"));
        seSpin->setValue(77);
        meMask->setText(QStringLiteral("23:59"));
        cbStd->setChecked(true);
        cbRz->setChecked(false);
        rb1->setChecked(true);
        cbList->setCurrentIndex(2);
        cbImg->setCurrentIndex(0);
        sb3->setChecked(true);
    }
};

struct Snapshot {
    QString text, mask;
    int spin, list, img;
    bool std, rz, r1, r2, s1, s2, s3;
    explicit Snapshot(const TestPage &p)
        : text(p.etText->text()), mask(p.meMask->text()), spin(p.seSpin->value()),
          list(p.cbList->currentIndex()), img(p.cbImg->currentIndex()), std(p.cbStd->isChecked()),
          rz(p.cbRz->isChecked()), r1(p.rb1->isChecked()), r2(p.rb2->isChecked()),
          s1(p.sb1->isChecked()), s2(p.sb2->isChecked()), s3(p.sb3->isChecked())
    {
    }
};

class PageFramework : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    QString Path(const QString &name) const { return dir.filePath(name); }
    static QByteArray Bytes(const QString &path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    static void Write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(PageFramework, ConstructionValuesAreTheDefaultTexts)
{
    TestPage p;
    EXPECT_EQ(p.etText->text(), "abc");
    EXPECT_EQ(p.seSpin->value(), 5);
    EXPECT_EQ(p.meMask->text(), "12:30");
    EXPECT_FALSE(p.cbStd->isChecked());
    EXPECT_TRUE(p.cbRz->isChecked());
    EXPECT_TRUE(p.rb2->isChecked());
    EXPECT_EQ(p.cbList->currentIndex(), 1);
    EXPECT_EQ(p.cbImg->currentIndex(), 2);
    EXPECT_TRUE(p.sb1->isChecked());
    EXPECT_EQ(p.objectName(), "formTest");
    EXPECT_EQ(p.Caption(), "Проверка");
    EXPECT_EQ(p.ScrollBox1->objectName(), "ScrollBox1");
}

TEST_F(PageFramework, SaveWritesEveryValueControlInWalkOrder)
{
    TestPage p;
    p.SetOdd();
    {
        TIniFile ini(Path("s.ini"));
        p.SaveToIni(ini);
        ASSERT_TRUE(ini.UpdateFile());
    }
    // Labels and the group box are not stored; booleans are 1/0, lists their index.
    const QString expected = QStringLiteral("[formTest]\r\n"
                                            "etText=текст 1\r\n"
                                            "seSpin=77\r\n"
                                            "meMask=23:59\r\n"
                                            "cbStd=1\r\n"
                                            "cbRz=0\r\n"
                                            "rb1=1\r\n"
                                            "rb2=0\r\n"
                                            "cbList=2\r\n"
                                            "cbImg=0\r\n"
                                            "sb1=0\r\n"
                                            "sb2=0\r\n"
                                            "sb3=1\r\n");
    EXPECT_EQ(Bytes(Path("s.ini")), cp1251::fromUnicode(expected));
}

TEST_F(PageFramework, SaveThenLoadRestoresEveryKind)
{
    TestPage a;
    a.SetOdd();
    {
        TIniFile ini(Path("r.ini"));
        a.SaveToIni(ini);
        ASSERT_TRUE(ini.UpdateFile());
    }
    const Snapshot saved(a);
    TestPage b; // constructed with the defaults, which differ in every control
    TIniFile ini(Path("r.ini"));
    b.LoadFromIni(ini);
    const Snapshot loaded(b);
    EXPECT_EQ(loaded.text, saved.text);
    EXPECT_EQ(loaded.mask, saved.mask);
    EXPECT_EQ(loaded.spin, saved.spin);
    EXPECT_EQ(loaded.list, saved.list);
    EXPECT_EQ(loaded.img, saved.img);
    EXPECT_EQ(loaded.std, saved.std);
    EXPECT_EQ(loaded.rz, saved.rz);
    EXPECT_EQ(loaded.r1, saved.r1);
    EXPECT_EQ(loaded.r2, saved.r2);
    EXPECT_EQ(loaded.s1, saved.s1);
    EXPECT_EQ(loaded.s2, saved.s2);
    EXPECT_EQ(loaded.s3, saved.s3);
}

TEST_F(PageFramework, MissingSectionKeepsCurrentValuesButDefaultsMaskImageListAndToggles)
{
    // Also an empty, a binary and a missing file: all read as "every key missing".
    Write(Path("other.ini"), "[formOther]\r\netText=x\r\n");
    Write(Path("empty.ini"), "");
    Write(Path("binary.ini"), QByteArray("\x00\x01\xFF\xFE[formTest\x00]\x07", 12));
    for (const QString name : {"other.ini", "empty.ini", "binary.ini", "missing.ini"}) {
        SCOPED_TRACE(name.toStdString());
        TestPage p;
        p.SetOdd();
        const Snapshot before(p);
        TIniFile ini(Path(name));
        p.LoadFromIni(ini);
        // kept
        EXPECT_EQ(p.etText->text(), before.text);
        EXPECT_EQ(p.seSpin->value(), before.spin);
        EXPECT_EQ(p.cbStd->isChecked(), before.std);
        EXPECT_EQ(p.cbRz->isChecked(), before.rz);
        EXPECT_EQ(p.rb1->isChecked(), before.r1);
        EXPECT_EQ(p.cbList->currentIndex(), before.list);
        // defaulted
        EXPECT_EQ(p.meMask->text(), "12:30");
        EXPECT_EQ(p.cbImg->currentIndex(), 2);
        EXPECT_TRUE(p.sb1->isChecked());
        EXPECT_FALSE(p.sb3->isChecked());
    }
}

TEST_F(PageFramework, UnreadableNumbersReadAsMissing)
{
    Write(Path("bad.ini"), "[formTest]\r\ncbList=zwei\r\ncbImg=x1\r\ncbStd=yes\r\nseSpin=many\r\n");
    TestPage p;
    p.SetOdd();
    TIniFile ini(Path("bad.ini"));
    p.LoadFromIni(ini);
    EXPECT_EQ(p.cbList->currentIndex(), 2); // current
    EXPECT_EQ(p.cbImg->currentIndex(), 2);  // default text
    EXPECT_TRUE(p.cbStd->isChecked());      // current
    EXPECT_EQ(p.seSpin->value(), 77);       // a spin edit ignores a text that is no number
}

TEST_F(PageFramework, GroupsLetTheLastOnWinAndADownToggleIgnoresOff)
{
    struct Case {
        const char *file;
        bool r1, r2, s1, s2, s3;
    } cases[] = {
        {"rb1=1\r\nrb2=1\r\nsb1=1\r\nsb2=1\r\nsb3=0\r\n", false, true, false, true, false},
        {"rb1=1\r\nrb2=0\r\nsb1=0\r\nsb2=0\r\nsb3=0\r\n", true, false, true, false, false},
        {"sb1=0\r\nsb2=0\r\nsb3=1\r\n", false, true, false, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        Write(Path("g.ini"), QByteArray("[formTest]\r\n") + c.file);
        TestPage p; // rb2 and sb1 are on
        TIniFile ini(Path("g.ini"));
        p.LoadFromIni(ini);
        EXPECT_EQ(p.rb1->isChecked(), c.r1);
        EXPECT_EQ(p.rb2->isChecked(), c.r2);
        EXPECT_EQ(p.sb1->isChecked(), c.s1);
        EXPECT_EQ(p.sb2->isChecked(), c.s2);
        EXPECT_EQ(p.sb3->isChecked(), c.s3);
    }
}

TEST_F(PageFramework, SetDefaultsRules)
{
    TestPage p;
    p.SetOdd();
    p.SetDefaults();
    EXPECT_EQ(p.etText->text(), "abc");
    EXPECT_EQ(p.seSpin->value(), 5);
    EXPECT_EQ(p.meMask->text(), "12:30");
    EXPECT_FALSE(p.cbStd->isChecked());
    EXPECT_TRUE(p.cbRz->isChecked()); // "TRUE"
    EXPECT_TRUE(p.rb2->isChecked());
    EXPECT_EQ(p.cbList->currentIndex(), 1); // "11 МИНУТ" matches "11 минут"
    // not touched by the base operation
    EXPECT_EQ(p.cbImg->currentIndex(), 0);
    EXPECT_TRUE(p.sb3->isChecked());
}

TEST_F(PageFramework, SetDefaultsOfListsAndBooleansTable)
{
    struct Case {
        const char *defaultText;
        int listIndex;     // after SetDefaults, list starting at 2
        int checkAfterOff; // -1 = unchanged
    } cases[] = {
        {"10 минут", 0, -1}, {"10 Минут", 0, -1}, {"12 МИНУТ", 2, -1}, {"0", -1, 0},
        {"", -1, -1},        {"true", -1, 1},     {"False", -1, 0},    {"2", -1, 1},
        {"-1", -1, 1},       {"yes", -1, -1},     {" 1 ", -1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.defaultText);
        TestPage p;
        p.cbList->setProperty(kDefaultTextProperty, QString::fromUtf8(c.defaultText));
        p.cbStd->setProperty(kDefaultTextProperty, QString::fromUtf8(c.defaultText));
        p.cbList->setCurrentIndex(2);
        for (bool start : {false, true}) {
            p.cbStd->setChecked(start);
            p.SetDefaults();
            EXPECT_EQ(p.cbList->currentIndex(), c.listIndex);
            EXPECT_EQ(p.cbStd->isChecked(), c.checkAfterOff < 0 ? start : c.checkAfterOff == 1);
            p.cbList->setCurrentIndex(2);
        }
    }
}

TEST_F(PageFramework, BeginReadEmptiesTextsAndChecksAndKeepsTheRest)
{
    TestPage p;
    p.SetOdd();
    ApplyColor(p.lbState, QStringLiteral("clRed"));
    ApplyColor(p.labelOf(p.etText), QStringLiteral("clBlue"));
    QFont bold = p.etText->font();
    bold.setBold(true);
    for (QWidget *w :
         std::initializer_list<QWidget *>{p.etText, p.seSpin, p.cbStd, p.rb1, p.lbState})
        w->setFont(bold);
    const Snapshot before(p);
    const QColor normal = QApplication::palette(p.lbState).color(QPalette::WindowText);
    ASSERT_NE(p.lbState->palette().color(QPalette::WindowText), normal);

    p.BeginRead();

    EXPECT_EQ(p.etText->text(), "");
    EXPECT_FALSE(p.cbStd->isChecked());
    EXPECT_EQ(p.seSpin->value(), before.spin);
    EXPECT_EQ(p.rb1->isChecked(), before.r1);
    EXPECT_EQ(p.meMask->text(), before.mask);
    EXPECT_EQ(p.cbList->currentIndex(), before.list);
    EXPECT_EQ(p.cbImg->currentIndex(), before.img);
    EXPECT_EQ(p.sb3->isChecked(), before.s3);
    EXPECT_EQ(p.lbState->palette().color(QPalette::WindowText), normal);
    EXPECT_EQ(p.labelOf(p.etText)->palette().color(QPalette::WindowText), normal);
    for (QWidget *w :
         std::initializer_list<QWidget *>{p.etText, p.seSpin, p.cbStd, p.rb1, p.lbState})
        EXPECT_FALSE(w->font().bold()) << w->objectName().toStdString();
}

TEST_F(PageFramework, BeginWriteChangesNoValue)
{
    TestPage p;
    p.SetOdd();
    ApplyColor(p.lbState, QStringLiteral("clRed"));
    QFont bold = p.etText->font();
    bold.setBold(true);
    p.etText->setFont(bold);
    p.cbStd->setFont(bold);
    const Snapshot before(p);

    p.BeginWrite();

    const Snapshot after(p);
    EXPECT_EQ(after.text, before.text);
    EXPECT_EQ(after.spin, before.spin);
    EXPECT_EQ(after.mask, before.mask);
    EXPECT_EQ(after.std, before.std);
    EXPECT_EQ(after.r1, before.r1);
    EXPECT_EQ(after.list, before.list);
    EXPECT_EQ(after.img, before.img);
    EXPECT_EQ(after.s3, before.s3);
    EXPECT_EQ(p.lbState->palette().color(QPalette::WindowText),
              QApplication::palette(p.lbState).color(QPalette::WindowText));
    EXPECT_FALSE(p.etText->font().bold());
    EXPECT_FALSE(p.cbStd->font().bold());
}

TEST_F(PageFramework, ControlsAreNamedLabelledAndInPageOrder)
{
    TestPage p;
    QStringList names;
    for (QWidget *w : p.Controls())
        names << w->objectName();
    EXPECT_EQ(names.join(','),
              "lbetText,etText,lbseSpin,seSpin,lbmeMask,meMask,lbcbStd,cbStd,cbRz,"
              "rb1,rb2,lbcbList,cbList,lbcbImg,cbImg,lbpnlMode,sb1,sb2,sb3,lbState");
    // A screen reader finds each value control by the words beside it.
    EXPECT_EQ(p.labelOf(p.etText)->buddy(), p.etText);
    EXPECT_EQ(p.cbStd->accessibleName(), "Флажок");
    EXPECT_EQ(p.seSpin->accessibleName(), "Число");
    EXPECT_EQ(TformIncl::KindOf(p.cbImg), TControlKind::ckComboBoxEx);
    EXPECT_EQ(TformIncl::KindOf(p.cbRz), TControlKind::ckRzCheckBox);
    EXPECT_EQ(TformIncl::DefaultText(p.meMask), "12:30");
    // The default text is kept out of the tool-tip, which users read.
    EXPECT_TRUE(p.etText->toolTip().isEmpty());
}

} // namespace
