#pragma once

#include "app/ObjectStore.h"
#include "app/PushService.h"
#include "content/ApplicationShell.h"
#include "platform/JsonValue.h"
#include "ui/Window.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quindle {

class DataManager;
class DirectoryViewController;
class Model;
class NavigationController;
class TabBarController;

/// The application shell: builds the window and the tab bar at launch, owns the tab bar and
/// changes which tabs are shown (base tabs, the user's tabs, the login tabs), handles the push
/// service's callbacks and closes the object store at termination. Lives on the main queue.
class AppDelegate : public ApplicationShell, public std::enable_shared_from_this<AppDelegate> {
public:
    /// The object store's file name, in the application's documents directory.
    static constexpr const char* storeFileName = "Quindle.sqlite";
    static constexpr const char* tabEditTitle = "Tab Edit";
    static constexpr const char* tabEditImage = "first.png";

    static std::shared_ptr<AppDelegate> create(Model& model, std::shared_ptr<PushService> pushService,
        Rect bounds = Window::defaultBounds, UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone);
    ~AppDelegate() override;

    /// Launch: the window, the start page in a tab bar of one tab (phone only), push
    /// registration and the login tabs. Makes this the shared shell. Returns success.
    bool didFinishLaunchingWithOptions();
    /// Closes the object store (opening it first: this is the only time it is opened).
    void applicationWillTerminate();

    std::shared_ptr<Window> window() const { return m_window; }
    std::shared_ptr<TabBarController> tabbar() const { return m_tabbar; }
    /// The start page's coordinator.
    std::shared_ptr<DataManager> dataManager() const { return m_dataManager; }
    /// The user's workflow list (the session's).
    JsonArrayPtr workflow() const;

    /// Rebuilds the "Tab Edit" and "Account" tabs from the session.
    void setupLoginTabbarItems();
    const Screens& loginTabbarItems() const { return m_loginTabbarItems; }
    /// Stores the user's own tab stacks; nothing is shown yet.
    void updateUserTabbar(Screens stacks);
    /// Absent until the first login stored a list.
    const std::optional<Screens>& userTabbarItems() const { return m_userTabbarItems; }
    /// Shows the base tabs only; the bar keeps its visibility.
    void showNormalTabbar();
    void setTabbarItems(Screens stacks) { m_tabbarItems = std::move(stacks); }

    // ApplicationShell.
    /// Pushes each screen onto the base tab of its index, or gives it a new tab; shows the base tabs.
    void updateTabbarWithArray(const Screens& screens) override;
    Screens tabbarItems() override { return m_tabbarItems; }
    /// The base tabs become `stacks`; shows them, then the user tabs and the login tabs.
    void addLoginItemsToTabbar(const Screens& stacks) override;
    void resetTabbarWithArray(const Screens& stacks) override;
    std::shared_ptr<ViewController> makeLoginViewController(std::function<void()> done) override;
    std::shared_ptr<ViewController> makeCreateAccountViewController(std::function<void()> done) override;
    std::shared_ptr<ViewController> makeDocumentViewController(const JsonObjectPtr& document, const std::string& assetID) override;
    std::shared_ptr<ViewController> makeFormViewController(const JsonObjectPtr& directory, const std::string& assetID) override;
    std::shared_ptr<ViewController> makeDirectoryActionsViewController(const DirectoryActionsSetup& setup, EditorCompletion completion) override;
    std::shared_ptr<ViewController> makeFormAddAssetViewController(const std::string& assetID, EditorCompletion completion) override;
    std::shared_ptr<ViewController> makeMasterViewController(const ResidentFormSetup& setup) override;
    std::shared_ptr<ViewController> makeHistoryViewController(const std::string& assetID, const std::string& resDocID, const std::string& name) override;
    std::shared_ptr<ViewController> makeHistoryGraphViewController(const std::string& resDocID, const std::string& key) override;
    std::shared_ptr<ViewController> makeActionViewController(const std::string& name, const JsonObjectPtr& actionDict, const std::string& assetID) override;
    std::shared_ptr<ViewController> makeActionListViewController(const JsonArrayPtr& actions, const std::string& name, const std::string& resDocID) override;
    std::shared_ptr<ViewController> makeDisplayActionViewController(const std::string& name, const JsonObjectPtr& action) override;
    std::shared_ptr<ViewController> makeIngredientsViewController(const std::string& resDocID) override;
    std::shared_ptr<ViewController> makeMenuViewController(const std::string& assetID, const std::string& title, const std::string& resID,
        const JsonArrayPtr& objects) override;
    std::shared_ptr<ViewController> makeAssociateAssetViewController(const std::string& assetID, EditorCompletion completion) override;
    std::shared_ptr<ViewController> makeTextEditorViewController(const JsonObjectPtr& object, TextEditorMode mode, EditorCompletion completion) override;
    std::shared_ptr<ViewController> makeImageSelectionViewController(const JsonObjectPtr& object, ImageSelectionMode mode, EditorCompletion completion) override;
    std::shared_ptr<ViewController> makeImageEditViewController(const JsonObjectPtr& object, const std::string& parentID, EditorCompletion completion) override;
    std::shared_ptr<ViewController> makeImageViewController(const JsonObjectPtr& object) override;
    std::shared_ptr<ViewController> makeEditDirectoryViewController(const JsonObjectPtr& object, std::weak_ptr<DataManagerScreen> parent,
        EditorCompletion completion) override;

