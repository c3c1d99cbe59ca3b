// Server dates, day and hour differences, and moving an event's dates.

#include "core/Model.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace quindle;

namespace {

Date at(const char* text)
{
    auto date = Model::dateFromServerDateString(text);
    EXPECT_TRUE(date) << text;
    return date.value_or(Date {});
}

class ModelDates : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("TZ");
        m_oldTZ = old ? std::optional<std::string>(old) : std::nullopt;
    }
    void TearDown() override
    {
        if (m_oldTZ)
            setenv("TZ", m_oldTZ->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void useZone(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    std::optional<std::string> m_oldTZ;
};

} // namespace

TEST_F(ModelDates, ServerFormatIsUtcWhateverTheLocalZoneAndExact)
{
    useZone("Asia/Tokyo");
    Date d = at("2015-06-01 10:00:00");
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(d.time_since_epoch()).count(), 1433152800);
    EXPECT_EQ(Model::serverDateStringForDate(d), "2015-06-01 10:00:00");
    // Text off the pattern is refused.
    for (const char* bad : { "2015-06-01T10:00:00", "2015-06-01", "", "2015-06-01 10:00:00 extra" })
        EXPECT_FALSE(Model::dateFromServerDateString(bad)) << bad;
}

TEST_F(ModelDates, DaysCountCalendarDaysInTheLocalZoneAndHoursArePlusOne)
{
    useZone("Europe/London");
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-01 22:59:00"), at("2015-06-01 23:01:00")), 1); // 23:59 -> 00:01 BST
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-01 00:00:00"), at("2015-06-01 22:00:00")), 0);
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-10 12:00:00"), at("2015-06-01 12:00:00")), -9);
    // Across the spring change the day is 23 hours long.
    EXPECT_EQ(Model::daysBetweenDate(at("2015-03-28 12:00:00"), at("2015-03-30 12:00:00")), 2);
    useZone("UTC");
    EXPECT_EQ(Model::daysBetweenDate(at("2015-06-01 22:59:00"), at("2015-06-01 23:01:00")), 0);
    // Hours are truncated, plus one.
    Date base = at("2015-06-01 10:00:00");
    for (auto [minutes, hours] : { std::pair { 0, 1 }, { 30, 1 }, { 90, 2 }, { 300, 6 }, { -150, -1 } })
        EXPECT_EQ(Model::hoursBetween(base, base + std::chrono::minutes(minutes)), hours) << minutes;
}

TEST_F(ModelDates, UpdateAssetWidensButNeverNarrows)
{
    auto r = JsonObject::create({ { "startDate", "2015-06-02 00:00:00" }, { "endDate", "2015-06-05 00:00:00" } });
    const std::pair<const char*, const char*> steps[] = {
        { "2015-06-01 08:00:00", R"({"startDate":"2015-06-01 08:00:00","endDate":"2015-06-05 00:00:00","date":"2015-06-01 08:00:00"})" },
        { "2015-06-03 00:00:00", R"({"startDate":"2015-06-01 08:00:00","endDate":"2015-06-05 00:00:00","date":"2015-06-03 00:00:00"})" },
        { "2015-07-01 00:00:00", R"({"startDate":"2015-06-01 08:00:00","endDate":"2015-07-01 00:00:00","date":"2015-07-01 00:00:00"})" },
    };
    for (const auto& [date, after] : steps) {
        Model::updateAsset(r, at(date));
        EXPECT_EQ(Model::dictToJSON(r), after) << date;
    }
    // Missing bounds: only the end is set.
    auto bare = JsonObject::create();
    Model::updateAsset(bare, at("2015-06-01 08:00:00"));
    EXPECT_EQ(Model::dictToJSON(bare), R"({"endDate":"2015-06-01 08:00:00","date":"2015-06-01 08:00:00"})");
    Model::updateAsset(nullptr, at("2015-06-01 08:00:00"));
}
