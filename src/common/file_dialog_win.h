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

// The save dialog with one check box of the program's own below the file
// name (control id kSaveOptionBox of the dialog's child); option gives its
// state when the dialog opens and receives it when a file is chosen.
inline constexpr int kSaveOptionBox = 0x0600;
[[nodiscard]] std::optional<std::wstring> askSaveFileWithOption(HWND owner, const wchar_t* barFilter,
                                                                const wchar_t* defaultExtension,
                                                                const wchar_t* optionCaption, bool& option);

// "a|b|c|d" in the double-NUL form the dialogs take.
[[nodiscard]] std::wstring dialogFilter(const wchar_t* barFilter);

}  // namespace vuv::win
