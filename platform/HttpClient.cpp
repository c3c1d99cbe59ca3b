#include "platform/HttpClient.h"

#include <algorithm>
#include <cctype>

namespace quindle {

namespace {

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string lowercased(std::string text)
{
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::vector<std::string> valuesOf(const HttpHeaders& headers, const std::string& name)
{
    std::vector<std::string> values;
    for (auto& [key, value] : headers)
        if (equalsIgnoringCase(key, name))
            values.push_back(value);
    return values;
}

// Host and path of an absolute URL ("scheme://user@host:port/path?query").
std::pair<std::string, std::string> hostAndPath(const std::string& url)
{
    size_t start = url.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    size_t authorityEnd = url.find_first_of("/?#", start);
    std::string authority = url.substr(start, authorityEnd == std::string::npos ? std::string::npos : authorityEnd - start);
    if (size_t at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    std::string host = authority;
    if (!host.empty() && host.front() == '[') {
        size_t close = host.find(']');
        host = host.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else if (size_t colon = host.find(':'); colon != std::string::npos) {
        host.erase(colon);
    }
    std::string path;
    if (authorityEnd != std::string::npos && url[authorityEnd] == '/') {
        size_t pathEnd = url.find_first_of("?#", authorityEnd);
        path = url.substr(authorityEnd, pathEnd == std::string::npos ? std::string::npos : pathEnd - authorityEnd);
    }
    return { lowercased(host), path };
}

// A cookie without a Path attribute belongs to the directory of the request path.
std::string defaultCookiePath(const std::string& requestPath)
{
    if (requestPath.empty() || requestPath.front() != '/')
        return "/";
    size_t lastSlash = requestPath.rfind('/');
    if (lastSlash == 0)
        return "/";
    return requestPath.substr(0, lastSlash);
}

} // namespace

void HttpRequest::setHeader(const std::string& name, const std::string& value)
{
    std::erase_if(headers, [&](auto& h) { return equalsIgnoringCase(h.first, name); });
    headers.emplace_back(name, value);
}

void HttpRequest::addHeader(const std::string& name, const std::string& value)
{
    headers.emplace_back(name, value);
}

std::vector<std::string> HttpRequest::headerValues(const std::string& name) const
{
    return valuesOf(headers, name);
}

std::optional<std::string> HttpRequest::header(const std::string& name) const
{
    auto values = headerValues(name);
    if (values.empty())
        return std::nullopt;
    std::string joined = values.front();
    for (size_t i = 1; i < values.size(); ++i)
        joined += ", " + values[i];
    return joined;
}

std::vector<std::string> HttpResponse::headerValues(const std::string& name) const
{
    return valuesOf(headers, name);
}

std::vector<Cookie> cookiesFromResponse(const HttpResponse& response)
{
    std::vector<Cookie> cookies;
    auto [host, requestPath] = hostAndPath(response.url);
    for (auto& field : response.headerValues("Set-Cookie")) {
        size_t semicolon = field.find(';');
        std::string pair = field.substr(0, semicolon);
        size_t equals = pair.find('=');
        if (equals == std::string::npos)
            continue;
        Cookie cookie;
        cookie.name = trimmed(pair.substr(0, equals));
        cookie.value = trimmed(pair.substr(equals + 1));
        if (cookie.name.empty())
            continue;
        while (semicolon != std::string::npos) {
            size_t next = field.find(';', semicolon + 1);
            std::string attribute = field.substr(semicolon + 1, next == std::string::npos ? std::string::npos : next - semicolon - 1);
            semicolon = next;
            size_t attributeEquals = attribute.find('=');
            std::string key = lowercased(trimmed(attribute.substr(0, attributeEquals)));
            std::string value = attributeEquals == std::string::npos ? std::string {} : trimmed(attribute.substr(attributeEquals + 1));
            if (key == "domain" && !value.empty()) {
                if (value.front() == '.')
                    value.erase(0, 1);
                cookie.domain = lowercased(value);
            } else if (key == "path" && !value.empty() && value.front() == '/') {
                cookie.path = value;
            }
        }
        if (cookie.domain.empty())
            cookie.domain = host;
        if (cookie.path.empty())
            cookie.path = defaultCookiePath(requestPath);
        cookies.push_back(std::move(cookie));
    }
    return cookies;
}

} // namespace quindle
