// The legacy care endpoints over real HTTP on the demo data: people, documents and their history,
// the graph page, resident forms, devices and follow-ups, allergies, menus and orders, pictures,
// and each organisation's care data walled off from every other's.
#include "platform/Image.h"
#include "server/Accounts.h"
#include "server/ContentDemo.h"
#include "server/ContentStore.h"
#include "server/LegacyDemo.h"
#include "server/LegacyStore.h"
#include "server/ServerContext.h"
#include "server/ServerFixture.h"

#include <functional>
#include <map>
#include <sstream>

using namespace quindle;
using namespace quindle::test;

namespace {

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class LegacyApiTest : public ServerFixture {
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        token = login();
        ASSERT_FALSE(token.empty());
        who = str(items("/json/start.php").at(0), "assetID"); // Arthur Penrose (first by name), last weighed at 80.5
        doc = docOf(who);
        docId = str(doc, "assetID");
    }
    /// The JSON reply to a GET as `as` (the demo owner when empty); it must have status `expected`.
    JsonValue fetch(const std::string& target, int expected = 200, const std::string& as = {})
    {
        auto r = get(target, as.empty() ? token : as);
        EXPECT_EQ(status(r), expected) << target << " " << (r ? r->body : "");
        if (!r)
            return {};
        EXPECT_EQ(r->get_header_value("Content-Type"), "application/json; charset=utf-8") << target;
        EXPECT_TRUE(isJsonObject(r)) << target;
        return replyJson(r).value_or(JsonValue());
    }
    JsonValue message(const std::string& target, int expected = 200, const std::string& as = {})
    {
        JsonValue reply = fetch(target, expected, as);
        return reply.isObject() ? reply.object()->get("Message") : JsonValue();
    }
    std::vector<JsonValue> items(const std::string& target, const std::string& as = {}) { return list(message(target, 200, as), "list"); }
    JsonValue itemNamed(const std::string& target, const std::string& name) { return named(items(target), name, "name").value_or(JsonValue()); }
    /// The person's document of the form called `form`.
    JsonValue docOf(const std::string& person, const std::string& form = "Daily care") { return itemNamed("/json/start.php?a=" + person, form); }
    std::string otherOrganisation() { return login(ContentDemo::secondEmail, ContentDemo::secondPassword); }
    /// A content page's item by id, from the next directory reply.
    JsonValue contentItem(const std::string& page, const std::string& id)
    {
        return named(list(message(content("contentForNode?assetid=" + page))), id, "assetID").value_or(JsonValue());
    }

    std::string token, who, docId;
    JsonValue doc; ///< the daily care document of `who`
};

} // namespace

