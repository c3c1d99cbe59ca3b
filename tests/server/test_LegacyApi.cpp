// The legacy care-forms endpoints over real HTTP on the demo data.
#include "server/LegacyDemo.h"
#include "server/ServerContext.h"
#include "server/SqliteStorage.h"
#include "server/ServerFixture.h"

#include "platform/Image.h"
#include "platform/JsonParser.h"

#include <gtest/gtest.h>
#include <httplib.h>

using namespace quindle;

class LegacyApiTest : public test::ServerFixture {
protected:
    void SetUp() override
    {
        test::ServerFixture::SetUp();
        token = login();
        ASSERT_FALSE(token.empty());
    }
    JsonValue get(const std::string& target, int expected = 200)
    {
        auto r = client->Get(target.c_str(), tokenHeaders(token));
        EXPECT_TRUE(r);
        if (!r)
            return {};
        EXPECT_EQ(r->status, expected) << target << " " << r->body;
        EXPECT_EQ(r->get_header_value("Content-Type"), "application/json; charset=utf-8");
        auto v = JsonParser::parse(r->body);
        return v ? *v : JsonValue();
    }
    JsonValue message(const std::string& target) { auto v = get(target); return v.isObject() ? v.object()->get("Message") : JsonValue(); }
    JsonArrayPtr listOf(const std::string& target) { auto m = message(target); return m.isObject() ? m.object()->get("list").array() : JsonArrayPtr(); }
    std::vector<JsonValue> itemsOf(const std::string& target) { auto list = listOf(target); return list ? list->items() : std::vector<JsonValue>(); }
    static std::string s(const JsonValue& v, const char* k) { return v.isObject() ? v.object()->get(k).asString() : ""; }
    std::string idOfPerson(int i) { return s(message("/json/start.php").object()->get("list").array()->at(size_t(i)), "assetID"); }
    JsonValue careDocOf(const std::string& person)
    {
        auto docs = message("/json/start.php?a=" + person).object()->get("list");
        for (auto& d : *docs.array())
            if (s(d, "name") == "Daily care")
                return d;
        return {};
    }
    /// Seeds again on the server's own database file.
    bool seedAgain()
    {
        auto storage = SqliteStorage::open(databasePath());
        return storage && LegacyDemo::seed(*storage);
    }
    std::string token;
};

TEST_F(LegacyApiTest, DemoSeedsOnce) { EXPECT_FALSE(seedAgain()); EXPECT_EQ(message("/json/start.php").object()->get("list").array()->size(), 2u); }

TEST_F(LegacyApiTest, StartListsPeopleDocumentsEntriesAndHistory) {
    auto root = message("/json/start.php");
    EXPECT_EQ(s(root, "title"), "Residents");
    auto doc = careDocOf(idOfPerson(0));
    ASSERT_TRUE(doc.isObject());
    auto form = message("/json/start.php?a=" + s(doc, "formID"));
    EXPECT_EQ(s(form, "title"), "Daily care");
    auto entries = form.object()->get("list").array();
    ASSERT_GE(entries->size(), 9u);
    bool derived = false, conditional = false, action = false;
    for (auto& e : *entries) {
        EXPECT_FALSE(s(e, "assetID").empty());
        derived |= s(e, "type") == "Derived" && s(e, "val").find("{Weight}") != std::string::npos;
        conditional |= s(e, "type") == "Conditional" && !s(e, "nTrigger").empty() && !s(e, "title").empty();
        action |= s(e, "type") == "Action" && !s(e, "title").empty();
    }
    EXPECT_TRUE(derived && conditional && action);
    auto history = listOf("/json/start.php?a=" + s(doc, "assetID"));
    ASSERT_GE(history->size(), 7u);
    EXPECT_GE(s(history->at(0), "lastModified"), s(history->at(history->size() - 1), "lastModified"));
    for (const char* key : { "name", "type", "val", "lastModified", "user" }) EXPECT_TRUE(history->at(0).object()->contains(key)) << key;
}

