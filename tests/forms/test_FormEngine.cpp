// The expression language, the form engine without a server, history snapshots, and what the
// engine sends (exact addresses) and how it takes the replies, down to the reference server.
#include "forms/Expression.h"
#include "forms/FormEngine.h"
#include "forms/HistorySnapshot.h"
#include "forms/fuzz/ExpressionOracle.h"

#include "CareFixture.h"
#include "content/FollowUpInterval.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

using namespace quindle;
using namespace quindle::test;

namespace {

std::shared_ptr<FormEngine> engine(const char* entries, const char* state, FormKind kind = FormKind::Document)
{
    return FormEngine::create(kind, list(entries), dict(state));
}

std::vector<std::string> names(const std::vector<JsonObjectPtr>& entries)
{
    std::vector<std::string> out;
    for (auto& entry : entries)
        out.push_back(entry->get("name").asString());
    return out;
}

/// A snapshot's records as "key=value" in key order.
std::string values(const JsonObjectPtr& state)
{
    std::map<std::string, std::string> sorted;
    for (auto& [key, record] : *state)
        sorted[key] = record.object()->get("val").asString();
    std::string out;
    for (auto& [key, value] : sorted)
        out += (out.empty() ? "" : ",") + key + "=" + value;
    return out;
}

const char* entries = R"([{"name":"Weight","type":"Number","assetID":"11"},{"name":"Choice","type":"Select","assetID":"12"},
    {"name":"Reminder","type":"Derived","title":"6","val":"Weigh {Weight} and {Other}","assetID":"13"},
    {"name":"Alert","type":"Action","title":"Weight > 75","nTrigger":"Check {Weight} at noon","assetID":"14"},
    {"name":"Quiet","type":"Action","title":"1 > 0","nTrigger":"never","assetID":"15"}])";

class FormEngineRequests : public CareFixture {
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
    static std::string withoutDate(const std::string& target)
    {
        size_t from = target.find("&date=");
        return target.substr(0, from) + target.substr(target.find('&', from + 1));
    }

    int reloads = 0;
};

} // namespace

// What parses to a number or string shows as text; what does not parse, divides by zero, names
// an unknown key or selector or overflows yields no number and is never true.
TEST(Expression, EvaluatesWhatParsesAndYieldsNothingElse)
{
    const std::pair<const char*, const char*> cases[] = {
        { "72.0 / (1.8 * 1.8)", "22.22222222222222" }, { "1 + 2 * 3 - 4 / 2", "5" }, { "-(2 - 5) * -1", "-3" }, { "10 - 2 - 3", "5" },
        { "FUNCTION(FUNCTION(12.0 , 'greaterThan:', 10), 'and:', FUNCTION(1.0 , 'smallerThanEqual:', 2))", "1" },
        { "FUNCTION(3, 'factorial:', 1)", "7" }, { "FUNCTION(5, 'factorial:', 0)", "120" }, { "FUNCTION(0, 'and:', undefined)", "0" },
        { "FUNCTION(2, 'smallerThan:', 2)", "0" }, { "FUNCTION(2, 'greaterThanEqual:', '2')", "1" },
        { "FUNCTION('Yes', \"dd_isEqual:\", 'Yes')", "1" }, { "FUNCTION('Yes', 'dd_isEqual:', 'No')", "0" }, { "'a string'", "a string" },
        { "1e+20 * 10", "1e+21" }, { ".5 + 0.25", "0.75" }, { "(((1))) + 1", "2" },
    };
    for (auto& [text, expected] : cases) {
        auto value = Expression::evaluate(text);
        EXPECT_EQ(value ? Expression::text(*value) : "(nothing)", expected) << text;
    }
    const char* const failures[] = {
        "", "1 +", "(1", "1)", "2 / 0", "2 / (1 - 1)", "Weight", "Weight > 3", "1 2", "'open", "'a' + 1", "-'a'",
        "FUNCTION(1, 'noSuchSelector:', 2)", "FUNCTION(1, smallerThan, 2)", "FUNCTION('a', 'smallerThan:', 2)",
        "FUNCTION(1, 'and:', nothing)", "FUNCTION(200, 'factorial:', 0)", "1e308 * 10", "1 # 2",
        "7e308", "-1e999", "FUNCTION(1e999, 'greaterThan:', 1)",
    };
    for (const char* text : failures) {
        auto value = Expression::evaluate(text);
        EXPECT_FALSE(value && std::holds_alternative<double>(*value)) << text;
        EXPECT_FALSE(Expression::isTrue(value)) << text;
    }
    // Deep nesting and long chains are refused, not a crash.
    EXPECT_FALSE(Expression::evaluate(std::string(5000, '(') + "1" + std::string(5000, ')')));
    std::string chain = "1";
    for (int i = 0; i < 5000; ++i)
        chain += "+1";
    EXPECT_FALSE(Expression::evaluate(chain));
}

