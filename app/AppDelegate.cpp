#include "app/AppDelegate.h"

#include "app/CreateAccountViewController.h"
#include "app/LoginViewController.h"
#include "forms/DocumentViewController.h"
#include "forms/FormViewController.h"
#include "app/RegisterViewController.h"
#include "app/UserViewController.h"
#include "content/DataManager.h"
#include "content/DirectoryViewController.h"
#include "content/EditableDataSource.h"
#include "core/Model.h"
#include "platform/JsonWriter.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"
#include "ui/NavigationController.h"
#include "ui/TabBarController.h"

#include <cstdlib>

namespace quindle {

namespace {

constexpr unsigned allNotificationTypes = NotificationType::Badge | NotificationType::Sound | NotificationType::Alert;
/// The start page's title until its reply names the site, and when it does not.
constexpr const char* startPageTitle = "Home";

std::optional<std::filesystem::path> absoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    std::filesystem::path path(value);
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

} // namespace

std::shared_ptr<AppDelegate> AppDelegate::create(Model& model, std::shared_ptr<PushService> pushService, Rect bounds,
    UserInterfaceIdiom idiom)
{
    return std::shared_ptr<AppDelegate>(new AppDelegate(model, std::move(pushService), bounds, idiom));
}

AppDelegate::AppDelegate(Model& model, std::shared_ptr<PushService> pushService, Rect bounds, UserInterfaceIdiom idiom)
    : m_model(model)
    , m_pushService(std::move(pushService))
    , m_bounds(bounds)
    , m_idiom(idiom)
{
}

AppDelegate::~AppDelegate()
{
    // The start page holds the base tabs (its own stack among them) twice: as its screen's tab
    // list and as its coordinator's current tabs. Letting go of them here frees the stacks.
    if (auto screen = m_rootScreen.lock())
        screen->setTabbar({});
    if (m_dataManager)
        m_dataManager->setCurrentTabs({});
}

bool AppDelegate::didFinishLaunchingWithOptions()
{
    // The start page's screen asks the shell for its tabs as soon as it appears.
    ApplicationShell::setShared(shared_from_this());
    std::weak_ptr<AppDelegate> weak = weak_from_this();
    m_model.setLoginTabbarItemsHandler([weak] {
        if (auto self = weak.lock())
            self->setupLoginTabbarItems();
    });

    m_window = Window::create(m_bounds, m_idiom);
    if (m_idiom == UserInterfaceIdiom::Phone)
        buildStartPage();
    m_window->makeKeyAndVisible();
    registerForPushNotifications();
    setupLoginTabbarItems();
    return true;
}

void AppDelegate::buildStartPage()
{
    m_dataManager = DataManager::create(nullptr, m_model);
    auto screen = makeDirectoryScreen(m_dataManager);
    screen->setRootController(true);
    screen->setTitle(startPageTitle);
    m_rootScreen = screen;

    auto stack = NavigationController::create(screen);
    m_tabbar = TabBarController::create();
    m_tabbar->setViewControllers({ stack });
    m_tabbar->setTabBarHidden(BarVisibility::Hidden);
    screen->setTabbar(m_tabbar->viewControllers());
    m_dataManager->setCurrentTabs({ stack });
    m_tabbarItems = { stack };
    m_window->setRootViewController(m_tabbar);

    // The reply is handled on the main queue, so only after launch has finished.
    std::weak_ptr<DataManager> weakManager = m_dataManager;
    std::weak_ptr<DirectoryViewController> weakScreen = screen;
    m_model.fetchDirectoryForAssetID({}, [weakManager, weakScreen](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weakManager, weakScreen, content = std::move(content)] {
            auto manager = weakManager.lock();
            if (!manager)
                return;
            AssetRecord page = content && content->isObject() ? content->object() : nullptr;
            if (auto id = asset::ident(page))
                manager->setAssetID(*id);
            if (auto shown = weakScreen.lock(); shown && !asset::name(page).empty())
                shown->setTitle(asset::name(page));
            // A failed load keeps the list: a refresh may have filled it in the meantime.
            if (auto list = asset::list(page))
                manager->updateWithObjects(list);
        });
    });
}

