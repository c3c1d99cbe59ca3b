#include "editors/TextEditorSizeViewController.h"

namespace quindle {

std::shared_ptr<TextEditorSizeViewController> TextEditorSizeViewController::create(std::string selection, CompletionHandler completionHandler)
{
    return std::shared_ptr<TextEditorSizeViewController>(new TextEditorSizeViewController(std::move(selection), std::move(completionHandler)));
}

TextEditorSizeViewController::TextEditorSizeViewController(std::string selection, CompletionHandler completionHandler)
    : ViewController("Size")
    , m_selection(std::move(selection))
    , m_completionHandler(std::move(completionHandler))
{
}

void TextEditorSizeViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<TextEditorSizeViewController>(shared_from_this());
    m_table->setDataSource(self);
    m_table->setDelegate(self);
}

void TextEditorSizeViewController::viewDidLoad()
{
    m_sizes.clear();
    for (int size = smallestSize; size <= largestSize; size += 2)
        m_sizes.push_back(std::to_string(size));
    m_table->reloadData();
}

std::shared_ptr<TableView> TextEditorSizeViewController::tableView()
{
    view();
    return m_table;
}

int TextEditorSizeViewController::numberOfRowsInSection(TableView&, int) { return static_cast<int>(m_sizes.size()); }

std::shared_ptr<TableViewCell> TextEditorSizeViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    // The size rows share the font chooser's cell kind.
    auto cell = table.dequeueReusableCellWithIdentifier("TextEditorFontCell");
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, "TextEditorFontCell");
    const std::string& size = m_sizes.at(static_cast<size_t>(path.row));
    cell->textLabel()->setText(size);
    cell->setAccessoryType(size == m_selection ? AccessoryType::Checkmark : AccessoryType::None);
    return cell;
}

void TextEditorSizeViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    if (path.row < 0 || static_cast<size_t>(path.row) >= m_sizes.size())
        return;
    std::string chosen = m_sizes[static_cast<size_t>(path.row)];
    if (m_completionHandler)
        m_completionHandler(chosen);
}

} // namespace quindle
