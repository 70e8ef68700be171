#include "platform/Cp1251.h"
#include "platform/IniFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class IniFileTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    QString Path(const char *name = "current.ini") const { return dir.filePath(name); }
};

TEST_F(IniFileTest, RoundTripWritesCp1251CrLfInWalkOrder)
{
    {
        TIniFile ini(Path());
        ini.WriteString("formCommon", "etObjNum", "0042");
        ini.WriteString("formCommon", "etName", QStringLiteral("Общие настройки"));
        ini.WriteBool("formCommon", "cbGPRS", true);
        ini.WriteInteger("formGPRS", "cbMode", -1);
        ini.WriteBool("formGPRS", "rbOff", false);
        ASSERT_TRUE(ini.UpdateFile());
    }
    const QByteArray expected = "[formCommon]\r\netObjNum=0042\r\netName=" +
                                cp1251::fromUnicode(QStringLiteral("Общие настройки")) +
                                "\r\ncbGPRS=1\r\n[formGPRS]\r\ncbMode=-1\r\nrbOff=0\r\n";
    EXPECT_EQ(ReadAll(Path()), expected);

    TIniFile back(Path());
    EXPECT_EQ(back.ReadString("formCommon", "etObjNum", "x"), "0042");
    EXPECT_EQ(back.ReadString("formCommon", "etName", "x"), QStringLiteral("Общие настройки"));
    EXPECT_TRUE(back.ReadBool("formCommon", "cbGPRS", false));
    EXPECT_EQ(back.ReadInteger("formGPRS", "cbMode", 7), -1);
    EXPECT_FALSE(back.ReadBool("formGPRS", "rbOff", true));
    EXPECT_EQ(back.ReadSections(), (QStringList{"formCommon", "formGPRS"}));
}

TEST_F(IniFileTest, SectionsAndKeysIgnoreLetterCase)
{
    WriteAll(Path(), "[formCommon]\r\netObjNum=1\r\n");
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("FORMCOMMON", "ETOBJNUM", "x"), "1");
    EXPECT_TRUE(ini.ValueExists("formcommon", "etobjnum"));
    EXPECT_TRUE(ini.SectionExists("FormCommon"));
    EXPECT_FALSE(ini.ValueExists("formCommon", "etObjNum2"));
    EXPECT_FALSE(ini.SectionExists("formGPRS"));

    ini.WriteString("FORMCOMMON", "ETOBJNUM", "2");
    ASSERT_TRUE(ini.UpdateFile());
    // Replaced, not added a second time; the file keeps its spelling.
    EXPECT_EQ(ReadAll(Path()), "[formCommon]\r\netObjNum=2\r\n");
}

TEST_F(IniFileTest, ExistingKeyReplacedInPlaceNewOnesAppended)
{
    WriteAll(Path(), "; settings\r\n[A]\r\nk1=1\r\nk2=2\r\n\r\n[B]\r\nx=old\r\ny=3\r\n");
    TIniFile ini(Path());
    ini.WriteString("B", "x", "new");
    ini.WriteString("A", "k3", "3");
    ini.WriteString("C", "z", "9");
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(ReadAll(Path()), "; settings\r\n[A]\r\nk1=1\r\nk2=2\r\nk3=3\r\n\r\n[B]\r\nx=new\r\n"
                               "y=3\r\n[C]\r\nz=9\r\n");
}

TEST_F(IniFileTest, IntegersAndBooleansReadLeniently)
{
    struct Case {
        const char *text;
        int integer;  // with default 77
        bool boolean; // with default true
    };
    const Case cases[] = {
        {"12", 12, true},    {" -5 ", -5, true}, {"0", 0, false},   {"$1F", 31, true},
        {"0x10", 16, true},  {"+3", 3, true},    {"abc", 77, true}, {"", 77, true},
        {"12abc", 77, true}, {"true", 77, true}, {"1.5", 77, true}, {"99999999999", 77, true},
        {"\"5\"", 5, true},
    };
    QByteArray file = "[S]\r\n";
    for (size_t i = 0; i < std::size(cases); ++i)
        file += "k" + QByteArray::number(int(i)) + "=" + cases[i].text + "\r\n";
    WriteAll(Path(), file);
    TIniFile ini(Path());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const QString key = "k" + QString::number(i);
        EXPECT_EQ(ini.ReadInteger("S", key, 77), cases[i].integer) << cases[i].text;
        EXPECT_EQ(ini.ReadBool("S", key, true), cases[i].boolean) << cases[i].text;
    }
    // A non-number reads as missing for a false default too.
    EXPECT_FALSE(ini.ReadBool("S", "k6", false));
    EXPECT_TRUE(ini.ReadBool("S", "k0", false));
}

