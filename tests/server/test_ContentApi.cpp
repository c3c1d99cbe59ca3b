// The content server over real HTTP on loopback: the keys the client reads, ownership, bad
// input of every kind (and that nothing changed after it), and the life of a login token.
#include "support/PercentEncode.h"
#include "support/RawConnection.h"
#include "platform/Base64.h"
#include "platform/Image.h"
#include "platform/JsonParser.h"
#include "platform/JsonValue.h"
#include "server/Accounts.h"
#include "server/ContentApi.h"
#include "server/ContentDemo.h"
#include "server/QuindleServer.h"
#include "server/ServerContext.h"
#include "server/SqliteStorage.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <thread>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace quindle;

namespace {

const std::string base(ContentApi::basePath);


/// The parsed reply object (empty when the body is not a JSON object).
JsonObjectPtr replyObject(const httplib::Result& result)
{
    if (!result)
        return nullptr;
    auto parsed = JsonParser::parse(result->body);
    return parsed && parsed->isObject() ? parsed->object() : nullptr;
}

/// What the client hands on: "Message", else "list", else "Children".
JsonValue content(const httplib::Result& result)
{
    JsonObjectPtr reply = replyObject(result);
    if (!reply || result->status != 200)
        return {};
    for (const char* key : { "Message", "list", "Children" }) {
        if (const JsonValue* value = reply->find(key))
            return *value;
    }
    return {};
}

std::string str(const JsonValue& record, const char* key)
{
    return record.isObject() ? record.object()->get(key).asString() : std::string();
}

std::vector<JsonValue> list(const JsonValue& record, const char* key = "Children")
{
    if (!record.isObject() || !record.object()->get(key).isArray())
        return {};
    return record.object()->get(key).array()->items();
}

std::optional<JsonValue> named(const std::vector<JsonValue>& records, const std::string& name)
{
    for (const JsonValue& r : records) {
        if (str(r, "Name") == name)
            return r;
    }
    return std::nullopt;
}

class Session {
public:
    explicit Session(int port)
        : client("127.0.0.1", port)
    {
        client.set_read_timeout(std::chrono::seconds(20));
    }

    httplib::Result get(const std::string& endpoint) { return client.Get(base + endpoint, headers()); }
    httplib::Result post(const std::string& endpoint, const std::string& body)
    {
        return client.Post(base + endpoint, headers(), body, "application/x-www-form-urlencoded");
    }
    bool login(const std::string& email, const std::string& password)
    {
        reply = content(client.Get(base + "login?email=" + test::percentEncode(email) + "&password=" + test::percentEncode(password)));
        token = str(reply, "AuthToken");
        return !token.empty();
    }
    httplib::Headers headers() const
    {
        if (token.empty())
            return {};
        return { { "wibble", token } };
    }

    httplib::Client client;
    std::string token;
    JsonValue reply;
};

class ContentApiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quindle-content-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_folder = pattern;
        ServerOptions options;
        options.databasePath = (m_folder / "content.db").string();
        options.demo = true;
        options.requestLog = false;
        std::string error;
        server = QuindleServer::create(options, &error);
        ASSERT_TRUE(server) << error;
        ASSERT_TRUE(server->start(&error)) << error;
        owner = std::make_unique<Session>(server->port());
        ASSERT_TRUE(owner->login(QuindleServer::demoEmail, QuindleServer::demoPassword));
        anonymous = std::make_unique<Session>(server->port());
    }

    void TearDown() override
    {
        server.reset();
        std::filesystem::remove_all(m_folder);
    }

    /// A second organisation with its own logged-in session.
    std::unique_ptr<Session> otherOwner()
    {
        auto other = std::make_unique<Session>(server->port());
        auto made = other->get("registerCompany?email=other%40example.org&password=secret-1&company=Other&device=dev-1");
        EXPECT_EQ(made->status, 200) << made->body;
        EXPECT_TRUE(other->login("other@example.org", "secret-1"));
        return other;
    }

    JsonValue startPage() { return content(owner->get("contentForNode")); }
    std::string childId(const std::string& name) { return str(named(list(startPage()), name).value_or(JsonValue()), "AssetId"); }
    std::string pageBody(const std::string& id) { return owner->get("contentForNode?assetid=" + id)->body; }

    /// Runs SQL on the server's database file beside the server; the rows as text.
    std::vector<std::vector<std::string>> sql(const std::string& statement)
    {
        std::vector<std::vector<std::string>> rows;
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open((m_folder / "content.db").c_str(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt* prepared = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, statement.c_str(), -1, &prepared, nullptr), SQLITE_OK) << statement;
        while (prepared && sqlite3_step(prepared) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(prepared); ++i) {
                const unsigned char* text = sqlite3_column_text(prepared, i);
                row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(prepared);
        sqlite3_close(db);
        return rows;
    }

    std::filesystem::path m_folder;
    std::unique_ptr<QuindleServer> server;
    std::unique_ptr<Session> owner;
    std::unique_ptr<Session> anonymous;
};

