#include "core/Model.h"

#include "platform/JsonParser.h"
#include "platform/JsonWriter.h"
#include "platform/Log.h"

namespace quindle {

// Transport.

namespace {

bool urlIllegal(unsigned char c)
{
    return c <= 0x20 || c >= 0x7f || c == '"' || c == '%' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' || c == '{'
        || c == '|' || c == '}';
}

void appendEscaped(std::string& out, unsigned char c)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    out += '%';
    out += hex[c >> 4];
    out += hex[c & 0xf];
}

} // namespace

std::string Model::encode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        // "&", "=", "+" and "#" would end the value, start another or turn into a blank on the
        // server: a password or a name holding one must arrive whole.
        if (urlIllegal(c) || c == '&' || c == '=' || c == '+' || c == '#')
            appendEscaped(out, c);
        else if (c == '/')
            out += "%2f";
        else if (c == ':')
            out += "%3a";
        else
            out += ch;
    }
    return out;
}

std::string Model::encodeIllegal(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (urlIllegal(c))
            appendEscaped(out, c);
        else
            out += ch;
    }
    return out;
}

std::string Model::encodeValue(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '~';
        if (unreserved)
            out += ch;
        else
            appendEscaped(out, c);
    }
    return out;
}

void Model::requestWithURL(const std::string& url, Handler handler)
{
    log("requestWithURL " + url);
    HttpRequest request;
    request.method = "GET";
    request.url = url;
    jsonRequest(std::move(request), std::move(handler));
}

void Model::jsonRequest(HttpRequest request, Handler handler)
{
    sendAsynchronousRequest(std::move(request),
        [this, handler = std::move(handler)](std::optional<std::string> data, std::optional<Error> error) {
            if (!data || data->empty()) {
                if (handler)
                    handler(std::nullopt, error);
                return;
            }
            Error parseError;
            std::optional<JsonValue> parsed = JsonParser::parse(*data, &parseError);
            if (!parsed) {
                if (handler)
                    handler(std::nullopt, parseError);
                return;
            }
            if (Log::isEnabled())
                log("json " + JsonWriter::describe(*parsed));
            // Valid JSON that is not an object has no content; the handler still learns of it,
            // so a screen waiting for the reply does not wait for ever.
            if (!handler)
                return;
            if (parsed->isObject())
                handler(contentForNode(parsed->object()), error);
            else
                handler(std::nullopt, Error { JsonParser::errorDomain, 0, "The reply is not a JSON object." });
        });
}

void Model::imageRequest(HttpRequest request, ImageHandler handler)
{
    sendAsynchronousRequest(std::move(request),
        [handler = std::move(handler)](std::optional<std::string> data, std::optional<Error> error) {
            std::shared_ptr<Image> image;
            if (data && !data->empty())
                image = Image::decode(*data);
            if (handler)
                handler(std::move(image), error);
        });
}

void Model::sendAsynchronousRequest(HttpRequest request, DataHandler handler)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_cookies.empty()) {
            for (const Cookie& cookie : m_cookies)
                request.addHeader("Cookies", cookie.value);
            if (!m_authToken.empty())
                request.setHeader("wibble", m_authToken);
        }
    }
    httpClient()->send(std::move(request),
        [this, handler = std::move(handler)](HttpResponse response, std::optional<Error> error) {
            if (response.status == 200) {
                std::vector<Cookie> received = cookiesFromResponse(response);
                if (!received.empty()) {
                    std::lock_guard lock(m_mutex);
                    m_cookies = std::move(received);
                }
                if (handler)
                    handler(std::move(response.body), error);
                return;
            }
            if (!handler)
                return;
            std::optional<Error> delivered = error;
            if (!response.body.empty()) {
                Error parseError;
                std::optional<JsonValue> parsed = JsonParser::parse(response.body, &parseError);
                if (Log::isEnabled()) {
                    std::string message = parsed ? JsonWriter::describe(*parsed) : response.body;
                    log("error code " + std::to_string(response.status) + " message " + message);
                }
                if (!parsed)
                    delivered = parseError;
            }
            handler(std::nullopt, delivered);
        });
}

HttpRequest Model::postRequestWithData(std::string body, const std::string& url) const
{
    HttpRequest request;
    request.method = "POST";
    request.url = url;
    request.setHeader("Content-Length", std::to_string(body.size()));
    request.setHeader("Content-Type", "application/x-www-form-urlencoded");
    std::string token = authToken();
    if (!token.empty())
        request.setHeader("wibble", token);
    request.body = std::move(body);
    return request;
}

HttpRequest Model::postRequestWithString(std::string_view body, const std::string& url) const
{
    return postRequestWithData(std::string(body), url);
}

std::optional<std::string> Model::dictToJSON(const JsonObjectPtr& dict, Error* error)
{
    std::optional<std::string> json;
    if (dict)
        json = JsonWriter::write(JsonValue(dict));
    if (!json && error)
        *error = Error { "JSON", 0, "The dictionary cannot be written as JSON." };
    return json;
}

void Model::sendDict(const JsonObjectPtr& dict, const std::string& endPoint, Handler handler)
{
    Error error;
    std::optional<std::string> body = dictToJSON(dict, &error);
    if (!body) {
        if (handler)
            handler(std::nullopt, error);
        return;
    }
    HttpRequest request = postRequestWithData(std::move(*body), baseURL() + endPoint);
    log("request " + request.method + " " + request.url);
    jsonRequest(std::move(request), std::move(handler));
}

std::optional<JsonValue> Model::contentForNode(const JsonObjectPtr& node)
{
    if (!node)
        return std::nullopt;
    for (const char* key : { "Message", "list", "Children" }) {
        if (const JsonValue* value = node->find(key))
            return *value;
    }
    return std::nullopt;
}

bool Model::isLoggedIn() const
{
    std::lock_guard lock(m_mutex);
    return !m_authToken.empty();
}

void Model::get(const std::string& endpoint, Handler handler)
{
    requestWithURL(baseURL() + endpoint, std::move(handler));
}

} // namespace quindle
