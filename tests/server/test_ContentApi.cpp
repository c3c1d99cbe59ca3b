// The content server over real HTTP on loopback: the keys the client reads, ownership, bad
// input of every kind (and that nothing changed after it), and the life of a login token.
#include "server/ServerFixture.h"
#include "support/RawConnection.h"
#include "platform/Base64.h"
#include "platform/Image.h"
#include "server/ContentApi.h"
#include "server/ServerContext.h"

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

/// A JSON object of string fields, as the editors send it.
std::string body(std::vector<JsonObject::Entry> fields) { return JsonWriter::write(JsonObject::create(std::move(fields))).value_or(""); }

class ContentApiTest : public ServerFixture {
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        loginReply = loginAs(QuindleServer::demoEmail, QuindleServer::demoPassword);
        token = str(loginReply, "AuthToken");
        ASSERT_FALSE(token.empty());
        tabbar = str(user("Tabs"), "AssetId");
        home = str(startPage(), "AssetId");
        gallery = childId("Gallery");
        welcome = childId("Welcome");
    }

    JsonValue user(const char* key) const { return loginReply.object()->get("User").object()->get(key); }
    /// A GET of a content endpoint (or of a full path) as the holder of `as`.
    httplib::Result call(const std::string& endpoint, const std::string& as)
    {
        return get(endpoint.front() == '/' ? endpoint : content(endpoint), as);
    }
    httplib::Result send(const std::string& endpoint, const std::string& json, const std::string& as)
    {
        return post(content(endpoint), json, as);
    }
    JsonValue startPage() { return payload(call("contentForNode", token)); }
    JsonValue page(const std::string& id, const std::string& as = {}) { return payload(call("contentForNode?assetid=" + id, as)); }
    std::string childId(const std::string& name) { return str(named(list(startPage()), name).value_or(JsonValue()), "AssetId"); }
    std::string pageBody(const std::string& id) { return call("contentForNode?assetid=" + id, token)->body; }
    std::string firstImage() { return str(list(payload(call("imageList", token)), "ImageList").at(0), "AssetId"); }

    JsonValue loginReply;
    std::string token, tabbar, home, gallery, welcome;
};

// Login, logout and the token -------------------------------------------------------------------

// The login reply and the life of its token: the caller's own "Owner" until a password change
// or a logout.
TEST_F(ContentApiTest, LoginReplyCarriesTokenUserTabsProfileAndCookieAndTheTokenLastsUntilAPasswordChangeOrLogout)
{
    auto result = call("login?email=" + percentEncode(QuindleServer::demoEmail) + "&password=" + percentEncode(QuindleServer::demoPassword), {});
    ASSERT_EQ(status(result), 200);
    const std::string second = str(payload(result), "AuthToken");
    EXPECT_EQ(second.size(), 64u);
    EXPECT_EQ(result->get_header_value("Set-Cookie"), "token=" + second + "; Path=/; HttpOnly");

    EXPECT_EQ(str(loginReply, "isRoot"), "No");
    EXPECT_FALSE(str(loginReply.object()->get("User"), "DefaultOptions").empty());
    EXPECT_EQ(str(user("Tabs"), "Type"), "Tabbar");
    ASSERT_GE(list(user("Tabs")).size(), 2u);
    for (const JsonValue& tab : list(user("Tabs"))) {
        EXPECT_TRUE(tab.object()->get("Children").isArray()) << str(tab, "Name");
        EXPECT_EQ(str(tab, "Owner"), token);
    }
    auto trash = named(list(loginReply.object()->get("User"), "Tabbar"), "Trash");
    ASSERT_TRUE(trash);
    EXPECT_EQ(str(list(*trash).at(0), "IsDeleted"), "true");
    std::vector<JsonValue> profile = list(loginReply, "Profile");
    ASSERT_EQ(profile.size(), 2u);
    EXPECT_EQ(strs(profile[0], { "type", "name" }), (Texts { "Workflow", "Admission" }));

    // A failed login answers an alert and no token (the slow-down after several is LoginSafety's).
    auto failed = call("login?email=" + percentEncode(QuindleServer::demoEmail) + "&password=wrong", {});
    ASSERT_EQ(status(failed), 200);
    EXPECT_FALSE(str(payload(failed), "Alert").empty());
    EXPECT_FALSE(payload(failed).object()->contains("AuthToken"));
    EXPECT_FALSE(failed->has_header("Set-Cookie"));

    JsonValue start = startPage();
    EXPECT_EQ(str(start, "Owner"), token);
    for (const JsonValue& child : list(start))
        EXPECT_EQ(str(child, "Owner"), token);

    // The second session of the same owner sees its own token; a visitor never sees one.
    EXPECT_EQ(str(payload(call("contentForNode", second)), "Owner"), second);
    EXPECT_EQ(str(payload(call("contentForNode", {})), "Owner").rfind("user-", 0), 0u);

    // The token also arrives in "Cookies" values and in the standard cookie.
    EXPECT_EQ(status(client->Get(content("addText?assetid=" + home + "&text=a"), { { "Cookies", "x, " + token } })), 200);
    // Blank pairs and empty tokens in the cookie are passed over.
    EXPECT_EQ(status(client->Get(content("addText?assetid=" + home + "&text=b"), { { "Cookie", " ; token=; token=" + token } })), 200);

    // A password change takes effect at once and ends the account's other sessions only.
    EXPECT_EQ(str(payload(call("changePassword?userID=&password=new-one", token)), "Changed"), "Yes");
    EXPECT_EQ(status(call("imageList", token)), 200);
    EXPECT_EQ(status(call("imageList", second)), 403);
    EXPECT_TRUE(login().empty());
    EXPECT_FALSE(login(QuindleServer::demoEmail, "new-one").empty());

    EXPECT_EQ(str(payload(call("logoutUser", token)), "LoggedOut"), "Yes");
    EXPECT_EQ(status(call("addText?assetid=" + home + "&text=c", token)), 403);
    std::string shown = str(startPage(), "Owner");
    EXPECT_NE(shown, token);
    EXPECT_EQ(shown.rfind("user-", 0), 0u);
}

