#include "common/handover_win.h"

namespace vuv::win {

namespace {

constexpr wchar_t kClassName[] = L"VuvHandover";
// Private to the window's class: only the queue's wake posts it.
constexpr UINT kWakeMessage = WM_APP + 1;

}  // namespace

Handover::Handover() {
    if (registerClass(kClassName)) {
        createWindow(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
    }
    // The wake keeps its own copy of the handle: workers never read hwnd_.
    // It is never called after close(), which comes before the window goes.
    const HWND target = hwnd_;
    queue_ = std::make_shared<WorkQueue>(kCapacity, [target] {
        return target != nullptr && PostMessageW(target, kWakeMessage, 0, 0) != FALSE;
    });
    if (target == nullptr) queue_->close();
}

Handover::~Handover() {
    queue_->close();
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

LRESULT Handover::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kWakeMessage) {
        // A task's exception stops the batch at the window's barrier; the
        // tasks behind it keep their wake.
        queue_->drain(kBatch);
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Handover::onDestroyed() {
    // Without the window nothing would drain: refuse rather than strand work.
    if (queue_) queue_->close();
}

}  // namespace vuv::win
