#pragma once
// Runs the Qt event loop until a condition holds, without sleeping.

#include <functional>

namespace zrvtest {

// Processes events until aCondition() is true or aTimeoutMs passes; returns the last value of aCondition().
bool WaitUntil(const std::function<bool()>& aCondition, int aTimeoutMs = 3000);
// Processes events for aMs milliseconds (for "nothing else happens" checks).
void RunEventsFor(int aMs);
// Runs every deferred call posted before it (zero-time single shots, queued invocations), in
// order: after it, a deferred call that was due has run, without waiting for any wall-clock time.
void RunDeferredCalls();

} // namespace zrvtest
