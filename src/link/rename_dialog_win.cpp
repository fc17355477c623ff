#include "link/rename_dialog_win.h"

#include "common/control_ids.h"
#include "common/modal_win.h"
#include "link/instance_page_win.h"

#include <string>

namespace vuv::win {

namespace {

using namespace id::dialog;

class RenameDialog final : public ModalWindow {
public:
    explicit RenameDialog(InstancePage& instances) : instances_(instances) {}

    int open(HWND owner) {
        return run(owner, L"输入要取的名字，空白将默认网页名字", 388, 72,
                   {
                       {kRenameLabel, Kind::Label, L"输入要取的名字：", 0, 7, 10, 96, 24},
                       {kRenameField, Kind::Edit, L"", 0, 103, 10, 200, 24},
                       {kRenameConfirm, Kind::Button, L"确定", 0, 311, 10, 64, 24},
                   });
    }

protected:
    bool onCommand(int id, int) override {
        // Enter arrives as IDOK, from the edit box as from anywhere else.
        if (id != kRenameConfirm && id != IDOK) return false;
        confirm();
        return true;
    }

private:
    void confirm() {
        // The name is taken as typed: blanks are a name too. The selection
        // counts as it is now, not as it was at opening.
        const std::string name = controlText(control(kRenameField));
        instances_.fleet().sendToEach(instances_.selectedCopies(), renameCommand(name));
        close(IDOK);
    }

    InstancePage& instances_;
};

}  // namespace

void openRenameDialog(HWND owner, InstancePage& instances) {
    if (!instances.anySelected()) return;
    RenameDialog dialog(instances);
    dialog.open(owner);
}

}  // namespace vuv::win
