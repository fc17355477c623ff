// The importers end to end: the address list dialog on 批量启动 and 书签管理,
// and "导入" reading bookmark files chosen in the system's open dialog into
// the launch list or, as bare addresses, into the bookmark table.
#include "e2e/panel_fixture.h"

#include "common/control_ids.h"
#include "app/layout_win.h"
#include "common/encoding_win.h"
#include "common/texts.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vuv::e2e {
namespace {

const std::wstring kAddressListCaption = L"输入需要访问的地址";
const std::string kUnused(text::kStateUnused);

// The texts of the address list dialog's hint, as GBK lines.
const std::vector<std::string> kHintLines = {
    win::narrow(L"格式："), win::narrow(L"连接1"),  win::narrow(L"连接2"),
    win::narrow(L"连接…"),  win::narrow(L"如："),   "http://www.example.com/",
    "http://www.example.org/", win::narrow(L"…"),
};

std::string utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

Table tableOf(std::initializer_list<std::vector<std::string>> rows) { return Table(rows); }

class Import : public PanelFixture {
protected:
    void SetUp() override {
        PanelFixture::SetUp();
        if (HasFatalFailure()) return;
        writeSettingsWithBrowser();
        if (HasFatalFailure()) return;
        panel = std::make_unique<PanelProcess>(sandbox);
        ASSERT_TRUE(panel->ready()) << panel->startError();
        launchList = panel->control(id::kLaunchList);
        bookmarks = panel->control(id::kBookmarkList);
    }
    void showPage(int page) { ASSERT_TRUE(selectTab(panel->control(id::kTabs), page)); }

    // A visible top-level window of the panel with this caption.
    HWND waitForPanelWindow(const std::wstring& caption, const wchar_t* className = nullptr) {
        HWND found = nullptr;
        waitUntil([&] {
            for (HWND w : topLevelWindows(panel->pid(), className, caption.c_str())) {
                if (IsWindowVisible(w)) found = w;
            }
            return found != nullptr;
        });
        return found;
    }

    // Opens the address list dialog with the "文本导入" button of the current page.
    HWND openAddressList(int button) {
        if (!panel->click(button)) return nullptr;
        return waitForPanelWindow(kAddressListCaption);
    }

    static HWND editOf(HWND dialog) { return findDescendant(dialog, L"Edit", nullptr); }

    static bool clickIn(HWND dialog, const wchar_t* caption) {
        HWND button = findDescendant(dialog, L"Button", caption);
        return button != nullptr && PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
    }

    // Types text (GBK) into the dialog, confirms it and waits until it is gone.
    void confirmAddressList(int button, const std::string& text) {
        HWND dialog = openAddressList(button);
        ASSERT_NE(dialog, nullptr);
        const std::wstring wide = win::widen(text);
        ASSERT_TRUE(sendWithTimeout(editOf(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str())));
        ASSERT_TRUE(clickIn(dialog, L"确定"));
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    }

    // Presses an "导入" button and answers the open dialog with path; an empty
    // path cancels the dialog instead.
    void importThroughDialog(int button, const std::wstring& path) {
        ASSERT_TRUE(panel->click(button));
        ASSERT_TRUE(answerFileDialog(panel->pid(), path)) << "no open dialog, or it stayed open";
    }

    // Rows of a list once it holds count rows (the import has run by then):
    // the launch list's three columns, or the bookmark table's first three.
    Table rowsWhen(HWND list, std::size_t count) {
        Table rows;
        const bool reached = waitUntil([&] {
            rows = readListView(list, kBookmarkTableColumns);
            return rows.size() >= count;
        });
        EXPECT_TRUE(reached) << rows.size() << " rows instead of " << count;
        return rows;
    }

    // The last of count rows, or nothing when the list did not reach count.
    std::vector<std::string> lastRow(HWND list, std::size_t count) {
        const Table rows = rowsWhen(list, count);
        return rows.size() == count ? rows.back() : std::vector<std::string>{};
    }

    // Settles the panel: a message that comes back after everything queued
    // before it, so that "nothing arrived" can be checked.
    void settle() { ASSERT_TRUE(sendWithTimeout(panel->mainWindow(), WM_NULL, 0, 0)); }

