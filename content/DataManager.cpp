#include "content/DataManager.h"

#include "content/ApplicationShell.h"
#include "content/DirectoryViewController.h"
#include "content/EditableDataSource.h"
#include "content/EventDataSource.h"
#include "content/HidingNavTableViewController.h"
#include "content/DataManagerSupport.h"
#include "content/ViewControllerUtilities.h"
#include "core/Model.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/NavigationController.h"
#include "ui/ViewController.h"

namespace quindle {

using namespace datamanager;

namespace {


/// A deleted record's "Restore" control, kept in the record.
class RestoreButtonHandle : public Opaque {
public:
    explicit RestoreButtonHandle(std::shared_ptr<Button> b)
        : button(std::move(b))
    {
    }
    std::shared_ptr<Button> button;
};

/// Broadcasts "reloadData" from the main queue, where every coordinator lives.
void postReloadData()
{
    MainQueue::shared().dispatch([] { NotificationCenter::defaultCenter().post(DataManager::reloadDataNotification); });
}

void presentInOwnStack(const std::shared_ptr<DataManagerScreen>& screen, const std::shared_ptr<ViewController>& controller)
{
    if (!screen || !controller)
        return;
    if (auto presenter = screen->screenController())
        presenter->presentViewController(NavigationController::create(controller), Animated::Yes);
}

/// A coordinator for a page whose items came with its reply; it reloads by fetching the
/// directory `id` again. The handler holds it weakly: its data source keeps it alive.
std::shared_ptr<DataManager> pageCoordinator(const JsonArrayPtr& items, const std::string& id)
{
    Model& model = Model::defaultInstance();
    auto manager = DataManager::create(items, model);
    std::weak_ptr<DataManager> weak = manager;
    manager->setRefreshHandler([weak, id, &model] {
        model.fetchDirectoryForAssetID(id, [weak](std::optional<JsonValue> content, std::optional<Error>) {
            MainQueue::shared().dispatch([weak, content = std::move(content)] {
                auto self = weak.lock();
                if (auto list = answerList(content); self && list)
                    self->updateWithObjects(list);
            });
        });
    });
    return manager;
}

} // namespace

std::shared_ptr<DataManager> DataManager::create(JsonArrayPtr objects, Model& model, RefreshHandler refreshHandler)
{
    std::shared_ptr<DataManager> manager(new DataManager(model, std::move(refreshHandler)));
    std::weak_ptr<DataManager> weak = manager;
    NotificationCenter::defaultCenter().addObserver(weak, reloadDataNotification, [weak] {
        if (auto self = weak.lock())
            self->reload();
    });
    manager->updateWithObjects(objects);
    return manager;
}

DataManager::DataManager(Model& model, RefreshHandler refreshHandler)
    : m_model(model)
    , m_refreshHandler(std::move(refreshHandler))
{
}

DataManager::~DataManager()
{
    NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(this));
}

void DataManager::updateWithObjects(const JsonArrayPtr& objects)
{
    m_allObjects = objects ? objects : JsonArray::create();
    m_objects = JsonArray::create();
    std::weak_ptr<DataManager> weak = weak_from_this();
    for (const JsonValue& item : m_allObjects->items()) {
        if (!item.isObject())
            continue;
        const AssetRecord& record = item.object();
        if (!asset::isSubmit(record))
            m_objects->push_back(item);
        if (asset::isDeleted(record) && !record->contains(restoreButtonKey)) {
            auto button = Button::create("Restore", Rect { 0, 0, 200, 40 });
            button->setTitleColour(Colour::black());
            button->onTap = [weak](Button& pressed) {
                if (auto self = weak.lock())
                    self->restoreAction(pressed);
            };
            record->set(restoreButtonKey, OpaquePtr(std::make_shared<RestoreButtonHandle>(button)));
        }
    }
    refreshScreen();
}

std::shared_ptr<Button> DataManager::restoreButtonOf(const AssetRecord& record)
{
    if (!record)
        return nullptr;
    const JsonValue& value = record->get(restoreButtonKey);
    if (!value.isOpaque())
        return nullptr;
    auto handle = std::dynamic_pointer_cast<RestoreButtonHandle>(value.opaque());
    return handle ? handle->button : nullptr;
}

void DataManager::setRefreshHandler(RefreshHandler handler)
{
    m_refreshHandler = std::move(handler);
}

std::string DataManager::pageIdentifier() const
{
    if (m_asset) {
        if (auto id = asset::ident(m_asset))
            return *id;
    }
    return m_assetID;
}

void DataManager::reload()
{
    if (m_refreshHandler) {
        m_refreshHandler();
        return;
    }
    std::weak_ptr<DataManager> weak = weak_from_this();
    m_model.fetchDirectoryForAssetID(pageIdentifier(), [weak](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, content = std::move(content)] {
            auto self = weak.lock();
            if (auto list = answerList(content); self && list)
                self->updateWithObjects(list);
        });
    });
}

