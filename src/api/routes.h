// The routes of the automation interface: one table that the router decides
// requests by and the OpenAPI document is written from, so the two cannot
// disagree. Each row is one method on one path, with the query parameters
// and body fields it takes and how each is checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vuv::api {

enum class Route {
    Health,
    Copies,
    Scan,
    Commands,
    LaunchListGet,
    LaunchListAppend,
    LaunchListClear,
    LaunchStart,
    LaunchStatus,
    LaunchStop,
    Browsers,
    BookmarksGet,
    BookmarksAppend,
    BookmarksClear,
    BookmarksReturn,
    BookmarksReset,
    RulesGet,
    RulesAppend,
    RulesDelete,
    RulesMove,
    LinkRecordGet,
    LinkRecordClear,
    PageRecordGet,
    PageRecordClear,
    Events,
    Log,
    OptionsGet,
    OptionsPatch,
    WorkspaceSave,
    WorkspaceOpen,
    OpenApi,
    Cluster,
};

// How a query parameter or a body field is checked, and what the router
// hands on (texts as GBK).
enum class FieldType {
    Integer,      // a JSON integer (a query: decimal digits) within [min, max]
    Boolean,      // true or false
    Text,         // a string, converted to GBK
    Choice,       // one of the route's choice words
    IntegerList,  // an array of integers within [min, max], at most maxItems
    TextList,     // an array of strings, at most maxItems, each converted to GBK
    LaunchRows,   // an array of {"name","url","config"} strings, at most maxItems
    RowsOrAll,    // the string "all" or an array of row indices
    Target,       // {"pids":[...]} | {"state":"running"|"hung"|"exited"} | {"all":true}
};

struct Field {
    std::string_view name;
    FieldType type = FieldType::Integer;
    bool required = false;
    std::int64_t min = 0;
    std::int64_t max = 0;
    std::string_view choices;  // Choice: words separated by '|'
    std::size_t maxItems = 0;  // lists
    std::string_view description;
};

struct RouteRow {
    Route route;
    std::string_view method;
    std::string_view path;  // "{index}" stands for a row index in the path
    std::string_view summary;
    const Field* query = nullptr;
    std::size_t queryCount = 0;
    const Field* body = nullptr;  // null: the route takes no body (an empty one or {})
    std::size_t bodyCount = 0;
    unsigned success = 200;
    std::string_view answer;  // the answer's fields, for the document
};

// Every route, in the document's order.
[[nodiscard]] const RouteRow* routeTable(std::size_t& count) noexcept;
[[nodiscard]] const RouteRow& specOf(Route route) noexcept;

// Limits every route shares.
inline constexpr std::int64_t kMaxIndex = 10'000'000;
inline constexpr std::size_t kMaxListItems = 100'000;

}  // namespace vuv::api
