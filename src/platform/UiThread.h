#pragma once
#include <functional>

// Runs fn on the user interface (main) thread and returns when it is done:
// a direct call on that thread, a blocking queued call from any other.
// An exception thrown by fn is rethrown in the caller's thread.
// Without an application object fn runs directly.
void RunOnUiThread(const std::function<void()> &fn);

// True when the calling thread is the user interface thread.
bool IsUiThread();
