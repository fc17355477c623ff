#include "app/workspace_files_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/file_dialog_win.h"
#include "common/files_win.h"
#include "common/tell_operator_win.h"
#include "common/texts.h"
#include "common/ui_win.h"

#include <chrono>
#include <cwchar>
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

WorkspaceFiles::WorkspaceFiles(HWND main, const Settings& settings, LaunchPage& launch, BookmarkStore& bookmarks,
                             RulesPage& rules, RecordsPage& records, EventSink& events)
    : main_(main),
      settings_(settings),
      launch_(launch),
      bookmarks_(bookmarks),
      rules_(rules),
      records_(records),
      events_(events) {}

std::wstring WorkspaceFiles::autoSavePath() { return executableDirectory() + L"\\" + widen(text::kWorkspaceFile); }

Workspace WorkspaceFiles::collect(bool withRecords) {
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

void WorkspaceFiles::apply(Workspace workspace) {
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

void WorkspaceFiles::saveAs() {
    bool withRecords = false;
    const std::optional<std::wstring> path =
        askSaveFileWithOption(main_, kWorkspaceFilter, L"txt", L"同时保存链接记录和网页记录", withRecords);
    if (!path) return;
    if (!replaceFileBytes(*path, writeWorkspace(collect(withRecords)))) {
        tellOperator(events_, L"工作区保存失败", *path);
    }
}

void WorkspaceFiles::open() {
    const std::optional<std::wstring> path = askOpenFile(main_, kWorkspaceFilter);
    if (!path) return;
    if (const std::optional<std::wstring> problem = openFile(*path)) {
        tellOperator(events_, L"无法打开工作区：" + *problem + L"。\r\n工作区没有改动。", *path);
    }
}

std::optional<std::wstring> WorkspaceFiles::openFile(const std::wstring& path) {
    std::string bytes;
    if (!readFileBytes(path, bytes)) return L"文件无法读取";
    // All or nothing: a damaged file changes nothing in the panel.
    std::variant<Workspace, WorkspaceError> read = parseWorkspace(bytes);
    if (const auto* error = std::get_if<WorkspaceError>(&read)) return errorText(*error);
    apply(std::move(std::get<Workspace>(read)));
    return std::nullopt;
}

void WorkspaceFiles::exportRules() {
    const std::optional<std::wstring> path = askSaveFile(main_, kRuleFilter, L"txt");
    if (!path) return;
    std::vector<SavedRule> saved;
    const RuleTable& rules = rules_.table();
    saved.reserve(rules.size());
    for (std::size_t row = 0; row < rules.size(); ++row) {
        const Rule& rule = rules.at(row);
        saved.push_back(SavedRule{rule.condition, rule.action, rule.link, rules.hits(row)});
    }
    if (!replaceFileBytes(*path, writeRuleFile(saved))) tellOperator(events_, L"规则导出失败", *path);
}

void WorkspaceFiles::importRules() {
    const std::optional<std::wstring> path = askOpenFile(main_, kRuleFilter);
    if (!path) return;
    std::string bytes;
    if (!readFileBytes(*path, bytes)) {
        tellOperator(events_, L"规则文件无法读取", *path);
        return;
    }
    const std::variant<std::vector<SavedRule>, WorkspaceError> read = parseRuleFile(bytes);
    if (const auto* error = std::get_if<WorkspaceError>(&read)) {
        tellOperator(events_, L"无法导入规则：" + errorText(*error) + L"。\r\n规则没有改动。", *path);
        return;
    }
    std::vector<std::pair<Rule, std::uint64_t>> rules;
    for (const SavedRule& rule : std::get<std::vector<SavedRule>>(read)) {
        rules.emplace_back(Rule{rule.condition, rule.action, rule.link}, rule.hits);
    }
    rules_.appendRules(rules);
}

WorkspaceLock WorkspaceFiles::lockAutoSaved() {
    if (lock_.held()) return WorkspaceLock::Held;
    const std::wstring path = autoSavePath() + L".lock";
    lock_ = ExclusiveFile(path);
    if (lock_.held()) return WorkspaceLock::Held;
    // Denied on an existing lock file: its panel is closing it right now.
    const DWORD error = lock_.error();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
        (error == ERROR_ACCESS_DENIED && pathExists(path))) {
        return WorkspaceLock::HeldByOther;
    }
    // A folder that takes no lock file takes no workspace either: the
    // failed saves are told as they happen.
    return WorkspaceLock::Unavailable;
}

void WorkspaceFiles::openAutoSaved() {
    changed_ = false;
    if (!settings_.autoSaveWorkspace) return;
    const std::wstring path = autoSavePath();
    AutoSaveFacts facts;
    facts.lock = lockAutoSaved();
    std::string bytes;
    DWORD readError = ERROR_SUCCESS;
    DWORD asideError = ERROR_SUCCESS;
    std::optional<WorkspaceError> damage;
    std::optional<Workspace> loaded;
    const std::wstring aside = path + L".damaged";
    if (facts.lock != WorkspaceLock::HeldByOther) {
        // Written by runs that were ended mid-write; no other panel writes
        // here while this one holds the lock.
        if (facts.lock == WorkspaceLock::Held) removeLeftoverTemporaries(path);
        facts.readOk = readFileBytes(path, bytes, readError);
        facts.fileExists = facts.readOk || (readError != ERROR_FILE_NOT_FOUND && readError != ERROR_PATH_NOT_FOUND);
    }
    if (facts.readOk) {
        std::variant<Workspace, WorkspaceError> read = parseWorkspace(bytes);
        if (auto* workspace = std::get_if<Workspace>(&read)) {
            facts.parsedOk = true;
            loaded = std::move(*workspace);
        } else {
            damage = std::get<WorkspaceError>(read);
            // The damaged file is kept aside before the next save replaces
            // it, so whatever it still holds can be recovered.
            facts.asideOk = CopyFileW(path.c_str(), aside.c_str(), FALSE) != 0;
            if (!facts.asideOk) asideError = GetLastError();
        }
    }
    const AutoSaveStart start = decideAutoSaveStart(facts);
    mayWrite_ = autoSaveMayWrite(start);
    const std::wstring paused = L"\r\n为免覆盖其中保存的内容，本次运行不自动保存工作区。";
    switch (start) {
        case AutoSaveStart::Fresh: changed_ = true; break;
        case AutoSaveStart::Loaded:
            apply(std::move(*loaded));
            lastSaved_ = std::move(bytes);
            // What was just read needs no writing back.
            changed_ = false;
            break;
        case AutoSaveStart::Unreadable:
            tell(L"自动保存的工作区无法读取：" + path + L"（" + systemErrorText(readError) + L"）。" + paused);
            break;
        case AutoSaveStart::DamagedSetAside:
            changed_ = true;
            tell(L"自动保存的工作区无法打开：" + errorText(*damage) + L"。\r\n原文件已另存为 " + aside);
            break;
        case AutoSaveStart::DamagedNotSetAside:
            tell(L"自动保存的工作区无法打开：" + errorText(*damage) + L"。\r\n" + path + L" 也无法另存为 " + aside +
                 L"（" + systemErrorText(asideError) + L"）。" + paused);
            break;
        case AutoSaveStart::LockedByOtherPanel:
            tell(L"同一目录中的另一个面板正在自动保存工作区 " + path +
                 L"。\r\n本次运行不打开也不自动保存工作区。");
            break;
    }
    startTimer();
}

bool WorkspaceFiles::autoSaveSwitched() {
    if (!settings_.autoSaveWorkspace) {
        if (timerRunning_) KillTimer(main_, id::kWorkspaceTimer);
        timerRunning_ = false;
        return true;
    }
    if (timerRunning_) return true;
    const std::wstring path = autoSavePath();
    if (lockAutoSaved() == WorkspaceLock::HeldByOther) {
        mayWrite_ = false;
        tell(L"同一目录中的另一个面板正在自动保存工作区 " + path + L"。\r\n本次运行不自动保存工作区。");
        return true;
    }
    if (!adoptExistingFile(path)) return false;
    startTimer();
    return true;
}

bool WorkspaceFiles::adoptExistingFile(const std::wstring& path) {
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
    const bool read = readFileBytes(path, bytes, error);
    if (!read && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
        // Nothing to lose: the workspace as it stands is written at the next tick.
        lastSaved_.reset();
        mayWrite_ = true;
        changed_ = true;
        return true;
    }
    if (read && mayWrite_ && lastSaved_ && *lastSaved_ == bytes) {
        // This run's own file, switched off and on again.
        changed_ = true;
        return true;
    }
    // A name that overwrites nothing: the time of day, then a number.
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t stamp[32];
    swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    std::wstring aside = path + L"." + stamp;
    for (int n = 2; pathExists(aside); ++n) aside = path + L"." + stamp + L"-" + std::to_wstring(n);

    const std::wstring question = L"程序目录中已有一个自动保存的工作区：\r\n" + path +
                                  L"\r\n\r\n是：先打开它（面板中现有的内容由它替换）\r\n否：把它改名为 " + aside +
                                  L"，然后自动保存现在的工作区\r\n取消：不开启自动保存工作区";
    telling_ = true;
    const int answer = messageBox(question.c_str(), L"提醒", MB_YESNOCANCEL);
    telling_ = false;
    if (answer == IDYES) {
        if (!read) {
            tell(L"无法打开工作区：" + path + L"（" + systemErrorText(error) + L"）。\r\n自动保存工作区没有开启。");
            return false;
        }
        std::variant<Workspace, WorkspaceError> parsed = parseWorkspace(bytes);
        if (const auto* damage = std::get_if<WorkspaceError>(&parsed)) {
            tell(L"无法打开工作区：" + errorText(*damage) + L"。\r\n自动保存工作区没有开启。");
            return false;
        }
        apply(std::move(std::get<Workspace>(parsed)));
        lastSaved_ = std::move(bytes);
        mayWrite_ = true;
        changed_ = false;
        return true;
    }
    if (answer == IDNO) {
        if (MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH) == 0) {
            const DWORD moveError = GetLastError();
            tell(L"无法把 " + path + L" 改名为 " + aside + L"（" + systemErrorText(moveError) +
                 L"）。\r\n自动保存工作区没有开启。");
            return false;
        }
        events_.record(0, text::kEventWorkspace, narrow(L"原有的工作区已改名为 " + aside));
        lastSaved_.reset();
        mayWrite_ = true;
        changed_ = true;
        return true;
    }
    return false;
}

