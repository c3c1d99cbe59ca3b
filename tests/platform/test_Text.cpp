#include "platform/Base64.h"
#include "platform/CellFontCatalogue.h"
#include "platform/Date.h"
#include "platform/Font.h"
#include "tests/core/TestFontCatalogue.h"
#include "tests/support/ZoneFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

using namespace quindle;
using DateFormat::Zone;
using std::chrono::hours;
using std::chrono::seconds;

TEST(Base64, KnownVectorsRoundTripsAndMalformedText)
{
    // Every padding length and the two letters past the alphanumerics.
    const std::vector<std::pair<std::string, std::string>> cases { { "", "" }, { "f", "Zg==" }, { "fo", "Zm8=" },
        { "foo", "Zm9v" }, { "foob", "Zm9vYg==" }, { "fooba", "Zm9vYmE=" }, { "foobar", "Zm9vYmFy" },
        { std::string("\xFB\xFF\xBF", 3), "+/+/" }, { std::string("\0\0\0", 3), "AAAA" } };
    for (const auto& [bytes, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Base64::encode(bytes), text);
        EXPECT_EQ(Base64::decode(text), bytes);
    }
    // Long input is one line: no breaks every 76 characters.
    std::string line = Base64::encode(std::string(3000, 'x'));
    EXPECT_EQ(std::make_pair(line.size(), line.find_first_not_of("eHh4")), std::make_pair(size_t(4000), std::string::npos));
    // Every byte value round-trips, at every length and so every padding.
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    for (size_t length = 0; length <= all.size(); ++length)
        ASSERT_EQ(Base64::decode(Base64::encode(all.substr(all.size() - length))), all.substr(all.size() - length)) << length;
    // Refused: wrong length, characters outside the alphabet (the URL-safe ones too), misplaced padding,
    // and bits under the padding that the decoded bytes cannot hold.
    for (std::string text : { "Zg", "Zm8", "Zm9vY", "Zg===", "Zm9v\nYmFy", "Zm9 ", "Zm9-", "Zm9_", "Zm9\xC3", "====",
             "Z===", "Zm=v", "Zg==Zm9v", "=Zm9", "Zh==", "Zm9=" })
        EXPECT_FALSE(Base64::decode(text)) << text;
    EXPECT_FALSE(Base64::decode(std::string("Zm\0v", 4)));
}

