#include "app/api_bridge_win.h"

#include "app/settings_win.h"
#include "app/workspace.h"
#include "app/workspace_files_win.h"
#include "bookmarks/bookmark_page_win.h"
#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/files_win.h"
#include "common/gbk.h"
#include "common/handover_win.h"
#include "common/modal_win.h"
#include "common/owned_win.h"
#include "common/settings_file_win.h"
#include "common/tell_operator_win.h"
#include "common/texts.h"
#include "common/ui_win.h"
#include "extras/log_page_win.h"
#include "extras/records_page_win.h"
#include "launch/launch_page_win.h"
#include "launch/launch_policy.h"
#include "launch/launch_scheduler_win.h"
#include "link/fleet_win.h"
#include "link/instance_page_win.h"
#include "link/proxy_list.h"
#include "rules/rules_page_win.h"

#include <bcrypt.h>

#include <boost/json.hpp>

#include <chrono>
#include <cstring>
#include <ctime>
#include <unordered_set>

#ifndef VUV_PROJECT_VERSION
#define VUV_PROJECT_VERSION "0"
#endif

namespace vuv::win {

namespace json = boost::json;
using api::Answer;
using api::Call;
using api::Route;

namespace {

// A call is taken within 5 s or answered 503; once taken it may run long
// (a command to many copies that do not answer waits for each in turn).
constexpr std::chrono::milliseconds kTakeLimit{5000};
constexpr std::chrono::milliseconds kFinishLimit{120000};

std::int64_t nowSeconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

json::value timeOrNull(const api::LocalDay& day, std::int32_t secondsOfDay) {
    if (secondsOfDay < 0) return nullptr;
    return json::string(day.at(secondsOfDay));
}

json::value textOrNull(const std::string& text) {
    if (text.empty()) return nullptr;
    return json::string(text);
}

std::string_view stateWord(CopyState state) {
    switch (state) {
        case CopyState::Running: return "running";
        case CopyState::Hung: return "hung";
        case CopyState::Exited: return "exited";
    }
    return "running";
}

std::string_view outcomeWord(Delivery delivery) {
    switch (delivery) {
        case Delivery::Acknowledged: return "acknowledged";
        case Delivery::Refused: return "refused";
        case Delivery::TimedOut: return "timeout";
        case Delivery::Posted: return "posted";
        case Delivery::NoSuchCopy: return "gone";
    }
    return "refused";
}

std::string param(const Call& call, std::string_view name) {
    const json::value* v = call.params.if_contains(name);
    return v != nullptr && v->is_string() ? std::string(v->get_string()) : std::string();
}

std::int64_t number(const Call& call, std::string_view name, std::int64_t otherwise) {
    const json::value* v = call.params.if_contains(name);
    return v != nullptr && v->is_int64() ? v->get_int64() : otherwise;
}

std::optional<bool> flag(const Call& call, std::string_view name) {
    const json::value* v = call.params.if_contains(name);
    if (v == nullptr || !v->is_bool()) return std::nullopt;
    return v->get_bool();
}

Answer ok(json::object body, unsigned status = 200) { return Answer{status, std::move(body)}; }

Answer unprocessable(std::string_view field, std::string_view what) {
    return api::errorAnswer(422, "invalid_field", "field \"" + std::string(field) + "\" " + std::string(what));
}

// The record's bytes from `after`, at most limit of them, never splitting a
// double-byte character (the end moves back before one cut in two).
json::object recordSlice(const std::string& record, std::int64_t after, std::int64_t limit) {
    const std::size_t size = record.size();
    std::size_t from = after < 0 ? 0 : static_cast<std::size_t>(after);
    if (from > size) from = size;
    std::size_t end = from;
    const std::size_t wanted = limit <= 0 ? size : from + static_cast<std::size_t>(limit);
    while (end < size) {
        const std::size_t len = gbk::charLength(record, end);
        if (end + len > wanted) break;
        end += len;
    }
    if (end == from && end < size && wanted > from) end += gbk::charLength(record, end);  // a lone character
    json::object o;
    o["text"] = record.substr(from, end - from);
    o["next"] = end;
    o["size"] = size;
    return o;
}

using namespace id::dialog;

// 工具 › 自动化接口…: switched on or off, where it listens, the token.
class ApiDialog final : public ModalWindow {
public:
    explicit ApiDialog(ApiSettings settings) : settings_(std::move(settings)) {}

