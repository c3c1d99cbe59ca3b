#pragma once

#include "platform/JsonValue.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quindle {

class ContentStore;
class HttpRouter;
class ServerContext;
struct ServerRequest;

/// The content server's endpoints under `basePath`: accounts, sites, pages, items, pictures,
/// dates, forms, documents, beacons and contact requests. Every reply is a JSON object; what
/// the client reads is under "Message". Reads of an unpublished site, or of a deleted asset,
/// answer 404 to everyone but its owner and root users, so a site stays private until it is
/// approved. Every change needs a logged-in caller (403 otherwise) who owns the asset (403),
/// names an existing asset (404) and sends valid values (400); a refused request changes nothing.
/// "Owner" in a reply is the caller's own token on the caller's assets and "user-<id>" otherwise,
/// so exactly the owner's client offers editing.
class ContentApi {
public:
    static constexpr std::string_view basePath = "/~corvath/vantro/web/app_dev.php/";
    /// Largest JSON body of the text, name and form endpoints.
    static constexpr size_t defaultMaxJsonBody = 256 * 1024;
    /// Largest JSON body of "sendImage" (a Base64 picture).
    static constexpr size_t defaultMaxImageBody = 16 * 1024 * 1024;
    /// Most values one form submission may carry.
    static constexpr size_t defaultMaxFormFields = 500;

    /// Longest device identifier and push token accepted.
    static constexpr size_t defaultMaxDeviceIdLength = 256;
    static constexpr size_t defaultMaxPushTokenLength = 512;

    static void setMaxJsonBody(size_t bytes);
    static size_t maxJsonBody();
    static void setMaxImageBody(size_t bytes);
    static size_t maxImageBody();
    static void setMaxFormFields(size_t count);
    static size_t maxFormFields();
    static void setMaxDeviceIdLength(size_t length);
    static size_t maxDeviceIdLength();
    static void setMaxPushTokenLength(size_t length);
    static size_t maxPushTokenLength();

    /// The items of the page `id` as its directory reply lists them ("Children"), seen by the
    /// request's caller; for endpoints outside this API that add items to a page.
    static JsonArrayPtr childrenOf(ServerContext& context, ContentStore& store, const ServerRequest& req, int64_t id);

    /// Migrates the content tables and adds every route to `server`.
    static void registerRoutes(HttpRouter& server, ServerContext& context);
};

} // namespace quindle
