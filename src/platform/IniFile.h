#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// Replaces the file at path with bytes through a temporary file beside it and
// a rename, so the old file stays whole when anything fails; every write is
// checked (a short write on a full disk is a failure). False with error set
// when the file could not be replaced.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// Reader and writer of the plain profile (ini) format. Sections and keys are
// matched without regard to letter case; the file keeps its order, an existing
// key is replaced in place and new sections and keys are appended. On disk the
// text is Windows-1251 with CR LF line ends. Writes stay in memory until
// UpdateFile(), which replaces the file atomically (temporary file + rename).
class TIniFile
{
  public:
    // Loads the file when it exists; a missing or unreadable file reads as empty.
    explicit TIniFile(const QString &path);
    // Saves pending writes, ignoring a failure (call UpdateFile() to know).
    ~TIniFile();
    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    QString FileName() const { return path_; }

    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // A value that is not an integer (decimal, "$hex" or "0xhex") reads as missing.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    // Integer non-zero = true; a value that is not an integer reads as missing.
    bool ReadBool(const QString &section, const QString &key, bool def) const;

    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);

    bool ValueExists(const QString &section, const QString &key) const;
    bool SectionExists(const QString &section) const;
    // Keys of a section in file order.
    QStringList ReadSection(const QString &section) const;
    QStringList ReadSections() const;
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &key);

    // Writes the file now when something changed; false when the save failed
    // (the old file is then left untouched). ErrorString() tells why.
    bool UpdateFile();
    bool IsDirty() const { return dirty_; }
    QString ErrorString() const { return error_; }

  private:
    struct Line {
        QString key; // empty for a kept comment or blank line
        QString value;
        QString raw; // the text of a comment or blank line
    };
    struct Section {
        QString name;
        bool hasHeader = true; // false for lines before the first header
        std::vector<Line> lines;
    };

    void Load();
    const Section *FindSection(const QString &name) const;
    Section *FindSection(const QString &name);
    static const Line *FindKey(const Section &s, const QString &key);
    QByteArray Serialize() const;

    QString path_;
    std::vector<Section> sections_;
    bool dirty_ = false;
    QString error_;
};