// The fuzzer's seeds and finds replay here too, so a build without clang still checks them.
TEST(Expression, CorpusKeepsTheFuzzOracle)
{
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(__FILE__).parent_path() / "corpus" / "expression")) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(fuzz::expressionProblem(text), "") << entry.path();
        ++files;
    }
    EXPECT_GE(files, 30u);
}

TEST(FormEngine, ValuesReadAndParsingSortsIntoLists)
{
    auto form = engine("[]", R"({"N":{"val":"72","type":"Number","lastModified":"2024-01-02 10:00:00","user":"ann","myindex":"2"},
        "D":{"val":"72.5","type":"Number"},"T":{"val":"72","type":"Text"},"E":{"val":"","type":"Number"},"S":"not a record"})");
    const std::pair<const char*, const char*> cases[] = { { "N", "72.0" }, { "D", "72.5" }, { "T", "72" }, { "E", "" }, { "S", "" }, { "Missing", "" } };
    for (auto& [key, expected] : cases)
        EXPECT_EQ(form->formValueForKey(key), expected) << key;
    EXPECT_EQ(form->formModForKey("N").asString() + "|" + form->formUserForKey("N").asString() + "|" + form->formIndexForKey("N").asString(),
        "2024-01-02 10:00:00|ann|2");
    EXPECT_TRUE(form->formUserForKey("D").isNull() && form->formModForKey("Missing").isNull());

    // Parsing sorts entries and records into their lists.
    auto past = Model::serverDateStringForDate(DateFormat::now() - std::chrono::minutes(1));
    auto future = Model::serverDateStringForDate(DateFormat::now() + std::chrono::hours(1));
    std::string state = R"({"Due":{"type":"Action","user":null,"date":")" + past + R"("},
        "Later":{"type":"Action","user":null,"date":")" + future + R"("},
        "Theirs":{"type":"Action","user":"bob","date":")" + past + R"("},
        "Nobody":{"type":"Action","date":")" + past + R"("},
        "Dated":{"type":"Derived","date":")" + past + R"(","val":"1","nTrigger":"X"},
        "Bad date":{"type":"Derived","date":"yesterday"}})";
    form = FormEngine::create(FormKind::Resident);
    form->setUser("ann");
    form->setObjects(list(R"([{"name":"A","type":"MenuItem"},{"name":"B","type":"Action","title":"1"},{"name":"C","type":"Derived","title":"6","val":"1"},
        {"name":"D","type":"Derived","title":"","val":"2"},{"name":"E","type":"Unknown"},{"name":"F","type":"Bool"}])"));
    form->setFormState(dict(state.c_str()));
    form->sortedKeys();
    form->parseForm();
    EXPECT_EQ(names(form->displayValues()), (std::vector<std::string> { "A", "F" }));
    EXPECT_EQ(names(form->datedConditionals()), (std::vector<std::string> { "C" }));
    EXPECT_EQ(names(form->actions()), (std::vector<std::string> { "B" }));
    EXPECT_EQ(form->resActions().size(), 4u);
    EXPECT_EQ(form->displayActions(), std::vector<JsonObjectPtr> { form->formState()->get("Due").object() });
    EXPECT_EQ(form->resDatedConditionals(), std::vector<JsonObjectPtr> { form->formState()->get("Dated").object() });
    EXPECT_FALSE(form->formState()->get("Bad date").object()->contains("ddate"));
    form->evaluateForm();
    EXPECT_EQ(names(form->displayValues()), (std::vector<std::string> { "A", "F", "D" }));
    EXPECT_EQ(form->numberOfRows(), 3u);
}

