#include "server/QuindleServer.h"

#include "core/ServerConfiguration.h"
#include "server/Accounts.h"
#include "server/ContentApi.h"
#include "server/ContentDemo.h"
#include "server/ImageRoutes.h"
#include "server/LegacyApi.h"
#include "server/LegacyDemo.h"
#include "server/ServerContext.h"
#include "server/SqliteStorage.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace quindle {

namespace {

thread_local std::chrono::steady_clock::time_point t_requestStart;

/// The request target for the log, with the password value hidden.
std::string loggedTarget(const ServerRequest& req)
{
    std::string out = req.path;
    char separator = '?';
    for (const auto& [key, value] : req.params) {
        out += separator;
        separator = '&';
        out += key;
        out += '=';
        out += key == "password" ? std::string("***") : value;
    }
    return out;
}

} // namespace

struct QuindleServer::Impl {
    ServerOptions options;
    std::unique_ptr<Storage> storage;
    std::unique_ptr<Accounts> accounts;
    std::unique_ptr<ServerContext> context;
    httplib::Server http;
    std::thread thread;
    std::mutex logMutex;
    int port = 0;
};

QuindleServer::QuindleServer(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

QuindleServer::~QuindleServer()
{
    stop();
}

std::unique_ptr<QuindleServer> QuindleServer::create(ServerOptions options, std::string* error)
{
    auto impl = std::make_unique<Impl>();
    impl->options = options;
    std::string openError;
    impl->storage = SqliteStorage::open(options.databasePath, &openError);
    if (!impl->storage) {
        if (error)
            *error = "cannot open " + options.databasePath + ": " + openError;
        return nullptr;
    }
    try {
        impl->accounts = std::make_unique<Accounts>(*impl->storage);
        impl->accounts->migrate();
        impl->context = std::make_unique<ServerContext>(*impl->storage, *impl->accounts);
        Impl* self = impl.get();
        HttpRouter& http = impl->http;

        http.set_tcp_nodelay(true);
        http.set_payload_max_length(options.maxBodyBytes);
        http.set_read_timeout(options.readTimeoutSeconds, 0);
        http.set_write_timeout(options.writeTimeoutSeconds, 0);
        http.set_keep_alive_timeout(options.keepAliveTimeoutSeconds);
        http.set_keep_alive_max_count(options.keepAliveMaxRequests);
        size_t threads = options.threads;
        http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };

        http.set_pre_routing_handler([](const ServerRequest&, ServerResponse&) {
            t_requestStart = std::chrono::steady_clock::now();
            return httplib::Server::HandlerResponse::Unhandled;
        });
        if (options.requestLog) {
            http.set_logger([self](const ServerRequest& req, const ServerResponse& res) {
                auto micros = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t_requestStart).count();
                std::string line = req.method + ' ' + loggedTarget(req) + ' ' + std::to_string(res.status) + ' '
                    + std::to_string(micros / 1000) + '.' + std::to_string(micros / 100 % 10) + " ms\n";
                std::lock_guard lock(self->logMutex);
                std::fputs(line.c_str(), stderr);
            });
        }
        // Unknown paths, oversized bodies and bad requests still answer a JSON object.
        http.set_error_handler([](const ServerRequest&, ServerResponse& res) {
            if (!res.body.empty())
                return;
            const char* message = res.status == 404 ? "no such endpoint"
                : res.status == 413                 ? "request body too large"
                : res.status == 414                 ? "request address too long"
                                                    : "bad request";
            ServerContext::sendError(res, res.status, message);
        });
        http.set_exception_handler([](const ServerRequest&, ServerResponse& res, std::exception_ptr) {
            ServerContext::sendError(res, 500, "internal error");
        });
        registerImageRoutes(http, *impl->context);
        ContentApi::registerRoutes(http, *impl->context);
        LegacyApi::registerRoutes(http, *impl->context);
        if (options.demo) {
            ContentDemo::seed(*impl->context);
            LegacyDemo::seed(*impl->storage);
        }
    } catch (const std::exception& e) {
        if (error)
            *error = e.what();
        return nullptr;
    }
    return std::unique_ptr<QuindleServer>(new QuindleServer(std::move(impl)));
}

bool QuindleServer::start(std::string* error)
{
    Impl& impl = *m_impl;
    if (impl.options.port == 0)
        impl.port = impl.http.bind_to_any_port(impl.options.host);
    else
        impl.port = impl.http.bind_to_port(impl.options.host, impl.options.port) ? impl.options.port : -1;
    if (impl.port <= 0) {
        if (error)
            *error = "cannot listen on " + impl.options.host + ":" + std::to_string(impl.options.port);
        return false;
    }
    impl.context->setPublicHost(host());
    impl.thread = std::thread([&impl] { impl.http.listen_after_bind(); });
    return true;
}

int QuindleServer::port() const
{
    return m_impl->port;
}

std::string QuindleServer::host() const
{
    return "http://" + m_impl->options.host + ":" + std::to_string(m_impl->port);
}

std::string QuindleServer::baseURL() const
{
    return host() + std::string(ServerConfiguration::basePath);
}

std::string QuindleServer::legacyBaseURL() const
{
    return host() + std::string(ServerConfiguration::legacyPath);
}

void QuindleServer::stop()
{
    if (!m_impl)
        return;
    m_impl->http.stop();
    if (m_impl->thread.joinable())
        m_impl->thread.join();
}

void QuindleServer::wait()
{
    if (m_impl->thread.joinable())
        m_impl->thread.join();
}

} // namespace quindle
