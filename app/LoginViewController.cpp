#include "app/LoginViewController.h"

#include "app/AppDelegate.h"
#include "app/ResetPasswordViewController.h"
#include "content/DataManager.h"
#include "content/DirectoryViewController.h"
#include "core/Model.h"
#include "platform/JsonWriter.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"
#include "ui/NavigationController.h"
#include "ui/TextField.h"

namespace quindle {

namespace {

const std::string trashTabName = "Trash";

/// Shown when the server gives no answer that could be read, which is no login either.
const std::string noReplyMessage = "The server did not answer. Please try again later.";

} // namespace

std::shared_ptr<LoginViewController> LoginViewController::create(Model& model, std::function<void()> completionHandler)
{
    auto screen = std::shared_ptr<LoginViewController>(new LoginViewController(model, std::move(completionHandler)));
    screen->view(); // rows and bar buttons exist from the start
    return screen;
}

LoginViewController::LoginViewController(Model& model, std::function<void()> completionHandler)
    : StaticTableViewController("Login")
    , m_model(model)
    , m_completionHandler(std::move(completionHandler))
    , m_loginField(makeField("E-mail", SecureEntry::No, KeyboardType::EmailAddress))
    , m_passwordField(makeField("Password", SecureEntry::Yes))
{
}

void LoginViewController::viewDidLoad()
{
    auto& defaults = UserDefaults::standardUserDefaults();
    if (auto login = defaults.stringForKey(loginKey))
        m_loginField->setText(*login);
    if (auto password = defaults.stringForKey(passwordKey))
        m_passwordField->setText(*password);

    std::weak_ptr<LoginViewController> weak = std::static_pointer_cast<LoginViewController>(shared_from_this());
    auto call = [weak](void (LoginViewController::*operation)()) {
        return [weak, operation] {
            if (auto self = weak.lock())
                (self.get()->*operation)();
        };
    };
    setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, call(&LoginViewController::close)));
    setRightBarButtonItem(BarButtonItem::create("Login", BarButtonStyle::Done, call(&LoginViewController::login)));
    auto forgot = captionCell("Forgot password?", AccessoryType::DisclosureIndicator);
    setRows({ { fieldCell(m_loginField), defaultFieldRowHeight, {} }, { fieldCell(m_passwordField), defaultFieldRowHeight, {} },
        { forgot, TableView::defaultRowHeight, call(&LoginViewController::forgotPassword) } });
}

void LoginViewController::viewWillAppear(Animated)
{
    if (m_loginField->text().empty())
        m_loginField->becomeFirstResponder();
    else
        m_passwordField->becomeFirstResponder();
}

void LoginViewController::login()
{
    if (m_isSending)
        return;
    m_isSending = true;
    const std::string email = m_loginField->text();
    const std::string password = m_passwordField->text();
    auto& defaults = UserDefaults::standardUserDefaults();
    defaults.setObject(email, loginKey);
    defaults.setObject(password, passwordKey);
    defaults.synchronize();
    view()->endEditing();

    std::weak_ptr<LoginViewController> weak = std::static_pointer_cast<LoginViewController>(shared_from_this());
    m_model.loginWithUsername(email, password, [weak](std::optional<JsonValue> content, std::optional<Error> error) {
        MainQueue::shared().dispatch([weak, content = std::move(content), error = std::move(error)] {
            if (auto self = weak.lock())
                self->replied(content, error);
        });
    });
}

void LoginViewController::replied(const std::optional<JsonValue>& content, const std::optional<Error>& error)
{
    if (error || !content) {
        // The screen stays open; nothing but a new login screen sends again.
        showAlert("Email not validated", error ? error->localizedDescription : noReplyMessage, "OK");
        return;
    }
    if (Log::isEnabled())
        Log::line("userDict " + JsonWriter::describe(*content));
    const JsonValue* user = content->isObject() ? content->object()->find("User") : nullptr;
    if (user && !user->isNull()) {
        m_model.sendDeviceID();
        const JsonValue* tabbar = user->isObject() ? user->object()->find("Tabbar") : nullptr;
        Screens stacks;
        if (tabbar && tabbar->isArray()) {
            m_model.setTabs(tabbar->array());
            stacks = tabStacksForTabbar(tabbar->array(), m_model);
        }
        if (auto shell = std::dynamic_pointer_cast<AppDelegate>(ApplicationShell::shared()))
            shell->updateUserTabbar(std::move(stacks));
    }
    close();
    if (auto handler = m_completionHandler)
        handler();
}

void LoginViewController::forgotPassword()
{
    auto reset = ResetPasswordViewController::create(m_model, m_loginField->text());
    if (auto stack = navigationController())
        stack->pushViewController(reset, Animated::Yes);
}

LoginViewController::Screens LoginViewController::tabStacksForTabbar(const JsonArrayPtr& tabbar, Model& model)
{
    Screens stacks;
    if (!tabbar)
        return stacks;
    for (const JsonValue& item : *tabbar) {
        if (!item.isObject())
            continue;
        const AssetRecord& tab = item.object();
        auto manager = DataManager::create(asset::list(tab), model);
        if (asset::name(tab) == trashTabName) {
            std::weak_ptr<DataManager> weak = manager;
            Model* source = &model;
            manager->setRefreshHandler([weak, source] {
                source->fetchTrashWithCompletionHandler([weak](std::optional<JsonValue> content, std::optional<Error>) {
                    MainQueue::shared().dispatch([weak, content = std::move(content)] {
                        auto self = weak.lock();
                        if (!self)
                            return;
                        if (Log::isEnabled())
                            Log::line("refresh trash " + (content ? JsonWriter::describe(*content) : std::string("(null)")));
                        const JsonValue* trash = content && content->isObject() ? content->object()->find("Trash") : nullptr;
                        // A failed request keeps the tab's list; only a list replaces it.
                        if (trash && trash->isArray())
                            self->updateWithObjects(trash->array());
                    });
                });
            });
        }
        manager->setAsset(tab);
        manager->setForm(asset::isForm(tab));
        auto screen = AppDelegate::makeDirectoryScreen(manager);
        screen->setTitle(asset::title(tab));
        screen->setAssetID(asset::ident(tab).value_or(""));
        stacks.push_back(NavigationController::create(screen));
    }
    return stacks;
}

} // namespace quindle