void AppDelegate::registerForPushNotifications()
{
    if (!m_pushService)
        return;
    if (m_pushService->offersUserNotificationSettings()) {
        m_pushService->registerUserNotificationSettings(allNotificationTypes);
        m_pushService->registerForRemoteNotifications();
    } else {
        m_pushService->registerForRemoteNotificationTypes(allNotificationTypes);
    }
}

std::shared_ptr<DirectoryViewController> AppDelegate::makeDirectoryScreen(const std::shared_ptr<DataManager>& manager)
{
    auto screen = DirectoryViewController::create();
    screen->setDataManager(manager);
    screen->setDataSource(EditableDataSource::create(manager));
    manager->setViewController(std::static_pointer_cast<DataManagerScreen>(screen));
    return screen;
}

void AppDelegate::setupLoginTabbarItems()
{
    auto manager = DataManager::create(m_model.tabs(), m_model);
    manager->setRestricted(true);
    manager->setAsset(m_model.tab());
    auto tabEdit = makeDirectoryScreen(manager);
    tabEdit->setTitle(tabEditTitle);
    tabEdit->setTabBarItem({ tabEditTitle, tabEditImage, {} });

    auto account = UserViewController::create(m_model);
    m_loginTabbarItems = { NavigationController::create(tabEdit), NavigationController::create(account) };
    appendCareTabs();
}

void AppDelegate::updateUserTabbar(Screens stacks)
{
    m_userTabbarItems = std::move(stacks);
}

void AppDelegate::show(Screens stacks)
{
    if (m_tabbar)
        m_tabbar->setViewControllers(std::move(stacks));
}

void AppDelegate::addLoginItemsToTabbar(const Screens& stacks)
{
    m_tabbarItems = stacks;
    Screens shown = stacks;
    if (m_userTabbarItems) {
        shown.insert(shown.end(), m_userTabbarItems->begin(), m_userTabbarItems->end());
        shown.insert(shown.end(), m_loginTabbarItems.begin(), m_loginTabbarItems.end());
    }
    const bool several = shown.size() >= 2;
    show(std::move(shown));
    if (several && m_tabbar)
        m_tabbar->setTabBarHidden(BarVisibility::Shown);
}

void AppDelegate::updateTabbarWithArray(const Screens& screens)
{
    Screens stacks;
    for (size_t i = 0; i < screens.size(); ++i) {
        if (i < m_tabbarItems.size()) {
            if (auto stack = std::dynamic_pointer_cast<NavigationController>(m_tabbarItems[i]))
                stack->pushViewController(screens[i], Animated::No);
            stacks.push_back(m_tabbarItems[i]);
        } else {
            stacks.push_back(NavigationController::create(screens[i]));
        }
    }
    // Base tabs beyond the screens given stay as they are.
    for (size_t i = screens.size(); i < m_tabbarItems.size(); ++i)
        stacks.push_back(m_tabbarItems[i]);
    m_tabbarItems = stacks;
    show(stacks);
    if (stacks.size() > 1 && m_tabbar)
        m_tabbar->setTabBarHidden(BarVisibility::Shown);
}

void AppDelegate::resetTabbarWithArray(const Screens& stacks)
{
    show(stacks);
    if (stacks.size() == 1 && m_tabbar)
        m_tabbar->setTabBarHidden(BarVisibility::Hidden);
}

void AppDelegate::showNormalTabbar()
{
    show(m_tabbarItems);
}

JsonArrayPtr AppDelegate::workflow() const
{
    return m_model.workflow();
}

std::shared_ptr<ViewController> AppDelegate::makeLoginViewController(std::function<void()> done)
{
    return LoginViewController::create(m_model, std::move(done));
}

std::shared_ptr<ViewController> AppDelegate::makeCreateAccountViewController(std::function<void()> done)
{
    return CreateAccountViewController::create(m_model, std::move(done));
}

std::shared_ptr<ViewController> AppDelegate::makeDocumentViewController(const JsonObjectPtr& document, const std::string& assetID)
{
    return DocumentViewController::createForDocument(document, assetID);
}

