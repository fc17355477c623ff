// The buttons "下载鹭行" and "提 交 建 议" hand each its own page to the opener
// (the shell in the panel, a recorder here), and nothing else does.
#include "extras/web_pages_win.h"

#include "common/control_ids.h"
#include "extras/web_pages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vuv::win {
namespace {

bool endsWith(const std::wstring& text, const std::wstring& ending) {
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

TEST(WebPageButtons, EachButtonOpensItsOwnPageAndOtherCommandsOpenNothing) {
    std::vector<std::wstring> opened;
    WebPageButtons buttons([&](const wchar_t* address) { opened.emplace_back(address); });
    Routes routes;
    buttons.registerIds(routes);

    struct Case {
        int command;
        const wchar_t* page;
        const wchar_t* ending;
    };
    const Case cases[] = {
        {id::kDownloadPage, web::kDownloadPage, L"/xzlxbw.html"},
        {id::kSuggestionPage, web::kFeedbackPage, L"/thread-224731-1-1.html"},
    };
    for (const Case& c : cases) {
        opened.clear();
        const auto* click = routes.commands.find(c.command);
        ASSERT_NE(click, nullptr) << c.command;
        (*click)(BN_CLICKED);
        ASSERT_EQ(opened, std::vector<std::wstring>{c.page}) << c.command;
        EXPECT_TRUE(endsWith(opened[0], c.ending)) << c.command;
    }
    EXPECT_NE(std::wstring(web::kDownloadPage), std::wstring(web::kFeedbackPage));

    // The buttons claim nothing else.
    EXPECT_EQ(routes.commands.size(), 2u);
    EXPECT_EQ(routes.notifications.size() + routes.timers.size() + routes.messages.size(), 0u);
}

}  // namespace
}  // namespace vuv::win
