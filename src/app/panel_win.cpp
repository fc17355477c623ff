#include "app/panel_win.h"

#include "bookmarks/shared_queue_dialog_win.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/ansi_caption_win.h"
#include "link/window_source_win.h"

#include <utility>

namespace vuv::win {

bool Panel::build(HINSTANCE instance) {
    if (!window_.create(instance)) return false;
    const HWND main = window_.hwnd();
    log_ = std::make_unique<LogPage>(main);
    settings_ = std::make_unique<PanelSettings>(main, *log_);
    fleet_ = std::make_unique<Fleet>(*log_);
    instances_ = std::make_unique<InstancePage>(main, *fleet_);
    launch_ = std::make_unique<LaunchPage>(main, settings_->settings(), *log_,
                                           [this] { settings_->chooseDesignatedBrowser(); });
    scheduler_ = std::make_unique<LaunchScheduler>(*launch_, settings_->settings(), *log_);
    fleet_->setClosedHandler([this](std::uint32_t id) { scheduler_->closedByPanel(id); });
    bookmarks_ = std::make_unique<BookmarkPage>(main, *log_, [this](std::uint32_t processId) {
        const CopyFacts* facts = fleet_->facts(processId);
        return facts != nullptr && facts->state == CopyState::Exited;
    });
    LaunchListTarget& launchList = *this;
    importer_ = std::make_unique<Importer>(main, launchList, *bookmarks_);
    rules_ = std::make_unique<RulesPage>(main);
    records_ = std::make_unique<RecordsPage>(main, *log_);
    workspace_ = std::make_unique<WorkspaceFiles>(main, settings_->settings(), *launch_, *bookmarks_, *rules_, *records_,
                                                 *log_);
    bossKey_ = std::make_unique<BossKey>(main, *fleet_);
    webPages_ = std::make_unique<WebPageButtons>();
    cluster_ = std::make_unique<ClusterPage>(main, [this](std::size_t& listed, CopyCounts& counts) {
        listed = fleet_->rows().size();
        for (const InstanceRow& row : fleet_->rows()) {
            const CopyFacts* facts = fleet_->facts(row.processId);
            const CopyState state = facts != nullptr ? facts->state : CopyState::Running;
            if (state == CopyState::Running) ++counts.running;
            if (state == CopyState::Hung) ++counts.unresponsive;
            if (state == CopyState::Exited) ++counts.exited;
        }
    });
    cluster_->setDialogHandler([this] {
        if (openSharedQueueSettings(window_.hwnd(), queueSettings_)) applySharedQueueSettings();
    });
    // Each part claims the commands, notifications, timers and messages it
    // answers; a number claimed twice is a mistake in the program, and the
    // panel does not start with it.
    Routes& routes = window_.routes();
    settings_->registerIds(routes);
    instances_->registerIds(routes);
    launch_->registerIds(routes);
    scheduler_->registerIds(routes);
    bookmarks_->registerIds(routes);
    importer_->registerIds(routes);
    rules_->registerIds(routes);
    records_->registerIds(routes);
    bossKey_->registerIds(routes);
    webPages_->registerIds(routes);
    log_->registerIds(routes);
    workspace_->registerIds(routes);
    api_ = std::make_unique<ApiBridge>(ApiParts{main, *settings_, *fleet_, *instances_, *launch_, *scheduler_,
                                                *bookmarks_, *rules_, *records_, *workspace_, *log_,
                                                [this]() -> Handover& { return handover(); },
                                                [this]() -> std::optional<ClusterSnapshot> {
                                                    if (!sharedQueue_) return std::nullopt;
                                                    return sharedQueue_->snapshot();
                                                }});
    api_->registerIds(routes);
    cluster_->registerIds(routes);
    if (!routes.check()) return false;
    window_.setPageShownHandler([this](int page) { instances_->onPageShown(page); });
    window_.setFirstActivationHandler([this] { settings_->checkBrowserPath(); });
    window_.setExitHandler([this] { exit(); });
    window_.setAfterInputHandler([this](int command, int) {
        // The record boxes report every text a notification appends; the
        // automatic workspace does not keep the records.
        if (command != id::kLinkRecord && command != id::kPageRecord) workspace_->markChanged();
    });
    settings_->setOptionHandler([this](int command) { optionSwitched(command); });
    fleet_->setEndedCheckHandler([this] {
        // Whatever the option, no handle stays open on a copy that ended.
        bookmarks_->pollHolders();
        if (settings_->settings().autoReturnBookmarks) returnBookmarksOfExitedCopies();
    });
    log_->setRecordHandler([this](const EventRow& row) { api_->recorded(row); });
    keyboard_ = std::make_unique<FilterScope>(window_);
    return true;
}

void Panel::start() {
    const HWND main = window_.hwnd();
    // 1. The caption browsers look for.
    SetWindowTextW(main, widen(text::kMainCaption).c_str());
    // 2. The paths, before anything can use them.
    settings_->load();
    // 3. The automatic workspace, before the first scan can hand anything out.
    workspace_->openAutoSaved();
    // 3b. The shared queue, when it is on: it connects on its own thread,
    //     and copies that ask meanwhile get "used up".
    queueSettings_ = loadSharedQueueSettings();
    if (queueSettings_.on) applySharedQueueSettings();
    // 4. Shown: the instance page is current, so the browsers are scanned;
    //    the activation posts the first-activation check, which runs with
    //    the messages already queued, before the receiver opens.
    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);
    pumpPending();
    // 5. The receiver: browsers are heard from now on. Where the system's
    //    code page is not 936, browsers on the ANSI functions look for the
    //    caption as those functions spell it: a hidden window carries it.
    subclassWindow(main);
    registerReceiver(text::kMsgNotify, this);
    if (ansiNamesDiffer()) ansiCaption_ = createAnsiCaptionWindow(text::kMainCaption);
    // 6. The automation interface, when it is switched on.
    api_->startIfEnabled();
    started_ = true;
    if (refusalUntold_) {
        if (!handover().queue()->post([this] { if (refusalUntold_) tellSharedQueueRefused(); })) tellSharedQueueRefused();
    }
}