TEST_F(LegacyApiTest, StartListsPeopleDocumentsEntriesAndHistoryAndHandleFormRoundTripsAndBadInputChangesNothing)
{
    {
        auto storage = SqliteStorage::open(databasePath());
        ASSERT_TRUE(storage);
        EXPECT_FALSE(LegacyDemo::seed(*storage)) << "the demo seeds once";
        Accounts accounts(*storage);
        ServerContext context(*storage, accounts);
        const std::string counts = "SELECT (SELECT COUNT(*) FROM content_assets), (SELECT COUNT(*) FROM images)";
        const auto before = sql(counts);
        EXPECT_FALSE(ContentDemo::seed(context)) << "the content demo seeds once too";
        EXPECT_EQ(sql(counts), before);
    }
    EXPECT_EQ(items("/json/start.php").size(), 2u);
    EXPECT_EQ(str(message("/json/start.php"), "title"), "Residents");
    ASSERT_TRUE(doc.isObject());
    auto form = message("/json/start.php?a=" + str(doc, "formID"));
    EXPECT_EQ(str(form, "title"), "Daily care");
    auto entries = list(form, "list");
    ASSERT_GE(entries.size(), 9u);
    bool derived = false, conditional = false, action = false;
    for (auto& e : entries) {
        EXPECT_FALSE(str(e, "assetID").empty());
        derived |= str(e, "type") == "Derived" && str(e, "val").find("{Weight}") != std::string::npos;
        conditional |= str(e, "type") == "Conditional" && !str(e, "nTrigger").empty() && !str(e, "title").empty();
        action |= str(e, "type") == "Action" && !str(e, "title").empty();
    }
    EXPECT_TRUE(derived && conditional && action);
    auto history = items("/json/start.php?a=" + str(doc, "assetID"));
    ASSERT_GE(history.size(), 7u);
    EXPECT_GE(str(history.front(), "lastModified"), str(history.back(), "lastModified"));
    for (const char* key : { "name", "type", "val", "lastModified", "user" })
        EXPECT_TRUE(history[0].object()->contains(key)) << key;

    // A value sent through the form goes round through the state, the history and the chart.
    const std::string weightEntry = str(itemNamed("/json/start.php?a=" + str(doc, "formID"), "Weight"), "assetID");
    auto reply = message("/json/handleForm.php?f=" + weightEntry + "&c=" + who + "&name=Weight&val=83.5&type=Number");
    EXPECT_EQ(str(reply.object()->get("list").object()->get("Weight"), "val"), "83.5");
    auto state = message("/json/currentState.php?a=" + docId);
    EXPECT_FALSE(state.object()->get("modified").isNull());
    EXPECT_EQ(strs(state.object()->get("list").object()->get("Weight"), { "val", "user", "type" }),
        (Texts { "83.5", QuindleServer::demoEmail, "Number" }));
    EXPECT_EQ(strs(items("/json/start.php?a=" + docId).at(0), { "val", "oldVal" }), (Texts { "83.5", "80.5" }));
    auto chart = get("/json/Naked.php?a=" + docId, token);
    ASSERT_TRUE(chart);
    EXPECT_NE(chart->body.find("<svg"), std::string::npos);
    EXPECT_NE(chart->body.find("83.5"), std::string::npos);

    // Bad input changes nothing.
    auto before = fetch("/json/currentState.php?a=" + docId);
    const std::pair<std::string, int> cases[] = {
        { "/json/handleForm.php?f=999999&c=" + who + "&name=Weight&val=1&type=Number", 404 },
        { "/json/handleForm.php?f=abc&c=" + who + "&name=Weight&val=1&type=Number", 400 },
        { "/json/handleForm.php?c=" + who + "&name=Weight&val=1&type=Number", 400 },
        { "/json/setFormValueForDocument.php?parentID=" + who + "&name=Weight&val=1&type=Number", 404 },
        { "/json/setAction.php?a=" + who + "&date=2026-12-01%2010:00:00&val=3", 404 },
        { "/json/setAction.php?a=" + docId + "&date=tomorrow&val=3", 400 },
        { "/json/setFoodAllergy.php?a=" + docId + "&i=1&s=2", 400 },
        { "/json/start.php?a=-4", 400 },
        { "/json/start.php?a=23x", 400 },
        { "/json/getFoodAllergy.php?a=abc", 400 },
        { "/json/currentState.php?a=99999999", 404 },
        { "/json/setFormValueForDocument.php?parentID=" + docId + "&name=Weight&val=" + std::string(5000, '9') + "&type=Number", 400 },
        { "/json/setFormValueForDocument.php?parentID=" + docId + "&name=Weight&val=%FF%FE&type=Number", 400 },
        { "/json/setFormValueForDocument.php?parentID=" + docId + "&name=&val=1&type=Number", 400 },
        { "/json/setFormValueForDocument.php?parentID=99999999999999999999&name=Weight&val=1&type=Number", 400 },
    };
    for (const auto& [target, expected] : cases)
        fetch(target, expected);
    httplib::MultipartFormDataItems wrongField { { "picture", "bytes", "a.jpg", "image/jpeg" } };
    EXPECT_EQ(status(client->Post("/json/setImage.php?dir=x&a=1&parentID=1", tokenHeaders(token), wrongField)), 400);
    EXPECT_EQ(fetch("/json/currentState.php?a=" + docId), before);
    EXPECT_EQ(status(get("/json/currentState.php?a=" + docId)), 401);
}

TEST_F(LegacyApiTest, DevicesActionsAndFollowUps)
{
    auto devices = items("/json/devices.php");
    ASSERT_EQ(devices.size(), 2u);
    // Each resident has an overdue follow-up for everyone and one for this user; none due in the future.
    auto followUps = items("/json/currentUserOverdueActions.php");
    ASSERT_EQ(followUps.size(), 4u);
    for (auto& followUp : followUps) {
        EXPECT_NE(str(followUp, "message").rfind("Review ", 0), 0u);
        EXPECT_EQ(str(followUp, "resName").find("Edith"), std::string::npos) << "another organisation's resident";
    }
    for (const char* key : { "message", "date", "linkID", "resDocID", "url", "resID", "resName" })
        EXPECT_FALSE(str(followUps[0], key).empty()) << key;
    const std::string resDoc = str(followUps[0], "resDocID");
    auto action = [&] { return message("/json/currentState.php?a=" + resDoc).object()->get("list").object()->get("Weight follow-up"); };
    EXPECT_EQ(str(action(), "type"), "Action");
    message("/json/setAction.php?a=" + str(action(), "assetID") + "&date=2099-01-01%2000:00:00&devID=" + str(devices[0], "assetID") + "&val=7");
    EXPECT_EQ(items("/json/currentUserOverdueActions.php").size(), 3u);
    EXPECT_EQ(strs(action(), { "linkID", "val" }), (Texts { str(devices[0], "assetID"), "7" }));
    // The action screen names the person's document: its first action record takes the interval.
    message("/json/setAction.php?a=" + resDoc + "&date=2099-01-02%2000:00:00&devID=&val=9");
    EXPECT_EQ(str(action(), "val"), "9");
}

