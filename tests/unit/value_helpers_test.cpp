#include "pages/InputController.h"
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

TEST(ValueHelpers, ByteToBits)
{
    const std::pair<int, const char *> cases[] = {
        {0, "00000000"},   {1, "00000001"},   {56, "00111000"}, {0xA5, "10100101"},
        {255, "11111111"}, {256, "00000000"}, {-1, "11111111"}, {0x1FE, "11111110"},
    };
    for (const auto &[v, bits] : cases)
        EXPECT_EQ(ByteToBits(v), bits) << v;
}

TEST(ValueHelpers, HexDigitsAndBitStringsMapBothWays)
{
    const char *hex = "0123456789ABCDEF";
    for (int i = 0; i < 16; ++i) {
        const QString bits = ByteToBits(i).right(4);
        EXPECT_EQ(HexDigitToBits(QString(QChar(hex[i]))), bits);
        EXPECT_EQ(BitsToHexDigit(bits), QString(QChar(hex[i])));
    }
    for (const char *bad : {"a", "f", "", "G", "00", " 1", "1 "})
        EXPECT_EQ(HexDigitToBits(bad), "0") << bad;
    for (const char *bad : {"101", "", "00000", "2000", "0000 ", "abcd"})
        EXPECT_EQ(BitsToHexDigit(bad), "0") << bad;
}

TEST(ValueHelpers, SecondsToText)
{
    const std::pair<std::uint32_t, const char *> cases[] = {
        {0, "0 сек "},
        {59, "59 сек "},
        {60, "1 мин 0 сек "},
        {90, "1 мин 30 сек "},
        {3600, "1 ч 0 мин 0 сек "},
        {3661, "1 ч 1 мин 1 сек "},
        {86400, "1 сут 0 ч 0 мин 0 сек "},
        {93784, "1 сут 2 ч 3 мин 4 сек "},
        {4294967295u, "49710 сут 6 ч 28 мин 15 сек "},
    };
    for (const auto &[s, text] : cases)
        EXPECT_EQ(SecondsToText(s), QString::fromUtf8(text)) << s;
}

TEST(ValueHelpers, UtcLocalConversionWithABias)
{
    const double t = 45000.5; // noon of a day
    struct Case {
        int bias;
        double localMinusUtcHours;
    };
    for (const Case &c :
         {Case{-180, 3}, Case{0, 0}, Case{300, -5}, Case{-330, 5.5}, Case{-765, 12.75}}) {
        EXPECT_NEAR(UtcToLocal(t, c.bias) - t, c.localMinusUtcHours / 24, 1e-9) << c.bias;
        EXPECT_NEAR(LocalToUtc(UtcToLocal(t, c.bias), c.bias), t, 1e-9) << c.bias;
    }
}

TEST(ValueHelpers, DayNumbersOfDateTimes)
{
    const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    EXPECT_DOUBLE_EQ(DateTimeToDays(epoch), 0.0);
    const QDateTime t(QDate(2024, 3, 31), QTime(18, 0), Qt::UTC);
    EXPECT_DOUBLE_EQ(DateTimeToDays(t), 45382.75);
    EXPECT_EQ(DaysToDateTime(45382.75), t);
}

TEST(ValueHelpers, KeyFilters)
{
    struct Case {
        char16_t key;
        bool digits;
        bool hex;
    };
    const Case cases[] = {
        {u'0', true, true},   {u'9', true, true},   {8, true, true},      {u'a', false, true},
        {u'F', false, true},  {u'f', false, true},  {u'g', false, false}, {u'G', false, false},
        {u' ', false, false}, {u'-', false, false}, {u'.', false, false}, {u'\r', false, false},
        {u'٣', false, false}, {u'А', false, false},
    };
    for (const Case &c : cases) {
        QChar d(c.key), h(c.key);
        DigitsKeyFilter(nullptr, d);
        HexKeyFilter(nullptr, h);
        EXPECT_EQ(d, c.digits ? QChar(c.key) : QChar(u'\0')) << int(c.key);
        EXPECT_EQ(h, c.hex ? QChar(c.key) : QChar(u'\0')) << int(c.key);
    }
}

TEST(ValueHelpers, InstalledFiltersTakeOnlyAcceptedCharacters)
{
    QLineEdit digits, hex;
    InstallDigitsKeyFilter(&digits);
    InstallHexKeyFilter(&hex);
    QTest::keyClicks(&digits, "12a-3 4");
    QTest::keyClicks(&hex, "1aFgz-0");
    EXPECT_EQ(digits.text(), "1234");
    EXPECT_EQ(hex.text(), "1aF0"); // letter case kept
    QTest::keyClick(&hex, Qt::Key_Backspace);
    EXPECT_EQ(hex.text(), "1aF");
    // Pasting bypasses keys; the same rule holds.
    digits.selectAll();
    digits.insert("99x");
    EXPECT_EQ(digits.text(), "1234");
    digits.insert("56");
    EXPECT_EQ(digits.text(), "56");
}

TEST(ValueHelpers, WaitWithProgressStepsAtMostOncePerStepAndStopsAtTheEnd)
{
    QProgressBar bar;
    bar.setRange(0, 100);
    bar.setValue(0);
    WaitWithProgress(60, &bar, 10);
    EXPECT_LE(bar.value(), 7);
    QProgressBar full;
    full.setRange(0, 3);
    full.setValue(3);
    WaitWithProgress(20, &full, 1);
    EXPECT_EQ(full.value(), 3);
    WaitWithProgress(5, nullptr, 1);
}

} // namespace