    std::optional<ApiSettings> open(HWND owner) {
        const int result =
            run(owner, L"自动化接口", 420, 290,
                {
                    {kApiEnabled, Kind::CheckBox, L"启用", 0, 10, 10, 120, 20},
                    {kApiAddressLabel, Kind::Label, L"地址：", 0, 10, 44, 60, 20},
                    {kApiAddress, Kind::Edit, L"", ES_AUTOHSCROLL, 74, 40, 160, 22},
                    {kApiPortLabel, Kind::Label, L"端口：", 0, 10, 76, 60, 20},
                    {kApiPort, Kind::Edit, L"", ES_NUMBER, 74, 72, 80, 22},
                    {kApiTokenLabel, Kind::Label, L"令牌：", 0, 10, 108, 60, 20},
                    {kApiToken, Kind::Edit, L"", ES_READONLY | ES_AUTOHSCROLL, 74, 104, 320, 22},
                    {kApiCopy, Kind::Button, L"复制", 0, 74, 134, 74, 24},
                    {kApiRenew, Kind::Button, L"重新生成", 0, 154, 134, 90, 24},
                    {kApiNote, Kind::Label,
                     L"脚本访问 http://地址:端口/v1/…，请求头带 Authorization: Bearer 令牌。", 0, 10, 168, 390,
                     36},
                    {IDOK, Kind::Button, L"确定", 0, 240, 216, 74, 24},
                    {IDCANCEL, Kind::Button, L"取消", 0, 320, 216, 74, 24},
                });
        if (result != IDOK) return std::nullopt;
        return settings_;
    }

protected:
    void onCreate() override {
        SendMessageW(control(kApiEnabled), BM_SETCHECK, settings_.enabled ? BST_CHECKED : BST_UNCHECKED, 0);
        setControlText(control(kApiAddress), settings_.address);
        setControlText(control(kApiPort), std::to_string(settings_.port));
        setControlText(control(kApiToken), settings_.token);
    }

    bool onCommand(int id, int) override {
        switch (id) {
            case kApiCopy: copyToken(); return true;
            case kApiRenew:
                settings_.token = newApiToken();
                setControlText(control(kApiToken), settings_.token);
                return true;
            case IDOK: confirm(); return true;
            default: return false;
        }
    }

private:
    void confirm() {
        ApiSettings s = settings_;
        s.enabled = SendMessageW(control(kApiEnabled), BM_GETCHECK, 0, 0) == BST_CHECKED;
        s.address = controlText(control(kApiAddress));
        const std::string port = controlText(control(kApiPort));
        s.port = settingNumber(port);
        if (s.address.empty()) s.address = "127.0.0.1";
        if (s.enabled && (s.port <= 0 || s.port > 65535)) {
            messageBox(L"端口应为 1 到 65535 之间的数。", L"自动化接口", MB_OK | MB_ICONWARNING);
            return;
        }
        if (s.enabled && !isLoopbackAddress(s.address)) {
            const std::wstring warning = L"地址 " + widen(s.address) +
                                         L" 不是本机回环地址：同一网络中的其他计算机也能连接接口，"
                                         L"知道令牌的人即可控制面板。\r\n确定要在这个地址上监听吗？";
            if (messageBox(warning.c_str(), L"自动化接口", MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) != IDOK) {
                return;
            }
        }
        settings_ = s;
        close(IDOK);
    }

    void copyToken() {
        const std::wstring token = widen(settings_.token);
        if (token.empty() || !OpenClipboard(hwnd_)) return;
        EmptyClipboard();
        GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, (token.size() + 1) * sizeof(wchar_t)));
        if (memory) {
            if (void* bytes = GlobalLock(memory.get())) {
                std::memcpy(bytes, token.c_str(), (token.size() + 1) * sizeof(wchar_t));
                GlobalUnlock(memory.get());
                // The clipboard owns the memory once it took it.
                if (SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr) (void)memory.release();
            }
        }
        CloseClipboard();
    }

