#include "server/ContentApiRoutes.h"
#include "server/ContentApiSupport.h"

#include "platform/Base64.h"
#include "platform/JsonParser.h"
#include "server/ContentStore.h"
#include "server/ServerContext.h"

#include <optional>
#include <utility>
#include <vector>

namespace quindle::contentapi {

// POST-JSON changes ---------------------------------------------------------------------------

namespace {

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

} // namespace

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

} // namespace quindle::contentapi