Handover& Panel::handover() {
    if (!handover_) handover_ = std::make_unique<Handover>();
    return *handover_;
}

int Panel::run() {
    runMessageLoop();
    exit();
}

void Panel::exit() {
    // The shared queue's thread leaves the group's roll-call first.
    if (sharedQueue_) sharedQueue_->stop();
    workspace_->saveNowIfChanged();
    settings_->save();
    ExitProcess(0);
}

void Panel::onTransfer(std::string_view name, const ReceivedTransfer& transfer) {
    if (name != text::kMsgNotify) return;
    // The transfer is this call's own copy: a reaction may send to the
    // waiting browser, which may send another notification meanwhile.
    const NameVariant outer = answering_;
    const std::uint32_t outerProcess = answeringProcess_;
    answering_ = transfer.variant;
    answeringProcess_ = transfer.senderProcessId;
    const Reaction reaction = decideNotification(transfer.payload);
    // Each is the sender's, by the process id its wParam names.
    std::string_view kind = text::kEventNotification;
    if (reaction.kind == Reaction::Kind::LinkRecord) kind = text::kEventLinkCode;
    if (reaction.kind == Reaction::Kind::PageRecord) kind = text::kEventPageSource;
    log_->record(transfer.senderProcessId, kind, transfer.payload);
    fleet_->heardFrom(transfer.senderProcessId);
    carryOut(reaction, *this);
    answering_ = outer;
    answeringProcess_ = outerProcess;
}

void Panel::send(std::uint32_t commandWindow, const Command& command) {
    // To the window the notification named, under the variant it came with.
    fleet_->answer(toHwnd(commandWindow), answering_, command);
}

void Panel::appendRecord(Record record, std::string_view text) {
    if (sharedQueue_ && sharedQueue_->running()) {
        sharedQueue_->record(record == Record::Link ? "link" : "page", answeringProcess_, std::string(text));
    }
    if (record == Record::Link) {
        records_->appendLinkRecord(text);
    } else {
        records_->appendPageRecord(text);
    }
}

void Panel::handOutBookmark(std::uint32_t commandWindow) {
    const BookmarkTable::Handout handout = bookmarks_->takeNextBookmark(toHwnd(commandWindow));
    const std::uint32_t asker = answeringProcess_;
    switch (handout.kind) {
        case BookmarkTable::Handout::Kind::Open:
            fleet_->answer(toHwnd(commandWindow), answering_, Command::of(Command::Kind::OpenLink, handout.address));
            log_->record(asker, text::kEventBookmark, handout.address);
            fleet_->handedBookmark(fleet_->processOfCommandWindow(toHwnd(commandWindow)), handout.address);
            break;
        case BookmarkTable::Handout::Kind::Exhausted: log_->record(asker, text::kEventNoBookmark, {}); return;
        case BookmarkTable::Handout::Kind::Reset: break;
    }
    // Only what a notification changes in the workspace marks it: bookmark
    // states here, rule counts below (records are not kept automatically).
    workspace_->markChanged();
}

