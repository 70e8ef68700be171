// Every settings read of the catalogue against a tracker whose reply is the
// fuzz input (Windows-1251 bytes, as the line delivers them).
#include "FuzzCheck.h"
#include "device/DevTrevalo.h"
#include "device/ModemExchange.h"
#include "platform/Cp1251.h"

namespace
{
// Answers any request with the input; "OK" decides as on the line.
class ReplyExchange : public IModemExchange
{
  public:
    QString reply;
    bool Exchange(const QString &, QString &out, const QString &, int, int, bool) override
    {
        out = reply;
        return true;
    }
    bool ExchangeHex(const QString &, QString &out, const QString &, int, int) override
    {
        out = reply;
        return true;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReplyExchange ex;
    ex.reply = cp1251::toUnicode(FuzzBytes(data, size));
    TDevTrevalo dev(&ex);
    const QString value = TDevTrevalo::ParseValue(ex.reply);

    int n = -7;
    bool on = false;
    QString text;
    for (auto read :
         {&TDevTrevalo::ReadObject, &TDevTrevalo::ReadLatit, &TDevTrevalo::ReadLongit,
          &TDevTrevalo::ReadTimefix, &TDevTrevalo::ReadIpPort, &TDevTrevalo::ReadTimegpres,
          &TDevTrevalo::ReadPeriodgsm, &TDevTrevalo::ReadPeriodgps, &TDevTrevalo::ReadActivegsm,
          &TDevTrevalo::ReadDisp}) {
        n = -7;
        if ((dev.*read)(n))
            FUZZ_CHECK(n >= 0); // numbers above INT_MAX are refused, not wrapped
        else
            FUZZ_CHECK(n == -7); // a failed read leaves the value alone
    }
    if (dev.ReadPresstime(n))
        FUZZ_CHECK(n >= -2);
    for (auto read : {&TDevTrevalo::ReadTurn, &TDevTrevalo::ReadFixtrid, &TDevTrevalo::ReadGprsena,
                      &TDevTrevalo::ReadGprssms, &TDevTrevalo::ReadEnaing})
        (dev.*read)(on);
    for (auto read :
         {&TDevTrevalo::ReadGphone, &TDevTrevalo::ReadGapn, &TDevTrevalo::ReadGprsName,
          &TDevTrevalo::ReadGprsPswd, &TDevTrevalo::ReadIpAdr, &TDevTrevalo::ReadServPswd,
          &TDevTrevalo::ReadDontsleep, &TDevTrevalo::ReadActivetime}) {
        if ((dev.*read)(text))
            FUZZ_CHECK(text == value);
    }
    for (int slot = 0; slot < 16; slot += 5) {
        dev.ReadAlphon(slot, text);
        dev.ReadIng(slot, text);
    }
    bool i1 = false, i2 = false;
    dev.ReadZact(i1, i2);
    TDevTrevalo::FlagAct flags;
    if (dev.ReadFlagact(flags))
        FUZZ_CHECK(flags.mode >= 1 && flags.mode <= 256);
    TDevTrevalo::AlarmLogic logic;
    if (dev.ReadAllogic(logic))
        FUZZ_CHECK(logic.kind1 >= 0 && logic.kind1 <= 4 && logic.kind2 >= 0 && logic.kind2 <= 4);
    TDevTrevalo::EventFlags events;
    dev.ReadMflag(events);

    const int sleep = TDevTrevalo::DecodeDontsleep(value);
    FUZZ_CHECK(sleep >= 0 && sleep <= 3);
    int index = -1;
    if (TDevTrevalo::DecodeActivetime(value, index))
        FUZZ_CHECK(index >= 0 && index < TDevTrevalo::ActivetimeCodes().size());
    unsigned u = 0;
    if (TDevTrevalo::DecodeHex(value, u))
        FUZZ_CHECK(TDevTrevalo::EncodeHex(u, value.size()).compare(value, Qt::CaseInsensitive) ==
                   0);
    bool sw = false;
    if (TDevTrevalo::DecodeSwitch(value, sw))
        FUZZ_CHECK(TDevTrevalo::EncodeSwitch(sw).compare(value, Qt::CaseInsensitive) == 0);
    return 0;
}
