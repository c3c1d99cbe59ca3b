#pragma once

#include "content/ApplicationShell.h"
#include "platform/JsonValue.h"
#include "ui/AlertView.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

class Model;

/// Links one of the user's workflows to the workflow `assetID`. The opener hears of a link only
/// once the server has stored it; a refused link is reported with an alert.
class AssociateAssetViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr const char* cellIdentifier = "assCell";

    static std::shared_ptr<AssociateAssetViewController> create(std::string assetID, EditorCompletion completionHandler);
    /// The same over another Model (tests).
    static std::shared_ptr<AssociateAssetViewController> create(Model& model, std::string assetID, EditorCompletion completionHandler);

    /// The workflow records shown, each with "name" and "assetID"; the session's list once loaded.
    const JsonArrayPtr& assetList() const { return m_assetList; }
    const std::string& assetID() const { return m_assetID; }
    const EditorCompletion& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(EditorCompletion handler) { m_completionHandler = std::move(handler); }
    std::shared_ptr<TableView> tableView();
    std::shared_ptr<AlertView> failureAlert() const { return m_alert && m_alert->isVisible() ? m_alert : nullptr; }

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    AssociateAssetViewController(Model& model, std::string assetID, EditorCompletion handler);
    JsonObjectPtr recordAt(int row) const;

    Model& m_model;
    std::string m_assetID;
    EditorCompletion m_completionHandler;
    JsonArrayPtr m_assetList;
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<AlertView> m_alert;
};

} // namespace quindle
