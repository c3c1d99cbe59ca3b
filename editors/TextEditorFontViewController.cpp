#include "editors/TextEditorFontViewController.h"

#include "platform/Font.h"

#include <algorithm>
#include <cctype>

namespace quindle {

namespace {

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) < std::tolower(y);
    });
}

} // namespace

std::shared_ptr<TextEditorFontViewController> TextEditorFontViewController::create(std::string selection, CompletionHandler completionHandler)
{
    return std::shared_ptr<TextEditorFontViewController>(new TextEditorFontViewController("Font", std::move(selection), std::move(completionHandler)));
}

std::vector<std::string> TextEditorFontViewController::makeChoices() const
{
    const FontCatalogue& catalogue = FontCatalogue::current();
    std::vector<std::string> fonts;
    for (const auto& family : catalogue.familyNames())
        for (auto& name : catalogue.fontNamesForFamily(family))
            fonts.push_back(std::move(name));
    std::stable_sort(fonts.begin(), fonts.end(), lessIgnoringCase);
    return fonts;
}

void TextEditorFontViewController::styleCell(TableViewCell& cell, const std::string& name) const
{
    cell.textLabel()->setFont({ name, rowFontSize });
}

} // namespace quindle
