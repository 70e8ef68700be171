#include <climits>

#include "DevTrevalo.h"

namespace
{
const QString kObject = QStringLiteral("object");
const QString kLatit = QStringLiteral("latit");
const QString kLongit = QStringLiteral("longit");
const QString kTimefix = QStringLiteral("timefix");
const QString kTurn = QStringLiteral("turn");
const QString kFixtrid = QStringLiteral("fixtrid");
const QString kGprsena = QStringLiteral("gprsena");
const QString kGphone = QStringLiteral("gphone");
const QString kGapn = QStringLiteral("GAPN");
const QString kGprsName = QStringLiteral("gprsname");
const QString kGprsPswd = QStringLiteral("gprspswd");
const QString kIpAdr = QStringLiteral("IPadr");
const QString kIpPort = QStringLiteral("IPport");
const QString kServPswd = QStringLiteral("servpswd");
const QString kTimegpres = QStringLiteral("timegpres");
const QString kZact = QStringLiteral("zact");
const QString kFlagact = QStringLiteral("flagact");
const QString kAlphon = QStringLiteral("alphon");
const QString kAllogic = QStringLiteral("allogic");
const QString kPresstime = QStringLiteral("presstime");
const QString kDontsleep = QStringLiteral("dontsleep");
const QString kPeriodgsm = QStringLiteral("periodgsm");
const QString kPeriodgps = QStringLiteral("periodgps");
const QString kActivetime = QStringLiteral("activetime");
const QString kActivegsm = QStringLiteral("activegsm");
const QString kGprssms = QStringLiteral("gprssms");
const QString kMflagRead = QStringLiteral("MFLAG");
const QString kMflagReset = QStringLiteral("mflag");
const QString kEnaing = QStringLiteral("enaing");
const QString kIng = QStringLiteral("ing");
const QString kDisp = QStringLiteral("disp");

// Slot digit appended to "alphon" and "ing".
QString slotName(const QString &name, int slot)
{
    return name + QString::number(slot, 16).toUpper();
}

// Kind list index → the three-bit code on the wire, and back.
constexpr unsigned kKindCodes[] = {7, 1, 2, 3, 4};

unsigned kindCode(int index)
{
    return index >= 1 && index <= 4 ? kKindCodes[index] : 7u;
}

int kindIndex(unsigned code)
{
    return code >= 1 && code <= 4 ? static_cast<int>(code) : 0;
}
} // namespace

// ---- Encodings ----

QString TDevTrevalo::EncodeSwitch(bool on)
{
    return on ? QStringLiteral("00") : QStringLiteral("FF");
}

bool TDevTrevalo::DecodeSwitch(const QString &reply, bool &on)
{
    if (reply == QLatin1String("00")) {
        on = true;
        return true;
    }
    if (reply.toUpper() == QLatin1String("FF")) {
        on = false;
        return true;
    }
    return false;
}

QString TDevTrevalo::EncodeHex(unsigned value, int digits)
{
    return QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

bool TDevTrevalo::DecodeHex(const QString &reply, unsigned &value)
{
    if (reply.isEmpty())
        return false;
    unsigned long long v = 0;
    for (const QChar c : reply) {
        const char16_t u = c.unicode();
        unsigned d;
        if (u >= '0' && u <= '9')
            d = u - '0';
        else if (u >= 'a' && u <= 'f')
            d = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            d = u - 'A' + 10;
        else
            return false;
        v = v * 16 + d;
        if (v > UINT_MAX)
            return false;
    }
    value = static_cast<unsigned>(v);
    return true;
}

bool TDevTrevalo::DecodeDecimal(const QString &reply, unsigned &value)
{
    if (reply.isEmpty())
        return false;
    unsigned long long v = 0;
    for (const QChar c : reply) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + static_cast<unsigned>(c.unicode() - '0');
        if (v > UINT_MAX)
            return false;
    }
    value = static_cast<unsigned>(v);
    return true;
}

QString TDevTrevalo::EncodeZact(bool input1, bool input2)
{
    return EncodeHex((input1 ? 1u : 0u) | (input2 ? 2u : 0u), 2);
}

void TDevTrevalo::DecodeZact(unsigned value, bool &input1, bool &input2)
{
    input1 = value & 1u;
    input2 = value & 2u;
}

