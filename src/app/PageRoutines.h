#pragma once

class TController;
class TformIncl;

// Runs the read or write routine of the page's class; a page without one
// does nothing. Worker thread.
void RunPageRoutine(TController &c, TformIncl *page, bool write);