/// A JPEG of noise, as large as a phone's picture body gets in tests (tens of kilobytes).
std::string jpegBase64(int side = 4)
{
    std::mt19937 random(side);
    std::vector<uint8_t> rgba(static_cast<size_t>(side) * side * 4);
    for (uint8_t& byte : rgba)
        byte = static_cast<uint8_t>(random());
    return Base64::encode(Image::create(side, side, std::move(rgba))->jpegData(1.0).value());
}

// Login, logout and the token -------------------------------------------------------------------

TEST_F(ContentApiTest, LoginReplyCarriesTokenUserTabsProfileAndCookie)
{
    auto result = anonymous->client.Get(base + "login?email=" + test::percentEncode(QuindleServer::demoEmail) + "&password="
        + test::percentEncode(QuindleServer::demoPassword));
    ASSERT_EQ(result->status, 200);
    std::string token = str(content(result), "AuthToken");
    EXPECT_EQ(token.size(), 64u);
    EXPECT_EQ(result->get_header_value("Set-Cookie"), "token=" + token + "; Path=/; HttpOnly");

    const JsonValue& reply = owner->reply;
    EXPECT_EQ(str(reply, "isRoot"), "No");
    JsonValue user = reply.object()->get("User");
    EXPECT_FALSE(str(user, "DefaultOptions").empty());
    JsonValue tabs = user.object()->get("Tabs");
    EXPECT_EQ(str(tabs, "Type"), "Tabbar");
    std::vector<JsonValue> tabList = list(tabs);
    ASSERT_GE(tabList.size(), 2u);
    for (const JsonValue& tab : tabList) {
        EXPECT_TRUE(tab.object()->get("Children").isArray()) << str(tab, "Name");
        EXPECT_EQ(str(tab, "Owner"), owner->token);
    }
    std::vector<JsonValue> userTabs = list(user, "Tabbar");
    auto trash = named(userTabs, "Trash");
    ASSERT_TRUE(trash);
    EXPECT_EQ(str(list(*trash).at(0), "IsDeleted"), "true");
    std::vector<JsonValue> profile = list(reply, "Profile");
    ASSERT_EQ(profile.size(), 2u);
    EXPECT_EQ(str(profile[0], "type"), "Workflow");
    EXPECT_EQ(str(profile[0], "name"), "Admission");
}

TEST_F(ContentApiTest, WrongPasswordAnswersAnAlertAndNoToken)
{
    auto result = anonymous->get("login?email=" + test::percentEncode(QuindleServer::demoEmail) + "&password=wrong");
    ASSERT_EQ(result->status, 200);
    JsonValue message = content(result);
    EXPECT_FALSE(str(message, "Alert").empty());
    EXPECT_FALSE(message.object()->contains("AuthToken"));
    EXPECT_FALSE(result->has_header("Set-Cookie"));
}

TEST_F(ContentApiTest, RepeatedFailuresAreRefusedWithAnAlertEvenWithTheRightPassword)
{
    for (int i = 0; i < LoginThrottle::defaultMaxFailuresBeforeDelay; ++i)
        anonymous->get("login?email=" + test::percentEncode(QuindleServer::demoEmail) + "&password=wrong");
    EXPECT_FALSE(anonymous->login(QuindleServer::demoEmail, QuindleServer::demoPassword));
    EXPECT_FALSE(str(anonymous->reply, "Alert").empty());
}

TEST_F(ContentApiTest, OwnerIsTheCallersOwnTokenUntilLogout)
{
    JsonValue page = startPage();
    EXPECT_EQ(str(page, "Owner"), owner->token);
    for (const JsonValue& child : list(page))
        EXPECT_EQ(str(child, "Owner"), owner->token);

    // A second session of the same owner sees its own token; a visitor never sees one.
    Session second(server->port());
    ASSERT_TRUE(second.login(QuindleServer::demoEmail, QuindleServer::demoPassword));
    EXPECT_EQ(str(content(second.get("contentForNode")), "Owner"), second.token);
    EXPECT_EQ(str(content(anonymous->get("contentForNode")), "Owner").rfind("user-", 0), 0u);

    // The token also arrives in "Cookies" values and in the standard cookie.
    std::string home = str(page, "AssetId");
    auto viaCookies = anonymous->client.Get(base + "addText?assetid=" + home + "&text=a", { { "Cookies", "x, " + owner->token } });
    EXPECT_EQ(viaCookies->status, 200);
    auto viaCookie = anonymous->client.Get(base + "addText?assetid=" + home + "&text=b", { { "Cookie", "token=" + owner->token } });
    EXPECT_EQ(viaCookie->status, 200);

    auto out = owner->get("logoutUser");
    EXPECT_EQ(str(content(out), "LoggedOut"), "Yes");
    EXPECT_EQ(owner->get("addText?assetid=" + home + "&text=c")->status, 403);
    std::string shown = str(startPage(), "Owner");
    EXPECT_NE(shown, owner->token);
    EXPECT_EQ(shown.rfind("user-", 0), 0u);
}

