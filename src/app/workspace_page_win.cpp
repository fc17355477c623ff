#include "app/workspace_page_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/file_dialog_win.h"
#include "common/files_win.h"
#include "common/texts.h"
#include "common/trace_win.h"
#include "common/ui_win.h"

#include <utility>
#include <variant>
#include <vector>

namespace vuv::win {

namespace {

constexpr wchar_t kWorkspaceFilter[] = L"工作区(txt)|*.txt|所有文件(*.*)|*.*";
constexpr wchar_t kRuleFilter[] = L"规则文件(txt)|*.txt|所有文件(*.*)|*.*";
constexpr UINT kAutoSaveMs = 1000;

// "第 12 行有误（missing [END]）": where a file went wrong, for a message box.
std::wstring errorText(const WorkspaceError& error) {
    return L"第 " + std::to_wstring(error.line) + L" 行有误（" + widen(error.what) + L"）";
}

}  // namespace

WorkspacePage::WorkspacePage(HWND main, const Settings& settings, LaunchPage& launch, BookmarkPage& bookmarks,
                             RulesPage& rules, RecordsPage& records)
    : main_(main), settings_(settings), launch_(launch), bookmarks_(bookmarks), rules_(rules), records_(records) {}

std::wstring WorkspacePage::autoSavePath() { return executableDirectory() + L"\\" + widen(text::kWorkspaceFile); }

Workspace WorkspacePage::collect(bool withRecords) {
    Workspace workspace;
    workspace.settings.launchInterval = launch_.intervalText();
    workspace.settings.designatedBrowser = launch_.designatedMode();
    workspace.settings.wapMode = launch_.wapMode();
    workspace.settings.loopBookmarks = bookmarks_.loopOpening();
    workspace.launchList = launch_.list().entries();
    const BookmarkTable& table = bookmarks_.table();
    workspace.bookmarks.reserve(table.size());
    for (std::size_t row = 0; row < table.size(); ++row) {
        workspace.bookmarks.push_back(SavedBookmark{std::string(table.at(row).address), table.opened(row),
                                                    table.holder(row), table.handedAt(row),
                                                    table.holderStarted(row)});
    }
    const RuleTable& rules = rules_.table();
    workspace.rules.reserve(rules.size());
    for (std::size_t row = 0; row < rules.size(); ++row) {
        const Rule& rule = rules.at(row);
        workspace.rules.push_back(SavedRule{rule.condition, rule.action, rule.link, rules.hits(row)});
    }
    if (withRecords) {
        workspace.linkRecord = records_.linkRecordText();
        workspace.pageRecord = records_.pageRecordText();
    }
    return workspace;
}

void WorkspacePage::apply(Workspace workspace) {
    const WorkspaceSettings& settings = workspace.settings;
    if (settings.launchInterval) launch_.setIntervalText(*settings.launchInterval);
    if (settings.designatedBrowser) launch_.setDesignatedMode(*settings.designatedBrowser);
    if (settings.wapMode) launch_.setWapMode(*settings.wapMode);
    if (settings.loopBookmarks) bookmarks_.setLoopOpening(*settings.loopBookmarks);
    launch_.replaceEntries(std::move(workspace.launchList));
    BookmarkTable table;
    for (SavedBookmark& bookmark : workspace.bookmarks) {
        table.appendRestored(std::move(bookmark.address), bookmark.opened, bookmark.holderProcessId, bookmark.handedOutAt,
                             bookmark.holderStarted);
    }
    bookmarks_.replaceTable(std::move(table));
    RuleTable rules;
    for (SavedRule& rule : workspace.rules) {
        rules.appendRestored(Rule{std::move(rule.condition), std::move(rule.action), std::move(rule.link)}, rule.hits);
    }
    rules_.replaceTable(std::move(rules));
    if (workspace.linkRecord) records_.replaceLinkRecord(*workspace.linkRecord);
    if (workspace.pageRecord) records_.replacePageRecord(*workspace.pageRecord);
    markChanged();
}

void WorkspacePage::saveAs() {
    bool withRecords = false;
    const std::optional<std::wstring> path =
        askSaveFileWithOption(main_, kWorkspaceFilter, L"txt", L"同时保存链接记录和网页记录", withRecords);
    if (!path) return;
    if (!replaceFileBytes(*path, writeWorkspace(collect(withRecords)))) {
        messageBox(L"工作区保存失败", L"提醒", MB_OK);
    }
}

void WorkspacePage::open() {
    const std::optional<std::wstring> path = askOpenFile(main_, kWorkspaceFilter);
    if (!path) return;
    if (const std::optional<std::wstring> problem = openFile(*path)) {
        messageBox((L"无法打开工作区：" + *problem + L"。\r\n工作区没有改动。").c_str(), L"提醒", MB_OK);
    }
}

std::optional<std::wstring> WorkspacePage::openFile(const std::wstring& path) {
    std::string bytes;
    if (!readFileBytes(path, bytes)) return L"文件无法读取";
    // All or nothing: a damaged file changes nothing in the panel.
    std::variant<Workspace, WorkspaceError> read = parseWorkspace(bytes);
    if (const auto* error = std::get_if<WorkspaceError>(&read)) return errorText(*error);
    apply(std::move(std::get<Workspace>(read)));
    return std::nullopt;
}

void WorkspacePage::exportRules() {
    const std::optional<std::wstring> path = askSaveFile(main_, kRuleFilter, L"txt");
    if (!path) return;
    std::vector<SavedRule> saved;
    const RuleTable& rules = rules_.table();
    saved.reserve(rules.size());
    for (std::size_t row = 0; row < rules.size(); ++row) {
        const Rule& rule = rules.at(row);
        saved.push_back(SavedRule{rule.condition, rule.action, rule.link, rules.hits(row)});
    }
    if (!replaceFileBytes(*path, writeRuleFile(saved))) messageBox(L"规则导出失败", L"提醒", MB_OK);
}

void WorkspacePage::importRules() {
    const std::optional<std::wstring> path = askOpenFile(main_, kRuleFilter);
    if (!path) return;
    std::string bytes;
    if (!readFileBytes(*path, bytes)) {
        messageBox(L"规则文件无法读取", L"提醒", MB_OK);
        return;
    }
    const std::variant<std::vector<SavedRule>, WorkspaceError> read = parseRuleFile(bytes);
    if (const auto* error = std::get_if<WorkspaceError>(&read)) {
        messageBox((L"无法导入规则：" + errorText(*error) + L"。\r\n规则没有改动。").c_str(), L"提醒", MB_OK);
        return;
    }
    std::vector<std::pair<Rule, std::uint64_t>> rules;
    for (const SavedRule& rule : std::get<std::vector<SavedRule>>(read)) {
        rules.emplace_back(Rule{rule.condition, rule.action, rule.link}, rule.hits);
    }
    rules_.appendRules(rules);
}

void WorkspacePage::openAutoSaved() {
    if (settings_.autoSaveWorkspace) {
        const std::wstring path = autoSavePath();
        std::string bytes;
        if (pathExists(path) && readFileBytes(path, bytes)) {
            std::variant<Workspace, WorkspaceError> read = parseWorkspace(bytes);
            if (auto* workspace = std::get_if<Workspace>(&read)) {
                apply(std::move(*workspace));
                lastSaved_ = std::move(bytes);
            } else {
                // The damaged file is kept aside before the next save
                // replaces it, so whatever it still holds can be recovered.
                const std::wstring aside = path + L".damaged";
                const bool kept = CopyFileW(path.c_str(), aside.c_str(), FALSE) != 0;
                std::wstring message = L"自动保存的工作区无法打开：" + errorText(std::get<WorkspaceError>(read)) + L"。";
                if (kept) message += L"\r\n原文件已另存为 " + aside;
                messageBox(message.c_str(), L"提醒", MB_OK);
            }
        }
    }
    changed_ = false;
    autoSaveSwitched();
}

void WorkspacePage::autoSaveSwitched() {
    if (settings_.autoSaveWorkspace && !timerRunning_) {
        timerRunning_ = SetTimer(main_, id::kWorkspaceTimer, kAutoSaveMs, nullptr) != 0;
        // Switched on: the workspace as it stands is written at the next tick.
        changed_ = true;
    } else if (!settings_.autoSaveWorkspace && timerRunning_) {
        KillTimer(main_, id::kWorkspaceTimer);
        timerRunning_ = false;
    }
}

void WorkspacePage::tick() {
    if (!changed_ || !settings_.autoSaveWorkspace) return;
    std::string bytes = writeWorkspace(collect(false));
    if (lastSaved_ && *lastSaved_ == bytes) {
        changed_ = false;
        return;
    }
    // Temporary file, then replace: a crash or a full disk mid-write leaves
    // the previous workspace whole. A failed write is tried again next tick.
    if (!replaceFileBytes(autoSavePath(), bytes)) {
        trace(L"workspace not saved: " + autoSavePath());
        return;
    }
    lastSaved_ = std::move(bytes);
    changed_ = false;
}

void WorkspacePage::saveNowIfChanged() { tick(); }

bool WorkspacePage::onCommand(int id, int) {
    switch (id) {
        case id::kSaveWorkspace: saveAs(); return true;
        case id::kOpenWorkspace: open(); return true;
        case id::kExportRules: exportRules(); return true;
        case id::kImportRules: importRules(); return true;
        default: return false;
    }
}

bool WorkspacePage::onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_TIMER || wParam != id::kWorkspaceTimer) return false;
    tick();
    result = 0;
    return true;
}

}  // namespace vuv::win
