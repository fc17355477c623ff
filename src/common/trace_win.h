// A trace for failures that the panel reports to nobody: an exception caught
// at a window procedure's barrier, a file that could not be written, a
// transfer that timed out or was refused. Each becomes one line through
// OutputDebugString ("vuv: <what>"), which a debugger shows and Wine writes
// to its log, so that a test can tell a quiet success from a quiet failure.
#pragma once

#include <string_view>

namespace vuv::win {

// The prefix of every trace line.
inline constexpr std::wstring_view kTracePrefix = L"vuv: ";
// The words that open the line of an exception caught at a barrier.
inline constexpr std::wstring_view kTraceException = L"exception at barrier";

void trace(std::wstring_view what) noexcept;
// The line of an exception caught at a barrier; where names the window.
void traceException(std::wstring_view where) noexcept;

}  // namespace vuv::win
