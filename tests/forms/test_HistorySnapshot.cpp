// Which history records are listed and in which order, and the form state as it stood at one.
#include "forms/HistorySnapshot.h"

#include "platform/JsonParser.h"

#include <gtest/gtest.h>

using namespace quindle;

namespace {

JsonArrayPtr list(const char* json) { return JsonParser::parse(json)->array(); }

std::string names(const JsonArrayPtr& records)
{
    std::string out;
    for (auto& r : *records)
        out += (out.empty() ? "" : ",") + HistorySnapshot::recordText(r.object());
    return out;
}

// Newest first by date text: 72 (Dec 3), Pulse (Dec 2), Weight 70 (Dec 1), Weight 68 (Nov 30).
const char* history = R"([
    {"name":"Weight","type":"Number","val":"70","lastModified":"2026-12-01 09:00:00","user":"ann"},
    {"name":"Notes","type":"Text","val":"calm","lastModified":"2026-12-05 09:00:00","user":"ann"},
    {"name":"Weight","type":"Number","val":"72","lastModified":"2026-12-03 09:00:00","user":"bob"},
    {"name":"Ate","type":"Bool","val":"0","lastModified":"2026-12-02 09:00:00","user":"bob"},
    {"name":"Mood","type":"Select","val":"Happy","lastModified":"2026-12-04 09:00:00","user":"bob"},
    {"name":"Weight","type":"Number","val":"68","lastModified":"2026-11-30 09:00:00","user":"cy"}])";

} // namespace

TEST(HistorySnapshot, ListsBoolAndNumberNewestFirst)
{
    auto shown = HistorySnapshot::displayedRecords(list(history));
    EXPECT_EQ(names(shown), "Weight (72),Ate (No),Weight (70),Weight (68)");
    EXPECT_EQ(HistorySnapshot::recordDetail(shown->at(0).object()), "2026-12-03 09:00:00 (bob)");
    EXPECT_TRUE(HistorySnapshot::hasNumbers(list(history)));
}

TEST(HistorySnapshot, BoolTextsAndNumbersFlag)
{
    struct Case {
        const char* json;
        const char* listed;
        bool numbers;
    } cases[] = {
        { R"([{"name":"Ate","type":"Bool","val":"0"},{"name":"Ran","type":"Bool","val":"1"}])", "Ate (No),Ran (Yes)", false },
        { R"([{"name":"N","type":"Text","val":"x"},{"name":"S","type":"Select","val":"y"}])", "", false },
        { R"([{"name":"W","type":"Number","val":61.5}])", "W (61.5)", true },
        // Entries that are not records, or carry odd types and dates, are skipped or sorted last.
        { R"([7,null,"x",{"name":"W","type":3},{"name":"W","type":"Number","val":"1","lastModified":"bad"},
              {"name":"W","type":"Number","val":"2","lastModified":"2026-01-01 00:00:00"}])", "W (2),W (1)", true },
        { "[]", "", false },
    };
    for (const Case& c : cases) {
        auto records = list(c.json);
        EXPECT_EQ(names(HistorySnapshot::displayedRecords(records)), c.listed) << c.json;
        EXPECT_EQ(HistorySnapshot::hasNumbers(records), c.numbers) << c.json;
    }
    EXPECT_EQ(HistorySnapshot::displayedRecords(nullptr)->size(), 0u);
    EXPECT_FALSE(HistorySnapshot::hasNumbers(nullptr));
}

TEST(HistorySnapshot, FormStateAtARecord)
{
    auto shown = HistorySnapshot::displayedRecords(list(history));
    struct Case {
        size_t row;
        const char* weight;
        const char* weightOld; // "" when absent
        bool ate;
    } cases[] = {
        { 0, "72", "70", true }, // newest
        { 2, "70", "68", false }, // middle: the later 72 and Ate are not yet there
        { 3, "68", "", false }, // oldest: nothing came before
    };
    for (const Case& c : cases) {
        auto state = HistorySnapshot::snapshotAt(shown, c.row);
        ASSERT_TRUE(state);
        EXPECT_EQ(state->get("Weight").object()->get("val").asString(), c.weight) << c.row;
        EXPECT_EQ(state->contains("Weight_old"), *c.weightOld != 0) << c.row;
        if (*c.weightOld) {
            EXPECT_EQ(state->get("Weight_old").object()->get("val").asString(), c.weightOld) << c.row;
        }
        EXPECT_EQ(state->contains("Ate"), c.ate) << c.row;
        EXPECT_FALSE(state->contains("Ate_old")) << c.row;
    }
    EXPECT_FALSE(HistorySnapshot::snapshotAt(shown, 4));
    EXPECT_FALSE(HistorySnapshot::snapshotAt(nullptr, 0));
}

TEST(HistorySnapshot, RecordedOldKeyWinsOverDerivedOne)
{
    auto shown = HistorySnapshot::displayedRecords(list(R"([
        {"name":"W","type":"Number","val":"1","lastModified":"2026-01-01 00:00:00"},
        {"name":"W","type":"Number","val":"2","lastModified":"2026-01-02 00:00:00"},
        {"name":"W_old","type":"Number","val":"9","lastModified":"2026-01-03 00:00:00"}])"));
    auto state = HistorySnapshot::snapshotAt(shown, 0);
    EXPECT_EQ(state->get("W").object()->get("val").asString(), "2");
    EXPECT_EQ(state->get("W_old").object()->get("val").asString(), "9");
    EXPECT_EQ(state->size(), 2u);
}