TEST_F(LegacyApiTest, HandleFormRoundTripsThroughStateAndHistory) {
    const std::string person = idOfPerson(0); // Arthur Penrose, last weighed at 80.5
    auto doc = careDocOf(person);
    const std::string formId = s(doc, "formID"), docId = s(doc, "assetID");
    std::string weightEntry;
    for (auto& e : itemsOf("/json/start.php?a=" + formId)) if (s(e, "name") == "Weight") weightEntry = s(e, "assetID");
    auto reply = message("/json/handleForm.php?f=" + weightEntry + "&c=" + person + "&name=Weight&val=83.5&type=Number");
    EXPECT_EQ(s(reply.object()->get("list").object()->get("Weight"), "val"), "83.5");
    auto state = message("/json/currentState.php?a=" + docId);
    EXPECT_FALSE(state.object()->get("modified").isNull());
    auto weight = state.object()->get("list").object()->get("Weight");
    EXPECT_EQ(s(weight, "val"), "83.5");
    EXPECT_EQ(s(weight, "user"), QuindleServer::demoEmail);
    EXPECT_EQ(s(weight, "type"), "Number");
    auto history = listOf("/json/start.php?a=" + docId);
    EXPECT_EQ(s(history->at(0), "val"), "83.5");
    EXPECT_EQ(s(history->at(0), "oldVal"), "80.5");
    auto chart = httplib::Client("127.0.0.1", server->port()).Get(("/json/Naked.php?a=" + docId).c_str(), tokenHeaders(token));
    ASSERT_TRUE(chart);
    EXPECT_NE(chart->body.find("<svg"), std::string::npos);
    EXPECT_NE(chart->body.find("83.5"), std::string::npos);
}

TEST_F(LegacyApiTest, BadInputChangesNothing) {
    const std::string person = idOfPerson(0);
    const std::string docId = s(careDocOf(person), "assetID");
    auto before = get("/json/currentState.php?a=" + docId);
    get("/json/handleForm.php?f=999999&c=" + person + "&name=Weight&val=1&type=Number", 404);
    get("/json/handleForm.php?f=abc&c=" + person + "&name=Weight&val=1&type=Number", 400);
    get("/json/handleForm.php?c=" + person + "&name=Weight&val=1&type=Number", 400);
    get("/json/setFormValueForDocument.php?parentID=" + person + "&name=Weight&val=1&type=Number", 404);
    get("/json/setAction.php?a=" + person + "&date=2026-12-01%2010:00:00&val=3", 404);
    get("/json/setAction.php?a=" + docId + "&date=tomorrow&val=3", 400);
    get("/json/setFoodAllergy.php?a=" + docId + "&i=1&s=2", 400);
    get("/json/start.php?a=-4", 400);
    get("/json/currentState.php?a=99999999", 404);
    get("/json/setFormValueForDocument.php?parentID=" + docId + "&name=Weight&val=" + std::string(5000, '9') + "&type=Number", 400);
    get("/json/setFormValueForDocument.php?parentID=" + docId + "&name=Weight&val=%FF%FE&type=Number", 400);
    get("/json/setFormValueForDocument.php?parentID=" + docId + "&name=&val=1&type=Number", 400);
    get("/json/setFormValueForDocument.php?parentID=99999999999999999999&name=Weight&val=1&type=Number", 400);
    httplib::Client uploader("127.0.0.1", server->port());
    httplib::MultipartFormDataItems wrongField { { "picture", "bytes", "a.jpg", "image/jpeg" } };
    auto upload = uploader.Post("/json/setImage.php?dir=x&a=1&parentID=1", tokenHeaders(token), wrongField);
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->status, 400);
    EXPECT_EQ(get("/json/currentState.php?a=" + docId), before);
    httplib::Client c("127.0.0.1", server->port());
    auto anonymous = c.Get(("/json/currentState.php?a=" + docId).c_str());
    ASSERT_TRUE(anonymous);
    EXPECT_EQ(anonymous->status, 401);
}

