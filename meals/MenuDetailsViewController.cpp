#include "meals/MenuDetailsViewController.h"

#include "ui/Label.h"
#include "ui/TableViewCell.h"

namespace quindle {

MenuDetailsViewController::MenuDetailsViewController(JsonObjectPtr menuItemDetails)
    : ViewController(menuItemDetails ? menuItemDetails->get("name").asString() : std::string {})
    , m_menuItemDetails(std::move(menuItemDetails))
{
}

std::shared_ptr<MenuDetailsViewController> MenuDetailsViewController::create(JsonObjectPtr menuItemDetails)
{
    return std::shared_ptr<MenuDetailsViewController>(new MenuDetailsViewController(std::move(menuItemDetails)));
}

void MenuDetailsViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void MenuDetailsViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<MenuDetailsViewController>(shared_from_this());
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    m_table->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    m_ing = m_menuItemDetails ? m_menuItemDetails->get("ingredients").array() : nullptr;
    setTitle(m_menuItemDetails ? m_menuItemDetails->get("name").asString() : std::string {});
}

std::shared_ptr<TableView> MenuDetailsViewController::tableView()
{
    view();
    return m_table;
}

int MenuDetailsViewController::numberOfRowsInSection(TableView&, int) { return m_ing ? static_cast<int>(m_ing->size()) : 0; }

std::string MenuDetailsViewController::titleForHeaderInSection(TableView&, int) { return "Ingredients"; }

std::shared_ptr<TableViewCell> MenuDetailsViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, cellIdentifier);
    const JsonValue& ingredient = m_ing && path.row >= 0 && static_cast<size_t>(path.row) < m_ing->size() ? m_ing->at(path.row) : JsonValue {};
    cell->textLabel()->setText(ingredient.isObject() ? ingredient.object()->get("name").asString() : std::string {});
    cell->setSelectionStyle(SelectionStyle::None);
    return cell;
}

} // namespace quindle
