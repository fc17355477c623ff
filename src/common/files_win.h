// Whole files in and out, by wide path: a path a file dialog returned stays
// wide all the way to the file, so folders whose names GBK cannot spell work
// too. Only texts written into files or sent to browsers are GBK.
#pragma once

#include "common/kernel_handle_win.h"

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vuv::win {

// The whole file; false when it cannot be opened or read. Opened for reading
// only and shared, so a read-only file or one another program holds open is
// read too.
[[nodiscard]] bool readFileBytes(const std::wstring& path, std::string& bytes);
// The same; on failure error holds the system's error code.
[[nodiscard]] bool readFileBytes(const std::wstring& path, std::string& bytes, DWORD& error);

// Creates or truncates the file and writes bytes; false on any failure.
[[nodiscard]] bool writeFileBytes(const std::wstring& path, std::string_view bytes);

// Writes bytes to a temporary file beside path, flushes it and then puts it
// in place of path in one step (MoveFileEx with replace-existing and
// write-through), so that a failed or interrupted write leaves the previous
// file exactly as it was. chunkWriter writes one piece to the open temporary
// file (tests give one that fails half way); false on any failure, with the
// temporary file removed and the system's error code left for GetLastError.
using ChunkWriter = std::function<bool(HANDLE file, const char* data, DWORD size)>;
[[nodiscard]] bool replaceFileBytes(const std::wstring& path, std::string_view bytes,
                                    const ChunkWriter& chunkWriter = {});

// Removes the temporary files replaceFileBytes left beside path when a
// process was ended in the middle of a write; the number removed. Only for
// a file no running process may be writing.
std::size_t removeLeftoverTemporaries(const std::wstring& path);

// The system's description of an error code, without the line break it ends
// with; the number when the system has none.
[[nodiscard]] std::wstring systemErrorText(DWORD error);

// A file held open without sharing for as long as the object lives: a lock
// between processes. The file is removed when the last handle closes (also
// when the process is killed).
class ExclusiveFile {
public:
    ExclusiveFile() = default;
    explicit ExclusiveFile(const std::wstring& path);

    [[nodiscard]] bool held() const noexcept { return static_cast<bool>(handle_); }
    // Why the file could not be held (ERROR_SHARING_VIOLATION: someone holds it).
    [[nodiscard]] DWORD error() const noexcept { return error_; }

private:
    KernelHandle handle_;
    DWORD error_ = ERROR_SUCCESS;
};

// True when path names an existing file or directory.
[[nodiscard]] bool pathExists(const std::wstring& path);
// True when path names an existing file marked read-only.
[[nodiscard]] bool isReadOnlyFile(const std::wstring& path);

// Directory of the running executable, without a trailing backslash.
[[nodiscard]] std::wstring executableDirectory();

}  // namespace vuv::win
