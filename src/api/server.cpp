#include "api/server.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/json/serialize.hpp>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <list>
#include <optional>
#include <thread>
#include <utility>

namespace vuv::api {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace json = boost::json;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kStreamBatch = 512;  // rows per write of an event stream
constexpr std::size_t kLogPageRows = 1000;
constexpr int kPollMs = 10;

}  // namespace

class EventStream;

class Server::Impl {
public:
    Impl(Executor& executor, EventStore& events, const TextCodec& codec, const std::string& version,
         const ServerTimings& timings)
        : executor(executor), events(events), codec(codec), version(version), timings(timings), acceptor(ioc) {}

    void accept();
    void wakeStreams();
    // While streams are open, looks for new rows every kPollMs: appending a
    // row then costs the interface thread nothing beyond the store's lock
    // (a wake posted per row would cost a system call each under load).
    void startPolling();
    void poll();
    // Hands a call to the worker thread, which runs the calls one at a time,
    // so that a long call holds up no other connection and no stream.
    void submit(std::function<void()> job);
    void work();

    Executor& executor;
    EventStore& events;
    const TextCodec& codec;
    const std::string& version;
    const ServerTimings& timings;
    Listening listening;
    std::uint16_t boundPort = 0;
    std::atomic<std::size_t> open{0};
    std::list<std::weak_ptr<EventStream>> streams;  // server thread only
    std::mutex jobsMutex;
    std::condition_variable jobsReady;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;
    std::thread worker;
    std::thread thread;
    // Last: destroyed first, with every connection it still holds, while
    // the counters they update are still there.
    asio::io_context ioc;
    tcp::acceptor acceptor;
    asio::steady_timer pollTimer{ioc};
    std::uint64_t seenId = 0;
    bool polling = false;
};

namespace {

void setCommonHeaders(http::response<http::string_body>& res) {
    res.set(http::field::server, "vuv");
    res.set(http::field::cache_control, "no-store");
    res.set("X-Content-Type-Options", "nosniff");
}

http::response<http::string_body> jsonResponse(unsigned status, const json::value& body, unsigned version,
                                               bool keepAlive) {
    http::response<http::string_body> res{static_cast<http::status>(status), version};
    setCommonHeaders(res);
    res.set(http::field::content_type, "application/json; charset=utf-8");
    res.keep_alive(keepAlive);
    res.body() = json::serialize(body);
    res.prepare_payload();
    return res;
}

std::string sseFrame(const StoredEvent& e, const TextCodec& codec) {
    std::string out = "id: ";
    out += std::to_string(e.id);
    out += "\nevent: ";
    out += e.kind;
    out += "\ndata: ";
    out += json::serialize(eventJson(e, codec));  // one line: serialize escapes line breaks
    out += "\n\n";
    return out;
}

}  // namespace

// A connection that became an event stream: the header once, then rows as
// they come, a comment line when nothing came for a while.
class EventStream : public std::enable_shared_from_this<EventStream> {
public:
    EventStream(Server::Impl& server, beast::tcp_stream stream, std::uint64_t after, const TextCodec& codec,
                const ServerTimings& timings)
        : server_(server), stream_(std::move(stream)), timer_(stream_.get_executor()), after_(after), codec_(codec),
          timings_(timings) {}

    ~EventStream() { server_.open.fetch_sub(1); }

    void begin() {
        pending_ =
            "HTTP/1.1 200 OK\r\nServer: vuv\r\nContent-Type: text/event-stream; charset=utf-8\r\n"
            "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n";
        const EventStore::Page page = events_().after(after_, 0);
        appendGap(page);
        write();
        watchPeer();
    }

    // New rows may be there.
    void wake() {
        if (!writing_) timer_.cancel();
    }

private:
    // A client sends nothing more on a stream: a read ends when it leaves.
    void watchPeer() {
        stream_.socket().async_read_some(asio::buffer(sink_), [self = shared_from_this()](beast::error_code ec,
                                                                                         std::size_t) {
            if (ec) return self->close();
            self->watchPeer();
        });
    }

