#pragma once

#include "content/ApplicationShell.h"
#include "content/DataManagerScreen.h"
#include "core/Asset.h"
#include "ui/AlertView.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle {

class Model;
class CarouselTypeViewController;

/// Edits one page: its name, its header image, whether its pictures show as a carousel and in
/// which style; hands over to the page's own table for reordering and deleting items.
/// A change the server does not take is undone (or never made) and reported with an alert;
/// the completion handler hears only of changes that were stored.
class EditDirectoryViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr const char* defaultTitle = "Edit Directory";
    static constexpr const char* cellIdentifier = "EditDirectoryCell";
    static constexpr const char* carouselPrefix = "Carousel";
    static constexpr const char* carouselStylePrefix = "Carousel:";

    static std::shared_ptr<EditDirectoryViewController> create(AssetRecord object, std::weak_ptr<DataManagerScreen> parent,
        EditorCompletion completionHandler);
    /// The same over another Model (tests).
    static std::shared_ptr<EditDirectoryViewController> create(Model& model, AssetRecord object, std::weak_ptr<DataManagerScreen> parent,
        EditorCompletion completionHandler);

    const AssetRecord& object() const { return m_object; }
    std::shared_ptr<DataManagerScreen> parent() const { return m_parent.lock(); }
    const EditorCompletion& completionHandler() const { return m_completionHandler; }
    void setCompletionHandler(EditorCompletion handler) { m_completionHandler = std::move(handler); }
    const std::shared_ptr<TableViewCell>& nameCell() const { return m_nameCell; }
    const std::shared_ptr<TextField>& nameField() const { return m_nameField; }
    /// The labels selection is dispatched on, one per row.
    const std::vector<std::string>& labels() const { return m_labels; }
    std::shared_ptr<TableView> tableView();
    /// The alert of the last change that failed, while it is shown.
    std::shared_ptr<AlertView> failureAlert() const { return m_alert && m_alert->isVisible() ? m_alert : nullptr; }

    /// The "options" a carousel switch leaves: "" for a carousel, "Carousel" for anything else.
    static std::string toggledCarouselOption(const AssetRecord& record);
    /// "Carousel:n".
    static std::string carouselOptionForStyle(long style);

    void save();
    void cancel();
    void setImage();
    void clearImage();
    void editTable();
    void toggleCarousel();
    /// Pushes the style chooser; a chosen style comes back through chooseCarouselStyle.
    void showCarouselTypes();
    void chooseCarouselStyle(long style);

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    EditDirectoryViewController(Model& model, AssetRecord object, std::weak_ptr<DataManagerScreen> parent, EditorCompletion handler);
    std::weak_ptr<EditDirectoryViewController> weakSelf();
    std::string assetID() const;
    /// Stores the option in the record, sends it, and puts the old value back if it is refused.
    void sendCarouselOption(std::string option);
    void reloadRows();
    void showFailure(std::string title, std::string message);

    Model& m_model;
    AssetRecord m_object;
    std::weak_ptr<DataManagerScreen> m_parent;
    EditorCompletion m_completionHandler;
    std::vector<std::string> m_labels;
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<TableViewCell> m_nameCell;
    std::shared_ptr<TextField> m_nameField;
    /// Typing not yet stored: redrawing the row keeps it instead of the record's name.
    bool m_nameEdited { false };
    std::shared_ptr<AlertView> m_alert;
};

} // namespace quindle
