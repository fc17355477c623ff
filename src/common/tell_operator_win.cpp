#include "common/tell_operator_win.h"

#include "common/encoding_win.h"
#include "common/texts.h"
#include "common/ui_win.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vuv::win {

namespace {

// The texts whose box is open now, innermost last.
std::vector<std::wstring>& openBoxes() {
    static std::vector<std::wstring> texts;
    return texts;
}

}  // namespace

void logFailure(EventSink& log, std::wstring_view text, std::wstring_view detail) {
    std::wstring line(text);
    if (!detail.empty()) {
        line += L"：";
        line += detail;
    }
    // One row a line: breaks meant for the box become blanks.
    std::replace_if(line.begin(), line.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
    log.record(0, text::kEventFailure, narrow(line));
}

void tellOperator(EventSink& log, std::wstring_view text, std::wstring_view detail) {
    logFailure(log, text, detail);
    std::vector<std::wstring>& open = openBoxes();
    const std::wstring shown(text);
    if (std::find(open.begin(), open.end(), shown) != open.end()) return;
    open.push_back(shown);
    messageBox(shown.c_str(), L"提醒", MB_OK);
    open.erase(std::find(open.begin(), open.end(), shown));
}

}  // namespace vuv::win
