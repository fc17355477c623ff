// The process-wide state of the panel and the pieces that serve its pages.
//
// The main window owns the controls; each subsystem's page object attaches
// to its controls, keeps its model and answers the commands and
// notifications addressed to them. The main window hands every command and
// notification to the pages in turn.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace vuv::win {

// A part of the main window that handles some of its controls and commands.
class Page {
public:
    virtual ~Page() = default;
    // Called once the main window and all its controls exist.
    virtual void attach(HWND main) = 0;
    // WM_COMMAND from a control or menu; true when handled.
    virtual bool onCommand(int id, int notifyCode) = 0;
    // WM_NOTIFY from a control; true when handled (result in result).
    virtual bool onNotify(const NMHDR& header, LRESULT& result) = 0;
    // Any other message of the main window; true when handled.
    virtual bool onMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
};

// The three paths kept in "设置.ini".
struct Settings {
    std::string browserPath;
    std::string designatedPath;
    std::string defaultConfigPath;
};

class InstancePage;
class LaunchPage;
class RulesPage;
class BookmarkPage;
class RecordsPage;
class BossKey;

// Process-wide state: created before the main window, alive until the
// process ends.
struct App {
    HWND main = nullptr;
    Settings settings;
    InstancePage* instances = nullptr;
    LaunchPage* launch = nullptr;
    RulesPage* rules = nullptr;
    BookmarkPage* bookmarks = nullptr;
    RecordsPage* records = nullptr;
    BossKey* bossKey = nullptr;
};

[[nodiscard]] App& app();

// Start-up, message loop and exit of the panel.
int runApp(HINSTANCE instance);

// The exit sequence: saves the settings and ends the process at once.
[[noreturn]] void exitPanel();

}  // namespace vuv::win
