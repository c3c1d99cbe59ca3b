// What the form engine sends and how it takes the replies: exact addresses against a recording
// server, and a typed value read back whole from the reference server.
#include "forms/FormEngine.h"

#include "content/ContentFixture.h"
#include "platform/JsonParser.h"
#include "server/QuindleServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <regex>

using namespace quindle;
using namespace quindle::test;

namespace {

JsonArrayPtr list(const char* json) { return JsonParser::parse(json)->array(); }
JsonObjectPtr dict(const std::string& json) { return JsonParser::parse(json)->object(); }

const char* entries = R"([{"name":"Weight","type":"Number","assetID":"11"},{"name":"Choice","type":"Select","assetID":"12"},
    {"name":"Reminder","type":"Derived","title":"6","val":"Weigh {Weight} and {Other}","assetID":"13"},
    {"name":"Alert","type":"Action","title":"Weight > 75","nTrigger":"Check {Weight} at noon","assetID":"14"},
    {"name":"Quiet","type":"Action","title":"1 > 0","nTrigger":"never","assetID":"15"}])";

std::string decode(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::strtol(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

class FormEngineRequests : public ReferenceServerFixture {
protected:
    std::shared_ptr<FormEngine> form(FormKind kind, const std::string& state)
    {
        auto engine = FormEngine::create(kind, list(entries), dict(state));
        engine->setResID("7");
        engine->setResDocID("99");
        engine->setAssetID("42");
        engine->setReloadHandler([this] { ++reloads; });
        return engine;
    }
    /// The one recorded request to this script; its query after `prefix` is checked by the caller.
    std::vector<std::string> targets(std::string_view script)
    {
        std::vector<std::string> out;
        for (auto& request : server.requests())
            if (request.path == "/json/" + std::string(script))
                out.push_back(request.target);
        return out;
    }
    /// The date of a query that holds "&date=...&", as a distance from now in seconds.
    static long secondsFromNow(const std::string& target)
    {
        size_t from = target.find("&date=") + 6;
        auto date = Model::dateFromServerDateString(decode(target.substr(from, target.find('&', from) - from)));
        EXPECT_TRUE(date) << target;
        return date ? long(std::chrono::duration_cast<std::chrono::seconds>(*date - DateFormat::now()).count()) : -1000000;
    }
    static std::string withoutDate(const std::string& target)
    {
        size_t from = target.find("&date=");
        return target.substr(0, from) + target.substr(target.find('&', from + 1));
    }

    ShellGuard shell; // the default shell operations send through Model
    int reloads = 0;
};

} // namespace

TEST_F(FormEngineRequests, ResidentEditSendsTimedObjectsActionsAndTheValue)
{
    auto past = Model::serverDateStringForDate(DateFormat::now() - std::chrono::minutes(5));
    server.setResponder([](const RecordedRequest& request) {
        if (request.path == "/json/handleForm.php")
            return json(R"({"Message":{"list":{"Weight":{"val":"80","type":"Number"}}}})");
        return json("{}");
    });
    auto engine = form(FormKind::Resident, R"({"Weight":{"val":"70","type":"Number"},
        "Due":{"type":"Derived","date":")" + past + R"(","val":"Weight * 2","nTrigger":"Double"},
        "Act":{"type":"Action","title":"Weight > 1","assetID":"55","linkID":"66","val":"2","user":null,"date":")" + past + R"("}})");
    engine->setValue("80", 0);
    EXPECT_EQ(engine->formValueForKey("Double"), "160");
    EXPECT_TRUE(engine->isUnsaved("Weight"));
    ASSERT_TRUE(server.waitForRequests(4));
    settle();

    EXPECT_EQ(targets("handleForm.php"), (std::vector<std::string> { "/json/handleForm.php?f=11&c=7&name=Weight&val=80&type=Number" }));
    auto timed = targets("setTimedObject.php");
    ASSERT_EQ(timed.size(), 2u); // not the action whose title names no changed key
    if (timed[0].find("&o=13&") == std::string::npos)
        std::swap(timed[0], timed[1]);
    EXPECT_EQ(withoutDate(timed[0]), "/json/setTimedObject.php?a=99&o=13&val=6&trigger=Weigh%2080.0%20and%20%7BOther%7D");
    EXPECT_NEAR(secondsFromNow(timed[0]), 86400, 5);
    // The action's title names no interval, so it falls due now; its trigger reads the bare local record.
    EXPECT_EQ(withoutDate(timed[1]), "/json/setTimedObject.php?a=99&o=14&val=Weight%20%3E%2075&trigger=Check%2080%20at%20noon");
    EXPECT_NEAR(secondsFromNow(timed[1]), 0, 5);
    auto actions = targets("setAction.php");
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(withoutDate(actions[0]), "/json/setAction.php?a=55&devID=66&val=2");
    // The action's date goes through the legacy escaping alone: the space escaped, ":" kept.
    EXPECT_TRUE(std::regex_search(actions[0], std::regex("&date=\\d{4}-\\d\\d-\\d\\d%20\\d\\d:\\d\\d:\\d\\d&"))) << actions[0];
    EXPECT_NEAR(secondsFromNow(actions[0]), 3600, 5);

    EXPECT_EQ(engine->formValueForKey("Weight"), "80.0");
    EXPECT_FALSE(engine->isUnsaved("Weight"));
    EXPECT_EQ(reloads, 1);

    engine->setValue("Option B", 1, "2");
    ASSERT_TRUE(server.waitForRequests(5));
    settle();
    EXPECT_EQ(targets("handleForm.php").back(), "/json/handleForm.php?f=12&c=7&name=Choice&val=Option%20B&type=Select&index=2");
}