TEST_F(ContentApiTest, RegisteredSiteStaysPrivateUntilAnAdministratorPublishesIt)
{
    auto other = otherOwner();
    JsonValue tabs = other->reply.object()->get("User").object()->get("Tabs");
    EXPECT_EQ(str(tabs, "Name"), "Other");
    std::string home = str(list(tabs).at(0), "AssetId");
    EXPECT_EQ(other->get("contentForNode?assetid=" + home)->status, 200);
    EXPECT_EQ(anonymous->get("contentForNode?assetid=" + home)->status, 404);
    EXPECT_EQ(other->get("setPublished?assetid=" + str(tabs, "AssetId"))->status, 403);
    EXPECT_EQ(anonymous->get("contentForNode?assetid=" + home)->status, 404);

    sql("UPDATE users SET is_root = 1 WHERE email = 'demo@quindle.example'");
    Session root(server->port());
    ASSERT_TRUE(root.login(QuindleServer::demoEmail, QuindleServer::demoPassword));
    EXPECT_EQ(str(root.reply, "isRoot"), "Yes");
    EXPECT_EQ(root.get("setPublished?assetid=" + home)->status, 400) << "only a site is published";
    EXPECT_EQ(str(content(root.get("setPublished?assetid=" + str(tabs, "AssetId"))), "Published"), "Yes");
    EXPECT_EQ(anonymous->get("contentForNode?assetid=" + home)->status, 200);
    // A taken address is answered like a new one and takes nothing over.
    EXPECT_EQ(anonymous->get("registerCompany?email=other%40example.org&password=x&company=Again")->status, 200);
    EXPECT_TRUE(Session(server->port()).login("other@example.org", "secret-1"));
    EXPECT_EQ(anonymous->get("registerCompany?email=not-an-address&password=x&company=Bad")->status, 400);
}

TEST_F(ContentApiTest, ChangePasswordTakesEffectAndRefusesSomeoneElsesId)
{
    EXPECT_EQ(owner->get("changePassword?userID=999&password=new-one")->status, 403);
    EXPECT_EQ(anonymous->get("changePassword?userID=&password=new-one")->status, 403);
    EXPECT_EQ(str(content(owner->get("changePassword?userID=&password=new-one")), "Changed"), "Yes");
    Session fresh(server->port());
    EXPECT_FALSE(fresh.login(QuindleServer::demoEmail, QuindleServer::demoPassword));
    Session again(server->port());
    EXPECT_TRUE(again.login(QuindleServer::demoEmail, "new-one"));
}

// Reading pages ------------------------------------------------------------------------------

TEST_F(ContentApiTest, PublicStartPageUsesEveryItemTypeWithTheClientsKeys)
{
    JsonValue page = content(anonymous->get("contentForNode"));
    EXPECT_EQ(str(page, "Type"), "Directory");
    EXPECT_EQ(str(page, "Name"), "Home");
    EXPECT_FALSE(str(page, "DefaultOptions").empty());
    std::vector<std::string> types;
    for (const JsonValue& child : list(page)) {
        types.push_back(str(child, "Type"));
        EXPECT_FALSE(str(child, "AssetId").empty());
        EXPECT_EQ(str(child, "assetID"), str(child, "AssetId"));
        EXPECT_EQ(str(child, "IsDeleted"), "false");
        EXPECT_NE(str(child, "Owner"), owner->token) << "a visitor must not see edit rights";
    }
    for (const char* type : { "Text", "Image", "Directory", "YoutubeVideo", "Form", "Document", "Button" })
        EXPECT_NE(std::find(types.begin(), types.end(), type), types.end()) << type;
    EXPECT_FALSE(named(list(page), "Old notice")) << "deleted items stay in the trash";

    std::string url = str(*named(list(page), "Our garden"), "ImageUrl");
    ASSERT_EQ(url.rfind(server->host() + "/", 0), 0u) << url;
    httplib::Client pictures("127.0.0.1", server->port());
    auto bytes = pictures.Get(url.substr(server->host().size()));
    ASSERT_EQ(bytes->status, 200);
    EXPECT_TRUE(Image::decode(bytes->body));
}

TEST_F(ContentApiTest, CarouselPageAndEventsCarryOptionsDatesAndPictures)
{
    JsonValue gallery = content(anonymous->get("contentForNode?assetid=" + childId("Gallery")));
    EXPECT_EQ(str(gallery, "options"), "Carousel:1");
    EXPECT_EQ(list(gallery).size(), 3u);
    JsonValue events = content(anonymous->get("contentForNode?assetid=" + childId("Events")));
    auto fair = named(list(events), "Summer fair");
    ASSERT_TRUE(fair);
    EXPECT_EQ(str(*fair, "date"), "2027-07-03 14:00:00");
    EXPECT_EQ(str(*fair, "startDate"), "2027-07-03 14:00:00");
    EXPECT_EQ(str(*fair, "endDate"), "2027-07-03 17:00:00");
    EXPECT_EQ(str(*fair, "Name2").rfind("http://", 0), 0u);
    EXPECT_FALSE(str(*fair, "Data").empty());
}

