// The workspace in the panel: "保存工作区…" and "打开工作区…" of the menu
// 工具, the rule file behind the rule list's "导出规则…" and "导入规则…", and
// the automatic workspace beside the program, written at most once a second
// after a change and opened again at start-up.
//
// What counts as a change is whatever the panel reports through markChanged:
// any command the main window handled (buttons, menu items, check boxes,
// typing into the interval box; not the record boxes' own notices of text
// appended), a bookmark handed out, a rule that ran, bookmarks given back. A change only makes the next tick compare; the file is rewritten
// only when its bytes would differ.
//
// The automatic workspace only replaces a file this run read itself, or one
// that did not exist. A file that cannot be read or kept aside at start-up,
// or one another panel from the same folder saves (each run holds
// "工作区.txt.lock" beside it), pauses the saving for the run; a failed
// save is tried again less and less often. Each is told once, in a message
// box and in the run log.
#pragma once

#include "app/auto_save.h"
#include "app/workspace.h"
#include "bookmarks/bookmark_store.h"
#include "common/event_sink.h"
#include "common/files_win.h"
#include "common/routes_win.h"
#include "common/settings.h"
#include "extras/records_page_win.h"
#include "launch/launch_page_win.h"
#include "rules/rules_page_win.h"

#include <optional>
#include <string>

namespace vuv::win {

class WorkspaceFiles final {
public:
    WorkspaceFiles(HWND main, const Settings& settings, LaunchPage& launch, BookmarkStore& bookmarks, RulesPage& rules,
                  RecordsPage& records, EventSink& events);

    // "保存工作区…", "打开工作区…", the rule list's "导出规则…" and
    // "导入规则…", and the automatic workspace's timer.
    void registerIds(Routes& routes);

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
    // After the option was switched. Switched on beside a file this run did
    // not write, asks whether to open that file first or to set it aside;
    // false when the operator cancelled or neither worked: the option is to
    // go back off.
    [[nodiscard]] bool autoSaveSwitched();
    // Writes the automatic workspace now if anything changed (the exit); a
    // failure is told in a message box.
    void saveNowIfChanged();

    // Where the automatic workspace lives: "工作区.txt" beside the program.
    [[nodiscard]] static std::wstring autoSavePath();

private:
    void tick();
    // One try of the automatic save; false when it failed.
    bool save(bool atExit);
    // Takes this run's lock beside the automatic workspace, once.
    WorkspaceLock lockAutoSaved();
    // The existing file at switching on: opened, set aside, or refused.
    bool adoptExistingFile(const std::wstring& path);
    void startTimer();
    // A message box and a run-log row; ticks meanwhile neither save nor tell.
    void tell(const std::wstring& message);

    HWND main_;
    const Settings& settings_;
    LaunchPage& launch_;
    BookmarkStore& bookmarks_;
    RulesPage& rules_;
    RecordsPage& records_;
    EventSink& events_;
    bool changed_ = false;
    // Whether this run may write the automatic workspace (see above).
    bool mayWrite_ = false;
    bool telling_ = false;
    ExclusiveFile lock_;
    SaveRetry retry_;
    bool timerRunning_ = false;
    // The bytes last written to (or read from) the automatic workspace.
    std::optional<std::string> lastSaved_;
};

}  // namespace vuv::win
