#include "editors/TextEditorChoiceViewController.h"

namespace quindle {

TextEditorChoiceViewController::TextEditorChoiceViewController(std::string title, std::string selection, CompletionHandler completionHandler)
    : ViewController(std::move(title))
    , m_selection(std::move(selection))
    , m_completionHandler(std::move(completionHandler))
{
}

void TextEditorChoiceViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<TextEditorChoiceViewController>(shared_from_this());
    m_table->setDataSource(self);
    m_table->setDelegate(self);
}

void TextEditorChoiceViewController::viewDidLoad()
{
    m_choices = makeChoices();
    m_table->reloadData();
}

std::shared_ptr<TableView> TextEditorChoiceViewController::tableView()
{
    view();
    return m_table;
}

int TextEditorChoiceViewController::numberOfRowsInSection(TableView&, int) { return static_cast<int>(m_choices.size()); }

std::shared_ptr<TableViewCell> TextEditorChoiceViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, cellIdentifier);
    const std::string& choice = m_choices.at(static_cast<size_t>(path.row));
    cell->textLabel()->setText(choice);
    styleCell(*cell, choice);
    cell->setAccessoryType(choice == m_selection ? AccessoryType::Checkmark : AccessoryType::None);
    return cell;
}

void TextEditorChoiceViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    if (path.row < 0 || static_cast<size_t>(path.row) >= m_choices.size())
        return;
    std::string chosen = m_choices[static_cast<size_t>(path.row)];
    if (m_completionHandler)
        m_completionHandler(chosen);
}

} // namespace quindle
