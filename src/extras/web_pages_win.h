// The buttons "下载鹭行" and "提 交 建 议": each hands its web page to the
// shell, which opens it in the user's default web browser.
#pragma once

#include "common/routes_win.h"

#include <functional>

namespace vuv::win {

// Hands the address to the shell ("open", SW_SHOWNORMAL) and returns at once;
// a page the shell cannot open is not reported.
void openWebPage(const wchar_t* address);

class WebPageButtons final {
public:
    // open receives each page's address; the shell's by default, a recorder in tests.
    explicit WebPageButtons(std::function<void(const wchar_t*)> open = openWebPage) : open_(std::move(open)) {}
    void registerIds(Routes& routes);

private:
    std::function<void(const wchar_t*)> open_;
};

}  // namespace vuv::win
