#include "extras/boss_key_win.h"

#include "common/control_ids.h"
#include "common/modal_win.h"
#include "link/fleet_win.h"

#include <imm.h>

#include <cstdint>

namespace vuv::win {

namespace {

constexpr UINT kPollMs = 50;

using namespace id::dialog;

// Every key pressed in the box is taken as the candidate key, Enter, Esc and
// Tab included; only the button confirms and only the close box cancels.
class BossKeyDialog final : public ModalWindow {
public:
    explicit BossKeyDialog(BossKey& bossKey) : bossKey_(bossKey) {}

    void open(HWND owner) {
        run(owner, L"设置老板键", 343, 87,
            {
                {kBossKeyLabel, Kind::Label, L"输入要设置的老板键：", 0, 8, 16, 120, 24},
                {kBossKeyField, Kind::Edit, L"", 0, 128, 16, 112, 32},
                {kBossKeyConfirm, Kind::Button, L"确定", 0, 248, 16, 80, 32},
            });
    }

protected:
    void onCreate() override {
        // With an input method on, letters would reach the box only as the
        // input method's key (229); the box takes the keys themselves.
        ImmAssociateContext(control(kBossKeyField), nullptr);
    }

    bool preTranslateOwn(MSG& msg) override {
        if (msg.hwnd != control(kBossKeyField)) return false;
        switch (msg.message) {
            case WM_KEYDOWN:
            case WM_SYSKEYDOWN:  // F10 and keys held with Alt
                if (std::optional<std::string> shown = bossKey_.capture(static_cast<int>(msg.wParam))) {
                    setControlText(msg.hwnd, *shown);
                    // Caret after the text, as if it had been typed.
                    SendMessageW(msg.hwnd, EM_SETSEL, static_cast<WPARAM>(-1), -1);
                }
                return true;
            case WM_CHAR:
            case WM_SYSCHAR:
            case WM_IME_CHAR:
                return true;  // the box shows the key's name, never what was typed
            default:
                return false;
        }
    }

    bool onCommand(int id, int) override {
        // IDOK: Enter while the button has the focus.
        if (id != kBossKeyConfirm && id != IDOK) return false;
        bossKey_.apply(GetWindowTextLengthW(control(kBossKeyField)) == 0);
        close(IDOK);
        return true;
    }

private:
    BossKey& bossKey_;
};

}  // namespace

void BossKey::registerIds(Routes& routes) {
    constexpr char kOwner[] = "boss key";
    routes.commands.claim(id::kSetBossKey, kOwner, [this](int) { openDialog(); });
    routes.timers.claim(id::kBossKeyTimer, kOwner, [this] { onTick(); });
}

std::optional<std::string> BossKey::capture(int keyCode) {
    const KeyCapture outcome = captureKey(keyCode);
    if (outcome.ignored) return std::nullopt;
    if (outcome.accepted) capturedKey_ = keyCode;
    return outcome.display;  // empty for a refused key: the box is emptied
}

void BossKey::apply(bool boxEmpty) {
    activeKey_ = capturedKey_;
    // A new key starts afresh: a press made while choosing it is no toggle.
    poller_.reset();
    if (boxEmpty) {
        KillTimer(main_, id::kBossKeyTimer);
    } else {
        SetTimer(main_, id::kBossKeyTimer, kPollMs, nullptr);
    }
}

void BossKey::openDialog() {
    BossKeyDialog dialog(*this);
    dialog.open(main_);
}

void BossKey::onTick() {
    if (!poller_.onTick(GetAsyncKeyState(activeKey_))) return;
    if (IsWindowVisible(main_)) {
        ShowWindow(main_, SW_HIDE);
        fleet_.sendToEach(fleet_.listed(), Command::of(Command::Kind::Hide));
    } else {
        // Showing rescans first when the instance page is current, so the
        // browsers listed now are the ones told to come back.
        ShowWindow(main_, SW_SHOW);
        fleet_.sendToEach(fleet_.listed(), Command::of(Command::Kind::Show));
    }
}

}  // namespace vuv::win
