// The workspace in the panel: "保存工作区…" and "打开工作区…" of the menu
// 工具, the rule file behind the rule list's "导出规则…" and "导入规则…", and
// the automatic workspace beside the program, written at most once a second
// after a change and opened again at start-up.
//
// What counts as a change is whatever the panel reports through markChanged:
// any command the main window handled (buttons, menu items, check boxes,
// typing into the interval box), a notification handled, bookmarks given
// back. A change only makes the next tick compare; the file is rewritten
// only when its bytes would differ.
#pragma once

#include "app/workspace.h"
#include "bookmarks/bookmark_page_win.h"
#include "common/page_win.h"
#include "common/settings.h"
#include "extras/records_page_win.h"
#include "launch/launch_page_win.h"
#include "rules/rules_page_win.h"

#include <optional>
#include <string>

namespace vuv::win {

class WorkspacePage final : public Page {
public:
    WorkspacePage(HWND main, const Settings& settings, LaunchPage& launch, BookmarkPage& bookmarks, RulesPage& rules,
                  RecordsPage& records);

    bool onCommand(int id, int notifyCode) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The workspace as the pages hold it now, with the records or without.
    [[nodiscard]] Workspace collect(bool withRecords);
    // Puts a workspace into the pages; what it leaves out stays as it is.
    void apply(Workspace workspace);

    // "保存工作区…" and "打开工作区…".
    void saveAs();
    void open();
    // Opens a workspace file: all of it, or nothing and the reason.
    [[nodiscard]] std::optional<std::wstring> openFile(const std::wstring& path);
    // "导出规则…" and "导入规则…" (imported rules come after the others).
    void exportRules();
    void importRules();

    // Something the workspace holds may have changed.
    void markChanged() noexcept { changed_ = true; }
    // The automatic workspace: opened at start-up when the option is on
    // (before the first scan); its timer follows the option.
    void openAutoSaved();
    void autoSaveSwitched();
    // Writes the automatic workspace now if anything changed (the exit).
    void saveNowIfChanged();

    // Where the automatic workspace lives: "工作区.txt" beside the program.
    [[nodiscard]] static std::wstring autoSavePath();

private:
    void tick();

    HWND main_;
    const Settings& settings_;
    LaunchPage& launch_;
    BookmarkPage& bookmarks_;
    RulesPage& rules_;
    RecordsPage& records_;
    bool changed_ = false;
    bool timerRunning_ = false;
    // The bytes last written to (or read from) the automatic workspace.
    std::optional<std::string> lastSaved_;
};

}  // namespace vuv::win
