#include "forms/ActionListViewController.h"

#include "forms/ActionViewController.h"
#include "forms/CareRequest.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"

namespace quindle {

ActionListViewController::ActionListViewController(JsonArrayPtr actions, std::string name, std::string resDocID)
    : ViewController(name)
    , m_actions(std::move(actions))
    , m_name(std::move(name))
    , m_resDocID(std::move(resDocID))
{
}

std::shared_ptr<ActionListViewController> ActionListViewController::create(JsonArrayPtr actions, std::string name, std::string resDocID)
{
    return std::shared_ptr<ActionListViewController>(new ActionListViewController(std::move(actions), std::move(name), std::move(resDocID)));
}

void ActionListViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<ActionListViewController>(shared_from_this());
    m_table->setDataSource(self);
    m_table->setDelegate(self);
}

std::shared_ptr<TableView> ActionListViewController::tableView()
{
    view();
    return m_table;
}

JsonObjectPtr ActionListViewController::record(IndexPath path) const
{
    const size_t index = path.section == 0 ? 0 : static_cast<size_t>(path.row);
    if (!m_actions || path.row < 0 || index >= m_actions->size())
        return nullptr;
    return m_actions->at(index).object();
}

int ActionListViewController::numberOfRowsInSection(TableView&, int section)
{
    const int count = m_actions ? static_cast<int>(m_actions->size()) : 0;
    return section == 0 ? std::min(count, 1) : count;
}

std::shared_ptr<TableViewCell> ActionListViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("ActionListCell");
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, "ActionListCell");
    auto action = record(path);
    cell->textLabel()->setText(action ? CareRequest::textOf(action->get("name")) : std::string());
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    return cell;
}

void ActionListViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    auto action = record(path);
    if (!action)
        return;
    if (auto stack = navigationController())
        stack->pushViewController(ActionViewController::create(m_name, action, m_resDocID), Animated::Yes);
}

} // namespace quindle
