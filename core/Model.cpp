#include "core/Model.h"

#include "platform/Base64.h"
#include "platform/CurlHttpClient.h"
#include "platform/JsonParser.h"
#include "platform/JsonWriter.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <cmath>
#include <cstdlib>
#include <unistd.h>

namespace quindle {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

// The integer value of the leading digits (an optional sign allowed); 0 when there are none.
long leadingInteger(std::string_view text)
{
    std::string copy(text);
    return std::strtol(copy.c_str(), nullptr, 10);
}

double leadingDouble(std::string_view text)
{
    std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}

std::optional<Colour> colourFromComponent(std::string_view component)
{
    std::vector<std::string_view> parts = split(component, ',');
    if (parts.size() < 3)
        return std::nullopt;
    return Colour::fromRGB(leadingDouble(parts[0]), leadingDouble(parts[1]), leadingDouble(parts[2]), 1);
}

std::optional<Colour> colourFromOptions(std::string_view options, size_t index)
{
    std::vector<std::string_view> parts = split(options, ':');
    if (parts.size() != 4 || parts[0] == "(null)")
        return std::nullopt;
    return colourFromComponent(parts[index]);
}

bool mayCarryFont(const std::vector<std::string_view>& parts)
{
    return parts.size() >= 2 && parts[0] != "(null)";
}

Model::Handler ignored()
{
    return [](std::optional<JsonValue>, std::optional<Error>) { };
}

} // namespace

Model& Model::defaultInstance()
{
    static Model instance;
    return instance;
}

Model::Model() = default;

// Configuration and plumbing.

void Model::setConfiguration(ServerConfiguration configuration)
{
    std::lock_guard lock(m_mutex);
    m_configuration = std::move(configuration);
}

std::optional<ServerConfiguration> Model::configuration() const
{
    std::lock_guard lock(m_mutex);
    return m_configuration;
}

std::string Model::baseURL() const
{
    std::lock_guard lock(m_mutex);
    return m_configuration ? m_configuration->baseURL() : std::string {};
}

std::string Model::legacyBaseURL() const
{
    std::lock_guard lock(m_mutex);
    return m_configuration ? m_configuration->legacyBaseURL() : std::string {};
}

std::shared_ptr<HttpClient> Model::httpClient()
{
    std::lock_guard lock(m_mutex);
    if (!m_httpClient)
        m_httpClient = std::make_shared<CurlHttpClient>();
    return m_httpClient;
}

void Model::setHttpClient(std::shared_ptr<HttpClient> client)
{
    std::shared_ptr<HttpClient> previous;
    {
        std::lock_guard lock(m_mutex);
        previous = std::exchange(m_httpClient, std::move(client));
    }
    // The old client (and its threads) goes away outside the lock.
}

void Model::setMaxLogLength(size_t length)
{
    std::lock_guard lock(m_mutex);
    m_maxLogLength = length;
}

void Model::setLoginTabbarItemsHandler(std::function<void()> handler)
{
    std::lock_guard lock(m_mutex);
    m_loginTabbarItemsHandler = std::move(handler);
}

void Model::resetSessionForTesting()
{
    std::lock_guard lock(m_mutex);
    m_cookies.clear();
    m_defaultOptions.clear();
    m_defaultFont.reset();
    m_defaultTextColour.reset();
    m_defaultBackgroundColour.reset();
    m_isRoot = false;
    m_authToken.clear();
    m_userAssetID.clear();
    m_userRootAssetID.clear();
    m_userID.clear();
    m_username.clear();
    m_userOptions.clear();
    m_userFontName.clear();
    m_userFontSize.clear();
    m_userTextColour.reset();
    m_userBackgroundColour.reset();
    m_pushTokenID.clear();
    m_devID.clear();
    m_workflow.reset();
    m_tab.reset();
    m_tabs.reset();
    m_tabbarID.clear();
}

