#include "content/TableViewController.h"

namespace quindle {

std::shared_ptr<TableViewController> TableViewController::create(std::shared_ptr<DataSourceProtocol> datasource)
{
    return std::shared_ptr<TableViewController>(new TableViewController(std::move(datasource)));
}

void TableViewController::loadView()
{
    m_tableView = TableView::create();
    setView(m_tableView);
}

void TableViewController::viewDidLoad()
{
    if (m_datasource)
        m_datasource->registerCellsForTableView(m_tableView);
    m_tableView->setDataSource(std::weak_ptr<TableViewDataSource>(m_datasource));
    m_tableView->setDelegate(std::dynamic_pointer_cast<TableViewDelegate>(m_datasource));
    m_tableView->reloadData();
}

std::shared_ptr<TableView> TableViewController::tableView()
{
    view();
    return m_tableView;
}

} // namespace quindle
