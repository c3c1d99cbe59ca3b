#include "platform/Date.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

using namespace quindle;
using DateFormat::Zone;
using std::chrono::hours;
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

std::optional<Date> parseUtc(const std::string& text)
{
    return DateFormat::parse(text, serverPattern, Zone::UTC);
}

/// Runs a test in a named time zone and puts the process zone back afterwards.
class InZone : public ::testing::Test {
protected:
    void TearDown() override
    {
        m_saved ? setenv("TZ", m_saved->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    static void use(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }
    static Date local(const std::string& text) { return *DateFormat::parse(text, serverPattern, Zone::Local); }
    static std::string utc(Date d) { return DateFormat::format(d, serverPattern, Zone::UTC); }
    static std::string localText(Date d) { return DateFormat::format(d, serverPattern, Zone::Local); }

private:
    const char* m_zone = std::getenv("TZ");
    std::optional<std::string> m_saved = m_zone ? std::optional<std::string>(m_zone) : std::nullopt;
};

} // namespace

TEST(DateUtc, ServerTextInstantsAndOtherPatternsBothWays)
{
    const std::vector<std::pair<int64_t, std::string>> cases { { 1433152800, "2015-06-01 10:00:00" },
        { 0, "1970-01-01 00:00:00" }, { 951782400, "2000-02-29 00:00:00" } };
    for (const auto& [instant, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(DateFormat::format(fromUnix(instant), serverPattern, Zone::UTC), text);
        ASSERT_TRUE(parseUtc(text));
        EXPECT_EQ(unixSeconds(*parseUtc(text)), instant);
    }
    // Fractions of a second fall towards the past.
    EXPECT_EQ(DateFormat::format(fromUnix(0) - std::chrono::milliseconds(500), serverPattern, Zone::UTC), "1969-12-31 23:59:59");
    EXPECT_EQ(DateFormat::format(fromUnix(1433152800) + std::chrono::milliseconds(999), serverPattern, Zone::UTC),
        "2015-06-01 10:00:00");
    for (int64_t s = -2208988800; s < 7258118400; s += 86400 * 37 + 3599) {
        std::string text = DateFormat::format(fromUnix(s), serverPattern, Zone::UTC);
        ASSERT_TRUE(parseUtc(text)) << text;
        EXPECT_EQ(unixSeconds(*parseUtc(text)), s) << text;
    }
    // Other patterns; missing fields default to the epoch and lone letters are literals.
    auto d = DateFormat::parse("20150601143000", "yyyyMMddHHmmss", Zone::UTC);
    ASSERT_TRUE(d);
    EXPECT_EQ(DateFormat::format(*d, "Image_yyyyMMddHHmmss.jpg", Zone::UTC), "Image_20150601143000.jpg");
    EXPECT_EQ(unixSeconds(*DateFormat::parse("10:30", "HH:mm", Zone::UTC)), 10 * 3600 + 30 * 60);
    EXPECT_EQ(unixSeconds(*DateFormat::parse("2015-06-01T10:00", "yyyy-MM-ddTHH:mm", Zone::UTC)), 1433152800);
    EXPECT_EQ(DateFormat::format(*d, "d M y", Zone::UTC), "d M y");
    // Now lies between two clock readings.
    Date before = std::chrono::system_clock::now();
    Date reading = DateFormat::now();
    EXPECT_LE(before, reading);
    EXPECT_LE(reading, std::chrono::system_clock::now());
}

TEST(DateParse, OnlyExactTextOfAValidInstantParses)
{
    // A T for the blank, wrong digit counts, extra or missing text, non-digits, fields out of
    // range, 29 February outside leap years, and instants past the nanosecond clock (1677-2262).
    for (std::string text : { "2015-06-01T10:00:00", "2015-6-01 10:00:00", "2015-06-1 10:00:00", "15-06-01 10:00:00",
             "02015-06-01 10:00:00", "2015-06-01 10:00:0", "2015-06-01 10:00:000", "", "2015-06-01",
             "2015-06-01 10:00:00Z", " 2015-06-01 10:00:00", "2015-06-01 10:00:00 ", "+015-06-01 10:00:00",
             "2015-0a-01 10:00:00", "2015-06-01 1 :00:00", "2015-00-01 10:00:00", "2015-13-01 10:00:00",
             "2015-06-00 10:00:00", "2015-04-31 10:00:00", "2015-01-32 10:00:00", "2015-06-01 24:00:00",
             "2015-06-01 10:60:00", "2015-06-01 10:00:60", "2015-02-29 00:00:00", "1900-02-29 00:00:00",
             "9999-12-31 23:59:59", "1000-01-01 00:00:00" })
        EXPECT_FALSE(parseUtc(text)) << text;
    for (std::string text : { "2015-06-01 23:59:59", "2016-02-29 00:00:00", "2200-01-01 00:00:00" })
        EXPECT_TRUE(parseUtc(text)) << text;
    EXPECT_FALSE(DateFormat::parse("9999-12-31 23:59:59", serverPattern, Zone::Local));
}

TEST_F(InZone, LocalTextAndDaysFollowTheProcessZoneAndUtcIgnoresIt)
{
    // One instant in three zones; UTC text and parsing ignore the zone.
    for (auto [zone, text, shortText] : { std::tuple { "Asia/Tokyo", "2015-06-01 19:00:00", "01/06/2015 19:00" },
             { "UTC", "2015-06-01 10:00:00", "01/06/2015 10:00" }, { "America/New_York", "2015-06-01 06:00:00", "01/06/2015 06:00" } }) {
        use(zone);
        EXPECT_EQ((std::tuple { localText(fromUnix(1433152800)), DateFormat::shortDateTime(fromUnix(1433152800)), utc(fromUnix(1433152800)),
                      unixSeconds(*parseUtc("2015-06-01 10:00:00")) }),
            (std::tuple { text, shortText, "2015-06-01 10:00:00", 1433152800 })) << zone;
    }
    EXPECT_EQ(localText(fromUnix(1420106400)), "2015-01-01 05:00:00");
    // A time skipped by spring-forward does not exist; a repeated one is the earlier instant.
    EXPECT_FALSE(DateFormat::parse("2015-03-08 02:30:00", serverPattern, Zone::Local));
    EXPECT_TRUE(DateFormat::parse("2015-03-08 03:30:00", serverPattern, Zone::Local));
    EXPECT_EQ(utc(local("2015-11-01 01:30:00")), "2015-11-01 05:30:00");
    use("Europe/Berlin");
    EXPECT_EQ((std::tuple { unixSeconds(local("2015-06-01 12:00:00")), localText(local("2015-06-01 12:00:00")) }),
        (std::tuple { 1433152800, "2015-06-01 12:00:00" }));
    // Local days have their real length; a skipped midnight starts the day at the change.
    use("America/New_York");
    EXPECT_EQ(utc(DateFormat::startOfLocalDay(local("2015-06-01 12:34:56"))), "2015-06-01 04:00:00");
    Date midnight = local("2015-06-01 00:00:00");
    EXPECT_EQ(DateFormat::startOfLocalDay(midnight), midnight);
    EXPECT_EQ(DateFormat::startOfLocalDay(midnight - seconds(1)), midnight - hours(24));
    auto dayStart = [](const char* text) { return DateFormat::startOfLocalDay(local(text)); };
    EXPECT_EQ(dayStart("2015-03-09 12:00:00") - dayStart("2015-03-08 12:00:00"), hours(23));
    EXPECT_EQ(dayStart("2015-11-02 00:30:00") - dayStart("2015-11-01 23:00:00"), hours(25));
    // Day numbers count calendar days; 03:00 UTC is still the previous evening in New York.
    Date early = local("2015-03-08 00:01:00");
    EXPECT_EQ(DateFormat::localDayNumber(early) - DateFormat::localDayNumber(local("2015-03-07 23:59:00")), 1);
    EXPECT_EQ(DateFormat::localDayNumber(local("2015-03-14 23:59:59")) - DateFormat::localDayNumber(early), 6);
    EXPECT_EQ(DateFormat::localDayNumber(fromUnix(1433127600)), 16586);
    use("UTC");
    EXPECT_EQ(DateFormat::localDayNumber(fromUnix(1433127600)), 16587);
    // On 2018-11-04 clocks in Sao Paulo went from 23:59:59 straight to 01:00.
    use("America/Sao_Paulo");
    Date start = DateFormat::startOfLocalDay(local("2018-11-04 12:00:00"));
    EXPECT_EQ((std::tuple { localText(start), localText(start - seconds(1)) }), (std::tuple { "2018-11-04 01:00:00", "2018-11-03 23:59:59" }));
    EXPECT_FALSE(DateFormat::parse("2018-11-04 00:30:00", serverPattern, Zone::Local));
}
