#include "common/file_dialog_win.h"

#include "common/encoding_win.h"

#include <commdlg.h>

#include <vector>

namespace vuv::win {

std::wstring dialogFilter(const wchar_t* barFilter) {
    std::wstring filter(barFilter != nullptr ? barFilter : L"");
    for (wchar_t& c : filter) {
        if (c == L'|') c = L'\0';
    }
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    return filter;
}

namespace {

std::optional<std::wstring> ask(bool save, HWND owner, const wchar_t* barFilter, const wchar_t* defaultExtension) {
    const std::wstring filter = dialogFilter(barFilter);
    std::vector<wchar_t> name(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrDefExt = defaultExtension;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | (save ? 0 : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) return std::nullopt;
    return std::wstring(name.data());
}

}  // namespace

std::optional<std::wstring> askOpenFile(HWND owner, const wchar_t* barFilter) {
    return ask(false, owner, barFilter, nullptr);
}

std::optional<std::wstring> askSaveFile(HWND owner, const wchar_t* barFilter, const wchar_t* defaultExtension) {
    return ask(true, owner, barFilter, defaultExtension);
}

}  // namespace vuv::win
