#include "server/HttpServer.h"

#include "server/ServerContext.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quindle {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace bhttp = boost::beast::http;
using tcp = asio::ip::tcp;

namespace {

using Clock = std::chrono::steady_clock;

/// Time to move `bytes` at `rate` bytes a second.
std::chrono::milliseconds transferTime(size_t bytes, size_t rate)
{
    return std::chrono::milliseconds(rate == 0 ? 0 : static_cast<int64_t>(bytes / rate * 1000 + bytes % rate * 1000 / rate));
}

} // namespace

struct HttpServerCore {
    HttpServerCore(HttpLimits limitsIn, HttpServer::Handler handlerIn, HttpServer::Logger loggerIn, HttpServer::Classifier runsLongIn)
        : limits(limitsIn)
        , handler(std::move(handlerIn))
        , logger(std::move(loggerIn))
        , runsLong(std::move(runsLongIn))
        , workers(std::max<size_t>(1, limits.workerThreads))
    {
        for (size_t i = 0; i < std::max<size_t>(1, limits.loopThreads); ++i) {
            loops.push_back(std::make_unique<asio::io_context>(1));
            // A loop without connections yet must keep running for those to come.
            idle.push_back(asio::make_work_guard(*loops.back()));
        }
    }

    /// The loop of the next connection, in turn.
    asio::io_context& nextLoop() { return *loops[nextLoopIndex++ % loops.size()]; }

    /// Counts a connection from `origin`; false when its origin or the server is full.
    bool admit(const std::string& origin)
    {
        std::lock_guard lock(mutex);
        size_t& fromOrigin = perOrigin[origin];
        if (fromOrigin >= limits.maxConnectionsPerOrigin || total >= limits.maxConnections) {
            if (fromOrigin == 0)
                perOrigin.erase(origin);
            return false;
        }
        ++fromOrigin;
        ++total;
        return true;
    }

    void release(const std::string& origin)
    {
        std::lock_guard lock(mutex);
        auto found = perOrigin.find(origin);
        if (found != perOrigin.end() && --found->second == 0)
            perOrigin.erase(found);
        --total;
    }

    void accept();

    const HttpLimits limits;
    const HttpServer::Handler handler;
    const HttpServer::Logger logger;
    const HttpServer::Classifier runsLong;
    mutable std::mutex mutex;
    std::map<std::string, size_t> perOrigin;
    size_t total = 0;
    asio::thread_pool workers;
    // One loop a thread: a loop's connections never contend for it. They are destroyed before
    // the counts above, since their connections release into those.
    std::vector<std::unique_ptr<asio::io_context>> loops;
    std::vector<asio::executor_work_guard<asio::io_context::executor_type>> idle;
    size_t nextLoopIndex = 0;
    std::optional<tcp::acceptor> acceptor;
    std::vector<std::thread> threads;
    std::atomic<bool> stopping { false };
};

namespace {

/// One client connection: reads a request under its deadlines, runs the handler on it, writes the
/// reply, and waits for the next one while kept alive.
class Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(HttpServerCore* server, tcp::socket socket, std::string origin)
        : m_server(server)
        , m_stream(std::move(socket))
        , m_origin(std::move(origin))
    {
    }

    ~Connection() { m_server->release(m_origin); }

    void start() { readHeader(limits().headerDeadline); }
    beast::tcp_stream::executor_type executor() { return m_stream.get_executor(); }

private:
    const HttpLimits& limits() const { return m_server->limits; }

    void readHeader(std::chrono::milliseconds deadline)
    {
        m_parser.emplace();
        m_parser->header_limit(static_cast<std::uint32_t>(std::min<size_t>(limits().maxHeaderBytes, UINT32_MAX)));
        m_parser->body_limit(limits().maxBodyBytes);
        m_stream.expires_after(deadline);
        bhttp::async_read_header(m_stream, m_buffer, *m_parser,
            [self = shared_from_this()](beast::error_code ec, size_t) { self->onHeader(ec); });
    }

    void onHeader(beast::error_code ec)
    {
        if (ec)
            return refuse(ec);
        const auto& header = m_parser->get();
        if (header.target().size() > limits().maxTargetBytes)
            return fail(414, "request address too long");
        const size_t declared = m_parser->content_length().value_or(0);
        m_stream.expires_after(limits().bodyDeadline + transferTime(declared, limits().slowestBodyBytesPerSecond));
        if (beast::iequals(header[bhttp::field::expect], "100-continue")) {
            auto proceed = std::make_shared<bhttp::response<bhttp::empty_body>>(bhttp::status::continue_, header.version());
            bhttp::async_write(m_stream, *proceed, [self = shared_from_this(), proceed](beast::error_code error, size_t) {
                if (error)
                    return self->close();
                self->readBody();
            });
            return;
        }
        readBody();
    }

    void readBody()
    {
        bhttp::async_read(m_stream, m_buffer, *m_parser, [self = shared_from_this()](beast::error_code ec, size_t) {
            if (ec)
                return self->refuse(ec);
            self->dispatch();
        });
    }

    /// A read that failed: protocol errors are answered, time-outs and hang-ups just close.
    void refuse(beast::error_code ec)
    {
        if (ec == bhttp::error::body_limit)
            return fail(413, "request body too large");
        if (ec == bhttp::error::header_limit)
            return fail(431, "request headers too large");
        if (ec.category() == bhttp::make_error_code(bhttp::error::bad_target).category() && ec != bhttp::error::end_of_stream
            && ec != bhttp::error::partial_message)
            return fail(400, "bad request");
        close();
    }

