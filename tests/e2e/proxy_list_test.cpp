// "按列表设置代理IP": a proxy per copy from a list typed one "IP:port" a line,
// driven from outside against stand-in browsers that log the posts.
#include "e2e/instance_fixture.h"

#include <iostream>
#include <set>
#include <utility>

namespace vuv::e2e {
namespace {

using Posts = std::vector<std::vector<long long>>;
constexpr std::size_t kProxyColumn = 6;  // 代理

Posts posts(StandinProcess& standin) {
    Posts found;
    for (const StandinRecord& r : standin.log()) {
        if (r.kind == "POST") found.push_back(r.numbers);
    }
    return found;
}

// The two posts of a.b.c.d:port, as the single proxy command makes them.
Posts postsOf(long long a, long long b, long long c, long long d, long long port) {
    return {{10004, 0, port}, {10004, a * 10000 + c, d * 10000 + b}};
}

std::string proxy(int a, int b, int c, int d, int port) {
    return std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c) + "." + std::to_string(d) + ":" +
           std::to_string(port);
}

class ProxyList : public InstanceFixture {
protected:
    // Opens the dialog and types text into its box; returns the dialog.
    HWND openWith(const std::string& text) {
        if (!panel->command(id::kProxyList)) return nullptr;
        HWND dialog = findDialog(panel->pid(), L"按列表设置代理IP");
        HWND box = dialog != nullptr ? controlById(dialog, id::dialog::kProxyListText) : nullptr;
        if (box == nullptr || !windowText(box).empty() || !setEditText(box, text)) return nullptr;
        return dialog;
    }
    // Presses 确定 and expects the message naming what is wrong; the dialog stays.
    void confirmAndExpectRefusal(HWND dialog, const std::wstring& message) {
        ASSERT_TRUE(PostMessageW(findDescendant(dialog, L"Button", L"确定"), BM_CLICK, 0, 0));
        const std::optional<MessageBoxInfo> box = panel->messageBox(gbk(L"输入错误"));
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, win::narrow(message));
        std::cout << "FIGURE proxy_list.refusal_message " << box->text << "\n";
        ASSERT_TRUE(pressButton(box->window));
        EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays open for correcting";
    }
    std::string shownProxy(int row) {
        return readListView(table).at(static_cast<std::size_t>(row)).at(kProxyColumn);
    }
    static std::string gbk(const wchar_t* text) { return win::narrow(text); }
};

// Twenty copies and twenty lines: row i gets line i, as its two posts and in
// its 代理 cell; twenty distinct pairs. Fewer lines than rows are taken in
// turn from the first line again; rows not selected get nothing.
TEST_F(ProxyList, TwentyRowsTakeTheirLinesInRowOrderAndFewerLinesGoRoundAgain) {
    for (int i = 0; i < 20; ++i) browser();
    startPanel();
    ASSERT_TRUE(panel->command(id::kSelectAll));
    ASSERT_TRUE(waitUntil([&] { return selectedRows(table).size() == 20u; }));

    // Blank lines, blanks around a line and CR LF or LF endings change nothing.
    std::string text;
    for (int i = 0; i < 20; ++i) {
        text += (i == 7 ? "  " + proxy(10, 0, i, i + 1, 8000 + i) + " " : proxy(10, 0, i, i + 1, 8000 + i));
        text += i == 12 ? "\r\n\r\n   \r\n" : i == 15 ? "\n" : "\r\n";
    }
    HWND dialog = openWith(text);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));

    std::set<Posts> distinct;
    for (int row = 0; row < 20; ++row) {
        StandinProcess& s = atRow(row);
        ASSERT_TRUE(waitUntil([&] { return posts(s).size() >= 2; })) << "row " << row << "\n" << dump(s);
        EXPECT_EQ(posts(s), postsOf(10, 0, row, row + 1, 8000 + row)) << "row " << row;
        EXPECT_TRUE(waitUntil([&] { return shownProxy(row) == proxy(10, 0, row, row + 1, 8000 + row); }))
            << "row " << row << ": " << shownProxy(row);
        distinct.insert(posts(s));
    }
    EXPECT_EQ(distinct.size(), 20u);
    std::cout << "FIGURE proxy_list.rows 20 distinct_pairs " << distinct.size() << "\n";
    RecordProperty("distinct_pairs", static_cast<int>(distinct.size()));

    // Two lines over five rows: first, second, first, second, first.
    select({2, 5, 9, 14, 19});
    dialog = openWith("1.1.1.1:1\r\n2.2.2.2:2");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
    int turn = 0;
    for (int row : {2, 5, 9, 14, 19}) {
        StandinProcess& s = atRow(row);
        const int n = turn++ % 2 + 1;
        ASSERT_TRUE(waitUntil([&] { return posts(s).size() >= 4; })) << "row " << row << "\n" << dump(s);
        const Posts all = posts(s);
        EXPECT_EQ(Posts(all.begin() + 2, all.end()), postsOf(n, n, n, n, n)) << "row " << row;
        EXPECT_TRUE(waitUntil([&] { return shownProxy(row) == proxy(n, n, n, n, n); })) << "row " << row;
    }
    ASSERT_TRUE(panel->caughtUp());
    EXPECT_EQ(posts(atRow(3)).size(), 2u) << "a row not selected gets nothing";
    EXPECT_EQ(shownProxy(3), proxy(10, 0, 3, 4, 8003));
}

