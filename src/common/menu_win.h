// Menus as tables: a caption and a command per row, a null caption for a
// separator. The same tables build the menus and name their commands for
// the tests that drive the panel.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace vuv::win {

struct MenuRow {
    const wchar_t* caption;  // null: a separator
    int command;
};

// Appends the rows to menu and returns it.
HMENU appendMenuRows(HMENU menu, const MenuRow* rows, std::size_t count);
inline HMENU appendMenuRows(HMENU menu, const std::vector<MenuRow>& rows) {
    return appendMenuRows(menu, rows.data(), rows.size());
}

// Shows a pop-up menu of the rows at the cursor; the chosen command reaches
// owner as WM_COMMAND. Checked commands get a check mark.
void popUpMenu(HWND owner, const std::vector<MenuRow>& rows, const std::vector<int>& checked = {});

}  // namespace vuv::win
