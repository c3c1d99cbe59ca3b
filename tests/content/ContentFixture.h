#pragma once
// Shared helpers of the page screen and loader tests: a data source and an application shell
// that record what the screens and coordinators ask of them.

#include "content/ApplicationShell.h"
#include "content/DataManagerScreen.h"
#include "content/DataSourceProtocol.h"
#include "core/Asset.h"
#include "core/ModelFixture.h"
#include "server/QuindleServer.h"
#include "support/DemoServer.h"
#include "ui/TableViewCell.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle::test {

/// A data source of `rows` plain rows that records each call a screen makes on it.
class RecordingDataSource : public DataSourceProtocol {
public:
    static std::shared_ptr<RecordingDataSource> create(int rows = 3)
    {
        auto source = std::make_shared<RecordingDataSource>();
        source->rows = rows;
        return source;
    }

    int numberOfRowsInSection(TableView&, int) override { return rows; }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath) override { return TableViewCell::create(CellStyle::Default, "Row"); }
    std::shared_ptr<DataManager> dataManager() const override { return manager; }
    void isActive() override { calls.push_back("isActive"); }
    void isInactive() override { calls.push_back("isInactive"); }
    void reload() override { calls.push_back("reload"); }
    bool isEditing() const override { return editing; }
    void setIsEditing(bool value) override
    {
        editing = value;
        calls.push_back(value ? "setIsEditing:YES" : "setIsEditing:NO");
    }
    bool didSelectObjectAtIndexPath(const std::shared_ptr<DataManagerScreen>& screen, IndexPath path, bool editMode) override
    {
        selections.push_back({ screen, path, editMode });
        return true;
    }
    double heightForRowAtIndexPath(TableView&, IndexPath path) override { return 30.0 + path.row; }
    void registerCellsForTableView(const std::shared_ptr<TableView>& table) override
    {
        registeredTable = table;
        calls.push_back("registerCells");
    }
    void configureBarbuttonsForViewController(ViewController& controller) override { calls.push_back("configureBarbuttons:" + controller.title()); }
    void changeImage() override { calls.push_back("changeImage"); }

    struct Selection {
        std::weak_ptr<DataManagerScreen> screen; // the screen owns this source
        IndexPath path;
        bool editMode;
    };
    int rows = 3;
    bool editing = false;
    std::shared_ptr<DataManager> manager;
    std::weak_ptr<TableView> registeredTable;
    std::vector<std::string> calls;
    std::vector<Selection> selections;
};

/// The screen a recording shell hands out for an editor, with what it was asked for.
class RecordedEditor : public ViewController {
public:
    RecordedEditor(const std::string& editorKind, JsonObjectPtr asked, EditorCompletion handler)
        : ViewController(editorKind), kind(editorKind), object(std::move(asked)), completion(std::move(handler)) { }
    std::string kind;
    JsonObjectPtr object;
    EditorCompletion completion;
    std::optional<TextEditorMode> textMode;
    std::optional<ImageSelectionMode> imageMode;
    std::weak_ptr<DataManagerScreen> parent;
    std::string parentID;
    DirectoryActionsSetup setup;
};

/// An application shell that keeps what it is handed.
class RecordingShell : public ApplicationShell {
public:
    std::shared_ptr<ViewController> makeDirectoryActionsViewController(const DirectoryActionsSetup& setup, EditorCompletion completion) override
    {
        auto menu = record("DirectoryActionsViewController", setup.object, std::move(completion));
        menu->setup = setup;
        return menu;
    }
    std::shared_ptr<ViewController> makeTextEditorViewController(const JsonObjectPtr& object, TextEditorMode mode, EditorCompletion completion) override
    {
        auto editor = record("TextEditorViewController", object, std::move(completion));
        editor->textMode = mode;
        return editor;
    }
    std::shared_ptr<ViewController> makeImageSelectionViewController(const JsonObjectPtr& object, ImageSelectionMode mode, EditorCompletion completion) override
    {
        auto editor = record("ImageSelectionViewController", object, std::move(completion));
        editor->imageMode = mode;
        return editor;
    }
    std::shared_ptr<ViewController> makeImageEditViewController(const JsonObjectPtr& object, const std::string& parentID, EditorCompletion completion) override
    {
        auto editor = record("ImageEditViewController", object, std::move(completion));
        editor->parentID = parentID;
        return editor;
    }
    std::shared_ptr<ViewController> makeImageViewController(const JsonObjectPtr& object) override { return record("ImageViewController", object, {}); }
    std::shared_ptr<ViewController> makeEditDirectoryViewController(const JsonObjectPtr& object, std::weak_ptr<DataManagerScreen> parent,
        EditorCompletion completion) override
    {
        auto editor = record("EditDirectoryViewController", object, std::move(completion));
        editor->parent = std::move(parent);
        return editor;
    }
    std::shared_ptr<RecordedEditor> record(std::string kind, JsonObjectPtr object, EditorCompletion completion)
    {
        editors.push_back(std::make_shared<RecordedEditor>(kind, std::move(object), std::move(completion)));
        return editors.back();
    }
    std::vector<std::shared_ptr<RecordedEditor>> editors;

