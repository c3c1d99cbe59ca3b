#pragma once

#include "server/Http.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace quindle {

/// Limits of the HTTP layer. A slow client never holds a thread: connections wait on one event
/// loop, and a thread is taken only to run a whole request.
struct HttpLimits {
    static constexpr size_t defaultMaxHeaderBytes = 64 * 1024;
    static constexpr size_t defaultMaxTargetBytes = 8 * 1024;
    static constexpr size_t defaultMaxBodyBytes = 16 * 1024 * 1024;
    static constexpr std::chrono::milliseconds defaultHeaderDeadline { 10'000 };
    static constexpr std::chrono::milliseconds defaultBodyDeadline { 10'000 };
    static constexpr size_t defaultSlowestBodyBytesPerSecond = 32 * 1024;
    static constexpr std::chrono::milliseconds defaultWriteDeadline { 10'000 };
    static constexpr std::chrono::milliseconds defaultKeepAliveTimeout { 5'000 };
    static constexpr size_t defaultKeepAliveMaxRequests = 100'000;
    static constexpr size_t defaultMaxConnectionsPerOrigin = 64;
    static constexpr size_t defaultMaxConnections = 4096;
    static constexpr size_t defaultLoopThreads = 4;
    static constexpr size_t defaultWorkerThreads = 8;

    /// Request line and headers together.
    size_t maxHeaderBytes = defaultMaxHeaderBytes;
    /// The request target alone; longer answers 414.
    size_t maxTargetBytes = defaultMaxTargetBytes;
    /// A larger declared Content-Length answers 413 before any of the body is read.
    size_t maxBodyBytes = defaultMaxBodyBytes;
    /// From accepting a connection to the end of the first request's headers.
    std::chrono::milliseconds headerDeadline = defaultHeaderDeadline;
    /// From the end of the headers to the end of the body: this, plus the declared length at
    /// the slowest rate a real upload takes. A trickle does not move it.
    std::chrono::milliseconds bodyDeadline = defaultBodyDeadline;
    size_t slowestBodyBytesPerSecond = defaultSlowestBodyBytesPerSecond;
    /// The whole reply, plus its length at the slowest rate.
    std::chrono::milliseconds writeDeadline = defaultWriteDeadline;
    /// An idle keep-alive connection closes after this; the next request's headers are due within it.
    std::chrono::milliseconds keepAliveTimeout = defaultKeepAliveTimeout;
    size_t keepAliveMaxRequests = defaultKeepAliveMaxRequests;
    /// Open connections from one address; further ones are closed at once.
    size_t maxConnectionsPerOrigin = defaultMaxConnectionsPerOrigin;
    size_t maxConnections = defaultMaxConnections;
    /// Event loops, a thread each; connections are spread over them and quick handlers run there.
    size_t loopThreads = defaultLoopThreads;
    /// Threads for the handlers that take long (password hashing, pictures).
    size_t workerThreads = defaultWorkerThreads;
};

struct HttpServerCore;

/// An event-driven HTTP/1.1 server: reads whole requests under the limits, runs `handler` on
/// each and writes the reply back.
class HttpServer {
public:
    using Handler = std::function<void(ServerRequest&, ServerResponse&)>;
    /// Called after each reply with the time from the whole request to its reply.
    using Logger = std::function<void(const ServerRequest&, const ServerResponse&, std::chrono::microseconds)>;
    /// True for a request whose handler takes long enough to hold up other connections.
    using Classifier = std::function<bool(const ServerRequest&)>;

    HttpServer(HttpLimits limits, Handler handler, Logger logger = {}, Classifier runsLong = {});
    ~HttpServer();

    /// Binds `host`:`port` (0 picks a port); the bound port, or -1 with `error`.
    int bind(const std::string& host, int port, std::string* error = nullptr);
    /// Serves on background threads until `stop`.
    void start();
    void stop();
    /// Connections open now (tests).
    size_t openConnections() const;

private:
    std::unique_ptr<HttpServerCore> m_impl;
};

} // namespace quindle