// Reading pages ------------------------------------------------------------------------------

TEST_F(ContentApiTest, PublicStartPageUsesEveryItemTypeAndEveryKindOfPageAndOwnersListCarriesTheClientsKeys)
{
    JsonValue start = payload(call("contentForNode", {}));
    EXPECT_EQ(str(start, "Type"), "Directory");
    EXPECT_EQ(str(start, "Name"), "Home");
    EXPECT_FALSE(str(start, "DefaultOptions").empty());
    std::vector<std::string> types;
    for (const JsonValue& child : list(start)) {
        types.push_back(str(child, "Type"));
        EXPECT_FALSE(str(child, "AssetId").empty());
        EXPECT_EQ(str(child, "assetID"), str(child, "AssetId"));
        EXPECT_EQ(str(child, "IsDeleted"), "false");
        EXPECT_NE(str(child, "Owner"), token) << "a visitor must not see edit rights";
    }
    for (const char* type : { "Text", "Image", "Directory", "YoutubeVideo", "Form", "Document", "Button" })
        EXPECT_NE(std::find(types.begin(), types.end(), type), types.end()) << type;
    EXPECT_FALSE(named(list(start), "Old notice")) << "deleted items stay in the trash";

    std::string url = str(*named(list(start), "Our garden"), "ImageUrl");
    ASSERT_EQ(url.rfind(server->host() + "/", 0), 0u) << url;
    auto bytes = call(url.substr(server->host().size()), {});
    ASSERT_EQ(status(bytes), 200);
    EXPECT_TRUE(Image::decode(bytes->body));

    EXPECT_EQ(str(page(gallery), "options"), "Carousel:1");
    EXPECT_EQ(list(page(gallery)).size(), 3u);
    auto fair = named(list(page(childId("Events"))), "Summer fair");
    ASSERT_TRUE(fair);
    EXPECT_EQ(strs(*fair, { "date", "startDate", "endDate" }), (Texts { "2027-07-03 14:00:00", "2027-07-03 14:00:00", "2027-07-03 17:00:00" }));
    EXPECT_EQ(str(*fair, "Name2").rfind("http://", 0), 0u);
    EXPECT_FALSE(str(*fair, "Data").empty());

    // A form holds inputs without data and a submit item.
    JsonValue form = page(childId("Contact us"));
    EXPECT_EQ(str(form, "Type"), "Form");
    auto name = named(list(form), "Your name").value_or(JsonValue());
    EXPECT_EQ(str(name, "Title"), "Your name");
    EXPECT_FALSE(name.object()->contains("Data"));
    EXPECT_EQ(str(named(list(form), "Send").value_or(JsonValue()), "Type"), "Submit");

    // A document carries its entries and the recorded values.
    JsonValue doc = payload(call("getDocument.php?assetid=" + childId("Resident assessment"), {}));
    EXPECT_EQ(strs(doc, { "Type", "name" }), (Texts { "Document", "Resident assessment" }));
    std::vector<JsonValue> entries = list(doc.object()->get("_linkedAsset"), "list");
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
        [](const JsonValue& e) { return str(e, "type") == "Derived" && str(e, "val") == "Weight / (Height * Height)"; }));
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
        [](const JsonValue& e) { return str(e, "type") == "Conditional" && !str(e, "nTrigger").empty() && !str(e, "title").empty(); }));
    EXPECT_EQ(str(doc.object()->get("dict").object()->get("Weight"), "val"), "72.0");

    JsonValue bar = payload(call("getTabbar?assetid=" + tabbar, {}));
    EXPECT_EQ(str(bar, "Type"), "Tabbar");
    ASSERT_EQ(list(bar).size(), 2u);
    EXPECT_FALSE(list(list(bar)[1]).empty());

    // The owner's lists of deleted items, pages and pictures.
    EXPECT_FALSE(list(payload(call("trash", token)), "Trash").empty());
    auto listed = named(list(payload(call("pageList", token)), "PageList"), "Gallery");
    EXPECT_EQ(str(listed.value_or(JsonValue()), "Id"), gallery);
    std::vector<JsonValue> images = list(payload(call("imageList", token)), "ImageList");
    ASSERT_FALSE(images.empty());
    EXPECT_EQ(str(images[0], "ImageUrl").rfind("http://", 0), 0u);
}

