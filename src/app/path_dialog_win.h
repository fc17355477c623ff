// The path dialog: one modal window for choosing a file path, typed, browsed
// or dropped, for five purposes.
#pragma once

#include <string_view>

namespace vuv::win {

enum class PathDialogPurpose : int {
    ReadConfig = 1,         // load a configuration into the selected browsers
    DefaultConfig = 2,      // "默认配置"
    BrowserPath = 3,        // "鹭行路径"
    EntryConfig = 4,        // 配置路径 of the selected launch entries
    DesignatedBrowser = 5,  // "指定浏览器"
};

// Shows the dialog modally for the purpose; initialText pre-fills the field
// for EntryConfig only. What the dialog achieves is done inside it.
void openPathDialog(PathDialogPurpose purpose, std::string_view initialText = {});

}  // namespace vuv::win
