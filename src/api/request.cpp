#include "api/request.h"

#include <boost/json/parse.hpp>
#include <boost/json/parse_options.hpp>

#include <array>
#include <cstring>

namespace vuv::api {

namespace json = boost::json;

namespace {

// Nesting deeper than any route's body needs (an object of arrays of
// objects) is refused while parsing.
constexpr unsigned kMaxDepth = 8;

char lower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

int hexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool decodeComponent(std::string_view in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= in.size()) return false;
            const int hi = hexValue(in[i + 1]);
            const int lo = hexValue(in[i + 2]);
            if (hi < 0 || lo < 0) return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += c;
        }
    }
    return true;
}

Decision failed(unsigned status, std::string_view code, std::string message) {
    Decision d;
    d.error = errorAnswer(status, code, message);
    return d;
}

// A field's name as the message shows it: what a client sent may hold any
// bytes, and the message must stay ASCII.
std::string shown(std::string_view field) {
    std::string s;
    for (const char c : field.substr(0, 64)) {
        const auto u = static_cast<unsigned char>(c);
        s += (u < 0x20 || u >= 0x7F || c == '"') ? '?' : c;
    }
    return s;
}

std::optional<Decision> invalid(std::string_view field, std::string_view what) {
    std::string message = "field \"";
    message += shown(field);
    message += "\" ";
    message += what;
    return failed(422, "invalid_field", std::move(message));
}

