// The GPS page against the simulated receiver: a save that a load sends
// back, byte for byte, with end markers inside the data of two satellites.
#include <QtTest>

#include "GpsHelpers.h"

using namespace gps_e2e;

class GpsPageTest : public QObject
{
    Q_OBJECT

  private slots:
    void saveThenLoadRestoresTheReceiverByteForByte()
    {
        GpsSession s;
        QVERIFY(s.h.Connected());
        QVERIFY(s.GpsNodeShown());
        TformGPS &p = *s.page;

        // Satellite 4's almanac and satellite 9's ephemeris hold the end
        // and start markers inside their data.
        s.h.sim->withTracker([](t3sim::Tracker &t) {
            QByteArray a = t.receiver().almanac(4);
            a.replace(3, 4, QByteArray::fromHex("B0B3A0A2"));
            t.receiver().setAlmanac(4, a);
            QByteArray e = *t.receiver().ephemeris(9);
            e.replace(40, 2, QByteArray::fromHex("B0B3"));
            e.replace(88, 2, QByteArray::fromHex("B0B3"));
            t.receiver().setEphemeris(9, e);
            return 0;
        });
        const t3sim::GpsReceiver original = s.Receiver();

        // The file is chosen with the page's dialog.
        const QString path = s.h.dir.filePath("almanac.txt");
        QString title, filter;
        p.ExecFileDialog = [&](QFileDialog &d) {
            title = d.windowTitle();
            filter = d.nameFilters().join(";;");
            return d.acceptMode() == QFileDialog::AcceptSave ? path : QString();
        };
        p.RzBitBtn1->click();
        QCOMPARE(p.etSave->text(), path);
        QCOMPARE(title, QString("Выбрать файл"));
        QCOMPARE(filter, QString("TXT (*.txt)"));

        // ---- save
        bool off = false;
        QVERIFY(s.Click(p.btnSaveAlEp, &off));
        QVERIFY(off);
        QVERIFY(s.ButtonsOn());
        QCOMPARE(LabelColour(p.Label1), QString("blue"));
        QCOMPARE(LabelColour(p.Label2), QString("plain"));
        QCOMPARE(p.lbSaveResult->text(),
                 QString("Сохранено: альманахов 32 из 32, эфемерид 32 из 32; неделя GPS 1636, "
                         "время недели 129600,00 с"));
        QCOMPARE(AccessibleName(p.lbSaveResult), p.lbSaveResult->text());
        QCOMPARE(s.Commands(), QList<QByteArray>({"GPSACCESS_ON", "GPSACCESS_OFF"}));
        QCOMPARE(s.Sentences(), QList<QByteArray>({"$PSRF100,0,9600,8,0,0*0D"}));
        QCOMPARE(s.FrameIds(), QList<int>({0x90, 0x92, 0x93, 0x81}));
        QVERIFY(!s.Receiver().binary());

        bool crlf = false;
        const QList<QByteArray> lines = FileLines(path, &crlf);
        QVERIFY(crlf);
        QCOMPARE(lines.size(), 2 + 32 + 32);
        QCOMPARE(lines, ExpectedFile(original));
        QCOMPARE(lines[0], QByteArray("00 C5 C1 00 06 64"));
        QCOMPARE(lines[2 + 3].size(), 38 * 3 - 1);
        Screenshot(s.h.Window(), "gps-save-blue.png");

        // ---- a receiver that has lost everything gets it back from the file
        s.h.sim->withTracker([](t3sim::Tracker &t) {
            for (int sv = 1; sv <= 32; ++sv) {
                t.receiver().setAlmanac(sv, QByteArray(28, '\0'));
                t.receiver().setEphemeris(sv, std::nullopt);
            }
            return 0;
        });
        p.etLoad->setText(path);
        QVERIFY(s.Click(p.btnLoadAlEp, &off));
        QVERIFY(off);
        QVERIFY(s.ButtonsOn());
        QCOMPARE(LabelColour(p.Label2), QString("blue"));
        QCOMPARE(p.lbLoadResult->text(),
                 QString("Загружено: альманах отправлен; эфемерид отправлено 32 из 32; неделя "
                         "GPS 1636, время недели 129600,00 с"));

        const t3sim::GpsReceiver r = s.Receiver();
        for (int sv = 1; sv <= 32; ++sv) {
            QCOMPARE(r.almanac(sv), original.almanac(sv));
            QVERIFY(r.ephemeris(sv));
            QCOMPARE(*r.ephemeris(sv), *original.ephemeris(sv));
        }
        QCOMPARE(r.almanacSets(), 1);
        QCOMPARE(r.ephemerisSets(), 32);
        QList<int> ids{0x82};
        for (int i = 0; i < 32; ++i)
            ids << 0x95;
        ids << 0x80 << 0x81;
        QCOMPARE(s.FrameIds(), ids);
        QCOMPARE(s.Commands(), QList<QByteArray>({"GPSACCESS_ON", "GPSACCESS_OFF"}));

        // The almanac goes out as one frame of 897 payload bytes.
        QByteArray almanacs;
        for (int sv = 1; sv <= 32; ++sv)
            almanacs += original.almanac(sv);
        QVERIFY(s.h.sim->bytesReceived().contains(Frame(char(0x82) + almanacs)));

        // Time of the computer, drift from the file, the fixed start position.
        QVERIFY(r.lastInit());
        const auto init = *r.lastInit();
        QCOMPARE(init.drift, original.clock().drift);
        QCOMPARE(init.week, quint16(1636));
        QCOMPARE(init.timeOfWeek, quint32(12960000));
        QCOMPARE(QList<qint32>({init.x, init.y, init.z}),
                 QList<qint32>({2760293, 1621451, 5498084}));
        QCOMPARE(int(init.channels), 12);
        QCOMPARE(int(init.reset), 3);
        QVERIFY(!r.binary());
        Screenshot(s.h.Window(), "gps-load-blue.png");
    }
};

QTEST_MAIN(GpsPageTest)
#include "gps_page_qtest.moc"
