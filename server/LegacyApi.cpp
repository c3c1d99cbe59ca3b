#include "server/LegacyApi.h"

#include "server/LegacyCareActions.h"

#include "server/ContentApi.h"
#include "server/ContentStore.h"
#include "server/LegacyHistory.h"
#include "server/LegacyResidentForms.h"
#include "server/LegacyStore.h"
#include "server/ServerContext.h"

#include "server/HttpRouter.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <sstream>

namespace quindle {

namespace {

std::string textParam(const ServerRequest& req, const char* key, bool allowEmpty = true)
{
    std::string value = ServerContext::requireText(req, key, LegacyApi::maxTextLength);
    if (!allowEmpty && value.empty())
        throw BadRequest { std::string("empty ") + key };
    return value;
}

std::optional<std::string> optionalTextParam(const ServerRequest& req, const char* key)
{
    return ServerContext::optionalText(req, key, LegacyApi::maxTextLength);
}

// "yyyy-MM-dd HH:mm:ss"
std::string dateParam(const ServerRequest& req, const char* key)
{
    std::string value = textParam(req, key);
    static const char pattern[] = "dddd-dd-dd dd:dd:dd";
    bool ok = value.size() == sizeof pattern - 1;
    for (size_t i = 0; ok && i < value.size(); ++i)
        ok = pattern[i] == 'd' ? std::isdigit(static_cast<unsigned char>(value[i])) != 0 : pattern[i] == value[i];
    if (!ok)
        throw BadRequest { std::string("bad ") + key };
    return value;
}

/// A content asset the caller owns (any, for root users), for the editors that reach content
/// items through these endpoints. Someone else's asset answers as an unknown one, so that these
/// endpoints do not tell which ids exist in other organisations.
ContentAsset ownedContent(ContentStore& content, int64_t id, const User& user)
{
    auto asset = content.asset(id);
    if (!asset || asset->deleted || (asset->ownerId != user.id && !user.isRoot))
        throw BadRequest { "unknown id", 404 };
    return *asset;
}

/// The care data a caller reaches: its own organisation's, or all of it for root users.
LegacyStore::Scope scopeOf(const User& user) { return { user.id, user.isRoot }; }

} // namespace

void LegacyApi::registerRoutes(HttpRouter& server, ServerContext& context)
{
    auto store = std::make_shared<LegacyStore>(context.storage);
    store->migrate();
    store->readdressNumberedPictures();
    // Ids these endpoints do not know as care-form ids are the content server's.
    auto content = std::make_shared<ContentStore>(context.storage);
    ServerContext* ctx = &context;

    // Every handler validates first and answers 400 on bad input, 401 without a session.
    auto route = [&server, ctx](const std::string& path, std::function<void(const ServerRequest&, ServerResponse&, const User&)> handler) {
        auto wrapped = [ctx, handler](const ServerRequest& req, ServerResponse& res) {
            auto user = ctx->caller(req);
            if (!user) {
                ctx->sendError(res, 401, "not logged in");
                return;
            }
            try {
                handler(req, res, *user);
            } catch (const BadRequest& bad) {
                ctx->sendError(res, bad.status, bad.message);
            } catch (const StorageError&) {
                ctx->sendError(res, 503, "storage unavailable");
            }
        };
        server.get("/json/" + path, wrapped);
        server.post("/json/" + path, wrapped);
    };
    auto userName = [](const User& user) { return user.email; };
    auto notFound = [ctx](ServerResponse& res) { ctx->sendError(res, 404, "unknown id"); };

    // Another organisation's id answers exactly as an unknown one: kindOf(id, scope) is None.
    route("start.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        auto id = ServerContext::optionalId(req, "a");
        if (!id) {
            ctx->sendMessage(res, store->rootList(scopeOf(user)));
            return;
        }
        id = LegacyResidentForms::resolveFormID(ctx->storage, *id, scopeOf(user));
        switch (store->kindOf(*id, scopeOf(user))) {
        case LegacyStore::Kind::Form: ctx->sendMessage(res, LegacyResidentForms::linkEntries(store->entryList(*id))); return;
        case LegacyStore::Kind::Person: ctx->sendMessage(res, store->documentsOf(*id)); return;
        case LegacyStore::Kind::Document: ctx->sendMessage(res, store->historyOf(*id)); return;
        default: notFound(res);
        }
    });

