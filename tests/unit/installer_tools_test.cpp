// The pure parts of the installer's tools: number lists, console commands,
// the fleet report and the settings comparison.
#include <QObject>
#include <gtest/gtest.h>

#include "FakeExchange.h"
#include "platform/Cp1251.h"
#include "tools/ConsoleCommand.h"
#include "tools/FleetList.h"
#include "tools/FleetReport.h"
#include "tools/SettingsCompare.h"

namespace
{

using namespace settingscompare;

TEST(FleetList, TypedAndFileListsGiveTheNumbersInOrder)
{
    const struct {
        const char *text;
        QStringList numbers;
    } cases[] = {
        {"89161234567\n89167654321\n", {"89161234567", "89167654321"}},
        {"\xEF\xBB\xBFНомер;Объект\r\n+7 (916) 123-45-67;bus 1\r\n\r\n8916000\r\n",
         {"+79161234567", "8916000"}},
        {"\"111\",a\n  222  \n", {"111", "222"}},
        {"\r333\r", {"333"}},
    };
    for (const auto &c : cases) {
        const TFleetList l = ParseFleetList(QString::fromUtf8(c.text));
        EXPECT_TRUE(l.Ok()) << c.text << " " << l.errors.join(';').toStdString();
        EXPECT_EQ(l.numbers, c.numbers) << c.text;
    }
}

TEST(FleetList, BadListsAreRefusedWithTheLine)
{
    const struct {
        const char *text;
        const char *error;
    } cases[] = {
        {"", "Список номеров пуст"},
        {"\n \n", "Список номеров пуст"},
        {"Номер\n", "Список номеров пуст"},
        {"111\n12a4\n", "Строка 2: \"12a4\" не номер телефона"},
        {"111\n1+2\n", "Строка 2: \"1+2\" не номер телефона"},
        {"111\n111\n", "Строка 2: номер 111 уже есть в списке"},
        {"111\n123456789012345678901\n", "Строка 2:"},
        {"111\n12\x01"
         "3\n",
         "Строка 2:"},
    };
    for (const auto &c : cases) {
        const TFleetList l = ParseFleetList(QString::fromUtf8(c.text));
        EXPECT_FALSE(l.Ok()) << c.text;
        ASSERT_FALSE(l.errors.isEmpty()) << c.text;
        EXPECT_TRUE(l.errors.first().startsWith(QString::fromUtf8(c.error)))
            << l.errors.first().toStdString();
    }
}

TEST(FleetList, AFileInWindows1251IsRead)
{
    const QByteArray bytes = cp1251::fromUnicode(QStringLiteral("Номер\r\n111\r\n"));
    const TFleetList l = ParseFleetFile(bytes);
    EXPECT_TRUE(l.Ok());
    EXPECT_EQ(l.numbers, QStringList{"111"});
}

TEST(ConsoleCommand, BodiesAndRefusals)
{
    const struct {
        const char *typed;
        bool ok;
        const char *body;
    } cases[] = {
        {"object", true, "object"},     {"+object", true, "object"},
        {" object0051 ", true, "object0051"}, {"", false, ""},
        {"+", false, ""},               {"obj\tect", false, ""},
        {"object\r", false, ""},        {"ob\x7F", false, ""},
        {"+++", false, ""},             {"a+++", false, ""},
        {"объект日", false, ""},
    };
    for (const auto &c : cases) {
        QString body, reason;
        EXPECT_EQ(ConsoleCommandBody(QString::fromUtf8(c.typed), body, reason), c.ok) << c.typed;
        if (c.ok)
            EXPECT_EQ(body, QString::fromUtf8(c.body));
        else
            EXPECT_FALSE(reason.isEmpty()) << c.typed;
    }
}

TEST(ConsoleCommand, ReplyWithoutEchoAndOk)
{
    EXPECT_EQ(ConsoleReplyText("+object", "+object\r\nobject>0050\r\nOK\r\n"), "object>0050");
    EXPECT_EQ(ConsoleReplyText("+object", "\r\nobject>0050\r\nOK\r\n"), "object>0050");
    EXPECT_EQ(ConsoleReplyText("+x", "+x\r\nERROR\r\n"), "ERROR");
    EXPECT_EQ(ConsoleReplyText("+object0051", "OK\r\n"), "");
}

TEST(FleetReport, RowsCsvAndSummary)
{
    TFleetResult a{"111", "REV 07.600.070", TFleetResult::Verified, {}, {}};
    TFleetResult b{"222", "", TFleetResult::Failed, {}, "ОШИБКА! Линия занята(BUSY)!"};
    TFleetResult c{"333", "REV 07.600.070", TFleetResult::Differences,
                   {"Общие: Номер объекта", "GPRS: \"APN\"; x"}, {}};
    EXPECT_EQ(a.ResultText(), "записано и проверено");
    EXPECT_EQ(b.ResultText(), "ошибка: ОШИБКА! Линия занята(BUSY)!");
    const QByteArray csv = FleetReport::Csv({a, b, c});
    EXPECT_EQ(cp1251::toUnicode(csv),
              "Номер;Версия прошивки;Результат\r\n"
              "111;REV 07.600.070;записано и проверено\r\n"
              "222;;ошибка: ОШИБКА! Линия занята(BUSY)!\r\n"
              "333;REV 07.600.070;\"отличия: Общие: Номер объекта; GPRS: \"\"APN\"\"; x\"\r\n");
    EXPECT_EQ(FleetReport::Summary({a, b}, 3),
              "Записано и проверено: 1 из 3; с отличиями: 0; с ошибкой: 1; не обработано "
              "(отменено): 1");
}

const QStringList kNames = {"object", "latit", "alphon1", "alphon2", "allogic", "ing1", "in"};

TEST(SettingsCompare, TheLongestKnownNameWins)
{
    EXPECT_EQ(SettingOf("+object0050", kNames), "object");
    EXPECT_EQ(SettingOf("+ing11234", kNames), "ing1");
    EXPECT_EQ(SettingOf("+in5", kNames), "in");
    EXPECT_EQ(SettingOf("object0050", kNames), "");
    EXPECT_EQ(SettingOf("+zz", kNames), "");
}

TEST(SettingsCompare, AWriteRunGivesValuesLabelsAndRefusals)
{
    QObject lbObj, lbLat, lbP1, lbP2;
    const QList<TEvent> events = {
        {TEvent::Sent, "+object0050", nullptr, false},
        {TEvent::Mark, {}, &lbObj, true},
        {TEvent::Mark, {}, &lbLat, false}, // refused: letters
        {TEvent::Memo, "Поле ...", nullptr, false},
        {TEvent::Sent, "+alphon1123", nullptr, false},
        {TEvent::Mark, {}, &lbP1, true},
        {TEvent::Sent, "+allogic05", nullptr, false},
        {TEvent::Mark, {}, &lbP1, true},
        {TEvent::Mark, {}, &lbP2, true},
    };
    const TWriteImage w = AnalyseWrite(events, kNames);
    EXPECT_EQ(w.order, (QStringList{"object", "alphon1", "allogic"}));
    EXPECT_EQ(w.settings["object"].value, "0050");
    EXPECT_EQ(w.settings["object"].labels, QList<QObject *>{&lbObj});
    EXPECT_EQ(w.settings["allogic"].labels, (QList<QObject *>{&lbP1, &lbP2}));
    EXPECT_EQ(w.refused, QSet<QObject *>{&lbLat});
    EXPECT_FALSE(w.settings.contains("latit"));
}

TEST(SettingsCompare, StatesOfTheRows)
{
    QObject lbObj, lbLat, lbP1, lbIng;
    TWriteImage ref, trk;
    ref.settings["object"] = {"0050", {&lbObj}};
    trk.settings["object"] = {"0051", {&lbObj}};
    ref.settings["alphon1"] = {"123", {&lbP1}};
    trk.settings["alphon1"] = {"123", {&lbP1}};
    ref.refused = {&lbLat};
    trk.settings["latit"] = {"00E6", {&lbLat}};
    const QList<TRead> reads = {
        {"object", true, {&lbObj}, {}},  {"latit", true, {&lbLat}, {}},
        {"alphon1", true, {&lbP1}, {}}, {"ing1", false, {&lbIng}, {}},
        {"allogic", true, {&lbP1}, {}},
    };
    const QList<TRow> rows = Compare(reads, ref, trk);
    ASSERT_EQ(rows.size(), 4) << "allogic is written by neither side";
    EXPECT_EQ(rows[0].state, TState::Differs); // values differ
    EXPECT_EQ(rows[1].state, TState::Differs); // the page's value is refused
    EXPECT_EQ(rows[2].state, TState::Equal);
    EXPECT_EQ(rows[3].state, TState::NotRead); // never equal
    EXPECT_EQ(LabelsOf(rows, {"object", "latit"}, ref), (QSet<QObject *>{&lbObj, &lbLat}));
}

TEST(SettingsCompare, OnlyTheChosenWritesReachTheLine)
{
    FakeExchange line;
    line.AcceptWrites({"+object0051", "+alphon1999"});
    line.values["+object"] = "0051";
    TDiffWriteExchange filter(&line, kNames, {"object", "alphon1"});
    QString reply;
    EXPECT_TRUE(filter.Exchange("+object0051", reply, "OK", 3, 4500, true));
    EXPECT_TRUE(filter.Exchange("+latit00E6", reply, "OK", 3, 4500, true)); // not chosen
    EXPECT_TRUE(filter.Exchange("+object", reply, "OK", 3, 4500, true));    // a read passes
    EXPECT_FALSE(filter.Exchange("+alphon2", reply, "OK", 3, 4500, true));  // a read passes
    EXPECT_TRUE(filter.Exchange("+unknown1", reply, "OK", 3, 4500, true));  // never sent
    EXPECT_FALSE(filter.Exchange("+alphon1123", reply, "OK", 3, 4500, true));
    EXPECT_EQ(line.sent, (QStringList{"+object0051", "+object", "+alphon2", "+alphon1123"}));
    EXPECT_EQ(filter.Results(), (QHash<QString, bool>{{"object", true}, {"alphon1", false}}));
}

} // namespace
