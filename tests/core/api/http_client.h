// A small HTTP client for the interface's tests: each exchange runs on its
// own io_context with a deadline, so a test never hangs on a server that
// does not answer.
#pragma once

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace vuv::test {

namespace http = boost::beast::http;

struct Reply {
    int status = 0;  // 0: no answer (closed, refused or past the deadline)
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

// One request on a new connection. Host defaults to 127.0.0.1:port.
inline Reply exchange(std::uint16_t port, std::string_view method, std::string_view target,
                      const std::map<std::string, std::string>& headers = {}, std::string body = {},
                      std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
    namespace asio = boost::asio;
    namespace beast = boost::beast;
    asio::io_context ioc;
    beast::tcp_stream stream(ioc);
    Reply reply;
    http::request<http::string_body> req{http::string_to_verb(method), std::string(target), 11};
    if (req.method() == http::verb::unknown) req.method_string(method);
    req.set(http::field::host, "127.0.0.1:" + std::to_string(port));
    for (const auto& [name, value] : headers) {
        if (value == "\x01") {
            req.erase(name);  // "\x01" removes a header the client would send
        } else {
            req.set(name, value);
        }
    }
    req.body() = std::move(body);
    if (!req.body().empty()) req.prepare_payload();
    beast::flat_buffer buffer;
    http::response_parser<http::string_body> parser;
    parser.body_limit(64 * 1024 * 1024);
    stream.expires_after(deadline);
    const asio::ip::tcp::endpoint to(asio::ip::make_address("127.0.0.1"), port);
    stream.async_connect(to, [&](beast::error_code ec) {
        if (ec) return;
        http::async_write(stream, req, [&](beast::error_code ec2, std::size_t) {
            if (ec2) return;
            http::async_read(stream, buffer, parser, [&](beast::error_code ec3, std::size_t) {
                if (ec3) return;
                const auto& res = parser.get();
                reply.status = static_cast<int>(res.result_int());
                for (const auto& f : res) {
                    std::string name(f.name_string());
                    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                    reply.headers[name] = std::string(f.value());
                }
                reply.body = res.body();
            });
        });
    });
    ioc.run_for(deadline + std::chrono::seconds(1));
    return reply;
}

// Raw bytes out, whatever comes back until the server closes or the deadline
// passes.
inline std::string rawExchange(std::uint16_t port, const std::string& bytes,
                               std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
    namespace asio = boost::asio;
    namespace beast = boost::beast;
    asio::io_context ioc;
    beast::tcp_stream stream(ioc);
    std::string received;
    std::string chunk(4096, '\0');
    stream.expires_after(deadline);
    std::function<void()> readMore = [&] {
        stream.async_read_some(asio::buffer(chunk), [&](beast::error_code ec, std::size_t n) {
            received.append(chunk.data(), n);
            if (!ec) readMore();
        });
    };
    stream.async_connect(asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), port),
                         [&](beast::error_code ec) {
                             if (ec) return;
                             asio::async_write(stream, asio::buffer(bytes),
                                               [&](beast::error_code, std::size_t) { readMore(); });
                         });
    ioc.run_for(deadline + std::chrono::seconds(1));
    return received;
}

// Sends a request head and reads what comes back (an event stream) until
// `until` appears in it, the server closes or the deadline passes.
inline std::string readUntil(std::uint16_t port, const std::string& head, std::string_view until,
                             std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
    namespace asio = boost::asio;
    asio::io_context ioc;
    asio::ip::tcp::socket socket(ioc);
    std::string got;
    std::string chunk(8192, '\0');
    std::function<void()> more = [&] {
        socket.async_read_some(asio::buffer(chunk), [&](boost::system::error_code ec, std::size_t n) {
            got.append(chunk.data(), n);
            if (got.find(until) != std::string::npos) {
                ioc.stop();
                return;
            }
            if (!ec) more();
        });
    };
    socket.async_connect(asio::ip::tcp::endpoint(asio::ip::make_address("127.0.0.1"), port),
                         [&](boost::system::error_code ec) {
                             if (ec) return;
                             asio::async_write(socket, asio::buffer(head),
                                               [&](boost::system::error_code, std::size_t) { more(); });
                         });
    ioc.run_for(deadline);
    return got;
}

}  // namespace vuv::test
