// The automation interface inside the panel: its settings and dialog (menu
// 工具 › 自动化接口…), the server's start and stop, the run log fed to the
// event stream, and every call carried out on the interface thread with the
// code the window's controls use.
//
// Calls reach it on the server thread; each is handed to the interface
// thread through the hand-over (5 s to be taken, else 503) and runs there
// between messages like a control's handler, also while a dialog, a message
// box or a walk's pause runs its own loop. Calls never show anything: a
// message box the controls' code would open is not shown, answers as its
// cancel button would, and its text goes into the answer ("told"); a walk a
// script starts ends without its closing notice.
#pragma once

#include "api/event_store.h"
#include "api/gbk_codec_win.h"
#include "api/server.h"
#include "bookmarks/shared_queue_win.h"
#include "common/event_log.h"
#include "common/routes_win.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vuv::win {

class BookmarkPage;
class Fleet;
class Handover;
class InstancePage;
class LaunchPage;
class LaunchScheduler;
class LogPage;
class RecordsPage;
class RulesPage;
class PanelSettings;
class WorkspaceFiles;

// The interface's settings, as "设置.ini" keeps them.
struct ApiSettings {
    bool enabled = false;               // "接口启用": "真" is on
    std::string address = "127.0.0.1";  // "接口地址"
    int port = 17801;                   // "接口端口"
    std::string token;                  // "接口令牌": 64 lowercase hex digits
};

[[nodiscard]] ApiSettings loadApiSettings();
void storeApiSettings(const ApiSettings& settings);
// 32 bytes of the system's cryptographic generator as 64 lowercase hex
// digits; empty when the generator fails.
[[nodiscard]] std::string newApiToken();
// Whether the address is a loopback one (127.0.0.0/8, ::1).
[[nodiscard]] bool isLoopbackAddress(const std::string& address);

struct ApiParts {
    HWND main;
    PanelSettings& settings;
    Fleet& fleet;
    InstancePage& instances;
    LaunchPage& launch;
    LaunchScheduler& scheduler;
    BookmarkPage& bookmarks;
    RulesPage& rules;
    RecordsPage& records;
    WorkspaceFiles& workspace;
    LogPage& log;
    std::function<Handover&()> handover;  // made at the first use, on the interface thread
    // The shared queue's figures, as the page 集群 shows them; nothing while it is off.
    std::function<std::optional<ClusterSnapshot>()> cluster;
};

class ApiBridge final : public api::Executor {
public:
    explicit ApiBridge(ApiParts parts);
    ~ApiBridge() override;

    // Claims 工具 › 自动化接口….
    void registerIds(Routes& routes);

    // Start-up: on when "接口启用" is "真".
    void startIfEnabled();
    // A run-log row was recorded (interface thread).
    void recorded(const EventRow& row);

    [[nodiscard]] bool running() const noexcept;
    [[nodiscard]] const ApiSettings& apiSettings() const noexcept { return settings_; }

    // Switches the interface on with these settings (a token made when there
    // is none) or off; both stored. On: false when the port cannot be bound,
    // which the operator is told and the run log keeps; it is off then.
    bool switchOn(ApiSettings settings);
    void switchOff();

private:
    api::Answer carryOut(const api::Call& call) override;  // server thread
    api::Answer run(const api::Call& call);                 // interface thread
    // run() with message boxes kept out: what one would have said goes into
    // the answer as "told".
    api::Answer runUnattended(const api::Call& call);

    void openDialog();

    // The local day for the times of rows and answers, looked up again
    // when the second changes.
    const api::LocalDay& today();

    ApiParts parts_;
    std::unique_ptr<api::LocalDay> today_;
    ApiSettings settings_;
    GbkCodec codec_;
    api::EventStore events_;
    std::unique_ptr<api::Server> server_;
    bool walkPosted_ = false;  // a walk was asked for and has not begun yet
};

}  // namespace vuv::win
