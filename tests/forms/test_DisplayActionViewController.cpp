// A due action shown: its person's name as title, its date and text in two labels.
#include "forms/DisplayActionViewController.h"

#include "platform/JsonParser.h"
#include "ui/Label.h"

#include <gtest/gtest.h>

using namespace quindle;

TEST(DisplayAction, ShowsTheDateAndTextOfTheAction)
{
    struct Case {
        const char* record;
        const char* date;
        const char* val;
    };
    for (Case c : { Case { R"({"date":"2026-12-05 10:00:00","val":"Weigh Margaret again"})", "2026-12-05 10:00:00", "Weigh Margaret again" },
             Case { R"({"date":null,"val":7})", "", "" } }) {
        auto screen = DisplayActionViewController::create("Margaret Hill", JsonParser::parse(c.record)->object());
        EXPECT_EQ(screen->title(), "Margaret Hill");
        EXPECT_EQ(screen->dateLabel()->text(), c.date);
        EXPECT_EQ(screen->valLabel()->text(), c.val);
    }
    EXPECT_EQ(DisplayActionViewController::create("A", nullptr)->dateLabel()->text(), "");
}
