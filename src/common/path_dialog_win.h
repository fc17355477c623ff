// The path dialog: one modal window for choosing a file path, typed, browsed
// or dropped. The opener describes the task; the dialog knows no page.
//
// The caption is the task's title followed by "（支持文件拖拽）". "打 开" (or
// Enter in the field) browses with the kind's filter; "确 定" confirms when
// the field names an existing path, else says "该文件不存在，请重新设置" and
// stays open. Dropped files whose names end (in any letter case) as the kind
// accepts are taken as they are; any other file is followed as a shortcut,
// and one that gives nothing shows the kind's error text. Every close, also
// an abandoned one, stores an existing path under the task's settings key.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace vuv::win {

enum class PathKind {
    Configuration,  // "刷页配置(*.zni;*.ini)|*.zni;*ini|所有文件(*.*)|*.*"; drops ending .zni, .ini, .txt
    Browser,        // "lxbr.exe|lxbr.exe"; drops ending lxbr.exe
    Executable,     // "*.exe|*.exe"; drops ending .exe
};

struct PathTask {
    const wchar_t* title = L"";
    PathKind kind = PathKind::Configuration;
    std::string initialText;                                // GBK
    std::string_view settingsKey;                           // empty: nothing stored on close
    std::function<void(const std::string& path)> onConfirm;  // GBK path of an existing file
};

// Shows the dialog modally over owner and returns when it is closed.
void openPathDialog(HWND owner, const PathTask& task);

}  // namespace vuv::win