// Allergies by document and by person, the menu, and meal orders: the day format and one dish a day.
TEST_F(LegacyApiTest, AllergiesMenuAndOrders)
{
    auto ingredients = items("/json/ingredientsList.php");
    ASSERT_EQ(ingredients.size(), 5u);
    EXPECT_EQ(items("/json/getFoodAllergy.php?a=" + docId).size(), 1u);
    auto reply = message("/json/setFoodAllergy.php?a=" + docId + "&i=" + str(ingredients[0], "assetID") + "&s=1");
    EXPECT_EQ(list(reply, "list").size(), 5u);
    EXPECT_EQ(items("/json/getFoodAllergy.php?a=" + docId).size(), 2u);
    const std::string margaret = str(itemNamed("/json/start.php", "Margaret Hill"), "assetID");
    auto allergies = items("/json/getFoodAllergy.php?a=" + margaret);
    EXPECT_EQ(allergies.size(), 1u);
    EXPECT_EQ(str(allergies.at(0), "name"), "Peanuts");

    auto dishes = items("/json/getMenu.php?a=" + str(docOf(margaret, "Meals"), "formID") + "&p=" + margaret);
    ASSERT_EQ(dishes.size(), 4u);
    EXPECT_TRUE(dishes[0].object()->get("ingredients").isArray());
    const std::string first = str(dishes[0], "assetID"), second = str(dishes[1], "assetID");
    const std::pair<std::string, int> cases[] = {
        { "date=2026-12-09&o=" + first, 200 },
        { "date=2026-12-09&o=" + second, 200 }, // replaces the first
        { "date=2026-12-09%2000:00:00&o=" + first, 400 },
        { "date=09-12-2026&o=" + first, 400 },
        { "date=&o=" + first, 400 },
        { "date=2026-12-09&o=" + margaret, 404 }, // not a dish
    };
    for (const auto& [query, expected] : cases)
        fetch("/json/setMealObject.php?a=" + margaret + "&name=Lunch&" + query, expected);
    auto storage = SqliteStorage::open(databasePath());
    ASSERT_TRUE(storage);
    auto orders = LegacyStore(*storage).ordersOf(std::stoll(margaret)).object()->get("list").array();
    ASSERT_EQ(orders->size(), 1u);
    EXPECT_EQ(strs(orders->at(0), { "date", "dish" }), (Texts { "2026-12-09", second }));

    // Another organisation sees neither the resident's allergies nor may order for them.
    const std::string other = otherOrganisation();
    fetch("/json/getFoodAllergy.php?a=" + margaret, 404, other);
    fetch("/json/setMealObject.php?a=" + margaret + "&name=Lunch&date=2026-12-10&o=" + first, 404, other);
}