QString TDevTrevalo::EncodeFlagAct(const FlagAct &f)
{
    const unsigned first = (f.input1 ? 1u : 0u) | (f.input2 ? 2u : 0u) | (f.battery ? 64u : 0u);
    return EncodeHex(first, 2) + EncodeHex(static_cast<unsigned>(f.mode - 1), 2);
}

TDevTrevalo::FlagAct TDevTrevalo::DecodeFlagAct(unsigned value)
{
    // Four digits: the first byte is the high one.
    const unsigned first = (value >> 8) & 0xFFu;
    FlagAct f;
    f.input1 = first & 1u;
    f.input2 = first & 2u;
    f.battery = first & 64u;
    f.mode = static_cast<int>(value & 0xFFu) + 1;
    return f;
}

unsigned TDevTrevalo::EncodeAlarmLogic(const AlarmLogic &l)
{
    return kindCode(l.kind1) + 8u * kindCode(l.kind2) + (l.andChoice ? 0u : 192u);
}

TDevTrevalo::AlarmLogic TDevTrevalo::DecodeAlarmLogic(unsigned value)
{
    AlarmLogic l;
    l.kind1 = kindIndex(value & 7u);
    l.kind2 = kindIndex((value >> 3) & 7u);
    l.andChoice = value < 64;
    return l;
}

TDevTrevalo::EventFlags TDevTrevalo::DecodeEventFlags(unsigned value)
{
    EventFlags f;
    f.input1Triggered = value & (1u << 0);
    f.input1Restored = value & (1u << 1);
    f.input2Triggered = value & (1u << 2);
    f.input2Restored = value & (1u << 3);
    f.batteryDischarged = value & (1u << 12);
    return f;
}

int TDevTrevalo::DecodeDontsleep(const QString &reply)
{
    if (reply.contains(QLatin1String("00")))
        return 0;
    if (reply.contains(QLatin1String("0F")))
        return 1;
    if (reply.contains(QLatin1String("FF")))
        return 2;
    return 3;
}

QString TDevTrevalo::EncodeDontsleep(bool b00, bool b0F, bool bFF, bool bF0)
{
    // Later buttons win, as the tracker's tool always did.
    QString value;
    if (b00)
        value = QStringLiteral("00");
    if (b0F)
        value = QStringLiteral("0F");
    if (bFF)
        value = QStringLiteral("FF");
    if (bF0)
        value = QStringLiteral("F0");
    return value;
}

const QStringList &TDevTrevalo::ActivetimeCodes()
{
    static const QStringList codes = {QStringLiteral("FFFF"), QStringLiteral("012C"),
                                      QStringLiteral("0258"), QStringLiteral("0384")};
    return codes;
}

bool TDevTrevalo::DecodeActivetime(const QString &reply, int &index)
{
    if (reply.isEmpty())
        return false;
    const QStringList &codes = ActivetimeCodes();
    for (int i = 0; i < codes.size(); ++i) {
        if (codes[i].contains(reply)) {
            index = i;
            return true;
        }
    }
    return false;
}

// ---- Generic forms ----

bool TDevTrevalo::ReadText(const QString &name, QString &text)
{
    QString reply;
    if (!Query(name, reply))
        return false;
    text = reply;
    return true;
}

bool TDevTrevalo::ReadSwitch(const QString &name, bool &on)
{
    QString reply;
    return Query(name, reply) && DecodeSwitch(reply, on);
}

bool TDevTrevalo::ReadHex(const QString &name, unsigned &value)
{
    QString reply;
    return Query(name, reply) && DecodeHex(reply, value);
}