TEST(FormEngine, RewritesEvaluatesWaitsForMissingValuesAndEndsCycles)
{
    auto form = engine(R"j([{"name":"BMI","type":"Derived","val":"Weight / (Height * Height)"},
        {"name":"Risk","type":"Conditional","val":"Score > 10 AND Mobility <= 2","title":"High risk","nTrigger":"Risk level"},
        {"name":"Weight change","type":"Number"}])j",
        R"({"Weight":{"val":"72","type":"Number"},"Height":{"val":"1.8","type":"Number"},"Score":{"val":"12","type":"Number"},
            "Mobility":{"val":"1","type":"Number"},"Weight change":{"val":"3","type":"Number"}})");
    EXPECT_EQ(form->formValueForKey("BMI"), "22.22222222222222");
    EXPECT_EQ(form->formValueForKey("Risk level"), "High risk");
    EXPECT_EQ(names(form->derived("Weight")), (std::vector<std::string> { "BMI" }));
    const std::pair<const char*, const char*> cases[] = {
        { "Score > 10 AND Mobility <= 2", "FUNCTION(FUNCTION(12.0 , 'greaterThan:',  10), 'and:', FUNCTION(1.0 , 'smallerThanEqual:',  2))" },
        { "Weight change * 2", "3.0 * 2" },
        // More than one " AND " keeps every part; a chain of comparisons compares neighbours.
        { "1 AND 2 AND 0", "FUNCTION(1, 'and:', FUNCTION(2, 'and:', 0))" },
        { "1 < 2 <= 3", "FUNCTION(FUNCTION(1 , 'smallerThan:',  2 ), 'and:', FUNCTION( 2 , 'smallerThanEqual:',  3))" },
    };
    for (auto& [text, expected] : cases)
        EXPECT_EQ(*form->prepareString(std::string(text)), expected) << text;
    EXPECT_FALSE(form->prepareString(std::nullopt));
    EXPECT_EQ(*form->prepareTrigger(std::string("Check {Weight} at noon, Weight {Nope}")), "Check 72.0 at noon, Weight {Nope}");
    const std::pair<const char*, bool> truths[] = { { "1 AND 2 AND 0", false }, { "1 AND 2 AND 3", true }, { "1 < 2 < 3", true },
        { "3 < 2 < 5", false }, { "FUNCTION(3, 'factorial:', 1) > 6.5", true }, { "nonsense", false }, { "Weight / 0", false } };
    for (auto& [text, expected] : truths)
        EXPECT_EQ(Expression::isTrue(form->evaluateString(std::string(text))), expected) << text;

    // A missing value blocks until recorded; conditionals share a trigger.
    form = engine(R"([{"name":"Mobility","type":"Number"},
        {"name":"Risk","type":"Conditional","val":"Score > 10 AND Mobility <= 2","title":"High risk","nTrigger":"Risk level"}])",
        R"({"Score":{"val":"12","type":"Number"}})");
    EXPECT_EQ(form->formValueForKey("Risk level"), "");
    EXPECT_EQ(names(form->derived("Mobility")), (std::vector<std::string> { "Risk" }));
    EXPECT_EQ(form->numberOfRows(), 2u);
    form->formState()->set("Mobility", dict(R"({"val":"1"})"));
    form->evaluateForm();
    EXPECT_EQ(form->formValueForKey("Risk level"), "High risk");
    EXPECT_EQ(form->changedKeys(), (std::vector<std::string> { "Risk level" }));
    EXPECT_TRUE(form->shouldProcess("Risk level is set"));
    EXPECT_FALSE(form->shouldProcess("Score"));

    // Conditionals keep their record and list one row per trigger.
    form = engine(R"([{"name":"X","type":"Number"},{"name":"A","type":"Conditional","val":"X > 1","title":"first","nTrigger":"Note"},
        {"name":"B","type":"Conditional","val":"X > 0","title":"second","nTrigger":"Note"}])",
        R"({"X":{"val":"5","type":"Number"}})");
    EXPECT_EQ(form->formValueForKey("Note"), "second");
    EXPECT_EQ(names(form->displayValues()), (std::vector<std::string> { "X", "A" }));
    form->formState()->set("X", dict(R"({"val":"-1"})"));
    form->evaluateForm();
    EXPECT_EQ(form->formValueForKey("Note"), "second");
    EXPECT_EQ(form->displayValues().size(), 2u);

    // Failed expressions write and list nothing.
    for (const char* expression : { "Weight / 0", "Weight +", "Weight + nonsense", "'text'" }) {
        std::string derived = R"([{"name":"R","type":"Derived","val":")" + std::string(expression)
            + R"("},{"name":"C","type":"Conditional","val":")" + expression + R"(","title":"yes","nTrigger":"Flag"}])";
        form = engine(derived.c_str(), R"({"Weight":{"val":"72","type":"Number"}})");
        EXPECT_FALSE(form->formState()->contains("R")) << expression;
        EXPECT_FALSE(form->formState()->contains("Flag")) << expression;
        EXPECT_TRUE(form->displayValues().empty()) << expression;
    }

    // Each cycle ends: a member runs once per write of a key it reads and is not run again from
    // inside its own wave.
    struct Case { const char *name, *entries, *state; std::vector<std::pair<const char*, const char*>> expected; };
    const Case cycles[] = {
        { "direct", R"([{"name":"S","type":"Number"},{"name":"A","type":"Derived","val":"A + S"}])", R"({"A":{"val":"1"},"S":{"val":"1"}})",
            { { "A", "2" } } },
        { "indirect", R"([{"name":"S","type":"Number"},{"name":"A","type":"Derived","val":"B + S"},{"name":"B","type":"Derived","val":"A + 1"}])",
            R"({"A":{"val":"1"},"S":{"val":"1"}})", { { "B", "2" }, { "A", "3" } } },
        { "substring", R"([{"name":"Sum","type":"Derived","val":"Sum2 * 2"}])", R"({"Sum2":{"val":"4"},"Sum":{"val":"1"}})", { { "Sum", "8" } } },
        { "conditional", R"([{"name":"C","type":"Conditional","val":"Flag > 0","title":"2","nTrigger":"Flag"}])", R"({"Flag":{"val":"1"}})",
            { { "Flag", "2" } } },
    };
    for (const Case& c : cycles) {
        form = engine(c.entries, c.state);
        for (auto& [key, value] : c.expected)
            EXPECT_EQ(form->formValueForKey(key), value) << c.name << " " << key;
    }
    // A diamond inside one wave: D reads B and C, both read A; D runs after each of them, as
    // the procedure does, so a note on D sees the value between the two as well.
    form = engine(R"([{"name":"S","type":"Number"},{"name":"A","type":"Derived","val":"S * 1"},{"name":"B","type":"Derived","val":"A * 2"},
        {"name":"C","type":"Derived","val":"A * 3"},{"name":"D","type":"Derived","val":"B + C"}])", R"({"S":{"val":"1"}})");
    EXPECT_EQ(form->formValueForKey("D"), "5");
    form->formState()->set("S", dict(R"({"val":"2"})"));
    const size_t before = form->changedKeys().size();
    form->evaluateObject(form->objects()->at(1).object());
    EXPECT_EQ(form->formValueForKey("D"), "10");
    std::vector<std::string> wave(form->changedKeys().begin() + long(before), form->changedKeys().end());
    EXPECT_EQ(wave, (std::vector<std::string> { "A", "B", "D", "C", "D" }));
}