std::shared_ptr<ViewController> AppDelegate::makeFormViewController(const JsonObjectPtr& directory, const std::string& assetID)
{
    return FormViewController::createForDirectory(directory, assetID);
}

void AppDelegate::didRegisterUserNotificationSettings(unsigned grantedTypes)
{
    if (grantedTypes != NotificationType::None) {
        Log::line("user allowed notifications");
        return;
    }
    Log::line("user did not allow notifications");
    m_notificationAlert = AlertView::create("Please turn on Notification",
        "Go to Settings > Notifications > App.\n Switch on Sound, Badge & Alert", "Ok");
    m_notificationAlert->show(m_window);
}

std::string AppDelegate::tokenText(const std::vector<uint8_t>& token)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(token.size() * 2);
    for (uint8_t byte : token) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0F]);
    }
    return text;
}

void AppDelegate::didRegisterForRemoteNotificationsWithDeviceToken(const std::vector<uint8_t>& token)
{
    const std::string text = tokenText(token);
    Log::line("My token is: " + text);
    m_model.setPushTokenID(text);
    if (m_pushService)
        m_model.setDevID(m_pushService->identifierForVendor());
}

void AppDelegate::didReceiveRemoteNotification(const JsonObjectPtr& payload, std::function<void(BackgroundFetchResult)> completion)
{
    if (Log::isEnabled())
        Log::line("remote notification " + (payload ? JsonWriter::describe(JsonValue(payload)) : std::string("(null)")));
    const JsonValue* action = payload ? payload->find("action") : nullptr;
    if (action && action->isString() && *action->string() == "register") {
        std::weak_ptr<AppDelegate> weak = weak_from_this();
        MainQueue::shared().dispatch([weak, assetID = payload->get("assetID").asString(), name = payload->get("name").asString()] {
            auto self = weak.lock();
            auto root = self && self->m_window ? self->m_window->rootViewController() : nullptr;
            if (!root)
                return;
            auto approval = RegisterViewController::create(self->m_model, assetID, name);
            root->presentViewController(NavigationController::create(approval), Animated::Yes);
        });
    }
    if (completion)
        completion(BackgroundFetchResult::NoData);
}

std::filesystem::path AppDelegate::applicationDocumentsDirectory()
{
    if (auto documents = absoluteVariable("QUINDLE_DOCUMENTS"))
        return *documents;
    if (auto data = absoluteVariable("XDG_DATA_HOME"))
        return *data / "quindle";
    if (auto home = absoluteVariable("HOME"))
        return *home / ".local" / "share" / "quindle";
    return std::filesystem::temp_directory_path() / "quindle";
}

std::shared_ptr<ObjectStore> AppDelegate::managedObjectContext()
{
    if (m_managedObjectContext || m_storeFailed)
        return m_managedObjectContext;
    Error storeError;
    m_managedObjectContext = ObjectStore::open(applicationDocumentsDirectory() / storeFileName, &storeError);
    if (!m_managedObjectContext) {
        // The store holds nothing and is only opened while the application ends, so the rest of
        // the shutdown goes on without it rather than stopping the process here.
        m_storeFailed = true;
        const Error error { "YOUR_ERROR_DOMAIN", 9999, "Failed to initialize the application's saved data" };
        Log::line("Unresolved error " + error.domain + " " + std::to_string(error.code) + " \"" + error.localizedDescription
            + "\", {failure reason: There was an error creating or loading the application's saved data.; underlying error: "
            + storeError.domain + " " + std::to_string(storeError.code) + " " + storeError.localizedDescription + "}");
    }
    return m_managedObjectContext;
}

void AppDelegate::saveContext()
{
    auto context = managedObjectContext();
    if (!context || !context->hasChanges())
        return;
    Error error;
    if (!context->save(&error))
        Log::line("Unresolved error " + error.domain + " " + std::to_string(error.code) + ", " + error.localizedDescription);
}

void AppDelegate::applicationWillTerminate()
{
    saveContext();
}

} // namespace quindle
