// The page 集群: the shared queue's connection, the queue's figures (entries
// in the stream, not yet delivered, pending, dead) and every live panel of
// the group with its copies by state, entries held and finished. Refreshed
// every 2 s from the queue's snapshot, which the worker thread keeps: the
// page never waits on the server.
#pragma once

#include "bookmarks/shared_queue_win.h"
#include "common/listview_win.h"
#include "common/routes_win.h"
#include "common/ui_win.h"

#include <functional>
#include <string>
#include <vector>

namespace vuv::win {

class ClusterPage final {
public:
    // copies tells the roll-call this panel's copies by state (and how many
    // are listed), at every refresh.
    ClusterPage(HWND main, std::function<void(std::size_t& listed, CopyCounts& counts)> copies);

    // "工具 › 共享队列…", the list's notifications and the refresh timer.
    void registerIds(Routes& routes);
    // What "工具 › 共享队列…" does (the panel opens the dialog and restarts the queue).
    void setDialogHandler(std::function<void()> handler) { openDialog_ = std::move(handler); }

    // The controls of the tab 集群, in tab order.
    [[nodiscard]] static const std::vector<ControlRow>& controls();

    // The queue shown (nullptr: off); the timer runs while there is one.
    void show(SharedQueue* queue);
    // Copies the queue's snapshot into the page now.
    void refresh();

    // "已连接", "连接中…", "已断开: reason", "已拒绝: reason" or "未启用" (wide).
    [[nodiscard]] static std::wstring connectionText(const ClusterSnapshot& snapshot);

    static constexpr unsigned kRefreshMs = 2000;

private:
    HWND main_;
    SharedQueue* queue_ = nullptr;
    std::function<void(std::size_t&, CopyCounts&)> copies_;
    std::function<void()> openDialog_;
    VirtualListView view_;
    ClusterSnapshot shown_;
    std::string cell_;
    std::wstring stateText_, figuresText_;  // as last shown
};

}  // namespace vuv::win
