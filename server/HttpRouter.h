#pragma once

#include "server/Http.h"

#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <unordered_map>
#include <vector>

namespace quindle {

/// Routes a whole request to the handler registered for its method and path.
/// Literal paths are found by lookup; patterns with groups are tried in registration order.
class HttpRouter {
public:
    using Handler = std::function<void(const ServerRequest&, ServerResponse&)>;
    /// What a POST route makes of its body: form fields and multipart parts, or the bytes alone.
    enum class Body { Fields, Raw };
    /// Long handlers (password hashing, pictures) run off the connections' event loops.
    enum class Cost { Quick, Long };

    void get(const std::string& pattern, Handler handler, Cost cost = Cost::Quick);
    void post(const std::string& pattern, Handler handler, Body body = Body::Fields, Cost cost = Cost::Quick);

    /// Runs the matching route over `req` (filling its matches, and its fields where the route
    /// takes them); false when no route matches.
    bool dispatch(ServerRequest& req, ServerResponse& res) const;
    /// Whether the route of `req` was registered as long.
    bool runsLong(const ServerRequest& req) const;

private:
    struct Route {
        std::regex pattern;
        Handler handler;
        Body body = Body::Fields;
        Cost cost = Cost::Quick;
    };
    void add(const std::string& method, const std::string& pattern, Route route);
    const Route* find(const ServerRequest& req, std::smatch* matches) const;

    std::unordered_map<std::string, Route> m_literal; ///< keyed by method + ' ' + path
    std::vector<std::pair<std::string, Route>> m_patterns;
    bool m_anyLongPattern = false;
};

} // namespace quindle
