#include "server/HttpRouter.h"

namespace quindle {

namespace {

/// The path a pattern matches when it has no regular-expression syntax beyond escaped dots.
std::optional<std::string> literalPath(const std::string& pattern)
{
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '\\' && i + 1 < pattern.size() && pattern[i + 1] == '.') {
            out += '.';
            ++i;
        } else if (std::string_view("\\.^$|?*+()[]{}").find(c) != std::string_view::npos) {
            return std::nullopt;
        } else {
            out += c;
        }
    }
    return out;
}

void takeFields(ServerRequest& req)
{
    const std::string type = req.headerValue("Content-Type");
    if (type.rfind("application/x-www-form-urlencoded", 0) == 0)
        http::parseQuery(req.body, req.params);
    else if (std::string boundary = http::multipartBoundary(type); !boundary.empty())
        http::parseMultipart(req.body, boundary, req.files);
}

} // namespace

void HttpRouter::get(const std::string& pattern, Handler handler, Cost cost)
{
    add("GET", pattern, Route { std::regex(pattern), std::move(handler), Body::Raw, cost });
}

void HttpRouter::post(const std::string& pattern, Handler handler, Body body, Cost cost)
{
    add("POST", pattern, Route { std::regex(pattern), std::move(handler), body, cost });
}

void HttpRouter::add(const std::string& method, const std::string& pattern, Route route)
{
    if (auto literal = literalPath(pattern)) {
        m_literal.emplace(method + ' ' + *literal, std::move(route));
    } else {
        m_anyLongPattern = m_anyLongPattern || route.cost == Cost::Long;
        m_patterns.emplace_back(method, std::move(route));
    }
}

const HttpRouter::Route* HttpRouter::find(const ServerRequest& req, std::smatch* matches) const
{
    if (auto literal = m_literal.find(req.method + ' ' + req.path); literal != m_literal.end())
        return &literal->second;
    std::smatch ignored;
    for (const auto& [method, route] : m_patterns) {
        if (method == req.method && std::regex_match(req.path, matches ? *matches : ignored, route.pattern))
            return &route;
    }
    return nullptr;
}

bool HttpRouter::dispatch(ServerRequest& req, ServerResponse& res) const
{
    const Route* found = find(req, &req.matches);
    if (!found)
        return false;
    if (found->body == Body::Fields)
        takeFields(req);
    found->handler(req, res);
    return true;
}

bool HttpRouter::runsLong(const ServerRequest& req) const
{
    // Asked before every dispatch: the patterns are tried only when one of them is long.
    if (auto literal = m_literal.find(req.method + ' ' + req.path); literal != m_literal.end())
        return literal->second.cost == Cost::Long;
    const Route* found = m_anyLongPattern ? find(req, nullptr) : nullptr;
    return found && found->cost == Cost::Long;
}

} // namespace quindle