TEST_F(ContentApiTest, FormPageHoldsInputsWithoutDataAndASubmitItem)
{
    JsonValue form = content(anonymous->get("contentForNode?assetid=" + childId("Contact us")));
    EXPECT_EQ(str(form, "Type"), "Form");
    auto name = named(list(form), "Your name");
    ASSERT_TRUE(name);
    EXPECT_EQ(str(*name, "Title"), "Your name");
    EXPECT_FALSE(name->object()->contains("Data"));
    EXPECT_TRUE(named(list(form), "Send"));
    EXPECT_EQ(str(*named(list(form), "Send"), "Type"), "Submit");
}

TEST_F(ContentApiTest, DocumentCarriesEntriesAndRecordedValues)
{
    JsonValue doc = content(anonymous->get("getDocument.php?assetid=" + childId("Resident assessment")));
    EXPECT_EQ(str(doc, "Type"), "Document");
    EXPECT_EQ(str(doc, "name"), "Resident assessment");
    std::vector<JsonValue> entries = list(doc.object()->get("_linkedAsset"), "list");
    bool derived = false, conditional = false;
    for (const JsonValue& e : entries) {
        derived |= str(e, "type") == "Derived" && str(e, "val") == "Weight / (Height * Height)";
        conditional |= str(e, "type") == "Conditional" && !str(e, "nTrigger").empty() && !str(e, "title").empty();
    }
    EXPECT_TRUE(derived);
    EXPECT_TRUE(conditional);
    JsonValue weight = doc.object()->get("dict").object()->get("Weight");
    EXPECT_EQ(str(weight, "val"), "72.0");
    EXPECT_EQ(anonymous->get("getDocument.php?assetid=" + childId("Gallery"))->status, 400);
}

TEST_F(ContentApiTest, TabbarListsTabsWithTheirItems)
{
    std::string tabbar = str(owner->reply.object()->get("User").object()->get("Tabs"), "AssetId");
    JsonValue bar = content(anonymous->get("getTabbar?assetid=" + tabbar));
    EXPECT_EQ(str(bar, "Type"), "Tabbar");
    ASSERT_EQ(list(bar).size(), 2u);
    EXPECT_FALSE(list(list(bar)[1]).empty());
    EXPECT_EQ(anonymous->get("getTabbar?assetid=" + childId("Gallery"))->status, 400);
}

TEST_F(ContentApiTest, OwnerListsNeedALogin)
{
    EXPECT_FALSE(list(content(owner->get("trash")), "Trash").empty());
    std::vector<JsonValue> pages = list(content(owner->get("pageList")), "PageList");
    ASSERT_TRUE(named(pages, "Gallery"));
    EXPECT_EQ(str(*named(pages, "Gallery"), "Id"), childId("Gallery"));
    std::vector<JsonValue> images = list(content(owner->get("imageList")), "ImageList");
    ASSERT_FALSE(images.empty());
    EXPECT_EQ(str(images[0], "ImageUrl").rfind("http://", 0), 0u);
    for (const char* endpoint : { "trash", "pageList", "imageList", "getContactRequests.php", "userBeacons", "beaconList" }) {
        auto refused = anonymous->get(endpoint);
        EXPECT_EQ(refused->status, 403) << endpoint;
        EXPECT_TRUE(replyObject(refused)) << endpoint;
    }
}

// Changes ---------------------------------------------------------------------------------------

TEST_F(ContentApiTest, AddingItemsAppendsThemAndAnswersTheParentPage)
{
    std::string news = childId("Gallery");
    JsonValue page = content(owner->get("makePage?assetid=" + news + "&name=" + test::percentEncode("New page")));
    EXPECT_EQ(str(list(page).back(), "Name"), "New page");
    EXPECT_EQ(str(list(page).back(), "Type"), "Directory");
    page = content(owner->get("addText?assetid=" + news + "&text=" + test::percentEncode("Hello & welcome")));
    EXPECT_EQ(str(list(page).back(), "Data"), "Hello & welcome");
    page = content(owner->get("addTextField?assetid=" + news + "&title=Name"));
    EXPECT_EQ(str(list(page).back(), "Type"), "TextField");
    page = content(owner->get("addTextView?assetid=" + news + "&title=Notes"));
    EXPECT_EQ(str(list(page).back(), "Type"), "TextView");
    page = content(owner->get("makeForm?assetid=" + news + "&name=Survey&message=Thanks&linkassetid=" + childId("Events")));
    std::string form = str(list(page).back(), "AssetId");
    JsonValue survey = content(owner->get("contentForNode?assetid=" + form));
    EXPECT_EQ(str(survey, "message"), "Thanks");
    EXPECT_EQ(str(list(survey).at(0), "Type"), "Submit");
    EXPECT_EQ(str(survey.object()->get("_linkedAsset"), "Name"), "Events");
    EXPECT_EQ(list(survey.object()->get("_linkedAsset"), "list").size(), 2u);
    EXPECT_EQ(owner->get("addText?assetid=" + childId("Welcome") + "&text=x")->status, 400) << "a text holds no items";
}