void DataManager::refreshScreen()
{
    if (auto screen = viewController())
        screen->refresh();
}

bool DataManager::isOwner() const
{
    // An empty token never matches, so a record without an owner gives nobody edit rights.
    const std::string token = m_model.authToken();
    if (token.empty() || !m_asset)
        return false;
    auto owner = asset::owner(m_asset);
    return owner && *owner == token;
}

void DataManager::configureBarbuttons()
{
    auto screen = viewController();
    if (!screen)
        return;
    auto controller = screen->screenController();
    if (!controller)
        return;
    std::weak_ptr<DataManager> weak = weak_from_this();
    auto call = [weak](void (DataManager::*operation)()) {
        return [weak, operation] {
            if (auto self = weak.lock())
                (self.get()->*operation)();
        };
    };
    const bool owner = isOwner();
    if (m_isForm) {
        std::vector<std::shared_ptr<BarButtonItem>> right { BarButtonItem::create("Send", BarButtonStyle::Plain, call(&DataManager::sendFormNotify)) };
        if (owner) {
            right.push_back(BarButtonItem::create(SystemItem::Add, call(&DataManager::addAsset)));
            // Done only for item edit mode: during reordering Edit stays and ends it.
            right.push_back(BarButtonItem::create(screen->editMode() ? SystemItem::Done : SystemItem::Edit, call(&DataManager::editTable)));
        }
        controller->setRightBarButtonItems(std::move(right));
        return;
    }
    if (m_model.isLoggedIn()) {
        if (screen->isRootController() && !m_model.isRoot()) {
            controller->setRightBarButtonItems({});
            controller->setLeftBarButtonItem(nullptr);
        } else {
            std::vector<std::shared_ptr<BarButtonItem>> right;
            if (owner)
                right.push_back(BarButtonItem::create(SystemItem::Add, call(&DataManager::addAsset)));
            if (screen->isRootController())
                right.push_back(BarButtonItem::create(SystemItem::Add, call(&DataManager::addAccount)));
            if (owner) {
                const bool editing = screen->editMode() || screen->isTableEditing();
                right.push_back(BarButtonItem::create(editing ? SystemItem::Done : SystemItem::Edit, call(&DataManager::editTable)));
            }
            controller->setRightBarButtonItems(std::move(right));
            if (screen->isRootController())
                controller->setLeftBarButtonItem(nullptr);
        }
        updateTabbar();
        return;
    }
    controller->setRightBarButtonItems({ BarButtonItem::create("Login", BarButtonStyle::Plain, call(&DataManager::login)) });
    if (screen->isRootController())
        controller->setLeftBarButtonItem(BarButtonItem::create("Register", BarButtonStyle::Plain, call(&DataManager::addAccount)));
}


void DataManager::editTable()
{
    auto screen = viewController();
    if (!m_isEditing) {
        m_isEditing = true;
        std::vector<std::string> choices { "Reorder", "Edit items" };
        if (m_isForm)
            choices.push_back(formFieldsButtonTitle);
        m_editAlert = AlertView::create("Edit Page", "Do you want to reorder or edit the items?", "Cancel", std::move(choices));
        m_editAlert->setDelegate(weak_from_this());
        auto controller = screen ? screen->screenController() : nullptr;
        if (controller)
            m_editAlert->show(*controller);
        else
            m_editAlert->show(std::shared_ptr<Window>());
        return;
    }
    if (screen)
        screen->done();
    configureBarbuttons();
    refreshScreen();
    m_isEditing = false;
}

void DataManager::didDismissWithButtonIndex(AlertView&, int buttonIndex)
{
    m_editAlert.reset();
    auto screen = viewController();
    switch (buttonIndex) {
    case 1:
        if (screen)
            screen->setTableEditing(true, Animated::Yes);
        refreshScreen();
        configureBarbuttons();
        break;
    case 2:
        editItems();
        break;
    case 3:
        // The form's fields open on a screen of their own: the page is left as Cancel leaves it.
        m_isEditing = false;
        if (m_isForm)
            loadFormForObject(m_asset, screen);
        break;
    default:
        m_isEditing = false;
        break;
    }
}

void DataManager::editItems()
{
    if (auto screen = viewController())
        screen->editTable();
    configureBarbuttons();
    refreshScreen();
}

void DataManager::deleteAssetAtIndexPath(size_t row)
{
    if (row >= m_objects->size() || !m_objects->at(row).isObject())
        return;
    AssetRecord record = m_objects->at(row).object();
    m_model.deleteAsset(asset::ident(record).value_or(""), [](std::optional<JsonValue>, std::optional<Error>) { postReloadData(); });
    m_objects->erase(row);
}

