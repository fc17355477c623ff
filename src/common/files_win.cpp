#include "common/files_win.h"

#include "common/owned_win.h"
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
    DWORD error = ERROR_SUCCESS;
    return readFileBytes(path, bytes, error);
}

bool readFileBytes(const std::wstring& path, std::string& bytes, DWORD& error) {
    bytes.clear();
    error = ERROR_SUCCESS;
    const KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return false;
    }
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file.get(), &size) != 0 && size.QuadPart >= 0 && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD got = 0;
            const auto want = static_cast<DWORD>(std::min(bytes.size() - done, kChunk));
            ok = ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) != 0 && got > 0;
            done += got;
        }
        bytes.resize(done);
    }
    if (!ok) {
        error = GetLastError();
        if (error == ERROR_SUCCESS) error = ERROR_READ_FAULT;  // the file ended early
    }
    return ok;
}

bool writeFileBytes(const std::wstring& path, std::string_view bytes) {
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const bool wrote = writeAll(file.get(), bytes, {});
    return file.close() && wrote;
}

bool replaceFileBytes(const std::wstring& path, std::string_view bytes, const ChunkWriter& chunkWriter) {
    // Beside the target, so the final move stays on one volume.
    const std::wstring temporary = path + L".tmp" + std::to_wstring(GetCurrentProcessId());
    KernelHandle file(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        trace(L"cannot create " + temporary);
        SetLastError(error);
        return false;
    }
    bool ok = writeAll(file.get(), bytes, chunkWriter) && FlushFileBuffers(file.get()) != 0;
    ok = file.close() && ok;
    ok = ok && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) {
        DWORD error = GetLastError();
        if (error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
        DeleteFileW(temporary.c_str());
        trace(L"cannot write " + path);
        SetLastError(error);
    }
    return ok;
}

std::size_t removeLeftoverTemporaries(const std::wstring& path) {
    const std::wstring prefix = path + L".tmp";
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    WIN32_FIND_DATAW found{};
    const FileSearch search(FindFirstFileW((prefix + L"*").c_str(), &found));
    if (!search) return 0;
    std::vector<std::wstring> leftovers;
    const std::wstring namePrefix = prefix.substr(folder.size());
    do {
        const std::wstring name = found.cFileName;
        // Only the names replaceFileBytes gives: the prefix and a process id.
        const std::wstring suffix = name.size() > namePrefix.size() ? name.substr(namePrefix.size()) : std::wstring();
        const bool digits = !suffix.empty() && std::all_of(suffix.begin(), suffix.end(),
                                                           [](wchar_t c) { return c >= L'0' && c <= L'9'; });
        if (digits && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) leftovers.push_back(folder + name);
    } while (FindNextFileW(search.get(), &found));
    std::size_t removed = 0;
    for (const std::wstring& leftover : leftovers) removed += DeleteFileW(leftover.c_str()) != 0 ? 1 : 0;
    return removed;
}

std::wstring systemErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const LocalMemory owned(buffer);
    std::wstring text = length != 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
    const auto trailing = [](wchar_t c) { return c == L'\n' || c == L'\r' || c == L' ' || c == L'.'; };
    while (!text.empty() && trailing(text.back())) text.pop_back();
    const std::wstring code = L"错误 " + std::to_wstring(error);
    return text.empty() ? code : text + L"，" + code;
}

ExclusiveFile::ExclusiveFile(const std::wstring& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr)) {
    if (!handle_) error_ = GetLastError();
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