TEST_F(LegacyApiTest, DevicesActionsAndFollowUps) {
    auto devices = listOf("/json/devices.php");
    ASSERT_EQ(devices->size(), 2u);
    // Each resident has an overdue follow-up for everyone and one for this user; none due in the future.
    auto followUps = listOf("/json/currentUserOverdueActions.php");
    ASSERT_EQ(followUps->size(), 4u);
    for (auto& followUp : followUps->items()) EXPECT_NE(s(followUp, "message").rfind("Review ", 0), 0u);
    for (const char* key : { "message", "date", "linkID", "resDocID", "url", "resID", "resName" }) EXPECT_FALSE(s(followUps->at(0), key).empty()) << key;
    auto state = message("/json/currentState.php?a=" + s(followUps->at(0), "resDocID")).object()->get("list");
    auto action = state.object()->get("Weight follow-up");
    EXPECT_EQ(s(action, "type"), "Action");
    message("/json/setAction.php?a=" + s(action, "assetID") + "&date=2099-01-01%2000:00:00&devID=" + s(devices->at(0), "assetID") + "&val=7");
    EXPECT_EQ(message("/json/currentUserOverdueActions.php").object()->get("list").array()->size(), 3u);
    auto after = message("/json/currentState.php?a=" + s(followUps->at(0), "resDocID")).object()->get("list").object()->get("Weight follow-up");
    EXPECT_EQ(s(after, "linkID"), s(devices->at(0), "assetID"));
    EXPECT_EQ(s(after, "val"), "7");
    // The action screen names the person's document: its first action record takes the interval.
    message("/json/setAction.php?a=" + s(followUps->at(0), "resDocID") + "&date=2099-01-02%2000:00:00&devID=&val=9");
    EXPECT_EQ(s(message("/json/currentState.php?a=" + s(followUps->at(0), "resDocID")).object()->get("list").object()->get("Weight follow-up"), "val"), "9");
}

TEST_F(LegacyApiTest, AllergiesMenuAndOrders) {
    const std::string person = idOfPerson(0);
    auto doc = careDocOf(person);
    const std::string docId = s(doc, "assetID");
    auto ingredients = listOf("/json/ingredientsList.php");
    ASSERT_EQ(ingredients->size(), 5u);
    EXPECT_EQ(message("/json/getFoodAllergy.php?a=" + docId).object()->get("list").array()->size(), 1u);
    auto reply = message("/json/setFoodAllergy.php?a=" + docId + "&i=" + s(ingredients->at(0), "assetID") + "&s=1");
    EXPECT_EQ(reply.object()->get("list").array()->size(), 5u);
    auto allergies = listOf("/json/getFoodAllergy.php?a=" + docId);
    ASSERT_EQ(allergies->size(), 2u);
    std::string mealsForm;
    for (auto& d : itemsOf("/json/start.php?a=" + person)) if (s(d, "name") == "Meals") mealsForm = s(d, "formID");
    auto dishes = listOf("/json/getMenu.php?a=" + mealsForm + "&p=" + person);
    ASSERT_EQ(dishes->size(), 4u);
    EXPECT_TRUE(dishes->at(0).object()->get("ingredients").isArray());
    get("/json/setMealObject.php?a=" + person + "&name=Lunch&date=2026-12-08&o=" + s(dishes->at(0), "assetID"));
    get("/json/setMealObject.php?a=" + person + "&name=Lunch&date=2026-12-08&o=" + person, 404);
}

