#pragma once

#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle {

class FormAddAssetViewController;

/// The field types a form field can have; a choice sets the field editor's type and goes back.
class FormAssetTypeViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr const char* cellIdentifier = "FormAssetTypeCell";

    static std::shared_ptr<FormAssetTypeViewController> create();

    std::shared_ptr<FormAddAssetViewController> parent() const { return m_parent.lock(); }
    void setParent(std::weak_ptr<FormAddAssetViewController> parent) { m_parent = std::move(parent); }
    const std::vector<std::string>& types() const { return m_types; }
    std::shared_ptr<TableView> tableView();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    FormAssetTypeViewController() : ViewController("Type") { }
    std::weak_ptr<FormAddAssetViewController> m_parent;
    std::vector<std::string> m_types { "Text", "Number", "Select" };
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
