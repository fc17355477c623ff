// The panel as a whole: the one place that builds every object, hands each
// the references it needs, and runs the start-up sequence. Nothing else in
// the program reaches for another part by itself.
#pragma once

#include "app/api_bridge_win.h"
#include "app/main_window_win.h"
#include "app/settings_win.h"
#include "app/workspace_files_win.h"
#include "bookmarks/bookmark_page_win.h"
#include "bookmarks/importer_win.h"
#include "common/handover_win.h"
#include "extras/boss_key_win.h"
#include "extras/log_page_win.h"
#include "extras/records_page_win.h"
#include "extras/web_pages_win.h"
#include "launch/launch_page_win.h"
#include "launch/launch_scheduler_win.h"
#include "link/channel_win.h"
#include "link/instance_page_win.h"
#include "link/notification.h"
#include "rules/rules_page_win.h"

#include <windows.h>

#include <memory>

namespace vuv::win {

class Panel final : private TransferHandler, private PanelActions, private LaunchListTarget {
public:
    Panel() = default;

    // Builds the main window (hidden) and, on it, the pages, the boss key
    // and the scheduler, in that order, each claiming the numbers it answers.
    // False when the window cannot be made or a number was claimed twice
    // (traced, naming the number and both claimants).
    [[nodiscard]] bool build(HINSTANCE instance);

    // The start-up sequence: caption, settings load, the window shown (which
    // scans the browsers and, at the first activation, checks the browser
    // path), then the receiver of "通知".
    void start();

    // The message loop, until the process ends.
    int run();

    // The exit sequence: the settings save, then the end of the process.
    [[noreturn]] void exit();

    // The parts, for in-process tests and benchmarks.
    [[nodiscard]] MainWindow& window() noexcept { return window_; }
    [[nodiscard]] PanelSettings& settings() noexcept { return *settings_; }
    [[nodiscard]] InstancePage& instances() noexcept { return *instances_; }
    [[nodiscard]] Fleet& fleet() noexcept { return *fleet_; }
    [[nodiscard]] LaunchPage& launch() noexcept { return *launch_; }
    [[nodiscard]] BookmarkPage& bookmarks() noexcept { return *bookmarks_; }
    [[nodiscard]] Importer& importer() noexcept { return *importer_; }
    [[nodiscard]] LogPage& log() noexcept { return *log_; }
    [[nodiscard]] WorkspaceFiles& workspace() noexcept { return *workspace_; }
    [[nodiscard]] ApiBridge& automation() noexcept { return *api_; }

    // The way for the panel's other threads to hand work to this one. Made
    // at the first use, which must be on this thread before they start: with
    // no such thread, no window is made for it.
    [[nodiscard]] Handover& handover();

private:
    // TransferHandler: every "通知" received.
    void onTransfer(std::string_view name, const ReceivedTransfer& transfer) override;

    // PanelActions: what a notification may make the panel do.
    void send(std::uint32_t commandWindow, const Command& command) override;
    void appendRecord(Record record, std::string_view text) override;
    void handOutBookmark(std::uint32_t commandWindow) override;
    void applyRules(std::uint32_t commandWindow, std::string_view content) override;
    void scan() override;
    void closeBrowserOf(std::uint32_t commandWindow) override;

    // The last bookmark of each copy that has exited goes back to unused.
    void returnBookmarksOfExitedCopies();
    // An option of the menu 工具 was switched.
    void optionSwitched(int command);

    // LaunchListTarget: the importers' way into the launch list.
    void appendImported(std::vector<ImportedLink> links) override;
    [[nodiscard]] bool launchPageIsCurrent() const override;

    MainWindow window_;
    std::unique_ptr<LogPage> log_;
    std::unique_ptr<PanelSettings> settings_;
    std::unique_ptr<Fleet> fleet_;  // the browser copies; the instance page shows them
    std::unique_ptr<InstancePage> instances_;
    std::unique_ptr<LaunchPage> launch_;
    std::unique_ptr<LaunchScheduler> scheduler_;
    std::unique_ptr<BookmarkPage> bookmarks_;
    std::unique_ptr<Importer> importer_;
    std::unique_ptr<RulesPage> rules_;
    std::unique_ptr<RecordsPage> records_;
    std::unique_ptr<WorkspaceFiles> workspace_;
    std::unique_ptr<BossKey> bossKey_;
    std::unique_ptr<WebPageButtons> webPages_;
    std::unique_ptr<FilterScope> keyboard_;
    std::unique_ptr<Window> ansiCaption_;  // only where the names' variants differ
    std::unique_ptr<Handover> handover_;   // made by handover()
    std::unique_ptr<ApiBridge> api_;       // the automation interface; no server while it is off
    // The variant of the notification being handled: answers go back under it.
    NameVariant answering_ = NameVariant::Unicode;
    std::uint32_t answeringProcess_ = 0;  // the sender of the notification being handled
};

// Builds, starts and runs the panel: the whole life of vuv.exe.
int runPanel(HINSTANCE instance);

}  // namespace vuv::win
