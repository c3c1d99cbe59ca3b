#pragma once

#include "content/ApplicationShell.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

class AlertView;
class Model;
class TextField;

/// Adds a field (a name and a type) to a form through the legacy server. Reports the server's
/// reply once the field is stored; its opener closes it.
class FormAddAssetViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr const char* cellIdentifier = "FormAddAssetCell";
    static constexpr double typeRowHeight = 40;
    enum Row { NameRow = 0, TypeRow = 1 };

    static std::shared_ptr<FormAddAssetViewController> create(Model& model);
    /// The screen as the form screens open it: the form `assetID`, reporting to `completion`.
    static std::shared_ptr<FormAddAssetViewController> create(std::string assetID, EditorCompletion completion, Model& model);

    const std::string& assetID() const { return m_assetID; }
    void setAssetID(std::string id) { m_assetID = std::move(id); }
    /// The chosen field type; empty until one is chosen.
    const std::string& type() const { return m_type; }
    void setType(std::string type) { m_type = std::move(type); }
    const std::shared_ptr<TableViewCell>& nameCell() const { return m_nameCell; }
    const std::shared_ptr<TextField>& nameField() const { return m_nameField; }
    const EditorCompletion& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(EditorCompletion handler) { m_completionHandler = std::move(handler); }
    std::shared_ptr<TableView> tableView();
    void reload();
    /// The alert of the last save that sent nothing or stored nothing, if any.
    const std::shared_ptr<AlertView>& alert() const { return m_alert; }

    /// Sends the field; a name and a type are needed first.
    void save();
    /// Closes the screen without a request.
    void cancel();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override;
    double heightForRowAtIndexPath(TableView& table, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    explicit FormAddAssetViewController(Model& model);
    void saveFinished(const std::optional<JsonValue>& answer, const std::string& name);

    Model& m_model;
    std::string m_assetID;
    std::string m_type;
    std::shared_ptr<TableViewCell> m_nameCell;
    std::shared_ptr<TextField> m_nameField;
    EditorCompletion m_completionHandler;
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<AlertView> m_alert;
};

} // namespace quindle