    void updateTabbarWithArray(const Screens& screens) override
    {
        updated.push_back(screens);
        items = screens;
    }
    Screens tabbarItems() override { return items; }
    void addLoginItemsToTabbar(const Screens&) override { }
    void resetTabbarWithArray(const Screens& screens) override { resets.push_back(screens); }
    std::shared_ptr<ViewController> makeLoginViewController(std::function<void()>) override { return ViewController::create("Login"); }
    std::shared_ptr<ViewController> makeCreateAccountViewController(std::function<void()>) override { return ViewController::create("Create Account"); }

    std::shared_ptr<ViewController> makeDocumentViewController(const JsonObjectPtr& document, const std::string& assetID) override
    {
        documents.push_back({ document, assetID });
        return documentScreen;
    }

    Screens items;
    /// What makeDocumentViewController returns (null: nothing opens).
    std::shared_ptr<ViewController> documentScreen;
    std::vector<std::pair<JsonObjectPtr, std::string>> documents;
    std::vector<Screens> updated;
    std::vector<Screens> resets;
};

/// A page screen that records what a coordinator asks of it.
class RecordingScreen : public DataManagerScreen {
public:
    void refresh() override { ++refreshes; }
    void done() override { itemEditMode = tableEditing = false; }
    void editTable() override { itemEditMode = !itemEditMode; }
    bool editMode() const override { return itemEditMode; }
    bool isRootController() const override { return root; }
    bool isTableEditing() const override { return tableEditing; }
    void setTableEditing(bool editing, Animated) override { tableEditing = editing; }
    std::shared_ptr<ViewController> screenController() override { return controller; }

    std::shared_ptr<ViewController> controller = ViewController::create("Page");
    int refreshes = 0;
    bool itemEditMode = false;
    bool tableEditing = false;
    bool root = false;
};

/// The names of the records in `list`, in order.
inline std::vector<std::string> namesOf(const JsonArrayPtr& list)
{
    std::vector<std::string> out;
    for (const JsonValue& item : list->items())
        out.push_back(asset::name(item.object()));
    return out;
}

/// Installs a recording shell for the lifetime of the guard.
class ShellGuard {
public:
    ShellGuard() : shell(std::make_shared<RecordingShell>()) { ApplicationShell::setShared(shell); }
    ~ShellGuard() { ApplicationShell::setShared(nullptr); }
    std::shared_ptr<RecordingShell> shell;
};

/// A Model test that waits for chains of requests and the work their replies queue.
class LoadingFixture : public ModelFixture {
protected:
    /// Runs the main queue until every request is answered and its work has run.
    static void settle()
    {
        // A reply's work may send the next request: wait again until neither is left.
        auto client = model().httpClient();
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        do {
            MainQueue::shared().runUntil([&] { return client->inFlight() == 0; }, std::chrono::seconds(15));
            MainQueue::shared().runUntilIdle();
        } while ((client->inFlight() > 0 || MainQueue::shared().pending() > 0) && std::chrono::steady_clock::now() < deadline);
    }
};

/// A model test that can also talk to the reference server with its demo site.
class DemoSiteFixture : public LoadingFixture {
protected:
    void TearDown() override
    {
        LoadingFixture::TearDown();
        reference.stop();
    }
    /// Starts the reference server on a free loopback port and points the model at it.
    void useReferenceServer()
    {
        std::string error;
        ASSERT_TRUE(reference.start(&error)) << error;
        model().setConfiguration(*ServerConfiguration::create(reference.host()));
    }
    /// Starts the reference server and logs its demo owner in; false when the login failed.
    bool logInDemoOwner()
    {
        useReferenceServer();
        Collector login;
        model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
        return login.waitFor(1);
    }
    /// The directory record (the public start page for "").
    static AssetRecord directory(const std::string& id)
    {
        Collector fetch;
        model().fetchDirectoryForAssetID(id, fetch.handler());
        Outcome outcome = fetch.single();
        return outcome.content && outcome.content->isObject() ? outcome.content->object() : nullptr;
    }
    static AssetRecord childNamed(const AssetRecord& directory, const std::string& name)
    {
        JsonArrayPtr children = asset::list(directory);
        for (const JsonValue& child : children ? children->items() : std::vector<JsonValue> {})
            if (child.isObject() && asset::name(child.object()) == name)
                return child.object();
        return nullptr;
    }
    DemoServer reference;
};

} // namespace quindle::test
