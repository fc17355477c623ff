// The input dialog: one line of text, a label "地 址：" and one button. The
// opener gives the caption, the button's caption, the field's initial text
// and what to do with the confirmed text; the dialog knows no page.
// The button or Enter confirms and closes; any other close does nothing.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace vuv::win {

struct InputTask {
    const wchar_t* caption = L"";
    const wchar_t* button = L"访 问";
    std::string initialText;                                // GBK
    std::function<void(const std::string& text)> onConfirm;  // GBK, exactly as typed
};

// Shows the dialog modally over owner and returns when it is closed.
void openInputDialog(HWND owner, const InputTask& task);

}  // namespace vuv::win
