#pragma once

#include "content/DataManagerScreen.h"
#include "core/Asset.h"
#include "platform/Colour.h"
#include "platform/Font.h"
#include "platform/JsonValue.h"
#include "ui/AlertView.h"
#include "ui/Geometry.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quindle {

class Button;
class Model;
class ViewController;

/// The coordinator behind one content page: holds the page's record and item list, keeps the
/// list current with the server, chooses the screen's bar buttons and carries out the page's
/// edit actions (edit flow, delete, restore, sending a form).
class DataManager : public AlertViewDelegate, public std::enable_shared_from_this<DataManager> {
public:
    using RefreshHandler = std::function<void()>;
    using Screens = std::vector<std::shared_ptr<ViewController>>;
    /// What an editor reports once it has stored a change: the refreshed directory record.
    using EditorCompletionHandler = std::function<void(std::optional<JsonValue> answer)>;
    /// Row height of the event screen.
    static constexpr double eventRowHeight = 42;

    /// Notification names (no payload).
    static constexpr const char* reloadDataNotification = "reloadData";
    static constexpr const char* sendFormNotification = "SendForm";
    /// The "Edit Page" choice that opens a form page's field list.
    static constexpr const char* formFieldsButtonTitle = "Form fields";
    /// Key under which a deleted record keeps its "Restore" control.
    static constexpr const char* restoreButtonKey = "RestoreButton";

    /// Subscribes to "reloadData", then takes `objects` as its item list.
    static std::shared_ptr<DataManager> create(JsonArrayPtr objects, Model& model, RefreshHandler refreshHandler = {});
    ~DataManager() override;

    void updateWithObjects(const JsonArrayPtr& objects);
    void setRefreshHandler(RefreshHandler handler);
    /// Reloads the page: the refresh handler, or the page's own directory.
    void reload();
    void configureBarbuttons();
    void sendFormNotify();
    /// Sends the values of the form items.
    void sendForm(const std::vector<AssetRecord>& items);
    void login();
    void addAccount();
    /// Opens the add-item menu; the page refreshes once an item is added.
    void addAsset();
    /// Opens the add-item menu; `handler` runs on the main queue after an added item's list is taken.
    void addAssetWithCompletionHandler(std::function<void()> handler);

    // The "Edit Page" flow.
    void editTable();
    void editItems();
    void didDismissWithButtonIndex(AlertView& alert, int buttonIndex) override;
    /// The alert shown by the last press of Edit (while it is up).
    std::shared_ptr<AlertView> editAlert() const { return m_editAlert; }

    /// Deletes the item at `row` of `objects`: gone from the list at once, "reloadData" when the
    /// server answers.
    void deleteAssetAtIndexPath(size_t row);
    /// Restores the record whose "Restore" control is `button`.
    void restoreAction(const Button& button);
    /// The "Restore" control a deleted record holds, if any.
    static std::shared_ptr<Button> restoreButtonOf(const AssetRecord& record);

    void updateTabbar();

    /// A row of `screen` was selected: in view mode the record's page opens, in item edit mode
    /// its editor. True when a screen opens, now or once a reply is in.
    bool didSelectObjectAtIndexPath(const std::shared_ptr<DataManagerScreen>& screen, IndexPath path, bool editMode);
    /// Fetches the record's directory and pushes a page screen for it onto `screen`'s stack.
    void loadDirectoryForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen);
    /// Fetches the record's document and pushes its screen; an answer of another type is ignored.
    void loadDocumentForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen);
    /// Fetches the form's directory and pushes the shell's form-structure screen for it onto
    /// `screen`'s stack; nothing opens when the request fails or the shell offers no screen.
    void loadFormForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen);
    /// Fetches the record's tab bar and hands one page screen per tab with a list to the shell;
    /// `screen`, when given, is told when that is over.
    void loadTabbarForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen = nullptr);
    /// Pushes the event screen for the record; it becomes this coordinator's screen.
    void loadEventForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen);

    // Editors of item edit mode; each is pushed onto `screen`'s stack except the directory
    // editor, which is presented modally in a stack of its own.
    void loadImageSelectionForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen, EditorCompletionHandler handler);
    /// Text input mode for "TextField" and "TextView" records.
    void editTextForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen, EditorCompletionHandler handler);
    void editYoutubeVideoForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen, EditorCompletionHandler handler);
    void editDirectoryForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen, EditorCompletionHandler handler);

    /// A record chosen in a carousel: an image opens full screen, a directory as a page.
    void didSelectObject(const AssetRecord& record);
    /// Pushes image selection for the record; it closes again once the picture is stored.
    void changeImageForAsset(const AssetRecord& record);

    // Page display options.
    Colour backgroundColour() const;
    Colour textColour() const;
    Font font() const;

    /// The logged-in user owns the page.
    bool isOwner() const;

    const JsonArrayPtr& objects() const { return m_objects; }
    void setObjects(JsonArrayPtr objects) { m_objects = objects ? std::move(objects) : JsonArray::create(); }
    const JsonArrayPtr& allObjects() const { return m_allObjects; }
    bool isEditing() const { return m_isEditing; }
    bool isRestricted() const { return m_isRestricted; }
    void setRestricted(bool restricted) { m_isRestricted = restricted; }
    bool isForm() const { return m_isForm; }
    void setForm(bool form) { m_isForm = form; }
    const JsonArrayPtr& linkedObjects() const { return m_linkedObjects; }
    void setLinkedObjects(JsonArrayPtr objects) { m_linkedObjects = std::move(objects); }
    const std::string& assetID() const { return m_assetID; }
    void setAssetID(std::string id) { m_assetID = std::move(id); }
    const AssetRecord& asset() const { return m_asset; }
    void setAsset(AssetRecord asset) { m_asset = std::move(asset); }
    /// The tab bar's screens, as far as they are still alive (the tab bar owns them).
    std::optional<Screens> currentTabs() const;
    void setCurrentTabs(const Screens& tabs);
    std::shared_ptr<DataManagerScreen> viewController() const { return m_viewController.lock(); }
    void setViewController(std::weak_ptr<DataManagerScreen> screen) { m_viewController = std::move(screen); }
    Model& model() const { return m_model; }

private:
    DataManager(Model& model, RefreshHandler refreshHandler);
    /// The page's identifier: its record's ident, else `assetID`.
    std::string pageIdentifier() const;
    /// Shows the item list an editor's reply hands over when the reply is about this page.
    void takeAnswer(const std::optional<JsonValue>& answer);
    void refreshScreen();
    /// The handler given to an editor opened from `screen`: takes the answer's list and closes
    /// the editor (`modal`: dismissed, otherwise popped).
    EditorCompletionHandler editorCompletionHandler(const std::shared_ptr<DataManagerScreen>& screen, bool modal);

    Model& m_model;
    RefreshHandler m_refreshHandler;
    JsonArrayPtr m_allObjects = JsonArray::create();
    bool m_isEditing = false;
    bool m_isRestricted = false;
    bool m_isForm = false;
    JsonArrayPtr m_linkedObjects;
    JsonArrayPtr m_objects = JsonArray::create();
    std::string m_assetID;
    AssetRecord m_asset;
    // Weak: a tab's screen owns its coordinator, so a strong list would keep every tab alive.
    std::optional<std::vector<std::weak_ptr<ViewController>>> m_currentTabs;
    std::weak_ptr<DataManagerScreen> m_viewController;
    std::shared_ptr<AlertView> m_editAlert;
};

} // namespace quindle