void WorkspaceFiles::startTimer() {
    if (!timerRunning_) timerRunning_ = SetTimer(main_, id::kWorkspaceTimer, kAutoSaveMs, nullptr) != 0;
}

void WorkspaceFiles::tell(const std::wstring& message) {
    std::wstring line = message;
    for (wchar_t& c : line) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    events_.record(0, text::kEventWorkspace, narrow(line));
    // The box pumps messages: the ticks it lets through wait for it.
    telling_ = true;
    messageBox(message.c_str(), L"提醒", MB_OK);
    telling_ = false;
}

bool WorkspaceFiles::save(bool atExit) {
    if (!changed_ || !settings_.autoSaveWorkspace || !mayWrite_) return true;
    const auto now =
        std::chrono::duration_cast<SaveRetry::Ms>(std::chrono::steady_clock::now().time_since_epoch());
    // Between failed tries nothing is serialised; the exit tries regardless.
    if (!atExit && !retry_.due(now)) return false;
    std::string bytes = writeWorkspace(collect(false));
    if (lastSaved_ && *lastSaved_ == bytes) {
        changed_ = false;
        return true;
    }
    // Temporary file, then replace: a crash or a full disk mid-write leaves
    // the previous workspace whole.
    if (!replaceFileBytes(autoSavePath(), bytes)) {
        const std::wstring reason = systemErrorText(GetLastError());
        const bool first = retry_.failed(now);
        if (atExit) {
            tell(L"工作区没有保存：" + autoSavePath() + L"（" + reason + L"）。\r\n本次运行最后的改动没有写入。");
        } else if (first) {
            tell(L"工作区自动保存失败：" + autoSavePath() + L"（" + reason +
                 L"）。\r\n面板会隔一段时间再试，成功后写入运行记录。");
        }
        return false;
    }
    lastSaved_ = std::move(bytes);
    changed_ = false;
    if (retry_.succeeded()) events_.record(0, text::kEventWorkspace, narrow(L"工作区已重新自动保存：" + autoSavePath()));
    return true;
}

void WorkspaceFiles::tick() {
    if (telling_) return;
    static_cast<void>(save(false));
}

void WorkspaceFiles::saveNowIfChanged() { static_cast<void>(save(true)); }

void WorkspaceFiles::registerIds(Routes& routes) {
    constexpr char kOwner[] = "workspace";
    routes.commands.claim(id::kSaveWorkspace, kOwner, [this](int) { saveAs(); });
    routes.commands.claim(id::kOpenWorkspace, kOwner, [this](int) { open(); });
    routes.commands.claim(id::kExportRules, kOwner, [this](int) { exportRules(); });
    routes.commands.claim(id::kImportRules, kOwner, [this](int) { importRules(); });
    routes.timers.claim(id::kWorkspaceTimer, kOwner, [this] { tick(); });
}

}  // namespace vuv::win
