// The resident forms of the demo over real HTTP: the profile form by its fixed id, links that
// open sub-forms and menus, recorded values, and another organisation kept out.
#include "server/ContentDemo.h"
#include "server/LegacyResidentForms.h"
#include "server/ServerFixture.h"

#include "platform/JsonParser.h"

#include <gtest/gtest.h>
#include <httplib.h>

using namespace quindle;

namespace {

class ResidentForms : public test::ServerFixture {
protected:
    void SetUp() override
    {
        test::ServerFixture::SetUp();
        token = login();
        other = login(ContentDemo::secondEmail, ContentDemo::secondPassword);
        ASSERT_FALSE(token.empty());
        ASSERT_FALSE(other.empty());
    }
    JsonObjectPtr message(const std::string& target, int expected = 200, const std::string& as = "")
    {
        auto r = client->Get(target.c_str(), tokenHeaders(as.empty() ? token : as));
        EXPECT_TRUE(r);
        if (!r)
            return nullptr;
        EXPECT_EQ(r->status, expected) << target << " " << r->body;
        auto v = JsonParser::parse(r->body);
        EXPECT_TRUE(v && v->isObject()) << r->body;
        return v && v->isObject() && v->object()->get("Message").isObject() ? v->object()->get("Message").object() : nullptr;
    }
    static std::string s(const JsonObjectPtr& o, const char* k) { return o && o->get(k).isString() ? o->get(k).asString() : ""; }
    static JsonObjectPtr named(const JsonObjectPtr& reply, const std::string& name)
    {
        for (auto& item : reply->get("list").array()->items())
            if (s(item.object(), "name") == name)
                return item.object();
        return nullptr;
    }
    /// The first person's document of a form, by the form's name.
    JsonObjectPtr doc(const std::string& form, const std::string& as = "")
    {
        auto people = message("/json/start.php", 200, as);
        auto person = s(people->get("list").array()->at(0).object(), "assetID");
        return named(message("/json/start.php?a=" + person, 200, as), form);
    }
    std::string token, other;
};

} // namespace

TEST_F(ResidentForms, ProfileFormIdOpensEachOrganisationsOwnPersonnelDetails)
{
    auto mine = message("/json/start.php?a=231");
    auto theirs = message("/json/start.php?a=231", 200, other);
    ASSERT_TRUE(mine && theirs);
    EXPECT_EQ(s(mine, "title"), "Personnel Details");
    EXPECT_EQ(s(theirs, "title"), "Personnel Details");
    std::vector<std::string> types;
    for (auto& e : mine->get("list").array()->items())
        types.push_back(s(e.object(), "type"));
    EXPECT_EQ(types, (std::vector<std::string> { "Text", "Text", "Select", "Text", "Bool", "Image" }));
    EXPECT_NE(s(named(mine, "Room"), "assetID"), s(named(theirs, "Room"), "assetID"));
    // The profile document is one of each person's documents, with its values recorded.
    auto details = doc("Personnel Details");
    ASSERT_TRUE(details);
    auto state = message("/json/currentState.php?a=" + s(details, "assetID"));
    EXPECT_EQ(s(state->get("list").object()->get("Room").object(), "val"), "Room 9"); // Arthur Penrose, first by name
    EXPECT_FALSE(state->get("modified").isNull());
}

TEST_F(ResidentForms, LinkEntriesCarryTheFormTheyOpen)
{
    auto plan = doc("Care plan");
    auto chart = doc("Weights chart");
    auto details = doc("Personnel Details");
    ASSERT_TRUE(plan && chart && details);
    auto entries = message("/json/start.php?a=" + s(plan, "formID"));
    ASSERT_TRUE(entries);
    struct Case {
        const char* name;
        const char* type;
        std::string form;
    };
    for (const Case& c : { Case { "Weights chart", "Form", s(chart, "formID") }, Case { "Personnel Details", "Document", s(details, "formID") } }) {
        auto link = named(entries, c.name);
        ASSERT_TRUE(link) << c.name;
        EXPECT_EQ(s(link, "type"), c.type);
        EXPECT_EQ(s(link, "assetID"), c.form);
        EXPECT_EQ(s(message("/json/start.php?a=" + c.form), "title"), c.name);
    }
    auto lunch = named(entries, "Lunch");
    ASSERT_TRUE(lunch);
    auto menu = message("/json/getMenu.php?a=" + s(lunch, "assetID") + "&p=" + s(details, "assetID"));
    ASSERT_TRUE(menu && menu->get("list").isArray());
    EXPECT_EQ(menu->get("list").array()->size(), 4u);

    // The care plan's state: values with who recorded them.
    auto state = message("/json/currentState.php?a=" + s(plan, "assetID"))->get("list").object();
    auto pain = state->get("Pain score").object();
    EXPECT_EQ(s(pain, "val"), "2");
    EXPECT_FALSE(s(pain, "lastModified").empty());
    EXPECT_EQ(s(pain, "user"), QuindleServer::demoEmail);
}

TEST_F(ResidentForms, ValuesGoToThePersonsDocumentAndStayInTheOrganisation)
{
    auto details = doc("Personnel Details");
    auto entries = message("/json/start.php?a=231");
    auto people = message("/json/start.php");
    const std::string person = s(people->get("list").array()->at(0).object(), "assetID");
    const std::string room = s(named(entries, "Room"), "assetID");
    auto reply = message("/json/handleForm.php?f=" + room + "&c=" + person + "&name=Room&val=Room%2012&type=Text");
    ASSERT_TRUE(reply);
    EXPECT_EQ(s(reply, "resDocID"), s(details, "assetID"));
    EXPECT_EQ(s(reply->get("list").object()->get("Room").object(), "val"), "Room 12");

    // Another organisation sees none of it and changes none of it.
    message("/json/currentState.php?a=" + s(details, "assetID"), 404, other);
    message("/json/start.php?a=" + s(details, "formID"), 404, other);
    message("/json/handleForm.php?f=" + room + "&c=" + person + "&name=Room&val=Gone&type=Text", 404, other);
    message("/json/start.php?a=23x", 400);
    EXPECT_EQ(s(message("/json/currentState.php?a=" + s(details, "assetID"))->get("list").object()->get("Room").object(), "val"), "Room 12");
}