TEST_F(ContentApiTest, OtherOwnersAndVisitorsCannotChangeAnything)
{
    auto other = otherOwner();
    std::string gallery = childId("Gallery");
    std::string welcome = childId("Welcome");
    std::string before = pageBody(gallery);
    std::string startBefore = pageBody(str(startPage(), "AssetId"));
    for (Session* who : { other.get(), anonymous.get() }) {
        for (const std::string& endpoint : { "makePage?assetid=" + gallery + "&name=x", "addText?assetid=" + gallery + "&text=x",
                 "deleteAsset?assetid=" + welcome, "setCarousel?assetid=" + gallery + "&option=Carousel",
                 "makeForm?assetid=" + gallery + "&name=f" }) {
            EXPECT_EQ(who->get(endpoint)->status, 403) << endpoint;
        }
        EXPECT_EQ(who->post("sendText", "{\"assetid\":\"" + welcome + "\",\"text\":\"taken\"}")->status, 403);
        EXPECT_EQ(who->post("setName", "{\"assetid\":\"" + gallery + "\",\"name\":\"taken\"}")->status, 403);
    }
    EXPECT_EQ(pageBody(gallery), before);
    EXPECT_EQ(pageBody(str(startPage(), "AssetId")), startBefore);
}

TEST_F(ContentApiTest, TextsAndInputsAreEditedInPlaceOrAddedToAPage)
{
    std::string welcome = childId("Welcome");
    JsonValue page = content(owner->post("sendText", "{\"assetid\":\"" + welcome
        + "\",\"text\":\"Hi there\",\"options\":\"Georgia:18:0.00,0.00,0.00:1.00,1.00,1.00\",\"key\":\"Greeting\"}"));
    auto greeting = named(list(page), "Greeting");
    ASSERT_TRUE(greeting);
    EXPECT_EQ(str(*greeting, "Data"), "Hi there");
    EXPECT_EQ(str(*greeting, "Options"), "Georgia:18:0.00,0.00,0.00:1.00,1.00,1.00");
    std::string home = str(startPage(), "AssetId");
    page = content(owner->post("sendTextView", "{\"assetid\":\"" + home + "\",\"title\":\"Comments\",\"options\":\"\",\"key\":\"comments\"}"));
    std::string view = str(list(page).back(), "AssetId");
    EXPECT_EQ(str(list(page).back(), "Type"), "TextView");
    page = content(owner->post("sendTextField", "{\"assetid\":" + view + ",\"title\":\"Remarks\",\"options\":\"\",\"key\":\"remarks\"}"));
    auto remarks = named(list(page), "remarks");
    ASSERT_TRUE(remarks);
    EXPECT_EQ(str(*remarks, "Type"), "TextView") << "an existing multi-line input keeps its type";
    EXPECT_EQ(str(*remarks, "Title"), "Remarks");
    EXPECT_EQ(owner->post("sendTextField", "{\"assetid\":\"" + welcome + "\",\"title\":\"x\"}")->status, 400);
}

TEST_F(ContentApiTest, DeleteMovesToTheTrashAndRestoreBringsBack)
{
    std::string gallery = childId("Gallery");
    JsonValue parent = content(owner->get("deleteAsset?assetid=" + gallery));
    EXPECT_FALSE(named(list(parent), "Gallery"));
    EXPECT_TRUE(named(list(content(owner->get("trash")), "Trash"), "Gallery"));
    EXPECT_EQ(anonymous->get("contentForNode?assetid=" + gallery)->status, 404);
    EXPECT_EQ(owner->get("contentForNode?assetid=" + gallery)->status, 200);
    content(owner->get("restoreAsset?assetid=" + gallery));
    EXPECT_TRUE(named(list(startPage()), "Gallery"));
    EXPECT_FALSE(named(list(content(owner->get("trash")), "Trash"), "Gallery"));
    std::string tabbar = str(owner->reply.object()->get("User").object()->get("Tabs"), "AssetId");
    EXPECT_EQ(owner->get("deleteAsset?assetid=" + tabbar)->status, 400);
}

TEST_F(ContentApiTest, SwapExchangesTwoItemsOfOnePage)
{
    std::vector<JsonValue> before = list(startPage());
    std::string first = str(before[0], "AssetId"), second = str(before[1], "AssetId");
    JsonValue page = content(owner->post("swapAssets", "{\"assetid\":\"" + first + "\",\"secondid\":\"" + second + "\"}"));
    EXPECT_EQ(str(list(page)[0], "AssetId"), second);
    EXPECT_EQ(str(list(page)[1], "AssetId"), first);
    std::string fair = str(list(content(owner->get("contentForNode?assetid=" + childId("Events")))).at(0), "AssetId");
    EXPECT_EQ(owner->post("swapAssets", "{\"assetid\":\"" + first + "\",\"secondid\":\"" + fair + "\"}")->status, 400);
    EXPECT_EQ(owner->post("swapAssets", "{\"assetid\":\"" + first + "\",\"secondid\":\"" + first + "\"}")->status, 400);
}