bool parseDecimal(std::string_view text, std::int64_t& out) noexcept {
    if (text.empty() || text.size() > 18) return false;
    std::int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

bool isChoice(std::string_view choices, std::string_view word) noexcept {
    while (!choices.empty()) {
        const std::size_t bar = choices.find('|');
        if (choices.substr(0, bar) == word) return true;
        if (bar == std::string_view::npos) break;
        choices.remove_prefix(bar + 1);
    }
    return false;
}

std::string indexed(std::string_view name, std::size_t i) {
    std::string s(name);
    s += '[';
    s += std::to_string(i);
    s += ']';
    return s;
}

class Checker {
public:
    explicit Checker(const TextCodec& codec) : codec_(codec) {}

    // A JSON value against a field; on success out holds what is handed on.
    std::optional<Decision> check(const Field& f, std::string_view name, const json::value& v, json::value& out) const {
        switch (f.type) {
            case FieldType::Integer: {
                std::int64_t n = 0;
                if (!integer(v, n) || n < f.min || n > f.max) {
                    return invalid(name, "must be an integer from " + std::to_string(f.min) + " to " +
                                             std::to_string(f.max));
                }
                out = n;
                return std::nullopt;
            }
            case FieldType::Boolean:
                if (!v.is_bool()) return invalid(name, "must be true or false");
                out = v.get_bool();
                return std::nullopt;
            case FieldType::Text: return text(name, v, out);
            case FieldType::Choice:
                if (!v.is_string() || !isChoice(f.choices, std::string_view(v.get_string()))) {
                    return invalid(name, "must be one of " + std::string(f.choices));
                }
                out = v.get_string();
                return std::nullopt;
            case FieldType::IntegerList: {
                if (!v.is_array() || v.get_array().size() > f.maxItems) {
                    return invalid(name, "must be an array of at most " + std::to_string(f.maxItems) + " integers");
                }
                json::array a;
                a.reserve(v.get_array().size());
                for (std::size_t i = 0; i < v.get_array().size(); ++i) {
                    std::int64_t n = 0;
                    if (!integer(v.get_array()[i], n) || n < f.min || n > f.max) {
                        return invalid(indexed(name, i), "must be an integer from " + std::to_string(f.min) +
                                                             " to " + std::to_string(f.max));
                    }
                    a.emplace_back(n);
                }
                out = std::move(a);
                return std::nullopt;
            }
            case FieldType::TextList: {
                if (!v.is_array() || v.get_array().size() > f.maxItems) {
                    return invalid(name, "must be an array of at most " + std::to_string(f.maxItems) + " strings");
                }
                json::array a;
                a.reserve(v.get_array().size());
                for (std::size_t i = 0; i < v.get_array().size(); ++i) {
                    json::value one;
                    if (auto bad = text(indexed(name, i), v.get_array()[i], one)) return bad;
                    a.push_back(std::move(one));
                }
                out = std::move(a);
                return std::nullopt;
            }
            case FieldType::LaunchRows: {
                if (!v.is_array() || v.get_array().size() > f.maxItems) {
                    return invalid(name, "must be an array of at most " + std::to_string(f.maxItems) + " rows");
                }
                json::array a;
                a.reserve(v.get_array().size());
                for (std::size_t i = 0; i < v.get_array().size(); ++i) {
                    const std::string rowName = indexed(name, i);
                    const json::value& row = v.get_array()[i];
                    if (!row.is_object()) return invalid(rowName, "must be an object {name, url, config}");
                    json::object kept;
                    for (const auto& member : row.get_object()) {
                        const std::string_view key = member.key();
                        if (key != "name" && key != "url" && key != "config") {
                            return invalid(rowName + "." + std::string(key), "is not a field of a launch row");
                        }
                        json::value one;
                        if (auto bad = text(rowName + "." + std::string(key), member.value(), one)) return bad;
                        kept[key] = std::move(one);
                    }
                    if (!kept.contains("url")) return invalid(rowName + ".url", "is missing");
                    for (const char* key : {"name", "config"}) {
                        if (!kept.contains(key)) kept[key] = "";
                    }
                    a.push_back(std::move(kept));
                }
                out = std::move(a);
                return std::nullopt;
            }
            case FieldType::RowsOrAll:
                if (v.is_string() && v.get_string() == "all") {
                    out = "all";
                    return std::nullopt;
                }
                if (!v.is_array()) return invalid(name, "must be \"all\" or an array of row indices");
                {
                    Field list = f;
                    list.type = FieldType::IntegerList;
                    return check(list, name, v, out);
                }
            case FieldType::Target: return target(f, name, v, out);
        }
        return invalid(name, "is not understood");
    }

private:
    static bool integer(const json::value& v, std::int64_t& out) noexcept {
        if (v.is_int64()) {
            out = v.get_int64();
            return true;
        }
        if (v.is_uint64() && v.get_uint64() <= static_cast<std::uint64_t>(INT64_MAX)) {
            out = static_cast<std::int64_t>(v.get_uint64());
            return true;
        }
        return false;
    }

    std::optional<Decision> text(std::string_view name, const json::value& v, json::value& out) const {
        if (!v.is_string()) return invalid(name, "must be a string");
        const std::string_view utf8(v.get_string());
        // The panel's texts end at a NUL, as the browsers' do.
        if (utf8.find('\0') != std::string_view::npos) return invalid(name, "must not hold U+0000");
        if (isAscii(utf8)) {
            out = v.get_string();
            return std::nullopt;
        }
        std::optional<std::string> gbk = codec_.toGbk(utf8);
        if (!gbk) {
            std::string message = "field \"";
            message += shown(name);
            message += "\" holds a character that GBK cannot hold";
            return failed(422, "not_gbk", std::move(message));
        }
        out = json::string(*gbk);
        return std::nullopt;
    }

    std::optional<Decision> target(const Field& f, std::string_view name, const json::value& v,
                                   json::value& out) const {
        const char* const shape = "must be {\"pids\":[...]}, {\"state\":\"running|hung|exited\"} or {\"all\":true}";
        if (!v.is_object() || v.get_object().size() != 1) return invalid(name, shape);
        const auto& member = *v.get_object().begin();
        json::object kept;
        if (member.key() == "pids") {
            Field pids{"pids", FieldType::IntegerList, true, 1, 0xFFFFFFFFLL, {}, f.maxItems, {}};
            json::value list;
            if (auto bad = check(pids, std::string(name) + ".pids", member.value(), list)) return bad;
            kept["pids"] = std::move(list);
        } else if (member.key() == "state") {
            if (!member.value().is_string() || !isChoice("running|hung|exited", member.value().get_string())) {
                return invalid(std::string(name) + ".state", "must be one of running|hung|exited");
            }
            kept["state"] = member.value();
        } else if (member.key() == "all") {
            if (!member.value().is_bool() || !member.value().get_bool()) {
                return invalid(std::string(name) + ".all", "must be true");
            }
            kept["all"] = true;
        } else {
            return invalid(name, shape);
        }
        out = std::move(kept);
        return std::nullopt;
    }

    const TextCodec& codec_;
};

bool matchPath(std::string_view pattern, std::string_view path, std::int64_t& index, bool& indexTooLarge) {
    const std::size_t brace = pattern.find("{index}");
    if (brace == std::string_view::npos) return pattern == path;
    const std::string_view head = pattern.substr(0, brace);
    const std::string_view tail = pattern.substr(brace + 7);
    if (path.size() <= head.size() + tail.size()) return false;
    if (path.substr(0, head.size()) != head || path.substr(path.size() - tail.size()) != tail) return false;
    const std::string_view digits = path.substr(head.size(), path.size() - head.size() - tail.size());
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
    }
    std::int64_t n = 0;
    if (!parseDecimal(digits, n) || n > kMaxIndex) {
        indexTooLarge = true;
        index = -1;
        return true;
    }
    index = n;
    return true;
}

