#include "editors/TabEditViewController.h"

#include "content/ApplicationShell.h"
#include "core/Model.h"
#include "editors/EditorAlert.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"

namespace quindle {

namespace {

constexpr const char* setImageRow = "Set site image";
constexpr const char* clearImageRow = "Clear site image";
constexpr const char* changeNameRow = "Change site name";

bool succeeded(const std::optional<JsonValue>& content, const std::optional<Error>& error)
{
    return content.has_value() && !error;
}

} // namespace

std::shared_ptr<TabEditViewController> TabEditViewController::create()
{
    return create(Model::defaultInstance());
}

std::shared_ptr<TabEditViewController> TabEditViewController::create(Model& model)
{
    return std::shared_ptr<TabEditViewController>(new TabEditViewController(model));
}

TabEditViewController::TabEditViewController(Model& model)
    : ViewController(defaultTitle)
    , m_model(model)
    , m_rows { setImageRow, clearImageRow, changeNameRow }
{
    setTabBarItem({ defaultTitle, "second.png", {} });
}

std::weak_ptr<TabEditViewController> TabEditViewController::weakSelf()
{
    return std::static_pointer_cast<TabEditViewController>(shared_from_this());
}

void TabEditViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<TabEditViewController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<TableViewDataSource>(self));
    m_table->setDelegate(std::static_pointer_cast<TableViewDelegate>(self));
}

void TabEditViewController::viewDidLoad()
{
    setTitle(defaultTitle);
    auto item = tabBarItem();
    item.imageName = "first.png";
    setTabBarItem(std::move(item));
}

void TabEditViewController::viewWillAppear(Animated)
{
    if (m_table)
        m_table->reloadData();
}

std::shared_ptr<TableView> TabEditViewController::tableView()
{
    view();
    return m_table;
}

int TabEditViewController::numberOfRowsInSection(TableView&, int section)
{
    return section == 0 ? static_cast<int>(m_rows.size()) : 0;
}

std::shared_ptr<TableViewCell> TabEditViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, cellIdentifier);
    cell->textLabel()->setText(m_rows.at(static_cast<size_t>(path.row)));
    return cell;
}

void TabEditViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    if (path.section != 0 || path.row < 0 || path.row >= static_cast<int>(m_rows.size()))
        return;
    table.deselectRowAtIndexPath(path, Animated::Yes);
    switch (path.row) {
    case 0: setSiteImage(); break;
    case 1: clearSiteImage(); break;
    default: changeSiteName(); break;
    }
}

void TabEditViewController::setSiteImage()
{
    auto shell = ApplicationShell::shared();
    if (!shell)
        return;
    auto weak = weakSelf();
    auto chooser = shell->makeImageSelectionViewController(m_model.tab(), ImageSelectionMode::Add, [weak](std::optional<JsonValue> answer) {
        // A failed choice leaves the chooser open with its own message.
        if (!answer)
            return;
        MainQueue::shared().dispatch([weak] {
            auto self = weak.lock();
            if (!self)
                return;
            self->dismissViewController(Animated::Yes);
            auto stack = self->navigationController();
            if (stack && stack->topViewController() != self)
                stack->popViewController(Animated::Yes);
        });
    });
    if (!chooser)
        return;
    if (auto stack = navigationController())
        stack->pushViewController(chooser, Animated::Yes);
}

void TabEditViewController::clearSiteImage()
{
    m_openAlert = OpenAlert::ClearImage;
    m_clearAlert = AlertView::create("Clear Image", "Do you want to remove the image from your site?", "Cancel", { "Remove" });
    auto weak = weakSelf();
    // Each alert carries its own action, so a button of one never runs the other's.
    m_clearAlert->onDismiss = [weak](AlertView&, int buttonIndex) {
        auto self = weak.lock();
        if (!self)
            return;
        self->m_openAlert = OpenAlert::None;
        if (buttonIndex == 1)
            self->removeImage();
    };
    m_clearAlert->show(*this);
}

void TabEditViewController::changeSiteName()
{
    m_openAlert = OpenAlert::ChangeName;
    m_nameAlert = AlertView::create("Enter a new name for your site", "Please enter name", "Cancel", { "OK" });
    m_nameAlert->setAlertViewStyle(AlertViewStyle::PlainTextInput);
    m_nameAlert->textFieldAtIndex(0)->setText(asset::name(m_model.tab()));
    auto weak = weakSelf();
    // The typed name goes only to the server; the record takes it once the server has.
    m_nameAlert->onDismiss = [weak](AlertView& alert, int buttonIndex) {
        auto self = weak.lock();
        if (!self)
            return;
        self->m_openAlert = OpenAlert::None;
        if (buttonIndex == 1)
            self->sendName(alert.textFieldAtIndex(0)->text());
    };
    m_nameAlert->show(*this);
}

void TabEditViewController::removeImage()
{
    AssetRecord tab = m_model.tab();
    if (!tab)
        return;
    auto weak = weakSelf();
    m_model.linkImage(tab, nullptr, [weak, tab](std::optional<JsonValue> content, std::optional<Error> error) {
        const bool stored = succeeded(content, error);
        MainQueue::shared().dispatch([weak, tab, stored] {
            if (stored) {
                for (const char* key : { "ImageUrl", "Image", "image", "assVal" })
                    tab->erase(key);
            }
            auto self = weak.lock();
            if (!self)
                return;
            if (!stored)
                self->showFailure("Image not removed", "The site image could not be removed; nothing was changed.");
            else if (self->m_table)
                self->m_table->reloadData();
        });
    });
}

void TabEditViewController::sendName(std::string name)
{
    AssetRecord tab = m_model.tab();
    if (!tab)
        return;
    auto body = JsonObject::create();
    body->set("assetid", asset::ident(tab).value_or(""));
    body->set("name", name);
    auto weak = weakSelf();
    m_model.sendName(body, [weak, tab, name](std::optional<JsonValue> content, std::optional<Error> error) {
        const bool stored = succeeded(content, error);
        MainQueue::shared().dispatch([weak, tab, name, stored] {
            if (stored) {
                tab->set("Name", name);
                if (tab->contains("name"))
                    tab->set("name", name);
            }
            auto self = weak.lock();
            if (!self)
                return;
            if (!stored)
                self->showFailure("Not saved", "The site name was not saved; nothing was changed.");
            else if (self->m_table)
                self->m_table->reloadData();
        });
    });
}

void TabEditViewController::showFailure(std::string title, std::string message)
{
    m_failureAlert = EditorAlert::show(*this, std::move(title), std::move(message));
}

} // namespace quindle
