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

#include "server/HttpRouter.h"
#include "server/HttpServer.h"

#include <chrono>
#include <cstdio>
#include <mutex>

namespace quindle {

namespace {

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
    HttpRouter router;
    std::unique_ptr<HttpServer> http;
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
        HttpServer::Logger logger;
        if (options.requestLog) {
            logger = [self](const ServerRequest& req, const ServerResponse& res, std::chrono::microseconds took) {
                const auto micros = took.count();
                std::string line = (req.method.empty() ? std::string("-") : req.method) + ' ' + loggedTarget(req) + ' '
                    + std::to_string(res.status) + ' ' + std::to_string(micros / 1000) + '.' + std::to_string(micros / 100 % 10) + " ms\n";
                std::lock_guard lock(self->logMutex);
                std::fputs(line.c_str(), stderr);
            };
        }
        impl->http = std::make_unique<HttpServer>(options.http, [self](ServerRequest& req, ServerResponse& res) {
            try {
                // Unknown paths still answer a JSON object.
                if (!self->router.dispatch(req, res))
                    ServerContext::sendError(res, 404, "no such endpoint");
            } catch (const std::exception&) {
                res = ServerResponse {};
                ServerContext::sendError(res, 500, "internal error");
            }
        }, std::move(logger), [self](const ServerRequest& req) { return self->router.runsLong(req); });
        HttpRouter& http = impl->router;
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
    impl.port = impl.http->bind(impl.options.host, impl.options.port, error);
    if (impl.port <= 0)
        return false;
    impl.context->setPublicHost(host());
    impl.http->start();
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
    if (m_impl && m_impl->http)
        m_impl->http->stop();
}

} // namespace quindle
