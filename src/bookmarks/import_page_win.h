// The importers' buttons: "文本导入" on 批量启动 and 书签管理 open the address
// list dialog; "导入" on either page reads a bookmark file.
#pragma once

#include "app/app_win.h"

#include <string_view>

namespace vuv::win {

class ImportPage final : public Page {
public:
    void attach(HWND main) override { main_ = main; }
    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR&, LRESULT&) override { return false; }

    // Imports a bookmark file: into the launch list (toLaunchList) or, as
    // addresses, into the bookmark table. Nothing is reported either way.
    void importFile(std::string_view gbkPath, bool toLaunchList);

private:
    void openAddressList();
    void chooseAndImport(bool toLaunchList);

    HWND main_ = nullptr;
};

}  // namespace vuv::win
