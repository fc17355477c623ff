// How many handles of this process name a given process. Wine answers 0 to
// GetProcessHandleCount, so every handle value is asked instead.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vuv::test {

inline DWORD handlesNaming(std::uint32_t processId) {
    DWORD count = 0;
    for (std::uintptr_t value = 4; value < 0x8000; value += 4) {
        const auto handle = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0;
        if (GetHandleInformation(handle, &flags) && GetProcessId(handle) == processId) ++count;
    }
    return count;
}

}  // namespace vuv::test