namespace {

constexpr const char* serverPattern = "yyyy-MM-dd HH:mm:ss";

Date fromUnix(int64_t s) { return Date(seconds(s)); }
int64_t unixSeconds(Date d) { return std::chrono::duration_cast<seconds>(d.time_since_epoch()).count(); }
std::optional<Date> parseUtc(const std::string& text) { return DateFormat::parse(text, serverPattern, Zone::UTC); }

/// A zone fixture that reads and writes the server's date pattern.
class InZone : public test::ZoneFixture {
protected:
    static Date local(const std::string& text) { return *DateFormat::parse(text, serverPattern, Zone::Local); }
    static std::string utc(Date d) { return DateFormat::format(d, serverPattern, Zone::UTC); }
    static std::string localText(Date d) { return DateFormat::format(d, serverPattern, Zone::Local); }
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
    Date before = std::chrono::system_clock::now(), reading = DateFormat::now();
    EXPECT_TRUE(before <= reading && reading <= std::chrono::system_clock::now());
    // Only exact text of a valid instant parses. Refused: a T for the blank, wrong digit counts, extra or missing text, non-digits, fields out of
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
    EXPECT_TRUE(!DateFormat::parse("2015-03-08 02:30:00", serverPattern, Zone::Local)
        && DateFormat::parse("2015-03-08 03:30:00", serverPattern, Zone::Local));
    EXPECT_EQ(utc(local("2015-11-01 01:30:00")), "2015-11-01 05:30:00");
    use("Europe/Berlin");
    EXPECT_EQ((std::tuple { unixSeconds(local("2015-06-01 12:00:00")), localText(local("2015-06-01 12:00:00")) }),
        (std::tuple { 1433152800, "2015-06-01 12:00:00" }));
    // Local days have their real length; a skipped midnight starts the day at the change.
    use("America/New_York");
    EXPECT_EQ(utc(DateFormat::startOfLocalDay(local("2015-06-01 12:34:56"))), "2015-06-01 04:00:00");
    Date midnight = local("2015-06-01 00:00:00");
    EXPECT_EQ(std::make_pair(DateFormat::startOfLocalDay(midnight), DateFormat::startOfLocalDay(midnight - seconds(1))),
        std::make_pair(midnight, midnight - hours(24)));
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

namespace {

// At 10 points a cell is 6 wide and a line 12 tall.
const Font tenPoint { "Courier", 10 };
constexpr double cell = 10 * CellFontCatalogue::cellWidthPerPoint;
constexpr double line = 10 * CellFontCatalogue::lineHeightPerPoint;

} // namespace

TEST(CellCatalogue, FamiliesFontsNamesAndMeasures)
{
    CellFontCatalogue catalogue;
    auto families = catalogue.familyNames();
    EXPECT_EQ(families.size(), 4u);
    for (const auto& family : families) {
        EXPECT_FALSE(catalogue.fontNamesForFamily(family).empty()) << family;
        for (const auto& name : catalogue.fontNamesForFamily(family))
            EXPECT_EQ(catalogue.fontWithName(name, 17), (Font { name, 17 })) << name;
    }
    for (const char* unknown : { "Comic Sans", "helvetica" })
        EXPECT_TRUE(catalogue.fontNamesForFamily(unknown).empty()) << unknown;
    // Names are exact; the system font is known by its own.
    for (const char* unknown : { "Wingdings", "helvetica", "(null)", "" })
        EXPECT_FALSE(catalogue.fontWithName(unknown, 12)) << unknown;
    Font system = catalogue.systemFont(14);
    EXPECT_EQ(system, (Font { CellFontCatalogue::systemFontName, 14 }));
    EXPECT_EQ(catalogue.fontWithName(system.name, 20), (Font { system.name, 20 }));
    // Measuring wraps into cells and lines: text, box columns and lines, measured columns and lines.
    const std::tuple<const char*, double, double, double, double> cases[] = {
        { "", 10, 1000, 0, 0 }, { "abc", 10, 1000, 3, 1 },
        // Wrapping at word boundaries; an exact fit stays on one line.
        { "hello world again", 10, 1000, 5, 3 }, { "hello world again", 11, 1000, 11, 2 }, { "hello world again", 17, 1000, 17, 1 },
        { "hello abcd", 10, 1000, 10, 1 }, { "hello abcd", 9.99, 1000, 5, 2 },
        // A blank at the edge opens no line; longer words break.
        { "hello ", 5, 1000, 5, 1 }, { "hello world", 5, 1000, 5, 2 }, { "abcdefghijklmnopqrstuvw", 10, 1000, 10, 3 },
        { "ab abcdefghijklmnop", 10, 1000, 10, 3 }, { "abcdefghijklmnopqrst", 10, 1000, 10, 2 },
        // Newlines, with a carriage return taking no cell; characters count, not bytes.
        { "a\nb", 10, 1000, 1, 2 }, { "a\n\nb", 10, 1000, 1, 3 }, { "a\r\nb", 10, 1000, 1, 2 }, { "hello world\nx", 5, 1000, 5, 3 },
        { "\xC3\xA9t\xC3\xA9", 10, 1000, 3, 1 }, { "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC", 2, 1000, 2, 2 },
        // Clipped at the box height; only lines that show count towards the width.
        { "word word word word word word word word word word", 4, 3.5, 4, 3.5 }, { "abc", 10, 0, 0, 0 }, { "a\nabcdefgh", 10, 1, 1, 1 },
        // Boxes narrower than a cell still show one character a line; an endless box one line.
        { "abc", 1 / cell, 1000, 1, 3 }, { "abc", -5 / cell, 1000, 1, 3 }, { "a b c", INFINITY, INFINITY, 5, 1 },
    };
    for (const auto& [text, boxColumns, boxLines, columns, lines] : cases) {
        SCOPED_TRACE(std::string(text) + " in " + std::to_string(boxColumns));
        Size size = CellFontCatalogue().measure(text, tenPoint, Size { boxColumns * cell, boxLines * line });
        EXPECT_NEAR(size.width / cell, columns, 1e-9);
        EXPECT_NEAR(size.height / line, lines, 1e-9);
    }
    Size twenty = CellFontCatalogue().measure("abcd", Font { "Georgia", 20 }, Size { 1000, 1000 });
    EXPECT_DOUBLE_EQ(twenty.width, 4 * 20 * CellFontCatalogue::cellWidthPerPoint);
    EXPECT_DOUBLE_EQ(twenty.height, 20 * CellFontCatalogue::lineHeightPerPoint);
    for (double points : { 0.0, -3.0, double(NAN) })
        EXPECT_EQ(CellFontCatalogue().measure("abc", Font { "Courier", points }, Size { 100, 100 }), (Size { 0, 0 }));
}

// Each test runs in a process of its own: one asks for the catalogue first, the other installs first.

TEST(FontCatalogueInstall, BuiltInUntilReplaced)
{
    EXPECT_TRUE(FontCatalogue::current().fontWithName("Helvetica-Bold", 12));
    EXPECT_EQ(FontCatalogue::current().systemFont(14).name, CellFontCatalogue::systemFontName);
}

TEST(FontCatalogueInstall, InstallReplacesNullRestoresAndEarlierReferencesStayUsable)
{
    // The test catalogue knows no Georgia and gives a character half its point size.
    FontCatalogue::install(std::make_shared<quindle::test::TestFontCatalogue>());
    FontCatalogue& earlier = FontCatalogue::current();
    EXPECT_TRUE(!earlier.fontWithName("Georgia", 12) && earlier.fontWithName("Courier", 12));
    FontCatalogue::install(nullptr);
    EXPECT_TRUE(FontCatalogue::current().fontWithName("Georgia", 12));
    EXPECT_EQ(earlier.measure("x", tenPoint, Size { 100, 100 }), (Size { 5, 12 }));
}
