// What the page and site editors send, as the reference server takes it: each change shows in
// the next directory or tab bar reply, bad values are refused, and nobody but the owner changes
// anything.

#include "ServerFixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quindle;
using namespace quindle::test;

namespace {

class PageAndSiteEditing : public ServerFixture {
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        token = login();
        ASSERT_FALSE(token.empty());
        JsonValue bar = message(client->Get(content("login?email=demo%40quindle.example&password=quindle-demo")));
        tabbar = field(bar.object()->get("User").object()->get("Tabs"), "AssetId");
        home = idOf(siteTab("Home"));
        gallery = idOf(startPageChild("Gallery"));
        ASSERT_FALSE(tabbar.empty() || home.empty() || gallery.empty());
    }
    static JsonValue message(const httplib::Result& result)
    {
        auto json = replyJson(result);
        return result && result->status == 200 && json && json->isObject() ? json->object()->get("Message") : JsonValue {};
    }
    static std::string field(const JsonValue& record, const char* key) { return record.isObject() ? record.object()->get(key).asString() : std::string {}; }
    static std::string idOf(const JsonValue& record) { return field(record, "AssetId"); }
    JsonValue site() { return message(client->Get(content("getTabbar?assetid=" + tabbar), tokenHeaders(token))); }
    JsonValue childOf(const JsonValue& parent, const std::string& name)
    {
        const JsonValue& children = parent.isObject() ? parent.object()->get("Children") : JsonValue {};
        for (const JsonValue& child : children.isArray() ? children.array()->items() : std::vector<JsonValue> {})
            if (field(child, "Name") == name)
                return child;
        return {};
    }
    JsonValue siteTab(const std::string& name) { return childOf(site(), name); }
    JsonValue startPageChild(const std::string& name) { return childOf(message(client->Get(content("contentForNode"), tokenHeaders(token))), name); }
    int get(const std::string& path, const std::string& as) { return status(client->Get(path, tokenHeaders(as))); }
    int post(const std::string& endpoint, const std::string& body, const std::string& as)
    {
        return status(client->Post(content(endpoint), tokenHeaders(as), body, "application/x-www-form-urlencoded"));
    }
    static int status(const httplib::Result& result) { return result ? result->status : 0; }
    /// Links one of the owner's pictures to the site, so that clearing it shows.
    void linkPictureToSite()
    {
        JsonValue images = message(client->Get(content("imageList"), tokenHeaders(token)));
        std::string image = idOf(images.isObject() ? images.object()->get("ImageList").array()->at(0) : JsonValue {});
        ASSERT_EQ(post("linkImage", R"({"assetid":")" + tabbar + R"(","selectedimageid":")" + image + R"("})", token), 200);
        ASSERT_FALSE(field(site(), "ImageUrl").empty());
    }

    std::string token, tabbar, home, gallery;
};

TEST_F(PageAndSiteEditing, EveryChangeShowsInTheNextReply)
{
    linkPictureToSite();
    struct Case {
        const char* name;
        std::function<int()> send;
        std::function<std::string()> after;
        std::string expected;
    } cases[] = {
        { "page renamed", [&] { return get(legacy("setName.php?a=" + gallery + "&name=Photo%20wall"), token); },
            [&] { return idOf(startPageChild("Photo wall")); }, gallery },
        { "carousel style", [&] { return get(content("setCarousel?assetid=" + gallery + "&option=Carousel:8"), token); },
            [&] { return field(startPageChild("Photo wall"), "options"); }, "Carousel:8" },
        { "carousel off", [&] { return get(content("setCarousel?assetid=" + gallery + "&option="), token); },
            [&] { return field(startPageChild("Photo wall"), "options"); }, "" },
        { "page picture cleared", [&] { return get(legacy("resetImage.php?a=" + home), token); },
            [&] { return field(siteTab("Home"), "ImageUrl") + field(siteTab("Home"), "assVal"); }, "" },
        { "site renamed", [&] { return post("setName", R"({"assetid":")" + tabbar + R"(","name":"Harbour View"})", token); },
            [&] { return field(site(), "Name"); }, "Harbour View" },
        { "site picture cleared", [&] { return post("linkImage", R"({"assetid":")" + tabbar + R"(","selectedimageid":"0"})", token); },
            [&] { return field(site(), "ImageUrl"); }, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.send(), 200);
        EXPECT_EQ(c.after(), c.expected);
    }
    // A new login carries the site's new name.
    JsonValue again = message(client->Get(content("login?email=demo%40quindle.example&password=quindle-demo")));
    EXPECT_EQ(field(again.object()->get("User").object()->get("Tabs"), "Name"), "Harbour View");
}

TEST_F(PageAndSiteEditing, BadValuesAndOtherPeopleChangeNothing)
{
    linkPictureToSite();
    auto registered = client->Get(content("registerCompany?email=other%40example.org&password=pw-other&company=Other"));
    ASSERT_TRUE(registered && registered->status == 200);
    const std::string other = login("other@example.org", "pw-other");
    ASSERT_FALSE(other.empty());
    struct Case {
        const char* name;
        std::function<int()> send;
    } cases[] = {
        { "rename by another", [&] { return get(legacy("setName.php?a=" + gallery + "&name=Taken"), other); } },
        { "rename anonymously", [&] { return get(legacy("setName.php?a=" + gallery + "&name=Taken"), ""); } },
        { "empty page name", [&] { return get(legacy("setName.php?a=" + gallery + "&name="), token); } },
        { "bad page id", [&] { return get(legacy("setName.php?a=six&name=Taken"), token); } },
        { "picture reset by another", [&] { return get(legacy("resetImage.php?a=" + home), other); } },
        { "carousel by another", [&] { return get(content("setCarousel?assetid=" + gallery + "&option=Carousel"), other); } },
        { "bad carousel style", [&] { return get(content("setCarousel?assetid=" + gallery + "&option=Carousel:12"), token); } },
        { "site renamed by another", [&] { return post("setName", R"({"assetid":")" + tabbar + R"(","name":"Taken"})", other); } },
        { "empty site name", [&] { return post("setName", R"({"assetid":")" + tabbar + R"(","name":""})", token); } },
        { "site picture by another", [&] { return post("linkImage", R"({"assetid":")" + tabbar + R"(","selectedimageid":"0"})", other); } },
        { "link another's workflows", [&] { return get(content("associateAssets.php?a=" + gallery + "&b=" + home), other); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int code = c.send();
        EXPECT_GE(code, 400);
        EXPECT_LT(code, 500);
    }
    JsonValue page = startPageChild("Gallery");
    EXPECT_EQ(field(page, "options"), "Carousel:1");
    EXPECT_FALSE(field(siteTab("Home"), "ImageUrl").empty());
    EXPECT_EQ(field(site(), "Name"), "Quindle Care Home");
    EXPECT_FALSE(field(site(), "ImageUrl").empty());
}

} // namespace
