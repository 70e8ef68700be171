// A reply as the line delivers it (Windows-1251 bytes) through the framing
// parser and the identity parsers.
#include "FuzzCheck.h"
#include "device/DevTrevalo.h"
#include "link/ModemWorker.h"
#include "platform/Cp1251.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString reply = cp1251::toUnicode(FuzzBytes(data, size));
    const QString value = TDevTrevalo::ParseValue(reply);
    FUZZ_CHECK(value.size() <= reply.size());
    if (!value.isEmpty()) {
        // A value comes only from a reply that has its "OK" line, and it is
        // trimmed of blanks and control characters.
        FUZZ_CHECK(modemtext::FindResultLine(reply, QStringLiteral("OK"), Qt::CaseSensitive) >= 0);
        FUZZ_CHECK(value.front().unicode() > 0x20 && value.back().unicode() > 0x20);
        FUZZ_CHECK(reply.contains(value));
    }

    const TrevaloVersion v = TDevTrevalo::ParseVersion(reply);
    if (!v.valid)
        FUZZ_CHECK(v.major == 0 && v.minor == 0);
    if (TDevTrevalo::IsSupportedVersion(reply))
        FUZZ_CHECK(reply.contains(QStringLiteral("REV 07")));

    for (int minor : {0, 62, 63, 69, 70, 255, 256, v.minor}) {
        PanelInfo panel;
        if (TDevTrevalo::PanelFromType(minor, value, panel)) {
            FUZZ_CHECK(TDevTrevalo::PanelTypeIsRead(minor));
            FUZZ_CHECK(panel.chip == QLatin1String("AT45DB161D") ||
                       panel.chip == QLatin1String("M45PE16"));
        }
    }
    return 0;
}
