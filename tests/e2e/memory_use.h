// Memory figures of another process, for the end-to-end tests and the
// benchmarks that watch the panel.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <optional>

namespace vuv::e2e {

// Private bytes of process pid: the commit charge of its private memory
// (PROCESS_MEMORY_COUNTERS_EX.PrivateUsage). Wine leaves PrivateUsage at 0
// and reports the process's private memory in PagefileUsage, which Windows
// documents as the same figure, so that is taken when PrivateUsage is 0.
// nullopt when the process cannot be queried.
[[nodiscard]] inline std::optional<std::uint64_t> privateBytes(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) return std::nullopt;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    const BOOL ok =
        GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    CloseHandle(process);
    if (!ok) return std::nullopt;
    return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

inline double megabytes(std::uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace vuv::e2e
