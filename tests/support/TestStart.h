#pragma once
// What every test suite's entry does before it runs the tests: every test starts on the in-memory
// desktop and with the kernel's clock stopped at the same moment, ZRV_TEST_NOW (an ISO date-time,
// such as 2011-07-20T23:59:59) when set, else the moment the run started.

namespace zrvtest {

// Installs that start for every test; false, with the reason printed, when ZRV_TEST_NOW does not
// read as a date-time.
bool InstallTestStart();

} // namespace zrvtest
