#include "SettingsStore.h"

#include "Hex.h"

#include <algorithm>

namespace t3sim
{
namespace
{

enum class Kind { Switch, Hex, Dec4, Decimal, Text, Phone, Choice, FlagAct, ReadOnly };

struct Entry {
    const char *name;
    Kind kind;
    int width; // hex digits, or the longest text
    long min;
    long max;
    const char *choices; // Choice: codes separated by '|'
    int minBuild;
    const char *initial;
};

// Initial values are those of a tracker fresh from the factory.
const Entry kCatalogue[] = {
    {"object", Kind::Dec4, 4, 0, 9999, nullptr, 0, "0050"},
    {"latit", Kind::Hex, 4, 0, 0xFFFF, nullptr, 0, "00E6"},
    {"longit", Kind::Hex, 4, 0, 0xFFFF, nullptr, 0, "012C"},
    {"timefix", Kind::Hex, 2, 0, 0xFF, nullptr, 0, "05"},
    {"turn", Kind::Switch, 2, 0, 0, nullptr, 0, "FF"},
    {"fixtrid", Kind::Switch, 2, 0, 0, nullptr, 43, "00"},
    {"gprsena", Kind::Switch, 2, 0, 0, nullptr, 0, "00"},
    {"gphone", Kind::Text, 35, 0, 0, nullptr, 0, "*99#"},
    {"GAPN", Kind::Text, 35, 0, 0, nullptr, 0, "internet"},
    {"gprsname", Kind::Text, 35, 0, 0, nullptr, 0, "internet"},
    {"gprspswd", Kind::Text, 35, 0, 0, nullptr, 0, "internet"},
    {"IPadr", Kind::Text, 35, 0, 0, nullptr, 0, "192.0.2.10"},
    {"IPport", Kind::Decimal, 5, 1, 65535, nullptr, 0, "3055"},
    {"servpswd", Kind::Text, 8, 0, 0, nullptr, 0, "MolvRask"},
    {"timegpres", Kind::Hex, 2, 1, 0xFF, nullptr, 0, "0A"},
    {"zact", Kind::Hex, 2, 0, 3, nullptr, 0, "03"},
    {"flagact", Kind::FlagAct, 4, 0, 0, nullptr, 0, "0300"},
    {"alphon0", Kind::Phone, 20, 0, 0, nullptr, 0, "+79001234567"},
    {"alphon1", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"allogic", Kind::Hex, 2, 0, 0xFF, nullptr, 0, "FA"},
    {"presstime", Kind::Hex, 2, 2, 10, nullptr, 38, "04"},
    {"dontsleep", Kind::Choice, 2, 0, 0, "00|0F|FF|F0", 58, "FF"},
    {"periodgsm", Kind::Hex, 4, 10, 10080, nullptr, 58, "003C"},
    {"periodgps", Kind::Hex, 4, 10, 10080, nullptr, 58, "000A"},
    {"activetime", Kind::Choice, 4, 0, 0, "FFFF|012C|0258|0384", 58, "012C"},
    {"activegsm", Kind::Hex, 4, 1, 0xFFFF, nullptr, 58, "0078"},
    {"gprssms", Kind::Switch, 2, 0, 0, nullptr, 0, "FF"},
    {"MFLAG", Kind::ReadOnly, 4, 0, 0, nullptr, 0, "0000"},
    {"enaing", Kind::Switch, 2, 0, 0, nullptr, 0, "FF"},
    {"ing0", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"ing1", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"ing2", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"ing3", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"ing4", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"ing5", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"ing6", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"ing7", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"ing8", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"ing9", Kind::Phone, 20, 0, 0, nullptr, 0, " "},
    {"disp", Kind::Hex, 2, 0, 0xFF, nullptr, 0, "FF"},
    {"typepan", Kind::ReadOnly, 4, 0, 0, nullptr, 63, "0138"},
    {"PGPS", Kind::ReadOnly, 2, 0, 0, nullptr, 0, "0A"},
};

const Entry *find(const QByteArray &name)
{
    for (const Entry &e : kCatalogue)
        if (name == e.name)
            return &e;
    return nullptr;
}

bool isPlainText(const QByteArray &v)
{
    return std::all_of(v.begin(), v.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u != 0x7F;
    });
}

bool isPhone(const QByteArray &v)
{
    return std::all_of(v.begin(), v.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#' || c == ' ';
    });
}

bool isDecimal(const QByteArray &v)
{
    return !v.isEmpty() &&
           std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

SettingsStore::SettingsStore()
{
    for (const Entry &e : kCatalogue)
        m_values.insert(e.name, e.initial);
}

QList<QByteArray> SettingsStore::names()
{
    QList<QByteArray> out;
    for (const Entry &e : kCatalogue)
        out << e.name;
    return out;
}

bool SettingsStore::knows(const QByteArray &name)
{
    return find(name) != nullptr;
}

QByteArray SettingsStore::matchName(const QByteArray &body)
{
    QByteArray best;
    for (const Entry &e : kCatalogue) {
        const QByteArray n(e.name);
        if (body.startsWith(n) && n.size() > best.size())
            best = n;
    }
    return best;
}

int SettingsStore::minBuild(const QByteArray &name)
{
    const Entry *e = find(name);
    return e ? e->minBuild : 0;
}

QByteArray SettingsStore::value(const QByteArray &name) const
{
    return m_values.value(name);
}

void SettingsStore::setValue(const QByteArray &name, const QByteArray &value)
{
    m_values.insert(name, value);
}

SettingsStore::WriteResult SettingsStore::write(const QByteArray &name, const QByteArray &v)
{
    const Entry *e = find(name);
    if (!e || e->kind == Kind::ReadOnly)
        return WriteResult::ReadOnly;
    QByteArray stored;
    switch (e->kind) {
    case Kind::Switch: {
        const QByteArray u = v.toUpper();
        if (u != "00" && u != "FF")
            return WriteResult::Malformed;
        stored = u;
        break;
    }
    case Kind::Hex: {
        const auto n = v.size() == e->width ? hex::parse(v) : std::nullopt;
        if (!n || long(*n) < e->min || long(*n) > e->max)
            return WriteResult::Malformed;
        stored = hex::format(*n, e->width);
        break;
    }
    case Kind::Dec4:
    case Kind::Decimal: {
        if (!isDecimal(v) || v.size() > e->width || v.toLong() < e->min || v.toLong() > e->max)
            return WriteResult::Malformed;
        stored = e->kind == Kind::Dec4 ? v.rightJustified(4, '0') : QByteArray::number(v.toLong());
        break;
    }
    case Kind::Text:
        if (v.size() > e->width || !isPlainText(v))
            return WriteResult::Malformed;
        stored = v;
        break;
    case Kind::Phone:
        if (v.isEmpty() || v.size() > e->width || !isPhone(v))
            return WriteResult::Malformed;
        stored = v;
        break;
    case Kind::Choice: {
        const QByteArray u = v.toUpper();
        if (!QByteArray(e->choices).split('|').contains(u))
            return WriteResult::Malformed;
        stored = u;
        break;
    }
    case Kind::FlagAct: {
        // Second byte is the operating mode minus one; the firmware has five modes.
        const auto n = v.size() == 4 ? hex::parse(v) : std::nullopt;
        if (!n || (*n & 0xFF) > 4)
            return WriteResult::Malformed;
        stored = hex::format(*n, 4);
        break;
    }
    case Kind::ReadOnly:
        return WriteResult::ReadOnly;
    }
    m_values.insert(name, stored);
    return WriteResult::Ok;
}

} // namespace t3sim