void DataManager::restoreAction(const Button& button)
{
    for (size_t i = 0; i < m_objects->size(); ++i) {
        const JsonValue& item = m_objects->at(i);
        if (!item.isObject() || restoreButtonOf(item.object()).get() != &button)
            continue;
        m_model.restoreAsset(asset::ident(item.object()).value_or(""), [](std::optional<JsonValue>, std::optional<Error>) { postReloadData(); });
        m_objects->erase(i);
        refreshScreen();
        return;
    }
}

void DataManager::sendFormNotify()
{
    NotificationCenter::defaultCenter().post(sendFormNotification);
}

void DataManager::sendForm(const std::vector<AssetRecord>& items)
{
    auto dict = JsonObject::create();
    dict->set("formid", m_assetID);
    for (const AssetRecord& item : items) {
        if (item)
            dict->set(asset::name(item), asset::text(item));
    }
    std::weak_ptr<DataManager> weak = weak_from_this();
    m_model.sendForm(dict, [weak](std::optional<JsonValue>, std::optional<Error>) {
        MainQueue::shared().dispatch([weak] {
            if (auto self = weak.lock())
                self->refreshScreen();
        });
    });
}

void DataManager::login()
{
    auto shell = ApplicationShell::shared();
    if (!shell)
        return;
    std::weak_ptr<DataManager> weak = weak_from_this();
    presentInOwnStack(viewController(), shell->makeLoginViewController([weak] {
        if (auto self = weak.lock()) {
            self->configureBarbuttons();
            self->refreshScreen();
        }
    }));
}

void DataManager::addAccount()
{
    auto shell = ApplicationShell::shared();
    if (!shell)
        return;
    std::weak_ptr<DataManager> weak = weak_from_this();
    presentInOwnStack(viewController(), shell->makeCreateAccountViewController([weak] {
        if (auto self = weak.lock())
            self->reload();
    }));
}

std::optional<DataManager::Screens> DataManager::currentTabs() const
{
    if (!m_currentTabs)
        return std::nullopt;
    Screens tabs;
    for (const auto& tab : *m_currentTabs)
        if (auto screen = tab.lock())
            tabs.push_back(std::move(screen));
    return tabs;
}

void DataManager::setCurrentTabs(const Screens& tabs)
{
    m_currentTabs.emplace(tabs.begin(), tabs.end());
}

void DataManager::updateTabbar()
{
    std::optional<Screens> current = currentTabs();
    if (!current)
        return;
    Screens tabs = std::move(*current);
    MainQueue::shared().dispatch([tabs] {
        if (auto shell = ApplicationShell::shared())
            shell->addLoginItemsToTabbar(tabs);
    });
}

bool DataManager::didSelectObjectAtIndexPath(const std::shared_ptr<DataManagerScreen>& screen, IndexPath path, bool editMode)
{
    if (path.row < 0 || static_cast<size_t>(path.row) >= m_objects->size() || !m_objects->at(path.row).isObject())
        return false;
    AssetRecord record = m_objects->at(path.row).object();
    if (!editMode) {
        bool opens = false;
        if (asset::isDirectory(record) || asset::isForm(record)) {
            loadDirectoryForObject(record, screen);
            opens = true;
        }
        if (asset::isDocument(record)) {
            loadDocumentForObject(record, screen);
            opens = true;
        }
        if (asset::isTabbar(record)) {
            loadTabbarForObject(record, screen);
            opens = true;
        }
        if (asset::isEvent(record)) {
            loadEventForObject(record, screen);
            opens = true;
        }
        return opens;
    }
    if (asset::isImage(record))
        loadImageSelectionForObject(record, screen, editorCompletionHandler(screen, false));
    else if (asset::isText(record) || asset::isTextView(record) || asset::isTextField(record))
        editTextForObject(record, screen, editorCompletionHandler(screen, false));
    else if (asset::isYoutubeVideo(record))
        editYoutubeVideoForObject(record, screen, editorCompletionHandler(screen, false));
    else
        editDirectoryForObject(record, screen, editorCompletionHandler(screen, true));
    return true;
}


void DataManager::loadDirectoryForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen)
{
    if (!record)
        return;
    const std::string id = asset::ident(record).value_or("");
    std::weak_ptr<DataManager> weakSelf = weak_from_this();
    std::weak_ptr<DataManagerScreen> weakScreen = screen;
    m_model.fetchDirectoryForAssetID(id, [weakSelf, weakScreen, record, id](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weakSelf, weakScreen, record, id, content = std::move(content)] {
            SelectionEnd ended(weakScreen);
            auto tapped = weakScreen.lock();
            if (!weakSelf.lock() || !tapped)
                return;
            JsonObjectPtr directory = answerObject(content);
            auto manager = pageCoordinator(asset::list(directory), id);
            manager->setAssetID(id);
            manager->setAsset(record);
            manager->setForm(asset::isForm(record));
            auto page = DirectoryViewController::create();
            manager->setViewController(std::static_pointer_cast<DataManagerScreen>(page));
            page->setDataSource(EditableDataSource::create(manager));
            page->setTitle(directory ? directory->get("name").asString() : std::string {});
            page->setLinkedObjects(linkedList(directory));
            page->setAssetID(id);
            page->setHeaderImage(pictureOf(record));
            pushOnto(tapped, page);
        });
    });
}

