// The chart page's date arithmetic, thinning and markup.
#include "server/HistoryChart.h"

#include <gtest/gtest.h>

using namespace quindle;

TEST(HistoryChart, ServerDates)
{
    struct Case {
        const char* text;
        bool ok;
        int64_t seconds;
    } cases[] = {
        { "1970-01-01 00:00:00", true, 0 },
        { "2026-12-08 02:00:01", true, 1796695201 },
        { "2000-02-29 12:00:00", true, 951825600 },
        { "2026-13-01 00:00:00", false, 0 },
        { "2026-12-08T02:00:01", false, 0 },
        { "2026-12-08", false, 0 },
        { "", false, 0 },
    };
    for (const Case& c : cases) {
        int64_t seconds = 0;
        EXPECT_EQ(HistoryChart::parseDate(c.text, seconds), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(seconds, c.seconds) << c.text;
            EXPECT_EQ(HistoryChart::dayText(seconds), std::string(c.text).substr(0, 10));
        }
    }
}

TEST(HistoryChart, ThinningKeepsEachColumnsExtremes)
{
    std::vector<HistoryChart::Point> points;
    for (int i = 0; i < 10000; ++i)
        points.push_back({ i * 60, i == 5000 ? 500.0 : i == 7000 ? -500.0 : double(i % 7) });
    auto thin = HistoryChart::thin(points, 100);
    EXPECT_LE(thin.size(), 200u);
    EXPECT_GE(thin.size(), 100u);
    bool high = false, low = false;
    for (size_t i = 0; i < thin.size(); ++i) {
        high |= thin[i].value == 500.0;
        low |= thin[i].value == -500.0;
        if (i) {
            EXPECT_LT(thin[i - 1].seconds, thin[i].seconds);
        }
    }
    EXPECT_TRUE(high && low);
    EXPECT_EQ(HistoryChart::thin({ { 1, 2 }, { 3, 4 } }, 100).size(), 2u);
}

TEST(HistoryChart, PageOfTwoSeriesAndOfNone)
{
    std::string html = HistoryChart::page({ { "Pulse", { { 0, 60 }, { 86400 * 3, 72.5 } } }, { "Empty", {} } });
    EXPECT_NE(html.find(">Pulse</h3>"), std::string::npos);
    EXPECT_NE(html.find("latest 72.5 on 1970-01-04"), std::string::npos);
    EXPECT_NE(html.find(">1970-01-01</text>"), std::string::npos);
    EXPECT_NE(html.find(">72.5</text>"), std::string::npos);
    EXPECT_EQ(html.find("Empty"), std::string::npos);
    EXPECT_NE(HistoryChart::page({}, "A&B").find("No recorded numbers for A&amp;B"), std::string::npos);
}
