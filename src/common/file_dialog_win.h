// The system's open and save dialogs. Filters are given as "text|pattern|…".
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace vuv::win {

// The chosen file's full path, or nothing when cancelled. The path stays
// wide: a folder whose name GBK cannot spell is still usable.
[[nodiscard]] std::optional<std::wstring> askOpenFile(HWND owner, const wchar_t* barFilter);
// defaultExtension (without dot) is added to a typed name that has none.
[[nodiscard]] std::optional<std::wstring> askSaveFile(HWND owner, const wchar_t* barFilter,
                                                      const wchar_t* defaultExtension = nullptr);

// "a|b|c|d" in the double-NUL form the dialogs take.
[[nodiscard]] std::wstring dialogFilter(const wchar_t* barFilter);

}  // namespace vuv::win