    ApiSettings settings_;
};

}  // namespace

void ApiBridge::registerIds(Routes& routes) {
    routes.commands.claim(id::kAutomation, "automation interface", [this](int) { openDialog(); });
}

void ApiBridge::openDialog() {
    ApiDialog dialog(settings_);
    std::optional<ApiSettings> chosen = dialog.open(parts_.main);
    if (!chosen) return;
    if (chosen->enabled) {
        switchOn(std::move(*chosen));
    } else {
        switchOff();
        settings_ = std::move(*chosen);
        settings_.enabled = false;
        storeApiSettings(settings_);
    }
}

ApiSettings loadApiSettings() {
    ApiSettings s;
    s.enabled = readFlagSetting(text::kKeyApiEnabled);
    if (std::optional<std::string> address = storedSetting(text::kKeyApiAddress); address && !address->empty()) {
        s.address = *address;
    }
    if (std::optional<std::string> port = storedSetting(text::kKeyApiPort); port && !port->empty()) {
        s.port = settingNumber(*port);
    }
    s.token = readSetting(text::kKeyApiToken);
    return s;
}

void storeApiSettings(const ApiSettings& s) {
    writeFlagSetting(text::kKeyApiEnabled, s.enabled);
    writeSetting(text::kKeyApiAddress, s.address);
    writeSetting(text::kKeyApiPort, std::to_string(s.port));
    writeSetting(text::kKeyApiToken, s.token);
}

