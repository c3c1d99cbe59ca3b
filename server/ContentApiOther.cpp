#include "server/ContentApiRoutes.h"
#include "server/ContentApiSupport.h"

#include "server/Accounts.h"
#include "server/ContentStore.h"
#include "server/ServerContext.h"

#include <utility>

namespace quindle::contentapi {

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

} // namespace quindle::contentapi