TEST(FormEngine, FollowUpIntervals)
{
    const Date now = *Model::dateFromServerDateString("2024-02-29 13:45:10");
    const std::pair<long, const char*> cases[] = { { 0, "2024-02-29 13:45:10" }, { 1, "2024-02-29 13:45:10" }, { 2, "2024-02-29 14:45:10" },
        { 6, "2024-03-01 13:45:10" }, { 9, "2024-03-30 13:45:10" }, { 10, "2025-02-28 13:45:10" }, { 11, "2024-02-29 13:45:10" },
        { -1, "2024-02-29 13:45:10" } };
    for (auto& [index, expected] : cases)
        EXPECT_EQ(FollowUpInterval::dateString(index, now), expected) << index;
    EXPECT_EQ(FollowUpInterval::dateString(10, *Model::dateFromServerDateString("2023-06-15 00:00:00")), "2024-06-15 00:00:00");
    EXPECT_EQ(FormEngine::followUpLabel(0), "No followup set");
    EXPECT_EQ(FormEngine::followUpLabel(10), "1 year");
    const std::pair<const char*, long> integers[] = { { "6", 6 }, { "12 hours", 12 }, { "x6", 0 }, { "", 0 }, { "-3", -3 } };
    for (auto& [text, expected] : integers)
        EXPECT_EQ(FormEngine::integerValue(text), expected) << text;
}

