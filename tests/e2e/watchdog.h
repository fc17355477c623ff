// The limit each test of a Windows-side test program runs under (see
// watchdog.cpp, linked into every such program).
#pragma once

namespace vuv::e2e {

// Seconds a single test may run; VUV_TEST_LIMIT_SECONDS replaces it. Kept
// below the TIMEOUT ctest gives each test (cmake/windows.cmake).
inline constexpr long kDefaultTestLimitSeconds = 200;
// Seconds the program may take to end once every test has run.
inline constexpr long kExitLimitSeconds = 20;
// Exit code of a test program the limit ended.
inline constexpr unsigned kWatchdogExitCode = 124;

}  // namespace vuv::e2e
