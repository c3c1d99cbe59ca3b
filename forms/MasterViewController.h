#pragma once

#include "content/ApplicationShell.h"
#include "forms/FormEngine.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quindle {

class TableViewCell;

/// The resident form screen: one form about one person over the legacy server. A heading with
/// the person's name and links to history and actions, the due actions, the food-allergy link on
/// the profile, and one row per shown value with the control that edits it.
class MasterViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    /// The person's profile form.
    static constexpr const char* profileFormID = "231";
    /// What a value row shows when its last value did not reach the server.
    static constexpr const char* unsavedText = "not saved";
    /// The title of the button beside a number that opens its graph.
    static constexpr const char* graphTitle = "Graph";

    enum class Section { Heading, Actions, Allergies, Values };

    static std::shared_ptr<MasterViewController> create(const ResidentFormSetup& setup);

    const std::shared_ptr<FormEngine>& engine() const { return m_engine; }
    const JsonArrayPtr& objects() const { return m_engine->objects(); }
    const JsonObjectPtr& resDoc() const { return m_engine->formState(); }
    const std::string& url() const { return m_url; }
    const std::string& assetID() const { return m_engine->assetID(); }
    const std::string& resID() const { return m_engine->resID(); }
    const std::string& resDocID() const { return m_engine->resDocID(); }
    const std::string& name() const { return m_name; }
    const JsonArrayPtr& docs() const { return m_docs; }
    const std::string& user() const { return m_engine->user(); }
    const std::string& date() const { return m_date; }
    const std::string& message() const { return m_message; }
    bool suppressHistory() const { return m_suppressHistory; }
    bool isResidentProfile() const { return m_isResidentProfile; }
    /// The heading of the values section, from the entry-list reply.
    const std::string& formTitle() const { return m_formTitle; }
    std::shared_ptr<TableView> tableView();

    /// The sections shown, in order.
    std::vector<Section> sections() const;
    /// The "assetID" of the person's "Personnel Details" document, or nothing.
    std::optional<std::string> personnelDetailsID() const;
    /// Opens the next screen once the form state (and, for a "Meal" entry, the menu) is in.
    void nextForm(const JsonObjectPtr& entry, const std::string& formID, const std::string& docID, bool resProfile);

    int numberOfSectionsInTableView(TableView&) override;
    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    std::string titleForHeaderInSection(TableView&, int section) override;
    bool canEditRowAtIndexPath(TableView&, IndexPath) override { return false; }
    /// The row itself when it can be selected, else nothing.
    std::optional<IndexPath> willSelectRowAtIndexPath(TableView&, IndexPath path);
    void didSelectRowAtIndexPath(TableView& table, IndexPath path) override;

    /// The screen a selection opens (null when it opens none here or waits for a reply).
    std::shared_ptr<ViewController> viewControllerForIndexPath(IndexPath path);
    /// An absolute address for a legacy "url" (absolute, "/json/..." or relative to the json directory).
    static std::string legacyURL(const std::string& url);

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    explicit MasterViewController(const ResidentFormSetup& setup);
    std::optional<Section> sectionAt(int section) const;
    bool hasFormState() const { return resDoc() != nullptr; }
    int headingRows() const;

    // Table drawing.
    std::shared_ptr<TableViewCell> headingCell(int row);
    std::shared_ptr<TableViewCell> actionCell(int row);
    std::shared_ptr<TableViewCell> valueCell(size_t row);
    void configureControl(TableViewCell& cell, const JsonObjectPtr& entry, size_t row, const std::string& value);
    void configureImage(TableViewCell& cell, const JsonObjectPtr& entry);
    void fetchImage(const JsonObjectPtr& entry, const std::string& url);
    std::shared_ptr<View> numberControl(const JsonObjectPtr& entry, size_t row, const std::string& value);

    // Selection and opening.
    std::shared_ptr<ViewController> headingSelection(int row);
    std::shared_ptr<ViewController> valueSelection(size_t row);
    void openEntry(const JsonObjectPtr& entry);
    void openGraph(const std::string& key);
    bool resendIfUnsaved(size_t row);
    void show(const std::shared_ptr<ViewController>& screen);

    // Loading.
    void loadEntryList();
    void loadDocs();
    void entryListArrived(const std::optional<JsonValue>& payload);
    void openNext(const JsonObjectPtr& entry, const std::string& formID, const std::string& docID, bool resProfile, JsonObjectPtr state);
    void reload();

    std::shared_ptr<FormEngine> m_engine;
    std::string m_url;
    std::string m_name;
    JsonArrayPtr m_docs;
    std::string m_date;
    std::string m_message;
    std::string m_formTitle;
    bool m_suppressHistory;
    bool m_isResidentProfile;
    bool m_requested { false };
    std::shared_ptr<TableView> m_table;
    /// Entries whose picture was asked for, so each is fetched once.
    std::set<const JsonObject*> m_fetched;
};

} // namespace quindle
