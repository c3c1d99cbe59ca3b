// The graph page over real HTTP on the demo data: one chart a key, the key asked for, and the
// checks on who asks for what.
#include "server/ContentDemo.h"
#include "server/ServerFixture.h"

#include <gtest/gtest.h>
#include <httplib.h>

using namespace quindle;

namespace {

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class LegacyHistoryTest : public test::ServerFixture {
protected:
    void SetUp() override
    {
        test::ServerFixture::SetUp();
        token = login();
        ASSERT_FALSE(token.empty());
        auto people = JsonParser::parse(client->Get("/json/start.php", tokenHeaders(token))->body);
        person = people->object()->get("Message").object()->get("list").array()->at(0).object()->get("assetID").asString();
        auto docs = JsonParser::parse(client->Get(("/json/start.php?a=" + person).c_str(), tokenHeaders(token))->body);
        for (auto& d : *docs->object()->get("Message").object()->get("list").array())
            if (d.object()->get("name").asString() == "Daily care")
                document = d.object()->get("assetID").asString();
        ASSERT_FALSE(document.empty());
    }
    httplib::Result page(const std::string& query, const std::string& as)
    {
        return client->Get(("/json/Naked.php" + query).c_str(), as.empty() ? httplib::Headers {} : tokenHeaders(as));
    }
    std::string token, person, document;
};

} // namespace

TEST_F(LegacyHistoryTest, OneChartAKeyWithAxesAndDates)
{
    auto r = page("?a=" + document, token);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
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
}

TEST_F(LegacyHistoryTest, TheKeyAskedForOnly)
{
    struct Case {
        const char* key;
        size_t charts;
        const char* shows;
    } cases[] = {
        { "Weight", 1, ">Weight</h3>" },
        { "Fluid%20intake%20%28ml%29", 1, ">Fluid intake (ml)</h3>" },
        { "Notes", 0, "No recorded numbers for Notes" },
        { "%3Cb%3E", 0, "No recorded numbers for &lt;b&gt;" },
    };
    for (const Case& c : cases) {
        auto r = page("?a=" + document + "&key=" + c.key, token);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, 200) << c.key;
        EXPECT_EQ(count(r->body, "<svg"), c.charts) << c.key;
        EXPECT_NE(r->body.find(c.shows), std::string::npos) << c.key;
    }
}

TEST_F(LegacyHistoryTest, RefusesBadInputStrangersAndOtherHomes)
{
    const std::string other = login(ContentDemo::secondEmail, ContentDemo::secondPassword);
    ASSERT_FALSE(other.empty());
    struct Case {
        std::string query;
        std::string as;
        int status;
    } cases[] = {
        { "", token, 400 },
        { "?a=abc", token, 400 },
        { "?a=-3", token, 400 },
        { "?a=99999999", token, 404 },
        { "?a=" + person, token, 404 }, // a person, not a document
        { "?a=" + document, other, 404 },
        { "?a=" + document, "", 401 },
        { "?a=" + document + "&key=" + std::string(5000, 'k'), token, 400 },
    };
    for (const Case& c : cases) {
        auto r = page(c.query, c.as);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, c.status) << c.query;
        auto body = JsonParser::parse(r->body);
        EXPECT_TRUE(body && body->isObject()) << c.query << " " << r->body;
    }
}
