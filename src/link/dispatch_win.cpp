#include "link/dispatch_win.h"

#include "app/app_win.h"
#include "bookmarks/bookmark_page_win.h"
#include "common/texts.h"
#include "extras/records_page_win.h"
#include "link/channel_win.h"
#include "link/instance_page_win.h"
#include "link/notification.h"
#include "link/window_source_win.h"
#include "rules/rules_page_win.h"

namespace vuv::win {

void dispatchNotification() {
    // Our own copy first: a reaction may send to the waiting browser, which
    // may send another notification that replaces the last payload.
    const std::string payload = lastPayload(text::kMsgNotify);
    const Reaction reaction = decideNotification(payload);
    App& state = app();
    const HWND sender = toHwnd(reaction.window);
    switch (reaction.kind) {
        case Reaction::Kind::None: break;
        case Reaction::Kind::Refresh: sendBasic(sender, text::kKeyToolbar, text::kToolbarRefresh); break;
        case Reaction::Kind::Stop: sendBasic(sender, text::kKeyToolbar, text::kToolbarStop); break;
        case Reaction::Kind::Close:
            if (state.instances == nullptr) break;
            state.instances->scanInstances();
            if (HWND frame = state.instances->frameWindowOfCommandWindow(sender)) closeInstance(frame);
            break;
        case Reaction::Kind::NextBookmark:
            if (state.bookmarks != nullptr) state.bookmarks->openNextBookmark(sender);
            break;
        case Reaction::Kind::Rules:
            if (state.rules != nullptr) state.rules->applyNotificationRules(sender, reaction.content);
            break;
        case Reaction::Kind::LinkRecord:
            if (state.records != nullptr) state.records->appendLinkRecord(reaction.content);
            break;
        case Reaction::Kind::PageRecord:
            if (state.records != nullptr) state.records->appendPageRecord(reaction.content);
            break;
    }
}

}  // namespace vuv::win
