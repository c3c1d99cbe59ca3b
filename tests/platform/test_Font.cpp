#include "platform/CellFontCatalogue.h"
#include "platform/Font.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quindle;

namespace {

// At 10 points a cell is 6 wide and a line 12 tall.
const Font tenPoint { "Courier", 10 };
constexpr double cell = 10 * CellFontCatalogue::cellWidthPerPoint;
constexpr double line = 10 * CellFontCatalogue::lineHeightPerPoint;

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
    // Measuring wraps into cells and lines.
    // Text, box columns and lines, measured columns and lines.
    const std::tuple<const char*, double, double, double, double> cases[] = {
        { "", 10, 1000, 0, 0 },
        { "abc", 10, 1000, 3, 1 },
        // Wrapping at word boundaries; an exact fit stays on one line.
        { "hello world again", 10, 1000, 5, 3 },
        { "hello world again", 11, 1000, 11, 2 },
        { "hello world again", 17, 1000, 17, 1 },
        { "hello abcd", 10, 1000, 10, 1 },
        { "hello abcd", 9.99, 1000, 5, 2 },
        // A blank at the edge opens no line; longer words break.
        { "hello ", 5, 1000, 5, 1 },
        { "hello world", 5, 1000, 5, 2 },
        { "abcdefghijklmnopqrstuvw", 10, 1000, 10, 3 },
        { "ab abcdefghijklmnop", 10, 1000, 10, 3 },
        { "abcdefghijklmnopqrst", 10, 1000, 10, 2 },
        // Newlines, with a carriage return taking no cell; characters count, not bytes.
        { "a\nb", 10, 1000, 1, 2 },
        { "a\n\nb", 10, 1000, 1, 3 },
        { "a\r\nb", 10, 1000, 1, 2 },
        { "hello world\nx", 5, 1000, 5, 3 },
        { "\xC3\xA9t\xC3\xA9", 10, 1000, 3, 1 },
        { "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC", 2, 1000, 2, 2 },
        // Clipped at the box height; only lines that show count towards the width.
        { "word word word word word word word word word word", 4, 3.5, 4, 3.5 },
        { "abc", 10, 0, 0, 0 },
        { "a\nabcdefgh", 10, 1, 1, 1 },
        // Boxes narrower than a cell still show one character a line; an endless box one line.
        { "abc", 1 / cell, 1000, 1, 3 },
        { "abc", -5 / cell, 1000, 1, 3 },
        { "a b c", INFINITY, INFINITY, 5, 1 },
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
    FontCatalogue::install(std::make_shared<FixedCatalogue>());
    FontCatalogue& earlier = FontCatalogue::current();
    EXPECT_FALSE(earlier.fontWithName("Helvetica", 12));
    EXPECT_TRUE(earlier.fontWithName("Only-Regular", 12));
    FontCatalogue::install(nullptr);
    EXPECT_TRUE(FontCatalogue::current().fontWithName("Helvetica", 12));
    EXPECT_EQ(earlier.measure("x", Font {}, Size {}), (Size { 1, 2 }));
}