void Model::log(std::string text) const
{
    size_t limit;
    {
        std::lock_guard lock(m_mutex);
        limit = m_maxLogLength;
    }
    if (text.size() > limit) {
        text.resize(limit);
        text += "...";
    }
    Log::line(text);
}

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

void Model::loginWithUsername(const std::string& email, const std::string& password, Handler handler)
{
    {
        std::lock_guard lock(m_mutex);
        m_username = email;
    }
    get("login?email=" + encode(email) + "&password=" + encode(password),
        [this, handler = std::move(handler)](std::optional<JsonValue> content, std::optional<Error> error) {
            if (content && content->isObject()) {
                const JsonValue* alert = content->object()->find("Alert");
                if (alert && alert->isString()) {
                    if (handler)
                        handler(std::nullopt, Error { "world", 200, *alert->string() });
                    return;
                }
                applyLoginReply(content);
            }
            if (handler)
                handler(std::move(content), std::move(error));
        });
}

void Model::applyLoginReply(const std::optional<JsonValue>& content)
{
    const JsonObjectPtr& reply = content->object();
    bool rebuildTabs = false;
    std::optional<std::string> options;
    JsonArrayPtr workflows;
    std::optional<std::string> token;
    if (const JsonValue* value = reply->find("AuthToken"); value && value->isString())
        token = *value->string();

    const JsonValue* user = reply->find("User");
    AssetRecord tabRecord;
    JsonArrayPtr tabList;
    std::optional<bool> root;
    if (user && user->isObject()) {
        const JsonObjectPtr& userObject = user->object();
        if (const JsonValue* value = userObject->find("DefaultOptions"); value && value->isString())
            options = *value->string();
        if (const JsonValue* value = userObject->find("Tabs"); value && value->isObject()) {
            tabRecord = value->object();
            const JsonValue* children = tabRecord->find("Children");
            if (children && children->isArray())
                tabList = children->array();
            rebuildTabs = true;
        }
        if (const JsonValue* value = reply->find("isRoot"); value && value->isString())
            root = *value->string() == "Yes";
        if (const JsonValue* value = reply->find("Profile"); value && value->isArray()) {
            workflows = JsonArray::create();
            for (const JsonValue& element : *value->array()) {
                if (!element.isObject())
                    continue;
                const JsonValue* kind = element.object()->find("type");
                if (kind && kind->isString() && *kind->string() == "Workflow")
                    workflows->push_back(element);
            }
        }
    }

    std::function<void()> tabbarItemsHandler;
    {
        std::lock_guard lock(m_mutex);
        if (token)
            m_authToken = *token;
        if (options) {
            m_userOptions = *options;
            m_userFontName = fontNameFromOptions(*options);
            m_userFontSize = fontSizeFromOptions(*options);
            m_userTextColour = textColourFromOptions(*options);
            m_userBackgroundColour = backgroundColourFromOptions(*options);
        }
        if (rebuildTabs) {
            m_tab = tabRecord;
            m_tabs = tabList;
            tabbarItemsHandler = m_loginTabbarItemsHandler;
        }
        if (root)
            m_isRoot = *root;
        if (workflows)
            m_workflow = workflows;
    }
    if (workflows)
        log("workflow " + JsonWriter::describe(JsonValue(workflows)));
    if (tabbarItemsHandler)
        MainQueue::shared().dispatch(std::move(tabbarItemsHandler));
}

void Model::logoutWithCompletionHandler(Handler handler)
{
    get("logoutUser", std::move(handler));
}

// Account and device.

void Model::addAccountWithUsername(const std::string& email, const std::string& password,
    const std::string& organisation, Handler handler)
{
    get("registerCompany?email=" + encode(email) + "&password=" + encode(password) + "&company="
            + encode(organisation) + "&device=" + devID(),
        std::move(handler));
}

void Model::resetPassword(const std::string& email)
{
    get("resetPassword?email=" + encode(email), ignored());
}

void Model::changePassword(const std::string& password, Handler handler)
{
    get("changePassword?userID=" + userID() + "&password=" + encode(password), std::move(handler));
}

