#include "IniFile.h"
#include "Cp1251.h"
#include "IntText.h"
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace
{

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool HasControlChars(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() < 0x20 && c != u'\t')
            return true;
    return false;
}

// The profile reader trims values and drops one pair of enclosing quotes.
QString UnquoteValue(const QString &raw)
{
    QString v = raw.trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

// Quotes a value the reader would otherwise change (outer blanks or quotes).
// Control characters become blanks: a line break would split the entry, and
// the reader skips a line with any other one, losing the value.
QString StoredValue(const QString &value)
{
    QString v = value;
    for (QChar &c : v)
        if (c.unicode() < 0x20 && c != u'\t')
            c = u' ';
    if (v.isEmpty())
        return v;
    const bool outerBlank = v.front().isSpace() || v.back().isSpace();
    const bool outerQuote =
        v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front();
    if (outerBlank || outerQuote)
        return u'"' + v + u'"';
    return v;
}

QString ErrnoText(const char *what, int err)
{
    return QString::fromLatin1(what) + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QString failure;
    auto fail = [&](const char *what, int err) {
        failure = ErrnoText(what, err);
        if (error)
            *error = failure;
        return false;
    };
    if (path.isEmpty())
        return fail("no file name", EINVAL);
    // Through a symbolic link the target is replaced, not the link.
    QFileInfo info(path);
    const QString target = info.isSymLink() && !info.canonicalFilePath().isEmpty()
                               ? info.canonicalFilePath()
                               : info.absoluteFilePath();
    const QFileInfo targetInfo(target);
    const QByteArray finalName = QFile::encodeName(target);

    static std::atomic<unsigned> counter{0};
    QByteArray tempName;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tempName = QFile::encodeName(targetInfo.absolutePath() + u'/' + u'.' +
                                     targetInfo.fileName() + u'.' + QString::number(getpid()) +
                                     u'.' + QString::number(counter++) + QStringLiteral(".tmp"));
        fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return fail("cannot create a temporary file", errno);
    }
    if (fd < 0)
        return fail("cannot create a temporary file", EEXIST);

    auto abandon = [&](const char *what, int err) {
        ::close(fd);
        ::unlink(tempName.constData());
        return fail(what, err);
    };
    struct stat old {
    };
    if (::stat(finalName.constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777); // keep the file's permissions

    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return abandon("cannot write", n < 0 ? errno : EIO);
        p += n;
        left -= n;
    }
    if (::fsync(fd) != 0)
        return abandon("cannot flush", errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tempName.constData());
        return fail("cannot write", err);
    }
    if (::rename(tempName.constData(), finalName.constData()) != 0) {
        const int err = errno;
        ::unlink(tempName.constData());
        return fail("cannot replace the file", err);
    }
    // Make the rename itself durable; a failure here loses nothing.
    const int dirFd = ::open(QFile::encodeName(targetInfo.absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

TIniFile::TIniFile(const QString &path) : path_(path)
{
    Load();
}

TIniFile::~TIniFile()
{
    if (dirty_)
        UpdateFile();
}

void TIniFile::Load()
{
    QFile f(path_);
    if (path_.isEmpty() || !f.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = f.readAll();
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(bytes.mid(3));
    else
        text = cp1251::toUnicode(bytes);

    Section *current = nullptr;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QString line = text.mid(start, end - start);
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
            text[end + 1] == u'\n')
            ++end;
        const bool last = end >= text.size();
        start = end + 1;
        if (last && line.isEmpty())
            break;

        const QString t = line.trimmed();
        if (HasControlChars(line))
            continue; // binary garbage: skipped, so the next save is clean
        if (t.startsWith(u'[')) {
            const qsizetype close = t.indexOf(u']');
            if (close > 0) {
                sections_.push_back(Section{t.mid(1, close - 1).trimmed(), true, {}});
                current = &sections_.back();
            }
            // A broken header is no entry either: kept as a key, it would
            // read back as a header once its value holds a "]".
            continue;
        }
        if (!current) {
            sections_.push_back(Section{QString(), false, {}});
            current = &sections_.back();
        }
        const qsizetype eq = t.indexOf(u'=');
        if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#')) {
            current->lines.push_back(Line{QString(), QString(), line});
        } else if (eq > 0) {
            current->lines.push_back(Line{t.left(eq).trimmed(), t.mid(eq + 1), QString()});
        }
        // Any other line is not an entry and is dropped.
    }
}