// A picture uploaded to a care form's entry is stored byte-identical; one uploaded to a content
// item shows on its page unless the item is someone else's; both items are renamed and cleared.
TEST_F(LegacyApiTest, UploadedPicturesAreStoredServedRenamedAndCleared)
{
    const std::string formId = str(doc, "formID");
    const std::string entryId = str(message("/json/addAsset.php?assetID=" + formId + "&name=Photo&type=Image"), "assetID");
    ASSERT_FALSE(entryId.empty());
    std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(3000, '\x01') + std::string("\0\r\n--x\xFF\xD9", 8);
    httplib::MultipartFormDataItems parts { { "uploaded", jpeg, "image.jpg", "image/jpeg" } };
    auto r = client->Post("/json/setImage.php?dir=%2fhome%2fpics&a=" + entryId + "&parentID=" + formId, tokenHeaders(token), parts);
    ASSERT_EQ(status(r), 200) << r->body;
    auto url = str(replyJson(r)->object()->get("Message"), "ImageUrl");
    ASSERT_EQ(url.rfind(server->host() + "/images/", 0), 0u) << url;
    auto served = get(url.substr(server->host().size()));
    ASSERT_EQ(status(served), 200);
    EXPECT_EQ(served->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_EQ(served->body, jpeg);
    auto entry = [&] { return named(items("/json/start.php?a=" + formId), entryId, "assetID").value_or(JsonValue()); };
    EXPECT_EQ(str(entry(), "assVal"), url);
    message("/json/resetImage.php?a=" + entryId);
    message("/json/setName.php?a=" + entryId + "&name=Portrait");
    EXPECT_EQ(str(entry(), "name"), "Portrait");
    EXPECT_FALSE(entry().object()->contains("assVal"));

    // The directory and video editors reach content items through the same endpoints.
    auto page = message(content("contentForNode"));
    const std::string pageId = str(page, "assetID");
    const std::string pictureId = str(named(list(page), "Our garden").value_or(JsonValue()), "assetID");
    ASSERT_FALSE(pictureId.empty());
    const std::string ownPicture = str(contentItem(pageId, pictureId), "ImageUrl");
    ASSERT_FALSE(ownPicture.empty());

    // The image viewer's upload: refused for someone else's item (as the organisation wall's
    // renames and clearings are), shown on the page for the owner's.
    const std::string other = registerAndLogin("other@example.org", "pw-other");
    auto photo = Image::create(2, 2, std::vector<uint8_t>(16, 200));
    ASSERT_TRUE(photo);
    httplib::MultipartFormDataItems upload { { "uploaded", *photo->jpegData(1.0), "Image_1.jpg", "" } };
    const std::string target = "/json/setImage.php?dir=%2fhome%2fcorvath%2fpublic_html%2fjson%2fgallery%2fpics&a=" + pictureId + "&parentID=";
    EXPECT_EQ(status(client->Post(target, tokenHeaders(other), upload)), 404);
    EXPECT_EQ(str(contentItem(pageId, pictureId), "ImageUrl"), ownPicture);
    auto uploaded = client->Post(target, tokenHeaders(token), upload);
    ASSERT_EQ(status(uploaded), 200) << uploaded->body;
    const std::string shown = str(contentItem(pageId, pictureId), "ImageUrl");
    EXPECT_NE(shown, ownPicture);
    EXPECT_EQ(str(replyJson(uploaded)->object()->get("Message"), "ImageUrl"), shown);

    message("/json/setName.php?a=" + pictureId + "&name=Garden%20view");
    EXPECT_EQ(str(contentItem(pageId, pictureId), "name"), "Garden view");
    message("/json/resetImage.php?a=" + pictureId);
    EXPECT_TRUE(str(contentItem(pageId, pictureId), "ImageUrl").empty());
    fetch("/json/setName.php?a=999999&name=Nobody", 404);
}

// Fields added to a content form, and videos added to a page, come back among the page's items
// in the reply and in the next directory reply; the form takes only the field types, and only
// its owner adds to it.
TEST_F(LegacyApiTest, FieldsAndVideosAddedToContentPagesShowInTheirItems)
{
    auto page = message(content("contentForNode"));
    const std::string pageId = str(page, "assetID");
    const std::string formId = str(named(list(page), "Form", "Type").value_or(JsonValue()), "assetID");
    ASSERT_FALSE(formId.empty());
    auto hasChild = [&](const JsonValue& record, const std::string& name, const std::string& type) {
        auto child = named(list(record), name);
        return child && str(*child, "Type") == type;
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
        EXPECT_TRUE(hasChild(message("/json/addAsset.php?assetID=" + c.parent + c.query), c.name, c.type));
        EXPECT_TRUE(hasChild(message(content("contentForNode?assetid=" + c.parent)), c.name, c.type));
    }
    EXPECT_EQ(str(named(list(message(content("contentForNode?assetid=" + pageId))), "Tour").value_or(JsonValue()), "Data"), "dQw4w9WgXcQ");
    for (const std::string& refused : { "/json/addAsset.php?assetID=" + formId + "&name=Clip&type=Image",
             "/json/addAsset.php?assetID=" + pageId + "&name=Height&type=Number", "/json/addAsset.php?assetID=" + pageId + "&name=Odd&type=Text",
             "/json/addAsset.php?assetID=" + formId + "&name=&type=Text",
             "/json/addAsset.php?assetID=" + formId + "&name=Height" })
        fetch(refused, 400);

    const std::string other = registerAndLogin("fields@example.org", "pw-fields");
    EXPECT_EQ(status(get("/json/addAsset.php?assetID=" + formId + "&name=Sneaky&type=Text", other)), 404);
    EXPECT_FALSE(hasChild(message(content("contentForNode?assetid=" + formId)), "Sneaky", "Text"));
}

// The graph page: one chart a key, the key asked for, and the checks on who asks for what.
TEST_F(LegacyApiTest, OneChartAKeyWithAxesAndDatesOrTheKeyAskedForAndRefusals)
{
    auto r = get("/json/Naked.php?a=" + docId, token);
    ASSERT_EQ(status(r), 200);
    EXPECT_EQ(r->get_header_value("Content-Type"), "text/html; charset=utf-8");
    const std::string& html = r->body;
    for (const char* key : { ">Systolic BP</h3>", ">Weight</h3>", "<h3 style=\"margin:8px 0 2px 0;color:#1e6fd9\">Diastolic BP</h3>",
             ">Fluid intake (ml)</h3>", ">Height</h3>" })
        EXPECT_NE(html.find(key), std::string::npos) << key;
    EXPECT_EQ(count(html, "<svg"), 5u); // the key recorded most often first, then by name
    EXPECT_LT(html.find(">Fluid intake (ml)</h3>"), html.find(">Systolic BP</h3>"));
    EXPECT_LT(html.find(">Weight</h3>"), html.find(">Height</h3>"));
    EXPECT_EQ(count(html, "<polyline"), 5u);
    EXPECT_NE(html.find(">2026-10-19</text>"), std::string::npos); // the first day of the weeks of values
    EXPECT_NE(html.find(">date</text>"), std::string::npos);
    EXPECT_EQ(html.find("Took medication"), std::string::npos); // yes/no values are not charted

    // The key asked for, and the refusals: a JSON error and no chart.
    const std::string other = otherOrganisation(), error = "{\"Error\":";
    struct Case {
        std::string query, as;
        int status;
        size_t charts;
        std::string shows;
    } cases[] = {
        { "?a=" + docId + "&key=Weight", token, 200, 1, ">Weight</h3>" },
        { "?a=" + docId + "&key=Fluid%20intake%20%28ml%29", token, 200, 1, ">Fluid intake (ml)</h3>" },
        { "?a=" + docId + "&key=Notes", token, 200, 0, "No recorded numbers for Notes" },
        { "?a=" + docId + "&key=%3Cb%3E", token, 200, 0, "No recorded numbers for &lt;b&gt;" },
        { "", token, 400, 0, error },
        { "?a=abc", token, 400, 0, error },
        { "?a=-3", token, 400, 0, error },
        { "?a=99999999", token, 404, 0, error },
        { "?a=" + who, token, 404, 0, error }, // a person, not a document
        { "?a=" + docId, other, 404, 0, error },
        { "?a=" + docId, "", 401, 0, error },
        { "?a=" + docId + "&key=" + std::string(5000, 'k'), token, 400, 0, error },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query.substr(0, 60) + " as " + c.as.substr(0, 8));
        auto reply = get("/json/Naked.php" + c.query, c.as);
        ASSERT_EQ(status(reply), c.status);
        EXPECT_EQ(isJsonObject(reply), c.status != 200); // a chart page is HTML
        EXPECT_EQ(count(reply->body, "<svg"), c.charts);
        EXPECT_NE(reply->body.find(c.shows), std::string::npos);
    }
}