void Model::sendDeviceID(const std::string& deviceName)
{
    std::string token = pushTokenID();
    if (token.empty())
        return;
    std::string url = baseURL() + "registerDevice" + "?name=" + encode(deviceName) + "&deviceid=" + devID()
        + "&pushtoken=" + token;
    log("register device " + url);
    requestWithURL(url, ignored());
}

void Model::publishAsset(const std::string& assetID, Handler handler)
{
    get("setPublished?assetid=" + assetID, std::move(handler));
}

std::string Model::hostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "localhost";
    return name;
}

// Pages, tabs and trash.

void Model::fetchPage(const std::string& url, Handler handler)
{
    requestWithURL(url, [this, handler = std::move(handler)](std::optional<JsonValue> content, std::optional<Error> error) {
        if (content) {
            std::string options;
            if (content->isObject()) {
                const JsonValue* value = content->object()->find("DefaultOptions");
                if (value && value->isString())
                    options = *value->string();
            }
            {
                std::lock_guard lock(m_mutex);
                m_defaultOptions = options;
            }
            updateDefaultOptions(options);
        }
        if (handler)
            handler(std::move(content), std::move(error));
    });
}

void Model::fetchTabbarForAssetID(const std::string& assetID, Handler handler)
{
    setTabbarID(assetID);
    fetchPage(baseURL() + "getTabbar?assetid=" + assetID, std::move(handler));
}

void Model::fetchDirectoryForAssetID(const std::string& assetID, Handler handler)
{
    std::string url = baseURL() + "contentForNode";
    if (!assetID.empty())
        url += "?assetid=" + assetID;
    fetchPage(url, std::move(handler));
}

void Model::fetchDocumentForAssetID(const std::string& assetID, Handler handler)
{
    get("getDocument.php?assetid=" + assetID, std::move(handler));
}

void Model::fetchPageListWithCompletionHandler(Handler handler) { get("pageList", std::move(handler)); }
void Model::fetchTrashWithCompletionHandler(Handler handler) { get("trash", std::move(handler)); }
void Model::fetchImageListWithCompletionHandler(Handler handler) { get("imageList", std::move(handler)); }

void Model::fetchAssociatedAssetsForAssetID(const std::string& assetID, Handler handler)
{
    get("associatedAssets.php?a=" + assetID, std::move(handler));
}

void Model::associateAssetID(const std::string& linkedAssetID, const std::string& receivingAssetID, Handler handler)
{
    get("associateAssets.php?a=" + receivingAssetID + "&b=" + linkedAssetID, std::move(handler));
}

void Model::addDirectoryToAssetId(const std::string& parentID, const std::string& name, Handler handler)
{
    get("makePage?assetid=" + parentID + "&name=" + encode(name), std::move(handler));
}

void Model::addFormToAssetId(const std::string& parentID, const std::string& name, const std::string& successMessage,
    const std::string& nextPage, Handler handler)
{
    get("makeForm?assetid=" + parentID + "&name=" + encode(name) + "&message=" + encode(successMessage)
            + "&linkassetid=" + encode(nextPage),
        std::move(handler));
}

void Model::carousel(const std::string& option, const std::string& assetID, Handler handler)
{
    get("setCarousel?assetid=" + assetID + "&option=" + option, std::move(handler));
}

void Model::deleteAsset(const std::string& assetID, Handler handler)
{
    get("deleteAsset?assetid=" + assetID, std::move(handler));
}

void Model::restoreAsset(const std::string& assetID, Handler handler)
{
    get("restoreAsset?assetid=" + assetID, std::move(handler));
}

void Model::sendDateForAssetID(const std::string& assetID, const std::string& key, Date date, Handler handler)
{
    if (key != "date" && key != "endDate") {
        if (handler)
            handler(std::nullopt, Error { "Model", 0, "The date key must be \"date\" or \"endDate\"." });
        return;
    }
    get("setDate?assetid=" + assetID + "&" + key + "=" + encode(serverDateStringForDate(date)), std::move(handler));
}

