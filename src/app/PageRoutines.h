#pragma once

class TController;
class TformIncl;

// Runs the read or write routine of the page's class; a page without one
// does nothing. Worker thread.
void RunPageRoutine(TController &c, TformIncl *page, bool write);

#include <QList>

// Operations of the worker commands that belong to single pages (flags reset,
// sleep mode, history, GPS). Worker thread.
void RunExtraCommand(TController &c, unsigned char code, const QList<TformIncl *> &pages);
