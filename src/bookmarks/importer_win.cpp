#include "bookmarks/importer_win.h"

#include "bookmarks/bookmark_import.h"
#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/file_dialog_win.h"
#include "common/files_win.h"
#include "common/gbk.h"
#include "common/modal_win.h"
#include "common/ui_win.h"
#include "common/utf8.h"

#include <string>
#include <vector>

namespace vuv::win {

namespace {

constexpr wchar_t kImportFilter[] = L"文本文件(txt)|*.txt|htm文件|*.htm;*.html|所有文件(*.*)|*.*";

// The address list dialog: one address per line, pasted or typed.
class AddressListDialog final : public ModalWindow {
public:
    static constexpr int kIdText = id::dialog::kAddressText;
    static constexpr int kIdClear = id::dialog::kAddressClear;
    static constexpr int kIdConfirm = IDOK;

    // The lines the operator confirmed; empty when the dialog was closed.
    std::vector<std::string> show(HWND owner) {
        run(owner, L"输入需要访问的地址", 418, 305,
            {
                {kIdText, Kind::MultiLineEdit, kHint, 0, 8, 8, 328, 264},
                {kIdClear, Kind::Button, L"清空", 0, 344, 192, 64, 32},
                {kIdConfirm, Kind::Button, L"确定", 0, 343, 237, 64, 32},
            });
        return std::move(lines_);
    }

private:
    static constexpr const wchar_t* kHint =
        L"格式：\r\n连接1\r\n连接2\r\n连接…\r\n\r\n如：\r\nhttp://www.example.com/\r\nhttp://www.example.org/\r\n…";

    void onCreate() override { liftTextLimit(control(kIdText)); }

    bool onCommand(int id, int) override {
        switch (id) {
            case kIdClear: SetWindowTextW(control(kIdText), L""); return true;
            case kIdConfirm: {
                // Pieces between CR LF pairs, as typed; empty ones are skipped.
                const std::string text = controlText(control(kIdText));
                for (std::string_view piece : gbk::split(text, "\r\n")) {
                    if (!piece.empty()) lines_.emplace_back(piece);
                }
                close(IDOK);
                return true;
            }
            default: return false;
        }
    }

    std::vector<std::string> lines_;
};

}  // namespace

Importer::Importer(HWND main, LaunchListTarget& launchList, BookmarkStore& bookmarks)
    : main_(main), launchList_(launchList), bookmarks_(bookmarks) {}

void Importer::registerIds(Routes& routes) {
    constexpr char kOwner[] = "importer";
    routes.commands.claim(id::kLaunchTextImport, kOwner, [this](int) { openAddressList(); });
    routes.commands.claim(id::kBookmarkTextImport, kOwner, [this](int) { openAddressList(); });
    routes.commands.claim(id::kLaunchFileImport, kOwner, [this](int) { chooseAndImport(true); });
    routes.commands.claim(id::kBookmarkFileImport, kOwner, [this](int) { chooseAndImport(false); });
}

void Importer::openAddressList() {
    AddressListDialog dialog;
    std::vector<std::string> lines = dialog.show(main_);
    if (lines.empty()) return;
    // The rows go to the page that is current when the dialog is confirmed.
    if (launchList_.launchPageIsCurrent()) {
        std::vector<ImportedLink> links;
        links.reserve(lines.size());
        for (std::string& line : lines) links.push_back(ImportedLink{{}, std::move(line), {}});
        launchList_.appendImported(std::move(links));
    } else {
        bookmarks_.appendBookmarks(std::move(lines));
    }
}

void Importer::chooseAndImport(bool toLaunchList) {
    const std::optional<std::wstring> path = askOpenFile(main_, kImportFilter);
    if (path) importFile(*path, toLaunchList);
}

void Importer::importFile(const std::wstring& path, bool toLaunchList) {
    // Read-only access: a file that is merely read-only imports too.
    std::string raw;
    if (!readFileBytes(path, raw)) return;
    const std::string converted = utf8ToGbk(cutAtTextEnd(raw));
    std::vector<ImportedLink> links =
        linesAreUtf8(raw) ? importBookmarkText(converted, utf8TextToGbk(withoutUtf8Bom(raw))) : importBookmarkText(converted, raw);
    if (toLaunchList) {
        launchList_.appendImported(std::move(links));
        return;
    }
    std::vector<std::string> addresses;
    addresses.reserve(links.size());
    for (ImportedLink& link : links) addresses.push_back(std::move(link.address));
    bookmarks_.appendBookmarks(std::move(addresses));
}

}  // namespace vuv::win
