#include "api/routes.h"

#include <iterator>

namespace vuv::api {

namespace {

constexpr std::int64_t kBig = 1'000'000'000'000;

constexpr Field kCopiesQuery[] = {
    {"state", FieldType::Choice, false, 0, 0, "running|hung|exited", 0, "only the copies in this state"},
};
constexpr Field kCommandBody[] = {
    {"command", FieldType::Choice, true, 0, 0,
     "flash|config|refresh|stop|hide|show|retitle|rename|open|proxy|close", 0, "the command"},
    {"target", FieldType::Target, true, 0, 0, {}, 100'000, "the copies, by process id, by state or all"},
    {"path", FieldType::Text, false, 0, 0, {}, 0, "config: the configuration file"},
    {"name", FieldType::Text, false, 0, 0, {}, 0, "rename: the name (empty: the page's title again)"},
    {"url", FieldType::Text, false, 0, 0, {}, 0, "open: the address"},
    {"proxy", FieldType::Text, false, 0, 0, {}, 0, "proxy: ip:port for every copy"},
    {"proxies", FieldType::TextList, false, 0, 0, {}, 100'000, "proxy: ip:port given to the copies in turn"},
};
constexpr Field kLaunchRowsBody[] = {
    {"rows", FieldType::LaunchRows, true, 0, 0, {}, kMaxListItems, "rows of {name, url, config}"},
};
constexpr Field kLaunchStartBody[] = {
    {"rows", FieldType::RowsOrAll, true, 0, kMaxIndex, {}, kMaxListItems, "\"all\" or row indices"},
};
constexpr Field kBrowsersBody[] = {
    {"count", FieldType::Integer, true, 1, 1000, {}, 0, "copies to start"},
};
constexpr Field kBookmarksQuery[] = {
    {"state", FieldType::Choice, false, 0, 0, "unused|opened", 0, "only the bookmarks in this state"},
    {"offset", FieldType::Integer, false, 0, kMaxIndex, {}, 0, "skip this many"},
    {"limit", FieldType::Integer, false, 1, kMaxIndex, {}, 0, "at most this many"},
};
constexpr Field kBookmarksBody[] = {
    {"urls", FieldType::TextList, true, 0, 0, {}, kMaxListItems, "addresses to append"},
};
constexpr Field kReturnBody[] = {
    {"indices", FieldType::IntegerList, false, 0, kMaxIndex, {}, kMaxListItems, "bookmark indices"},
    {"exited", FieldType::Boolean, false, 0, 0, {}, 0, "true: the bookmarks of every exited copy"},
};
constexpr Field kRuleBody[] = {
    {"condition", FieldType::Text, true, 0, 0, {}, 0, "text the content must hold"},
    {"action", FieldType::Choice, true, 0, 0, "bookmark|link", 0, "what the rule does"},
    {"link", FieldType::Text, false, 0, 0, {}, 0, "link: the address to open"},
};
constexpr Field kMoveBody[] = {
    {"to", FieldType::Integer, true, 0, kMaxIndex, {}, 0, "the rule's new index"},
};
constexpr Field kRecordQuery[] = {
    {"after", FieldType::Integer, false, 0, kBig, {}, 0, "byte offset to read from"},
    {"limit", FieldType::Integer, false, 1, 1 << 20, {}, 0, "bytes to read at most"},
};
constexpr Field kEventsQuery[] = {
    {"after", FieldType::Integer, false, 0, kBig, {}, 0, "the last id the client has"},
    {"token", FieldType::Text, false, 0, 0, {}, 0, "the token, for clients that cannot send headers"},
};
constexpr Field kLogQuery[] = {
    {"after", FieldType::Integer, false, 0, kBig, {}, 0, "the last id the client has"},
    {"limit", FieldType::Integer, false, 1, 10'000, {}, 0, "rows at most"},
};
constexpr Field kOptionsBody[] = {
    {"interval_ms", FieldType::Integer, false, 0, 86'400'000, {}, 0, "pause between two starts of a walk"},
    {"max_running", FieldType::Integer, false, 0, 10'000, {}, 0, "copies a walk lets run at once; 0 no limit"},
    {"jitter_ms", FieldType::Integer, false, 0, 86'400'000, {}, 0, "the pause varies by up to this"},
    {"auto_return", FieldType::Boolean, false, 0, 0, {}, 0, "an exited copy's bookmark goes back"},
    {"auto_save", FieldType::Boolean, false, 0, 0, {}, 0, "the workspace is kept beside the program"},
    {"auto_restart", FieldType::Boolean, false, 0, 0, {}, 0, "copies the panel started come back"},
    {"loop_bookmarks", FieldType::Boolean, false, 0, 0, {}, 0, "bookmarks are handed out again from the first"},
    {"wap", FieldType::Boolean, false, 0, 0, {}, 0, "WAP browsing"},
    {"designated", FieldType::Boolean, false, 0, 0, {}, 0, "a walk starts the designated browser"},
};
constexpr Field kSaveBody[] = {
    {"path", FieldType::Text, true, 0, 0, {}, 0, "the workspace file"},
    {"records", FieldType::Boolean, false, 0, 0, {}, 0, "keep the records too"},
};
constexpr Field kOpenBody[] = {
    {"path", FieldType::Text, true, 0, 0, {}, 0, "the workspace file"},
};

#define VUV_FIELDS(a) a, std::size(a)
#define VUV_NONE nullptr, 0

constexpr RouteRow kRoutes[] = {
    {Route::Health, "GET", "/v1/health", "The panel's figures at a glance", VUV_NONE, VUV_NONE, 200,
     "version, copies{running,hung,exited}, bookmarks{unused,opened}, walking, last_event"},
    {Route::Copies, "GET", "/v1/copies", "The copies in the table's order", VUV_FIELDS(kCopiesQuery), VUV_NONE, 200,
     "copies[{pid,title,state,last_notice,notices,bookmark,proxy}]"},
    {Route::Scan, "POST", "/v1/scan", "Looks for copies again and answers the new list", VUV_NONE, VUV_NONE, 200,
     "copies[...]"},
    {Route::Commands, "POST", "/v1/commands", "Sends a command to copies", VUV_NONE, VUV_FIELDS(kCommandBody), 200,
     "results[{pid,outcome}] in target order"},
    {Route::LaunchListGet, "GET", "/v1/launch-list", "The launch list", VUV_NONE, VUV_NONE, 200,
     "rows[{name,url,config}]"},
    {Route::LaunchListAppend, "POST", "/v1/launch-list", "Appends rows to the launch list", VUV_NONE,
     VUV_FIELDS(kLaunchRowsBody), 200, "added"},
    {Route::LaunchListClear, "DELETE", "/v1/launch-list", "Empties the launch list", VUV_NONE, VUV_NONE, 200, "cleared"},
    {Route::LaunchStart, "POST", "/v1/launch", "Starts a walk of the launch list (409 while one runs)", VUV_NONE,
     VUV_FIELDS(kLaunchStartBody), 202, "walking, started, failed, remaining"},
    {Route::LaunchStatus, "GET", "/v1/launch", "The walk's figures", VUV_NONE, VUV_NONE, 200,
     "walking, started, failed, remaining"},
    {Route::LaunchStop, "DELETE", "/v1/launch", "Ends the walk", VUV_NONE, VUV_NONE, 200,
     "walking, started, failed, remaining"},
    {Route::Browsers, "POST", "/v1/browsers", "Starts copies of the browser, paced like a walk", VUV_NONE,
     VUV_FIELDS(kBrowsersBody), 202, "walking, started, failed, remaining"},
    {Route::BookmarksGet, "GET", "/v1/bookmarks", "The bookmark table", VUV_FIELDS(kBookmarksQuery), VUV_NONE, 200,
     "total, bookmarks[{index,name,url,state,pid,time}]"},
    {Route::BookmarksAppend, "POST", "/v1/bookmarks", "Appends bookmarks", VUV_NONE, VUV_FIELDS(kBookmarksBody), 200,
     "added"},
    {Route::BookmarksClear, "DELETE", "/v1/bookmarks", "Empties the bookmark table", VUV_NONE, VUV_NONE, 200,
     "cleared"},
    {Route::BookmarksReturn, "POST", "/v1/bookmarks/return", "Gives bookmarks back (indices or those of exited copies)",
     VUV_NONE, VUV_FIELDS(kReturnBody), 200, "returned"},
    {Route::BookmarksReset, "POST", "/v1/bookmarks/reset", "Every bookmark back to unused", VUV_NONE, VUV_NONE, 200,
     "reset"},
    {Route::RulesGet, "GET", "/v1/rules", "The rules", VUV_NONE, VUV_NONE, 200,
     "rules[{index,condition,action,link,hits}]"},
    {Route::RulesAppend, "POST", "/v1/rules", "Appends a rule", VUV_NONE, VUV_FIELDS(kRuleBody), 200, "index"},
    {Route::RulesDelete, "DELETE", "/v1/rules/{index}", "Deletes a rule", VUV_NONE, VUV_NONE, 200, "deleted"},
    {Route::RulesMove, "POST", "/v1/rules/{index}/move", "Moves a rule", VUV_NONE, VUV_FIELDS(kMoveBody), 200,
     "rules[...]"},
    {Route::LinkRecordGet, "GET", "/v1/records/links", "The link record from a byte offset",
     VUV_FIELDS(kRecordQuery), VUV_NONE, 200, "text, next, size"},
    {Route::LinkRecordClear, "DELETE", "/v1/records/links", "Empties the link record", VUV_NONE, VUV_NONE, 200,
     "cleared"},
    {Route::PageRecordGet, "GET", "/v1/records/pages", "The page record from a byte offset",
     VUV_FIELDS(kRecordQuery), VUV_NONE, 200, "text, next, size"},
    {Route::PageRecordClear, "DELETE", "/v1/records/pages", "Empties the page record", VUV_NONE, VUV_NONE, 200,
     "cleared"},
    {Route::Events, "GET", "/v1/events", "The run log as a stream of server-sent events",
     VUV_FIELDS(kEventsQuery), VUV_NONE, 200, "text/event-stream of {id,time,pid,kind,content}"},
    {Route::Log, "GET", "/v1/log", "The run log as one page", VUV_FIELDS(kLogQuery), VUV_NONE, 200,
     "rows[{id,time,pid,kind,content}], gap"},
    {Route::OptionsGet, "GET", "/v1/options", "The options", VUV_NONE, VUV_NONE, 200,
     "interval_ms, max_running, jitter_ms, auto_return, auto_save, auto_restart, loop_bookmarks, wap, designated"},
    {Route::OptionsPatch, "PATCH", "/v1/options", "Changes options as their controls do", VUV_NONE,
     VUV_FIELDS(kOptionsBody), 200, "the options"},
    {Route::WorkspaceSave, "POST", "/v1/workspace/save", "Saves the workspace", VUV_NONE, VUV_FIELDS(kSaveBody), 200,
     "saved"},
    {Route::WorkspaceOpen, "POST", "/v1/workspace/open", "Opens a workspace (422 with the line of a damaged file)",
     VUV_NONE, VUV_FIELDS(kOpenBody), 200, "opened"},
    {Route::OpenApi, "GET", "/v1/openapi.json", "This document", VUV_NONE, VUV_NONE, 200, "OpenAPI 3 document"},
    {Route::Cluster, "GET", "/v1/cluster", "The shared queue and the live panels of its group, as the page shows them",
     VUV_NONE, VUV_NONE, 200,
     "connection (off|connecting|connected|disconnected|refused), reason, queue{length,undelivered,pending,dead}, "
     "panels[{member,running,hung,exited,held,acknowledged,returned,updated}], "
     "this_panel{buffered,held,acknowledged,returned,dead_lettered,used_up}"},
};

#undef VUV_FIELDS
#undef VUV_NONE

}  // namespace

const RouteRow* routeTable(std::size_t& count) noexcept {
    count = std::size(kRoutes);
    return kRoutes;
}

const RouteRow& specOf(Route route) noexcept {
    for (const RouteRow& routeRow : kRoutes) {
        if (routeRow.route == route) return routeRow;
    }
    return kRoutes[0];
}

}  // namespace vuv::api