// The resident forms: the profile form by its fixed id, links that open sub-forms and menus,
// recorded values, and another organisation kept out.
TEST_F(LegacyApiTest, ProfileFormIdOpensEachOrganisationsOwnDetailsAndLinkEntriesTheirForms)
{
    const std::string other = otherOrganisation();
    auto mine = message("/json/start.php?a=231");
    auto theirs = message("/json/start.php?a=231", 200, other);
    EXPECT_EQ((Texts { str(mine, "title"), str(theirs, "title") }), (Texts { "Personnel Details", "Personnel Details" }));
    std::vector<std::string> types;
    for (auto& e : list(mine, "list"))
        types.push_back(str(e, "type"));
    EXPECT_EQ(types, (std::vector<std::string> { "Text", "Text", "Select", "Text", "Bool", "Image" }));
    auto room = [](const JsonValue& form) { return str(named(list(form, "list"), "Room", "name").value_or(JsonValue()), "assetID"); };
    EXPECT_NE(room(mine), room(theirs));
    // The profile document is one of each person's documents, with its values recorded.
    auto details = docOf(who, "Personnel Details");
    ASSERT_TRUE(details.isObject());
    auto state = message("/json/currentState.php?a=" + str(details, "assetID"));
    EXPECT_EQ(str(state.object()->get("list").object()->get("Room"), "val"), "Room 9"); // Arthur Penrose, first by name
    EXPECT_FALSE(state.object()->get("modified").isNull());

    // Link entries carry the form they open, and values stay in the organisation.
    auto plan = docOf(who, "Care plan"), chart = docOf(who, "Weights chart");
    ASSERT_TRUE(plan.isObject() && chart.isObject());
    const std::string entries = "/json/start.php?a=" + str(plan, "formID");
    struct Case {
        const char* name;
        const char* type;
        std::string form;
    };
    for (const Case& c : { Case { "Weights chart", "Form", str(chart, "formID") }, Case { "Personnel Details", "Document", str(details, "formID") } }) {
        auto link = itemNamed(entries, c.name);
        EXPECT_EQ(str(link, "type"), c.type);
        EXPECT_EQ(str(link, "assetID"), c.form);
        EXPECT_EQ(str(message("/json/start.php?a=" + c.form), "title"), c.name);
    }
    auto lunch = itemNamed(entries, "Lunch");
    EXPECT_EQ(items("/json/getMenu.php?a=" + str(lunch, "assetID") + "&p=" + str(details, "assetID")).size(), 4u);

    // The care plan's state: values with who recorded them.
    auto pain = message("/json/currentState.php?a=" + str(plan, "assetID")).object()->get("list").object()->get("Pain score");
    EXPECT_EQ(strs(pain, { "val", "user" }), (Texts { "2", QuindleServer::demoEmail }));
    EXPECT_FALSE(str(pain, "lastModified").empty());

    // A value goes to the person's document and stays in the organisation.
    const std::string roomEntry = room(mine);
    auto reply = message("/json/handleForm.php?f=" + roomEntry + "&c=" + who + "&name=Room&val=Room%2012&type=Text");
    EXPECT_EQ((Texts { str(reply, "resDocID"), str(reply.object()->get("list").object()->get("Room"), "val") }),
        (Texts { str(details, "assetID"), "Room 12" }));

    // Another organisation sees none of it and changes none of it.
    message("/json/currentState.php?a=" + str(details, "assetID"), 404, other);
    message("/json/start.php?a=" + str(details, "formID"), 404, other);
    message("/json/handleForm.php?f=" + roomEntry + "&c=" + who + "&name=Room&val=Gone&type=Text", 404, other);
    EXPECT_EQ(str(message("/json/currentState.php?a=" + str(details, "assetID")).object()->get("list").object()->get("Room"), "val"), "Room 12");
}