    EventStore& events_() { return server_.events; }

    // Rows the store no longer holds: the client is told which, once, and
    // the stream goes on after them.
    void appendGap(const EventStore::Page& page) {
        if (page.gapTo == 0) return;
        json::object gap;
        gap["from"] = page.gapFrom;
        gap["to"] = page.gapTo;
        pending_ += "event: gap\ndata: " + json::serialize(gap) + "\n\n";
        after_ = page.gapTo;
    }

    void write() {
        writing_ = true;
        stream_.expires_after(std::chrono::seconds(timings_.idleSeconds));
        asio::async_write(stream_, asio::buffer(pending_),
                          [self = shared_from_this()](beast::error_code ec, std::size_t) { self->written(ec); });
    }

    void written(beast::error_code ec) {
        writing_ = false;
        if (ec) return close();
        pending_.clear();
        next();
    }

    void next() {
        const EventStore::Page page = events_().after(after_, kStreamBatch);
        appendGap(page);
        for (const StoredEvent& e : page.rows) {
            pending_ += sseFrame(e, codec_);
            after_ = e.id;
        }
        if (!pending_.empty()) return write();
        stream_.expires_never();
        timer_.expires_after(std::chrono::seconds(timings_.keepAliveSeconds));
        timer_.async_wait([self = shared_from_this()](beast::error_code ec) {
            if (!ec) self->pending_ = ": keep-alive\n\n";
            if (ec && ec != asio::error::operation_aborted) return self->close();
            if (!self->stream_.socket().is_open()) return;
            self->next();
        });
    }

    void close() {
        beast::error_code ignored;
        timer_.cancel();
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.socket().close(ignored);
    }

    Server::Impl& server_;
    beast::tcp_stream stream_;
    asio::steady_timer timer_;
    std::uint64_t after_;
    const TextCodec& codec_;
    const ServerTimings& timings_;
    std::string pending_;
    bool writing_ = false;
    char sink_[256];
};

// One HTTP connection: requests one after the other.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(Server::Impl& server, tcp::socket socket) : server_(server), stream_(std::move(socket)) {}
    ~Session() {
        if (!handedOver_) server_.open.fetch_sub(1);
    }

    void read() {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(kHeadLimit));
        parser_->body_limit(kBodyLimit);
        stream_.expires_after(std::chrono::seconds(server_.timings.idleSeconds));
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onRead(ec); });
    }

