#include "app/app_win.h"

#include "app/main_window_win.h"
#include "app/settings_win.h"
#include "bookmarks/bookmark_page_win.h"
#include "bookmarks/import_page_win.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "extras/boss_key_win.h"
#include "extras/records_page_win.h"
#include "launch/launch_page_win.h"
#include "link/channel_win.h"
#include "link/dispatch_win.h"
#include "link/instance_page_win.h"
#include "rules/rules_page_win.h"

#include <memory>

namespace vuv::win {

App& app() {
    static App state;
    return state;
}

namespace {

template <typename T>
T* addPage(MainWindow& window) {
    auto page = std::make_unique<T>();
    T* raw = page.get();
    window.addPage(std::move(page));
    return raw;
}

}  // namespace

int runApp(HINSTANCE instance) {
    App& state = app();
    MainWindow& window = mainWindow();
    if (!window.create(instance)) return 1;
    state.main = window.hwnd();
    state.instances = addPage<InstancePage>(window);
    state.launch = addPage<LaunchPage>(window);
    state.bookmarks = addPage<BookmarkPage>(window);
    state.rules = addPage<RulesPage>(window);
    state.records = addPage<RecordsPage>(window);
    addPage<ImportPage>(window);
    state.bossKey = addPage<BossKey>(window);
    window.attachPages();
    window.setFirstActivationHandler(&checkBrowserPath);

    // Creation: caption, settings, then visible. Showing scans the browsers
    // (the instance page is current) and activates the window.
    SetWindowTextW(state.main, widen(text::kMainCaption).c_str());
    loadSettings();
    ShowWindow(state.main, SW_SHOWNORMAL);
    UpdateWindow(state.main);
    // The first activation's check runs before the channel opens.
    MSG pending;
    if (PeekMessageW(&pending, state.main, id::kMsgFirstActivated, id::kMsgFirstActivated, PM_REMOVE)) {
        checkBrowserPath();
    }
    subclassWindow(state.main);
    registerReceiver(text::kMsgNotify, &dispatchNotification);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (window.translateKey(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    exitPanel();
}

void exitPanel() {
    saveSettings();
    ExitProcess(0);
}

}  // namespace vuv::win
