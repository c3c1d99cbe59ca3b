#include "forms/FormViewController.h"

#include "content/ApplicationShell.h"
#include "content/ViewControllerUtilities.h"
#include "core/Asset.h"
#include "platform/MainQueue.h"
#include "ui/BarButtonItem.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"
#include "ui/TextField.h"

namespace quindle {

namespace {

JsonArrayPtr linkedList(const JsonObjectPtr& directory)
{
    const JsonValue& linked = directory ? directory->get("_linkedAsset") : JsonValue {};
    if (!linked.isObject())
        return nullptr;
    const JsonValue& list = linked.object()->get("list");
    return list.isArray() ? list.array() : nullptr;
}

} // namespace

std::shared_ptr<FormViewController> FormViewController::create()
{
    return std::shared_ptr<FormViewController>(new FormViewController());
}

std::shared_ptr<FormViewController> FormViewController::createForDirectory(const JsonObjectPtr& directory, std::string assetID)
{
    auto screen = create();
    screen->setObjects(asset::list(directory));
    screen->setTitle(directory ? directory->get("name").asString() : std::string {});
    screen->setLinkedObjects(linkedList(directory));
    screen->setAssetID(std::move(assetID));
    screen->setTabBarItem({ screen->title(), tabImage, {} });
    return screen;
}

void FormViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void FormViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<FormViewController>(shared_from_this());
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    m_table->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    configureBarButtons();
    m_table->reloadData();
}

std::shared_ptr<TableView> FormViewController::tableView()
{
    view();
    return m_table;
}

void FormViewController::configureBarButtons()
{
    std::weak_ptr<FormViewController> weak = std::static_pointer_cast<FormViewController>(shared_from_this());
    auto add = BarButtonItem::create(SystemItem::Add, [weak] {
        if (auto self = weak.lock())
            self->addAsset();
    });
    auto edit = BarButtonItem::create(m_editMode ? SystemItem::Done : SystemItem::Edit, [weak] {
        if (auto self = weak.lock())
            self->editTable();
    });
    setRightBarButtonItems({ add, edit });
}

void FormViewController::reload()
{
    if (m_table)
        m_table->reloadData();
}

JsonObjectPtr FormViewController::fieldAt(int row) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_objects->size() || !m_objects->at(row).isObject())
        return nullptr;
    return m_objects->at(row).object();
}

int FormViewController::numberOfRowsInSection(TableView&, int)
{
    return static_cast<int>(m_objects->size());
}

std::shared_ptr<TableViewCell> FormViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    JsonObjectPtr field = fieldAt(path.row);
    if (m_editMode && m_editingRow == path.row) {
        auto cell = TableViewCell::create(CellStyle::Default, editorCellIdentifier);
        auto input = TextField::create(Rect { 15, 7, 280, 30 });
        input->setText(asset::name(field));
        std::weak_ptr<FormViewController> weak = std::static_pointer_cast<FormViewController>(shared_from_this());
        input->onReturn = [weak](TextField&) {
            if (auto self = weak.lock())
                self->textFieldShouldReturn();
        };
        cell->contentView()->addSubview(input);
        return cell;
    }
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Subtitle, cellIdentifier);
    cell->textLabel()->setText(asset::name(field));
    cell->detailTextLabel()->setText(asset::type(field));
    cell->setAccessoryType(m_editMode ? AccessoryType::None : AccessoryType::DisclosureIndicator);
    return cell;
}

void FormViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    JsonObjectPtr field = fieldAt(path.row);
    if (!field)
        return;
    if (m_editMode) {
        m_editingRow = path.row;
        reload();
        return;
    }
    auto shell = ApplicationShell::shared();
    const std::string type = asset::type(field);
    if (!shell || (type != "Text" && type != "Image"))
        return;
    // The editor works on its own copy: the list keeps the field as the server sent it. It is
    // closed once the server has taken the change.
    auto copy = JsonObject::create(field->entries());
    auto shown = std::make_shared<std::weak_ptr<ViewController>>();
    auto editor = type == "Text" ? shell->makeTextEditorViewController(copy, TextEditorMode::Text, popWhenCompleted(shown))
                                 : shell->makeImageEditViewController(copy, m_assetID, popWhenCompleted(shown));
    *shown = editor;
    if (!editor)
        return;
    if (auto stack = navigationController())
        stack->pushViewController(editor, Animated::Yes);
}

void FormViewController::editTable()
{
    m_editMode = !m_editMode;
    if (!m_editMode)
        m_editingRow.reset();
    configureBarButtons();
    reload();
}

void FormViewController::textFieldShouldReturn()
{
    // No server operation renames a field, so the typed name is dropped with edit mode. A
    // one-line input inserts no line break, so there is nothing to refuse.
    m_editMode = false;
    m_editingRow.reset();
    configureBarButtons();
    reload();
}

void FormViewController::addAsset()
{
    std::weak_ptr<FormViewController> weak = std::static_pointer_cast<FormViewController>(shared_from_this());
    // Called from whatever thread the add screen's request answers on.
    AddCompletion completion = [weak](std::optional<JsonValue> reply) {
        MainQueue::shared().dispatch([weak, reply = std::move(reply)] {
            if (auto self = weak.lock())
                self->addFinished(reply);
        });
    };
    std::shared_ptr<ViewController> screen;
    if (auto shell = ApplicationShell::shared())
        screen = shell->makeFormAddAssetViewController(m_assetID, completion);
    if (!screen)
        return;
    auto stack = NavigationController::create(screen);
    m_addStack = stack;
    m_popover = ViewControllerUtilities::defaultInstance()->presentPopoverWithController(stack, nullptr, Rect {}, Size {},
        PopoverArrow::Any, shared_from_this());
}

void FormViewController::addFinished(const std::optional<JsonValue>& reply)
{
    if (JsonArrayPtr list = asset::list(reply && reply->isObject() ? reply->object() : nullptr))
        m_objects = std::move(list);
    reload();
    if (m_popover) {
        m_popover->dismissPopoverAnimated(Animated::Yes);
        m_popover.reset();
    } else if (auto stack = m_addStack.lock(); stack && stack->presentingViewController()) {
        stack->dismissViewController(Animated::Yes);
    }
    m_addStack.reset();
}

} // namespace quindle
