#include "server/ContentApi.h"

#include "platform/Base64.h"
#include "platform/JsonParser.h"
#include "server/ContentStore.h"
#include "server/ServerContext.h"

#include "server/HttpRouter.h"

#include <atomic>
#include <functional>
#include <memory>

namespace quindle {

namespace {

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

/// What one request shares: the store, the caller and the owner values already looked up.
class Exchange {
public:
    Exchange(ServerContext& context, ContentStore& store, const ServerRequest& req)
        : ctx(context)
        , db(store)
        , m_caller(context.caller(req))
    {
    }

    ServerContext& ctx;
    ContentStore& db;

    const std::optional<User>& caller() const { return m_caller; }

    const User& requireCaller() const
    {
        if (!m_caller)
            throw BadRequest { "not logged in", 403 };
        return *m_caller;
    }

    ContentAsset requireAsset(int64_t id)
    {
        auto found = db.asset(id);
        if (!found)
            throw notFound();
        return *found;
    }

    /// An asset the caller may change.
    ContentAsset requireOwned(int64_t id)
    {
        const User& user = requireCaller();
        ContentAsset found = requireAsset(id);
        if (found.ownerId != user.id)
            throw notOwner();
        return found;
    }

    /// Published, not deleted assets are public; owners and root users see the rest.
    bool mayRead(const ContentAsset& asset)
    {
        if (m_caller && (m_caller->id == asset.ownerId || m_caller->isRoot))
            return true;
        if (asset.deleted)
            return false;
        auto site = db.site(asset.siteId);
        return site && site->published;
    }

    ContentAsset requireReadable(int64_t id)
    {
        ContentAsset found = requireAsset(id);
        if (!mayRead(found))
            throw notFound();
        return found;
    }

    /// The caller's own token on the caller's assets, so the owner's client offers editing;
    /// everyone else sees a value that never is a token. (Showing the owner's live token to
    /// every reader would hand the session to any visitor.)
    std::string ownerValue(int64_t userId)
    {
        if (m_caller && m_caller->id == userId)
            return m_caller->token;
        return "user-" + idText(userId);
    }

    /// Replies after a login speak to the user who just logged in.
    void actAs(User user) { m_caller = std::move(user); }

    JsonObjectPtr record(const ContentAsset& a)
    {
        auto r = JsonObject::create();
        r->reserve(16);
        r->set("AssetId", idText(a.id));
        r->set("assetID", idText(a.id));
        r->set("Type", a.type);
        r->set("Name", a.name);
        r->set("name", a.name);
        if (!a.title.empty())
            r->set("Title", a.title);
        // Inputs carry no "Data": the client reads a visitor's typed "Value" only when "Data" is empty.
        if (a.type != "TextField" && a.type != "TextView")
            r->set("Data", a.data);
        r->set("Options", a.options);
        if (ContentStore::isContainer(a.type))
            r->set("options", a.carousel);
        r->set("Owner", ownerValue(a.ownerId));
        r->set("IsDeleted", a.deleted ? "true" : "false");
        if (a.parentId)
            r->set("ParentId", idText(a.parentId));
        if (a.imageId) {
            std::string url = ctx.imageUrl(a.imageId);
            if (a.type == "Event") {
                r->set("Name2", url);
            } else {
                r->set("ImageUrl", url);
                r->set("assVal", url);
            }
        }
        if (!a.date.empty())
            r->set("date", a.date);
        if (!a.startDate.empty())
            r->set("startDate", a.startDate);
        if (!a.endDate.empty())
            r->set("endDate", a.endDate);
        if (a.type == "Form") {
            r->set("message", a.message);
            if (a.linkedId)
                r->set("linkassetid", idText(a.linkedId));
        }
        return r;
    }

    JsonArrayPtr records(const std::vector<ContentAsset>& list)
    {
        auto out = JsonArray::create();
        out->reserve(list.size());
        for (const ContentAsset& a : list)
            out->push_back(record(a));
        return out;
    }

    /// A page with its items, the site's default options and, for a form, the linked page's items.
    JsonObjectPtr directory(const ContentAsset& a)
    {
        auto r = record(a);
        std::vector<ContentAsset> items;
        for (ContentAsset& child : db.children(a.id)) {
            if (child.type != "Workflow")
                items.push_back(std::move(child));
        }
        r->set("Children", records(items));
        r->set("DefaultOptions", defaultOptionsOf(a));
        if (a.linkedId) {
            if (auto linked = db.asset(a.linkedId); linked && mayRead(*linked)) {
                auto linkedRecord = record(*linked);
                linkedRecord->set("list", records(db.children(linked->id)));
                r->set("_linkedAsset", linkedRecord);
            }
        }
        return r;
    }

    /// A tab bar whose tabs carry their own items.
    JsonObjectPtr tabbar(const ContentAsset& a)
    {
        auto r = record(a);
        auto tabs = JsonArray::create();
        for (const ContentAsset& tab : db.children(a.id)) {
            if (tab.type == "Workflow")
                continue;
            auto tabRecord = record(tab);
            tabRecord->set("Children", records(db.children(tab.id)));
            tabs->push_back(tabRecord);
        }
        r->set("Children", tabs);
        r->set("DefaultOptions", defaultOptionsOf(a));
        return r;
    }