TEST_F(LegacyApiTest, UploadedPictureIsStoredByteIdentical) {
    const std::string formId = s(careDocOf(idOfPerson(0)), "formID");
    auto added = message("/json/addAsset.php?assetID=" + formId + "&name=Photo&type=Image");
    const std::string entryId = s(added, "assetID");
    ASSERT_FALSE(entryId.empty());
    std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(3000, '\x01') + std::string("\0\r\n--x\xFF\xD9", 8);
    httplib::Client c("127.0.0.1", server->port());
    httplib::MultipartFormDataItems items { { "uploaded", jpeg, "image.jpg", "image/jpeg" } };
    auto r = c.Post(("/json/setImage.php?dir=%2fhome%2fpics&a=" + entryId + "&parentID=" + formId).c_str(), tokenHeaders(token), items);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->status, 200) << r->body;
    auto url = s(JsonParser::parse(r->body)->object()->get("Message"), "ImageUrl");
    ASSERT_EQ(url.rfind(server->host() + "/images/", 0), 0u) << url;
    auto served = c.Get(url.substr(server->host().size()).c_str());
    ASSERT_TRUE(served);
    EXPECT_EQ(served->status, 200);
    EXPECT_EQ(served->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_EQ(served->body, jpeg);
    std::string assVal;
    for (auto& e : itemsOf("/json/start.php?a=" + formId)) if (s(e, "assetID") == entryId) assVal = s(e, "assVal");
    EXPECT_EQ(assVal, url);
    message("/json/resetImage.php?a=" + entryId);
    message("/json/setName.php?a=" + entryId + "&name=Portrait");
    for (auto& e : itemsOf("/json/start.php?a=" + formId)) if (s(e, "assetID") == entryId) { EXPECT_EQ(s(e, "name"), "Portrait"); EXPECT_FALSE(e.object()->contains("assVal")); }
}

// The directory and video editors reach content pages through these endpoints.
TEST_F(LegacyApiTest, ContentItemsRenamedClearedAndExtendedOnlyByTheirOwner)
{
    auto page = message(content("contentForNode"));
    ASSERT_TRUE(page.isObject());
    const std::string pageId = s(page, "assetID");
    auto children = page.object()->get("Children").array();
    ASSERT_TRUE(children && !children->empty());
    std::string pictureId;
    for (auto& child : *children)
        if (!s(child, "ImageUrl").empty() && pictureId.empty())
            pictureId = s(child, "assetID");
    ASSERT_FALSE(pictureId.empty());
    auto childNamed = [&](const std::string& id) {
        JsonValue current = message(content("contentForNode?assetid=" + pageId));
        JsonArrayPtr list = current.isObject() ? current.object()->get("Children").array() : JsonArrayPtr();
        for (size_t i = 0; list && i < list->size(); ++i)
            if (s(list->at(i), "assetID") == id)
                return list->at(i);
        return JsonValue();
    };

    // Someone else's session changes nothing.
    auto registered = client->Get(content("registerCompany?email=other%40example.org&password=pw-other&company=Other").c_str());
    ASSERT_TRUE(registered && registered->status == 200) << (registered ? registered->body : "");
    const std::string other = login("other@example.org", "pw-other");
    ASSERT_FALSE(other.empty());
    const std::string ownName = s(childNamed(pictureId), "name");
    // Refused as an unknown id would be, so other organisations' ids are not revealed.
    auto refused = client->Get(("/json/setName.php?a=" + pictureId + "&name=Taken").c_str(), tokenHeaders(other));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 404);
    EXPECT_EQ(refused->body, client->Get("/json/setName.php?a=999999&name=Taken", tokenHeaders(other))->body);
    refused = client->Get(("/json/resetImage.php?a=" + pictureId).c_str(), tokenHeaders(other));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 404);
    EXPECT_EQ(s(childNamed(pictureId), "name"), ownName);
    EXPECT_FALSE(s(childNamed(pictureId), "ImageUrl").empty());
    // The image viewer's upload: refused for someone else's item, shown on the page for the owner's.
    const std::string ownPicture = s(childNamed(pictureId), "ImageUrl");
    auto photo = Image::create(2, 2, std::vector<uint8_t>(16, 200));
    ASSERT_TRUE(photo);
    httplib::MultipartFormDataItems upload { { "uploaded", *photo->jpegData(1.0), "Image_1.jpg", "" } };
    const std::string target = "/json/setImage.php?dir=%2fhome%2fcorvath%2fpublic_html%2fjson%2fgallery%2fpics&a=" + pictureId + "&parentID=";
    refused = client->Post(target.c_str(), tokenHeaders(other), upload);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 404);
    EXPECT_EQ(s(childNamed(pictureId), "ImageUrl"), ownPicture);
    auto uploaded = client->Post(target.c_str(), tokenHeaders(token), upload);
    ASSERT_TRUE(uploaded);
    ASSERT_EQ(uploaded->status, 200) << uploaded->body;
    const std::string shown = s(childNamed(pictureId), "ImageUrl");
    EXPECT_NE(shown, ownPicture);
    EXPECT_EQ(s(JsonParser::parse(uploaded->body)->object()->get("Message"), "ImageUrl"), shown);

    message("/json/setName.php?a=" + pictureId + "&name=Garden%20view");
    EXPECT_EQ(s(childNamed(pictureId), "name"), "Garden view");
    message("/json/resetImage.php?a=" + pictureId);
    EXPECT_TRUE(s(childNamed(pictureId), "ImageUrl").empty());

    auto video = message("/json/addAsset.php?assetID=" + pageId + "&name=Tour&type=YoutubeVideo&asVal=abc123");
    const std::string videoId = s(video, "assetID");
    EXPECT_EQ(s(childNamed(videoId), "Type"), "YoutubeVideo");
    EXPECT_EQ(s(childNamed(videoId), "Data"), "abc123");
    get("/json/addAsset.php?assetID=" + pageId + "&name=Odd&type=Text", 400);
    get("/json/setName.php?a=999999&name=Nobody", 404);
}

