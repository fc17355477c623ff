// The panel as the operator sees it, at 96 DPI and at 144 DPI (150 %): the
// window keeps its proportions, every control of each page lies inside the
// page and clear of its neighbours, and the list columns grow with the rest.
//
// The same run takes a picture of each page with a few rows in every list:
// with VUV_SCREENSHOT_DIR set, one BMP per page and DPI is written there
// (scripts/screenshots.sh turns them into the README's PNGs).
#include "e2e/instance_fixture.h"

#include "e2e/expected_layout.h"
#include "e2e/pictures.h"
#include "common/dpi.h"

#include <commctrl.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

#include <cstdlib>
#include <optional>
#include <sstream>

namespace vuv::e2e {
namespace {

// The system DPI of the processes started from now on: Wine reads
// HKCU\Control Panel\Desktop\LogPixels when a process starts. Restores the
// value it found (or its absence) when it goes.
//
// The desktop process (explorer.exe /desktop) must not start while the value
// is changed: it outlives the test by a few seconds, and windows of programs
// started meanwhile would take its DPI. Asking for the desktop window starts
// it now, at the DPI of before, and this process keeps it alive.
class LogPixels {
public:
    explicit LogPixels(DWORD dpi) {
        if (!IsWindow(GetDesktopWindow())) return;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                            nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        DWORD size = sizeof old_;
        had_ = RegQueryValueExW(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) == ERROR_SUCCESS;
        ok_ = RegSetValueExW(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi) == ERROR_SUCCESS;
    }
    ~LogPixels() {
        if (key_ == nullptr) return;
        if (had_) {
            RegSetValueExW(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        } else {
            RegDeleteValueW(key_, kValue);
        }
        RegCloseKey(key_);
    }
    LogPixels(const LogPixels&) = delete;
    LogPixels& operator=(const LogPixels&) = delete;
    [[nodiscard]] bool ok() const noexcept { return ok_; }

private:
    static constexpr const wchar_t* kValue = L"LogPixels";
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool had_ = false;
    bool ok_ = false;
};

dpi::Box boxOf(const RECT& r) { return dpi::Box{r.left, r.top, r.right, r.bottom}; }

dpi::Box screenBox(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return boxOf(r);
}

std::string show(const dpi::Box& b) {
    std::ostringstream out;
    out << "(" << b.left << "," << b.top << ")-(" << b.right << "," << b.bottom << ")";
    return out.str();
}

// The box of a page's control in the main window's client area at 96 DPI,
// where its place is fixed; an empty box otherwise.
dpi::Box layoutBox(const expected::Control& c) {
    using expected::kTab;
    if (!c.box) return dpi::Box{};
    const expected::Box& b = *c.box;
    return dpi::Box{kTab.x + b.x, kTab.y + b.y, kTab.x + b.x + b.w, kTab.y + b.y + b.h};
}

constexpr const wchar_t* kPageNames[] = {L"instances",   L"launch",      L"rules", L"bookmarks",
                                          L"link-record", L"page-record", L"run-log",
                                          L"cluster"};
static_assert(std::size(kPageNames) == id::kPageCount, "a picture name for every page");

// Column widths at 96 DPI of the four lists.
struct ListColumns {
    int list;
    std::vector<int> widths;
};
const std::vector<ListColumns> kColumns = {
    {id::kInstanceTable, {80, 390}},
    {id::kLaunchList, {80, 150, 150}},
    {id::kRuleList, {80, 120, 150}},
    {id::kBookmarkList, {80, 400, 75}},
};

class Appearance : public InstanceFixture {
protected:
    // The panel and its browsers start at dpi.
    void startAt(int dpi) {
        dpi_ = dpi;
        logPixels_ = std::make_unique<LogPixels>(static_cast<DWORD>(dpi));
        ASSERT_TRUE(logPixels_->ok());
        StandinOptions first;
        first.title = win::narrow(L"新闻首页 - 鹭行");
        browser(first);
        StandinOptions second;
        second.title = win::narrow(L"商品列表 - 鹭行");
        browser(second);
        startPanel();
        // Wholly on the screen, above everything, for the pictures.
        ASSERT_TRUE(SetWindowPos(panel->mainWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE));
    }
    void TearDown() override {
        InstanceFixture::TearDown();
        logPixels_.reset();
    }

    [[nodiscard]] int scaled(int value) const { return dpi::scale(value, dpi_); }