    /// The parent page of a changed item, as the editors expect it back.
    JsonObjectPtr parentDirectory(const ContentAsset& item)
    {
        if (item.parentId) {
            if (auto parent = db.asset(item.parentId))
                return directory(*parent);
        }
        return directory(item);
    }

    std::string defaultOptionsOf(const ContentAsset& a)
    {
        auto site = db.site(a.siteId);
        return site ? site->defaultOptions : std::string();
    }

private:
    std::optional<User> m_caller;
};

using Handler = std::function<void(Exchange&, const ServerRequest&, ServerResponse&)>;
/// A handler of a JSON body, given the body's text.
using BodyHandler = std::function<void(Exchange&, const std::string&, ServerResponse&)>;

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

class Routes {
public:
    Routes(HttpRouter& server, ServerContext& context)
        : m_server(server)
        , m_ctx(context)
        , m_store(std::make_shared<ContentStore>(context.storage))
    {
        m_store->migrate();
    }

    void get(std::string_view endpoint, Handler handler, HttpRouter::Cost cost = HttpRouter::Cost::Quick)
    {
        m_server.get(pattern(endpoint), wrap(std::move(handler)), cost);
    }
    void post(std::string_view endpoint, Handler handler) { m_server.post(pattern(endpoint), wrap(std::move(handler))); }

    /// A POST whose body is JSON although the client labels it form-encoded, so the body is
    /// taken as it is. `limit` reads the body limit at request time.
    void postJson(std::string_view endpoint, std::function<size_t()> limit, BodyHandler handler,
        HttpRouter::Cost cost = HttpRouter::Cost::Quick)
    {
        ServerContext* ctx = &m_ctx;
        std::shared_ptr<ContentStore> store = m_store;
        m_server.post(
            pattern(endpoint),
            [ctx, store, limit = std::move(limit), handler = std::move(handler)](const ServerRequest& req, ServerResponse& res) {
                guarded(res, [&] {
                    if (req.isMultipartFormData())
                        throw BadRequest { "body is not JSON" };
                    if (req.body.size() > limit())
                        throw BadRequest { "request body too large", 413 };
                    Exchange exchange(*ctx, *store, req);
                    handler(exchange, req.body, res);
                });
            },
            HttpRouter::Body::Raw, cost);
    }

private:
    /// Runs `work`; a refusal becomes its JSON error, a storage failure a 500 JSON object.
    static void guarded(ServerResponse& res, const std::function<void()>& work)
    {
        try {
            work();
        } catch (const BadRequest& bad) {
            ServerContext::sendError(res, bad.status, bad.message);
        } catch (const StorageError&) {
            ServerContext::sendError(res, 500, "storage error");
        } catch (const std::exception&) {
            ServerContext::sendError(res, 500, "internal error");
        }
    }

    HttpRouter::Handler wrap(Handler handler)
    {
        ServerContext* ctx = &m_ctx;
        std::shared_ptr<ContentStore> store = m_store;
        return [ctx, store, handler = std::move(handler)](const ServerRequest& req, ServerResponse& res) {
            guarded(res, [&] {
                Exchange exchange(*ctx, *store, req);
                handler(exchange, req, res);
            });
        };
    }

    HttpRouter& m_server;
    ServerContext& m_ctx;
    std::shared_ptr<ContentStore> m_store;
};

JsonObjectPtr object(std::vector<JsonObject::Entry> entries)
{
    return JsonObject::create(std::move(entries));
}

void sendRecord(ServerResponse& res, JsonObjectPtr record)
{
    ServerContext::sendMessage(res, std::move(record));
}

// Account and device -------------------------------------------------------------------------

JsonObjectPtr loginReply(Exchange& ex, const User& user)
{
    auto userRecord = JsonObject::create();
    userRecord->set("UserId", idText(user.id));
    userRecord->set("Email", user.email);
    userRecord->set("DefaultOptions", ex.db.defaultOptions(user.id));
    auto tabList = JsonArray::create();
    if (auto site = ex.db.siteOfOwner(user.id)) {
        if (auto root = ex.db.asset(site->tabbarId)) {
            JsonObjectPtr tabs = ex.tabbar(*root);
            userRecord->set("Tabs", tabs);
            userRecord->set("RootAssetId", idText(root->id));
            for (const JsonValue& tab : *tabs->get("Children").array())
                tabList->push_back(tab);
        }
    }
    // The trash tab: the client refreshes it through "trash"; it has no asset of its own.
    auto trash = object({ { "Name", "Trash" }, { "name", "Trash" }, { "Title", "Trash" }, { "Type", "Directory" },
        { "Owner", user.token }, { "IsDeleted", "false" }, { "Children", ex.records(ex.db.trash(user.id)) } });
    tabList->push_back(trash);
    userRecord->set("Tabbar", tabList);

    auto profile = JsonArray::create();
    for (const ContentAsset& workflow : ex.db.workflows(user.id)) {
        profile->push_back(object({ { "type", "Workflow" }, { "name", workflow.name }, { "assetID", idText(workflow.id) },
            { "Type", "Workflow" }, { "Name", workflow.name }, { "AssetId", idText(workflow.id) } }));
    }
    return object({ { "AuthToken", user.token }, { "User", userRecord }, { "isRoot", user.isRoot ? "Yes" : "No" },
        { "Profile", profile } });
}

void accountRoutes(Routes& routes)
{
    routes.get("login", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        std::string email = ServerContext::requireText(req, "email", Accounts::maxEmailLength);
        std::string password = ServerContext::requireText(req, "password", Accounts::maxPasswordLength);
        std::string token;
        switch (ex.ctx.accounts.login(email, password, &token, req.remoteAddress)) {
        case Accounts::LoginResult::Ok:
            break;
        case Accounts::LoginResult::WrongCredentials:
            return sendRecord(res, object({ { "Alert", "The e-mail address or the password is wrong." } }));
        case Accounts::LoginResult::TooManyAttempts:
            return sendRecord(res, object({ { "Alert", "Too many failed attempts. Please wait a moment and try again." } }));
        }
        auto user = ex.ctx.accounts.userForToken(token);
        if (!user)
            throw BadRequest { "session vanished", 500 };
        ex.actAs(*user);
        res.setHeader("Set-Cookie", "token=" + token + "; Path=/; HttpOnly");
        sendRecord(res, loginReply(ex, *user));
    }, HttpRouter::Cost::Long);