TEST(HistorySnapshot, ListsBoolAndNumberNewestFirstAndTheFormStateAtARecord)
{
    auto shown = HistorySnapshot::displayedRecords(list(historyRecords));
    const std::pair<const char*, const char*> cases[] = {
        { R"([{"name":"Ate","type":"Bool","val":"0"},{"name":"Ran","type":"Bool","val":"1"}])", "Ate (No),Ran (Yes)" },
        { R"([{"name":"N","type":"Text","val":"x"},{"name":"S","type":"Select","val":"y"}])", "" },
        { R"([{"name":"W","type":"Number","val":61.5}])", "W (61.5) numbers" },
        // Entries that are not records, or carry odd types and dates, are skipped or sorted last.
        { R"([7,null,"x",{"name":"W","type":3},{"name":"W","type":"Number","val":"1","lastModified":"bad"},
              {"name":"W","type":"Number","val":"2","lastModified":"2026-01-01 00:00:00"}])", "W (2),W (1) numbers" },
        { "[]", "" },
    };
    for (auto [json, expected] : cases) {
        auto records = list(json), kept = HistorySnapshot::displayedRecords(records);
        std::string text;
        for (auto& r : *kept)
            text += (text.empty() ? "" : ",") + HistorySnapshot::recordText(r.object());
        EXPECT_EQ(text + (HistorySnapshot::hasNumbers(records) ? " numbers" : ""), expected) << json;
    }
    EXPECT_EQ(HistorySnapshot::displayedRecords(nullptr)->size(), 0u);
    EXPECT_FALSE(HistorySnapshot::hasNumbers(nullptr));

    // The form state at a record: newest; the middle, where the later 72 and Ate are not yet there; the oldest, with nothing before it.
    EXPECT_EQ(values(HistorySnapshot::snapshotAt(shown, 0)), "Ate=0,Weight=72,Weight_old=70");
    EXPECT_EQ(values(HistorySnapshot::snapshotAt(shown, 2)), "Weight=70,Weight_old=68");
    EXPECT_EQ(values(HistorySnapshot::snapshotAt(shown, 3)), "Weight=68");
    EXPECT_FALSE(HistorySnapshot::snapshotAt(shown, 4));
    EXPECT_FALSE(HistorySnapshot::snapshotAt(nullptr, 0));
    // A recorded old key wins over the derived one.
    shown = HistorySnapshot::displayedRecords(list(R"([
        {"name":"W","type":"Number","val":"1","lastModified":"2026-01-01 00:00:00"},
        {"name":"W","type":"Number","val":"2","lastModified":"2026-01-02 00:00:00"},
        {"name":"W_old","type":"Number","val":"9","lastModified":"2026-01-03 00:00:00"}])"));
    EXPECT_EQ(values(HistorySnapshot::snapshotAt(shown, 0)), "W=2,W_old=9");
}

