#include "extras/records_page_win.h"

#include "app/control_ids.h"
#include "common/encoding_win.h"

namespace vuv::win {

void appendRecord(HWND edit, std::string_view gbk) {
    std::wstring line = widen(gbk);
    line += L"\r\n";
    const LRESULT end = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
}

void RecordsPage::attach(HWND main) {
    main_ = main;
    // The records hold any amount of text.
    for (int id : {id::编辑框2, id::编辑框3}) SendMessageW(GetDlgItem(main, id), EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
}

void RecordsPage::appendLinkRecord(std::string_view text) { appendRecord(GetDlgItem(main_, id::编辑框2), text); }

void RecordsPage::appendPageRecord(std::string_view text) { appendRecord(GetDlgItem(main_, id::编辑框3), text); }

bool RecordsPage::onCommand(int id, int) {
    switch (id) {
        case id::按钮14: SetWindowTextW(GetDlgItem(main_, id::编辑框2), L""); return true;
        case id::按钮16: SetWindowTextW(GetDlgItem(main_, id::编辑框3), L""); return true;
        default: return false;
    }
}

}  // namespace vuv::win