    routes.get("logoutUser", [](Exchange& ex, const ServerRequest&, ServerResponse& res) {
        bool ended = ex.caller() && ex.ctx.accounts.logout(ex.caller()->token);
        res.setHeader("Set-Cookie", "token=; Path=/; HttpOnly; Max-Age=0");
        sendRecord(res, object({ { "LoggedOut", ended ? "Yes" : "No" } }));
    });

    routes.get("registerCompany", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        std::string email = ServerContext::requireText(req, "email", Accounts::maxEmailLength);
        std::string password = ServerContext::requireText(req, "password", Accounts::maxPasswordLength);
        std::string company = requireName(req, "company");
        std::string device = ServerContext::optionalText(req, "device", s_maxDeviceIdLength).value_or("");
        if (!plainToken(device))
            throw BadRequest { "bad device" };
        // Refused here rather than by `create`, so a taken address is refused the same way.
        if (password.empty())
            throw BadRequest { "bad e-mail address or password" };
        if (ex.ctx.accounts.idOf(email)) {
            // A taken address answers like a new one, at the same cost, and changes nothing, so the
            // reply does not tell who has an account. The id is the one a registration made now
            // would get.
            // FIXME: a real registration mails a verification link and this one should mail the
            // owner a notice instead; there is no mail transport, so neither is sent.
            Accounts::hash(password);
            return sendRecord(res, object({ { "AssetId", idText(ex.db.nextAssetId()) }, { "Name", company }, { "Published", "No" } }));
        }
        int64_t tabbar = 0;
        // The account and its site appear together or not at all.
        ex.ctx.storage.transaction([&] {
            auto userId = ex.ctx.accounts.create(email, password);
            if (!userId)
                throw BadRequest { "bad e-mail address or password" };
            tabbar = ex.db.createSite(*userId, company, "Home");
            if (!device.empty())
                ex.db.registerDevice(device, company, "", *userId, ServerContext::nowText());
        });
        sendRecord(res, object({ { "AssetId", idText(tabbar) }, { "Name", company }, { "Published", "No" } }));
    }, HttpRouter::Cost::Long);

    routes.get("resetPassword", [](Exchange&, const ServerRequest& req, ServerResponse& res) {
        ServerContext::requireText(req, "email", Accounts::maxEmailLength);
        // FIXME: there is no mail transport, so no temporary password is made; the reply is the
        // same for known and unknown addresses.
        sendRecord(res, object({ { "Sent", "Yes" } }));
    });

    routes.get("changePassword", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        const User& user = ex.requireCaller();
        std::string userID = ServerContext::optionalText(req, "userID", 32).value_or("");
        // The client sends its user id unfilled; a filled one must be the caller's own.
        if (!userID.empty() && ServerContext::parseId(userID) != user.id)
            throw BadRequest { "not your account", 403 };
        std::string password = ServerContext::requireText(req, "password", Accounts::maxPasswordLength);
        if (password.empty())
            throw BadRequest { "password is empty" };
        if (!ex.ctx.accounts.setPassword(user.id, password, user.token))
            throw BadRequest { "password not changed" };
        sendRecord(res, object({ { "Changed", "Yes" } }));
    }, HttpRouter::Cost::Long);

    routes.get("registerDevice", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        std::string name = ServerContext::optionalText(req, "name", ServerContext::maxNameLength).value_or("");
        std::string device = ServerContext::requireText(req, "deviceid", s_maxDeviceIdLength);
        std::string token = ServerContext::requireText(req, "pushtoken", s_maxPushTokenLength);
        if (device.empty() || !plainToken(device) || token.empty() || !plainToken(token))
            throw BadRequest { "bad deviceid or pushtoken" };
        ex.db.registerDevice(device, name, token, ex.caller() ? ex.caller()->id : 0, ServerContext::nowText());
        sendRecord(res, object({ { "Registered", "Yes" } }));
    });

    routes.get("setPublished", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        const User& user = ex.requireCaller();
        ContentAsset site = ex.requireAsset(ServerContext::requireId(req, "assetid"));
        // Publishing approves a registration: a root user's decision, not the owner's.
        if (!user.isRoot)
            throw BadRequest { "only an administrator publishes a site", 403 };
        if (site.type != "Tabbar" || !ex.db.setPublished(site.id, true))
            throw BadRequest { "not a site" };
        auto reply = ex.record(site);
        reply->set("Published", "Yes");
        sendRecord(res, reply);
    });
}

