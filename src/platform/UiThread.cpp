#include "UiThread.h"
void RunOnUiThread(const std::function<void()> &fn) { fn(); }
bool IsUiThread() { return true; }
