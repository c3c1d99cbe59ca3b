#pragma once

#include "platform/JsonValue.h"
#include "ui/PopoverController.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quindle {

class TextField;

/// The form-structure screen: one row per field of a form on the content server (its name,
/// its type as detail). The owner adds fields through the add-field screen and opens the
/// text or image editor of a field; edit mode shows the selected field's name in an input.
class FormViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    /// What the add-field screen reports once it has stored a field: the form's directory.
    using AddCompletion = std::function<void(std::optional<JsonValue> reply)>;
    static constexpr const char* cellIdentifier = "DirectoryCell";
    static constexpr const char* editorCellIdentifier = "FieldNameCell";
    static constexpr const char* tabImage = "first.png";

    static std::shared_ptr<FormViewController> create();
    /// The screen for a form's directory reply: its fields, "name" as title, the linked page's
    /// "_linkedAsset"."list", `assetID`, and the form tab picture.
    static std::shared_ptr<FormViewController> createForDirectory(const JsonObjectPtr& directory, std::string assetID);

    const JsonArrayPtr& objects() const { return m_objects; }
    void setObjects(JsonArrayPtr objects) { m_objects = objects ? std::move(objects) : JsonArray::create(); }
    const JsonArrayPtr& linkedObjects() const { return m_linkedObjects; }
    void setLinkedObjects(JsonArrayPtr objects) { m_linkedObjects = std::move(objects); }
    const std::string& assetID() const { return m_assetID; }
    void setAssetID(std::string id) { m_assetID = std::move(id); }
    bool editMode() const { return m_editMode; }
    /// The row drawn as the name input in edit mode, once one is selected.
    std::optional<int> editingRow() const { return m_editingRow; }
    std::shared_ptr<TableView> tableView();

    /// Opens the add-field screen in its own stack, as a popover (modal on a phone).
    void addAsset();
    /// Toggles edit mode and reloads.
    void editTable();
    /// Return in the name input: leaves edit mode and reloads.
    void textFieldShouldReturn();
    /// The add-field screen's stack while it is open.
    std::shared_ptr<ViewController> addFieldStack() const { return m_addStack.lock(); }

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    FormViewController() : ViewController({}) { }
    JsonObjectPtr fieldAt(int row) const;
    void configureBarButtons();
    void reload();
    /// On the main queue: takes the reply's list when it has one, then closes the add screen.
    void addFinished(const std::optional<JsonValue>& reply);

    JsonArrayPtr m_objects = JsonArray::create();
    JsonArrayPtr m_linkedObjects;
    std::string m_assetID;
    bool m_editMode = false;
    std::optional<int> m_editingRow;
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<PopoverController> m_popover;
    std::weak_ptr<ViewController> m_addStack;
};

} // namespace quindle
