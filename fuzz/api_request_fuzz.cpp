// Fuzz target: the automation interface's router on any request.
//
// The input is split at NUL bytes into method, target, Host, Authorization,
// Origin presence (a non-empty field), Last-Event-ID and body. Whatever it
// decides must hold together: an error is one of the statuses the router
// gives, with {"error":{"code","message"}} strings and a printable message;
// a call names a route whose method is the request's, and its texts are
// what the codec made (here ASCII in, ASCII out).
#include "api/request.h"

#include <boost/json/serialize.hpp>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool ok) {
    if (!ok) std::abort();
}

// ASCII passes; anything else is refused as GBK cannot hold it, and GBK
// bytes come back as they are: enough for the router's own logic.
class AsciiCodec final : public vuv::api::TextCodec {
public:
    std::optional<std::string> toGbk(std::string_view utf8) const override {
        if (!vuv::api::isAscii(utf8)) return std::nullopt;
        return std::string(utf8);
    }
    std::string toUtf8(std::string_view gbk) const override { return std::string(gbk); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (fields.size() < 6) {
        const std::size_t nul = input.find('\0', start);
        if (nul == std::string_view::npos) break;
        fields.push_back(input.substr(start, nul - start));
        start = nul + 1;
    }
    fields.push_back(input.substr(start < input.size() ? start : input.size()));
    fields.resize(7);

    static const AsciiCodec codec;
    const vuv::api::Listening listening{"127.0.0.1", 17801, "t0ken"};
    vuv::api::RequestView request;
    request.method = fields[0];
    request.target = fields[1];
    if (!fields[2].empty()) request.host = fields[2];
    if (!fields[3].empty()) request.authorization = fields[3];
    if (!fields[4].empty()) request.origin = fields[4];
    if (!fields[5].empty()) request.lastEventId = fields[5];
    request.body = fields[6];

    const vuv::api::Decision decision = vuv::api::decide(request, listening, codec);
    if (decision.error) {
        const unsigned s = decision.error->status;
        require(s == 400 || s == 401 || s == 403 || s == 404 || s == 405 || s == 422);
        const boost::json::value& error = decision.error->body.at("error");
        require(error.at("code").is_string() && error.at("message").is_string());
        for (const char c : error.at("message").get_string()) require(c >= 0x20 && c < 0x7F);
        // The gates come in their order: a request with an Origin never gets past 403.
        if (request.origin) require(s == 403);
        return 0;
    }
    require(!request.origin);
    require(request.host.has_value());
    std::string host(*request.host);
    for (char& c : host) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    require(host == "127.0.0.1:17801" || host == "localhost:17801" || host == "[::1]:17801");
    const vuv::api::RouteSpec& spec = vuv::api::specOf(decision.call.route);
    require(spec.method == request.method);
    // Every text handed on is what the codec gives: ASCII here.
    const std::string all = boost::json::serialize(decision.call.params);
    for (const char c : all) require(static_cast<unsigned char>(c) < 0x80);
    return 0;
}