// Changes ---------------------------------------------------------------------------------------

TEST_F(ContentApiTest, ItemsAreAddedEditedDeletedRestoredAndSwappedAndCarouselOptionsAndEventDatesSet)
{
    // Each reply is the page, the new item last.
    auto added = [&](const std::string& endpoint) { return list(payload(call(endpoint, token))).back(); };
    EXPECT_EQ(strs(added("makePage?assetid=" + gallery + "&name=New%20page"), { "Name", "Type" }), (Texts { "New page", "Directory" }));
    EXPECT_EQ(str(added("addText?assetid=" + gallery + "&text=" + percentEncode("Hello & welcome")), "Data"), "Hello & welcome");
    EXPECT_EQ(str(added("addTextField?assetid=" + gallery + "&title=Name"), "Type"), "TextField");
    EXPECT_EQ(str(added("addTextView?assetid=" + gallery + "&title=Notes"), "Type"), "TextView");
    JsonValue parent = payload(call("makeForm?assetid=" + gallery + "&name=Survey&message=Thanks&linkassetid=" + childId("Events"), token));
    JsonValue survey = page(str(list(parent).back(), "AssetId"), token);
    EXPECT_EQ(str(survey, "message"), "Thanks");
    EXPECT_EQ(str(list(survey).at(0), "Type"), "Submit");
    EXPECT_EQ(str(survey.object()->get("_linkedAsset"), "Name"), "Events");
    EXPECT_EQ(list(survey.object()->get("_linkedAsset"), "list").size(), 2u);

    // Texts and inputs are edited in place or added to a page.
    parent = payload(send("sendText", body({ { "assetid", welcome }, { "text", "Hi there" },
        { "options", "Georgia:18:0.00,0.00,0.00:1.00,1.00,1.00" }, { "key", "Greeting" } }), token));
    EXPECT_EQ(strs(named(list(parent), "Greeting").value_or(JsonValue()), { "Data", "Options" }),
        (Texts { "Hi there", "Georgia:18:0.00,0.00,0.00:1.00,1.00,1.00" }));
    parent = payload(send("sendTextView", body({ { "assetid", home }, { "title", "Comments" }, { "options", "" }, { "key", "comments" } }), token));
    std::string view = str(list(parent).back(), "AssetId");
    EXPECT_EQ(str(list(parent).back(), "Type"), "TextView");
    // A number id is taken as well as a text one.
    parent = payload(send("sendTextField", "{\"assetid\":" + view + ",\"title\":\"Remarks\",\"options\":\"\",\"key\":\"remarks\"}", token));
    EXPECT_EQ(strs(named(list(parent), "remarks").value_or(JsonValue()), { "Type", "Title" }), (Texts { "TextView", "Remarks" }))
        << "an existing multi-line input keeps its type";

    EXPECT_FALSE(named(list(payload(call("deleteAsset?assetid=" + gallery, token))), "Gallery"));
    EXPECT_TRUE(named(list(payload(call("trash", token)), "Trash"), "Gallery"));
    EXPECT_EQ(status(call("contentForNode?assetid=" + gallery, {})), 404);
    EXPECT_EQ(status(call("contentForNode?assetid=" + gallery, token)), 200);
    call("restoreAsset?assetid=" + gallery, token);
    EXPECT_TRUE(named(list(startPage()), "Gallery"));
    EXPECT_FALSE(named(list(payload(call("trash", token)), "Trash"), "Gallery"));

    std::vector<JsonValue> before = list(startPage());
    std::string first = str(before[0], "AssetId"), second = str(before[1], "AssetId");
    JsonValue swapped = payload(send("swapAssets", body({ { "assetid", first }, { "secondid", second } }), token));
    EXPECT_EQ((Texts { str(list(swapped).at(0), "AssetId"), str(list(swapped).at(1), "AssetId") }), (Texts { second, first }));

    for (const std::string option : { "Carousel:11", "" }) {
        EXPECT_EQ(str(payload(call("setCarousel?assetid=" + gallery + "&option=" + option, token)), "options"), option);
        EXPECT_EQ(str(page(gallery), "options"), option);
    }
    for (const char* bad : { "Carousel:12", "Carousel:x", "carousel", "Carousel:1:2" })
        EXPECT_EQ(status(call("setCarousel?assetid=" + gallery + "&option=" + bad, token)), 400) << bad;

    std::string fair = str(list(page(childId("Events"))).at(0), "AssetId");
    JsonValue event = payload(call("setDate?assetid=" + fair + "&date=" + percentEncode("2027-08-01 10:00:00"), token));
    EXPECT_EQ(strs(event, { "date", "endDate", "startDate" }), (Texts { "2027-08-01 10:00:00", "2027-08-01 10:00:00", "2027-07-03 14:00:00" }))
        << "the span widens to the new date";
    event = payload(call("setDate?assetid=" + fair + "&endDate=" + percentEncode("2027-09-01 10:00:00"), token));
    EXPECT_EQ(str(event, "endDate"), "2027-09-01 10:00:00");
    for (const char* bad : { "2027-02-29 10:00:00", "2027-08-01T10:00:00", "2027-08-01 24:00:00", "tomorrow" })
        EXPECT_EQ(status(call("setDate?assetid=" + fair + "&date=" + percentEncode(bad), token)), 400) << bad;
}