void DataManager::loadDocumentForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen)
{
    if (!record)
        return;
    std::weak_ptr<DataManager> weakSelf = weak_from_this();
    std::weak_ptr<DataManagerScreen> weakScreen = screen;
    m_model.fetchDocumentForAssetID(asset::ident(record).value_or(""), [weakSelf, weakScreen, record](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weakSelf, weakScreen, record, content = std::move(content)] {
            SelectionEnd ended(weakScreen);
            auto tapped = weakScreen.lock();
            JsonObjectPtr document = answerObject(content);
            if (!weakSelf.lock() || !tapped || !document || !asset::isDocument(document))
                return;
            // The shell builds the screen: it lives above this layer.
            auto shell = ApplicationShell::shared();
            pushOnto(tapped, shell ? shell->makeDocumentViewController(document, record->get("assetID").asString()) : nullptr);
        });
    });
}

void DataManager::loadFormForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen)
{
    const std::string id = record ? asset::ident(record).value_or(m_assetID) : m_assetID;
    if (id.empty())
        return;
    std::weak_ptr<DataManager> weakSelf = weak_from_this();
    std::weak_ptr<DataManagerScreen> weakScreen = screen;
    m_model.fetchDirectoryForAssetID(id, [weakSelf, weakScreen, id](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weakSelf, weakScreen, id, content = std::move(content)] {
            auto tapped = weakScreen.lock();
            JsonObjectPtr directory = answerObject(content);
            auto shell = ApplicationShell::shared();
            if (!weakSelf.lock() || !tapped || !directory || !shell)
                return;
            // The shell builds the screen: it lives in forms/, above this layer.
            if (auto fields = shell->makeFormViewController(directory, id))
                pushOnto(tapped, fields);
        });
    });
}

void DataManager::loadTabbarForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen)
{
    if (!record)
        return;
    std::weak_ptr<DataManager> weakSelf = weak_from_this();
    std::weak_ptr<DataManagerScreen> weakScreen = screen;
    m_model.fetchTabbarForAssetID(asset::ident(record).value_or(""), [weakSelf, weakScreen](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weakSelf, weakScreen, content = std::move(content)] {
            SelectionEnd ended(weakScreen);
            JsonObjectPtr tabbar = answerObject(content);
            if (!weakSelf.lock() || !tabbar || !asset::isTabbar(tabbar) || !tabbar->get("Children").isArray())
                return;
            Screens screens;
            std::vector<std::shared_ptr<DataManager>> managers;
            for (const JsonValue& child : tabbar->get("Children").array()->items()) {
                if (!child.isObject())
                    continue;
                AssetRecord tab = child.object();
                JsonArrayPtr items = asset::list(tab);
                if (!items)
                    continue;
                const std::string id = asset::ident(tab).value_or("");
                auto manager = pageCoordinator(items, id);
                auto page = DirectoryViewController::create();
                manager->setViewController(std::static_pointer_cast<DataManagerScreen>(page));
                page->setDataManager(manager);
                page->setDataSource(EditableDataSource::create(manager));
                page->setTitle(asset::name(tab));
                page->setAssetID(id);
                manager->setForm(asset::isForm(tab));
                manager->setAssetID(id);
                manager->setAsset(tab);
                screens.push_back(page);
                managers.push_back(manager);
            }
            auto shell = ApplicationShell::shared();
            if (!shell)
                return;
            shell->updateTabbarWithArray(screens);
            Screens tabs = shell->tabbarItems();
            for (auto& manager : managers)
                manager->setCurrentTabs(tabs);
        });
    });
}

void DataManager::loadEventForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen)
{
    if (!record)
        return;
    auto source = EventDataSource::create(record);
    source->setDataManager(shared_from_this());
    auto eventScreen = HidingNavTableViewController::create(source, eventRowHeight);
    pushOnto(screen, eventScreen);
    m_viewController = std::static_pointer_cast<DataManagerScreen>(eventScreen);
}







Colour DataManager::backgroundColour() const
{
    return m_model.backgroundColourForAsset(m_asset ? m_asset : JsonObject::create());
}

Colour DataManager::textColour() const
{
    return m_model.textColourForAsset(m_asset ? m_asset : JsonObject::create());
}

Font DataManager::font() const
{
    return m_model.fontForAsset(m_asset ? m_asset : JsonObject::create());
}

} // namespace quindle
