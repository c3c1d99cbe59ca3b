#pragma once

#include "content/ApplicationShell.h"
#include "forms/FormSelectionViewController.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>

namespace quindle {

class AlertView;
class Model;
class TextField;
class TextView;

/// Adds a page, or a form with its success message and next page, to a directory. Reports the
/// server's directory reply once the item is stored; its opener closes it.
class AddDirectoryViewController : public ViewController, public TableViewDataSource, public TableViewDelegate, public LinkTarget {
public:
    static constexpr const char* cellIdentifier = "AddDirectoryCell";
    static constexpr double rowHeight = 42;
    static constexpr double messageCellHeight = 120;
    static constexpr int pageRows = 2;
    static constexpr int formRows = 5;
    enum Row { NameLabelRow = 0, NameRow = 1, MessageLabelRow = 2, MessageRow = 3, NextPageRow = 4 };

    static std::shared_ptr<AddDirectoryViewController> create(Model& model);

    const std::string& assetID() const { return m_assetID; }
    void setAssetID(std::string id) { m_assetID = std::move(id); }
    bool isForm() const { return m_isForm; }
    void setIsForm(bool form);
    const EditorCompletion& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(EditorCompletion handler) { m_completionHandler = std::move(handler); }
    const std::string& linkAssetId() const { return m_linkAssetId; }
    void setLinkAssetId(std::string id) override { m_linkAssetId = std::move(id); }
    const std::string& LinkName() const { return m_linkName; }
    void setLinkName(std::string name) override { m_linkName = std::move(name); }

    const std::shared_ptr<TextField>& directoryNameField() const { return m_directoryNameField; }
    const std::shared_ptr<TextView>& messageView() const { return m_messageView; }
    std::shared_ptr<TableView> tableView();
    /// The alert shown by the last save that stored nothing, if any.
    const std::shared_ptr<AlertView>& alert() const { return m_alert; }

    /// Sends the page or form; a name is needed first.
    void save();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override;
    double heightForRowAtIndexPath(TableView& table, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(Animated animated) override;

private:
    explicit AddDirectoryViewController(Model& model);
    std::shared_ptr<TableViewCell> labelCell(TableView& table, const std::string& text);
    void saveFinished(const std::optional<JsonValue>& content, const std::string& name);

    Model& m_model;
    std::string m_assetID;
    bool m_isForm = false;
    EditorCompletion m_completionHandler;
    std::string m_linkAssetId;
    std::string m_linkName;
    std::shared_ptr<TextField> m_directoryNameField;
    std::shared_ptr<TableViewCell> m_textCell;
    std::shared_ptr<TextView> m_messageView;
    std::shared_ptr<TableViewCell> m_messageCell;
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<AlertView> m_alert;
};

} // namespace quindle
