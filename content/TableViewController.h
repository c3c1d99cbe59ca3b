#pragma once

#include "content/DataSourceProtocol.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>

namespace quindle {

/// A bare table screen over a data source that is also the table's delegate (when it
/// implements TableViewDelegate).
class TableViewController : public ViewController {
public:
    static std::shared_ptr<TableViewController> create(std::shared_ptr<DataSourceProtocol> datasource);

    const std::shared_ptr<DataSourceProtocol>& datasource() const { return m_datasource; }
    /// The table (loads the view).
    std::shared_ptr<TableView> tableView();

protected:
    explicit TableViewController(std::shared_ptr<DataSourceProtocol> datasource) : ViewController({}), m_datasource(std::move(datasource)) { }
    void loadView() override;
    void viewDidLoad() override;

private:
    std::shared_ptr<DataSourceProtocol> m_datasource;
    std::shared_ptr<TableView> m_tableView;
};

} // namespace quindle
