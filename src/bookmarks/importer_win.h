// The importers' buttons: "文本导入" on 批量启动 and 书签管理 open the address
// list dialog; "导入" on either page reads a bookmark file.
#pragma once

#include "bookmarks/bookmark_store.h"
#include "bookmarks/imported_link.h"
#include "common/routes_win.h"

#include <string>
#include <vector>

namespace vuv::win {

// What the importers need of the launch list, which lives in another part of
// the panel.
class LaunchListTarget {
public:
    virtual ~LaunchListTarget() = default;
    virtual void appendImported(std::vector<ImportedLink> links) = 0;
    // The launch page is the current page (the address list dialog's rows go
    // to the list of the page current when it is confirmed).
    [[nodiscard]] virtual bool launchPageIsCurrent() const = 0;
};

class Importer final {
public:
    Importer(HWND main, LaunchListTarget& launchList, BookmarkStore& bookmarks);

    // "文本导入" and "导入" of both pages.
    void registerIds(Routes& routes);

    // Imports a bookmark file: into the launch list (toLaunchList) or, as
    // addresses, into the bookmark table. Nothing is reported either way.
    void importFile(const std::wstring& path, bool toLaunchList);

private:
    void openAddressList();
    void chooseAndImport(bool toLaunchList);

    HWND main_;
    LaunchListTarget& launchList_;
    BookmarkStore& bookmarks_;
};

}  // namespace vuv::win
