#pragma once

#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

/// The workflows that follow one workflow item; "add" links another one.
class NextWorkflowViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    /// Asks the content server for the item's associated assets at once.
    static std::shared_ptr<NextWorkflowViewController> create(std::string assetID);

    const std::string& assetID() const { return m_assetID; }
    const JsonArrayPtr& objects() const { return m_objects; }
    std::shared_ptr<TableView> tableView();
    void fetchAssociatedAssets();
    /// Opens the chooser "Select next workflow"; once it is done, the list is fetched again.
    void add();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;

private:
    explicit NextWorkflowViewController(std::string assetID);

    std::string m_assetID;
    JsonArrayPtr m_objects;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
