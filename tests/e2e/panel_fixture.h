// The base of the tests that run the real panel: a sandbox of their own with
// the programs and "设置.ini", checked to be usable under code page 936, the
// panel once a test starts it, and at the end the check that the panel
// raised no exception.
#pragma once

#include "e2e/harness.h"

#include "common/encoding_win.h"
#include "common/texts.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>
#include <string>

namespace vuv::e2e {

class PanelFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sandbox.ok()) << "vuv.exe and lxbr.exe must be built beside the tests";
        // Code page 936 and Chinese file names, which every panel test needs.
        ASSERT_EQ(environmentProblems(sandbox.directory()), "");
    }

    void TearDown() override {
        if (panel) {
            EXPECT_EQ(panel->exceptionCount(), 0) << panel->wineLog();
            // An exception a window procedure caught is a fault all the same.
            EXPECT_EQ(panel->caughtExceptionLines(), std::vector<std::string>{}) << panel->wineLog();
        }
    }

    [[nodiscard]] std::wstring settingsFile() const { return sandbox.path(win::widen(text::kSettingsFile)); }
    [[nodiscard]] std::string browserPath() const { return win::narrow(sandbox.standinExe()); }

    // Writes "设置.ini" naming the stand-in as the browser (no warning at the
    // first activation), followed by more lines when given.
    void writeSettingsWithBrowser(const std::string& moreLines = {}) {
        const std::string settings =
            join({"[", text::kSettingsSection, "]\r\n", text::kKeyBrowserPath, "=", browserPath(), "\r\n", moreLines});
        ASSERT_TRUE(writeFileBytes(settingsFile(), settings));
    }

    Sandbox sandbox;
    std::unique_ptr<PanelProcess> panel;
};

}  // namespace vuv::e2e