TEST_F(IniFileTest, ValuesThatTheReaderWouldAlterSurviveTheRoundTrip)
{
    const QString values[] = {"  leading", "trailing  ", "\"quoted\"",  "'single'",
                              "",          "a=b=c",      "line1\nline2"};
    {
        TIniFile ini(Path());
        int i = 0;
        for (const QString &v : values)
            ini.WriteString("S", "k" + QString::number(i++), v);
        ini.WriteString("S", "after", "ok");
        ASSERT_TRUE(ini.UpdateFile());
    }
    TIniFile back(Path());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(back.ReadString("S", "k" + QString::number(i), "x"), values[i]);
    // A line break cannot split the entry into a second line.
    EXPECT_EQ(back.ReadString("S", "k6", "x"), "line1 line2");
    EXPECT_EQ(back.ReadString("S", "after", "x"), "ok");
}

// The reader skips lines with control characters as binary garbage; a value
// holding one (a text the tracker sent with noise in it) must not be written
// into such a line and vanish on the next start.
TEST_F(IniFileTest, ValueWithControlCharactersIsKeptWithBlanks)
{
    const struct {
        QString value;
        QString readBack;
    } cases[] = {{QString::fromLatin1("a\x01"
                                      "b",
                                      3),
                  "a b"},
                 {QString::fromLatin1("\0nul", 4), " nul"},
                 {QString::fromLatin1("tab\there\x1f", 9), "tab\there "},
                 {QString::fromLatin1("x\r\n\x7f"
                                      "y",
                                      5),
                  "x  \x7f"
                  "y"}};
    {
        TIniFile ini(Path());
        int i = 0;
        for (const auto &c : cases)
            ini.WriteString("S", "k" + QString::number(i++), c.value);
        ASSERT_TRUE(ini.UpdateFile());
    }
    TIniFile back(Path());
    int i = 0;
    for (const auto &c : cases)
        EXPECT_EQ(back.ReadString("S", "k" + QString::number(i++), "missing"), c.readBack) << i;
}

TEST_F(IniFileTest, BrokenHeaderIsNoEntryAndCannotBecomeASection)
{
    WriteAll(Path(), "[Main]\r\n[Half=x\r\nA=1\r\n");
    {
        TIniFile ini(Path());
        EXPECT_EQ(ini.ReadSection("Main"), QStringList{"A"});
        ini.WriteString("Main", "A", "a ] b");
        ASSERT_TRUE(ini.UpdateFile());
    }
    TIniFile back(Path());
    EXPECT_EQ(back.ReadSections(), QStringList{"Main"});
    EXPECT_EQ(back.ReadString("Main", "A", "missing"), "a ] b");
}

