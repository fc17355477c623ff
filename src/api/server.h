// The automation interface's HTTP server (Beast over Asio), on a thread of
// its own. It reads each request within the limits of api/request.h, has the
// router decide it, serves the run-log stream, the log page and the OpenAPI
// document itself, and hands every other call to the panel's executor, on
// a worker thread of the server that runs the calls one at a time (the
// panel's implementation hands each on to the interface thread), so a long
// call holds up neither the other connections nor the event streams. Answers are JSON in UTF-8; no answer carries an
// Access-Control-* header.
#pragma once

#include "api/event_store.h"
#include "api/request.h"
#include "api/text_codec.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vuv::api {

// What the panel does for a call. Called on the server's worker thread, one
// call at a time; the answer's texts may be GBK (the server converts them).
class Executor {
public:
    virtual ~Executor() = default;
    [[nodiscard]] virtual Answer carryOut(const Call& call) = 0;
};

// Every GBK string of the value (keys stay as they are: all are ASCII) as
// UTF-8.
void textsToUtf8(boost::json::value& value, const TextCodec& codec);

// A row as the stream and the log page give it: {id, time, pid, kind, content}.
[[nodiscard]] boost::json::object eventJson(const StoredEvent& event, const TextCodec& codec);

// The OpenAPI 3 document, written from the route table.
[[nodiscard]] boost::json::value openApiDocument(std::string_view version);

// The server's timings, shortened by the tests.
struct ServerTimings {
    int idleSeconds = kIdleSeconds;
    int keepAliveSeconds = 15;  // a comment line on an idle event stream
};

class Server {
public:
    Server(Executor& executor, EventStore& events, const TextCodec& codec, std::string version,
           ServerTimings timings = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds the address and port and starts the thread. Empty on success,
    // else what failed (ASCII); nothing is left running then. Port 0 takes
    // any free port (tests).
    [[nodiscard]] std::string start(const Listening& listening);
    // Closes every connection and ends the thread. A call being carried out
    // finishes first.
    void stop();

    [[nodiscard]] bool running() const noexcept;
    [[nodiscard]] std::uint16_t port() const noexcept;
    // Open connections, event streams included (any thread).
    [[nodiscard]] std::size_t connections() const noexcept;

    class Impl;

private:
    Executor& executor_;
    EventStore& events_;
    const TextCodec& codec_;
    std::string version_;
    ServerTimings timings_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vuv::api