// One organisation's care data against another's -------------------------------------------

namespace {

// A legacy-range id that names nothing.
constexpr const char* unknownId = "1999999999";

struct Request {
    const char* target; ///< {A.x} names organisation A's ids, {B.x} organisation B's
    bool positive;      ///< organisation A's own request (all {B.x} read as {A.x}) succeeds
};

// Every care endpoint; requests naming several ids try each one as A's.
const Request requests[] = {
    { "start.php?a={A.person}", true }, { "start.php?a={A.doc}", true },
    { "start.php?a={A.form}", true }, { "currentState.php?a={A.doc}", true },
    { "handleForm.php?f={A.entry}&c={A.person}&name=Weight&val=1&type=Number", true },
    { "handleForm.php?f={B.entry}&c={A.person}&name=Weight&val=1&type=Number", false },
    { "handleForm.php?f={A.entry}&c={B.person}&name=Weight&val=1&type=Number", false },
    { "setFormValueForDocument.php?parentID={A.doc}&name=Weight&val=1&type=Number", true },
    { "setTimedObject.php?a={A.doc}&o={A.entry}&date=2027-01-01%2010:00:00&val=x", true },
    { "setTimedObject.php?a={B.doc}&o={A.entry}&date=2027-01-01%2010:00:00&val=x", false },
    { "setTimedObject.php?a={A.doc}&o={B.entry}&date=2027-01-01%2010:00:00&val=x", false },
    { "setAction.php?a={A.action}&date=2027-01-01%2010:00:00&devID={A.device}&val=1", true },
    { "setAction.php?a={B.action}&date=2027-01-01%2010:00:00&devID={A.device}&val=1", false },
    { "setAction.php?a={A.action}&date=2027-01-01%2010:00:00&devID={B.device}&val=1", false }, { "Naked.php?a={A.doc}", true },
    { "addAsset.php?assetID={A.form}&name=Extra&type=Text", true }, { "addAsset.php?assetID={A.site}&name=Tour&type=YoutubeVideo&asVal=x", false },
    { "setName.php?a={A.person}&name=Renamed", true }, { "setName.php?a={A.entry}&name=Renamed", false },
    { "setName.php?a={A.site}&name=Renamed", false }, { "resetImage.php?a={A.entry}", true },
    { "resetImage.php?a={A.site}", false }, { "setImage.php?dir=x&a={A.entry}", true },
    { "getFoodAllergy.php?a={A.doc}", true }, { "setFoodAllergy.php?a={A.doc}&i={A.ingredient}&s=1", true },
    { "setFoodAllergy.php?a={B.doc}&i={A.ingredient}&s=1", false }, { "setFoodAllergy.php?a={A.doc}&i={B.ingredient}&s=1", false },
    { "getMenu.php?a={A.meals}", true }, { "setMealObject.php?a={A.person}&name=Lunch&date=2026-12-08&o={A.dish}", true },
    { "setMealObject.php?a={B.person}&name=Lunch&date=2026-12-08&o={A.dish}", false },
    { "setMealObject.php?a={A.person}&name=Lunch&date=2026-12-08&o={B.dish}", false },
};

// Replies that list rows; {B.x} is the caller's own.
const char* const lists[] = { "start.php", "devices.php", "ingredientsList.php", "currentUserOverdueActions.php",
    "getFoodAllergy.php?a={B.doc}", "getMenu.php?a={B.meals}" };

} // namespace