// The route-specific rules beyond each field's own.
std::optional<Decision> crossCheck(Route route, const json::object& p) {
    switch (route) {
        case Route::Commands: {
            const std::string_view command = p.at("command").get_string();
            struct Needs {
                std::string_view command;
                std::string_view field;
            };
            constexpr std::array<Needs, 4> kNeeds{{{"config", "path"}, {"rename", "name"}, {"open", "url"},
                                                   {"proxy", "proxy"}}};
            for (const Needs& n : kNeeds) {
                if (command == n.command) {
                    if (n.field == "proxy") {
                        if (p.contains("proxy") == p.contains("proxies")) {
                            return invalid("proxy", "or \"proxies\" (one of them) is needed by the command proxy");
                        }
                    } else if (!p.contains(n.field)) {
                        return invalid(n.field, "is needed by the command " + std::string(command));
                    }
                }
            }
            for (const char* extra : {"path", "name", "url", "proxy", "proxies"}) {
                if (!p.contains(extra)) continue;
                const std::string_view e = extra;
                const bool belongs = (e == "path" && command == "config") || (e == "name" && command == "rename") ||
                                     (e == "url" && command == "open") ||
                                     ((e == "proxy" || e == "proxies") && command == "proxy");
                if (!belongs) return invalid(e, "is not taken by the command " + std::string(command));
            }
            return std::nullopt;
        }
        case Route::BookmarksReturn:
            if (p.contains("indices") == p.contains("exited")) {
                return invalid("indices", "or \"exited\" (one of them) is needed");
            }
            if (p.contains("exited") && !p.at("exited").get_bool()) return invalid("exited", "must be true");
            return std::nullopt;
        case Route::RulesAppend:
            if (p.at("action").get_string() == "link" && !p.contains("link")) {
                return invalid("link", "is needed by the action link");
            }
            return std::nullopt;
        default: return std::nullopt;
    }
}

std::string allowedList(std::string_view path) {
    std::size_t count = 0;
    const RouteSpec* table = routeTable(count);
    std::string allowed;
    for (std::size_t i = 0; i < count; ++i) {
        std::int64_t index = -1;
        bool tooLarge = false;
        if (!matchPath(table[i].path, path, index, tooLarge)) continue;
        if (!allowed.empty()) allowed += ", ";
        allowed += table[i].method;
    }
    return allowed;
}

}  // namespace

Answer errorAnswer(unsigned status, std::string_view code, std::string_view message) {
    Answer a;
    a.status = status;
    json::object error;
    error["code"] = code;
    error["message"] = message;
    json::object body;
    body["error"] = std::move(error);
    a.body = std::move(body);
    return a;
}

bool sameSecret(std::string_view a, std::string_view b) noexcept {
    // Every byte of the longer text is looked at whatever differs.
    const std::size_t n = a.size() > b.size() ? a.size() : b.size();
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        diff |= static_cast<unsigned char>(x ^ y);
    }
    return diff == 0;
}

bool splitTarget(std::string_view target, Target& out) {
    out.path.clear();
    out.query.clear();
    if (target.empty() || target.front() != '/') return false;
    const std::size_t mark = target.find('?');
    std::string_view path = target.substr(0, mark);
    if (path.find('%') != std::string_view::npos) return false;  // no route has an escaped character
    out.path.assign(path);
    if (mark == std::string_view::npos) return true;
    std::string_view query = target.substr(mark + 1);
    const std::size_t hash = query.find('#');
    if (hash != std::string_view::npos) return false;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (!pair.empty()) {
            const std::size_t eq = pair.find('=');
            std::string name;
            std::string value;
            if (!decodeComponent(pair.substr(0, eq), name)) return false;
            if (eq != std::string_view::npos && !decodeComponent(pair.substr(eq + 1), value)) return false;
            out.query.emplace_back(std::move(name), std::move(value));
        }
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return true;
}