const TIniFile::Section *TIniFile::FindSection(const QString &name) const
{
    for (const Section &s : sections_)
        if (s.hasHeader && SameName(s.name, name))
            return &s;
    return nullptr;
}

TIniFile::Section *TIniFile::FindSection(const QString &name)
{
    return const_cast<Section *>(std::as_const(*this).FindSection(name));
}

const TIniFile::Line *TIniFile::FindKey(const Section &s, const QString &key)
{
    for (const Line &l : s.lines)
        if (!l.key.isEmpty() && SameName(l.key, key))
            return &l;
    return nullptr;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    const Section *s = FindSection(section);
    if (!s)
        return def;
    const Line *l = FindKey(*s, key.trimmed());
    return l ? UnquoteValue(l->value) : def;
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int def) const
{
    int v = 0;
    return ParseIntText(ReadString(section, key, QString()), v) ? v : def;
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    const QString k = key.trimmed();
    if (k.isEmpty() || section.isEmpty())
        return;
    dirty_ = true;
    Section *s = FindSection(section);
    if (!s) {
        sections_.push_back(Section{section.trimmed(), true, {}});
        s = &sections_.back();
    }
    for (Line &l : s->lines) {
        if (!l.key.isEmpty() && SameName(l.key, k)) {
            l.value = StoredValue(value);
            return;
        }
    }
    // After the last entry, so trailing blank or comment lines stay below it.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && std::prev(pos)->key.isEmpty())
        --pos;
    s->lines.insert(pos, Line{k, StoredValue(value), QString()});
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::ValueExists(const QString &section, const QString &key) const
{
    const Section *s = FindSection(section);
    return s && FindKey(*s, key.trimmed());
}

bool TIniFile::SectionExists(const QString &section) const
{
    return FindSection(section) != nullptr;
}

QStringList TIniFile::ReadSection(const QString &section) const
{
    QStringList keys;
    if (const Section *s = FindSection(section))
        for (const Line &l : s->lines)
            if (!l.key.isEmpty())
                keys << l.key;
    return keys;
}

QStringList TIniFile::ReadSections() const
{
    QStringList names;
    for (const Section &s : sections_)
        if (s.hasHeader)
            names << s.name;
    return names;
}

void TIniFile::EraseSection(const QString &section)
{
    for (auto it = sections_.begin(); it != sections_.end();) {
        if (it->hasHeader && SameName(it->name, section)) {
            it = sections_.erase(it);
            dirty_ = true;
        } else {
            ++it;
        }
    }
}

void TIniFile::DeleteKey(const QString &section, const QString &key)
{
    Section *s = FindSection(section);
    if (!s)
        return;
    for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
        if (!it->key.isEmpty() && SameName(it->key, key.trimmed())) {
            s->lines.erase(it);
            dirty_ = true;
            return;
        }
    }
}

QByteArray TIniFile::Serialize() const
{
    QString out;
    for (const Section &s : sections_) {
        if (s.hasHeader)
            out += u'[' + s.name + QStringLiteral("]\r\n");
        for (const Line &l : s.lines) {
            if (l.key.isEmpty())
                out += l.raw;
            else
                out += l.key + u'=' + l.value;
            out += QStringLiteral("\r\n");
        }
    }
    return cp1251::fromUnicode(out);
}

bool TIniFile::UpdateFile()
{
    if (!dirty_)
        return true;
    error_.clear();
    if (!WriteFileAtomically(path_, Serialize(), &error_))
        return false;
    dirty_ = false;
    return true;
}