private:
    void onRead(beast::error_code ec) {
        if (ec == http::error::header_limit) {
            return send(jsonResponse(431, errorAnswer(431, "header_too_large", "the request head exceeds 8 KB").body,
                                     11, false));
        }
        if (ec == http::error::body_limit) {
            return send(
                jsonResponse(413, errorAnswer(413, "body_too_large", "the request body exceeds 1 MB").body, 11, false));
        }
        if (ec == http::error::end_of_stream || ec == beast::error::timeout || ec == asio::error::operation_aborted ||
            ec == asio::error::connection_reset || ec == asio::error::eof) {
            return close();
        }
        if (ec) {
            return send(jsonResponse(400, errorAnswer(400, "bad_request", "the request is not HTTP/1.1").body, 11,
                                     false));
        }
        handle(parser_->release());
    }

    static std::optional<std::string_view> header(const http::request<http::string_body>& req, http::field field) {
        const auto it = req.find(field);
        if (it == req.end()) return std::nullopt;
        return std::string_view(it->value().data(), it->value().size());
    }

    void handle(http::request<http::string_body> req) {
        RequestView view;
        view.method = std::string_view(req.method_string().data(), req.method_string().size());
        view.target = std::string_view(req.target().data(), req.target().size());
        view.host = header(req, http::field::host);
        view.origin = header(req, http::field::origin);
        view.authorization = header(req, http::field::authorization);
        const auto lastId = req.find("Last-Event-ID");
        if (lastId != req.end()) view.lastEventId = std::string_view(lastId->value().data(), lastId->value().size());
        view.body = req.body();

        Server::Impl& owner = server_;
        const Decision decision = decide(view, server_.listening, owner.codec);
        const bool keepAlive = req.keep_alive();
        if (decision.error) return send(jsonResponse(decision.error->status, decision.error->body, req.version(),
                                                     keepAlive && decision.error->status < 500));
        const Call& call = decision.call;
        switch (call.route) {
            case Route::Events: return stream(call);
            case Route::Log: return send(jsonResponse(200, logPage(call), req.version(), keepAlive));
            case Route::OpenApi:
                return send(jsonResponse(200, openApiDocument(owner.version), req.version(), keepAlive));
            default: break;
        }
        const unsigned version = req.version();
        owner.submit([self = shared_from_this(), call, version, keepAlive] {
            Server::Impl& server = self->server_;
            Answer answer;
            try {
                answer = server.executor.carryOut(call);
                textsToUtf8(answer.body, server.codec);
            } catch (const std::exception&) {
                answer = errorAnswer(500, "internal", "the call failed");
            }
            auto res = std::make_shared<http::response<http::string_body>>(
                jsonResponse(answer.status, answer.body, version, keepAlive));
            asio::post(server.ioc, [self, res] { self->send(std::move(*res)); });
        });
    }

    json::value logPage(const Call& call) {
        const std::uint64_t after =
            call.params.contains("after") ? static_cast<std::uint64_t>(call.params.at("after").get_int64()) : 0;
        const std::size_t limit = call.params.contains("limit")
                                      ? static_cast<std::size_t>(call.params.at("limit").get_int64())
                                      : kLogPageRows;
        const EventStore::Page page = server_.events.after(after, limit);
        json::array rows;
        rows.reserve(page.rows.size());
        for (const StoredEvent& e : page.rows) rows.push_back(eventJson(e, server_.codec));
        json::object body;
        body["rows"] = std::move(rows);
        if (page.gapTo != 0) {
            json::object gap;
            gap["from"] = page.gapFrom;
            gap["to"] = page.gapTo;
            body["gap"] = std::move(gap);
        } else {
            body["gap"] = nullptr;
        }
        body["last"] = page.lastId;
        return body;
    }

    void stream(const Call& call) {
        const std::uint64_t after =
            call.params.contains("after") ? static_cast<std::uint64_t>(call.params.at("after").get_int64()) : 0;
        handedOver_ = true;  // the stream counts the connection from now on
        auto es = std::make_shared<EventStream>(server_, std::move(stream_), after, server_.codec,
                                                server_.timings);
        server_.streams.push_back(es);
        es->begin();
        server_.startPolling();
    }

    void send(http::response<http::string_body> res) {
        auto shared = std::make_shared<http::response<http::string_body>>(std::move(res));
        stream_.expires_after(std::chrono::seconds(server_.timings.idleSeconds));
        http::async_write(stream_, *shared, [self = shared_from_this(), shared](beast::error_code ec, std::size_t) {
            if (ec || !shared->keep_alive()) return self->close();
            self->read();
        });
    }

    void close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.socket().close(ignored);
    }

    Server::Impl& server_;
    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    bool handedOver_ = false;
};

void Server::Impl::accept() {
    acceptor.async_accept(ioc, [this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor.is_open()) return;
        if (!ec) {
            if (open.load() >= kConnectionLimit) {
                beast::error_code ignored;
                socket.close(ignored);  // refused: over the limit
            } else {
                open.fetch_add(1);
                std::make_shared<Session>(*this, std::move(socket))->read();
            }
        }
        accept();
    });
}

void Server::Impl::submit(std::function<void()> job) {
    {
        const std::lock_guard<std::mutex> lock(jobsMutex);
        jobs.push_back(std::move(job));
    }
    jobsReady.notify_one();
}