    HWND launchList = nullptr;
    HWND bookmarks = nullptr;
};

TEST_F(Import, TheAddressListHintConfirmedOnBookmarksGivesEightUnusedBookmarks) {
    showPage(id::kBookmarksPage);
    HWND dialog = openAddressList(id::kBookmarkTextImport);
    ASSERT_NE(dialog, nullptr);
    RECT outer{};
    GetWindowRect(dialog, &outer);
    EXPECT_EQ(outer.right - outer.left, 418);
    EXPECT_EQ(outer.bottom - outer.top, 305);
    std::string hint;
    for (std::size_t i = 0; i < kHintLines.size(); ++i) {
        hint += (i == 4 ? "\r\n\r\n" : i == 0 ? "" : "\r\n") + kHintLines[i];
    }
    EXPECT_EQ(windowTextGbk(editOf(dialog)), hint);
    ASSERT_TRUE(clickIn(dialog, L"确定"));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));

    Table expected;
    for (const std::string& line : kHintLines) expected.push_back({"", line, kUnused});
    EXPECT_EQ(rowsWhen(bookmarks, 8), expected);
    EXPECT_TRUE(readListView(launchList).empty());

    // Every opening starts with the hint again; 清空 empties the box.
    dialog = openAddressList(id::kBookmarkTextImport);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(windowTextGbk(editOf(dialog)), hint);
    ASSERT_TRUE(clickIn(dialog, L"清空"));
    EXPECT_TRUE(waitUntil([&] { return windowTextGbk(editOf(dialog)).empty(); }));
    ASSERT_TRUE(clickIn(dialog, L"确定"));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    settle();
    EXPECT_EQ(readListView(bookmarks).size(), 8u);
}

TEST_F(Import, AddressListPiecesEndAtCrLfAndGoToTheCurrentPage) {
    showPage(id::kLaunchPage);
    // An empty piece is skipped; one of spaces is kept as typed; a bare LF
    // does not end a piece.
    confirmAddressList(id::kLaunchTextImport, "a\r\n\r\nb\r\n  \r\n");
    EXPECT_EQ(rowsWhen(launchList, 3), tableOf({{"", "a", ""}, {"", "b", ""}, {"", "  ", ""}}));
    confirmAddressList(id::kLaunchTextImport, "c\nd");
    EXPECT_EQ(lastRow(launchList, 4), (std::vector<std::string>{"", "c\nd", ""}));

    // The close box imports nothing.
    HWND dialog = openAddressList(id::kLaunchTextImport);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(sendWithTimeout(editOf(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"never")));
    ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));
    settle();
    EXPECT_EQ(readListView(launchList).size(), 4u);
    EXPECT_TRUE(readListView(bookmarks).empty());

    showPage(id::kBookmarksPage);
    confirmAddressList(id::kBookmarkTextImport, "a\r\n\r\nb");
    EXPECT_EQ(rowsWhen(bookmarks, 2), tableOf({{"", "a", kUnused}, {"", "b", kUnused}}));
    confirmAddressList(id::kBookmarkTextImport, "a\nb");
    EXPECT_EQ(lastRow(bookmarks, 3), (std::vector<std::string>{"", "a\nb", kUnused}));
    EXPECT_EQ(readListView(launchList).size(), 4u);
}

TEST_F(Import, AUtf8PageKeepsItsChineseLinkTextsInAnyLetterCase) {
    // 书签 and 中文网站, the second link with a text across two lines.
    const std::string page = utf8(
        L"<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<DL><p>\r\n"
        L"<DT><A HREF=\"http://a.example/1\" ADD_DATE=\"1\">书签</A>\r\n"
        L"<DT><a href=\"http://b.example/2\">中文\r\n网站</a>\r\n"
        L"<DT><A hReF='http://c.example/3'></A>\r\n</DL>\r\n");
    const std::wstring path = sandbox.path(L"书签.htm");
    ASSERT_TRUE(writeFileBytes(path, page));

    showPage(id::kLaunchPage);
    importThroughDialog(id::kLaunchFileImport, path);
    EXPECT_EQ(rowsWhen(launchList, 3), tableOf({{win::narrow(L"书签"), "http://a.example/1", ""},
                                                   {win::narrow(L"中文\r\n网站"), "http://b.example/2", ""},
                                                   {"", "http://c.example/3", ""}}));
}