TEST_F(ContentApiTest, CarouselOptionAndEventDatesAreChecked)
{
    std::string gallery = childId("Gallery");
    EXPECT_EQ(str(content(owner->get("setCarousel?assetid=" + gallery + "&option=Carousel:11")), "options"), "Carousel:11");
    EXPECT_EQ(str(content(owner->get("setCarousel?assetid=" + gallery + "&option=")), "options"), "");
    for (const char* bad : { "Carousel:12", "Carousel:x", "carousel", "Carousel:1:2" })
        EXPECT_EQ(owner->get("setCarousel?assetid=" + gallery + "&option=" + bad)->status, 400) << bad;
    EXPECT_EQ(owner->get("setCarousel?assetid=" + childId("Welcome") + "&option=Carousel")->status, 400);

    std::string fair = str(list(content(owner->get("contentForNode?assetid=" + childId("Events")))).at(0), "AssetId");
    JsonValue event = content(owner->get("setDate?assetid=" + fair + "&date=" + test::percentEncode("2027-08-01 10:00:00")));
    EXPECT_EQ(str(event, "date"), "2027-08-01 10:00:00");
    EXPECT_EQ(str(event, "endDate"), "2027-08-01 10:00:00") << "the span widens to the new date";
    EXPECT_EQ(str(event, "startDate"), "2027-07-03 14:00:00");
    event = content(owner->get("setDate?assetid=" + fair + "&endDate=" + test::percentEncode("2027-09-01 10:00:00")));
    EXPECT_EQ(str(event, "endDate"), "2027-09-01 10:00:00");
    for (const char* bad : { "2027-02-29 10:00:00", "2027-08-01T10:00:00", "2027-08-01 24:00:00", "tomorrow" })
        EXPECT_EQ(owner->get("setDate?assetid=" + fair + "&date=" + test::percentEncode(bad))->status, 400) << bad;
    EXPECT_EQ(owner->get("setDate?assetid=" + fair + "&date=" + test::percentEncode("2027-08-01 10:00:00") + "&endDate="
                  + test::percentEncode("2027-08-01 10:00:00"))->status, 400);
    EXPECT_EQ(owner->get("setDate?assetid=" + childId("Welcome") + "&date=" + test::percentEncode("2027-08-01 10:00:00"))->status, 400);
}

TEST_F(ContentApiTest, PicturesAreStoredServedLinkedAndCleared)
{
    std::string gallery = childId("Gallery");
    std::string large = jpegBase64(160);
    ASSERT_GT(large.size(), 64u * 1024);
    auto sent = owner->post("sendImage", "{\"assetid\":\"" + gallery + "\",\"image\":\"" + large + "\"}");
    ASSERT_EQ(sent->status, 200) << sent->body;
    // The upload becomes the page's own picture: the reply is the directory that shows the page,
    // and the page gains no item.
    JsonValue page = content(sent);
    auto shown = named(list(page), "Gallery");
    ASSERT_TRUE(shown) << sent->body;
    std::string url = str(*shown, "ImageUrl");
    EXPECT_EQ(list(content(owner->get("contentForNode?assetid=" + gallery))).size(), 3u);
    ASSERT_EQ(url.rfind("http://", 0), 0u);
    httplib::Client pictures("127.0.0.1", server->port());
    EXPECT_TRUE(Image::decode(pictures.Get(url.substr(server->host().size()))->body));

    EXPECT_EQ(owner->post("sendImage", "{\"assetid\":\"" + gallery + "\",\"image\":\"not base64!\"}")->status, 400);
    EXPECT_EQ(owner->post("sendImage", "{\"assetid\":\"" + gallery + "\",\"image\":\"" + Base64::encode("plain text") + "\"}")->status, 400);

    std::string image = str(list(content(owner->get("imageList")), "ImageList").at(0), "AssetId");
    std::string garden = childId("Our garden");
    JsonValue linked = content(owner->post("linkImage", "{\"assetid\":\"" + garden + "\",\"selectedimageid\":\"" + image + "\"}"));
    EXPECT_EQ(str(linked, "ImageUrl"), url);
    linked = content(owner->post("linkImage", "{\"assetid\":\"" + garden + "\",\"selectedimageid\":\"0\"}"));
    EXPECT_FALSE(linked.object()->contains("ImageUrl"));
    page = content(owner->post("linkImage", "{\"assetid\":\"" + gallery + "\",\"selectedimageid\":\"" + image + "\",\"action\":\"add\"}"));
    EXPECT_EQ(str(list(page).back(), "ImageUrl"), url);

    auto other = otherOwner();
    std::string otherHome = str(list(other->reply.object()->get("User").object()->get("Tabs")).at(0), "AssetId");
    EXPECT_EQ(other->post("linkImage", "{\"assetid\":\"" + otherHome + "\",\"selectedimageid\":\"" + image + "\"}")->status, 403);
    EXPECT_EQ(owner->post("linkImage", "{\"assetid\":\"" + garden + "\",\"selectedimageid\":\"999999\"}")->status, 404);
}

