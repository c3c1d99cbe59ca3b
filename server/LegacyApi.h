#pragma once

#include <cstddef>

namespace quindle {

class HttpRouter;

class ServerContext;

/// The legacy care-forms JSON server: every "/json/" endpoint the client sends.
class LegacyApi {
public:
    /// Longest user text accepted in a query value (names, values, triggers).
    static constexpr size_t maxTextLength = 4096;

    /// Creates the legacy tables when missing and registers the routes.
    static void registerRoutes(HttpRouter& server, ServerContext& context);
};

} // namespace quindle
