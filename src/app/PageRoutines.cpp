#include "PageRoutines.h"

#include "Controller.h"

void RunPageRoutine(TController &c, TformIncl *page, bool write)
{
    (void)c;
    (void)page;
    (void)write;
}
