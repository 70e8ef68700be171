// The ini reader on any file a user or a crash may leave, then one value
// written (a value the window stores: any text) and the file saved and read
// again. What was read or written must read back the same after the save.
// Input: file bytes, optionally "\0\0" and the value to write.
#include "FuzzCheck.h"
#include "platform/Cp1251.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace
{
// What survives the trip through the file's code page.
QString onDisk(const QString &s)
{
    return cp1251::toUnicode(cp1251::fromUnicode(s));
}

// A stored value reads back with its control characters (tab aside) as blanks.
QString blanked(QString s)
{
    for (QChar &c : s)
        if (c.unicode() < 0x20 && c != u'\t')
            c = u' ';
    return s;
}

struct Snapshot {
    QStringList sections;
    QList<QStringList> keys;
    QList<QStringList> values;
};

Snapshot take(const TIniFile &ini)
{
    Snapshot s;
    // A UTF-8 file's characters outside the code page are saved as "?".
    for (const QString &sec : ini.ReadSections()) {
        s.sections << onDisk(sec);
        QStringList keys, values;
        for (const QString &k : ini.ReadSection(sec)) {
            keys << onDisk(k);
            values << onDisk(ini.ReadString(sec, k, QStringLiteral("\x01missing")));
        }
        s.keys << keys;
        s.values << values;
    }
    return s;
}

const QString &dir()
{
    // Never destroyed: the exit handler below still needs it.
    static const QString *const d = [] {
        // Memory-backed when there is one: every save flushes to disk.
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        const QString p = base + QStringLiteral("/t3fuzz-ini-") + QString::number(getpid());
        QDir().mkpath(p);
        // Plain library calls: Qt's own statics may be gone by then.
        std::atexit([] { std::filesystem::remove_all(dir().toStdString()); });
        return new QString(p);
    }();
    return *d;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = FuzzBytes(data, size);
    const qsizetype cut = input.indexOf(QByteArray("\0\0", 2));
    const QByteArray fileBytes = cut >= 0 ? input.left(cut) : input;
    const QString value = cut >= 0 ? cp1251::toUnicode(input.mid(cut + 2)) : QStringLiteral("v");

    const QString path = dir() + QStringLiteral("/current.ini");
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(fileBytes);
    }

    QString section = QStringLiteral("Main"), key = QStringLiteral("Phone");
    Snapshot before;
    {
        TIniFile ini(path);
        const QStringList sections = ini.ReadSections();
        // Replace an existing entry when there is one, to take that path too.
        for (const QString &s : sections) {
            const QStringList keys = ini.ReadSection(s);
            if (!s.trimmed().isEmpty() && !keys.isEmpty()) {
                section = s;
                key = keys.front();
                break;
            }
        }
        ini.ReadInteger(section, key, 0);
        ini.ReadBool(section, key, false);
        ini.WriteString(section, key, value);
        const QString expected = blanked(value);
        FUZZ_CHECK(ini.ReadString(section, key, QString()) == expected);
        before = take(ini);
        FUZZ_CHECK(ini.UpdateFile());
    }

    TIniFile again(path);
    const Snapshot after = take(again);
    FUZZ_CHECK(after.sections == before.sections);
    FUZZ_CHECK(after.keys == before.keys);
    FUZZ_CHECK(after.values == before.values);
    FUZZ_CHECK(again.ReadString(onDisk(section), onDisk(key), QStringLiteral("\x01missing")) ==
               onDisk(blanked(value)));
    // The save left no temporary file behind.
    FUZZ_CHECK(QDir(dir()).entryList(QDir::Files | QDir::Hidden).size() == 1);
    return 0;
}
