#include "common/control_ids.h"
#include "common/input_dialog_win.h"

#include "common/modal_win.h"
#include "common/ui_win.h"

namespace vuv::win {

namespace {

using namespace id::dialog;

constexpr int kOuterWidth = 510;
constexpr int kOuterHeight = 74;

class InputDialog final : public ModalWindow {
public:
    explicit InputDialog(const InputTask& task) : task_(task) {}

    void show(HWND owner) {
        run(owner, task_.caption, kOuterWidth, kOuterHeight,
            {
                {kInputLabel, Kind::Label, L"地 址：", 0, 10, 8, 80, 24},
                {kInputField, Kind::Edit, L"", 0, 50, 8, 360, 24},
                {kInputButton, Kind::Button, task_.button, 0, 416, 8, 72, 24},
            });
    }

private:
    void onCreate() override {
        // The label's box reaches under the field; keep the field on top.
        SetWindowPos(control(kInputField), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        setControlText(control(kInputField), task_.initialText);
    }

    bool onCommand(int id, int) override {
        if (id != IDOK && id != kInputButton) return false;
        // What the text is for is read now: rows selected while the dialog
        // was open count.
        if (task_.onConfirm) task_.onConfirm(controlText(control(kInputField)));
        close(IDOK);
        return true;
    }

    const InputTask& task_;
};

}  // namespace

void openInputDialog(HWND owner, const InputTask& task) {
    InputDialog dialog(task);
    dialog.show(owner);
}

}  // namespace vuv::win
