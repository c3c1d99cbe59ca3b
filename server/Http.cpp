#include "server/Http.h"

#include <algorithm>
#include <cctype>

namespace quindle {

namespace {

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/// The value of `name=` in a header value's parameters ("form-data; name=\"x\""), unquoted.
std::string headerParameter(std::string_view value, std::string_view name)
{
    size_t at = 0;
    while ((at = value.find(';', at)) != std::string_view::npos) {
        ++at;
        std::string_view rest = trim(value.substr(at));
        if (!startsWithIgnoringCase(rest, name) || rest.size() <= name.size() || rest[name.size()] != '=')
            continue;
        rest.remove_prefix(name.size() + 1);
        if (!rest.empty() && rest.front() == '"') {
            size_t close = rest.find('"', 1);
            return std::string(rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        }
        return std::string(trim(rest.substr(0, rest.find(';'))));
    }
    return {};
}

} // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return lower(x) < lower(y); });
}

bool ServerRequest::hasHeader(std::string_view key) const
{
    return headers.find(std::string(key)) != headers.end();
}

std::string ServerRequest::headerValue(std::string_view key, size_t index) const
{
    auto [from, to] = headers.equal_range(std::string(key));
    for (; from != to; ++from, --index) {
        if (index == 0)
            return from->second;
    }
    return {};
}

size_t ServerRequest::headerValueCount(std::string_view key) const
{
    return headers.count(std::string(key));
}

bool ServerRequest::hasParam(const std::string& key) const
{
    return params.find(key) != params.end();
}

std::string ServerRequest::paramValue(const std::string& key, size_t index) const
{
    auto [from, to] = params.equal_range(key);
    for (; from != to; ++from, --index) {
        if (index == 0)
            return from->second;
    }
    return {};
}

bool ServerRequest::isMultipartFormData() const
{
    return startsWithIgnoringCase(headerValue("Content-Type"), "multipart/form-data");
}

bool ServerRequest::hasFile(const std::string& name) const
{
    return files.find(name) != files.end();
}

MultipartFile ServerRequest::file(const std::string& name) const
{
    auto found = files.find(name);
    return found == files.end() ? MultipartFile {} : found->second;
}

void ServerResponse::setContent(std::string content, std::string_view contentType)
{
    body = std::move(content);
    setHeader("Content-Type", std::string(contentType));
}

void ServerResponse::setHeader(std::string_view key, std::string value)
{
    if (!equalsIgnoringCase(key, "Set-Cookie"))
        headers.erase(std::string(key));
    headers.emplace(std::string(key), std::move(value));
}

namespace http {

std::string percentDecode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

void parseQuery(std::string_view text, ServerParams& params)
{
    while (!text.empty()) {
        size_t end = text.find('&');
        std::string_view pair = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (pair.empty())
            continue;
        size_t equals = pair.find('=');
        std::string key = percentDecode(pair.substr(0, equals), true);
        std::string value = equals == std::string_view::npos ? std::string() : percentDecode(pair.substr(equals + 1), true);
        params.emplace(std::move(key), std::move(value));
    }
}

std::string multipartBoundary(std::string_view contentType)
{
    if (!startsWithIgnoringCase(contentType, "multipart/form-data"))
        return {};
    return headerParameter(contentType, "boundary");
}

bool parseMultipart(std::string_view body, std::string_view boundary, std::multimap<std::string, MultipartFile>& files)
{
    if (boundary.empty())
        return false;
    const std::string delimiter = "--" + std::string(boundary);
    if (body.substr(0, delimiter.size()) != delimiter)
        return false;
    size_t at = delimiter.size();
    const std::string next = "\r\n" + delimiter;
    for (;;) {
        if (body.substr(at, 2) == "--")
            return true; // the closing delimiter
        if (body.substr(at, 2) != "\r\n")
            return false;
        at += 2;
        size_t headersEnd = body.find("\r\n\r\n", at);
        if (headersEnd == std::string_view::npos)
            return false;
        MultipartFile part;
        std::string_view headerBlock = body.substr(at, headersEnd - at);
        while (!headerBlock.empty()) {
            size_t lineEnd = headerBlock.find("\r\n");
            std::string_view line = headerBlock.substr(0, lineEnd);
            headerBlock = lineEnd == std::string_view::npos ? std::string_view() : headerBlock.substr(lineEnd + 2);
            size_t colon = line.find(':');
            if (colon == std::string_view::npos)
                return false;
            std::string_view name = trim(line.substr(0, colon));
            std::string_view value = trim(line.substr(colon + 1));
            if (equalsIgnoringCase(name, "Content-Disposition")) {
                part.name = headerParameter(value, "name");
                part.filename = headerParameter(value, "filename");
            } else if (equalsIgnoringCase(name, "Content-Type")) {
                part.contentType = std::string(value);
            }
        }
        size_t contentStart = headersEnd + 4;
        size_t contentEnd = body.find(next, contentStart);
        if (contentEnd == std::string_view::npos)
            return false;
        part.content = std::string(body.substr(contentStart, contentEnd - contentStart));
        std::string name = part.name;
        files.emplace(std::move(name), std::move(part));
        at = contentEnd + next.size();
    }
}

} // namespace http

} // namespace quindle
