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
    return std::shared_ptr<TextEditorFontViewController>(new TextEditorFontViewController(std::move(selection), std::move(completionHandler)));
}

TextEditorFontViewController::TextEditorFontViewController(std::string selection, CompletionHandler completionHandler)
    : ViewController("Font")
    , m_selection(std::move(selection))
    , m_completionHandler(std::move(completionHandler))
{
}

void TextEditorFontViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<TextEditorFontViewController>(shared_from_this());
    m_table->setDataSource(self);
    m_table->setDelegate(self);
}

void TextEditorFontViewController::viewDidLoad()
{
    const FontCatalogue& catalogue = FontCatalogue::current();
    m_fonts.clear();
    for (const auto& family : catalogue.familyNames())
        for (auto& name : catalogue.fontNamesForFamily(family))
            m_fonts.push_back(std::move(name));
    std::stable_sort(m_fonts.begin(), m_fonts.end(), lessIgnoringCase);
    m_table->reloadData();
}

std::shared_ptr<TableView> TextEditorFontViewController::tableView()
{
    view();
    return m_table;
}

int TextEditorFontViewController::numberOfRowsInSection(TableView&, int) { return static_cast<int>(m_fonts.size()); }

std::shared_ptr<TableViewCell> TextEditorFontViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("TextEditorFontCell");
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, "TextEditorFontCell");
    const std::string& name = m_fonts.at(static_cast<size_t>(path.row));
    cell->textLabel()->setText(name);
    cell->textLabel()->setFont({ name, rowFontSize });
    cell->setAccessoryType(name == m_selection ? AccessoryType::Checkmark : AccessoryType::None);
    return cell;
}

void TextEditorFontViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    if (path.row < 0 || static_cast<size_t>(path.row) >= m_fonts.size())
        return;
    std::string chosen = m_fonts[static_cast<size_t>(path.row)];
    if (m_completionHandler)
        m_completionHandler(chosen);
}

} // namespace quindle