bool TDevTrevalo::ReadHexInt(const QString &name, int &value)
{
    unsigned v = 0;
    if (!ReadHex(name, v) || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

bool TDevTrevalo::ReadDecimal(const QString &name, int &value)
{
    QString reply;
    unsigned v = 0;
    if (!Query(name, reply) || !DecodeDecimal(reply, v) || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

bool TDevTrevalo::ReadHexSwitch(const QString &name, bool &on)
{
    unsigned v = 0;
    if (!ReadHex(name, v))
        return false;
    on = v == 0;
    return true;
}

bool TDevTrevalo::WriteValue(const QString &name, const QString &value)
{
    return Command(name + value);
}

// ---- Common page ----

bool TDevTrevalo::ReadObject(int &number)
{
    return ReadDecimal(kObject, number);
}
bool TDevTrevalo::WriteObject(int number)
{
    return WriteValue(kObject, QString::number(number).rightJustified(4, QLatin1Char('0')));
}
bool TDevTrevalo::ReadLatit(int &offset)
{
    return ReadHexInt(kLatit, offset);
}
bool TDevTrevalo::WriteLatit(int offset)
{
    return WriteValue(kLatit, EncodeHex(offset, 4));
}
bool TDevTrevalo::ReadLongit(int &offset)
{
    return ReadHexInt(kLongit, offset);
}
bool TDevTrevalo::WriteLongit(int offset)
{
    return WriteValue(kLongit, EncodeHex(offset, 4));
}
bool TDevTrevalo::ReadTimefix(int &interval)
{
    return ReadHexInt(kTimefix, interval);
}
bool TDevTrevalo::WriteTimefix(int interval)
{
    return WriteValue(kTimefix, EncodeHex(interval, 2));
}
bool TDevTrevalo::ReadTurn(bool &on)
{
    return ReadSwitch(kTurn, on);
}
bool TDevTrevalo::WriteTurn(bool on)
{
    return WriteValue(kTurn, EncodeSwitch(on));
}
bool TDevTrevalo::ReadFixtrid(bool &on)
{
    return ReadSwitch(kFixtrid, on);
}
bool TDevTrevalo::WriteFixtrid(bool on)
{
    return WriteValue(kFixtrid, EncodeSwitch(on));
}

// ---- GPRS page ----

bool TDevTrevalo::ReadGprsena(bool &on)
{
    return ReadHexSwitch(kGprsena, on);
}
bool TDevTrevalo::WriteGprsena(bool on)
{
    return WriteValue(kGprsena, EncodeSwitch(on));
}
bool TDevTrevalo::ReadGphone(QString &text)
{
    return ReadText(kGphone, text);
}
bool TDevTrevalo::WriteGphone(const QString &text)
{
    return WriteValue(kGphone, text);
}
bool TDevTrevalo::ReadGapn(QString &text)
{
    return ReadText(kGapn, text);
}
bool TDevTrevalo::WriteGapn(const QString &text)
{
    return WriteValue(kGapn, text);
}
bool TDevTrevalo::ReadGprsName(QString &text)
{
    return ReadText(kGprsName, text);
}
bool TDevTrevalo::WriteGprsName(const QString &text)
{
    return WriteValue(kGprsName, text);
}
bool TDevTrevalo::ReadGprsPswd(QString &text)
{
    return ReadText(kGprsPswd, text);
}
bool TDevTrevalo::WriteGprsPswd(const QString &text)
{
    return WriteValue(kGprsPswd, text);
}
bool TDevTrevalo::ReadIpAdr(QString &text)
{
    return ReadText(kIpAdr, text);
}
bool TDevTrevalo::WriteIpAdr(const QString &text)
{
    return WriteValue(kIpAdr, text);
}
bool TDevTrevalo::ReadIpPort(int &port)
{
    return ReadDecimal(kIpPort, port);
}
bool TDevTrevalo::WriteIpPort(int port)
{
    return WriteValue(kIpPort, QString::number(port));
}
bool TDevTrevalo::ReadServPswd(QString &text)
{
    return ReadText(kServPswd, text);
}
bool TDevTrevalo::WriteServPswd(const QString &text)
{
    return WriteValue(kServPswd, text);
}
bool TDevTrevalo::ReadTimegpres(int &minutes)
{
    return ReadHexInt(kTimegpres, minutes);
}
bool TDevTrevalo::WriteTimegpres(int minutes)
{
    return WriteValue(kTimegpres, EncodeHex(minutes, 2));
}

// ---- Events page ----

bool TDevTrevalo::ReadZact(bool &input1, bool &input2)
{
    unsigned v = 0;
    if (!ReadHex(kZact, v))
        return false;
    DecodeZact(v, input1, input2);
    return true;
}

bool TDevTrevalo::WriteZact(bool input1, bool input2)
{
    return WriteValue(kZact, EncodeZact(input1, input2));
}

bool TDevTrevalo::ReadFlagact(FlagAct &value)
{
    unsigned v = 0;
    if (!ReadHex(kFlagact, v))
        return false;
    value = DecodeFlagAct(v);
    return true;
}

bool TDevTrevalo::WriteFlagact(const FlagAct &value)
{
    return WriteValue(kFlagact, EncodeFlagAct(value));
}

bool TDevTrevalo::ReadAlphon(int slot, QString &text)
{
    return ReadText(slotName(kAlphon, slot), text);
}
bool TDevTrevalo::WriteAlphon(int slot, const QString &text)
{
    return WriteValue(slotName(kAlphon, slot), text);
}

bool TDevTrevalo::ReadAllogic(AlarmLogic &value)
{
    unsigned v = 0;
    if (!ReadHex(kAllogic, v))
        return false;
    value = DecodeAlarmLogic(v);
    return true;
}

bool TDevTrevalo::WriteAllogic(const AlarmLogic &value)
{
    return WriteValue(kAllogic, EncodeHex(EncodeAlarmLogic(value), 2));
}

bool TDevTrevalo::ReadPresstime(int &listIndex)
{
    int v = 0;
    if (!ReadHexInt(kPresstime, v))
        return false;
    listIndex = v - 2;
    return true;
}

bool TDevTrevalo::WritePresstime(int halfSeconds)
{
    return WriteValue(kPresstime, EncodeHex(halfSeconds, 2));
}

bool TDevTrevalo::ReadDontsleep(QString &reply)
{
    return ReadText(kDontsleep, reply);
}
bool TDevTrevalo::WriteDontsleep(bool b00, bool b0F, bool bFF, bool bF0)
{
    return WriteValue(kDontsleep, EncodeDontsleep(b00, b0F, bFF, bF0));
}
bool TDevTrevalo::ReadPeriodgsm(int &minutes)
{
    return ReadHexInt(kPeriodgsm, minutes);
}
bool TDevTrevalo::WritePeriodgsm(int minutes)
{
    return WriteValue(kPeriodgsm, EncodeHex(minutes, 4));
}
bool TDevTrevalo::ReadPeriodgps(int &minutes)
{
    return ReadHexInt(kPeriodgps, minutes);
}
bool TDevTrevalo::WritePeriodgps(int minutes)
{
    return WriteValue(kPeriodgps, EncodeHex(minutes, 4));
}
bool TDevTrevalo::ReadActivetime(QString &reply)
{
    return ReadText(kActivetime, reply);
}
bool TDevTrevalo::WriteActivetime(const QString &code)
{
    return WriteValue(kActivetime, code);
}
bool TDevTrevalo::ReadActivegsm(int &seconds)
{
    return ReadHexInt(kActivegsm, seconds);
}
bool TDevTrevalo::WriteActivegsm(int minutes)
{
    return WriteValue(kActivegsm, EncodeHex(static_cast<unsigned>(minutes) * 60u, 4));
}
bool TDevTrevalo::ReadGprssms(bool &on)
{
    return ReadSwitch(kGprssms, on);
}
bool TDevTrevalo::WriteGprssms(bool on)
{
    return WriteValue(kGprssms, EncodeSwitch(on));
}

// ---- Flags page ----

bool TDevTrevalo::ReadMflag(EventFlags &flags)
{
    unsigned v = 0;
    if (!ReadHex(kMflagRead, v))
        return false;
    flags = DecodeEventFlags(v);
    return true;
}

bool TDevTrevalo::ResetEventFlags()
{
    return Command(kMflagReset);
}

// ---- Engineering numbers page ----

bool TDevTrevalo::ReadEnaing(bool &on)
{
    return ReadHexSwitch(kEnaing, on);
}
bool TDevTrevalo::WriteEnaing(bool on)
{
    return WriteValue(kEnaing, EncodeSwitch(on));
}
bool TDevTrevalo::ReadIng(int slot, QString &text)
{
    return ReadText(slotName(kIng, slot), text);
}
bool TDevTrevalo::WriteIng(int slot, const QString &text)
{
    return WriteValue(slotName(kIng, slot), text.isEmpty() ? QStringLiteral(" ") : text);
}
bool TDevTrevalo::ReadDisp(int &value)
{
    return ReadHexInt(kDisp, value);
}
bool TDevTrevalo::WriteDisp(int value)
{
    return WriteValue(kDisp, EncodeHex(value, 2));
}
