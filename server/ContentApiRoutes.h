#pragma once

// The content API's route table, filled by one function per part of the API.

#include "server/ContentApiSupport.h"
#include "server/ContentStore.h"
#include "server/HttpRouter.h"
#include "server/ServerContext.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quindle::contentapi {

using Handler = std::function<void(Exchange&, const ServerRequest&, ServerResponse&)>;
/// A handler of a JSON body, given the body's text.
using BodyHandler = std::function<void(Exchange&, const std::string&, ServerResponse&)>;

std::string pattern(std::string_view endpoint);

class Routes {
public:
    Routes(HttpRouter& server, ServerContext& context)
        : m_server(server)
        , m_ctx(context)
        , m_store(std::make_shared<ContentStore>(context.storage))
    {
        m_store->migrate();
    }

    void get(std::string_view endpoint, Handler handler, HttpRouter::Cost cost = HttpRouter::Cost::Quick)
    {
        m_server.get(pattern(endpoint), wrap(std::move(handler)), cost);
    }
    void post(std::string_view endpoint, Handler handler) { m_server.post(pattern(endpoint), wrap(std::move(handler))); }

    /// A POST whose body is JSON although the client labels it form-encoded, so the body is
    /// taken as it is. `limit` reads the body limit at request time.
    void postJson(std::string_view endpoint, std::function<size_t()> limit, BodyHandler handler,
        HttpRouter::Cost cost = HttpRouter::Cost::Quick)
    {
        ServerContext* ctx = &m_ctx;
        std::shared_ptr<ContentStore> store = m_store;
        m_server.post(
            pattern(endpoint),
            [ctx, store, limit = std::move(limit), handler = std::move(handler)](const ServerRequest& req, ServerResponse& res) {
                guarded(res, [&] {
                    if (req.isMultipartFormData())
                        throw BadRequest { "body is not JSON" };
                    if (req.body.size() > limit())
                        throw BadRequest { "request body too large", 413 };
                    Exchange exchange(*ctx, *store, req);
                    handler(exchange, req.body, res);
                });
            },
            HttpRouter::Body::Raw, cost);
    }

private:
    /// Runs `work`; a refusal becomes its JSON error, a storage failure a 500 JSON object.
    static void guarded(ServerResponse& res, const std::function<void()>& work)
    {
        try {
            work();
        } catch (const BadRequest& bad) {
            ServerContext::sendError(res, bad.status, bad.message);
        } catch (const StorageError&) {
            ServerContext::sendError(res, 500, "storage error");
        } catch (const std::exception&) {
            ServerContext::sendError(res, 500, "internal error");
        }
    }

    HttpRouter::Handler wrap(Handler handler)
    {
        ServerContext* ctx = &m_ctx;
        std::shared_ptr<ContentStore> store = m_store;
        return [ctx, store, handler = std::move(handler)](const ServerRequest& req, ServerResponse& res) {
            guarded(res, [&] {
                Exchange exchange(*ctx, *store, req);
                handler(exchange, req, res);
            });
        };
    }

    HttpRouter& m_server;
    ServerContext& m_ctx;
    std::shared_ptr<ContentStore> m_store;
};

void accountRoutes(Routes& routes); // ContentApiAccount.cpp
void readRoutes(Routes& routes); // ContentApiRead.cpp
void changeRoutes(Routes& routes); // ContentApiChange.cpp
void postRoutes(Routes& routes); // ContentApiPost.cpp
void otherRoutes(Routes& routes); // ContentApiOther.cpp

} // namespace quindle::contentapi
