#include "common/menu_win.h"

#include "common/owned_win.h"

#include <algorithm>

namespace vuv::win {

HMENU appendMenuRows(HMENU menu, const MenuRow* rows, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (rows[i].caption == nullptr) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(rows[i].command), rows[i].caption);
        }
    }
    return menu;
}

void popUpMenu(HWND owner, const std::vector<MenuRow>& rows, const std::vector<int>& checked) {
    const OwnedMenu owned(appendMenuRows(CreatePopupMenu(), rows));
    const HMENU menu = owned.get();
    if (menu == nullptr) return;
    for (const MenuRow& row : rows) {
        if (row.caption != nullptr && std::find(checked.begin(), checked.end(), row.command) != checked.end()) {
            CheckMenuItem(menu, static_cast<UINT>(row.command), MF_BYCOMMAND | MF_CHECKED);
        }
    }
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(owner);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
}

}  // namespace vuv::win