TEST_F(ContentApiTest, FormValuesAndSiteDetailsAreAccepted)
{
    std::string form = childId("Contact us");
    JsonValue sent = content(anonymous->post("sendForm", "{\"formid\":\"" + form + "\",\"Your name\":\"Ann\",\"Message\":\"Call me\"}"));
    EXPECT_EQ(str(sent, "Sent"), "Yes");
    EXPECT_EQ(str(sent, "message"), "Thank you, we will be in touch soon.");
    EXPECT_EQ(sql("SELECT name, value FROM content_submission_values ORDER BY position"),
        (std::vector<std::vector<std::string>> { { "Your name", "Ann" }, { "Message", "Call me" } }));
    EXPECT_EQ(anonymous->post("sendForm", "{\"formid\":\"" + childId("Gallery") + "\",\"a\":\"b\"}")->status, 400);
    EXPECT_EQ(anonymous->post("sendForm", "{\"formid\":\"" + form + "\",\"a\":3}")->status, 400);

    EXPECT_EQ(str(content(owner->post("setName", "{\"assetid\":\"" + childId("Gallery") + "\",\"name\":\"Photos\"}")), "Name"), "Photos");
    EXPECT_TRUE(named(list(startPage()), "Photos"));
    EXPECT_EQ(str(content(owner->post("updateDefaultOptions", "{\"toptions\":\"Courier:12:0.00,0.00,0.00:1.00,1.00,1.00\"}")),
                  "DefaultOptions"),
        "Courier:12:0.00,0.00,0.00:1.00,1.00,1.00");
    Session again(server->port());
    ASSERT_TRUE(again.login(QuindleServer::demoEmail, QuindleServer::demoPassword));
    EXPECT_EQ(str(again.reply.object()->get("User"), "DefaultOptions"), "Courier:12:0.00,0.00,0.00:1.00,1.00,1.00");
}

TEST_F(ContentApiTest, WorkflowsAreAssociated)
{
    std::vector<JsonValue> profile = list(owner->reply, "Profile");
    std::string admission = str(profile[0], "assetID"), review = str(profile[1], "assetID");
    std::vector<JsonValue> links = list(content(owner->get("associatedAssets.php?a=" + admission)), "list");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(str(links[0], "name"), "Monthly review");
    links = list(content(owner->get("associateAssets.php?a=" + review + "&b=" + admission)), "list");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(str(links[0], "assetID"), admission);
    EXPECT_EQ(owner->get("associateAssets.php?a=" + review + "&b=" + review)->status, 400);
}

TEST_F(ContentApiTest, ContactRequestsBeaconsDevicesAndErrorReports)
{
    std::string tabbar = str(owner->reply.object()->get("User").object()->get("Tabs"), "AssetId");
    auto posted = anonymous->client.Post(base + "addContactRequest.php",
        "rootAssetID=" + tabbar + "&email=ann@example.org&subject=Visit&body=Can I visit on Sunday?",
        "application/x-www-form-urlencoded");
    EXPECT_EQ(str(content(posted), "Sent"), "Yes");
    std::vector<JsonValue> requests = list(content(owner->get("getContactRequests.php")), "list");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(str(requests[0], "subject"), "Visit");
    EXPECT_EQ(anonymous->client.Post(base + "addContactRequest.php", "rootAssetID=" + childId("Gallery") + "&email=a@b&subject=s&body=b",
                  "application/x-www-form-urlencoded")->status, 400);

    EXPECT_EQ(owner->get("saveBeacon?message=Hello&beaconID=B9407F30-F5F8&beaconmajor=1&beaconminor=65535")->status, 200);
    EXPECT_EQ(owner->get("saveBeacon?message=Hello&beaconID=B9407F30&beaconmajor=1&beaconminor=65536")->status, 400);
    std::vector<JsonValue> beacons = list(content(owner->get("userBeacons")), "UserBeacons");
    ASSERT_EQ(beacons.size(), 1u);
    EXPECT_EQ(str(beacons[0], "beaconminor"), "65535");
    EXPECT_EQ(list(content(owner->get("beaconList")), "list").size(), 1u);

    EXPECT_EQ(anonymous->get("registerDevice?name=Phone&deviceid=dev-1&pushtoken=ABCDEF")->status, 200);
    EXPECT_EQ(anonymous->get("registerDevice?name=Phone&deviceid=dev%201&pushtoken=ABCDEF")->status, 400);
    EXPECT_EQ(anonymous->get("sendError.php?error=" + test::percentEncode("crash in list"))->status, 200);
    EXPECT_EQ(anonymous->get("sendError.php")->status, 400);
    EXPECT_EQ(str(content(anonymous->get("resetPassword?email=nobody%40example.org")), "Sent"), "Yes");
}

// Bad input --------------------------------------------------------------------------------------

