// The pages 链接记录 and 网页记录: running text records of what browsers sent.
#pragma once

#include "app/app_win.h"

#include <string_view>

namespace vuv::win {

class RecordsPage final : public Page {
public:
    void attach(HWND main) override;
    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR&, LRESULT&) override { return false; }

    void appendLinkRecord(std::string_view text);
    void appendPageRecord(std::string_view text);

private:
    HWND main_ = nullptr;
};

// Appends text and CR LF at the end of an edit box without touching its undo
// buffer.
void appendRecord(HWND edit, std::string_view gbk);

}  // namespace vuv::win
