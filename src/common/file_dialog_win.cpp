#include "common/file_dialog_win.h"

#include "common/encoding_win.h"
#include "common/owned_win.h"

#include <commdlg.h>

#include <cstring>
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

// The check box of askSaveFileWithOption, and where its state goes.
struct SaveOption {
    const wchar_t* caption = nullptr;
    bool* state = nullptr;
};

// A child dialog template holding the one check box, in dialog units, laid
// out in memory as DLGTEMPLATE and DLGITEMTEMPLATE want it: WORD-aligned
// strings, each item on a DWORD boundary. GMEM_FIXED, so the handle is the
// pointer, as the dialog expects of a template handle.
HGLOBAL optionTemplate(const wchar_t* caption) {
    std::vector<WORD> words;
    auto putDword = [&](DWORD value) {
        words.push_back(LOWORD(value));
        words.push_back(HIWORD(value));
    };
    auto putString = [&](const wchar_t* text) {
        for (const wchar_t* c = text; *c != L'\0'; ++c) words.push_back(static_cast<WORD>(*c));
        words.push_back(0);
    };
    // DLGTEMPLATE: style, extended style, item count, x, y, cx, cy; then no
    // menu, the default class, no title.
    putDword(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK | DS_CONTROL);
    putDword(0);
    words.push_back(1);
    for (WORD v : {WORD{0}, WORD{0}, WORD{220}, WORD{18}}) words.push_back(v);
    words.push_back(0);
    words.push_back(0);
    words.push_back(0);
    if (words.size() % 2 != 0) words.push_back(0);
    // DLGITEMTEMPLATE: the check box.
    putDword(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX);
    putDword(0);
    for (WORD v : {WORD{7}, WORD{3}, WORD{206}, WORD{12}}) words.push_back(v);
    words.push_back(static_cast<WORD>(kSaveOptionBox));
    words.push_back(0xFFFF);
    words.push_back(0x0080);  // the button class
    putString(caption);
    words.push_back(0);  // no creation data
    const std::size_t bytes = words.size() * sizeof(WORD);
    HGLOBAL memory = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes);
    if (memory != nullptr) std::memcpy(memory, words.data(), bytes);
    return memory;
}

// Sets the check box from the state when the child dialog opens and reads
// it back when a file is chosen.
UINT_PTR CALLBACK optionHook(HWND child, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* ofn = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        SetWindowLongPtrW(child, DWLP_USER, static_cast<LONG_PTR>(ofn->lCustData));
        const auto* option = reinterpret_cast<const SaveOption*>(ofn->lCustData);
        CheckDlgButton(child, kSaveOptionBox, *option->state ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_FILEOK) {
        const auto* option = reinterpret_cast<const SaveOption*>(GetWindowLongPtrW(child, DWLP_USER));
        if (option != nullptr) *option->state = IsDlgButtonChecked(child, kSaveOptionBox) == BST_CHECKED;
    }
    return 0;
}

std::optional<std::wstring> ask(bool save, HWND owner, const wchar_t* barFilter, const wchar_t* defaultExtension,
                                SaveOption* option = nullptr) {
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
    GlobalMemory childTemplate;
    if (option != nullptr) {
        childTemplate.reset(optionTemplate(option->caption));
        if (childTemplate) {
            ofn.Flags |= OFN_ENABLETEMPLATEHANDLE | OFN_ENABLEHOOK;
            ofn.hInstance = static_cast<HINSTANCE>(childTemplate.get());
            ofn.lpfnHook = optionHook;
            ofn.lCustData = reinterpret_cast<LPARAM>(option);
        }
    }
    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) return std::nullopt;
    return std::wstring(name.data());
}

}  // namespace

std::optional<std::wstring> askSaveFileWithOption(HWND owner, const wchar_t* barFilter, const wchar_t* defaultExtension,
                                                  const wchar_t* optionCaption, bool& option) {
    SaveOption saveOption{optionCaption, &option};
    return ask(true, owner, barFilter, defaultExtension, &saveOption);
}

std::optional<std::wstring> askOpenFile(HWND owner, const wchar_t* barFilter) {
    return ask(false, owner, barFilter, nullptr);
}

std::optional<std::wstring> askSaveFile(HWND owner, const wchar_t* barFilter, const wchar_t* defaultExtension) {
    return ask(true, owner, barFilter, defaultExtension);
}

}  // namespace vuv::win
