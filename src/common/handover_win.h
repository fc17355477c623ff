// The interface thread's end of the work queue: a hidden message-only window
// that drains the queue whenever the queue wakes it. The wake is a posted
// message, so whichever message loop runs on the interface thread handles it:
// the main loop, a modal dialog's, a message box's or the pause of a launch
// walk. Tasks handed over therefore run on the interface thread between
// messages, like the handler of a control, and may use the panel's state and
// controls, which no other thread touches.
//
// Make it on the interface thread (it becomes the queue's owner), before the
// threads that use it start. Other threads keep the shared queue: after the
// hand-over is destroyed it refuses their work (Closed) instead of dangling.
#pragma once

#include "common/window_win.h"
#include "common/work_queue.h"

#include <windows.h>

#include <cstddef>
#include <memory>

namespace vuv::win {

class Handover final : public Window {
public:
    // Tasks waiting at most; more are refused.
    static constexpr std::size_t kCapacity = 256;
    // Tasks run per wake message: a long queue is taken in turns with the
    // other messages, so the interface stays responsive.
    static constexpr std::size_t kBatch = 16;

    Handover();
    ~Handover() override;

    // False when the window could not be made; the queue then refuses all.
    [[nodiscard]] bool ready() const noexcept { return hwnd_ != nullptr; }
    [[nodiscard]] const std::shared_ptr<WorkQueue>& queue() const noexcept { return queue_; }

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    [[nodiscard]] std::wstring traceName() const override { return L"hand-over window"; }
    void onDestroyed() override;

    std::shared_ptr<WorkQueue> queue_;
};

}  // namespace vuv::win
