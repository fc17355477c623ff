// Whole files in and out, by wide path: a path a file dialog returned stays
// wide all the way to the file, so folders whose names GBK cannot spell work
// too. Only texts written into files or sent to browsers are GBK.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace vuv::win {

// The whole file; false when it cannot be opened or read. Opened for reading
// only and shared, so a read-only file or one another program holds open is
// read too.
[[nodiscard]] bool readFileBytes(const std::wstring& path, std::string& bytes);

// Creates or truncates the file and writes bytes; false on any failure.
[[nodiscard]] bool writeFileBytes(const std::wstring& path, std::string_view bytes);

// Writes bytes to a temporary file beside path, flushes it and then puts it
// in place of path in one step (MoveFileEx with replace-existing and
// write-through), so that a failed or interrupted write leaves the previous
// file exactly as it was. chunkWriter writes one piece to the open temporary
// file (tests give one that fails half way); false on any failure, with the
// temporary file removed.
using ChunkWriter = std::function<bool(HANDLE file, const char* data, DWORD size)>;
[[nodiscard]] bool replaceFileBytes(const std::wstring& path, std::string_view bytes,
                                    const ChunkWriter& chunkWriter = {});

// True when path names an existing file or directory.
[[nodiscard]] bool pathExists(const std::wstring& path);
// True when path names an existing file marked read-only.
[[nodiscard]] bool isReadOnlyFile(const std::wstring& path);

// Directory of the running executable, without a trailing backslash.
[[nodiscard]] std::wstring executableDirectory();

}  // namespace vuv::win