    void dispatch()
    {
        auto request = std::make_shared<ServerRequest>();
        auto& message = m_parser->get();
        request->method = std::string(message.method_string());
        request->target = std::string(message.target());
        const size_t query = request->target.find('?');
        request->path = http::percentDecode(std::string_view(request->target).substr(0, query), false);
        if (query != std::string::npos)
            http::parseQuery(std::string_view(request->target).substr(query + 1), request->params);
        for (const auto& field : message)
            request->headers.emplace(std::string(field.name_string()), std::string(field.value()));
        request->body = std::move(message.body());
        request->remoteAddress = m_origin;
        m_keepAlive = message.keep_alive() && ++m_served < limits().keepAliveMaxRequests;
        m_version = message.version();
        m_parser.reset();
        m_stream.expires_never(); // the handler's time is not the client's
        // Quick handlers run on this loop; long ones (password hashing, pictures) on a worker,
        // so they hold up none of the loop's other connections.
        if (m_server->runsLong && m_server->runsLong(*request)) {
            asio::post(m_server->workers, [self = shared_from_this(), request] {
                auto response = std::make_shared<ServerResponse>(self->handle(*request));
                asio::post(self->m_stream.get_executor(), [self, response] { self->write(std::move(*response)); });
            });
            return;
        }
        write(handle(*request));
    }

    ServerResponse handle(ServerRequest& request)
    {
        ServerResponse response;
        const auto start = Clock::now();
        m_server->handler(request, response);
        if (m_server->logger)
            m_server->logger(request, response, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start));
        return response;
    }

    /// Answers a request that cannot be read in full and closes.
    void fail(int status, const std::string& message)
    {
        ServerResponse response;
        ServerContext::sendError(response, status, message);
        if (m_server->logger) {
            ServerRequest request;
            if (m_parser && m_parser->is_header_done()) {
                request.method = std::string(m_parser->get().method_string());
                request.path = std::string(m_parser->get().target().substr(0, 200));
            }
            m_server->logger(request, response, {});
        }
        m_keepAlive = false;
        m_parser.reset();
        write(std::move(response));
    }

    void write(ServerResponse&& response)
    {
        auto reply = std::make_shared<bhttp::response<bhttp::string_body>>();
        reply->version(m_version);
        reply->result(static_cast<unsigned>(response.status));
        for (const auto& [key, value] : response.headers)
            reply->insert(key, value);
        reply->body() = std::move(response.body);
        reply->keep_alive(m_keepAlive);
        reply->prepare_payload();
        m_stream.expires_after(limits().writeDeadline + transferTime(reply->body().size(), limits().slowestBodyBytesPerSecond));
        bhttp::async_write(m_stream, *reply, [self = shared_from_this(), reply](beast::error_code ec, size_t) {
            if (ec || !self->m_keepAlive || self->m_server->stopping)
                return self->close();
            self->readHeader(self->limits().keepAliveTimeout);
        });
    }

    void close()
    {
        beast::error_code ignored;
        m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
        m_stream.close();
    }

    HttpServerCore* m_server; // outlives every connection: its event loop holds them
    beast::tcp_stream m_stream;
    std::string m_origin;
    beast::flat_buffer m_buffer;
    std::optional<bhttp::request_parser<bhttp::string_body>> m_parser;
    bool m_keepAlive = false;
    unsigned m_version = 11;
    size_t m_served = 0;
};

} // namespace

void HttpServerCore::accept()
{
    acceptor->async_accept(nextLoop(), [self = this](beast::error_code ec, tcp::socket socket) {
        if (self->stopping || !self->acceptor->is_open())
            return;
        if (!ec) {
            beast::error_code ignored;
            std::string origin = socket.remote_endpoint(ignored).address().to_string(ignored);
            socket.set_option(tcp::no_delay(true), ignored);
            if (self->admit(origin)) {
                // Everything a connection does happens on its own loop, the first read included.
                auto connection = std::make_shared<Connection>(self, std::move(socket), std::move(origin));
                asio::post(connection->executor(), [connection] { connection->start(); });
            }
            else
                socket.close(ignored);
        }
        self->accept();
    });
}

HttpServer::HttpServer(HttpLimits limits, Handler handler, Logger logger, Classifier runsLong)
    : m_impl(std::make_unique<HttpServerCore>(limits, std::move(handler), std::move(logger), std::move(runsLong)))
{
}

HttpServer::~HttpServer()
{
    stop();
}

int HttpServer::bind(const std::string& host, int port, std::string* error)
{
    beast::error_code ec;
    auto address = asio::ip::make_address(host, ec);
    if (ec) {
        if (error)
            *error = "bad address " + host;
        return -1;
    }
    tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
    tcp::acceptor& acceptor = m_impl->acceptor.emplace(*m_impl->loops.front());
    acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        acceptor.bind(endpoint, ec);
    if (!ec)
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        if (error)
            *error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + ec.message();
        m_impl->acceptor.reset();
        return -1;
    }
    return acceptor.local_endpoint().port();
}

void HttpServer::start()
{
    if (!m_impl->acceptor)
        return;
    m_impl->accept();
    for (auto& loop : m_impl->loops)
        m_impl->threads.emplace_back([&loop = *loop] { loop.run(); });
}

void HttpServer::stop()
{
    HttpServerCore& impl = *m_impl;
    if (impl.stopping.exchange(true))
        return;
    // Handlers under way finish; their replies, like every open connection, go with the loops
    // when they are destroyed.
    for (auto& loop : impl.loops)
        loop->stop();
    for (std::thread& thread : impl.threads)
        thread.join();
    impl.threads.clear();
    impl.workers.join();
    beast::error_code ignored;
    if (impl.acceptor)
        impl.acceptor->close(ignored);
}

size_t HttpServer::openConnections() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->total;
}

} // namespace quindle
