#include "platform/CellFontCatalogue.h"
#include "platform/Font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace quindle;

namespace {

// At 10 points a cell is 6 wide and a line 12 tall.
const Font tenPoint { "Courier", 10 };
constexpr double cell = 10 * CellFontCatalogue::cellWidthPerPoint;
constexpr double line = 10 * CellFontCatalogue::lineHeightPerPoint;

Size measure(const std::string& text, double columns, double lines = 1000)
{
    return CellFontCatalogue().measure(text, tenPoint, Size { columns * cell, lines * line });
}

int linesOf(const Size& size)
{
    return static_cast<int>(std::lround(size.height / line));
}

int columnsOf(const Size& size)
{
    return static_cast<int>(std::lround(size.width / cell));
}

class FixedCatalogue : public FontCatalogue {
public:
    std::vector<std::string> familyNames() const override { return { "Only" }; }
    std::vector<std::string> fontNamesForFamily(const std::string&) const override { return { "Only-Regular" }; }
    std::optional<Font> fontWithName(const std::string& name, double size) const override
    {
        if (name != "Only-Regular")
            return std::nullopt;
        return Font { name, size };
    }
    Font systemFont(double size) const override { return { "Only-Regular", size }; }
    Size measure(const std::string&, const Font&, Size) const override { return { 1, 2 }; }
};

/// Puts the built-in catalogue back after a test installs another.
class Installed : public ::testing::Test {
protected:
    void TearDown() override { FontCatalogue::install(nullptr); }
};

} // namespace

// The catalogue

TEST(CellCatalogue, ListsTheFixedFamilies)
{
    auto families = CellFontCatalogue().familyNames();
    for (const char* family : { "Helvetica", "Courier", "Georgia", "Times New Roman" })
        EXPECT_NE(std::find(families.begin(), families.end(), family), families.end()) << family;
    EXPECT_EQ(families.size(), 4u);
}

TEST(CellCatalogue, FontNamesOfAFamily)
{
    CellFontCatalogue catalogue;
    auto helvetica = catalogue.fontNamesForFamily("Helvetica");
    EXPECT_NE(std::find(helvetica.begin(), helvetica.end(), "Helvetica"), helvetica.end());
    EXPECT_NE(std::find(helvetica.begin(), helvetica.end(), "Helvetica-Bold"), helvetica.end());
    EXPECT_TRUE(catalogue.fontNamesForFamily("Comic Sans").empty());
    EXPECT_TRUE(catalogue.fontNamesForFamily("helvetica").empty());
}

TEST(CellCatalogue, EveryListedFontIsFoundByName)
{
    CellFontCatalogue catalogue;
    for (const auto& family : catalogue.familyNames()) {
        for (const auto& name : catalogue.fontNamesForFamily(family)) {
            auto font = catalogue.fontWithName(name, 17);
            ASSERT_TRUE(font) << name;
            EXPECT_EQ(font->name, name);
            EXPECT_EQ(font->pointSize, 17);
        }
    }
}

TEST(CellCatalogue, UnknownNamesGiveNothing)
{
    CellFontCatalogue catalogue;
    EXPECT_FALSE(catalogue.fontWithName("Wingdings", 12));
    EXPECT_FALSE(catalogue.fontWithName("helvetica", 12));
    EXPECT_FALSE(catalogue.fontWithName("(null)", 12));
    EXPECT_FALSE(catalogue.fontWithName("", 12));
}

TEST(CellCatalogue, SystemFontIsKnownByItsName)
{
    CellFontCatalogue catalogue;
    Font system = catalogue.systemFont(14);
    EXPECT_EQ(system.name, CellFontCatalogue::systemFontName);
    EXPECT_EQ(system.pointSize, 14);
    EXPECT_EQ(catalogue.fontWithName(system.name, 20), (Font { system.name, 20 }));
}

// Measuring

TEST(CellMeasure, EmptyTextIsZero)
{
    EXPECT_EQ(measure("", 10), (Size { 0, 0 }));
}

TEST(CellMeasure, OneLineUsesCellsAndLineHeight)
{
    Size size = measure("abc", 10);
    EXPECT_DOUBLE_EQ(size.width, 3 * cell);
    EXPECT_DOUBLE_EQ(size.height, line);
}

TEST(CellMeasure, ScalesWithPointSize)
{
    Size size = CellFontCatalogue().measure("abcd", Font { "Georgia", 20 }, Size { 1000, 1000 });
    EXPECT_DOUBLE_EQ(size.width, 4 * 20 * CellFontCatalogue::cellWidthPerPoint);
    EXPECT_DOUBLE_EQ(size.height, 20 * CellFontCatalogue::lineHeightPerPoint);
}

TEST(CellMeasure, WrapsAtWordBoundaries)
{
    Size size = measure("hello world again", 10);
    EXPECT_EQ(linesOf(size), 3);
    EXPECT_EQ(columnsOf(size), 5);
    EXPECT_EQ(linesOf(measure("hello world again", 11)), 2);
    EXPECT_EQ(linesOf(measure("hello world again", 17)), 1);
}

