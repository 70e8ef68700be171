#include "PageRoutines.h"

#include "Controller.h"
#include "pages/fCommon.h"
#include "pages/fEvents.h"
#include "pages/fFlags.h"
#include "pages/fGPRS.h"
#include "pages/fPhones.h"

// The routine is chosen by the page's class, not by its caption.
void RunPageRoutine(TController &c, TformIncl *page, bool write)
{
    if (auto *p = dynamic_cast<TformCommon *>(page)) {
        write ? p->WriteCommon(c) : p->ReadCommon(c);
    } else if (auto *p = dynamic_cast<TformGPRS *>(page)) {
        write ? p->WriteGprs(c) : p->ReadGprs(c);
    } else if (auto *p = dynamic_cast<TformEvents *>(page)) {
        write ? p->WriteEvents(c) : p->ReadEvents(c);
    } else if (auto *p = dynamic_cast<TformFlags *>(page)) {
        if (!write)
            p->ReadFlags(c);
    } else if (auto *p = dynamic_cast<TformPhones *>(page)) {
        write ? p->WritePhones(c) : p->ReadPhones(c);
    }
}

namespace
{
template <typename T> T *FindPage(const QList<TformIncl *> &pages)
{
    for (TformIncl *p : pages)
        if (auto *t = dynamic_cast<T *>(p))
            return t;
    return nullptr;
}
} // namespace

void RunExtraCommand(TController &c, unsigned char code, const QList<TformIncl *> &pages)
{
    switch (code) {
    case wcResetFlags:
        if (auto *flags = FindPage<TformFlags>(pages))
            flags->ResetFlags(c);
        break;
    case wcWriteSleepMode:
        if (auto *events = FindPage<TformEvents>(pages))
            events->SendSleepMode(c);
        break;
    default:
        break;
    }
}
