#pragma once

#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>

namespace quindle {

/// The ingredients of one dish.
class MenuDetailsViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static std::shared_ptr<MenuDetailsViewController> create(JsonObjectPtr menuItemDetails);

    const JsonObjectPtr& menuItemDetails() const { return m_menuItemDetails; }
    /// The dish's "ingredients"; null when it has none.
    const JsonArrayPtr& ing() const { return m_ing; }
    std::shared_ptr<TableView> tableView();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    std::string titleForHeaderInSection(TableView&, int section) override;

    static constexpr const char* cellIdentifier = "Cell";

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    explicit MenuDetailsViewController(JsonObjectPtr menuItemDetails);
    JsonObjectPtr m_menuItemDetails;
    JsonArrayPtr m_ing;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