TEST(CellMeasure, ExactFitStaysOnOneLine)
{
    EXPECT_EQ(linesOf(measure("hello abcd", 10)), 1);
    EXPECT_EQ(linesOf(measure("hello abcd", 9.99)), 2);
}

TEST(CellMeasure, BlankAtTheEdgeOpensNoLine)
{
    EXPECT_EQ(linesOf(measure("hello ", 5)), 1);
    EXPECT_EQ(linesOf(measure("hello world", 5)), 2);
}

TEST(CellMeasure, BreaksWordsLongerThanALine)
{
    Size size = measure("abcdefghijklmnopqrstuvw", 10);
    EXPECT_EQ(linesOf(size), 3);
    EXPECT_EQ(columnsOf(size), 10);
    EXPECT_EQ(linesOf(measure("ab abcdefghijklmnop", 10)), 3);
    EXPECT_EQ(linesOf(measure("abcdefghijklmnopqrst", 10)), 2);
}

TEST(CellMeasure, HonoursNewlines)
{
    EXPECT_EQ(linesOf(measure("a\nb", 10)), 2);
    EXPECT_EQ(linesOf(measure("a\n\nb", 10)), 3);
    EXPECT_EQ(linesOf(measure("a\r\nb", 10)), 2);
    EXPECT_EQ(columnsOf(measure("a\r\nb", 10)), 1);
    EXPECT_EQ(linesOf(measure("hello world\nx", 5)), 3);
}

TEST(CellMeasure, CountsCharactersNotBytes)
{
    EXPECT_EQ(columnsOf(measure("\xC3\xA9t\xC3\xA9", 10)), 3);
    EXPECT_EQ(linesOf(measure("\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC", 2)), 2);
}

TEST(CellMeasure, ClipsAtTheBoxHeight)
{
    std::string text;
    for (int i = 0; i < 50; ++i)
        text += "word ";
    Size size = measure(text, 4, 3.5);
    EXPECT_DOUBLE_EQ(size.height, 3.5 * line);
    EXPECT_EQ(columnsOf(size), 4);
    EXPECT_EQ(measure("abc", 10, 0).height, 0);
}

TEST(CellMeasure, WidthCountsOnlyLinesThatShow)
{
    Size size = measure("a\nabcdefgh", 10, 1);
    EXPECT_EQ(columnsOf(size), 1);
    EXPECT_DOUBLE_EQ(size.height, line);
}

TEST(CellMeasure, NarrowBoxesStillShowOneCharacterALine)
{
    Size size = CellFontCatalogue().measure("abc", tenPoint, Size { 1, 1000 });
    EXPECT_EQ(linesOf(size), 3);
    EXPECT_EQ(CellFontCatalogue().measure("abc", tenPoint, Size { -5, 1000 }).height, 3 * line);
}

TEST(CellMeasure, HugeBoxesAndOddFontSizes)
{
    Size wide = CellFontCatalogue().measure("a b c", tenPoint, Size { INFINITY, INFINITY });
    EXPECT_EQ(columnsOf(wide), 5);
    EXPECT_DOUBLE_EQ(wide.height, line);
    EXPECT_EQ(CellFontCatalogue().measure("abc", Font { "Courier", 0 }, Size { 100, 100 }), (Size { 0, 0 }));
    EXPECT_EQ(CellFontCatalogue().measure("abc", Font { "Courier", -3 }, Size { 100, 100 }), (Size { 0, 0 }));
    EXPECT_EQ(CellFontCatalogue().measure("abc", Font { "Courier", NAN }, Size { 100, 100 }), (Size { 0, 0 }));
}

// The installed catalogue

TEST_F(Installed, BuiltInCatalogueUntilReplaced)
{
    EXPECT_TRUE(FontCatalogue::current().fontWithName("Helvetica-Bold", 12));
    EXPECT_EQ(FontCatalogue::current().systemFont(14).name, CellFontCatalogue::systemFontName);
}

TEST_F(Installed, InstallReplacesAndNullRestores)
{
    FontCatalogue::install(std::make_shared<FixedCatalogue>());
    EXPECT_FALSE(FontCatalogue::current().fontWithName("Helvetica", 12));
    EXPECT_TRUE(FontCatalogue::current().fontWithName("Only-Regular", 12));
    FontCatalogue::install(nullptr);
    EXPECT_TRUE(FontCatalogue::current().fontWithName("Helvetica", 12));
}

TEST_F(Installed, EarlierReferencesStayUsable)
{
    FontCatalogue::install(std::make_shared<FixedCatalogue>());
    FontCatalogue& earlier = FontCatalogue::current();
    FontCatalogue::install(nullptr);
    EXPECT_EQ(earlier.measure("x", Font {}, Size {}), (Size { 1, 2 }));
}
