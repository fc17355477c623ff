#include "launch/input_dialog_win.h"

#include "app/app_win.h"
#include "common/modal_win.h"
#include "common/ui_win.h"
#include "launch/launch_page_win.h"
#include "link/instance_page_win.h"

#include <string>

namespace vuv::win {

namespace {

constexpr int kIdLabel = 101;
constexpr int kIdField = 102;
constexpr int kIdButton = 103;

constexpr int kOuterWidth = 510;
constexpr int kOuterHeight = 74;

class InputDialog final : public ModalWindow {
public:
    InputDialog(InputDialogPurpose purpose, std::string_view initialText)
        : purpose_(purpose), initialText_(initialText) {}

    void show() {
        const wchar_t* caption = L"输入要访问的地址";
        const wchar_t* button = L"访 问";
        switch (purpose_) {
            case InputDialogPurpose::OpenLink: break;
            case InputDialogPurpose::SetAddress:
                caption = L"输入需要设置的连接";
                button = L"确 定";
                break;
            case InputDialogPurpose::RenameEntry: caption = L"输入需要修改的书签名"; break;
        }
        run(app().main, caption, kOuterWidth, kOuterHeight,
            {
                {kIdLabel, Kind::Label, L"地 址：", 0, 10, 8, 80, 24},
                {kIdField, Kind::Edit, L"", 0, 50, 8, 360, 24},
                {kIdButton, Kind::Button, button, 0, 416, 8, 72, 24},
            });
    }

private:
    void onCreate() override {
        // The label's box reaches under the field; keep the field on top.
        SetWindowPos(control(kIdField), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (purpose_ != InputDialogPurpose::OpenLink) setControlText(control(kIdField), initialText_);
    }

    bool onCommand(int id, int) override {
        if (id != IDOK && id != kIdButton) return false;
        // The selection is read now: rows selected while the dialog was open count.
        const std::string text = controlText(control(kIdField));
        switch (purpose_) {
            case InputDialogPurpose::OpenLink:
                if (app().instances != nullptr) app().instances->openLinkInSelected(text);
                break;
            case InputDialogPurpose::SetAddress:
                if (app().launch != nullptr) app().launch->setAddressOfSelected(text);
                break;
            case InputDialogPurpose::RenameEntry:
                if (app().launch != nullptr) app().launch->renameSelected(text);
                break;
        }
        close(IDOK);
        return true;
    }

    InputDialogPurpose purpose_;
    std::string initialText_;
};

}  // namespace

void openInputDialog(InputDialogPurpose purpose, std::string_view initialText) {
    InputDialog dialog(purpose, initialText);
    dialog.show();
}

}  // namespace vuv::win