void Server::Impl::work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> lock(jobsMutex);
            jobsReady.wait(lock, [this] { return stopping || !jobs.empty(); });
            if (stopping) return;
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        job();
    }
}

void Server::Impl::startPolling() {
    if (polling) return;
    polling = true;
    seenId = events.lastId();
    poll();
}

void Server::Impl::poll() {
    const std::uint64_t last = events.lastId();
    if (last != seenId) {
        seenId = last;
        wakeStreams();
    } else {
        // Only to drop the streams that have ended.
        streams.remove_if([](const std::weak_ptr<EventStream>& s) { return s.expired(); });
    }
    if (streams.empty()) {
        polling = false;
        return;
    }
    pollTimer.expires_after(std::chrono::milliseconds(kPollMs));
    pollTimer.async_wait([this](beast::error_code ec) {
        if (!ec) poll();
    });
}

void Server::Impl::wakeStreams() {
    for (auto it = streams.begin(); it != streams.end();) {
        if (auto s = it->lock()) {
            s->wake();
            ++it;
        } else {
            it = streams.erase(it);
        }
    }
}

Server::Server(Executor& executor, EventStore& events, const TextCodec& codec, std::string version,
               ServerTimings timings)
    : executor_(executor), events_(events), codec_(codec), version_(std::move(version)), timings_(timings) {}

Server::~Server() { stop(); }

std::string Server::start(const Listening& listening) {
    stop();
    auto impl = std::make_unique<Impl>(executor_, events_, codec_, version_, timings_);
    impl->listening = listening;
    beast::error_code ec;
    const asio::ip::address address = asio::ip::make_address(listening.address, ec);
    if (ec) return "the address " + listening.address + " is not an IP address";
    const tcp::endpoint endpoint(address, listening.port);
    const std::string where = listening.address + ":" + std::to_string(listening.port);
    impl->acceptor.open(endpoint.protocol(), ec);
    if (ec) return "cannot listen on " + where + ": " + ec.message();
#ifdef _WIN32
    // Nobody else may bind the same port while the panel holds it.
    using exclusive = asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;
    impl->acceptor.set_option(exclusive(true), ec);
#else
    impl->acceptor.set_option(asio::socket_base::reuse_address(true), ec);
#endif
    impl->acceptor.bind(endpoint, ec);
    if (ec) return "cannot listen on " + where + ": " + ec.message();
    impl->acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) return "cannot listen on " + where + ": " + ec.message();
    impl->boundPort = impl->acceptor.local_endpoint(ec).port();
    impl->listening.port = impl->boundPort;

    Impl* raw = impl.get();
    raw->accept();
    impl_ = std::move(impl);
    impl_->worker = std::thread([raw] { raw->work(); });
    impl_->thread = std::thread([raw] {
        for (;;) {
            try {
                raw->ioc.run();
                return;
            } catch (const std::exception&) {
                // A handler's failure ends its connection, never the server.
            }
        }
    });
    return {};
}

void Server::stop() {
    if (!impl_) return;
    asio::post(impl_->ioc, [raw = impl_.get()] {
        beast::error_code ignored;
        raw->acceptor.close(ignored);
        raw->ioc.stop();
    });
    if (impl_->thread.joinable()) impl_->thread.join();
    {
        const std::lock_guard<std::mutex> lock(impl_->jobsMutex);
        impl_->stopping = true;
    }
    impl_->jobsReady.notify_one();
    // A call being carried out finishes first (its answer goes nowhere).
    if (impl_->worker.joinable()) impl_->worker.join();
    impl_->jobs.clear();  // their connections go while the io_context is still there
    impl_.reset();  // the io_context goes, and with it every connection
}

bool Server::running() const noexcept { return impl_ != nullptr; }
std::uint16_t Server::port() const noexcept { return impl_ ? impl_->boundPort : 0; }
std::size_t Server::connections() const noexcept { return impl_ ? impl_->open.load() : 0; }

}  // namespace vuv::api