// POST-JSON operations.

void Model::postJSON(const JsonObjectPtr& dict, const std::string& endPoint, Handler handler)
{
    sendDict(dict, endPoint, std::move(handler));
}

void Model::sendName(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "setName", std::move(handler)); }
void Model::sendOptions(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "updateDefaultOptions", std::move(handler)); }
void Model::sendForm(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "sendForm", std::move(handler)); }
void Model::sendText(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "sendText", std::move(handler)); }
void Model::sendTextField(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "sendTextField", std::move(handler)); }
void Model::sendTextView(const JsonObjectPtr& dict, Handler handler) { postJSON(dict, "sendTextView", std::move(handler)); }

void Model::sendImage(const AssetRecord& record, Handler handler)
{
    std::shared_ptr<Image> image;
    if (record) {
        if (const JsonValue* value = record->find("image"))
            image = Image::fromValue(*value);
    }
    std::optional<std::string> jpeg = image ? image->jpegData(1.0) : std::nullopt;
    if (!jpeg) {
        if (handler)
            handler(std::nullopt, Error { "Model", 0, "The record holds no picture to send." });
        return;
    }
    auto dict = JsonObject::create();
    if (auto id = asset::ident(record))
        dict->set("assetid", *id);
    dict->set("image", Base64::encode(*jpeg));
    postJSON(dict, "sendImage", std::move(handler));
}

void Model::addImage(const AssetRecord& record, const AssetRecord& selectedImageAsset, Handler handler)
{
    auto dict = JsonObject::create();
    if (auto id = asset::ident(record))
        dict->set("assetid", *id);
    if (auto id = asset::ident(selectedImageAsset))
        dict->set("selectedimageid", *id);
    dict->set("action", "add");
    postJSON(dict, "linkImage", std::move(handler));
}

void Model::linkImage(const AssetRecord& record, const AssetRecord& selectedImageAsset, Handler handler)
{
    auto dict = JsonObject::create();
    if (auto id = asset::ident(record))
        dict->set("assetid", *id);
    if (!selectedImageAsset)
        dict->set("selectedimageid", "0");
    else if (auto id = asset::ident(selectedImageAsset))
        dict->set("selectedimageid", *id);
    postJSON(dict, "linkImage", std::move(handler));
}

void Model::swapAssetId(const std::string& firstID, const std::string& secondID, Handler handler)
{
    auto dict = JsonObject::create();
    dict->set("assetid", firstID);
    dict->set("secondid", secondID);
    postJSON(dict, "swapAssets", std::move(handler));
}

// Operations no screen reaches.

void Model::sendContactFormWithEmail(const std::string& email, const std::string& subject, const std::string& message,
    Handler handler)
{
    std::string body = "rootAssetID=" + tabbarID() + "&email=" + email + "&subject=" + subject + "&body=" + message;
    jsonRequest(postRequestWithString(body, baseURL() + "addContactRequest.php"), std::move(handler));
}

void Model::fetchContactRequestsWithCompletionHandler(Handler handler) { get("getContactRequests.php", std::move(handler)); }
void Model::userBeaconsWithCompletionHandler(Handler handler) { get("userBeacons", std::move(handler)); }
void Model::beaconListWithCompletionHandler(Handler handler) { get("beaconList", std::move(handler)); }

void Model::addBeaconID(const std::string& beaconID, const std::string& major, const std::string& minor,
    const std::string& message, Handler handler)
{
    if (pushTokenID().empty())
        return;
    std::string url = baseURL() + "saveBeacon" + "?message=" + encode(message) + "&beaconID=" + encode(beaconID)
        + "&beaconmajor=" + encode(major) + "&beaconminor=" + encode(minor);
    log("add beacon " + url);
    requestWithURL(url, std::move(handler));
}

void Model::addTextToAssetId(const std::string& assetID, const std::string& text, Handler handler)
{
    get("addText?assetid=" + assetID + "&text=" + encode(text), std::move(handler));
}