void Panel::applyRules(std::uint32_t commandWindow, std::string_view content) {
    const RuleDecision decision = rules_->decide(content);
    if (decision.kind != RuleDecision::Kind::None) {
        const Rule& rule = rules_->table().at(decision.row);
        std::string ran = rule.condition;
        ran += " -> ";
        ran += rule.action;
        if (!rule.link.empty()) ran += " " + rule.link;
        log_->record(answeringProcess_, text::kEventRule, ran);
        rules_->recordHit(decision.row);
        workspace_->markChanged();
    }
    carryOutRule(decision, commandWindow, *this);
}

void Panel::returnBookmarksOfExitedCopies() {
    if (bookmarks_->returnExited() != 0) workspace_->markChanged();
}

void Panel::optionSwitched(int command) {
    switch (command) {
        case id::kAutoSaveWorkspace:
            // Refused (the operator cancelled, or an earlier file could be
            // neither opened nor set aside): the option goes back off.
            if (!workspace_->autoSaveSwitched()) settings_->setOption(id::kAutoSaveWorkspace, false);
            break;
        case id::kAutoReturnBookmarks:
            // Copies already gone give theirs back at once.
            if (settings_->settings().autoReturnBookmarks) returnBookmarksOfExitedCopies();
            break;
        default: break;
    }
}

void Panel::applySharedQueueSettings() {
    if (sharedQueue_) sharedQueue_->stop();
    bookmarks_->useSharedQueue(nullptr);
    if (!queueSettings_.on) {
        cluster_->show(nullptr);
        return;
    }
    if (!sharedQueue_) sharedQueue_ = std::make_unique<SharedQueue>(handover().queue());
    sharedQueue_->start(queueSettings_, [this] { sharedQueueChanged(); });
    bookmarks_->useSharedQueue(sharedQueue_.get());
    cluster_->show(sharedQueue_.get());
    log_->record(0, text::kEventCluster, narrow(ClusterPage::connectionText(sharedQueue_->snapshot())));
}

void Panel::sharedQueueChanged() {
    if (!sharedQueue_ || !sharedQueue_->running()) return;
    const ClusterSnapshot snapshot = sharedQueue_->snapshot();
    log_->record(0, text::kEventCluster, narrow(ClusterPage::connectionText(snapshot)));
    cluster_->refresh();
    if (snapshot.connection == QueueConnection::Refused && bookmarks_->usesSharedQueue()) {
        // Leases belong to member names: a second live panel under the same
        // name would take the first one's entries. This one stays local.
        bookmarks_->useSharedQueue(nullptr);
        // Told once the start-up is over: a box during it would keep the
        // browsers' channel closed until it is answered.
        if (started_) {
            tellSharedQueueRefused();
        } else {
            refusalUntold_ = true;
        }
    }
}

void Panel::tellSharedQueueRefused() {
    refusalUntold_ = false;
    messageBox((L"成员名“" + widen(sharedQueue_->member()) +
                L"”已被另一个运行中的面板使用，本面板不接入共享队列，继续使用本地书签。")
                   .c_str(),
               L"共享队列", MB_OK);
}

void Panel::scan() { fleet_->scan(); }

void Panel::closeBrowserOf(std::uint32_t commandWindow) {
    // Nothing, not even a run-log row, when the records know no frame window for it.
    if (fleet_->frameWindowOfCommandWindow(toHwnd(commandWindow)) == nullptr) return;
    fleet_->send(fleet_->processOfCommandWindow(toHwnd(commandWindow)), Command::of(Command::Kind::Close));
}

void Panel::appendImported(std::vector<ImportedLink> links) {
    std::vector<LaunchEntry> entries;
    entries.reserve(links.size());
    for (ImportedLink& link : links) {
        entries.push_back(LaunchEntry{std::move(link.name), std::move(link.address), std::move(link.config)});
    }
    launch_->appendEntries(std::move(entries));
}

bool Panel::launchPageIsCurrent() const { return window_.currentPage() == id::kLaunchPage; }

int runPanel(HINSTANCE instance) {
    static Panel panel;  // lives until the process ends
    if (!panel.build(instance)) return 1;
    panel.start();
    return panel.run();
}

}  // namespace vuv::win