class CareWallTest : public ServerFixture {
protected:
    std::unique_ptr<Storage> db() { return SqliteStorage::open(databasePath()); }

    /// One id of each kind that organisation `email` owns, keyed "{X.kind}" with X = `side`.
    void collectIds(const std::string& email, const std::string& side)
    {
        auto storage = db();
        const int64_t org = Accounts(*storage).idOf(email).value_or(0);
        auto one = [&](const std::string& key, const std::string& sql) {
            auto rows = storage->query(sql, { org });
            ASSERT_FALSE(rows.empty()) << key;
            ids["{" + side + "." + key + "}"] = Storage::text(rows[0][0]);
        };
        const std::string owned = " JOIN legacy_ids i ON i.id = t.id WHERE i.org_id = ?";
        one("person", "SELECT t.id FROM legacy_people t" + owned + " ORDER BY t.id");
        one("form", "SELECT t.id FROM legacy_forms t" + owned + " AND t.name = 'Daily care'");
        one("meals", "SELECT t.id FROM legacy_forms t" + owned + " AND t.name = 'Meals'");
        one("doc", "SELECT t.id FROM legacy_documents t JOIN legacy_forms f ON f.id = t.form_id" + owned
                + " AND f.name = 'Daily care' ORDER BY t.id");
        one("entry", "SELECT t.id FROM legacy_entries t" + owned + " AND t.name = 'Weight'");
        one("action", "SELECT t.id FROM legacy_records t" + owned + " AND t.type = 'Action' ORDER BY t.id");
        one("device", "SELECT t.id FROM legacy_devices t" + owned);
        one("ingredient", "SELECT t.id FROM legacy_ingredients t" + owned);
        one("dish", "SELECT t.id FROM legacy_dishes t" + owned);
        one("site", "SELECT tabbar_id FROM content_sites WHERE owner_id = ?");
        if (side == "A") {
            for (auto& row : storage->query("SELECT id FROM legacy_ids WHERE org_id = ?", { org }))
                idsOfA.push_back(Storage::text(row[0]));
            for (auto& row : storage->query("SELECT t.name FROM legacy_people t" + owned, { org }))
                namesOfA.push_back(std::get<std::string>(row[0]));
        }
    }

    /// `target` as a path, its placeholders filled from `with`.
    std::string fill(std::string target, const std::map<std::string, std::string>& with) const
    {
        for (auto& [key, value] : with)
            for (size_t at; (at = target.find(key)) != std::string::npos;)
                target.replace(at, key.size(), value);
        return "/json/" + target;
    }

    /// The ids with each of `side`'s replaced by `by(key)`.
    std::map<std::string, std::string> replacing(const std::string& side, const std::function<std::string(const std::string&)>& by) const
    {
        auto with = ids;
        for (auto& [key, value] : with)
            if (key.rfind("{" + side + ".", 0) == 0)
                value = by(key);
        return with;
    }

    httplib::Result call(const std::string& target, const std::string& token)
    {
        if (target.find("/setImage.php") == std::string::npos)
            return client->Get(target.c_str(), tokenHeaders(token));
        std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(300, '\x01') + std::string("\xFF\xD9", 2);
        httplib::MultipartFormDataItems items { { "uploaded", jpeg, "image.jpg", "image/jpeg" } };
        return client->Post(target.c_str(), tokenHeaders(token), items);
    }

    /// Every row of the care tables and of the content items, in a fixed order.
    std::string snapshot()
    {
        auto storage = db();
        std::ostringstream out;
        for (const char* table : { "legacy_ids", "legacy_forms", "legacy_people", "legacy_documents", "legacy_entries",
                 "legacy_records", "legacy_history", "legacy_devices", "legacy_ingredients", "legacy_allergies",
                 "legacy_dishes", "legacy_dish_ingredients", "legacy_orders", "content_assets" }) {
            out << table << '\n';
            for (auto& row : storage->query(std::string("SELECT * FROM ") + table + " ORDER BY 1, 2")) {
                for (auto& v : row)
                    out << (Storage::isNull(v) ? "NULL" : Storage::text(v)) << '|';
                out << '\n';
            }
        }
        return out.str();
    }

    /// A's ids answer as unknown ids for the caller, and its lists hold nothing of A's.
    void expectWalledOff(const std::string& token, const std::string& who)
    {
        for (const Request& request : requests) {
            auto refused = call(fill(request.target, ids), token);
            auto unknown = call(fill(request.target, replacing("A", [](const std::string&) { return unknownId; })), token);
            ASSERT_TRUE(refused && unknown) << who << ' ' << request.target;
            EXPECT_EQ(refused->status, 404) << who << ' ' << request.target << ' ' << refused->body;
            EXPECT_EQ(refused->status, unknown->status) << who << ' ' << request.target;
            EXPECT_EQ(refused->body, unknown->body) << who << ' ' << request.target;
        }
        for (const char* list : lists) {
            auto reply = call(fill(list, ids), token);
            ASSERT_TRUE(reply) << who << ' ' << list;
            for (auto& id : idsOfA)
                EXPECT_EQ(reply->body.find('"' + id + '"'), std::string::npos) << who << ' ' << list << " shows " << id;
            for (auto& name : namesOfA)
                EXPECT_EQ(reply->body.find(name), std::string::npos) << who << ' ' << list << " shows " << name;
        }
    }