void Model::addTextFieldToAssetId(const std::string& assetID, const std::string& title, Handler handler)
{
    get("addTextField?assetid=" + assetID + "&title=" + encode(title), std::move(handler));
}

void Model::addTextViewToAssetId(const std::string& assetID, const std::string& title, Handler handler)
{
    get("addTextView?assetid=" + assetID + "&title=" + encode(title), std::move(handler));
}

void Model::sendError(const std::string& error)
{
    log("send error " + error);
    get("sendError.php" + std::string("?error=") + encode(error), ignored());
}

// Server dates.

std::string Model::ServerDateFormatter::stringFromDate(Date date) const
{
    return DateFormat::format(date, pattern, zone);
}

std::optional<Date> Model::ServerDateFormatter::dateFromString(std::string_view text) const
{
    return DateFormat::parse(text, pattern, zone);
}

Model::ServerDateFormatter Model::serverDateFormatter()
{
    return ServerDateFormatter {};
}

std::string Model::serverDateStringForDate(Date date)
{
    return serverDateFormatter().stringFromDate(date);
}

std::optional<Date> Model::dateFromServerDateString(std::string_view text)
{
    return serverDateFormatter().dateFromString(text);
}

long Model::daysBetweenDate(Date first, Date second)
{
    // Calendar days may be 23 or 25 hours long across a daylight-saving change.
    auto span = DateFormat::startOfLocalDay(second) - DateFormat::startOfLocalDay(first);
    double hours = std::chrono::duration<double, std::ratio<3600>>(span).count();
    return std::lround(hours / 24.0);
}

long Model::hoursBetween(Date first, Date second)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::hours>(second - first).count()) + 1;
}

void Model::updateAsset(const AssetRecord& record, Date date)
{
    if (!record)
        return;
    std::optional<Date> start = asset::startDate(record);
    std::optional<Date> end = asset::endDate(record);
    std::string text = serverDateStringForDate(date);
    if (start && date < *start)
        record->set("startDate", text);
    if (!end || date > *end)
        record->set("endDate", text);
    record->set("date", text);
}

// Display options.

std::string Model::fontNameFromOptions(std::string_view options) const
{
    std::vector<std::string_view> parts = split(options, ':');
    return mayCarryFont(parts) ? std::string(parts[0]) : std::string {};
}

std::string Model::fontSizeFromOptions(std::string_view options) const
{
    std::vector<std::string_view> parts = split(options, ':');
    return mayCarryFont(parts) ? std::string(parts[1]) : std::string {};
}

std::optional<Font> Model::fontFromOptions(std::string_view options) const
{
    std::vector<std::string_view> parts = split(options, ':');
    if (!mayCarryFont(parts))
        return std::nullopt;
    return FontCatalogue::current().fontWithName(std::string(parts[0]), static_cast<double>(leadingInteger(parts[1])));
}

std::optional<Colour> Model::textColourFromOptions(std::string_view options) const
{
    return colourFromOptions(options, 2);
}

std::optional<Colour> Model::backgroundColourFromOptions(std::string_view options) const
{
    return colourFromOptions(options, 3);
}

void Model::updateDefaultOptions(std::string_view options)
{
    std::optional<Font> font = fontFromOptions(options);
    std::optional<Colour> text = textColourFromOptions(options);
    std::optional<Colour> background = backgroundColourFromOptions(options);
    std::lock_guard lock(m_mutex);
    if (font)
        m_defaultFont = font;
    if (text)
        m_defaultTextColour = text;
    if (background)
        m_defaultBackgroundColour = background;
}

Font Model::defaultFont() const
{
    {
        std::lock_guard lock(m_mutex);
        if (m_defaultFont)
            return *m_defaultFont;
    }
    return FontCatalogue::current().systemFont(fallbackFontSize);
}

Colour Model::defaultTextColour() const
{
    std::lock_guard lock(m_mutex);
    return m_defaultTextColour.value_or(Colour::black());
}

