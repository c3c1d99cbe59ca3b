#pragma once

#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>

namespace quindle {

/// The user's workflow items, from the login's workflow list; each opens its next workflows.
class WorkflowViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static std::shared_ptr<WorkflowViewController> create();

    bool editMode() const { return m_editMode; }
    const JsonArrayPtr& objects() const { return m_objects; }
    std::shared_ptr<TableView> tableView();
    void configureBarbuttons();
    /// Opens the add-field screen for the user's own asset; the table reloads once it is done.
    void addAsset();
    void editTable();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    WorkflowViewController();
    JsonObjectPtr item(int row) const;

    bool m_editMode = false;
    JsonArrayPtr m_objects;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