TEST_F(ContentApiTest, PicturesAreStoredServedLinkedAndClearedAndPageAndSiteEditsShowInTheNextReply)
{
    // A JPEG of noise, as large as a phone's picture body gets (tens of kilobytes).
    std::mt19937 random(160);
    std::vector<uint8_t> rgba(160 * 160 * 4);
    for (uint8_t& byte : rgba)
        byte = static_cast<uint8_t>(random());
    const std::string large = Base64::encode(Image::create(160, 160, std::move(rgba))->jpegData(1.0).value());
    ASSERT_GT(large.size(), 64u * 1024);
    auto sent = send("sendImage", body({ { "assetid", gallery }, { "image", large } }), token);
    ASSERT_EQ(status(sent), 200) << sent->body;
    // The upload becomes the page's own picture: the reply is the directory that shows the page,
    // and the page gains no item.
    auto shown = named(list(payload(sent)), "Gallery");
    ASSERT_TRUE(shown) << sent->body;
    std::string url = str(*shown, "ImageUrl");
    EXPECT_EQ(list(page(gallery, token)).size(), 3u);
    ASSERT_EQ(url.rfind("http://", 0), 0u);
    EXPECT_TRUE(Image::decode(call(url.substr(server->host().size()), {})->body));

    std::string image = firstImage();
    std::string garden = childId("Our garden");
    JsonValue linked = payload(send("linkImage", body({ { "assetid", garden }, { "selectedimageid", image } }), token));
    EXPECT_EQ(str(linked, "ImageUrl"), url);
    linked = payload(send("linkImage", body({ { "assetid", garden }, { "selectedimageid", "0" } }), token));
    EXPECT_FALSE(linked.object()->contains("ImageUrl"));
    JsonValue added = payload(send("linkImage", body({ { "assetid", gallery }, { "selectedimageid", image }, { "action", "add" } }), token));
    EXPECT_EQ(str(list(added).back(), "ImageUrl"), url);

    // The page and site editors' changes show in the next directory, tab bar and login reply, to
    // the owner and to a visitor whose page reply was cached before.
    const std::string ownerBefore = call("contentForNode", token)->body, visitorBefore = call("contentForNode", {})->body;
    ASSERT_EQ(call("contentForNode", token)->body, ownerBefore);
    EXPECT_NE(ownerBefore, visitorBefore); // "Owner" differs
    auto site = [&] { return payload(call("getTabbar?assetid=" + tabbar, token)); };
    ASSERT_EQ(status(send("linkImage", body({ { "assetid", tabbar }, { "selectedimageid", firstImage() } }), token)), 200);
    ASSERT_FALSE(str(site(), "ImageUrl").empty());
    EXPECT_EQ(status(call(legacy("setName.php?a=" + gallery + "&name=Photo%20wall"), token)), 200);
    EXPECT_EQ(childId("Photo wall"), gallery);
    EXPECT_NE(call("contentForNode", {})->body.find("Photo wall"), std::string::npos);
    EXPECT_EQ(status(call(legacy("resetImage.php?a=" + home), token)), 200);
    JsonValue homeTab = named(list(site()), "Home").value_or(JsonValue());
    EXPECT_EQ(str(homeTab, "ImageUrl") + str(homeTab, "assVal"), "");
    EXPECT_EQ(status(send("setName", body({ { "assetid", tabbar }, { "name", "Harbour View" } }), token)), 200);
    EXPECT_EQ(str(site(), "Name"), "Harbour View");
    EXPECT_EQ(status(send("linkImage", body({ { "assetid", tabbar }, { "selectedimageid", "0" } }), token)), 200);
    EXPECT_EQ(str(site(), "ImageUrl"), "");
    EXPECT_EQ(str(loginAs(QuindleServer::demoEmail, QuindleServer::demoPassword).object()->get("User").object()->get("Tabs"), "Name"), "Harbour View");
}