    // The window, its tab control, the list columns and the status bar's
    // fields at the DPI.
    void checkWindow() {
        const dpi::Box outer = screenBox(panel->mainWindow());
        EXPECT_EQ(outer.width(), scaled(expected::kMainWidth));
        EXPECT_EQ(outer.height(), scaled(expected::kMainHeight));
        const dpi::Box tab = screenBox(panel->control(id::kTabs));
        EXPECT_EQ(tab.width(), scaled(expected::kTab.w));
        EXPECT_EQ(tab.height(), scaled(expected::kTab.h));
        for (const ListColumns& list : kColumns) {
            for (std::size_t c = 0; c < list.widths.size(); ++c) {
                const auto width = sendWithTimeout(panel->control(list.list), LVM_GETCOLUMNWIDTH, c, 0);
                ASSERT_TRUE(width);
                EXPECT_EQ(static_cast<int>(*width), scaled(list.widths[c])) << "list " << list.list << " column " << c;
            }
        }
        RemoteMemory remote(panel->pid(), 3 * sizeof(int));
        ASSERT_TRUE(sendWithTimeout(panel->control(id::kStatusBar), SB_GETPARTS, 3, static_cast<LPARAM>(remote.address())));
        int edges[3] = {};
        ASSERT_TRUE(remote.read(0, edges, sizeof edges));
        EXPECT_EQ(edges[0], scaled(expected::kStatusField0));
        EXPECT_EQ(edges[1] - edges[0], outer.width() - scaled(expected::kStatusField1Margin));
        EXPECT_EQ(edges[2] - edges[1], scaled(expected::kStatusField2));
    }

    void checkEveryPage(bool takePictures) {
        for (int page = 0; page < id::kPageCount; ++page) {
            ASSERT_TRUE(selectTab(panel->control(id::kTabs), page));
            checkPage(page);
            if (takePictures) capture(page);
        }
    }

    // A few rows in every list and both records, as after a while of use.
    void fillPages() {
        // Launch list and bookmarks through the address list dialog.
        const std::vector<std::pair<int, int>> lists = {{id::kLaunchPage, id::kLaunchTextImport},
                                                        {id::kBookmarksPage, id::kBookmarkTextImport}};
        for (const auto& [page, button] : lists) {
            ASSERT_TRUE(selectTab(panel->control(id::kTabs), page));
            ASSERT_TRUE(panel->click(button));
            HWND dialog = findDialog(panel->pid(), L"输入需要访问的地址");
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(setEditText(findDescendant(dialog, L"Edit", nullptr),
                                    "http://www.example.com/\r\nhttp://www.example.org/news/\r\n"
                                    "http://www.example.net/shop/item?id=8\r\n"));
            ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
        }
        // A rule: this notification opens the next bookmark.
        ASSERT_TRUE(selectTab(panel->control(id::kTabs), id::kRulesPage));
        ASSERT_TRUE(setEditText(panel->control(id::kConditionEdit), win::narrow(L"页面加载完成")));
        ASSERT_TRUE(panel->click(id::kRuleAdd));
        ASSERT_TRUE(waitUntil([&] { return readListView(panel->control(id::kRuleList)).size() == 1; }));
        // Records sent by a browser: tag, its window, "■", the text.
        StandinProcess& sender = *browsers.front();
        for (const char* link : {"http://www.example.com/a?code=A7F3-22C1", "http://www.example.org/b?code=B019-77E4"}) {
            ASSERT_EQ(sender.notify(join({text::kTagLinkCode, "0", text::kSeparator, link})), std::optional<bool>(true));
        }
        ASSERT_EQ(sender.notify(join({text::kTagPageSource, "0", text::kSeparator,
                                      "<html><head><title>example</title></head><body>...</body></html>"})),
                  std::optional<bool>(true));
        ASSERT_TRUE(waitUntil([&] { return !windowText(panel->control(id::kPageRecord)).empty(); }));
    }

