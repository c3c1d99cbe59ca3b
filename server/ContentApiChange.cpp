#include "server/ContentApiRoutes.h"
#include "server/ContentApiSupport.h"

#include "server/ContentStore.h"
#include "server/ServerContext.h"

namespace quindle::contentapi {

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

ContentAsset item(const std::string& type, std::string name, std::string title, std::string data)
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

} // namespace quindle::contentapi
