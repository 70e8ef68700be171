// The modem worker's scan of what the line delivered for result words: the
// failure words that end the link, "ERROR", the awaited token, "CONNECT".
#include "FuzzCheck.h"
#include "link/ModemWorker.h"
#include "platform/Cp1251.h"

#include <QStringList>

namespace
{
// The reference rule, written plainly: some line, trimmed, is the word.
bool someLineIs(const QString &text, const QString &word, Qt::CaseSensitivity cs)
{
    QString t = text;
    t.replace(u'\r', u'\n');
    for (const QString &line : t.split(u'\n'))
        if (line.trimmed().compare(word, cs) == 0)
            return true;
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = cp1251::toUnicode(FuzzBytes(data, size));
    for (const char *w : {"BUSY", "NO CARRIER", "NO DIALTONE", "DISCONNECT", "NO ANSWER", "ERROR",
                          "OK", "CONNECT", "+CREG: 0,1"}) {
        const QString word = QLatin1String(w);
        const bool has = modemtext::HasResultLine(text, word);
        const bool exact = someLineIs(text, word, Qt::CaseInsensitive);
        if (word != QLatin1String("CONNECT"))
            FUZZ_CHECK(has == exact);
        else
            FUZZ_CHECK(has >= exact);
        if (has)
            FUZZ_CHECK(text.contains(word, Qt::CaseInsensitive));

        const qsizetype at = modemtext::FindResultLine(text, word, Qt::CaseSensitive);
        FUZZ_CHECK((at >= 0) == someLineIs(text, word, Qt::CaseSensitive));
        if (at >= 0) {
            FUZZ_CHECK(at <= text.size());
            FUZZ_CHECK(at == 0 || text[at - 1] == u'\r' || text[at - 1] == u'\n');
            FUZZ_CHECK(text.indexOf(word, at) >= at);
        }
    }
    // What the worker refuses to send never holds a control character.
    if (modemtext::IsSendable(text))
        for (QChar c : text)
            FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7F);
    return 0;
}