TEST_F(Import, ShortcutLinesCarryNameAndConfigurationOverToLaterLines) {
    const std::wstring first = sandbox.path(L"shortcuts.txt");
    ASSERT_TRUE(writeFileBytes(first, "u1|#|x|#|C:\\fav\\Site.url|#|D:\\cfg.ini\r\nu2\r\n"));
    // A two-piece line before any name is skipped; a three-piece line keeps
    // the configuration path; ".url" goes wherever it stands; a line after a
    // NUL byte is still read.
    const std::wstring second = sandbox.path(L"more.txt");
    static const char kSecond[] =
        "skip|#|x\r\nu3|#|y|#|C:\\a\\b.url.url|#|E:\\z.ini\nu4|#|y\r\n\r\nu5|#|y|#|Plain.url\r\n\0u6\r\n";
    ASSERT_TRUE(writeFileBytes(second, std::string(kSecond, sizeof kSecond - 1)));

    showPage(id::kLaunchPage);
    importThroughDialog(id::kLaunchFileImport, first);
    EXPECT_EQ(rowsWhen(launchList, 2), tableOf({{"Site", "u1", "D:\\cfg.ini"}, {"Site", "u2", "D:\\cfg.ini"}}));
    importThroughDialog(id::kLaunchFileImport, second);
    EXPECT_EQ(rowsWhen(launchList, 6), tableOf({{"Site", "u1", "D:\\cfg.ini"},
                                                   {"Site", "u2", "D:\\cfg.ini"},
                                                   {"b", "u3", "E:\\z.ini"},
                                                   {"b", "u4", "E:\\z.ini"},
                                                   {"Plain", "u5", "E:\\z.ini"},
                                                   {"Plain", "u6", "E:\\z.ini"}}));
}

TEST_F(Import, AReadOnlyFileImportsAndACancelledDialogImportsNothing) {
    const std::wstring path = sandbox.path(L"locked.txt");
    ASSERT_TRUE(writeFileBytes(path, "http://one.example/\r\nhttp://two.example/\r\n"));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));

    showPage(id::kLaunchPage);
    importThroughDialog(id::kLaunchFileImport, L"");
    settle();
    EXPECT_TRUE(readListView(launchList).empty());
    importThroughDialog(id::kLaunchFileImport, path);
    EXPECT_EQ(rowsWhen(launchList, 2), tableOf({{"", "http://one.example/", ""}, {"", "http://two.example/", ""}}));
    EXPECT_EQ(readFileBytes(path), std::optional<std::string>("http://one.example/\r\nhttp://two.example/\r\n"));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Import, BookmarkImportTakesOnlyTheAddressesAsUnusedBookmarks) {
    const std::wstring page = sandbox.path(L"page.html");
    ASSERT_TRUE(writeFileBytes(page, utf8(L"<a href=\"http://x.example/\">名字</a>\r\n<A HREF='u2' X=1>n</A>\r\n")));
    const std::wstring lines = sandbox.path(L"lines.txt");
    ASSERT_TRUE(writeFileBytes(lines, "u3|#|x|#|C:\\fav\\Site.url|#|D:\\cfg.ini\r\nu4\r\n"));

    showPage(id::kBookmarksPage);
    importThroughDialog(id::kBookmarkFileImport, page);
    EXPECT_EQ(rowsWhen(bookmarks, 2), tableOf({{"", "http://x.example/", kUnused}, {"", "u2", kUnused}}));
    importThroughDialog(id::kBookmarkFileImport, lines);
    EXPECT_EQ(rowsWhen(bookmarks, 4), tableOf({{"", "http://x.example/", kUnused},
                                                  {"", "u2", kUnused},
                                                  {"", "u3", kUnused},
                                                  {"", "u4", kUnused}}));
    EXPECT_TRUE(readListView(launchList).empty());
}

TEST_F(Import, AnExportedLaunchListImportsBackUnchanged) {
    // Names and paths in GBK, one of them with 運 (trail byte "\"), an entry
    // without a name and one without a configuration.
    const std::string source = win::narrow(L"http://a.example/|#||#|C:\\f\\中文.url|#|C:\\配置\\1.ini\r\n") +
                               win::narrow(L"http://b.example/?q=運|#||#|運行.url|#|\r\n") +
                               "http://c.example/|#||#|\\.url|#|D:\\c.ini\r\n";
    const std::wstring input = sandbox.path(L"input.txt");
    ASSERT_TRUE(writeFileBytes(input, source));
    showPage(id::kLaunchPage);
    importThroughDialog(id::kLaunchFileImport, input);
    const Table before = rowsWhen(launchList, 3);
    ASSERT_EQ(before, tableOf({{win::narrow(L"中文"), "http://a.example/", win::narrow(L"C:\\配置\\1.ini")},
                                  {win::narrow(L"運行"), win::narrow(L"http://b.example/?q=運"), ""},
                                  {"", "http://c.example/", "D:\\c.ini"}}));

    // 导出 through the save dialog; the typed name gets ".txt".
    ASSERT_TRUE(panel->click(id::kLaunchExport));
    const std::wstring exported = sandbox.path(L"导出");
    ASSERT_TRUE(answerFileDialog(panel->pid(), exported));
    ASSERT_TRUE(waitUntil([&] { return readFileBytes(exported + L".txt").has_value(); }));

    ASSERT_TRUE(panel->click(id::kLaunchClear));  // 清空
    ASSERT_TRUE(waitUntil([&] { return readListView(launchList).empty(); }));
    importThroughDialog(id::kLaunchFileImport, exported + L".txt");
    EXPECT_EQ(rowsWhen(launchList, 3), before);
}

