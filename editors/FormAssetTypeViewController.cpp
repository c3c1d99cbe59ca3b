#include "editors/FormAssetTypeViewController.h"

#include "editors/FormAddAssetViewController.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"

namespace quindle {

std::shared_ptr<FormAssetTypeViewController> FormAssetTypeViewController::create()
{
    return std::shared_ptr<FormAssetTypeViewController>(new FormAssetTypeViewController());
}

void FormAssetTypeViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void FormAssetTypeViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<FormAssetTypeViewController>(shared_from_this());
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    m_table->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    m_table->reloadData();
}

std::shared_ptr<TableView> FormAssetTypeViewController::tableView()
{
    view();
    return m_table;
}

int FormAssetTypeViewController::numberOfRowsInSection(TableView&, int)
{
    return static_cast<int>(m_types.size());
}

std::shared_ptr<TableViewCell> FormAssetTypeViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, cellIdentifier);
    const bool inRange = path.row >= 0 && static_cast<size_t>(path.row) < m_types.size();
    cell->textLabel()->setText(inRange ? m_types[path.row] : std::string());
    auto owner = m_parent.lock();
    cell->setAccessoryType(inRange && owner && owner->type() == m_types[path.row] ? AccessoryType::Checkmark : AccessoryType::None);
    return cell;
}

void FormAssetTypeViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    if (path.row < 0 || static_cast<size_t>(path.row) >= m_types.size())
        return;
    if (auto owner = m_parent.lock()) {
        owner->setType(m_types[path.row]);
        owner->reload();
    }
    if (auto stack = navigationController())
        stack->popViewController(Animated::Yes);
}

} // namespace quindle