    route("currentState.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t id = ServerContext::requireId(req, "a");
        if (store->kindOf(id, scopeOf(user)) != LegacyStore::Kind::Document)
            return notFound(res);
        auto reply = JsonObject::create();
        reply->set("list", store->formState(id));
        auto modified = store->lastModified(id);
        reply->set("modified", modified ? JsonValue(*modified) : JsonValue(ServerContext::nowText()));
        ctx->sendMessage(res, reply);
    });

    route("handleForm.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t entry = ServerContext::requireId(req, "f");
        const int64_t person = ServerContext::requireId(req, "c");
        const std::string name = textParam(req, "name", false);
        const std::string value = textParam(req, "val");
        const std::string type = textParam(req, "type", false);
        auto index = optionalTextParam(req, "index");
        if (index && !ServerContext::parseId(*index) && *index != "0")
            throw BadRequest { "bad index" };
        if (store->kindOf(entry, scopeOf(user)) != LegacyStore::Kind::Entry || store->kindOf(person, scopeOf(user)) != LegacyStore::Kind::Person)
            return notFound(res);
        const int64_t document = store->recordValue(entry, person, name, value, type, index, userName(user), ServerContext::nowText());
        if (!document)
            return notFound(res);
        auto reply = JsonObject::create();
        reply->set("list", store->formState(document));
        reply->set("resDocID", std::to_string(document));
        ctx->sendMessage(res, reply);
    });

    route("setFormValueForDocument.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t document = ServerContext::requireId(req, "parentID");
        const std::string name = textParam(req, "name", false);
        const std::string value = textParam(req, "val");
        const std::string type = textParam(req, "type", false);
        auto reply = JsonObject::create();
        if (store->kindOf(document, scopeOf(user)) != LegacyStore::Kind::Document) {
            // A document item of the owner's site keeps its values with the content.
            ContentAsset item = ownedContent(*content, document, user);
            if (item.type != "Document")
                return notFound(res);
            content->setDocumentValue(document, { name, value, type, ServerContext::nowText(), userName(user) });
            auto state = JsonObject::create();
            for (const ContentStore::DocumentValue& v : content->documentValues(document)) {
                state->set(v.name, JsonObject::create({ { "val", v.value }, { "type", v.type }, { "lastModified", v.lastModified },
                                       { "user", v.user } }));
            }
            reply->set("dict", state);
            ctx->sendMessage(res, reply);
            return;
        }
        if (!store->recordDocumentValue(document, name, value, type, userName(user), ServerContext::nowText()))
            return notFound(res);
        reply->set("dict", store->formState(document));
        ctx->sendMessage(res, reply);
    });

    route("setTimedObject.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t document = ServerContext::requireId(req, "a");
        const int64_t entry = ServerContext::requireId(req, "o");
        const std::string date = dateParam(req, "date");
        const std::string value = textParam(req, "val");
        auto trigger = optionalTextParam(req, "trigger");
        if (store->kindOf(document, scopeOf(user)) != LegacyStore::Kind::Document || store->kindOf(entry, scopeOf(user)) != LegacyStore::Kind::Entry
            || !store->setTimedObject(document, entry, date, value, trigger, userName(user), ServerContext::nowText()))
            return notFound(res);
        auto reply = JsonObject::create();
        reply->set("list", store->formState(document));
        ctx->sendMessage(res, reply);
    });

    route("setAction.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t named = ServerContext::requireId(req, "a");
        const std::string date = dateParam(req, "date");
        auto device = ServerContext::optionalId(req, "devID");
        const std::string value = textParam(req, "val");
        if (!ServerContext::parseId(value) && value != "0")
            throw BadRequest { "bad val" };
        const LegacyStore::Kind kind = store->kindOf(named, scopeOf(user));
        const int64_t record = kind == LegacyStore::Kind::Document || kind == LegacyStore::Kind::Record
            ? LegacyCareActions::actionRecordFor(ctx->storage, named).value_or(0)
            : 0;
        if (!record
            || (device && store->kindOf(*device, scopeOf(user)) != LegacyStore::Kind::Device)
            || !store->setAction(record, date, device, value, userName(user), ServerContext::nowText()))
            return notFound(res);
        auto reply = JsonObject::create();
        reply->set("assetID", std::to_string(record));
        ctx->sendMessage(res, reply);
    });

    route("devices.php", [=](const ServerRequest&, ServerResponse& res, const User& user) { ctx->sendMessage(res, store->devices(scopeOf(user))); });

    route("currentUserOverdueActions.php", [=](const ServerRequest&, ServerResponse& res, const User& user) {
        ctx->sendMessage(res, store->overdueActions(user.id, ServerContext::nowText(), scopeOf(user)));
    });

    LegacyHistory::registerRoutes(server, context);

    route("addAsset.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t parent = ServerContext::requireId(req, "assetID");
        const std::string name = textParam(req, "name", false);
        const std::string type = textParam(req, "type", false);
        const std::string value = optionalTextParam(req, "asVal").value_or("");
        if (store->kindOf(parent, scopeOf(user)) == LegacyStore::Kind::None) {
            // The video editor adds a video to a content page; the field editor adds a field to a
            // content form.
            ContentAsset page = ownedContent(*content, parent, user);
            const bool field = page.type == "Form" && (type == "Text" || type == "Number" || type == "Select");
            if (!ContentStore::isContainer(page.type) || (type != "YoutubeVideo" && !field))
                throw BadRequest { "only a YoutubeVideo, or a Text, Number or Select field of a form, can be added to a page here" };
            ContentAsset item;
            item.type = type;
            item.name = name;
            item.data = value;
            const int64_t added = content->addChild(page, item);
            auto reply = JsonObject::create();
            reply->set("assetID", std::to_string(added));
            reply->set("name", name);
            reply->set("type", type);
            // The page's items with the new one, so the screen that asked shows it without a reload.
            reply->set("Children", ContentApi::childrenOf(*ctx, *content, req, parent));
            ctx->sendMessage(res, reply);
            return;
        }
        const int64_t id = store->addEntry(parent, name, type, value);
        if (!id)
            return notFound(res);
        auto reply = JsonObject::create();
        reply->set("assetID", std::to_string(id));
        reply->set("name", name);
        reply->set("type", type);
        ctx->sendMessage(res, reply);
    });

    route("setName.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t id = ServerContext::requireId(req, "a");
        const std::string name = textParam(req, "name", false);
        if (store->kindOf(id, scopeOf(user)) == LegacyStore::Kind::None) {
            ContentAsset asset = ownedContent(*content, id, user);
            asset.name = name;
            content->update(asset);
        } else if (!store->setName(id, name))
            return notFound(res);
        auto reply = JsonObject::create();
        reply->set("assetID", std::to_string(id));
        reply->set("name", name);
        ctx->sendMessage(res, reply);
    });

    route("resetImage.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t id = ServerContext::requireId(req, "a");
        if (store->kindOf(id, scopeOf(user)) == LegacyStore::Kind::None) {
            ContentAsset asset = ownedContent(*content, id, user);
            asset.imageId = 0;
            content->update(asset);
        } else if (!store->setImage(id, std::nullopt))
            return notFound(res);
        auto reply = JsonObject::create();
        reply->set("assetID", std::to_string(id));
        ctx->sendMessage(res, reply);
    });

    server.post("/json/setImage.php", [=](const ServerRequest& req, ServerResponse& res) {
        auto user = ctx->caller(req);
        if (!user)
            return ctx->sendError(res, 401, "not logged in");
        try {
            textParam(req, "dir");
            const int64_t id = ServerContext::requireId(req, "a");
            ServerContext::optionalId(req, "parentID");
            if (!req.hasFile("uploaded"))
                throw BadRequest { "missing uploaded" };
            const std::string bytes = req.file("uploaded").content;
            if (bytes.empty())
                throw BadRequest { "empty uploaded" };
            const LegacyStore::Kind kind = store->kindOf(id, scopeOf(*user));
            std::optional<ContentAsset> item;
            if (kind == LegacyStore::Kind::None)
                item = ownedContent(*content, id, *user);
            else if (kind != LegacyStore::Kind::Entry)
                return notFound(res);
            std::string url;
            // The picture and the item that shows it change together or not at all.
            ctx->storage.transaction([&] {
                const int64_t picture = ctx->storeImage(bytes, user->id);
                if (picture == 0)
                    throw BadRequest { "uploaded is not a JPEG, PNG or GIF picture" };
                url = ctx->imageUrl(picture);
                if (item) {
                    item->imageId = picture;
                    content->update(*item);
                } else if (!store->setImage(id, url)) {
                    throw BadRequest { "unknown id", 404 };
                }
            });
            auto reply = JsonObject::create();
            reply->set("assetID", std::to_string(id));
            reply->set("ImageUrl", url);
            ctx->sendMessage(res, reply);
        } catch (const BadRequest& bad) {
            ctx->sendError(res, bad.status, bad.message);
        } catch (const StorageError&) {
            ctx->sendError(res, 503, "storage unavailable");
        }
    }, HttpRouter::Body::Fields, HttpRouter::Cost::Long);

    route("ingredientsList.php", [=](const ServerRequest&, ServerResponse& res, const User& user) {
        ctx->sendMessage(res, store->ingredients(scopeOf(user)));
    });

    route("getFoodAllergy.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t document = ServerContext::requireId(req, "a");
        // The menu asks by person: the allergies of all their documents.
        const LegacyStore::Kind kind = store->kindOf(document, scopeOf(user));
        if (kind == LegacyStore::Kind::Person)
            return ctx->sendMessage(res, store->allergiesOfPerson(document));
        if (kind != LegacyStore::Kind::Document)
            return notFound(res);
        ctx->sendMessage(res, store->allergiesOf(document));
    });

    route("setFoodAllergy.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t document = ServerContext::requireId(req, "a");
        const int64_t ingredient = ServerContext::requireId(req, "i");
        const std::string state = textParam(req, "s");
        if (state != "0" && state != "1")
            throw BadRequest { "bad s" };
        if (store->kindOf(document, scopeOf(user)) != LegacyStore::Kind::Document
            || store->kindOf(ingredient, scopeOf(user)) != LegacyStore::Kind::Ingredient
            || !store->setAllergy(document, ingredient, state == "1"))
            return notFound(res);
        ctx->sendMessage(res, store->ingredients(scopeOf(user)));
    });

    route("getMenu.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t form = ServerContext::requireId(req, "a");
        ServerContext::optionalId(req, "p");
        if (store->kindOf(form, scopeOf(user)) != LegacyStore::Kind::Form)
            return notFound(res);
        ctx->sendMessage(res, store->menuOf(form));
    });

    route("setMealObject.php", [=](const ServerRequest& req, ServerResponse& res, const User& user) {
        const int64_t person = ServerContext::requireId(req, "a");
        const std::string menu = textParam(req, "name");
        const std::string date = textParam(req, "date", false);
        // The calendar day the client sent, "yyyy-MM-dd", stored as it came.
        static const char dayPattern[] = "dddd-dd-dd";
        bool day = date.size() == sizeof dayPattern - 1;
        for (size_t i = 0; day && i < date.size(); ++i)
            day = dayPattern[i] == 'd' ? std::isdigit(static_cast<unsigned char>(date[i])) != 0 : dayPattern[i] == date[i];
        if (!day)
            throw BadRequest { "bad date" };
        const int64_t dish = ServerContext::requireId(req, "o");
        if (store->kindOf(person, scopeOf(user)) != LegacyStore::Kind::Person || store->kindOf(dish, scopeOf(user)) != LegacyStore::Kind::Dish
            || !store->orderMeal(person, menu, date, dish, userName(user)))
            return notFound(res);
        auto reply = JsonObject::create();
        reply->set("ordered", std::to_string(dish));
        ctx->sendMessage(res, reply);
    });
}

} // namespace quindle
