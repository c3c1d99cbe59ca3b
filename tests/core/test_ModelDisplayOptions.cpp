// Options strings, site defaults and row heights.

#include "ModelFixture.h"

using namespace quindle;
using namespace quindle::test;

namespace {
using ModelDisplayOptions = ModelFixture;

AssetRecord withOptions(std::string options, std::string text = "")
{
    return JsonObject::create({ { "Type", "Text" }, { "Options", options }, { "Data", text } });
}
} // namespace

TEST_F(ModelDisplayOptions, FontNeedsANameAndASizeAndColoursFourComponentsAndThreeNumbers)
{
    // Two components give a font but no colours.
    EXPECT_EQ(model().fontFromOptions("Courier:20"), (Font { "Courier", 20 }));
    EXPECT_FALSE(model().textColourFromOptions("Courier:20"));
    EXPECT_FALSE(model().backgroundColourFromOptions("Courier:20"));
    // A fractional size is truncated and a junk size is zero.
    EXPECT_EQ(model().fontFromOptions("Courier:18.5:0,0,0:1,1,1")->pointSize, 18);
    EXPECT_EQ(model().fontSizeFromOptions("Courier:18.5:0,0,0:1,1,1"), "18.5");
    EXPECT_EQ(model().fontFromOptions("Courier:big")->pointSize, 0);
    // A single component gives no name or size; an unknown font falls back to the site default.
    EXPECT_EQ(model().fontNameFromOptions("Courier"), "");
    EXPECT_EQ(model().fontSizeFromOptions("Courier"), "");
    EXPECT_EQ(model().fontSizeFromOptions(""), "");
    EXPECT_FALSE(model().fontFromOptions("Courier"));
    EXPECT_FALSE(model().fontFromOptions("Wingbats:12"));
    EXPECT_EQ(model().fontForAsset(withOptions("Wingbats:12")), (Font { "System", 14 }));

    // Colours need exactly four components and three numbers.
    EXPECT_EQ(model().textColourFromOptions("Courier:12:0.25,0.50,0.75:1.00,0.00,0.00"), Colour::fromRGB(0.25, 0.5, 0.75));
    EXPECT_EQ(model().backgroundColourFromOptions("Courier:12:0.25,0.50,0.75:1.00,0.00,0.00"), Colour::fromRGB(1, 0, 0));
    EXPECT_FALSE(model().textColourFromOptions("Courier:12:0.25,0.50,0.75:1,0,0:extra"));
    EXPECT_FALSE(model().textColourFromOptions("Courier:12:0.25,0.50:1,0,0"));
    EXPECT_TRUE(model().backgroundColourFromOptions("Courier:12:0.25,0.50:1,0,0"));
    // Out-of-range numbers pass through unchanged.
    EXPECT_EQ(model().textColourFromOptions("Courier:12:2,-1,0.5:0,0,0")->red, 2);
    EXPECT_EQ(model().textColourFromOptions("Courier:12:2,-1,0.5:0,0,0")->alpha, 1);
}

TEST_F(ModelDisplayOptions, EachAppearanceIsDecidedOnItsOwn)
{
    model().updateDefaultOptions("Helvetica:11:0.00,0.00,1.00:0.00,1.00,0.00");
    // Own font, but the colours come from the site because there are only two components.
    auto rec = withOptions("Courier:30");
    EXPECT_EQ(model().fontForAsset(rec), (Font { "Courier", 30 }));
    EXPECT_EQ(model().textColourForAsset(rec), Colour::fromRGB(0, 0, 1));
    EXPECT_EQ(model().backgroundColourForAsset(rec), Colour::fromRGB(0, 1, 0));
    // No options at all: every value from the site.
    auto bare = JsonObject::create({ { "Type", "Text" } });
    EXPECT_EQ(model().fontForAsset(bare), (Font { "Helvetica", 11 }));
    EXPECT_EQ(model().fontForAsset(nullptr), (Font { "Helvetica", 11 }));
}

// Before any default the system font, black on white; a "(null)" font name yields nothing at all;
// an update replaces only what its string supplies.
TEST_F(ModelDisplayOptions, FallbacksNullFontNameAndDefaultUpdates)
{
    EXPECT_EQ(model().defaultFont(), (Font { "System", 14 }));
    EXPECT_EQ(model().defaultTextColour(), Colour::black());
    EXPECT_EQ(model().defaultBackgroundColour(), Colour::white());
    const char* o = "(null):14:0.10,0.10,0.10:0.20,0.20,0.20";
    EXPECT_EQ(model().fontNameFromOptions(o) + model().fontSizeFromOptions(o), "");
    EXPECT_FALSE(model().fontFromOptions(o) || model().textColourFromOptions(o) || model().backgroundColourFromOptions(o));
    EXPECT_EQ(model().fontForAsset(withOptions(o)), model().defaultFont());
    EXPECT_EQ(model().textColourForAsset(withOptions(o)), Colour::black());
    EXPECT_EQ(model().backgroundColourForAsset(withOptions(o)), Colour::white());

    model().updateDefaultOptions("Courier:12:0.10,0.10,0.10:0.20,0.20,0.20");
    model().updateDefaultOptions("Helvetica:16");
    EXPECT_EQ(model().defaultFont(), (Font { "Helvetica", 16 }));
    EXPECT_EQ(model().defaultTextColour(), Colour::fromRGB(0.1, 0.1, 0.1));
    model().updateDefaultOptions("");
    EXPECT_EQ(model().defaultFont(), (Font { "Helvetica", 16 }));
}

TEST_F(ModelDisplayOptions, EmptyTextRowIs42PointsAndLongTextGrowsWithWrapping)
{
    EXPECT_EQ(model().heightForAsset(withOptions("Courier:12"), 320), 42);
    EXPECT_EQ(model().heightForAsset(nullptr, 320), 42);
    // Courier 20: 10 points a character; a 134-point row leaves 100 points, 10 characters a line.
    std::string text = "aaaa bbbb cccc dddd eeee"; // five words of four, two per line: three lines
    double height = model().heightForAsset(withOptions("Courier:20", text), 134);
    EXPECT_DOUBLE_EQ(height, 3 * 24 + 10);
    // "Value" is measured when "Data" is empty.
    auto valueOnly = JsonObject::create({ { "Options", "Courier:20" }, { "Data", "" }, { "Value", text } });
    EXPECT_DOUBLE_EQ(model().heightForAsset(valueOnly, 134), 82);
}