// Pages, tabs and trash ------------------------------------------------------------------------

void buildDirectoryReply(Exchange& ex, std::optional<int64_t> id, ServerResponse& res)
{
    if (!id) {
        auto site = ex.db.defaultSite();
        auto tabs = site ? ex.db.children(site->tabbarId) : std::vector<ContentAsset> {};
        if (tabs.empty())
            throw BadRequest { "no public start page", 404 };
        return sendRecord(res, ex.directory(tabs.front()));
    }
    sendRecord(res, ex.directory(ex.requireReadable(*id)));
}

void readRoutes(Routes& routes)
{
    routes.get("contentForNode", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        auto id = ServerContext::optionalId(req, "assetid");
        // The reply depends on the page, the stored data and who asks (rights and "Owner").
        const uint64_t generation = ex.ctx.storage.generation();
        const std::string key = "contentForNode " + (id ? idText(*id) : std::string()) + " "
            + (ex.caller() ? ex.caller()->token : std::string());
        if (auto body = ex.ctx.replyCache.find(key, generation)) {
            res.setContent(std::move(*body), "application/json; charset=utf-8");
            return;
        }
        buildDirectoryReply(ex, id, res);
        if (res.status == 200)
            ex.ctx.replyCache.store(key, generation, res.body);
    });

    routes.get("getTabbar", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        ContentAsset a = ex.requireReadable(ServerContext::requireId(req, "assetid"));
        if (a.type != "Tabbar")
            throw BadRequest { "not a tab bar" };
        sendRecord(res, ex.tabbar(a));
    });

    routes.get("getDocument.php", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        ContentAsset a = ex.requireReadable(ServerContext::requireId(req, "assetid"));
        if (a.type != "Document")
            throw BadRequest { "not a document" };
        auto reply = ex.record(a);
        auto entries = JsonArray::create();
        // Picture entries and values may be kept as "/images/..." paths: the reply names the host.
        for (const std::string& text : ex.db.documentEntries(a.id)) {
            if (auto entry = JsonParser::parse(text); entry && entry->isObject()) {
                JsonObjectPtr fields = entry->object();
                if (fields->get("type").asString() == "Image" && fields->get("assVal").isString())
                    fields->set("assVal", ex.ctx.withHost(fields->get("assVal").asString()));
                entries->push_back(*entry);
            }
        }
        reply->set("_linkedAsset", object({ { "list", entries } }));
        auto state = JsonObject::create();
        for (const ContentStore::DocumentValue& v : ex.db.documentValues(a.id)) {
            std::string value = v.type == "Image" ? ex.ctx.withHost(v.value) : v.value;
            state->set(v.name, object({ { "val", value }, { "type", v.type }, { "lastModified", v.lastModified },
                                   { "user", v.user } }));
        }
        reply->set("dict", state);
        sendRecord(res, reply);
    });

    routes.get("pageList", [](Exchange& ex, const ServerRequest&, ServerResponse& res) {
        const User& user = ex.requireCaller();
        auto list = JsonArray::create();
        for (const ContentAsset& page : ex.db.pages(user.id)) {
            auto r = ex.record(page);
            r->set("Id", idText(page.id));
            list->push_back(r);
        }
        sendRecord(res, object({ { "PageList", list } }));
    });

    routes.get("trash", [](Exchange& ex, const ServerRequest&, ServerResponse& res) {
        const User& user = ex.requireCaller();
        sendRecord(res, object({ { "Trash", ex.records(ex.db.trash(user.id)) } }));
    });

    routes.get("imageList", [](Exchange& ex, const ServerRequest&, ServerResponse& res) {
        const User& user = ex.requireCaller();
        auto list = JsonArray::create();
        for (const auto& [id, created] : ex.db.images(user.id)) {
            list->push_back(object({ { "AssetId", idText(id) }, { "Type", "Image" }, { "Name", "Image " + idText(id) },
                { "ImageUrl", ex.ctx.imageUrl(id) }, { "date", created } }));
        }
        sendRecord(res, object({ { "ImageList", list } }));
    });

    routes.get("associatedAssets.php", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        ContentAsset a = ex.requireReadable(ServerContext::requireId(req, "a"));
        sendRecord(res, object({ { "list", ex.records(ex.db.associated(a.id)) } }));
    });
}

