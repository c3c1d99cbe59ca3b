#pragma once

// Helpers shared by the content API's route files; not part of its interface.

#include "server/ContentApi.h"
#include "server/ContentStore.h"
#include "server/ServerContext.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quindle::contentapi {

// The limits behind ContentApi's setters: one instance each, in ContentApi.cpp.
extern std::atomic<size_t> s_maxJsonBody;
extern std::atomic<size_t> s_maxImageBody;
extern std::atomic<size_t> s_maxFormFields;

extern std::atomic<size_t> s_maxDeviceIdLength;
extern std::atomic<size_t> s_maxPushTokenLength;

// Validation of query values and bodies (ContentApi.cpp).
BadRequest notFound();
BadRequest notOwner();
std::string idText(int64_t id);
bool isDigits(std::string_view text, size_t from, size_t count);
int number(std::string_view text, size_t from, size_t count);
bool validServerDate(std::string_view text);
bool validCarouselOption(const std::string& option);
bool plainToken(const std::string& text);
JsonObjectPtr jsonBody(const std::string& text);
int64_t bodyId(const JsonObject& body, const char* key);
std::optional<std::string> bodyText(const JsonObject& body, const char* key, size_t maxLength);
std::string requireBodyText(const JsonObject& body, const char* key, size_t maxLength);
std::string requireName(const ServerRequest& req, const char* key);

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

// Replies (ContentApi.cpp).
JsonObjectPtr object(std::vector<JsonObject::Entry> entries);
void sendRecord(ServerResponse& res, JsonObjectPtr record);

// Adding items to a page, shared by the change and POST routes (ContentApiChange.cpp).
ContentAsset requireContainer(Exchange& ex, int64_t id);
void addItem(Exchange& ex, ServerResponse& res, int64_t parentId, ContentAsset fields);
ContentAsset item(const std::string& type, std::string name, std::string title = {}, std::string data = {});

} // namespace quindle::contentapi
