#pragma once

#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

/// A person's action records; each opens its action screen.
class ActionListViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static std::shared_ptr<ActionListViewController> create(JsonArrayPtr actions, std::string name, std::string resDocID);

    const JsonArrayPtr& actions() const { return m_actions; }
    const std::string& name() const { return m_name; }
    const std::string& resDocID() const { return m_resDocID; }
    std::shared_ptr<TableView> tableView();

    int numberOfSectionsInTableView(TableView&) override { return 2; }
    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;

private:
    ActionListViewController(JsonArrayPtr actions, std::string name, std::string resDocID);
    /// The record a row stands for: the first one for the single row of the first section.
    JsonObjectPtr record(IndexPath path) const;

    JsonArrayPtr m_actions;
    std::string m_name;
    std::string m_resDocID;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