Colour Model::defaultBackgroundColour() const
{
    std::lock_guard lock(m_mutex);
    return m_defaultBackgroundColour.value_or(Colour::white());
}

Font Model::fontForAsset(const AssetRecord& record) const
{
    if (auto options = asset::options(record)) {
        if (auto font = fontFromOptions(*options))
            return *font;
    }
    return defaultFont();
}

Colour Model::textColourForAsset(const AssetRecord& record) const
{
    if (auto options = asset::options(record)) {
        if (auto colour = textColourFromOptions(*options))
            return *colour;
    }
    return defaultTextColour();
}

Colour Model::backgroundColourForAsset(const AssetRecord& record) const
{
    if (auto options = asset::options(record)) {
        if (auto colour = backgroundColourFromOptions(*options))
            return *colour;
    }
    return defaultBackgroundColour();
}

double Model::heightForAsset(const AssetRecord& record, double width) const
{
    static constexpr double horizontalInset = 34;
    static constexpr double boxHeight = 1000;
    static constexpr double verticalPadding = 10;
    static constexpr double minimumHeight = 42;
    Size measured = FontCatalogue::current().measure(asset::text(record), fontForAsset(record),
        Size { width - horizontalInset, boxHeight });
    return std::max(measured.height + verticalPadding, minimumHeight);
}

// Session fields.

std::vector<Cookie> Model::cookies() const { std::lock_guard lock(m_mutex); return m_cookies; }
std::string Model::defaultOptions() const { std::lock_guard lock(m_mutex); return m_defaultOptions; }
bool Model::isRoot() const { std::lock_guard lock(m_mutex); return m_isRoot; }
std::string Model::authToken() const { std::lock_guard lock(m_mutex); return m_authToken; }
void Model::setAuthToken(std::string token) { std::lock_guard lock(m_mutex); m_authToken = std::move(token); }
std::string Model::userAssetID() const { std::lock_guard lock(m_mutex); return m_userAssetID; }
std::string Model::userRootAssetID() const { std::lock_guard lock(m_mutex); return m_userRootAssetID; }
std::string Model::userID() const { std::lock_guard lock(m_mutex); return m_userID; }
std::string Model::username() const { std::lock_guard lock(m_mutex); return m_username; }
std::string Model::userOptions() const { std::lock_guard lock(m_mutex); return m_userOptions; }
std::string Model::userFontName() const { std::lock_guard lock(m_mutex); return m_userFontName; }
std::string Model::userFontSize() const { std::lock_guard lock(m_mutex); return m_userFontSize; }
std::optional<Colour> Model::userTextColour() const { std::lock_guard lock(m_mutex); return m_userTextColour; }
std::optional<Colour> Model::userBackgroundColour() const { std::lock_guard lock(m_mutex); return m_userBackgroundColour; }
std::string Model::pushTokenID() const { std::lock_guard lock(m_mutex); return m_pushTokenID; }
void Model::setPushTokenID(std::string token) { std::lock_guard lock(m_mutex); m_pushTokenID = std::move(token); }
std::string Model::devID() const { std::lock_guard lock(m_mutex); return m_devID; }
void Model::setDevID(std::string id) { std::lock_guard lock(m_mutex); m_devID = std::move(id); }
JsonArrayPtr Model::workflow() const { std::lock_guard lock(m_mutex); return m_workflow; }
AssetRecord Model::tab() const { std::lock_guard lock(m_mutex); return m_tab; }
void Model::setTab(AssetRecord tab) { std::lock_guard lock(m_mutex); m_tab = std::move(tab); }
JsonArrayPtr Model::tabs() const { std::lock_guard lock(m_mutex); return m_tabs; }
void Model::setTabs(JsonArrayPtr tabs) { std::lock_guard lock(m_mutex); m_tabs = std::move(tabs); }
std::string Model::tabbarID() const { std::lock_guard lock(m_mutex); return m_tabbarID; }
void Model::setTabbarID(std::string id) { std::lock_guard lock(m_mutex); m_tabbarID = std::move(id); }

} // namespace quindle