    // Every control of the current page inside the page and the window's
    // client area, above the status bar and clear of the other controls
    // (overlaps the layout table itself has may stay, scaled).
    void checkPage(int page) {
        HWND main = panel->mainWindow();
        HWND tab = panel->control(id::kTabs);
        RECT client{};
        GetClientRect(main, &client);
        MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
        const dpi::Box clientBox = boxOf(client);
        const dpi::Box tabBox = screenBox(tab);
        const dpi::Box statusBox = screenBox(panel->control(id::kStatusBar));
        EXPECT_TRUE(dpi::contains(clientBox, statusBox)) << show(statusBox) << " in " << show(clientBox);

        const POINT origin{client.left, client.top};
        struct Placed {
            const expected::Control* row;
            dpi::Box box;
        };
        std::vector<Placed> placed;
        for (const expected::Control& row : expected::pages()[static_cast<std::size_t>(page)].controls) {
            HWND control = panel->control(row.id);
            ASSERT_NE(control, nullptr) << row.id;
            ASSERT_TRUE(IsWindowVisible(control)) << row.id;
            const dpi::Box box = screenBox(control);
            placed.push_back({&row, box});
            const dpi::Box visible = dpi::intersection(tabBox, clientBox);
            EXPECT_TRUE(dpi::contains(visible, box)) << "control " << row.id << " " << show(box) << " cut off by "
                                                      << show(visible) << " on page " << page;
            EXPECT_FALSE(dpi::overlap(box, statusBox)) << "control " << row.id << " under the status bar";
            // Where a fixed place puts it, scaled by its edges.
            if (!row.box) continue;
            const expected::Box& fixed = *row.box;
            const dpi::Box planned =
                dpi::scaleBox(expected::kTab.x + fixed.x, expected::kTab.y + fixed.y, fixed.w, fixed.h, dpi_);
            EXPECT_EQ(box.left - origin.x, planned.left) << row.id;
            EXPECT_EQ(box.top - origin.y, planned.top) << row.id;
            EXPECT_EQ(box.width(), planned.width()) << row.id;
            if (!row.dropDown) {
                EXPECT_EQ(box.height(), planned.height()) << row.id;
            }
        }
        for (std::size_t i = 0; i < placed.size(); ++i) {
            for (std::size_t j = i + 1; j < placed.size(); ++j) {
                const dpi::Box common = dpi::intersection(placed[i].box, placed[j].box);
                if (common.empty()) continue;
                const dpi::Box planned = dpi::intersection(layoutBox(*placed[i].row), layoutBox(*placed[j].row));
                EXPECT_FALSE(planned.empty()) << "controls " << placed[i].row->id << " " << show(placed[i].box) << " and "
                                              << placed[j].row->id << " " << show(placed[j].box) << " overlap";
                EXPECT_LE(common.width(), scaled(planned.width()) + 1) << placed[i].row->id << " " << placed[j].row->id;
                EXPECT_LE(common.height(), scaled(planned.height()) + 1) << placed[i].row->id << " " << placed[j].row->id;
            }
        }
    }

    void capture(int page) {
        const std::wstring dir = screenshotDirectory();
        if (dir.empty()) return;
        const std::wstring name = dir + std::to_wstring(dpi_) + L"dpi-" + std::to_wstring(page + 1) + L"-" +
                                  kPageNames[page] + L".bmp";
        EXPECT_TRUE(savePicture(*panel, name)) << win::narrow(name);
    }

    int dpi_ = dpi::kBase;
    std::unique_ptr<LogPixels> logPixels_;
};

class AppearanceAt : public Appearance, public ::testing::WithParamInterface<int> {};

TEST_P(AppearanceAt, EveryPageFitsItsWindowWithoutOverlapsAndScalesAsAWhole) {
    startAt(GetParam());
    checkWindow();
    fillPages();
    // The font grew with the DPI: list rows and tab items are sized by it
    // (9 points of a CJK font: rows of 15 pixels and a tab of 60 for
    // "独立控制" at 96 DPI).
    RemoteMemory remote(panel->pid(), sizeof(RECT));
    RECT item{};
    ASSERT_TRUE(sendWithTimeout(panel->control(id::kTabs), TCM_GETITEMRECT, 0, static_cast<LPARAM>(remote.address())));
    ASSERT_TRUE(remote.read(0, &item, sizeof item));
    EXPECT_GE(item.right - item.left, scaled(55));
    RECT row{};
    row.left = LVIR_BOUNDS;
    ASSERT_TRUE(remote.write(0, &row, sizeof row));
    ASSERT_TRUE(sendWithTimeout(panel->control(id::kInstanceTable), LVM_GETITEMRECT, 0, static_cast<LPARAM>(remote.address())));
    ASSERT_TRUE(remote.read(0, &row, sizeof row));
    EXPECT_GE(row.bottom - row.top, scaled(14));

    checkEveryPage(true);
}

// Moved to a screen of another DPI, the window takes the size the system
// suggests and lays itself out for the new DPI, and back again.
TEST_F(Appearance, ADpiChangeRelaysTheWindowOutAndBackAgain) {
    startAt(dpi::kBase);
    HWND main = panel->mainWindow();
    RemoteMemory suggested(panel->pid(), sizeof(RECT));
    ASSERT_TRUE(suggested.ok());
    for (int next : {144, 192, 96}) {
        SCOPED_TRACE(next);
        const RECT at{0, 0, dpi::scale(expected::kMainWidth, next), dpi::scale(expected::kMainHeight, next)};
        ASSERT_TRUE(suggested.write(0, &at, sizeof at));
        ASSERT_TRUE(sendWithTimeout(main, WM_DPICHANGED, MAKEWPARAM(next, next), static_cast<LPARAM>(suggested.address())));
        dpi_ = next;
        checkWindow();
        checkEveryPage(false);
        ASSERT_TRUE(selectTab(panel->control(id::kTabs), id::kInstancesPage));
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, AppearanceAt, ::testing::Values(96, 144),
                         [](const ::testing::TestParamInfo<int>& info) { return "At" + std::to_string(info.param); });

}  // namespace
}  // namespace vuv::e2e
