#include "editors/TextEditorFontViewController.h"
#include "editors/TextEditorSizeViewController.h"

#include <gtest/gtest.h>

namespace quindle {
namespace {

/// Families with fonts in mixed case, so the sort must ignore case.
class MixedCaseCatalogue final : public FontCatalogue {
public:
    std::vector<std::string> familyNames() const override { return { "zapf", "Arial", "courier" }; }
    std::vector<std::string> fontNamesForFamily(const std::string& family) const override
    {
        if (family == "Arial")
            return { "Arial-Bold", "Arial" };
        return { family };
    }
    std::optional<Font> fontWithName(const std::string& name, double size) const override { return Font { name, size }; }
    Font systemFont(double size) const override { return { "System", size }; }
    Size measure(const std::string&, const Font&, Size) const override { return {}; }
};

struct Shown {
    std::vector<std::string> labels;
    std::vector<std::string> ticked;
};

Shown shown(TableView& table)
{
    Shown result;
    for (const auto& row : table.layoutAllRows().rows) {
        result.labels.push_back(row.cell->textLabel()->text());
        if (row.cell->accessoryType() == AccessoryType::Checkmark)
            result.ticked.push_back(row.cell->textLabel()->text());
        EXPECT_EQ(row.cell->reuseIdentifier(), "TextEditorFontCell");
    }
    return result;
}

TEST(TextEditorChoosers, FontsSortedIgnoringCaseEachInItsOwnFont)
{
    FontCatalogue::install(std::make_shared<MixedCaseCatalogue>());
    std::vector<std::string> chosen;
    auto chooser = TextEditorFontViewController::create("courier", [&](const std::string& name) { chosen.push_back(name); });
    auto table = chooser->tableView();
    Shown rows = shown(*table);
    EXPECT_EQ(rows.labels, (std::vector<std::string> { "Arial", "Arial-Bold", "courier", "zapf" }));
    EXPECT_EQ(rows.ticked, std::vector<std::string> { "courier" });
    for (const auto& row : table->layoutAllRows().rows)
        EXPECT_EQ(row.cell->textLabel()->font(), (Font { row.cell->textLabel()->text(), 16 }));
    table->selectRow({ 0, 3 });
    EXPECT_EQ(chosen, std::vector<std::string> { "zapf" });
    FontCatalogue::install(nullptr);
}

TEST(TextEditorChoosers, SizesTwelveToFiftyTickedByEqualText)
{
    const struct { const char* selection; std::vector<std::string> ticked; } cases[] = {
        { "12", { "12" } },
        { "50", { "50" } },
        { "13", {} }, // an odd stored size marks no row
        { "", {} },
        { "18.0", {} },
    };
    for (const auto& c : cases) {
        std::vector<std::string> chosen;
        auto chooser = TextEditorSizeViewController::create(c.selection, [&](const std::string& size) { chosen.push_back(size); });
        Shown rows = shown(*chooser->tableView());
        ASSERT_EQ(rows.labels.size(), 20u);
        EXPECT_EQ(rows.labels.front(), "12");
        EXPECT_EQ(rows.labels[1], "14");
        EXPECT_EQ(rows.labels.back(), "50");
        EXPECT_EQ(rows.ticked, c.ticked) << c.selection;
        chooser->tableView()->selectRow({ 0, 19 });
        EXPECT_EQ(chosen, std::vector<std::string> { "50" });
    }
}

} // namespace
} // namespace quindle
