// The router: turns a request (method, target, the headers that matter,
// body) into a decision, a pure function of its inputs. Either the call to
// carry out (the route with its parameters checked and typed, texts already
// GBK) or the error answer. Security comes first: any Origin header, then a
// Host that is not the listening address, localhost or [::1] with the port
// (403), then the token (401), then the path (404) and the method (405),
// then the parameters (400 for a body that is not JSON, 422 for a value of
// the wrong kind, naming the field).
#pragma once

#include "api/routes.h"
#include "api/text_codec.h"

#include <boost/json/object.hpp>
#include <boost/json/value.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vuv::api {

// Limits the server keeps before a request reaches the router.
inline constexpr std::size_t kHeadLimit = 8 * 1024;        // 431 beyond
inline constexpr std::size_t kBodyLimit = 1024 * 1024;     // 413 beyond
inline constexpr std::size_t kConnectionLimit = 64;        // more are refused
inline constexpr int kIdleSeconds = 30;                    // an idle or slow connection is closed

struct RequestView {
    std::string_view method;
    std::string_view target;  // path and query, as sent
    std::optional<std::string_view> host;
    std::optional<std::string_view> origin;
    std::optional<std::string_view> authorization;
    std::optional<std::string_view> lastEventId;
    std::string_view body;
};

struct Listening {
    std::string address;  // as configured, e.g. "127.0.0.1"
    std::uint16_t port = 0;
    std::string token;
};

// An answer with a JSON body; its strings are GBK until the server writes
// them (ASCII passes unchanged).
struct Answer {
    unsigned status = 200;
    boost::json::value body;
};

// {"error":{"code","message"}}; the message is ASCII or GBK.
[[nodiscard]] Answer errorAnswer(unsigned status, std::string_view code, std::string_view message);

struct Call {
    Route route = Route::Health;
    std::int64_t pathIndex = -1;  // the {index} of the path, else -1
    // The query parameters and body fields given, checked: integers as
    // int64, texts as GBK strings, lists as arrays.
    boost::json::object params;
};

struct Decision {
    std::optional<Answer> error;  // set: answer this, nothing runs
    Call call;
};

[[nodiscard]] Decision decide(const RequestView& request, const Listening& listening, const TextCodec& codec);

// Constant-time equality (the time depends on the lengths only).
[[nodiscard]] bool sameSecret(std::string_view a, std::string_view b) noexcept;

// The path of a target, its query split into decoded (name, value) pairs.
// False when the target is not an absolute path or its percent-escapes are
// broken.
struct Target {
    std::string path;
    std::vector<std::pair<std::string, std::string>> query;
};
[[nodiscard]] bool splitTarget(std::string_view target, Target& out);

}  // namespace vuv::api