// Lines 3 and 7 invalid: one message names both, nothing is posted, and the
// dialog keeps the text; an all-blank list is refused too; the corrected
// list then goes out from the same dialog.
TEST_F(ProxyList, InvalidLinesAreAllNamedInOneMessageAndNothingIsPosted) {
    for (int i = 0; i < 4; ++i) browser();
    startPanel();
    select({0, 1, 2, 3});
    const std::string withBadLines =
        "1.1.1.1:1\r\n2.2.2.2:2\r\n1.2.3:80\r\n\r\n5.5.5.5:5\r\n6.6.6.6:6\r\n256.1.1.1:7\r\n8.8.8.8:8\r\n";
    HWND dialog = openWith(withBadLines);
    ASSERT_NE(dialog, nullptr);
    confirmAndExpectRefusal(dialog, L"第 3、7 行IP输入错误，请根据提示格式输入。");
    EXPECT_EQ(windowTextGbk(controlById(dialog, id::dialog::kProxyListText)), withBadLines);

    ASSERT_TRUE(setEditText(controlById(dialog, id::dialog::kProxyListText), "\r\n  \r\n\xA1\xA1\r\n"));
    confirmAndExpectRefusal(dialog, L"没有输入代理IP，请每行输入一个 IP地址:端口。");

    ASSERT_TRUE(panel->caughtUp());
    for (int row = 0; row < 4; ++row) EXPECT_EQ(posts(atRow(row)), Posts{}) << dump(atRow(row));

    // Corrected in place: the blank line no longer counts, lines go in turn.
    ASSERT_TRUE(setEditText(controlById(dialog, id::dialog::kProxyListText), "1.1.1.1:1\r\n\r\n2.2.2.2:2\r\n3.3.3.3:3"));
    ASSERT_TRUE(clickAndWaitGone(dialog, L"确定"));
    for (int row = 0; row < 4; ++row) {
        const int n = row % 3 + 1;
        StandinProcess& s = atRow(row);
        ASSERT_TRUE(waitUntil([&] { return posts(s).size() >= 2; })) << dump(s);
        EXPECT_EQ(posts(s), postsOf(n, n, n, n, n)) << "row " << row;
    }

    // Cancelled: nothing more.
    dialog = openWith("9.9.9.9:9");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(clickAndWaitGone(dialog, L"取消"));
    ASSERT_TRUE(panel->caughtUp());
    for (int row = 0; row < 4; ++row) EXPECT_EQ(posts(atRow(row)).size(), 2u) << dump(atRow(row));
}

}  // namespace
}  // namespace vuv::e2e
