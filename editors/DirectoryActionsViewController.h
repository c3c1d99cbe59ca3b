#pragma once

#include "content/ApplicationShell.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle {

class AlertView;
class Model;

/// The add-item menu of a page: one row per kind of item, each opening that item's editor on
/// the menu's own stack. Once an editor has stored the item, the menu passes the server's
/// answer on to its opener and closes.
class DirectoryActionsViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr const char* cellIdentifier = "DirectoryCell";
    static constexpr const char* addPage = "Add Page";
    static constexpr const char* addForm = "Add Form";
    static constexpr const char* addText = "Add Text";
    static constexpr const char* addTextInput = "Add Single line text input";
    static constexpr const char* addMultiLineInput = "Add Multiple line text input";
    static constexpr const char* addImage = "Add Image";
    static constexpr const char* addSlider = "Add Slider";
    static constexpr const char* addYoutubeVideo = "Add Youtube Video";

    static std::shared_ptr<DirectoryActionsViewController> create(Model& model);
    /// A menu configured as the content coordinator asks.
    static std::shared_ptr<DirectoryActionsViewController> create(const DirectoryActionsSetup& setup, EditorCompletion completion, Model& model);

    const std::string& assetID() const { return m_assetID; }
    void setAssetID(std::string id) { m_assetID = std::move(id); }
    const JsonObjectPtr& object() const { return m_object; }
    void setObject(JsonObjectPtr object) { m_object = std::move(object); }
    const JsonArrayPtr& objects() const { return m_objects; }
    void setObjects(JsonArrayPtr objects) { m_objects = std::move(objects); }
    std::shared_ptr<ViewController> cont() const { return m_cont.lock(); }
    void setCont(std::weak_ptr<ViewController> cont) { m_cont = std::move(cont); }
    bool restrictToDirectory() const { return m_restrictToDirectory; }
    void setRestrictToDirectory(bool restrict) { m_restrictToDirectory = restrict; }
    bool restrictToImages() const { return m_restrictToImages; }
    void setRestrictToImages(bool restrict) { m_restrictToImages = restrict; }
    const EditorCompletion& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(EditorCompletion handler) { m_completionHandler = std::move(handler); }
    /// The row labels, built when the view loads.
    const std::vector<std::string>& items() const { return m_items; }
    std::shared_ptr<TableView> tableView();
    /// The alert of the slider row while it is shown.
    const std::shared_ptr<AlertView>& alert() const { return m_alert; }

    /// Closes the menu without adding anything.
    void cancel();
    /// Opens the editor that a row label names.
    void openItem(const std::string& label);

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    explicit DirectoryActionsViewController(Model& model) : ViewController("Directory actions"), m_model(model) { }
    void push(const std::shared_ptr<ViewController>& screen);
    void openDirectoryEditor(bool isForm);
    void openVideoEditor();
    /// For editors of the other screens: report first, then close on the main queue.
    EditorCompletion reportThenDismiss();

    Model& m_model;
    std::string m_assetID;
    JsonObjectPtr m_object;
    JsonArrayPtr m_objects;
    std::weak_ptr<ViewController> m_cont;
    bool m_restrictToDirectory = false;
    bool m_restrictToImages = false;
    EditorCompletion m_completionHandler;
    std::vector<std::string> m_items;
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<AlertView> m_alert;
};

} // namespace quindle
