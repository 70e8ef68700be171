// The GPS page when things go wrong: files that are missing, short or
// malformed, a tracker that does not open the pass-through, a receiver that
// omits satellites or answers nothing.
#include <QtTest>

#include "GpsHelpers.h"

using namespace gps_e2e;

namespace
{
const QByteArray kNmeaFrame =
    QByteArray::fromHex("A0A20018810201010001050105010101010100010001000100012580013FB0B3");

void SetFaults(GpsSession &s, const std::function<void(t3sim::Faults &)> &how)
{
    t3sim::Faults f = s.h.sim->faults();
    how(f);
    s.h.sim->setFaults(f);
}
} // namespace

class GpsFaultsTest : public QObject
{
    Q_OBJECT

  private slots:
    // Loads that stop before or during the exchange; one session for all.
    void badFilesGiveARedLoad()
    {
        GpsSession s;
        QVERIFY(s.h.Connected());
        TformGPS &p = *s.page;
        const t3sim::GpsReceiver original = s.Receiver();
        const QList<QByteArray> good = ExpectedFile(original);
        const QString path = s.h.dir.filePath("load.txt");

        const struct {
            const char *name;
            QList<QByteArray> lines; // empty name: no file at all
            bool exchange;           // the pass-through is opened
            QList<int> frames;
            const char *result;
        } cases[] = {
            {"missing file", {}, false, {}, "Ошибка: файл не найден: "},
            {"two lines", good.mid(0, 2), false, {}, "Ошибка: в файле 2 строк, нужно не меньше 3"},
            {"line 1 of 10 characters",
             QList<QByteArray>{good[0], good[1].left(10)} + good.mid(2),
             true,
             {0x81},
             "Ошибка: строка 2 не уход часов приёмника; ничего не отправлено"},
            {"line 5 holds satellite 05",
             good.mid(0, 5) + QList<QByteArray>{good[6]} + good.mid(6, 30),
             true,
             {0x95, 0x95, 0x80, 0x81},
             "Ошибка: альманах не отправлен, строка 6 не альманах спутника 4; эфемерид "
             "отправлено 2 из 2; неделя GPS 1636, время недели 129600,00 с"},
        };
        for (const auto &c : cases) {
            qInfo("%s", c.name);
            QFile::remove(path);
            if (!c.lines.isEmpty())
                WriteFile(path, c.lines);
            p.etLoad->setText(path);
            QVERIFY2(s.Click(p.btnLoadAlEp), c.name);
            QVERIFY2(s.ButtonsOn(), c.name);
            QCOMPARE(LabelColour(p.Label2), QString("red"));
            QVERIFY2(p.lbLoadResult->text().startsWith(QString::fromUtf8(c.result)),
                     qPrintable(p.lbLoadResult->text()));
            QCOMPARE(s.Commands(), c.exchange ? QList<QByteArray>({"GPSACCESS_ON", "GPSACCESS_OFF"})
                                              : QList<QByteArray>());
            QCOMPARE(s.FrameIds(), c.frames);
            QCOMPARE(s.Receiver().almanacSets(), 0);
        }
        // The file with the wrong line 5 sent its two ephemeris lines.
        QCOMPARE(s.Receiver().ephemerisSets(), 2);
        QVERIFY(s.h.sim->bytesReceived().contains(kNmeaFrame));
        Screenshot(s.h.Window(), "gps-load-red.png");

        // A tracker that refuses the pass-through: red, and it is still closed.
        SetFaults(s, [](t3sim::Faults &f) { f.errorCommands = {"GPSACCESS_ON"}; });
        WriteFile(path, good);
        QVERIFY(s.Click(p.btnLoadAlEp));
        QCOMPARE(LabelColour(p.Label2), QString("red"));
        QCOMPARE(p.lbLoadResult->text(), QString("Ошибка: трекер не ответил на GPSACCESS_ON"));
        QCOMPARE(s.Commands(), QList<QByteArray>({"GPSACCESS_ON", "GPSACCESS_OFF"}));
        QCOMPARE(s.FrameIds(), QList<int>());
        QVERIFY(s.h.Connected());
    }

    // Saves: no answer to GPSACCESS_ON, omitted satellites, a silent receiver.
    void savesThatFindLess()
    {
        GpsSession s;
        QVERIFY(s.h.Connected());
        TformGPS &p = *s.page;
        const QString path = s.h.dir.filePath("save.txt");
        p.etSave->setText(path);

        // No answer: no file, the label keeps its colour, the access is closed.
        SetFaults(s, [](t3sim::Faults &f) { f.silentCommands = {"GPSACCESS_ON"}; });
        QVERIFY(s.Click(p.btnSaveAlEp));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(LabelColour(p.Label1), QString("plain"));
        QCOMPARE(p.lbSaveResult->text(),
                 QString("Ошибка: трекер не ответил на GPSACCESS_ON, файл не записан"));
        QCOMPARE(s.Commands(), QList<QByteArray>({"GPSACCESS_ON", "GPSACCESS_OFF"}));
        QCOMPARE(s.FrameIds(), QList<int>());

        // Satellite 7 left out: red, and the file keeps the 31 of each found.
        SetFaults(s, [](t3sim::Faults &f) {
            f.silentCommands.clear();
            f.omittedSatellites = {7};
        });
        QVERIFY(s.Click(p.btnSaveAlEp));
        QCOMPARE(LabelColour(p.Label1), QString("red"));
        QCOMPARE(p.lbSaveResult->text(),
                 QString("Ошибка: альманахов 31 из 32, эфемерид 31 из 32; неделя GPS 1636, время "
                         "недели 129600,00 с"));
        QCOMPARE(FileLines(path), ExpectedFile(s.Receiver(), {7}));
        QCOMPARE(FileLines(path).size(), 2 + 31 + 31);

        // A receiver that answers nothing: red, an empty file.
        SetFaults(s, [](t3sim::Faults &f) {
            f.omittedSatellites.clear();
            f.receiverSilent = true;
        });
        QVERIFY(s.Click(p.btnSaveAlEp));
        QCOMPARE(LabelColour(p.Label1), QString("red"));
        QCOMPARE(p.lbSaveResult->text(),
                 QString("Ошибка: альманахов 0 из 32, эфемерид 0 из 32; часы приёмника не "
                         "прочитаны"));
        QVERIFY(QFile::exists(path));
        QCOMPARE(FileLines(path), QList<QByteArray>());
        QCOMPARE(s.FrameIds(), QList<int>({0x90, 0x92, 0x93, 0x81}));
        QCOMPARE(s.Commands(), QList<QByteArray>({"GPSACCESS_ON", "GPSACCESS_OFF"}));
        QVERIFY(s.h.Connected());
    }
};

QTEST_MAIN(GpsFaultsTest)
#include "gps_faults_qtest.moc"