TEST_F(ContentApiTest, FormValuesSiteDetailsWorkflowLinksContactRequestsBeaconsAndDevicesAreAccepted)
{
    JsonValue sent = payload(send("sendForm", body({ { "formid", childId("Contact us") }, { "Your name", "Ann" }, { "Message", "Call me" } }), {}));
    EXPECT_EQ(strs(sent, { "Sent", "message" }), (Texts { "Yes", "Thank you, we will be in touch soon." }));
    EXPECT_EQ(sql("SELECT name, value FROM content_submission_values ORDER BY position"),
        (std::vector<std::vector<std::string>> { { "Your name", "Ann" }, { "Message", "Call me" } }));

    EXPECT_EQ(str(payload(send("setName", body({ { "assetid", gallery }, { "name", "Photos" } }), token)), "Name"), "Photos");
    EXPECT_TRUE(named(list(startPage()), "Photos"));
    const std::string options = "Courier:12:0.00,0.00,0.00:1.00,1.00,1.00";
    EXPECT_EQ(str(payload(send("updateDefaultOptions", body({ { "toptions", options } }), token)), "DefaultOptions"), options);
    EXPECT_EQ(str(loginAs(QuindleServer::demoEmail, QuindleServer::demoPassword).object()->get("User"), "DefaultOptions"), options);

    std::vector<JsonValue> profile = list(loginReply, "Profile");
    std::string admission = str(profile[0], "assetID"), review = str(profile[1], "assetID");
    std::vector<JsonValue> links = list(payload(call("associatedAssets.php?a=" + admission, token)), "list");
    std::vector<JsonValue> relinked = list(payload(call("associateAssets.php?a=" + review + "&b=" + admission, token)), "list");
    ASSERT_EQ(links.size() + relinked.size(), 2u);
    EXPECT_EQ((Texts { str(links.at(0), "name"), str(relinked.at(0), "assetID") }), (Texts { "Monthly review", admission }));

    // Contact requests, beacons, devices and error reports.
    auto posted = post(content("addContactRequest.php"), "rootAssetID=" + tabbar + "&email=ann@example.org&subject=Visit&body=Can I visit on Sunday?");
    EXPECT_EQ(str(payload(posted), "Sent"), "Yes");
    std::vector<JsonValue> requests = list(payload(call("getContactRequests.php", token)), "list");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(str(requests[0], "subject"), "Visit");

    EXPECT_EQ(status(call("saveBeacon?message=Hello&beaconID=B9407F30-F5F8&beaconmajor=1&beaconminor=65535", token)), 200);
    std::vector<JsonValue> beacons = list(payload(call("userBeacons", token)), "UserBeacons");
    ASSERT_EQ(beacons.size(), 1u);
    EXPECT_EQ(str(beacons[0], "beaconminor"), "65535");
    EXPECT_EQ(list(payload(call("beaconList", token)), "list").size(), 1u);

    EXPECT_EQ(status(call("registerDevice?name=Phone&deviceid=dev-1&pushtoken=ABCDEF", {})), 200);
    EXPECT_EQ(status(call("sendError.php?error=" + percentEncode("crash in list"), {})), 200);
    EXPECT_EQ(str(payload(call("resetPassword?email=nobody%40example.org", {})), "Sent"), "Yes");
}