// Changes -----------------------------------------------------------------------------------

ContentAsset requireContainer(Exchange& ex, int64_t id)
{
    ContentAsset parent = ex.requireOwned(id);
    if (!ContentStore::isContainer(parent.type))
        throw BadRequest { "items can only be added to a page" };
    return parent;
}

/// Adds an item to an owned page and answers the page.
void addItem(Exchange& ex, ServerResponse& res, int64_t parentId, ContentAsset fields)
{
    ContentAsset parent = requireContainer(ex, parentId);
    ex.db.addChild(parent, std::move(fields));
    sendRecord(res, ex.directory(*ex.db.asset(parent.id)));
}

ContentAsset item(const std::string& type, std::string name, std::string title = {}, std::string data = {})
{
    ContentAsset a;
    a.type = type;
    a.name = std::move(name);
    a.title = std::move(title);
    a.data = std::move(data);
    return a;
}

void changeRoutes(Routes& routes)
{
    routes.get("associateAssets.php", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        ContentAsset receiver = ex.requireOwned(ServerContext::requireId(req, "a"));
        ContentAsset linked = ex.requireOwned(ServerContext::requireId(req, "b"));
        if (receiver.id == linked.id)
            throw BadRequest { "an asset cannot be linked to itself" };
        ex.db.associate(receiver.id, linked.id);
        sendRecord(res, object({ { "list", ex.records(ex.db.associated(receiver.id)) } }));
    });

    routes.get("makePage", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        int64_t parent = ServerContext::requireId(req, "assetid");
        addItem(ex, res, parent, item("Directory", requireName(req, "name")));
    });

    routes.get("makeForm", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        int64_t parentId = ServerContext::requireId(req, "assetid");
        std::string name = requireName(req, "name");
        std::string message = ServerContext::optionalText(req, "message").value_or("");
        std::string link = ServerContext::optionalText(req, "linkassetid", 32).value_or("");
        ContentAsset parent = requireContainer(ex, parentId);
        ContentAsset form = item("Form", name);
        form.message = message;
        // The client sends "(null)" or nothing when no next page was chosen.
        if (!link.empty() && link != "(null)") {
            auto id = ServerContext::parseId(link);
            if (!id)
                throw BadRequest { "bad linkassetid" };
            form.linkedId = ex.requireOwned(*id).id;
        }
        ex.ctx.storage.transaction([&] {
            int64_t formId = ex.db.addChild(parent, form);
            ex.db.addChild(*ex.db.asset(formId), item("Submit", "Send", "Send"));
        });
        sendRecord(res, ex.directory(*ex.db.asset(parent.id)));
    });

    routes.get("setCarousel", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        std::string option = ServerContext::requireText(req, "option", 32);
        ContentAsset a = ex.requireOwned(ServerContext::requireId(req, "assetid"));
        if (a.type != "Directory" && a.type != "Form")
            throw BadRequest { "only a page shows a carousel" };
        if (!validCarouselOption(option))
            throw BadRequest { "bad option" };
        a.carousel = option;
        ex.db.update(a);
        sendRecord(res, ex.record(a));
    });

    routes.get("deleteAsset", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        ContentAsset a = ex.requireOwned(ServerContext::requireId(req, "assetid"));
        if (a.type == "Tabbar")
            throw BadRequest { "a site cannot be deleted" };
        ex.db.setDeleted(a.id, true, ServerContext::nowText());
        sendRecord(res, ex.parentDirectory(a));
    });

    routes.get("restoreAsset", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        ContentAsset a = ex.requireOwned(ServerContext::requireId(req, "assetid"));
        ex.db.setDeleted(a.id, false, {});
        auto reply = ex.parentDirectory(a);
        reply->set("Trash", ex.records(ex.db.trash(a.ownerId)));
        sendRecord(res, reply);
    });

    routes.get("setDate", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        auto date = ServerContext::optionalText(req, "date", 32);
        auto endDate = ServerContext::optionalText(req, "endDate", 32);
        if (date.has_value() == endDate.has_value())
            throw BadRequest { "give either date or endDate" };
        const std::string& value = date ? *date : *endDate;
        if (!validServerDate(value))
            throw BadRequest { "bad date" };
        ContentAsset a = ex.requireOwned(ServerContext::requireId(req, "assetid"));
        if (a.type != "Event")
            throw BadRequest { "only an event has dates" };
        if (date) {
            // The event's span widens to include a new date and never narrows.
            a.date = value;
            if (!a.startDate.empty() && value < a.startDate)
                a.startDate = value;
            if (a.endDate.empty() || value > a.endDate)
                a.endDate = value;
        } else {
            a.endDate = value;
        }
        ex.db.update(a);
        sendRecord(res, ex.record(a));
    });

    routes.get("addText", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        int64_t parent = ServerContext::requireId(req, "assetid");
        std::string text = ServerContext::requireText(req, "text");
        addItem(ex, res, parent, item("Text", "Text", {}, text));
    });

    routes.get("addTextField", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        int64_t parent = ServerContext::requireId(req, "assetid");
        std::string title = requireName(req, "title");
        addItem(ex, res, parent, item("TextField", title, title));
    });

    routes.get("addTextView", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        int64_t parent = ServerContext::requireId(req, "assetid");
        std::string title = requireName(req, "title");
        addItem(ex, res, parent, item("TextView", title, title));
    });
}

