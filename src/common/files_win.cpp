#include "common/files_win.h"

#include "common/trace_win.h"

#include <shlwapi.h>

#include <algorithm>
#include <vector>

namespace vuv::win {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 24;

bool writeAll(HANDLE file, std::string_view bytes, const ChunkWriter& chunkWriter) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto want = static_cast<DWORD>(std::min(bytes.size() - done, kChunk));
        if (chunkWriter) {
            if (!chunkWriter(file, bytes.data() + done, want)) return false;
        } else {
            DWORD wrote = 0;
            if (!WriteFile(file, bytes.data() + done, want, &wrote, nullptr) || wrote != want) return false;
        }
        done += want;
    }
    return true;
}

}  // namespace

bool readFileBytes(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != 0 && size.QuadPart >= 0 && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD got = 0;
            const auto want = static_cast<DWORD>(std::min(bytes.size() - done, kChunk));
            ok = ReadFile(file, bytes.data() + done, want, &got, nullptr) != 0 && got > 0;
            done += got;
        }
        bytes.resize(done);
    }
    CloseHandle(file);
    return ok;
}

bool writeFileBytes(const std::wstring& path, std::string_view bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool wrote = writeAll(file, bytes, {});
    return CloseHandle(file) != 0 && wrote;
}

bool replaceFileBytes(const std::wstring& path, std::string_view bytes, const ChunkWriter& chunkWriter) {
    // Beside the target, so the final move stays on one volume.
    const std::wstring temporary = path + L".tmp" + std::to_wstring(GetCurrentProcessId());
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        trace(L"cannot create " + temporary);
        return false;
    }
    bool ok = writeAll(file, bytes, chunkWriter) && FlushFileBuffers(file) != 0;
    ok = CloseHandle(file) != 0 && ok;
    ok = ok && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) {
        DeleteFileW(temporary.c_str());
        trace(L"cannot write " + path);
    }
    return ok;
}

bool pathExists(const std::wstring& path) { return !path.empty() && PathFileExistsW(path.c_str()) != FALSE; }

bool isReadOnlyFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring executableDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got == 0) return {};
        if (got < buffer.size()) {
            const std::wstring path(buffer.data(), got);
            const std::size_t slash = path.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace vuv::win