// Bad input and strangers ---------------------------------------------------------------------

TEST_F(ContentApiTest, RefusalsAnswerJsonErrorsAndChangeNothing)
{
    JsonValue reply;
    const std::string other = registerAndLogin("other@example.org", "secret-1", "dev-1", &reply);
    const std::string otherHome = str(list(reply.object()->get("User").object()->get("Tabs")).at(0), "AssetId");
    const std::string image = firstImage();
    const std::string fair = str(list(page(childId("Events"))).at(0), "AssetId");
    const std::string review = str(list(loginReply, "Profile").at(1), "assetID");
    const std::string date = percentEncode("2027-08-01 10:00:00");
    // The site has a picture, so that a refused clearing would show.
    ASSERT_EQ(status(send("linkImage", body({ { "assetid", tabbar }, { "selectedimageid", image } }), token)), 200);
    auto snapshot = [&] { return pageBody(gallery) + pageBody(home) + call("getTabbar?assetid=" + tabbar, token)->body; };
    const std::string before = snapshot();

    struct Case {
        std::string as;
        std::string endpoint; // a content endpoint, or a full path
        std::string json;     // sent as a POST when not empty
        int status;
    };
    const std::string& own = token;
    const std::string none;
    const Case cases[] = {
        // Ids and values in the query.
        { own, "addText?assetid=abc&text=x", "", 400 }, { own, "addText?assetid=-1&text=x", "", 400 },
        { own, "addText?assetid=1234567890123456789&text=x", "", 400 }, { own, "addText?assetid=999999&text=x", "", 404 },
        { own, "addText?text=x", "", 400 }, { own, "addText?assetid=" + gallery, "", 400 },
        { own, "addText?assetid=" + gallery + "&text=%FF%FE", "", 400 },
        { own, "addText?assetid=" + welcome + "&text=x", "", 400 }, // a text holds no items
        { own, "makePage?assetid=" + gallery + "&name=" + std::string(ServerContext::maxNameLength + 1, 'a'), "", 400 },
        { own, "makePage?assetid=" + gallery + "&name=", "", 400 }, { own, "contentForNode?assetid=999999", "", 404 },
        { own, "contentForNode?assetid=x1", "", 400 }, { own, "noSuchEndpoint", "", 404 },
        { none, "getDocument.php?assetid=" + gallery, "", 400 }, { none, "getTabbar?assetid=" + gallery, "", 400 },
        { own, "deleteAsset?assetid=" + tabbar, "", 400 }, { own, "setCarousel?assetid=" + welcome + "&option=Carousel", "", 400 },
        { own, "setDate?assetid=" + fair + "&date=" + date + "&endDate=" + date, "", 400 },
        { own, "setDate?assetid=" + welcome + "&date=" + date, "", 400 }, { own, "associateAssets.php?a=" + review + "&b=" + review, "", 400 },
        { own, "saveBeacon?message=Hello&beaconID=B9407F30&beaconmajor=1&beaconminor=65536", "", 400 },
        { none, "registerDevice?name=Phone&deviceid=dev%201&pushtoken=ABCDEF", "", 400 }, { none, "sendError.php", "", 400 },
        { none, "registerCompany?email=not-an-address&password=x&company=Bad", "", 400 },
        { own, legacy("setName.php?a=" + gallery + "&name="), "", 400 }, { own, legacy("setName.php?a=six&name=Taken"), "", 400 },
        // Bodies.
        { own, "sendText", body({ { "assetid", "999999" }, { "text", "x" } }), 404 },
        { own, "sendText", body({ { "assetid", welcome }, { "text", std::string(ContentApi::maxJsonBody(), 'a') } }), 413 },
        { own, "sendTextField", body({ { "assetid", welcome }, { "title", "x" } }), 400 },
        { own, "swapAssets", body({ { "assetid", welcome }, { "secondid", fair } }), 400 }, // not one page
        { own, "swapAssets", body({ { "assetid", welcome }, { "secondid", welcome } }), 400 },
        { own, "sendImage", body({ { "assetid", gallery }, { "image", "not base64!" } }), 400 },
        { own, "sendImage", body({ { "assetid", gallery }, { "image", Base64::encode("plain text") } }), 400 },
        { own, "linkImage", body({ { "assetid", childId("Our garden") }, { "selectedimageid", "999999" } }), 404 },
        { own, "setName", body({ { "assetid", tabbar }, { "name", "" } }), 400 },
        { none, "sendForm", body({ { "formid", gallery }, { "a", "b" } }), 400 },
        { none, "sendForm", "{\"formid\":\"" + childId("Contact us") + "\",\"a\":3}", 400 },
        { none, "addContactRequest.php", "rootAssetID=" + gallery + "&email=a@b&subject=s&body=b", 400 },
        // Another organisation's owner and visitors.
        { own, "changePassword?userID=999&password=new-one", "", 403 }, { none, "changePassword?userID=&password=new-one", "", 403 },
        { other, "linkImage", body({ { "assetid", otherHome }, { "selectedimageid", image } }), 403 },
        { other, legacy("setName.php?a=" + gallery + "&name=Taken"), "", 404 }, { none, legacy("setName.php?a=" + gallery + "&name=Taken"), "", 401 },
        { other, legacy("resetImage.php?a=" + home), "", 404 }, { other, "setName", body({ { "assetid", tabbar }, { "name", "Taken" } }), 403 },
        { other, "linkImage", body({ { "assetid", tabbar }, { "selectedimageid", "0" } }), 403 },
        { other, "associateAssets.php?a=" + gallery + "&b=" + home, "", 403 },
        // The owner's lists, to a visitor.
        { none, "trash", "", 403 }, { none, "pageList", "", 403 }, { none, "imageList", "", 403 },
        { none, "getContactRequests.php", "", 403 }, { none, "userBeacons", "", 403 }, { none, "beaconList", "", 403 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.endpoint.substr(0, 60) + " " + c.json.substr(0, 60));
        auto result = c.json.empty() ? call(c.endpoint, c.as) : send(c.endpoint, c.json, c.as);
        EXPECT_EQ(status(result), c.status);
        EXPECT_TRUE(isJsonObject(result));
    }
    for (const std::string& as : { other, none }) {
        for (const std::string& endpoint : { "makePage?assetid=" + gallery + "&name=x", "addText?assetid=" + gallery + "&text=x",
                 "deleteAsset?assetid=" + welcome, "setCarousel?assetid=" + gallery + "&option=Carousel", "makeForm?assetid=" + gallery + "&name=f" })
            EXPECT_EQ(status(call(endpoint, as)), 403) << endpoint;
        EXPECT_EQ(status(send("sendText", body({ { "assetid", welcome }, { "text", "taken" } }), as)), 403);
        EXPECT_EQ(status(send("setName", body({ { "assetid", gallery }, { "name", "taken" } }), as)), 403);
    }
    const std::vector<std::string> bodies {
        "", "{", "{\"assetid\":\"" + welcome + "\",\"text\":\"x\"", "[1,2]", "\"text\"", "{\"text\":\"x\"}",
        "{\"assetid\":[1],\"text\":\"x\"}", "{\"assetid\":\"" + welcome + "\",\"text\":5}",
        "{\"assetid\":\"" + welcome + "\",\"text\":\"x\",\"options\":{}}", "{\"assetid\":\"1e3\",\"text\":\"x\"}",
        "{\"assetid\":\"" + welcome + "\",\"text\":\"\xff\"}", "{\"assetid\":\"" + welcome + "\",\"text\":\"x\"} trailing",
    };
    for (const std::string& bad : bodies) {
        auto result = send("sendText", bad, token);
        EXPECT_EQ(status(result), 400) << bad;
        EXPECT_TRUE(isJsonObject(result)) << bad;
    }
    // A declared length above the server's body limit is refused before any of the body is read.
    RawConnection raw(server->port());
    ASSERT_TRUE(raw.send("POST " + content("sendImage") + " HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(17 * 1024 * 1024) + "\r\n\r\n"));
    const std::string refusal = raw.receive(std::chrono::seconds(5));
    EXPECT_EQ(refusal.rfind("HTTP/1.1 413", 0), 0u) << refusal;
    EXPECT_NE(refusal.find("{\"Error\":"), std::string::npos) << refusal;
    EXPECT_EQ(snapshot(), before);
}

TEST_F(ContentApiTest, ConcurrentAddsKeepEveryItemOnceInSendingOrder)
{
    constexpr int writers = 4;
    constexpr int perWriter = 25;
    std::atomic<int> failures { 0 };
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&, w] {
            httplib::Client own("127.0.0.1", server->port());
            for (int i = 0; i < perWriter; ++i) {
                auto result = own.Get(content("addText?assetid=" + gallery + "&text=w" + std::to_string(w) + "-" + std::to_string(i)), tokenHeaders(token));
                if (status(result) != 200)
                    failures++;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    std::vector<JsonValue> items = list(page(gallery, token));
    ASSERT_EQ(items.size(), 3u + writers * perWriter);
    std::vector<int> next(writers, 0);
    for (size_t k = 3; k < items.size(); ++k) {
        std::string text = str(items[k], "Data");
        int w = text[1] - '0';
        ASSERT_TRUE(w >= 0 && w < writers) << text;
        EXPECT_EQ(text, "w" + std::to_string(w) + "-" + std::to_string(next[w]++));
    }
}

TEST_F(ContentApiTest, GeneratedHostileRequestsNeverFailTheServerOrChangeAPage)
{
    std::string before = pageBody(home);
    const std::vector<std::string> gets { "contentForNode", "getTabbar", "getDocument.php", "makePage", "makeForm", "setCarousel",
        "deleteAsset", "restoreAsset", "setDate", "addText", "addTextField", "addTextView", "associatedAssets.php",
        "associateAssets.php", "setPublished", "login", "registerDevice", "saveBeacon", "changePassword" };
    const std::vector<std::string> posts { "setName", "updateDefaultOptions", "sendText", "sendTextField", "sendTextView",
        "sendImage", "linkImage", "swapAssets", "sendForm", "addContactRequest.php" };
    const std::vector<std::string> values { welcome, home, "0", "-5", "99999999999999999999", "%00", "%FF", "%C3%28", "a%26b%3Dc",
        "Carousel:99", "2027-13-45%2099:99:99", std::string(300, '9'), "", "%22%7B%7D" };
    const std::vector<std::string> keys { "assetid", "a", "b", "name", "text", "title", "option", "date", "endDate", "email",
        "password", "deviceid", "pushtoken", "beaconmajor" };
    const std::string valid = "{\"assetid\":\"" + welcome + "\",\"secondid\":\"" + home
        + "\",\"text\":\"x\",\"name\":\"n\",\"image\":\"AAAA\",\"selectedimageid\":\"1\",\"formid\":\"" + home + "\"}";
    std::mt19937 random(20261207);
    auto pick = [&](const auto& from) { return from[random() % from.size()]; };
    for (int round = 0; round < 400; ++round) {
        std::string what;
        auto send = [&]() -> httplib::Result {
            if (round % 2 == 0) {
                what = pick(gets) + "?" + pick(keys) + "=" + pick(values) + "&" + pick(keys) + "=" + pick(values);
                return call(what, {});
            }
            std::string body = valid;
            switch (random() % 4) {
            case 0: body.resize(random() % body.size()); break;
            case 1: body[random() % body.size()] = static_cast<char>(random() % 256); break;
            case 2: body.insert(random() % body.size(), std::string(1 + random() % 3, "[{\",:}]\\"[random() % 8])); break;
            default: body = std::string(random() % 64, '[') + body; break;
            }
            std::string endpoint = pick(posts);
            what = endpoint + " " + body;
            return post(content(endpoint), body);
        };
        httplib::Result result = send();
        ASSERT_TRUE(result) << what;
        EXPECT_LT(result->status, 500) << what;
        EXPECT_TRUE(isJsonObject(result)) << what;
    }
    EXPECT_EQ(pageBody(home), before);
}

} // namespace
