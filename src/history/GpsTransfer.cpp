#include "GpsTransfer.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace gpsframe;

namespace gpstransfer
{

bool WriteFile(const QString &path, const GpsDataList &list, QString &error)
{
    if (path.trimmed().isEmpty()) {
        error = QStringLiteral("не задано имя файла");
        return false;
    }
    QByteArray text;
    for (const QString &line : list)
        text += line.toLatin1() + "\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

ReadResult ReadFile(const QString &path, GpsDataList &list, QString &error)
{
    list.clear();
    const QFileInfo info(path);
    if (path.trimmed().isEmpty() || !info.exists() || info.isDir())
        return ReadResult::Missing;
    if (info.size() > kMaxFileBytes) {
        error = QStringLiteral("файл больше %1 байт").arg(kMaxFileBytes);
        return ReadResult::TooLarge;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return ReadResult::Unreadable;
    }
    const QByteArray text = file.read(kMaxFileBytes + 1);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        list << QString::fromLatin1(text.mid(start, end - start));
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return ReadResult::Ok;
}

namespace
{
QString SecondsOfWeek(quint32 hundredths)
{
    return QStringLiteral("%1,%2").arg(hundredths / 100).arg(hundredths % 100, 2, 10, QChar(u'0'));
}

QString ClockSummary(const GpsTime &t)
{
    return QStringLiteral("неделя GPS %1, время недели %2 с")
        .arg(t.week)
        .arg(SecondsOfWeek(t.timeOfWeek));
}

// Line numbers as an editor shows them, from 1.
QString FileLine(int index)
{
    return QString::number(index + 1);
}

GpsTime ClockOf(const QString &towAndWeek)
{
    QByteArray b;
    GpsTime t;
    if (FromText(towAndWeek, b) && b.size() == 6) {
        t.timeOfWeek = (quint32(quint8(b[0])) << 24) | (quint32(quint8(b[1])) << 16) |
                       (quint32(quint8(b[2])) << 8) | quint8(b[3]);
        t.week = quint16((quint8(b[4]) << 8) | quint8(b[5]));
    }
    return t;
}
} // namespace

QString TSaveOutcome::Summary() const
{
    if (!accessOn)
        return QStringLiteral("Ошибка: трекер не ответил на GPSACCESS_ON, файл не записан");
    QString s = QStringLiteral("%1: альманахов %2 из %3, эфемерид %4 из %3")
                    .arg(Success() ? QStringLiteral("Сохранено") : QStringLiteral("Ошибка"))
                    .arg(almanacs)
                    .arg(kSatellites)
                    .arg(ephemerides);
    s += clockRead ? QStringLiteral("; ") + ClockSummary(clock)
                   : QStringLiteral("; часы приёмника не прочитаны");
    if (!fileWritten)
        s += QStringLiteral("; файл не записан: ") + fileError;
    return s;
}

QString TLoadOutcome::Summary() const
{
    switch (stop) {
    case Stop::NoFile:
        return detail.trimmed().isEmpty() ? QStringLiteral("Ошибка: файл не выбран")
                                          : QStringLiteral("Ошибка: файл не найден: ") + detail;
    case Stop::Unreadable:
        return QStringLiteral("Ошибка: файл не прочитан: ") + detail;
    case Stop::TooShort:
        return QStringLiteral("Ошибка: в файле %1 строк, нужно не меньше 3").arg(lines);
    case Stop::NoAccess:
        return QStringLiteral("Ошибка: трекер не ответил на GPSACCESS_ON");
    case Stop::NoDrift:
        return QStringLiteral("Ошибка: строка 2 не уход часов приёмника; ничего не отправлено");
    case Stop::None:
        break;
    }
    QString s = Success() ? QStringLiteral("Загружено: ") : QStringLiteral("Ошибка: ");
    if (almanacOk)
        s += QStringLiteral("альманах отправлен");
    else if (almanacFailedLine >= 0)
        s += QStringLiteral("альманах не отправлен, строка %1 не альманах спутника %2")
                 .arg(FileLine(almanacFailedLine))
                 .arg(almanacFailedLine - 1);
    else
        s += QStringLiteral("альманах не отправлен");
    s += QStringLiteral("; эфемерид отправлено %1 из %2").arg(ephemerisSent).arg(ephemerisLines);
    if (ephemerisFailedLine >= 0)
        s += QStringLiteral(", строка %1 не эфемериды").arg(FileLine(ephemerisFailedLine));
    s += initSent ? QStringLiteral("; ") + ClockSummary(clock)
                  : QStringLiteral("; время не отправлено");
    return s;
}

TSaveOutcome SaveGpsData(TDevTrevalo &dev, const std::function<QString()> &fileName)
{
    TSaveOutcome out;
    GpsDataList list;
    out.accessOn = dev.GpsAccessOn();
    if (out.accessOn) {
        dev.SetReceiverBinary();
        QString weekAndTime, drift;
        out.clockRead = dev.PollClockStatus(weekAndTime, drift);
        if (out.clockRead) {
            // The file keeps time of week first, then the week.
            list << weekAndTime.mid(6) + QLatin1Char(' ') + weekAndTime.left(5) << drift;
            out.clock = ClockOf(list.first());
        }
        const int before = int(list.size());
        out.almanacOk = dev.PollAlmanac(list);
        out.almanacs = int(list.size()) - before;
        out.ephemerisOk = dev.PollEphemeris(list);
        out.ephemerides = int(list.size()) - before - out.almanacs;
        out.fileWritten = WriteFile(fileName(), list, out.fileError);
        if (!out.fileWritten)
            out.almanacOk = out.ephemerisOk = false;
        dev.SetReceiverNmea();
    }
    dev.GpsAccessOff();
    return out;
}

TLoadOutcome LoadGpsData(TDevTrevalo &dev, const std::function<QString()> &fileName,
                         const std::function<QDateTime()> &utcNow)
{
    TLoadOutcome out;
    GpsDataList list;
    const QString name = fileName();
    switch (ReadFile(name, list, out.detail)) {
    case ReadResult::Ok:
        break;
    case ReadResult::Missing:
        out.stop = TLoadOutcome::Stop::NoFile;
        out.detail = name;
        return out;
    case ReadResult::Unreadable:
    case ReadResult::TooLarge:
        out.stop = TLoadOutcome::Stop::Unreadable;
        return out;
    }
    out.lines = int(list.size());
    if (list.size() < 3) {
        out.stop = TLoadOutcome::Stop::TooShort;
        return out;
    }
    if (!dev.GpsAccessOn()) {
        out.stop = TLoadOutcome::Stop::NoAccess;
        dev.GpsAccessOff();
        return out;
    }
    dev.SetReceiverBinary();
    if (list[1].size() != 11) {
        out.stop = TLoadOutcome::Stop::NoDrift;
        dev.SetReceiverNmea();
        dev.GpsAccessOff();
        return out;
    }
    out.clock = GpsTimeOf(utcNow());
    const QString clockText = ClockText(list[1], out.clock);
    const int firstEphemeris = 2 + kSatellites;
    if (list.size() >= firstEphemeris)
        out.almanacOk = dev.SendAlmanac(list, &out.almanacFailedLine);
    if (list.size() > firstEphemeris) {
        out.ephemerisLines = int(list.size()) - firstEphemeris;
        out.ephemerisOk = dev.SendEphemeris(list, &out.ephemerisSent, &out.ephemerisFailedLine);
    }
    out.initSent = dev.SendInitDataSource(clockText);
    dev.SetReceiverNmea();
    dev.GpsAccessOff();
    return out;
}

} // namespace gpstransfer
