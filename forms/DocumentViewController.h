#pragma once

#include "forms/DocumentDatasource.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>

namespace quindle {

/// The document form screen: titled with the document's "name", its table drawn by the data
/// source; a selected row opens the screen the data source names, pushed.
class DocumentViewController : public ViewController, public TableViewDelegate {
public:
    static std::shared_ptr<DocumentViewController> create(std::shared_ptr<DocumentDatasource> datasource);
    /// The screen for a document record: its "name", its "_linkedAsset"."list" and its "dict".
    static std::shared_ptr<DocumentViewController> createForDocument(const JsonObjectPtr& document, std::string assetID);

    const std::shared_ptr<DocumentDatasource>& datasource() const { return m_datasource; }
    const JsonArrayPtr& objects() const { return m_objects; }
    std::shared_ptr<TableView> tableView();

    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    explicit DocumentViewController(std::shared_ptr<DocumentDatasource> datasource);
    std::shared_ptr<DocumentDatasource> m_datasource;
    JsonArrayPtr m_objects;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