TEST_F(IniFileTest, DamagedFilesReadWithoutFailureAndSaveClean)
{
    struct Case {
        const char *name;
        QByteArray bytes;
        const char *objNum; // expected formCommon/etObjNum, null when missing
    };
    QByteArray binary;
    for (int i = 0; i < 512; ++i)
        binary += char((i * 37 + 11) & 0xFF);
    const Case cases[] = {
        {"empty", "", nullptr},
        {"lf only", "[formCommon]\netObjNum=5\n", "5"},
        {"cr only", "[formCommon]\retObjNum=5\r", "5"},
        {"truncated", "[formCommon]\r\netObjNum=5\r\netNa", "5"},
        {"cut in header", "[formCommon]\r\netObjNum=5\r\n[formG", "5"},
        {"garbage lines", "garbage\r\n[formCommon]\r\n???\r\n=x\r\netObjNum=5\r\n]]\r\n", "5"},
        {"binary", binary, nullptr},
        {"binary then good", binary + "\r\n[formCommon]\r\netObjNum=5\r\n", "5"},
        {"utf8 bom", "\xEF\xBB\xBF[formCommon]\r\netObjNum=5\r\n", "5"},
        {"nul inside", QByteArray("[formCommon]\r\netObjNum=5\r\nx\0y=1\r\n", 30), "5"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(Path(), c.bytes);
        {
            TIniFile ini(Path());
            const QString v = ini.ReadString("formCommon", "etObjNum", "missing");
            EXPECT_EQ(v, c.objNum ? QString(c.objNum) : QString("missing"));
            ini.WriteString("formCommon", "etObjNum", "7");
            ASSERT_TRUE(ini.UpdateFile());
        }
        const QByteArray saved = ReadAll(Path());
        for (char ch : saved)
            EXPECT_TRUE(ch == '\r' || ch == '\n' || uchar(ch) >= 0x20) << int(uchar(ch));
        EXPECT_EQ(TIniFile(Path()).ReadString("formCommon", "etObjNum", "x"), "7");
    }
}

TEST_F(IniFileTest, MissingOrUnreadableFileIsEmpty)
{
    TIniFile missing(Path("nope.ini"));
    EXPECT_FALSE(missing.SectionExists("formCommon"));
    EXPECT_EQ(missing.ReadInteger("formCommon", "k", 3), 3);
    // A directory in place of the file reads as empty too.
    QDir(dir.path()).mkdir("adir.ini");
    TIniFile directory(Path("adir.ini"));
    EXPECT_TRUE(directory.ReadSections().isEmpty());
    // Nothing written: nothing to save, no file created.
    EXPECT_TRUE(missing.UpdateFile());
    EXPECT_FALSE(QFile::exists(Path("nope.ini")));
}

TEST_F(IniFileTest, EraseSectionAndDeleteKey)
{
    WriteAll(Path(), "[A]\r\na=1\r\n[B]\r\nb=2\r\nc=3\r\n[a]\r\nd=4\r\n");
    TIniFile ini(Path());
    ini.EraseSection("a");
    ini.DeleteKey("B", "C");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(ini.ReadSection("b"), QStringList{"b"});
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(ReadAll(Path()), "[B]\r\nb=2\r\n");
}

TEST_F(IniFileTest, DestructorSavesPendingWrites)
{
    {
        TIniFile ini(Path());
        ini.WriteInteger("S", "n", 5);
    }
    EXPECT_EQ(ReadAll(Path()), "[S]\r\nn=5\r\n");
}

// The old file must survive every failed save.
class IniSaveFailureTest : public IniFileTest
{
  protected:
    void SetUp() override { WriteAll(Path(), old); }
    const QByteArray old = "[S]\r\nk=old\r\n";
};

TEST_F(IniSaveFailureTest, ReadOnlyDirectory)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    TIniFile ini(Path());
    ini.WriteString("S", "k", "new");
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_FALSE(ini.ErrorString().isEmpty());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(ReadAll(Path()), old);
}

TEST_F(IniSaveFailureTest, DiskFull)
{
    // A file size limit makes the write fail the way a full disk does.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool ok = true;
    QString error;
    {
        TIniFile ini(Path());
        ini.WriteString("S", "k", QString(500, u'x'));
        ok = ini.UpdateFile();
        error = ini.ErrorString();
    } // the destructor's second try fails the same way
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadAll(Path()), old);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"current.ini"});
}

TEST_F(IniSaveFailureTest, FolderThatCannotHoldFiles)
{
    TIniFile ini("/proc/t3config-no-such-dir/current.ini");
    ini.WriteString("S", "k", "v");
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_TRUE(ini.IsDirty());
}

} // namespace

namespace
{

TEST_F(IniFileTest, SaveKeepsPermissionsAndReplacesThroughALink)
{
    WriteAll(Path("real.ini"), "[S]\r\nk=1\r\n");
    QFile::setPermissions(Path("real.ini"), QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(QFile::link(Path("real.ini"), Path("link.ini")));
    TIniFile ini(Path("link.ini"));
    ini.WriteString("S", "k", "2");
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_TRUE(QFileInfo(Path("link.ini")).isSymLink());
    EXPECT_EQ(ReadAll(Path("real.ini")), "[S]\r\nk=2\r\n");
    struct stat st {
    };
    ASSERT_EQ(stat(QFile::encodeName(Path("real.ini")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

} // namespace