// POST-JSON changes ---------------------------------------------------------------------------

/// Stores an edited item with its new options and key, and answers its page.
void storeEdit(Exchange& ex, ServerResponse& res, ContentAsset& a, const std::optional<std::string>& options,
    const std::optional<std::string>& key)
{
    if (options)
        a.options = *options;
    if (key && !key->empty())
        a.name = *key;
    ex.db.update(a);
    sendRecord(res, ex.parentDirectory(a));
}

/// Text of a text block, video or event; sent to a page it adds a new text block there.
void sendText(Exchange& ex, const std::string& raw, ServerResponse& res)
{
    JsonObjectPtr body = jsonBody(raw);
    int64_t id = bodyId(*body, "assetid");
    auto text = bodyText(*body, "text", ServerContext::maxTextLength);
    auto options = bodyText(*body, "options", ServerContext::maxNameLength);
    auto key = bodyText(*body, "key", ServerContext::maxNameLength);
    ContentAsset a = ex.requireOwned(id);
    if (ContentStore::isContainer(a.type)) {
        if (!text)
            throw BadRequest { "missing text" };
        ContentAsset fresh = item("Text", key && !key->empty() ? *key : "Text", {}, *text);
        fresh.options = options.value_or("");
        return addItem(ex, res, a.id, fresh);
    }
    if (a.type != "Text" && a.type != "YoutubeVideo" && a.type != "Event" && a.type != "Button")
        throw BadRequest { "this item holds no text" };
    if (text)
        a.data = *text;
    storeEdit(ex, res, a, options, key);
}

/// Title, key and options of an input; sent to a page it adds a new input of `type` there.
void sendInput(Exchange& ex, const std::string& text, ServerResponse& res, const std::string& type)
{
    JsonObjectPtr body = jsonBody(text);
    int64_t id = bodyId(*body, "assetid");
    auto title = bodyText(*body, "title", ServerContext::maxNameLength);
    auto options = bodyText(*body, "options", ServerContext::maxNameLength);
    auto key = bodyText(*body, "key", ServerContext::maxNameLength);
    ContentAsset a = ex.requireOwned(id);
    if (ContentStore::isContainer(a.type)) {
        if (!title || title->empty())
            throw BadRequest { "missing title" };
        ContentAsset fresh = item(type, key && !key->empty() ? *key : *title, *title);
        fresh.options = options.value_or("");
        return addItem(ex, res, a.id, fresh);
    }
    // An existing multi-line input may arrive through "sendTextField": it keeps its type.
    if (a.type != "TextField" && a.type != "TextView")
        throw BadRequest { "this item is not an input" };
    if (title)
        a.title = *title;
    storeEdit(ex, res, a, options, key);
}

/// An image id that the caller stored; 0 for "0" (no picture).
int64_t ownImage(Exchange& ex, const JsonObject& body, const User& user)
{
    const JsonValue* value = body.find("selectedimageid");
    if (value && value->isString() && *value->string() == "0")
        return 0;
    if (value && value->isInteger() && value->asInt() == 0)
        return 0;
    int64_t image = bodyId(body, "selectedimageid");
    auto imageOwner = ex.db.imageOwner(image);
    if (!imageOwner)
        throw BadRequest { "no such picture", 404 };
    if (*imageOwner != user.id)
        throw BadRequest { "not your picture", 403 };
    return image;
}

bool holdsPicture(const std::string& type)
{
    return type == "Image" || type == "Event" || type == "Document" || type == "Directory" || type == "Form" || type == "Tabbar";
}

size_t jsonLimit()
{
    return s_maxJsonBody;
}

size_t imageLimit()
{
    return s_maxImageBody;
}

/// A picture for an "Image" entry of a form document, named "<document>-<n>" as the document's
/// entries name themselves: it is stored and becomes the entry's recorded value.
void sendDocumentPicture(Exchange& ex, const std::string& entryId, const std::string& encoded, ServerResponse& res)
{
    std::optional<int64_t> documentId = ServerContext::parseId(entryId.substr(0, entryId.find('-')));
    if (!documentId)
        throw BadRequest { "bad assetid" };
    ContentAsset document = ex.requireOwned(*documentId);
    if (document.type != "Document")
        throw BadRequest { "not a document" };
    std::string name;
    for (const std::string& entryText : ex.db.documentEntries(document.id)) {
        auto entry = JsonParser::parse(entryText);
        if (entry && entry->isObject() && entry->object()->get("assetID").asString() == entryId && entry->object()->get("type").asString() == "Image")
            name = entry->object()->get("name").asString();
    }
    if (name.empty())
        throw notFound();
    auto bytes = Base64::decode(encoded);
    if (!bytes)
        throw BadRequest { "image is not Base64" };
    std::string path;
    ex.ctx.storage.transaction([&] {
        int64_t image = ex.ctx.storeImage(*bytes, document.ownerId);
        if (!image)
            throw BadRequest { "image is not a JPEG, PNG or GIF picture of an allowed size" };
        path = ex.ctx.imagePath(image);
        ex.db.setDocumentValue(document.id, { name, path, "Image", ServerContext::nowText(), ex.requireCaller().email });
    });
    sendRecord(res, object({ { "name", name }, { "assVal", ex.ctx.withHost(path) } }));
}

