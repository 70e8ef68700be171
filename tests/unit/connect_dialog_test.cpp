#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>

#include "app/ConnectDlg.h"
#include "platform/IniFile.h"

namespace
{

QStringList Items(const QComboBox *c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

TEST(ConnectDialog, FirstStartDefaults)
{
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("current.ini"));
    TdlgConnect dlg;
    dlg.LoadSettings(ini);
    EXPECT_EQ(dlg.ComPorts->currentText(), QStringLiteral(" "));
    EXPECT_EQ(dlg.cbPhones->count(), 0);
    EXPECT_EQ(dlg.cbPhones->currentText(), QString());
    EXPECT_TRUE(dlg.cbRegWait->isChecked());
}

TEST(ConnectDialog, PhoneListKeepsTenNewestFirstIgnoringCase)
{
    TdlgConnect dlg;
    for (int i = 1; i <= 10; ++i) {
        dlg.cbPhones->setEditText(QStringLiteral("n%1").arg(i));
        dlg.OKBtnClick();
    }
    EXPECT_EQ(dlg.cbPhones->count(), 10);
    dlg.cbPhones->setEditText(QStringLiteral("N5")); // already there, other case
    dlg.OKBtnClick();
    EXPECT_EQ(dlg.cbPhones->count(), 10);
    EXPECT_EQ(dlg.cbPhones->itemText(0), QStringLiteral("n10"));
    dlg.cbPhones->setEditText(QStringLiteral("n11")); // the oldest goes
    dlg.OKBtnClick();
    EXPECT_EQ(dlg.cbPhones->itemText(0), QStringLiteral("n11"));
    EXPECT_FALSE(Items(dlg.cbPhones).contains(QStringLiteral("n1")));
    EXPECT_EQ(dlg.cbPhones->count(), 10);
    dlg.cbPhones->setEditText(QString()); // an empty number is not kept
    dlg.OKBtnClick();
    EXPECT_EQ(dlg.cbPhones->itemText(0), QStringLiteral("n11"));
}

TEST(ConnectDialog, SaveAndLoadWithGapsAndPortName)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("current.ini");
    {
        TdlgConnect dlg;
        dlg.cbPhones->addItems({"111", "   ", "333"});
        dlg.cbPhones->setEditText(QStringLiteral("333"));
        dlg.ComPorts->setEditText(QStringLiteral("/dev/ttyUSB0:"));
        dlg.cbRegWait->setChecked(false);
        TIniFile ini(path);
        dlg.SaveSettings(ini);
        ASSERT_TRUE(ini.UpdateFile());
        EXPECT_EQ(dlg.PortName(), QStringLiteral("/dev/ttyUSB0"));
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Connect", "PhonesN", -1), 2);
    EXPECT_EQ(ini.ReadString("Connect", "Phone1", ""), QStringLiteral("111"));
    EXPECT_FALSE(ini.ValueExists("Connect", "Phone2")); // blank entry leaves a gap
    EXPECT_EQ(ini.ReadString("Connect", "Phone3", ""), QStringLiteral("333"));
    EXPECT_EQ(ini.ReadString("Connect", "WaitCREG", ""), QStringLiteral("0"));
    TdlgConnect dlg;
    dlg.LoadSettings(ini);
    // "PhonesN" 2 limits the loading loop: the entry after the gap is lost.
    EXPECT_EQ(Items(dlg.cbPhones), QStringList{"111"});
    EXPECT_EQ(dlg.cbPhones->currentText(), QStringLiteral("333"));
    EXPECT_EQ(dlg.ComPorts->currentText(), QStringLiteral("/dev/ttyUSB0:"));
    EXPECT_FALSE(dlg.cbRegWait->isChecked());
    dlg.ComPorts->setEditText(QStringLiteral(" /dev/ttyUSB1:"));
    EXPECT_EQ(dlg.PortName(), QStringLiteral("/dev/ttyUSB1"));
    // A typed name without the colon is the whole entry.
    dlg.ComPorts->setEditText(QStringLiteral("ttyUSB0"));
    EXPECT_EQ(dlg.PortName(), QStringLiteral("ttyUSB0"));
}

TEST(ConnectDialog, DamagedCountLoadsAtMostTenAndBadNumbersAreRefused)
{
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("current.ini"));
    ini.WriteInteger("Connect", "PhonesN", 2000000000);
    for (int k = 1; k <= 12; ++k)
        ini.WriteString("Connect", QStringLiteral("Phone%1").arg(k), QStringLiteral("%1").arg(k));
    TdlgConnect dlg;
    dlg.LoadSettings(ini);
    EXPECT_EQ(dlg.cbPhones->count(), 10);
    EXPECT_TRUE(TdlgConnect::PhoneIsDialable(QStringLiteral("+7 916 123-45-67")));
    EXPECT_TRUE(TdlgConnect::PhoneIsDialable(QString()));
    EXPECT_FALSE(TdlgConnect::PhoneIsDialable(QStringLiteral("8916\r\nATH")));
    EXPECT_FALSE(TdlgConnect::PhoneIsDialable(QStringLiteral("8916\x01")));
    EXPECT_FALSE(TdlgConnect::PhoneIsDialable(QStringLiteral("8916✓")));
}

TEST(ConnectDialog, RefusedNumberStaysOutOfTheList)
{
    QTemporaryDir dir;
    TIniFile ini(dir.filePath("current.ini"));
    TdlgConnect dlg;
    dlg.cbPhones->addItem(QStringLiteral("89001112233"));
    dlg.cbPhones->setEditText(QStringLiteral("8916\r\nATH"));
    dlg.OKBtnClick();
    EXPECT_EQ(Items(dlg.cbPhones), QStringList{QStringLiteral("89001112233")});
    dlg.SaveSettings(ini);
    EXPECT_EQ(ini.ReadInteger("Connect", "PhonesN", -1), 1);
    EXPECT_FALSE(ini.ValueExists("Connect", "Phone2"));
}

} // namespace