TEST_F(FormEngineRequests, DocumentEditSendsOnlyTheValue)
{
    server.setResponder([](const RecordedRequest&) { return json(R"({"Message":{"dict":{"Weight":{"val":"80","type":"Number"}}}})"); });
    auto engine = form(FormKind::Document, R"({"Weight":{"val":"70","type":"Number"}})");
    EXPECT_EQ(engine->numberOfRows(), 5u);
    engine->setState(1, 0);
    ASSERT_TRUE(server.waitForRequests(1));
    settle();
    EXPECT_EQ(onlyRequest().target, "/json/setFormValueForDocument.php?parentID=42&name=Weight&val=1&type=Number");
    EXPECT_EQ(engine->formValueForKey("Weight"), "80.0");
    EXPECT_FALSE(engine->isUnsaved("Weight"));
}

TEST_F(FormEngineRequests, AValueTheServerDidNotTakeStaysUnsavedUntilSentAgain)
{
    const Reply failures[] = { json("{}", 500), json(R"({"Message":{"list":null}})"), json(R"({"Message":{"dict":{}}})"), json("not json") };
    for (const Reply& failure : failures) {
        server.setResponder([failure](const RecordedRequest&) { return failure; });
        auto engine = form(FormKind::Resident, R"({"Weight":{"val":"70","type":"Number"}})");
        engine->setValue("81", 0);
        settle();
        EXPECT_TRUE(engine->isUnsaved("Weight")) << failure.body;
        EXPECT_EQ(engine->unsavedValue("Weight"), "81");
        EXPECT_EQ(engine->formValueForKey("Weight"), "81"); // the local value stays, as a bare record
        EXPECT_EQ(reloads, 1);
        reloads = 0;

        server.setResponder([](const RecordedRequest&) { return json(R"({"Message":{"list":{"Weight":{"val":"81"}}}})"); });
        engine->setValue(*engine->unsavedValue("Weight"), 0);
        settle();
        EXPECT_FALSE(engine->isUnsaved("Weight"));
        reloads = 0;
    }
    // A reply for an engine that is gone is dropped.
    auto engine = form(FormKind::Resident, "{}");
    engine->setValue("1", 0);
    engine.reset();
    settle();
    EXPECT_EQ(reloads, 0);
}

TEST_F(FormEngineRequests, ATypedValueReachesTheReferenceServerWhole)
{
    useReferenceServer();
    Collector login;
    model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
    ASSERT_TRUE(login.waitFor(1));
    auto fetch = [](const std::string& script) {
        Collector got;
        model().requestWithURL(model().legacyBaseURL() + script, got.handler());
        Outcome outcome = got.single();
        return outcome.content && outcome.content->isObject() ? outcome.content->object() : nullptr;
    };
    auto people = fetch("start.php");
    ASSERT_TRUE(people && people->get("list").array());
    auto person = people->get("list").array()->at(0).object()->get("assetID").asString();
    std::string document;
    auto documents = fetch("start.php?a=" + person);
    ASSERT_TRUE(documents && documents->get("list").array());
    for (auto& doc : *documents->get("list").array())
        if (doc.object()->get("name").asString() == "Daily care")
            document = doc.object()->get("assetID").asString();
    ASSERT_FALSE(document.empty());

    const std::string typed = "a&b=c d/e:f+g%h?i#j";
    auto engine = FormEngine::create(FormKind::Document, list(R"([{"name":"Note & more","type":"Text"}])"), JsonObject::create());
    engine->setAssetID(document);
    engine->setValue(typed, 0);
    settle();
    EXPECT_FALSE(engine->isUnsaved("Note & more"));
    EXPECT_EQ(engine->formValueForKey("Note & more"), typed);
    auto state = fetch("currentState.php?a=" + document);
    ASSERT_TRUE(state && state->get("list").object());
    EXPECT_EQ(state->get("list").object()->get("Note & more").object()->get("val").asString(), typed);
}
