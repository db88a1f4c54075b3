#pragma once
// Runs the Qt event loop until a condition holds, without sleeping.

#include <functional>

namespace zrvtest {

// How long a test waits for an event before it fails. Long, since it costs time only when the test
// fails, and a loaded machine (a sanitizer build beside a parallel one) is slow.
constexpr int c_EventTimeoutMs = 30000;

// Processes events until aCondition() is true or aTimeoutMs passes; returns the last value of aCondition().
bool WaitUntil(const std::function<bool()>& aCondition, int aTimeoutMs = c_EventTimeoutMs);
// Processes events for aMs milliseconds (for "nothing else happens" checks).
void RunEventsFor(int aMs);
// Runs every deferred call posted before it (zero-time single shots, queued invocations), in
// order: after it, a deferred call that was due has run, without waiting for any wall-clock time.
void RunDeferredCalls();

} // namespace zrvtest
