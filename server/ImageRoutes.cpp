#include "server/ImageRoutes.h"

#include "server/ContentStore.h"
#include "server/Http.h"
#include "server/ServerContext.h"

#include "server/HttpRouter.h"

namespace quindle {

namespace {

const char* pictureType(const std::string& bytes)
{
    if (bytes.rfind("\x89PNG", 0) == 0)
        return "image/png";
    if (bytes.rfind("GIF8", 0) == 0)
        return "image/gif";
    return "image/jpeg";
}

/// Pictures of an owner without a site (uploads to the care forms) stay readable by address.
bool mayRead(ServerContext& ctx, const ServerRequest& req, int64_t ownerId)
{
    ContentStore db(ctx.storage);
    auto site = db.siteOfOwner(ownerId);
    if (!site || site->published)
        return true;
    auto caller = ctx.caller(req);
    return caller && (caller->id == ownerId || caller->isRoot);
}

} // namespace

void registerImageRoutes(HttpRouter& server, ServerContext& context)
{
    ServerContext* ctx = &context;
    // 32 hex digits: ServerContext::imageTokenLength.
    server.get(R"(/images/([0-9a-f]{32})\.jpg)", [ctx](const ServerRequest& req, ServerResponse& res) {
        auto image = ctx->imageByToken(req.matches[1]);
        if (!image || !mayRead(*ctx, req, image->ownerId)) {
            ServerContext::sendError(res, 404, "no such picture");
            return;
        }
        const char* type = pictureType(image->bytes);
        res.setContent(std::move(image->bytes), type);
    });
}

} // namespace quindle
