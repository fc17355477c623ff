// The input dialog: one line of text for three purposes.
#pragma once

#include <string_view>

namespace vuv::win {

enum class InputDialogPurpose : int {
    OpenLink = 1,     // open the text in the selected browsers
    SetAddress = 2,   // 地址 of the selected launch entries
    RenameEntry = 3,  // 书签名 of the selected launch entries, numbered
};

// Shows the dialog modally; initialText pre-fills the field for SetAddress
// and RenameEntry. What the dialog achieves is done inside it.
void openInputDialog(InputDialogPurpose purpose, std::string_view initialText = {});

}  // namespace vuv::win
