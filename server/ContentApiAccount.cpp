#include "server/ContentApiRoutes.h"
#include "server/ContentApiSupport.h"

#include "server/Accounts.h"
#include "server/ContentStore.h"
#include "server/ServerContext.h"

namespace quindle::contentapi {

// Account and device -------------------------------------------------------------------------

namespace {

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

} // namespace

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

} // namespace quindle::contentapi