TEST_F(ContentApiTest, BadQueriesAnswerJsonErrorsAndChangeNothing)
{
    std::string gallery = childId("Gallery");
    std::string before = pageBody(gallery);
    struct Case {
        std::string endpoint;
        int status;
    };
    std::vector<Case> cases {
        { "addText?assetid=abc&text=x", 400 },
        { "addText?assetid=-1&text=x", 400 },
        { "addText?assetid=1234567890123456789&text=x", 400 },
        { "addText?assetid=999999&text=x", 404 },
        { "addText?text=x", 400 },
        { "addText?assetid=" + gallery, 400 },
        { "addText?assetid=" + gallery + "&text=%FF%FE", 400 },
        { "makePage?assetid=" + gallery + "&name=" + std::string(ServerContext::maxNameLength + 1, 'a'), 400 },
        { "makePage?assetid=" + gallery + "&name=", 400 },
        { "contentForNode?assetid=999999", 404 },
        { "contentForNode?assetid=x1", 400 },
        { "noSuchEndpoint", 404 },
    };
    for (const Case& c : cases) {
        auto result = owner->get(c.endpoint);
        ASSERT_TRUE(result) << c.endpoint.substr(0, 60);
        EXPECT_EQ(result->status, c.status) << c.endpoint.substr(0, 60);
        EXPECT_TRUE(replyObject(result)) << c.endpoint.substr(0, 60);
    }
    EXPECT_EQ(pageBody(gallery), before);
}

TEST_F(ContentApiTest, BadBodiesAnswerJsonErrorsAndChangeNothing)
{
    std::string welcome = childId("Welcome");
    std::string home = str(startPage(), "AssetId");
    std::string before = pageBody(home);
    std::vector<std::string> bodies {
        "", "{", "{\"assetid\":\"" + welcome + "\",\"text\":\"x\"", "[1,2]", "\"text\"", "{\"text\":\"x\"}",
        "{\"assetid\":[1],\"text\":\"x\"}", "{\"assetid\":\"" + welcome + "\",\"text\":5}",
        "{\"assetid\":\"" + welcome + "\",\"text\":\"x\",\"options\":{}}", "{\"assetid\":\"1e3\",\"text\":\"x\"}",
        "{\"assetid\":\"" + welcome + "\",\"text\":\"\xff\"}",
        "{\"assetid\":\"" + welcome + "\",\"text\":\"x\"} trailing",
    };
    for (const std::string& body : bodies) {
        auto result = owner->post("sendText", body);
        EXPECT_EQ(result->status, 400) << body;
        EXPECT_TRUE(replyObject(result)) << body;
    }
    EXPECT_EQ(owner->post("sendText", "{\"assetid\":\"999999\",\"text\":\"x\"}")->status, 404);
    EXPECT_EQ(owner->post("sendText", "{\"assetid\":\"" + welcome + "\",\"text\":\"" + std::string(ContentApi::maxJsonBody(), 'a') + "\"}")->status, 413);
    // A declared length above the server's body limit is refused before any of the body is read.
    test::RawConnection raw(server->port());
    ASSERT_TRUE(raw.send("POST " + base + "sendImage HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(17 * 1024 * 1024)
        + "\r\n\r\n"));
    const std::string refusal = raw.receive(std::chrono::seconds(5));
    EXPECT_EQ(refusal.rfind("HTTP/1.1 413", 0), 0u) << refusal;
    EXPECT_NE(refusal.find("{\"Error\":"), std::string::npos) << refusal;
    EXPECT_EQ(pageBody(home), before);
}

TEST_F(ContentApiTest, ConcurrentAddsKeepEveryItemOnceInSendingOrder)
{
    constexpr int writers = 4;
    constexpr int perWriter = 25;
    std::string gallery = childId("Gallery");
    std::atomic<int> failures { 0 };
    std::vector<std::thread> threads;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&, w] {
            Session session(server->port());
            session.token = owner->token;
            for (int i = 0; i < perWriter; ++i) {
                auto result = session.get("addText?assetid=" + gallery + "&text=w" + std::to_string(w) + "-" + std::to_string(i));
                if (!result || result->status != 200)
                    failures++;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    std::vector<JsonValue> items = list(content(owner->get("contentForNode?assetid=" + gallery)));
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
    std::string home = str(startPage(), "AssetId");
    std::string welcome = childId("Welcome");
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
                return anonymous->get(what);
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
            return anonymous->post(endpoint, body);
        };
        httplib::Result result = send();
        ASSERT_TRUE(result) << what;
        EXPECT_LT(result->status, 500) << what;
        EXPECT_TRUE(replyObject(result)) << what;
    }
    EXPECT_EQ(pageBody(home), before);
}

TEST(ContentDemoTest, SeedingTwiceChangesNothing)
{
    char pattern[] = "/tmp/quindle-demo-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::filesystem::path folder = pattern;
    {
        auto storage = SqliteStorage::open((folder / "demo.db").string());
        ASSERT_TRUE(storage);
        Accounts accounts(*storage);
        accounts.migrate();
        ServerContext context(*storage, accounts);
        EXPECT_TRUE(ContentDemo::seed(context));
        auto count = [&](const char* table) { return Storage::integer(storage->query(std::string("SELECT COUNT(*) FROM ") + table)[0][0]); };
        int64_t assets = count("content_assets"), images = count("images");
        EXPECT_GT(assets, 20);
        EXPECT_FALSE(ContentDemo::seed(context));
        EXPECT_EQ(count("content_assets"), assets);
        EXPECT_EQ(count("images"), images);
    }
    std::filesystem::remove_all(folder);
}

} // namespace
