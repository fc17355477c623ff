#include "common/trace_win.h"

#include <windows.h>

#include <exception>
#include <string>

namespace vuv::win {

void trace(std::wstring_view what) noexcept {
    try {
        std::wstring line(kTracePrefix);
        line.append(what);
        line.push_back(L'\n');
        OutputDebugStringW(line.c_str());
    } catch (...) {
        OutputDebugStringW(L"vuv: trace failed\n");
    }
}

void traceException(std::wstring_view where) noexcept {
    try {
        std::wstring line(kTraceException);
        line += L" in ";
        line.append(where);
        if (const std::exception_ptr current = std::current_exception()) {
            try {
                std::rethrow_exception(current);
            } catch (const std::exception& e) {
                line += L": ";
                for (const char* p = e.what(); *p != '\0'; ++p) line.push_back(static_cast<unsigned char>(*p));
            } catch (...) {
            }
        }
        trace(line);
    } catch (...) {
        trace(kTraceException);
    }
}

}  // namespace vuv::win