    std::map<std::string, std::string> ids;
    std::vector<std::string> idsOfA, namesOfA;
};

TEST_F(CareWallTest, OrganisationsReachOnlyTheirOwnCareDataAndRootReachesAll)
{
    collectIds(QuindleServer::demoEmail, "A");
    collectIds(ContentDemo::secondEmail, "B");
    ASSERT_FALSE(idsOfA.empty());
    const std::string tokenA = login(), tokenB = login(ContentDemo::secondEmail, ContentDemo::secondPassword);
    ASSERT_FALSE(tokenA.empty() || tokenB.empty());
    const std::string tokenNew = registerAndLogin("new@example.org", "pw-new");

    // B's own lists are not empty, so the checks on them below can fail.
    auto ownPeople = call("/json/start.php", tokenB);
    ASSERT_TRUE(ownPeople);
    EXPECT_NE(ownPeople->body.find('"' + ids["{B.person}"] + '"'), std::string::npos) << ownPeople->body;

    const std::string before = snapshot();
    expectWalledOff(tokenB, "B");
    expectWalledOff(tokenNew, "new account");
    EXPECT_EQ(snapshot(), before);
    auto nothing = call("/json/start.php", tokenNew);
    ASSERT_TRUE(nothing);
    EXPECT_NE(nothing->body.find("\"list\":[]"), std::string::npos) << nothing->body;

    // A's own requests succeed; a root user reaches both organisations.
    const auto ownIds = replacing("B", [&](const std::string& key) { return ids.at("{A." + key.substr(3)); });
    for (const Request& request : requests) {
        if (!request.positive)
            continue;
        auto reply = call(fill(request.target, ownIds), tokenA);
        EXPECT_EQ(status(reply), 200) << request.target << ' ' << (reply ? reply->body : "");
    }
    EXPECT_NE(snapshot(), before);

    ASSERT_TRUE(Accounts(*db()).create("root@example.org", "pw-root", true));
    const std::string tokenRoot = login("root@example.org", "pw-root");
    ASSERT_FALSE(tokenRoot.empty());
    auto everyone = call("/json/start.php", tokenRoot);
    ASSERT_TRUE(everyone);
    for (const char* person : { "{A.person}", "{B.person}" })
        EXPECT_NE(everyone->body.find('"' + ids[person] + '"'), std::string::npos) << everyone->body;
    for (const char* side : { "A", "B" }) {
        const std::string doc = ids[std::string("{") + side + ".doc}"];
        EXPECT_EQ(status(call("/json/currentState.php?a=" + doc, tokenRoot)), 200) << side;
        EXPECT_EQ(status(call("/json/setFormValueForDocument.php?parentID=" + doc + "&name=Notes&val=root&type=Text", tokenRoot)), 200) << side;
    }
}

// Care rows from before organisations existed go to the only site's owner, or to no one.
TEST(CareWallUpgrade, OldRowsGoToTheOnlySiteOwnerElseToNoOrganisation)
{
    for (int sites : { 1, 2 }) {
        auto storage = SqliteStorage::open(":memory:");
        ASSERT_TRUE(storage);
        ContentStore content(*storage);
        content.migrate();
        for (int i = 1; i <= sites; ++i)
            content.createSite(40 + i, "Home " + std::to_string(i), "Start");
        // The first legacy step alone stands in for a database made before the organisation step.
        storage->migrate("legacy", { "CREATE TABLE legacy_ids (id INTEGER PRIMARY KEY, kind TEXT NOT NULL)" });
        storage->execute("INSERT INTO legacy_ids (id, kind) VALUES (5, 'person')");
        LegacyStore store(*storage);
        store.migrate();
        auto owner = storage->query("SELECT org_id FROM legacy_ids WHERE id = 5");
        ASSERT_EQ(owner.size(), 1u);
        if (sites == 1)
            EXPECT_EQ(owner[0][0], SqlValue(int64_t(41)));
        else
            EXPECT_EQ(owner[0][0], SqlValue());
        EXPECT_EQ(store.kindOf(5, { 41, false }), sites == 1 ? LegacyStore::Kind::Person : LegacyStore::Kind::None);
        EXPECT_EQ(store.kindOf(5, { 0, true }), LegacyStore::Kind::Person);
    }
}
