// The form engine's keys, indexes and expressions, without a server.
#include "forms/FormEngine.h"

#include "content/FollowUpInterval.h"
#include "core/Model.h"
#include "platform/JsonParser.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace quindle;

namespace {

JsonArrayPtr list(const char* json) { return JsonParser::parse(json)->array(); }
JsonObjectPtr dict(const char* json) { return JsonParser::parse(json)->object(); }

std::shared_ptr<FormEngine> engine(const char* entries, const char* state, FormKind kind = FormKind::Document)
{
    return FormEngine::create(kind, list(entries), dict(state));
}

std::string valueOf(const FormEngine& form, const char* key) { return form.formValueForKey(key); }

std::vector<std::string> names(const std::vector<JsonObjectPtr>& entries)
{
    std::vector<std::string> out;
    for (auto& entry : entries)
        out.push_back(entry->get("name").asString());
    return out;
}

} // namespace

TEST(FormEngine, KeysAreLongestFirstFromStateEntriesAndTriggers)
{
    auto form = engine(R"([{"name":"Weight","type":"Number"},{"name":"Flag","type":"Conditional","val":"1 > 2","nTrigger":"Risk level"},
        {"name":"Other","type":"Conditional","val":"1","nTrigger":null}])",
        R"({"Weight change":{"val":"3"},"BMI":{"val":"20"}})");
    EXPECT_EQ(form->keys(), (std::vector<std::string> { "Weight change", "Risk level", "Weight", "Other", "Flag", "BMI" }));
}

TEST(FormEngine, ReadsValuesAndRecordFields)
{
    auto form = engine("[]", R"({"N":{"val":"72","type":"Number","lastModified":"2024-01-02 10:00:00","user":"ann","myindex":"2"},
        "D":{"val":"72.5","type":"Number"},"T":{"val":"72","type":"Text"},"E":{"val":"","type":"Number"},"S":"not a record"})");
    const std::pair<const char*, const char*> cases[] = { { "N", "72.0" }, { "D", "72.5" }, { "T", "72" }, { "E", "" }, { "S", "" }, { "Missing", "" } };
    for (auto& [key, expected] : cases)
        EXPECT_EQ(valueOf(*form, key), expected) << key;
    EXPECT_EQ(form->formModForKey("N").asString(), "2024-01-02 10:00:00");
    EXPECT_EQ(form->formUserForKey("N").asString(), "ann");
    EXPECT_EQ(form->formIndexForKey("N").asString(), "2");
    EXPECT_TRUE(form->formUserForKey("D").isNull());
    EXPECT_TRUE(form->formModForKey("Missing").isNull());
}

TEST(FormEngine, ParseFormSortsEntriesAndRecordsIntoTheirLists)
{
    auto past = Model::serverDateStringForDate(DateFormat::now() - std::chrono::minutes(1));
    auto future = Model::serverDateStringForDate(DateFormat::now() + std::chrono::hours(1));
    std::string state = R"({"Due":{"type":"Action","user":null,"date":")" + past + R"("},
        "Later":{"type":"Action","user":null,"date":")" + future + R"("},
        "Theirs":{"type":"Action","user":"bob","date":")" + past + R"("},
        "Nobody":{"type":"Action","date":")" + past + R"("},
        "Dated":{"type":"Derived","date":")" + past + R"(","val":"1","nTrigger":"X"},
        "Bad date":{"type":"Derived","date":"yesterday"}})";
    auto form = FormEngine::create(FormKind::Resident);
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
    ASSERT_EQ(form->displayActions().size(), 1u);
    EXPECT_EQ(form->displayActions()[0], form->formState()->get("Due").object());
    ASSERT_EQ(form->resDatedConditionals().size(), 1u);
    EXPECT_EQ(form->resDatedConditionals()[0], form->formState()->get("Dated").object());
    EXPECT_FALSE(form->formState()->get("Bad date").object()->contains("ddate"));
    form->evaluateForm();
    EXPECT_EQ(names(form->displayValues()), (std::vector<std::string> { "A", "F", "D" }));
    EXPECT_EQ(form->numberOfRows(), 3u);
}

TEST(FormEngine, RewritesAndEvaluatesTheWorkedExamples)
{
    auto form = engine(R"j([{"name":"BMI","type":"Derived","val":"Weight / (Height * Height)"},
        {"name":"Risk","type":"Conditional","val":"Score > 10 AND Mobility <= 2","title":"High risk","nTrigger":"Risk level"},
        {"name":"Weight change","type":"Number"}])j",
        R"({"Weight":{"val":"72","type":"Number"},"Height":{"val":"1.8","type":"Number"},"Score":{"val":"12","type":"Number"},
            "Mobility":{"val":"1","type":"Number"},"Weight change":{"val":"3","type":"Number"}})");
    EXPECT_EQ(valueOf(*form, "BMI"), "22.22222222222222");
    EXPECT_EQ(valueOf(*form, "Risk level"), "High risk");
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
}