void postRoutes(Routes& routes)
{
    routes.postJson("setName", jsonLimit, [](Exchange& ex, const std::string& text, ServerResponse& res) {
        JsonObjectPtr body = jsonBody(text);
        int64_t id = bodyId(*body, "assetid");
        std::string name = requireBodyText(*body, "name", ServerContext::maxNameLength);
        if (name.empty())
            throw BadRequest { "name is empty" };
        ContentAsset a = ex.requireOwned(id);
        a.name = name;
        ex.db.update(a);
        sendRecord(res, ex.record(a));
    });

    routes.postJson("updateDefaultOptions", jsonLimit, [](Exchange& ex, const std::string& text, ServerResponse& res) {
        JsonObjectPtr body = jsonBody(text);
        std::string options = requireBodyText(*body, "toptions", ServerContext::maxNameLength);
        const User& user = ex.requireCaller();
        ex.db.setDefaultOptions(user.id, options);
        sendRecord(res, object({ { "DefaultOptions", options } }));
    });

    routes.postJson("sendForm", jsonLimit, [](Exchange& ex, const std::string& text, ServerResponse& res) {
        JsonObjectPtr body = jsonBody(text);
        int64_t formId = bodyId(*body, "formid");
        if (body->size() > s_maxFormFields + 1)
            throw BadRequest { "too many values", 413 };
        std::vector<std::pair<std::string, std::string>> values;
        for (const auto& [key, value] : body->entries()) {
            if (key == "formid")
                continue;
            if (key.empty() || key.size() > ServerContext::maxNameLength)
                throw BadRequest { "bad value name" };
            if (!value.isString())
                throw BadRequest { key + " is not a string" };
            if (value.string()->size() > ServerContext::maxTextLength)
                throw BadRequest { key + " too long" };
            values.emplace_back(key, *value.string());
        }
        // Visitors fill in forms: anyone who may read the form may send it.
        ContentAsset form = ex.requireReadable(formId);
        if (form.type != "Form" || form.deleted)
            throw BadRequest { "not a form" };
        int64_t submission = ex.db.addSubmission(form.id, ex.caller() ? ex.caller()->id : 0, values, ServerContext::nowText());
        sendRecord(res, object({ { "Sent", "Yes" }, { "SubmissionId", idText(submission) }, { "message", form.message } }));
    });

    routes.postJson("sendText", jsonLimit, sendText);
    routes.postJson("sendTextField", jsonLimit,
        [](Exchange& ex, const std::string& text, ServerResponse& res) { sendInput(ex, text, res, "TextField"); });
    routes.postJson("sendTextView", jsonLimit,
        [](Exchange& ex, const std::string& text, ServerResponse& res) { sendInput(ex, text, res, "TextView"); });

    routes.postJson("sendImage", imageLimit, [](Exchange& ex, const std::string& text, ServerResponse& res) {
        JsonObjectPtr body = jsonBody(text);
        if (const JsonValue* target = body->find("assetid"); target && target->isString() && target->string()->find('-') != std::string::npos)
            return sendDocumentPicture(ex, *target->string(), requireBodyText(*body, "image", s_maxImageBody), res);
        int64_t id = bodyId(*body, "assetid");
        std::string encoded = requireBodyText(*body, "image", s_maxImageBody);
        ContentAsset a = ex.requireOwned(id);
        if (!holdsPicture(a.type))
            throw BadRequest { "this item holds no picture" };
        auto bytes = Base64::decode(encoded);
        if (!bytes)
            throw BadRequest { "image is not Base64" };
        // The picture and the item that shows it are stored together or not at all.
        ex.ctx.storage.transaction([&] {
            int64_t image = ex.ctx.storeImage(*bytes, a.ownerId);
            if (!image)
                throw BadRequest { "image is not a JPEG, PNG or GIF picture of an allowed size" };
            // The picture becomes the asset's own, a page's header as much as an item's picture;
            // new image items come from the library ("linkImage" with "add").
            a.imageId = image;
            ex.db.update(a);
        });
        sendRecord(res, ex.parentDirectory(a));
    }, HttpRouter::Cost::Long);

    routes.postJson("linkImage", jsonLimit, [](Exchange& ex, const std::string& text, ServerResponse& res) {
        JsonObjectPtr body = jsonBody(text);
        int64_t id = bodyId(*body, "assetid");
        auto action = bodyText(*body, "action", 16);
        if (action && *action != "add")
            throw BadRequest { "bad action" };
        const User& user = ex.requireCaller();
        int64_t image = ownImage(ex, *body, user);
        ContentAsset a = ex.requireOwned(id);
        if (action) {
            if (!image)
                throw BadRequest { "no picture to add" };
            ContentAsset fresh = item("Image", "Image");
            fresh.imageId = image;
            return addItem(ex, res, a.id, fresh);
        }
        if (!holdsPicture(a.type))
            throw BadRequest { "this item holds no picture" };
        a.imageId = image;
        ex.db.update(a);
        sendRecord(res, ex.record(a));
    });

    routes.postJson("swapAssets", jsonLimit, [](Exchange& ex, const std::string& text, ServerResponse& res) {
        JsonObjectPtr body = jsonBody(text);
        int64_t firstId = bodyId(*body, "assetid");
        int64_t secondId = bodyId(*body, "secondid");
        ContentAsset first = ex.requireOwned(firstId);
        ContentAsset second = ex.requireOwned(secondId);
        if (first.id == second.id || first.parentId != second.parentId || !first.parentId)
            throw BadRequest { "only two items of one page can swap" };
        ex.db.swapPositions(first, second);
        sendRecord(res, ex.parentDirectory(first));
    });
}