// A document edit, refused values, a resident edit and a typed value, one engine after another.
TEST_F(FormEngineRequests, DocumentAndResidentEditsSendTheirRequestsAndRefusedValuesStayUnsaved)
{
    serve({}, json(R"({"Message":{"dict":{"Weight":{"val":"80","type":"Number"}}}})"));
    auto engine = form(FormKind::Document, R"({"Weight":{"val":"70","type":"Number"}})");
    EXPECT_EQ(engine->numberOfRows(), 5u);
    engine->setState(1, 0);
    answered(1);
    EXPECT_EQ(onlyRequest().target, "/json/setFormValueForDocument.php?parentID=42&name=Weight&val=1&type=Number");
    EXPECT_EQ(engine->formValueForKey("Weight"), "80.0");
    EXPECT_FALSE(engine->isUnsaved("Weight"));
    reloads = 0;

    for (const Reply& failure : { json("{}", 500), json(R"({"Message":{"list":null}})"), json(R"({"Message":{"dict":{}}})"), json("not json") }) {
        serve({}, failure);
        engine = form(FormKind::Resident, R"({"Weight":{"val":"70","type":"Number"}})");
        engine->setValue("81", 0);
        settle();
        EXPECT_TRUE(engine->isUnsaved("Weight")) << failure.body;
        EXPECT_EQ(engine->unsavedValue("Weight"), "81");
        EXPECT_EQ(engine->formValueForKey("Weight"), "81"); // the local value stays, as a bare record
        EXPECT_EQ(reloads, 1);

        serve({}, json(R"({"Message":{"list":{"Weight":{"val":"81"}}}})"));
        engine->setValue(*engine->unsavedValue("Weight"), 0);
        settle();
        EXPECT_FALSE(engine->isUnsaved("Weight"));
        reloads = 0;
    }
    // A reply for an engine that is gone is dropped.
    engine = form(FormKind::Resident, "{}");
    engine->setValue("1", 0);
    engine.reset();
    settle();
    EXPECT_EQ(reloads, 0);

    restart();
    auto past = Model::serverDateStringForDate(DateFormat::now() - std::chrono::minutes(5));
    serve({ { "handleForm.php", json(R"({"Message":{"list":{"Weight":{"val":"80","type":"Number"}}}})") } }, json("{}"));
    engine = form(FormKind::Resident, R"({"Weight":{"val":"70","type":"Number"},
        "Due":{"type":"Derived","date":")" + past + R"(","val":"Weight * 2","nTrigger":"Double"},
        "Act":{"type":"Action","title":"Weight > 1","assetID":"55","linkID":"66","val":"2","user":null,"date":")" + past + R"("}})");
    engine->setValue("80", 0);
    EXPECT_EQ(engine->formValueForKey("Double"), "160");
    EXPECT_TRUE(engine->isUnsaved("Weight"));
    answered(4);

    EXPECT_EQ(targets("handleForm.php"), (std::vector<std::string> { "/json/handleForm.php?f=11&c=7&name=Weight&val=80&type=Number" }));
    auto timed = targets("setTimedObject.php");
    ASSERT_EQ(timed.size(), 2u); // not the action whose title names no changed key
    std::sort(timed.begin(), timed.end()); // o=13 first
    EXPECT_EQ(withoutDate(timed[0]), "/json/setTimedObject.php?a=99&o=13&val=6&trigger=Weigh%2080.0%20and%20%7BOther%7D");
    EXPECT_NEAR(secondsAhead(timed[0]), 86400, 5);
    // The action's title names no interval, so it falls due now; its trigger reads the bare local record.
    EXPECT_EQ(withoutDate(timed[1]), "/json/setTimedObject.php?a=99&o=14&val=Weight%20%3E%2075&trigger=Check%2080%20at%20noon");
    EXPECT_NEAR(secondsAhead(timed[1]), 0, 5);
    auto actions = targets("setAction.php");
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(withoutDate(actions[0]), "/json/setAction.php?a=55&devID=66&val=2");
    // The action's date goes through the legacy escaping alone: the space escaped, ":" kept.
    EXPECT_TRUE(std::regex_search(actions[0], std::regex("&date=\\d{4}-\\d\\d-\\d\\d%20\\d\\d:\\d\\d:\\d\\d&"))) << actions[0];
    EXPECT_NEAR(secondsAhead(actions[0]), 3600, 5);

    EXPECT_EQ(engine->formValueForKey("Weight"), "80.0");
    EXPECT_FALSE(engine->isUnsaved("Weight"));
    EXPECT_EQ(reloads, 1);

    const std::string document = dailyCare().document;
    ASSERT_FALSE(document.empty());
    const std::string typed = "a&b=c d/e:f+g%h?i#j";
    engine = FormEngine::create(FormKind::Document, list(R"([{"name":"Note & more","type":"Text"}])"), JsonObject::create());
    engine->setAssetID(document);
    engine->setValue(typed, 0);
    settle();
    EXPECT_FALSE(engine->isUnsaved("Note & more"));
    EXPECT_EQ(engine->formValueForKey("Note & more"), typed);
    auto state = legacy("currentState.php?a=" + document);
    ASSERT_TRUE(state && state->get("list").object());
    EXPECT_EQ(state->get("list").object()->get("Note & more").object()->get("val").asString(), typed);
}
