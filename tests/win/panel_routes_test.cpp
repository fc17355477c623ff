// The panel built in-process: every button, menu item and list of the main
// window has exactly one part that answers it, and a second claim of a
// number keeps the panel from being built at all.
#include "app/panel_win.h"

#include "app/layout_win.h"
#include "common/control_ids.h"
#include "common/encoding_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vuv::win {
namespace {

// Panels live until the test program ends, as in vuv.exe: their parts keep
// timers on the main window, which stays.
Panel& builtPanel() {
    static Panel panel;
    static const bool built = panel.build(GetModuleHandleW(nullptr));
    EXPECT_TRUE(built) << "the panel could not be built";
    return panel;
}

TEST(PanelRoutes, EveryButtonItemAndListHasOneOwner) {
    const Routes& routes = builtPanel().window().routes();
    std::vector<std::string> unanswered;
    auto command = [&](int id, const wchar_t* what) {
        if (routes.commands.find(id) == nullptr) unanswered.push_back(std::to_string(id) + " " + narrow(what));
    };
    for (const layout::Page& page : layout::pages()) {
        for (const ControlRow& row : page.controls) {
            if (row.kind == Kind::Button) command(row.id, row.caption);
            const bool list = row.kind == Kind::ListView || row.kind == Kind::ItemListView;
            if (list && routes.notifications.find(row.id) == nullptr) {
                unanswered.push_back(std::to_string(row.id) + " list of " + narrow(page.title));
            }
        }
    }
    for (const auto* menu : {&layout::settingsMenu(), &layout::toolsMenu(), &InstancePage::menu(), &LaunchPage::menu(),
                             &BookmarkPage::menu(), &RulesPage::menu()}) {
        for (const MenuRow& row : *menu) {
            if (row.caption != nullptr) command(row.command, row.caption);
        }
    }
    EXPECT_EQ(unanswered, std::vector<std::string>{});

    // A few owners, as the parts named themselves.
    EXPECT_EQ(routes.commands.ownerOf(id::kExit), "main window");
    EXPECT_EQ(routes.commands.ownerOf(id::kBookmarkTextImport), "importer");
    EXPECT_EQ(routes.commands.ownerOf(id::kExportRules), "workspace");
    EXPECT_EQ(routes.timers.ownerOf(id::kBossKeyTimer), "boss key");
    EXPECT_EQ(routes.messages.ownerOf(static_cast<int>(id::kMsgBookmarksExhausted)), "bookmark page");
    EXPECT_TRUE(routes.commands.clashes().empty());
}

// Something that claimed "退回选中的书签" before the bookmark page did: the
// build fails (and traces the clash) instead of one of them never hearing it.
TEST(PanelRoutes, ANumberClaimedTwiceStopsTheBuild) {
    static Panel panel;
    ASSERT_TRUE(panel.window().routes().commands.claim(id::kReturnSelected, "another part", [](int) {}));
    EXPECT_FALSE(panel.build(GetModuleHandleW(nullptr)));
    const std::vector<Clash>& clashes = panel.window().routes().commands.clashes();
    ASSERT_EQ(clashes.size(), 1u);
    EXPECT_EQ(clashes[0].describe("command"),
              "command " + std::to_string(id::kReturnSelected) + " claimed by bookmark page, already owned by another part");
}

}  // namespace
}  // namespace vuv::win