// Contact requests, beacons, errors ------------------------------------------------------------

void otherRoutes(Routes& routes)
{
    routes.post("addContactRequest.php", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        if (req.body.size() > s_maxJsonBody)
            throw BadRequest { "request body too large", 413 };
        int64_t siteId = ServerContext::requireId(req, "rootAssetID");
        ContentStore::ContactRequest request;
        request.email = ServerContext::requireText(req, "email", Accounts::maxEmailLength);
        request.subject = ServerContext::requireText(req, "subject", ServerContext::maxNameLength);
        request.body = ServerContext::requireText(req, "body");
        request.created = ServerContext::nowText();
        ContentAsset site = ex.requireReadable(siteId);
        if (site.type != "Tabbar")
            throw BadRequest { "rootAssetID is not a site" };
        ex.db.addContactRequest(site.id, request);
        sendRecord(res, object({ { "Sent", "Yes" } }));
    });

    routes.get("getContactRequests.php", [](Exchange& ex, const ServerRequest&, ServerResponse& res) {
        const User& user = ex.requireCaller();
        auto list = JsonArray::create();
        if (auto site = ex.db.siteOfOwner(user.id)) {
            for (const ContentStore::ContactRequest& r : ex.db.contactRequests(site->tabbarId)) {
                list->push_back(object({ { "AssetId", idText(r.id) }, { "email", r.email }, { "subject", r.subject },
                    { "body", r.body }, { "date", r.created } }));
            }
        }
        sendRecord(res, object({ { "list", list } }));
    });

    auto beaconList = [](Exchange& ex) {
        const User& user = ex.requireCaller();
        auto list = JsonArray::create();
        for (const ContentStore::Beacon& b : ex.db.beacons(user.id)) {
            list->push_back(object({ { "AssetId", idText(b.id) }, { "beaconID", b.beaconId }, { "beaconmajor", idText(b.major) },
                { "beaconminor", idText(b.minor) }, { "message", b.message } }));
        }
        return list;
    };
    routes.get("userBeacons", [beaconList](Exchange& ex, const ServerRequest&, ServerResponse& res) {
        sendRecord(res, object({ { "UserBeacons", beaconList(ex) } }));
    });
    routes.get("beaconList", [beaconList](Exchange& ex, const ServerRequest&, ServerResponse& res) {
        sendRecord(res, object({ { "list", beaconList(ex) } }));
    });

    routes.get("saveBeacon", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        const User& user = ex.requireCaller();
        ContentStore::Beacon beacon;
        beacon.message = ServerContext::requireText(req, "message", ServerContext::maxNameLength);
        beacon.beaconId = ServerContext::requireText(req, "beaconID", 64);
        if (beacon.beaconId.empty() || !plainToken(beacon.beaconId))
            throw BadRequest { "bad beaconID" };
        for (auto [key, field] : { std::pair { "beaconmajor", &beacon.major }, std::pair { "beaconminor", &beacon.minor } }) {
            std::string text = ServerContext::requireText(req, key, 5);
            if (text.empty() || !isDigits(text, 0, text.size()) || number(text, 0, text.size()) > 65535)
                throw BadRequest { std::string("bad ") + key };
            *field = number(text, 0, text.size());
        }
        ex.db.addBeacon(user.id, beacon);
        sendRecord(res, object({ { "Saved", "Yes" } }));
    });

    routes.get("sendError.php", [](Exchange& ex, const ServerRequest& req, ServerResponse& res) {
        std::string text = ServerContext::requireText(req, "error");
        if (text.empty())
            throw BadRequest { "error is empty" };
        ex.db.addErrorReport(text, ServerContext::nowText());
        sendRecord(res, object({ { "Logged", "Yes" } }));
    });
}

} // namespace

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