Decision decide(const RequestView& request, const Listening& listening, const TextCodec& codec) {
    // A web page's request carries an Origin: no page may use the interface.
    if (request.origin) return failed(403, "origin_refused", "requests carrying an Origin header are refused");

    // DNS rebinding: a name that resolves to this machine is not enough.
    const std::string port = ":" + std::to_string(listening.port);
    const bool v6 = listening.address.find(':') != std::string::npos;
    const std::string own = (v6 ? "[" + listening.address + "]" : listening.address) + port;
    if (!request.host ||
        !(sameIgnoringCase(*request.host, own) || sameIgnoringCase(*request.host, "localhost" + port) ||
          sameIgnoringCase(*request.host, "[::1]" + port))) {
        return failed(403, "host_refused", "the Host header must name the listening address with its port");
    }

    Target target;
    if (!splitTarget(request.target, target)) return failed(400, "bad_target", "the request target is malformed");

    // The token: the header, or on /v1/events alone the query.
    std::optional<std::string_view> token;
    if (request.authorization) {
        const std::string_view a = *request.authorization;
        if (a.size() > 7 && sameIgnoringCase(a.substr(0, 7), "bearer ")) token = a.substr(7);
    }
    const std::string* queryToken = nullptr;
    for (const auto& [name, value] : target.query) {
        if (name == "token") queryToken = &value;
    }
    if (queryToken != nullptr) {
        if (target.path != "/v1/events") {
            return failed(401, "unauthorized", "the token is taken from the query on /v1/events alone");
        }
        if (!token) token = *queryToken;
    }
    if (!token || listening.token.empty() || !sameSecret(*token, listening.token)) {
        return failed(401, "unauthorized", "a valid \"Authorization: Bearer <token>\" header is needed");
    }

    std::size_t count = 0;
    const RouteSpec* table = routeTable(count);
    const RouteSpec* spec = nullptr;
    bool pathKnown = false;
    std::int64_t index = -1;
    bool indexTooLarge = false;
    for (std::size_t i = 0; i < count; ++i) {
        std::int64_t n = -1;
        bool tooLarge = false;
        if (!matchPath(table[i].path, target.path, n, tooLarge)) continue;
        pathKnown = true;
        if (table[i].method == request.method) {
            spec = &table[i];
            index = n;
            indexTooLarge = tooLarge;
        }
    }
    if (!pathKnown) return failed(404, "not_found", "no such path");
    if (spec == nullptr) {
        return failed(405, "method_not_allowed", "this path takes " + allowedList(target.path));
    }
    if (indexTooLarge) return failed(404, "not_found", "no such index");

    Decision decision;
    decision.call.route = spec->route;
    decision.call.pathIndex = index;
    json::object& params = decision.call.params;
    const Checker checker(codec);

    for (const auto& [name, value] : target.query) {
        if (name == "token") continue;
        const Field* field = nullptr;
        for (std::size_t i = 0; i < spec->queryCount; ++i) {
            if (spec->query[i].name == name) field = &spec->query[i];
        }
        if (field == nullptr) return *invalid(name, "is not a query parameter of this route");
        if (params.contains(name)) return *invalid(name, "is given twice");
        json::value given;
        if (field->type == FieldType::Integer) {
            std::int64_t n = 0;
            if (!parseDecimal(value, n)) {
                return *invalid(name, "must be an integer from " + std::to_string(field->min) + " to " +
                                          std::to_string(field->max));
            }
            given = n;
        } else {
            given = json::string(value);
        }
        json::value kept;
        if (auto bad = checker.check(*field, name, given, kept)) return *bad;
        params[name] = std::move(kept);
    }

    // The body: nothing, or a JSON object of the route's fields.
    std::string_view body = request.body;
    while (!body.empty() && (body.front() == ' ' || body.front() == '\t' || body.front() == '\r' ||
                             body.front() == '\n')) {
        body.remove_prefix(1);
    }
    if (!body.empty()) {
        json::parse_options options;
        options.max_depth = kMaxDepth;
        boost::system::error_code ec;
        json::value parsed = json::parse(request.body, ec, {}, options);
        if (ec) return failed(400, "bad_json", "the body is not JSON: " + ec.message());
        if (!parsed.is_object()) return failed(422, "invalid_body", "the body must be a JSON object");
        for (const auto& member : parsed.get_object()) {
            const std::string_view key = member.key();
            const Field* field = nullptr;
            for (std::size_t i = 0; i < spec->bodyCount; ++i) {
                if (spec->body[i].name == key) field = &spec->body[i];
            }
            if (field == nullptr) return *invalid(key, "is not a field of this route");
            if (params.contains(key)) return *invalid(key, "is given twice");
            json::value kept;
            if (auto bad = checker.check(*field, key, member.value(), kept)) return *bad;
            params[key] = std::move(kept);
        }
    }
    for (std::size_t i = 0; i < spec->bodyCount; ++i) {
        if (spec->body[i].required && !params.contains(spec->body[i].name)) {
            return *invalid(spec->body[i].name, "is missing");
        }
    }
    if (auto bad = crossCheck(spec->route, params)) return *bad;

    // A stream's resumption: the header unless the query names a place.
    if (spec->route == Route::Events && !params.contains("after") && request.lastEventId) {
        std::int64_t n = 0;
        if (!parseDecimal(*request.lastEventId, n)) return *invalid("Last-Event-ID", "must be an event id");
        params["after"] = n;
    }
    return decision;
}

}  // namespace vuv::api
