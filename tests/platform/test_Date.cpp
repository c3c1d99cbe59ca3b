#include "platform/Date.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

using namespace quindle;
using DateFormat::Zone;
using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::seconds;

namespace {

constexpr const char* serverPattern = "yyyy-MM-dd HH:mm:ss";

Date fromUnix(int64_t s)
{
    return Date(seconds(s));
}

int64_t unixSeconds(Date d)
{
    return std::chrono::duration_cast<seconds>(d.time_since_epoch()).count();
}

/// Runs a test in a named time zone and puts the process zone back afterwards.
class InZone : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* tz = std::getenv("TZ"))
            m_saved = tz;
    }
    void TearDown() override
    {
        if (m_saved)
            setenv("TZ", m_saved->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void use(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    std::optional<std::string> m_saved;
};

} // namespace

// Server date text in UTC

TEST(DateUtc, ParsesServerDateAsUtcInstant)
{
    auto d = DateFormat::parse("2015-06-01 10:00:00", serverPattern, Zone::UTC);
    ASSERT_TRUE(d);
    EXPECT_EQ(unixSeconds(*d), 1433152800);
}

TEST(DateUtc, FormatsServerDate)
{
    EXPECT_EQ(DateFormat::format(fromUnix(1433152800), serverPattern, Zone::UTC), "2015-06-01 10:00:00");
    EXPECT_EQ(DateFormat::format(fromUnix(0), serverPattern, Zone::UTC), "1970-01-01 00:00:00");
    EXPECT_EQ(DateFormat::format(fromUnix(951782400), serverPattern, Zone::UTC), "2000-02-29 00:00:00");
}

TEST(DateUtc, FormatTruncatesFractionsTowardsThePast)
{
    Date justBefore = fromUnix(0) - std::chrono::milliseconds(500);
    EXPECT_EQ(DateFormat::format(justBefore, serverPattern, Zone::UTC), "1969-12-31 23:59:59");
    Date justAfter = fromUnix(1433152800) + std::chrono::milliseconds(999);
    EXPECT_EQ(DateFormat::format(justAfter, serverPattern, Zone::UTC), "2015-06-01 10:00:00");
}

TEST(DateUtc, RoundTripsAcrossYears)
{
    for (int64_t s = -2208988800; s < 7258118400; s += 86400 * 37 + 3599) {
        std::string text = DateFormat::format(fromUnix(s), serverPattern, Zone::UTC);
        auto back = DateFormat::parse(text, serverPattern, Zone::UTC);
        ASSERT_TRUE(back) << text;
        EXPECT_EQ(unixSeconds(*back), s) << text;
    }
}

TEST(DateUtc, AdjacentFieldsWithoutSeparators)
{
    auto d = DateFormat::parse("20150601143000", "yyyyMMddHHmmss", Zone::UTC);
    ASSERT_TRUE(d);
    EXPECT_EQ(DateFormat::format(*d, "yyyyMMddHHmmss", Zone::UTC), "20150601143000");
    EXPECT_EQ(DateFormat::format(*d, "Image_yyyyMMddHHmmss.jpg", Zone::UTC), "Image_20150601143000.jpg");
}

TEST(DateUtc, MissingFieldsDefaultToTheEpoch)
{
    auto d = DateFormat::parse("10:30", "HH:mm", Zone::UTC);
    ASSERT_TRUE(d);
    EXPECT_EQ(unixSeconds(*d), 10 * 3600 + 30 * 60);
}

// Exact matching

TEST(DateParse, TInPlaceOfTheBlankFails)
{
    EXPECT_FALSE(DateFormat::parse("2015-06-01T10:00:00", serverPattern, Zone::UTC));
}

TEST(DateParse, WrongDigitCountsFail)
{
    EXPECT_FALSE(DateFormat::parse("2015-6-01 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-1 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("15-06-01 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("02015-06-01 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-01 10:00:0", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-01 10:00:000", serverPattern, Zone::UTC));
}

TEST(DateParse, ExtraOrMissingTextFails)
{
    EXPECT_FALSE(DateFormat::parse("", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-01", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-01 10:00:00Z", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse(" 2015-06-01 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-01 10:00:00 ", serverPattern, Zone::UTC));
}

TEST(DateParse, NonDigitsInNumberFieldsFail)
{
    EXPECT_FALSE(DateFormat::parse("+015-06-01 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-0a-01 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-01 1 :00:00", serverPattern, Zone::UTC));
}

TEST(DateParse, OutOfRangeFieldsFail)
{
    EXPECT_FALSE(DateFormat::parse("2015-00-01 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-13-01 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-00 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-04-31 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-01-32 10:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-01 24:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-01 10:60:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("2015-06-01 10:00:60", serverPattern, Zone::UTC));
    EXPECT_TRUE(DateFormat::parse("2015-06-01 23:59:59", serverPattern, Zone::UTC));
}

TEST(DateParse, LeapDaysOnlyInLeapYears)
{
    EXPECT_FALSE(DateFormat::parse("2015-02-29 00:00:00", serverPattern, Zone::UTC));
    EXPECT_TRUE(DateFormat::parse("2016-02-29 00:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("1900-02-29 00:00:00", serverPattern, Zone::UTC));
    EXPECT_TRUE(DateFormat::parse("2000-02-29 00:00:00", serverPattern, Zone::UTC));
}

TEST(DateParse, InstantsOutsideTheClockRangeFail)
{
    // The clock counts nanoseconds, which reach from 1677 to 2262.
    EXPECT_FALSE(DateFormat::parse("9999-12-31 23:59:59", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("1000-01-01 00:00:00", serverPattern, Zone::UTC));
    EXPECT_TRUE(DateFormat::parse("2200-01-01 00:00:00", serverPattern, Zone::UTC));
    EXPECT_FALSE(DateFormat::parse("9999-12-31 23:59:59", serverPattern, Zone::Local));
}

TEST(DateParse, LoneLettersAreLiterals)
{
    auto d = DateFormat::parse("2015-06-01T10:00", "yyyy-MM-ddTHH:mm", Zone::UTC);
    ASSERT_TRUE(d);
    EXPECT_EQ(unixSeconds(*d), 1433152800);
    EXPECT_EQ(DateFormat::format(*d, "d M y", Zone::UTC), "d M y");
}

// The local zone

TEST_F(InZone, LocalFormatFollowsTheProcessZone)
{
    use("America/New_York");
    EXPECT_EQ(DateFormat::format(fromUnix(1433152800), serverPattern, Zone::Local), "2015-06-01 06:00:00");
    EXPECT_EQ(DateFormat::format(fromUnix(1420106400), serverPattern, Zone::Local), "2015-01-01 05:00:00");
    use("UTC");
    EXPECT_EQ(DateFormat::format(fromUnix(1433152800), serverPattern, Zone::Local), "2015-06-01 10:00:00");
}

TEST_F(InZone, UtcIgnoresTheProcessZone)
{
    use("Asia/Tokyo");
    EXPECT_EQ(DateFormat::format(fromUnix(1433152800), serverPattern, Zone::UTC), "2015-06-01 10:00:00");
    auto d = DateFormat::parse("2015-06-01 10:00:00", serverPattern, Zone::UTC);
    ASSERT_TRUE(d);
    EXPECT_EQ(unixSeconds(*d), 1433152800);
}

TEST_F(InZone, LocalParseRoundTrips)
{
    use("Europe/Berlin");
    auto d = DateFormat::parse("2015-06-01 12:00:00", serverPattern, Zone::Local);
    ASSERT_TRUE(d);
    EXPECT_EQ(unixSeconds(*d), 1433152800);
    EXPECT_EQ(DateFormat::format(*d, serverPattern, Zone::Local), "2015-06-01 12:00:00");
}

TEST_F(InZone, LocalTimeSkippedBySpringForwardFails)
{
    use("America/New_York");
    EXPECT_FALSE(DateFormat::parse("2015-03-08 02:30:00", serverPattern, Zone::Local));
    EXPECT_TRUE(DateFormat::parse("2015-03-08 03:30:00", serverPattern, Zone::Local));
}

TEST_F(InZone, RepeatedLocalTimeGivesTheEarlierInstant)
{
    use("America/New_York");
    auto d = DateFormat::parse("2015-11-01 01:30:00", serverPattern, Zone::Local);
    ASSERT_TRUE(d);
    EXPECT_EQ(DateFormat::format(*d, serverPattern, Zone::UTC), "2015-11-01 05:30:00");
}

TEST_F(InZone, ShortDateTimeIsLocal)
{
    use("America/New_York");
    EXPECT_EQ(DateFormat::shortDateTime(fromUnix(1433152800)), "01/06/2015 06:00");
    use("Asia/Tokyo");
    EXPECT_EQ(DateFormat::shortDateTime(fromUnix(1433152800)), "01/06/2015 19:00");
}

// Local calendar days

TEST_F(InZone, StartOfOrdinaryDay)
{
    use("America/New_York");
    Date noon = *DateFormat::parse("2015-06-01 12:34:56", serverPattern, Zone::Local);
    EXPECT_EQ(DateFormat::format(DateFormat::startOfLocalDay(noon), serverPattern, Zone::UTC), "2015-06-01 04:00:00");
    Date midnight = *DateFormat::parse("2015-06-01 00:00:00", serverPattern, Zone::Local);
    EXPECT_EQ(DateFormat::startOfLocalDay(midnight), midnight);
    EXPECT_EQ(DateFormat::startOfLocalDay(midnight - seconds(1)), midnight - hours(24));
}

TEST_F(InZone, DaysAcrossDaylightSavingChangesHaveTheirRealLength)
{
    use("America/New_York");
    Date springDay = DateFormat::startOfLocalDay(*DateFormat::parse("2015-03-08 12:00:00", serverPattern, Zone::Local));
    Date nextDay = DateFormat::startOfLocalDay(*DateFormat::parse("2015-03-09 12:00:00", serverPattern, Zone::Local));
    EXPECT_EQ(nextDay - springDay, hours(23));
    Date autumnDay = DateFormat::startOfLocalDay(*DateFormat::parse("2015-11-01 23:00:00", serverPattern, Zone::Local));
    Date after = DateFormat::startOfLocalDay(*DateFormat::parse("2015-11-02 00:30:00", serverPattern, Zone::Local));
    EXPECT_EQ(after - autumnDay, hours(25));
}

TEST_F(InZone, DayWhoseMidnightIsSkippedStartsAtTheChange)
{
    // On 2018-11-04 clocks in Sao Paulo went from 23:59:59 straight to 01:00.
    use("America/Sao_Paulo");
    Date noon = *DateFormat::parse("2018-11-04 12:00:00", serverPattern, Zone::Local);
    Date start = DateFormat::startOfLocalDay(noon);
    EXPECT_EQ(DateFormat::format(start, serverPattern, Zone::Local), "2018-11-04 01:00:00");
    EXPECT_EQ(DateFormat::format(start - seconds(1), serverPattern, Zone::Local), "2018-11-03 23:59:59");
    EXPECT_FALSE(DateFormat::parse("2018-11-04 00:30:00", serverPattern, Zone::Local));
}

TEST_F(InZone, LocalDayNumbersCountCalendarDays)
{
    use("America/New_York");
    Date late = *DateFormat::parse("2015-03-07 23:59:00", serverPattern, Zone::Local);
    Date early = *DateFormat::parse("2015-03-08 00:01:00", serverPattern, Zone::Local);
    EXPECT_EQ(DateFormat::localDayNumber(early) - DateFormat::localDayNumber(late), 1);
    Date weekLater = *DateFormat::parse("2015-03-14 23:59:59", serverPattern, Zone::Local);
    EXPECT_EQ(DateFormat::localDayNumber(weekLater) - DateFormat::localDayNumber(early), 6);
    // 03:00 UTC is still the previous evening in New York.
    EXPECT_EQ(DateFormat::localDayNumber(fromUnix(1433127600)), 16586);
    use("UTC");
    EXPECT_EQ(DateFormat::localDayNumber(fromUnix(1433127600)), 16587);
}

TEST(DateNow, LiesBetweenTwoClockReadings)
{
    Date before = std::chrono::system_clock::now();
    Date reading = DateFormat::now();
    Date after = std::chrono::system_clock::now();
    EXPECT_LE(before, reading);
    EXPECT_LE(reading, after);
}
