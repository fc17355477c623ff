#include "bookmarks/cluster_page_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"

#include <string>

namespace vuv::win {

namespace {

enum ClusterColumn : int { kMember, kRunning, kHung, kExited, kHeld, kDone, kTime };

std::wstring figure(long long n) { return n < 0 ? std::wstring(L"?") : std::to_wstring(n); }

}  // namespace

const std::vector<ControlRow>& ClusterPage::controls() {
    // Positions relative to the tab control's top-left corner, in tab order.
    static const std::vector<ControlRow> rows{
        {id::kClusterState, Kind::Label, L"共享队列：未启用", 0, 8, 30, 562, 18},
        {id::kClusterQueue, Kind::Label, L"", 0, 8, 52, 562, 18},
        {id::kClusterList, Kind::ListView, L"", 0, 8, 76, 562, 278, Anchor::Grow},
    };
    return rows;
}

ClusterPage::ClusterPage(HWND main, std::function<void(std::size_t&, CopyCounts&)> copies)
    : main_(main), copies_(std::move(copies)) {
    view_.attach(GetDlgItem(main, id::kClusterList),
                 {{L"成员", 120}, {L"运行中", 60}, {L"无响应", 60}, {L"已退出", 60}, {L"持有", 60}, {L"已完成", 70},
                  {L"更新时间", 120}},
                 [this](std::size_t row, int column) -> std::string_view {
                     if (row >= shown_.panels.size()) return {};
                     const PanelFigures& p = shown_.panels[row];
                     switch (column) {
                         case kMember: return p.member;
                         case kRunning: cell_ = std::to_string(p.running); return cell_;
                         case kHung: cell_ = std::to_string(p.unresponsive); return cell_;
                         case kExited: cell_ = std::to_string(p.exited); return cell_;
                         case kHeld: cell_ = std::to_string(p.held); return cell_;
                         case kDone: cell_ = std::to_string(p.acked); return cell_;
                         case kTime: return p.time;
                         default: return {};
                     }
                 });
    refresh();
}

std::wstring ClusterPage::connectionText(const ClusterSnapshot& s) {
    switch (s.connection) {
        case QueueConnection::Off: return L"未启用";
        case QueueConnection::Connecting: return L"连接中…";
        case QueueConnection::Connected: return L"已连接";
        case QueueConnection::Disconnected: return L"已断开: " + widen(s.reason);
        case QueueConnection::Refused: return L"已拒绝: " + widen(s.reason);
    }
    return {};
}

void ClusterPage::show(SharedQueue* queue) {
    queue_ = queue;
    if (queue_ != nullptr) {
        SetTimer(main_, id::kClusterTimer, kRefreshMs, nullptr);
    } else {
        KillTimer(main_, id::kClusterTimer);
    }
    refresh();
}

void ClusterPage::refresh() {
    LARGE_INTEGER frequency{}, begin{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    if (queue_ != nullptr && copies_) {
        std::size_t listed = 0;
        CopyCounts counts;
        copies_(listed, counts);
        queue_->setCopies(listed, counts);
    }
    const std::size_t rowsBefore = shown_.panels.size();
    shown_ = queue_ != nullptr ? queue_->snapshot() : ClusterSnapshot{};
    // Texts are set only when they change: each setting repaints.
    const auto show = [this](int control, const std::wstring& text, std::wstring& last) {
        if (text == last) return;
        last = text;
        SetWindowTextW(GetDlgItem(main_, control), text.c_str());
    };
    show(id::kClusterState, L"共享队列：" + connectionText(shown_), stateText_);
    const QueueFigures& q = shown_.queue;
    const std::wstring figures = L"队列中 " + figure(q.length) + L"　未投递 " + figure(q.undelivered) + L"　待确认 " +
                                 figure(q.pending) + L"　死信 " + figure(q.dead) + L"　本机缓冲 " +
                                 std::to_wstring(shown_.buffered) + L"　用尽 " + std::to_wstring(shown_.usedUp);
    show(id::kClusterQueue, figures, figuresText_);
    if (shown_.panels.size() != rowsBefore) {
        view_.setRowCount(shown_.panels.size());
    } else if (IsWindowVisible(view_.hwnd())) {
        InvalidateRect(view_.hwnd(), nullptr, FALSE);  // the rows are asked for again when painted
    }
    QueryPerformanceCounter(&end);
    if (queue_ != nullptr && frequency.QuadPart > 0) {
        queue_->noteInterfaceTick(static_cast<std::uint64_t>((end.QuadPart - begin.QuadPart) * 1000000 / frequency.QuadPart));
    }
}

void ClusterPage::registerIds(Routes& routes) {
    constexpr char kOwner[] = "cluster page";
    routes.commands.claim(id::kSharedQueue, kOwner, [this](int) {
        if (openDialog_) openDialog_();
    });
    routes.notifications.claim(id::kClusterList, kOwner, [this](const NMHDR& header) -> LRESULT {
        view_.onNotify(header);
        return 0;
    });
    routes.timers.claim(id::kClusterTimer, kOwner, [this] { refresh(); });
}

}  // namespace vuv::win
