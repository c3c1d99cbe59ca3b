#include "server/ContentApi.h"

#include "platform/JsonParser.h"
#include "server/ContentApiRoutes.h"
#include "server/ContentApiSupport.h"
#include "server/ContentStore.h"
#include "server/ServerContext.h"

#include "server/HttpRouter.h"

#include <atomic>
#include <memory>

namespace quindle {

namespace contentapi {

std::atomic<size_t> s_maxJsonBody { ContentApi::defaultMaxJsonBody };
std::atomic<size_t> s_maxImageBody { ContentApi::defaultMaxImageBody };
std::atomic<size_t> s_maxFormFields { ContentApi::defaultMaxFormFields };

std::atomic<size_t> s_maxDeviceIdLength { ContentApi::defaultMaxDeviceIdLength };
std::atomic<size_t> s_maxPushTokenLength { ContentApi::defaultMaxPushTokenLength };

BadRequest notFound()
{
    return BadRequest { "no such asset", 404 };
}

BadRequest notOwner()
{
    return BadRequest { "not the owner of this asset", 403 };
}

std::string idText(int64_t id)
{
    return std::to_string(id);
}

bool isDigits(std::string_view text, size_t from, size_t count)
{
    if (from + count > text.size())
        return false;
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

int number(std::string_view text, size_t from, size_t count)
{
    int value = 0;
    for (size_t i = from; i < from + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

/// "yyyy-MM-dd HH:mm:ss" with every field in range (days up to the month's length).
bool validServerDate(std::string_view text)
{
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return false;
    if (!isDigits(text, 0, 4) || !isDigits(text, 5, 2) || !isDigits(text, 8, 2) || !isDigits(text, 11, 2)
        || !isDigits(text, 14, 2) || !isDigits(text, 17, 2))
        return false;
    int year = number(text, 0, 4), month = number(text, 5, 2), day = number(text, 8, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > days[month - 1] + (month == 2 && leap ? 1 : 0))
        return false;
    return number(text, 11, 2) < 24 && number(text, 14, 2) < 60 && number(text, 17, 2) < 60;
}

/// "", "Carousel" or "Carousel:N" with one of the twelve styles.
bool validCarouselOption(const std::string& option)
{
    if (option.empty() || option == "Carousel")
        return true;
    constexpr std::string_view prefix = "Carousel:";
    if (option.rfind(prefix, 0) != 0)
        return false;
    size_t digits = option.size() - prefix.size();
    return (digits == 1 || digits == 2) && isDigits(option, prefix.size(), digits) && number(option, prefix.size(), digits) < 12;
}

/// Letters, digits and - _ . : (device identifiers and push tokens).
bool plainToken(const std::string& text)
{
    for (char c : text) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_' || c == '.' || c == ':';
        if (!ok)
            return false;
    }
    return true;
}

/// Parses a JSON object body.
JsonObjectPtr jsonBody(const std::string& text)
{
    Error error;
    std::optional<JsonValue> parsed = JsonParser::parse(text, &error);
    if (!parsed)
        throw BadRequest { "body is not JSON" };
    if (!parsed->isObject())
        throw BadRequest { "body is not a JSON object" };
    return parsed->object();
}

/// An identifier from a body: decimal text or a positive integer.
int64_t bodyId(const JsonObject& body, const char* key)
{
    const JsonValue* value = body.find(key);
    if (!value)
        throw BadRequest { std::string("missing ") + key };
    std::optional<int64_t> id;
    if (value->isString())
        id = ServerContext::parseId(*value->string());
    else if (value->isInteger() && value->asInt() > 0)
        id = value->asInt();
    if (!id)
        throw BadRequest { std::string("bad ") + key };
    return *id;
}

std::optional<std::string> bodyText(const JsonObject& body, const char* key, size_t maxLength)
{
    const JsonValue* value = body.find(key);
    if (!value || value->isNull())
        return std::nullopt;
    if (!value->isString())
        throw BadRequest { std::string(key) + " is not a string" };
    if (value->string()->size() > maxLength)
        throw BadRequest { std::string(key) + " too long" };
    return *value->string();
}

std::string requireBodyText(const JsonObject& body, const char* key, size_t maxLength)
{
    auto value = bodyText(body, key, maxLength);
    if (!value)
        throw BadRequest { std::string("missing ") + key };
    return *value;
}

std::string requireName(const ServerRequest& req, const char* key)
{
    std::string name = ServerContext::requireText(req, key, ServerContext::maxNameLength);
    if (name.empty())
        throw BadRequest { std::string(key) + " is empty" };
    return name;
}

/// Escapes the regular-expression characters of an endpoint name ("getDocument.php").
std::string pattern(std::string_view endpoint)
{
    std::string out(ContentApi::basePath);
    for (char c : endpoint) {
        if (c == '.')
            out += '\\';
        out += c;
    }
    return out;
}

JsonObjectPtr object(std::vector<JsonObject::Entry> entries)
{
    return JsonObject::create(std::move(entries));
}

void sendRecord(ServerResponse& res, JsonObjectPtr record)
{
    ServerContext::sendMessage(res, std::move(record));
}

} // namespace contentapi

using namespace contentapi;

void ContentApi::setMaxJsonBody(size_t bytes) { s_maxJsonBody = bytes; }
size_t ContentApi::maxJsonBody() { return s_maxJsonBody; }
void ContentApi::setMaxImageBody(size_t bytes) { s_maxImageBody = bytes; }
size_t ContentApi::maxImageBody() { return s_maxImageBody; }
void ContentApi::setMaxFormFields(size_t count) { s_maxFormFields = count; }
size_t ContentApi::maxFormFields() { return s_maxFormFields; }
void ContentApi::setMaxDeviceIdLength(size_t length) { s_maxDeviceIdLength = length; }
size_t ContentApi::maxDeviceIdLength() { return s_maxDeviceIdLength; }
void ContentApi::setMaxPushTokenLength(size_t length) { s_maxPushTokenLength = length; }
size_t ContentApi::maxPushTokenLength() { return s_maxPushTokenLength; }

JsonArrayPtr ContentApi::childrenOf(ServerContext& context, ContentStore& store, const ServerRequest& req, int64_t id)
{
    Exchange ex(context, store, req);
    auto page = store.asset(id);
    if (!page)
        return JsonArray::create();
    JsonObjectPtr directory = ex.directory(*page);
    const JsonValue& children = directory->get("Children");
    return children.isArray() ? children.array() : JsonArray::create();
}

void ContentApi::registerRoutes(HttpRouter& server, ServerContext& context)
{
    Routes routes(server, context);
    accountRoutes(routes);
    readRoutes(routes);
    changeRoutes(routes);
    postRoutes(routes);
    otherRoutes(routes);
}

} // namespace quindle