// An exported list opened and saved again in an editor that writes UTF-8,
// with the byte-order mark and without: the names and configuration paths
// come back as they were (read as GBK, a UTF-8 byte pairs with the "|" after
// it, and the separator, the name and the path are lost).
TEST_F(Import, AnExportedListSavedAgainAsUtf8ComesBackWhole) {
    const std::wstring exported = L"http://a.example/|#||#|C:\\f\\中文.url|#|C:\\配置\\1.ini\r\n"
                                  L"http://b.example/?q=運|#||#|運行.url|#|\r\n"
                                  L"http://c.example/|#||#|\\.url|#|D:\\c.ini\r\n";
    const Table expected = tableOf({{win::narrow(L"中文"), "http://a.example/", win::narrow(L"C:\\配置\\1.ini")},
                                    {win::narrow(L"運行"), win::narrow(L"http://b.example/?q=運"), ""},
                                    {"", "http://c.example/", "D:\\c.ini"}});
    showPage(id::kLaunchPage);
    for (const std::string& mark : {std::string("\xEF\xBB\xBF"), std::string()}) {
        const std::wstring file = sandbox.path(mark.empty() ? L"utf8.txt" : L"utf8-bom.txt");
        ASSERT_TRUE(writeFileBytes(file, mark + utf8(exported)));
        ASSERT_TRUE(panel->click(id::kLaunchClear));
        ASSERT_TRUE(waitUntil([&] { return readListView(launchList).empty(); }));
        importThroughDialog(id::kLaunchFileImport, file);
        EXPECT_EQ(rowsWhen(launchList, 3), expected) << (mark.empty() ? "without" : "with") << " the mark";
    }
}

// Paths stay wide from the dialog to the file: a folder whose name GBK cannot
// spell (Hangul) serves export, import and saving a record.
TEST_F(Import, AFolderNameOutsideGbkServesExportImportAndRecords) {
    const std::wstring folder = sandbox.path(L"한글 목록\\");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    showPage(id::kLaunchPage);
    importThroughDialog(id::kLaunchFileImport, [&] {
        const std::wstring input = sandbox.path(L"input.txt");
        EXPECT_TRUE(writeFileBytes(input, "http://a.example/|#||#|\\A.url|#|\r\n"));
        return input;
    }());
    ASSERT_EQ(rowsWhen(launchList, 1).size(), 1u);

    ASSERT_TRUE(panel->click(id::kLaunchExport));
    ASSERT_TRUE(answerFileDialog(panel->pid(), folder + L"列表.txt"));
    ASSERT_TRUE(waitUntil([&] { return readFileBytes(folder + L"列表.txt").has_value(); }));
    EXPECT_EQ(readFileBytes(folder + L"列表.txt"), std::optional<std::string>("http://a.example/|#|A|#|\\A.url|#|\r\n"));

    ASSERT_TRUE(panel->click(id::kLaunchClear));
    ASSERT_TRUE(waitUntil([&] { return readListView(launchList).empty(); }));
    importThroughDialog(id::kLaunchFileImport, folder + L"列表.txt");
    EXPECT_EQ(rowsWhen(launchList, 1), tableOf({{"A", "http://a.example/", ""}}));

    // A record saved there.
    ASSERT_TRUE(panel->command(id::kLinkSave));
    ASSERT_TRUE(answerFileDialog(panel->pid(), folder + L"记录.txt"));
    const std::optional<MessageBoxInfo> box = panel->messageBox(win::narrow(L"信息："));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, win::narrow(L"保存成功"));
    EXPECT_TRUE(pressButton(box->window));
    EXPECT_EQ(readFileBytes(folder + L"记录.txt"), std::optional<std::string>(""));
}

}  // namespace
}  // namespace vuv::e2e