// Fields added to a content form, and videos added to a page, come back among the page's items
// in the reply and in the next directory reply; the form takes only the field types, and only
// its owner adds to it.
TEST_F(LegacyApiTest, FieldsAndVideosAddedToContentPagesShowInTheirItems)
{
    auto page = message(content("contentForNode"));
    const std::string pageId = s(page, "assetID");
    std::string formId;
    for (auto& child : *page.object()->get("Children").array())
        if (s(child, "Type") == "Form")
            formId = s(child, "assetID");
    ASSERT_FALSE(formId.empty());
    auto hasChild = [&](const JsonValue& record, const std::string& name, const std::string& type) {
        JsonArrayPtr list = record.isObject() ? record.object()->get("Children").array() : JsonArrayPtr();
        for (size_t i = 0; list && i < list->size(); ++i)
            if (s(list->at(i), "Name") == name && s(list->at(i), "Type") == type)
                return true;
        return false;
    };
    struct Case {
        std::string parent, query, name, type;
    } added[] = {
        { formId, "&name=Age%20%2f%20years&type=Number", "Age / years", "Number" },
        { formId, "&name=Colour&type=Select", "Colour", "Select" },
        { pageId, "&name=Tour&type=YoutubeVideo&asVal=dQw4w9WgXcQ", "Tour", "YoutubeVideo" },
    };
    for (const auto& c : added) {
        SCOPED_TRACE(c.query);
        auto reply = message("/json/addAsset.php?assetID=" + c.parent + c.query);
        EXPECT_TRUE(hasChild(reply, c.name, c.type));
        EXPECT_TRUE(hasChild(message(content("contentForNode?assetid=" + c.parent)), c.name, c.type));
    }
    const std::pair<std::string, int> refused[] = {
        { "/json/addAsset.php?assetID=" + formId + "&name=Clip&type=Image", 400 },
        { "/json/addAsset.php?assetID=" + pageId + "&name=Height&type=Number", 400 },
        { "/json/addAsset.php?assetID=" + formId + "&name=&type=Text", 400 },
        { "/json/addAsset.php?assetID=" + formId + "&name=Height", 400 },
    };
    for (const auto& [target, status] : refused)
        get(target, status);

    auto registered = client->Get(content("registerCompany?email=fields%40example.org&password=pw-fields&company=Fields").c_str());
    ASSERT_TRUE(registered && registered->status == 200);
    const std::string other = login("fields@example.org", "pw-fields");
    auto stranger = client->Get(("/json/addAsset.php?assetID=" + formId + "&name=Sneaky&type=Text").c_str(), tokenHeaders(other));
    ASSERT_TRUE(stranger);
    EXPECT_EQ(stranger->status, 404);
    EXPECT_FALSE(hasChild(message(content("contentForNode?assetid=" + formId)), "Sneaky", "Text"));
}