TEST(FormEngine, AMissingValueBlocksAndRegistersUntilRecorded)
{
    auto form = engine(R"([{"name":"Mobility","type":"Number"},
        {"name":"Risk","type":"Conditional","val":"Score > 10 AND Mobility <= 2","title":"High risk","nTrigger":"Risk level"}])",
        R"({"Score":{"val":"12","type":"Number"}})");
    EXPECT_EQ(valueOf(*form, "Risk level"), "");
    EXPECT_EQ(names(form->derived("Mobility")), (std::vector<std::string> { "Risk" }));
    EXPECT_EQ(form->numberOfRows(), 2u);
    form->formState()->set("Mobility", dict(R"({"val":"1"})"));
    form->evaluateForm();
    EXPECT_EQ(valueOf(*form, "Risk level"), "High risk");
    EXPECT_EQ(form->changedKeys(), (std::vector<std::string> { "Risk level" }));
    EXPECT_TRUE(form->shouldProcess("Risk level is set"));
    EXPECT_FALSE(form->shouldProcess("Score"));
}

TEST(FormEngine, ConditionalsKeepTheirRecordAndListOneRowPerTrigger)
{
    auto form = engine(R"([{"name":"X","type":"Number"},{"name":"A","type":"Conditional","val":"X > 1","title":"first","nTrigger":"Note"},
        {"name":"B","type":"Conditional","val":"X > 0","title":"second","nTrigger":"Note"}])",
        R"({"X":{"val":"5","type":"Number"}})");
    EXPECT_EQ(valueOf(*form, "Note"), "second");
    EXPECT_EQ(names(form->displayValues()), (std::vector<std::string> { "X", "A" }));
    form->formState()->set("X", dict(R"({"val":"-1"})"));
    form->evaluateForm();
    EXPECT_EQ(valueOf(*form, "Note"), "second");
    EXPECT_EQ(form->displayValues().size(), 2u);
}

// Each cycle ends: a member runs once per write of a key it reads and is not run again from
// inside its own wave.
TEST(FormEngine, CyclesEndAndEveryDependentIsReachedOnce)
{
    struct Case {
        const char* name;
        const char* entries;
        const char* state;
        std::vector<std::pair<const char*, const char*>> expected;
    };
    const Case cases[] = {
        { "direct", R"([{"name":"S","type":"Number"},{"name":"A","type":"Derived","val":"A + S"}])", R"({"A":{"val":"1"},"S":{"val":"1"}})",
            { { "A", "2" } } },
        { "indirect", R"([{"name":"S","type":"Number"},{"name":"A","type":"Derived","val":"B + S"},{"name":"B","type":"Derived","val":"A + 1"}])",
            R"({"A":{"val":"1"},"S":{"val":"1"}})", { { "B", "2" }, { "A", "3" } } },
        { "substring", R"([{"name":"Sum","type":"Derived","val":"Sum2 * 2"}])", R"({"Sum2":{"val":"4"},"Sum":{"val":"1"}})", { { "Sum", "8" } } },
        { "conditional", R"([{"name":"C","type":"Conditional","val":"Flag > 0","title":"2","nTrigger":"Flag"}])", R"({"Flag":{"val":"1"}})",
            { { "Flag", "2" } } },
    };
    for (const Case& c : cases) {
        auto form = engine(c.entries, c.state);
        for (auto& [key, value] : c.expected)
            EXPECT_EQ(valueOf(*form, key), value) << c.name << " " << key;
    }
    // A diamond inside one wave: D reads B and C, both read A; D runs after each of them, as
    // the procedure does, so a note on D sees the value between the two as well.
    auto form = engine(R"([{"name":"S","type":"Number"},{"name":"A","type":"Derived","val":"S * 1"},{"name":"B","type":"Derived","val":"A * 2"},
        {"name":"C","type":"Derived","val":"A * 3"},{"name":"D","type":"Derived","val":"B + C"}])", R"({"S":{"val":"1"}})");
    EXPECT_EQ(valueOf(*form, "D"), "5");
    form->formState()->set("S", dict(R"({"val":"2"})"));
    const size_t before = form->changedKeys().size();
    form->evaluateObject(form->objects()->at(1).object());
    EXPECT_EQ(valueOf(*form, "D"), "10");
    std::vector<std::string> wave(form->changedKeys().begin() + long(before), form->changedKeys().end());
    EXPECT_EQ(wave, (std::vector<std::string> { "A", "B", "D", "C", "D" }));
}

TEST(FormEngine, FailedExpressionsWriteAndListNothing)
{
    for (const char* expression : { "Weight / 0", "Weight +", "Weight + nonsense", "'text'" }) {
        std::string entries = R"([{"name":"R","type":"Derived","val":")" + std::string(expression)
            + R"("},{"name":"C","type":"Conditional","val":")" + expression + R"(","title":"yes","nTrigger":"Flag"}])";
        auto form = engine(entries.c_str(), R"({"Weight":{"val":"72","type":"Number"}})");
        EXPECT_FALSE(form->formState()->contains("R")) << expression;
        EXPECT_FALSE(form->formState()->contains("Flag")) << expression;
        EXPECT_TRUE(form->displayValues().empty()) << expression;
    }
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