    // Push service callbacks.
    /// The user's answer to the registration: no types at all gets an alert.
    void didRegisterUserNotificationSettings(unsigned grantedTypes);
    /// Keeps the token (as lower-case hex) and the vendor identifier in the session.
    void didRegisterForRemoteNotificationsWithDeviceToken(const std::vector<uint8_t>& token);
    /// "action" "register" opens the approval screen over the window's root.
    void didReceiveRemoteNotification(const JsonObjectPtr& payload, std::function<void(BackgroundFetchResult)> completion);
    /// The alert shown by the last refused notification registration.
    std::shared_ptr<AlertView> notificationAlert() const { return m_notificationAlert; }

    /// Saves the object store when it has changes.
    void saveContext();
    /// The object store, opened on first use; null when it cannot be opened.
    std::shared_ptr<ObjectStore> managedObjectContext();
    /// $QUINDLE_DOCUMENTS, else $XDG_DATA_HOME/quindle, else ~/.local/share/quindle.
    static std::filesystem::path applicationDocumentsDirectory();

    /// Token bytes as lower-case hexadecimal, two digits a byte, nothing between.
    static std::string tokenText(const std::vector<uint8_t>& token);
    /// A page screen over `manager`: an item list data source and the screen the coordinator points to.
    static std::shared_ptr<DirectoryViewController> makeDirectoryScreen(const std::shared_ptr<DataManager>& manager);

private:
    /// Adds the care tabs a logged-in user gets: "Followups", and "Workflow" when the user has workflows.
    void appendCareTabs();
    AppDelegate(Model& model, std::shared_ptr<PushService> pushService, Rect bounds, UserInterfaceIdiom idiom);
    void buildStartPage();
    void registerForPushNotifications();
    void show(Screens stacks);

    Model& m_model;
    std::shared_ptr<PushService> m_pushService;
    Rect m_bounds;
    UserInterfaceIdiom m_idiom;

    std::shared_ptr<TabBarController> m_tabbar;
    Screens m_loginTabbarItems;
    std::optional<Screens> m_userTabbarItems;
    std::shared_ptr<DataManager> m_dataManager;
    std::shared_ptr<ObjectStore> m_managedObjectContext;
    bool m_storeFailed { false };
    std::shared_ptr<Window> m_window;
    Screens m_tabbarItems;
    std::weak_ptr<DirectoryViewController> m_rootScreen;
    std::shared_ptr<AlertView> m_notificationAlert;
};

} // namespace quindle