std::string newApiToken() {
    unsigned char bytes[32];
    if (BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    token.reserve(64);
    for (const unsigned char b : bytes) {
        token += kHex[b >> 4];
        token += kHex[b & 15];
    }
    return token;
}

bool isLoopbackAddress(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "::1" || address == "0:0:0:0:0:0:0:1";
}

ApiBridge::ApiBridge(ApiParts parts) : parts_(std::move(parts)) {}

ApiBridge::~ApiBridge() {
    if (server_) server_->stop();
}

bool ApiBridge::running() const noexcept { return server_ && server_->running(); }

void ApiBridge::startIfEnabled() {
    ApiSettings stored = loadApiSettings();
    if (stored.enabled) {
        switchOn(std::move(stored));
    } else {
        settings_ = std::move(stored);
    }
}

bool ApiBridge::switchOn(ApiSettings settings) {
    switchOff();
    if (settings.token.empty()) settings.token = newApiToken();
    settings.enabled = true;
    settings_ = settings;
    // The hand-over is made here, on the interface thread, before the
    // server's thread can use it.
    parts_.handover();
    server_ = std::make_unique<api::Server>(*this, events_, codec_, VUV_PROJECT_VERSION);
    const bool portValid = settings.port > 0 && settings.port <= 65535;
    std::string problem = portValid ? server_->start(api::Listening{settings.address,
                                                                    static_cast<std::uint16_t>(settings.port),
                                                                    settings.token})
                                    : std::string("the port must be from 1 to 65535");
    if (problem.empty() && settings.token.empty()) problem = "no token could be made";
    if (!problem.empty()) {
        server_.reset();
        settings_.enabled = false;
        storeApiSettings(settings_);
        // Never another port: the operator chooses one.
        const std::wstring where = widen(settings.address) + L":" + std::to_wstring(settings.port);
        tellOperator(parts_.log, L"自动化接口无法在 " + where + L" 上启动，接口保持关闭", widen(problem));
        return false;
    }
    storeApiSettings(settings_);
    return true;
}

void ApiBridge::switchOff() {
    if (server_) {
        server_->stop();
        server_.reset();
    }
    settings_.enabled = false;
}

void ApiBridge::recorded(const EventRow& row) {
    // Rows are kept for the stream only while it can be read.
    if (!server_) return;
    events_.append(today().at(row.seconds), row.pid, row.kind, row.content);
}

const api::LocalDay& ApiBridge::today() {
    const std::int64_t now = nowSeconds();
    if (!today_ || today_->moment() != now) today_ = std::make_unique<api::LocalDay>(now);
    return *today_;
}

api::Answer ApiBridge::carryOut(const Call& call) {
    // Handed to the interface thread; the call is copied, so a call that
    // outlives its wait still has what it needs.
    const std::shared_ptr<WorkQueue>& queue = parts_.handover().queue();
    CallResult<Answer> result =
        queue->call([this, call] { return runUnattended(call); }, kTakeLimit, kFinishLimit);
    switch (result.outcome) {
        case CallOutcome::Done: return std::move(*result.value);
        case CallOutcome::Unfinished:
            return api::errorAnswer(503, "unfinished", "the panel took the call but did not finish it in time");
        default: return api::errorAnswer(503, "busy", "the panel did not take the call within 5 s");
    }
}

namespace {

json::object copyJson(const CopySummary& c, const api::LocalDay& day) {
    json::object o;
    o["pid"] = c.processId;
    o["title"] = c.title;
    o["state"] = stateWord(c.state);
    o["last_notice"] = timeOrNull(day, c.lastHeard);
    o["notices"] = c.heard;
    o["bookmark"] = textOrNull(c.bookmark);
    o["proxy"] = textOrNull(c.proxy);
    return o;
}

json::object copiesJson(const Fleet& fleet, std::string_view state, const api::LocalDay& day) {
    json::array list;
    for (const CopySummary& c : fleet.copies()) {
        if (!state.empty() && stateWord(c.state) != state) continue;
        list.push_back(copyJson(c, day));
    }
    return {{"copies", std::move(list)}};
}

json::object walkJson(const LaunchScheduler::WalkFigures& w, bool posted) {
    return {{"walking", w.walking || posted},
            {"started", w.started},
            {"failed", w.failed},
            {"remaining", w.remaining}};
}

Command commandOf(std::string_view word, const Call& call) {
    if (word == "flash") return Command::of(Command::Kind::Flash);
    if (word == "config") return Command::of(Command::Kind::ReadConfig, param(call, "path"));
    if (word == "refresh") return Command::of(Command::Kind::Refresh);
    if (word == "stop") return Command::of(Command::Kind::Stop);
    if (word == "hide") return Command::of(Command::Kind::Hide);
    if (word == "show") return Command::of(Command::Kind::Show);
    if (word == "retitle") return Command::of(Command::Kind::PageTitle);
    if (word == "rename") return renameCommand(param(call, "name"));
    if (word == "open") return Command::of(Command::Kind::OpenLink, param(call, "url"));
    return Command::of(Command::Kind::Close);
}

}  // namespace

api::Answer ApiBridge::runUnattended(const Call& call) {
    const UnattendedBoxes unattended;
    Answer answer = run(call);
    if (!unattended.texts().empty() && answer.body.is_object()) {
        json::array told;
        for (const std::wstring& t : unattended.texts()) told.emplace_back(narrow(t));
        answer.body.as_object()["told"] = std::move(told);
    }
    return answer;
}

api::Answer ApiBridge::run(const Call& call) {
    Fleet& fleet = parts_.fleet;
    switch (call.route) {
        case Route::Health: {
            json::object copies{{"running", 0}, {"hung", 0}, {"exited", 0}};
            for (const CopySummary& c : fleet.copies()) {
                json::value& n = copies[stateWord(c.state)];
                n = n.as_int64() + 1;
            }
            const BookmarkTable& table = parts_.bookmarks.table();
            std::size_t opened = 0;
            for (std::size_t row = 0; row < table.size(); ++row) opened += table.opened(row) ? 1 : 0;
            json::object body;
            body["version"] = VUV_PROJECT_VERSION;
            body["copies"] = std::move(copies);
            body["bookmarks"] = {{"unused", table.size() - opened}, {"opened", opened}};
            body["walking"] = parts_.scheduler.walkFigures().walking || walkPosted_;
            body["last_event"] = events_.lastId();
            return ok(std::move(body));
        }
        case Route::Copies: return ok(copiesJson(fleet, param(call, "state"), today()));
        case Route::Scan:
            fleet.scan();
            return ok(copiesJson(fleet, {}, today()));
        case Route::Commands: {
            std::vector<std::uint32_t> targets;
            const json::object& target = call.params.at("target").as_object();
            if (const json::value* pids = target.if_contains("pids")) {
                for (const json::value& pid : pids->as_array()) targets.push_back(static_cast<std::uint32_t>(pid.as_int64()));
            } else if (const json::value* state = target.if_contains("state")) {
                for (const CopySummary& c : fleet.copies()) {
                    if (stateWord(c.state) == std::string_view(state->as_string())) targets.push_back(c.processId);
                }
            } else {
                targets = fleet.listed();
            }
            const std::string word = param(call, "command");
            std::vector<Command> commands;
            if (word == "proxy") {
                // One proxy for all, or a list given in turn as "按列表设置代理IP" gives it.
                std::vector<ProxyAddress> proxies;
                if (call.params.contains("proxy")) {
                    std::optional<ProxyAddress> one = parseProxyInput(param(call, "proxy"));
                    if (!one) return unprocessable("proxy", "must be ip:port");
                    proxies.push_back(*one);
                } else {
                    const json::array& list = call.params.at("proxies").as_array();
                    if (list.empty()) return unprocessable("proxies", "must name at least one proxy");
                    for (std::size_t i = 0; i < list.size(); ++i) {
                        std::optional<ProxyAddress> one = parseProxyInput(std::string(list[i].as_string()));
                        if (!one) return unprocessable("proxies[" + std::to_string(i) + "]", "must be ip:port");
                        proxies.push_back(*one);
                    }
                }
                for (std::size_t i = 0; i < targets.size(); ++i) {
                    commands.push_back(Command::proxyOf(*proxyForRow(i, proxies)));
                }
            } else {
                commands.assign(targets.size(), commandOf(word, call));
            }
            // A copy that is no longer listed, or listed as exited, has no
            // window to refuse anything: a script is told it is gone. The
            // command still goes through the fleet, which logs it as the
            // menu items do.
            std::unordered_set<std::uint32_t> alive;
            for (const CopySummary& c : fleet.copies()) {
                if (c.state != CopyState::Exited) alive.insert(c.processId);
            }
            json::array results;
            for (std::size_t i = 0; i < targets.size(); ++i) {
                Delivery delivery = fleet.send(targets[i], commands[i]);
                if (delivery == Delivery::Refused && alive.count(targets[i]) == 0) delivery = Delivery::NoSuchCopy;
                results.push_back({{"pid", targets[i]}, {"outcome", outcomeWord(delivery)}});
            }
            // As 关闭鹭行: the closed copies' rows go at once.
            if (word == "close") parts_.instances.removeRowsOf(targets);
            return ok({{"results", std::move(results)}});
        }
        case Route::LaunchListGet: {
            json::array rows;
            const LaunchList& list = parts_.launch.list();
            for (std::size_t row = 0; row < list.size(); ++row) {
                const LaunchEntry& e = list.at(row);
                rows.push_back({{"name", e.name}, {"url", e.address}, {"config", e.config}});
            }
            return ok({{"rows", std::move(rows)}});
        }
        case Route::LaunchListAppend: {
            std::vector<LaunchEntry> entries;
            for (const json::value& row : call.params.at("rows").as_array()) {
                const json::object& o = row.as_object();
                entries.push_back(LaunchEntry{std::string(o.at("name").as_string()), std::string(o.at("url").as_string()),
                                              std::string(o.at("config").as_string())});
            }
            const std::size_t added = entries.size();
            parts_.launch.appendEntries(std::move(entries));
            parts_.workspace.markChanged();
            return ok({{"added", added}});
        }
        case Route::LaunchListClear:
            parts_.launch.clear();
            parts_.workspace.markChanged();
            return ok({{"cleared", true}});
        case Route::LaunchStart:
        case Route::Browsers: {
            if (parts_.scheduler.walkFigures().walking || walkPosted_) {
                return api::errorAnswer(409, "walking", "a walk is running");
            }
            std::vector<LaunchList::Id> ids;
            std::size_t count = 0;
            if (call.route == Route::LaunchStart) {
                const LaunchList& list = parts_.launch.list();
                const json::value& rows = call.params.at("rows");
                if (rows.is_string()) {
                    ids = list.ids();
                } else {
                    for (const json::value& index : rows.as_array()) {
                        const auto row = static_cast<std::size_t>(index.as_int64());
                        if (row >= list.size()) {
                            return unprocessable("rows", "names a row beyond the list's " + std::to_string(list.size()));
                        }
                        ids.push_back(list.ids()[row]);
                    }
                }
            } else {
                count = static_cast<std::size_t>(number(call, "count", 0));
            }
            // The walk pumps messages for its pauses: it runs as a task of
            // its own, and this call answers at once.
            const bool browsers = call.route == Route::Browsers;
            walkPosted_ = parts_.handover().queue()->post([this, ids, count, browsers] {
                walkPosted_ = false;
                if (browsers) {
                    parts_.scheduler.startBareBrowsers(count);
                } else {
                    parts_.scheduler.walkQuietly(ids);
                }
            });
            if (!walkPosted_) return api::errorAnswer(503, "busy", "the panel's queue is full");
            json::object figures = walkJson(parts_.scheduler.walkFigures(), true);
            figures["remaining"] = browsers ? count : ids.size();
            figures["started"] = 0;
            figures["failed"] = 0;
            return ok(std::move(figures), 202);
        }
        case Route::LaunchStatus: return ok(walkJson(parts_.scheduler.walkFigures(), walkPosted_));
        case Route::LaunchStop:
            parts_.scheduler.endWalk();
            return ok(walkJson(parts_.scheduler.walkFigures(), walkPosted_));
        case Route::BookmarksGet: {
            const BookmarkTable& table = parts_.bookmarks.table();
            const std::string state = param(call, "state");
            const auto offset = static_cast<std::size_t>(number(call, "offset", 0));
            const auto limit = static_cast<std::size_t>(number(call, "limit", 1000));
            json::array list;
            std::size_t total = 0;
            for (std::size_t row = 0; row < table.size(); ++row) {
                const Bookmark b = table.at(row);
                if (!state.empty() && (state == "opened") != b.opened) continue;
                ++total;
                if (total <= offset || list.size() >= limit) continue;
                list.push_back({{"index", row},
                                {"name", std::string(b.name)},
                                {"url", std::string(b.address)},
                                {"state", b.opened ? "opened" : "unused"},
                                {"pid", b.holder == 0 ? json::value(nullptr) : json::value(b.holder)},
                                {"time", timeOrNull(today(), b.handedAt)}});
            }
            return ok({{"total", total}, {"bookmarks", std::move(list)}});
        }
        case Route::BookmarksAppend: {
            std::vector<std::string> urls;
            for (const json::value& u : call.params.at("urls").as_array()) urls.emplace_back(u.as_string());
            const std::size_t added = urls.size();
            parts_.bookmarks.appendBookmarks(std::move(urls));
            parts_.workspace.markChanged();
            return ok({{"added", added}});
        }
        case Route::BookmarksReturn: {
            std::size_t returned = 0;
            if (call.params.contains("exited")) {
                returned = parts_.bookmarks.returnExited();
            } else {
                std::vector<std::size_t> rows;
                for (const json::value& i : call.params.at("indices").as_array()) {
                    rows.push_back(static_cast<std::size_t>(i.as_int64()));
                }
                returned = parts_.bookmarks.returnRows(rows);
            }
            if (returned != 0) parts_.workspace.markChanged();
            return ok({{"returned", returned}});
        }
        case Route::BookmarksReset:
            parts_.bookmarks.resetBookmarkStates();
            parts_.workspace.markChanged();
            return ok({{"reset", true}});
        case Route::BookmarksClear:
            parts_.bookmarks.clearBookmarks();
            parts_.workspace.markChanged();
            return ok({{"cleared", true}});
        case Route::RulesGet: {
            const RuleTable& table = parts_.rules.table();
            json::array list;
            for (std::size_t row = 0; row < table.size(); ++row) {
                const Rule& r = table.at(row);
                std::string_view action = "other";
                if (r.action == text::kActionBookmark) action = "bookmark";
                if (r.action == text::kActionOpenLink) action = "link";
                list.push_back({{"index", row},
                                {"condition", r.condition},
                                {"action", action},
                                {"link", r.link},
                                {"hits", table.hits(row)}});
            }
            return ok({{"rules", std::move(list)}});
        }
        case Route::RulesAppend: {
            const bool link = param(call, "action") == "link";
            Rule rule{param(call, "condition"), std::string(link ? text::kActionOpenLink : text::kActionBookmark),
                      link ? param(call, "link") : std::string()};
            if (rule.condition.empty()) return unprocessable("condition", "must not be empty");
            RuleTable table = parts_.rules.table();
            table.append(std::move(rule));
            const std::size_t index = table.size() - 1;
            parts_.rules.replaceTable(std::move(table));
            parts_.workspace.markChanged();
            return ok({{"index", index}});
        }
        case Route::RulesDelete:
        case Route::RulesMove: {
            RuleTable table = parts_.rules.table();
            const auto from = static_cast<std::size_t>(call.pathIndex);
            if (from >= table.size()) return api::errorAnswer(404, "not_found", "no rule has this index");
            if (call.route == Route::RulesDelete) {
                table.removeRows({from});
            } else {
                const auto to = static_cast<std::size_t>(number(call, "to", 0));
                if (to >= table.size()) return unprocessable("to", "must be an index of the rules");
                std::size_t at = from;
                while (at > to) at = table.moveUp({at}).front();
                while (at < to) at = table.moveDown({at}).front();
            }
            parts_.rules.replaceTable(std::move(table));
            parts_.workspace.markChanged();
            if (call.route == Route::RulesDelete) return ok({{"deleted", from}});
            return run(Call{Route::RulesGet, -1, {}});
        }
        case Route::LinkRecordGet:
            return ok(recordSlice(parts_.records.linkRecordText(), number(call, "after", 0), number(call, "limit", 65536)));
        case Route::PageRecordGet:
            return ok(recordSlice(parts_.records.pageRecordText(), number(call, "after", 0), number(call, "limit", 65536)));
        case Route::LinkRecordClear:
            parts_.records.replaceLinkRecord({});
            return ok({{"cleared", true}});
        case Route::PageRecordClear:
            parts_.records.replacePageRecord({});
            return ok({{"cleared", true}});
        case Route::OptionsGet: {
            const Settings& s = parts_.settings.settings();
            json::object o;
            o["interval_ms"] = parts_.launch.launchInterval();
            o["max_running"] = s.maxRunning;
            o["jitter_ms"] = s.jitterMs;
            o["auto_return"] = s.autoReturnBookmarks;
            o["auto_save"] = s.autoSaveWorkspace;
            o["auto_restart"] = s.autoRestart;
            o["loop_bookmarks"] = parts_.bookmarks.loopOpening();
            o["wap"] = parts_.launch.wapMode();
            o["designated"] = parts_.launch.designatedMode();
            return ok(std::move(o));
        }
        case Route::OptionsPatch: {
            Settings& s = parts_.settings.settings();
            if (call.params.contains("interval_ms")) {
                parts_.launch.setIntervalText(std::to_string(number(call, "interval_ms", 0)));
            }
            // As the dialog "启动设置…" keeps them.
            if (call.params.contains("max_running")) {
                s.maxRunning = static_cast<int>(number(call, "max_running", 0));
                writeSetting(text::kKeyMaxRunning, std::to_string(s.maxRunning));
            }
            if (call.params.contains("jitter_ms")) {
                s.jitterMs = static_cast<int>(number(call, "jitter_ms", 0));
                writeSetting(text::kKeyJitter, std::to_string(s.jitterMs));
            }
            // As the check items of the menu 工具: switched, stored, and what
            // switching does done.
            const std::pair<std::string_view, std::pair<int, bool*>> items[] = {
                {"auto_return", {id::kAutoReturnBookmarks, &s.autoReturnBookmarks}},
                {"auto_save", {id::kAutoSaveWorkspace, &s.autoSaveWorkspace}},
                {"auto_restart", {id::kAutoRestart, &s.autoRestart}},
            };
            for (const auto& [name, item] : items) {
                const std::optional<bool> wanted = flag(call, name);
                if (wanted && *wanted != *item.second) parts_.settings.toggleOption(item.first);
            }
            if (const std::optional<bool> on = flag(call, "loop_bookmarks")) parts_.bookmarks.setLoopOpening(*on);
            if (const std::optional<bool> on = flag(call, "wap")) parts_.launch.setWapMode(*on);
            if (const std::optional<bool> on = flag(call, "designated")) parts_.launch.setDesignatedMode(*on);
            parts_.workspace.markChanged();
            return run(Call{Route::OptionsGet, -1, {}});
        }
        case Route::WorkspaceSave: {
            const std::wstring path = widen(param(call, "path"));
            const bool records = flag(call, "records").value_or(false);
            if (path.empty() || !replaceFileBytes(path, writeWorkspace(parts_.workspace.collect(records)))) {
                logFailure(parts_.log, L"工作区保存失败", path);
                return api::errorAnswer(500, "save_failed", "the workspace could not be written to " + param(call, "path"));
            }
            return ok({{"saved", true}});
        }
        case Route::WorkspaceOpen: {
            std::string bytes;
            if (!readFileBytes(widen(param(call, "path")), bytes)) {
                return api::errorAnswer(404, "no_file", "the file cannot be read: " + param(call, "path"));
            }
            std::variant<Workspace, WorkspaceError> read = parseWorkspace(bytes);
            if (const auto* error = std::get_if<WorkspaceError>(&read)) {
                Answer a = api::errorAnswer(422, "damaged_workspace",
                                            "line " + std::to_string(error->line) + ": " + error->what);
                a.body.as_object()["error"].as_object()["line"] = error->line;
                return a;
            }
            parts_.workspace.apply(std::move(std::get<Workspace>(read)));
            return ok({{"opened", true}});
        }
        case Route::Cluster: {
            const std::optional<ClusterSnapshot> s = parts_.cluster ? parts_.cluster() : std::nullopt;
            if (!s) {
                return ok({{"connection", "off"}, {"reason", nullptr}, {"queue", nullptr}, {"panels", json::array()},
                           {"this_panel", nullptr}});
            }
            const auto figure = [](long long n) -> json::value {
                if (n < 0) return nullptr;  // not read from the server yet
                return n;
            };
            json::array panels;
            for (const PanelFigures& p : s->panels) {
                panels.push_back({{"member", p.member},
                                  {"running", p.running},
                                  {"hung", p.unresponsive},
                                  {"exited", p.exited},
                                  {"held", p.held},
                                  {"acknowledged", p.acked},
                                  {"returned", p.returned},
                                  {"updated", textOrNull(p.time)}});
            }
            std::string_view connection = "off";
            switch (s->connection) {
                case QueueConnection::Off: connection = "off"; break;
                case QueueConnection::Connecting: connection = "connecting"; break;
                case QueueConnection::Connected: connection = "connected"; break;
                case QueueConnection::Disconnected: connection = "disconnected"; break;
                case QueueConnection::Refused: connection = "refused"; break;
            }
            return ok({{"connection", connection},
                       {"reason", textOrNull(s->reason)},
                       {"queue",
                        {{"length", figure(s->queue.length)},
                         {"undelivered", figure(s->queue.undelivered)},
                         {"pending", figure(s->queue.pending)},
                         {"dead", figure(s->queue.dead)}}},
                       {"panels", std::move(panels)},
                       {"this_panel",
                        {{"buffered", s->buffered},
                         {"held", s->held},
                         {"acknowledged", s->acknowledged},
                         {"returned", s->returned},
                         {"dead_lettered", s->deadLettered},
                         {"used_up", s->usedUp}}}});
        }
        case Route::Events:
        case Route::Log:
        case Route::OpenApi: break;  // the server answers these itself
    }
    return api::errorAnswer(404, "not_found", "no such call");
}

}  // namespace vuv::win
