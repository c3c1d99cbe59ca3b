#include "server/ContentApiRoutes.h"
#include "server/ContentApiSupport.h"

#include "platform/JsonParser.h"
#include "server/ContentStore.h"
#include "server/ServerContext.h"

#include <optional>

namespace quindle::contentapi {

// Pages, tabs and trash ------------------------------------------------------------------------

namespace {

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

} // namespace

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

} // namespace quindle::contentapi
