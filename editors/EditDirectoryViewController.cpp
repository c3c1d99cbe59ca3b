#include "editors/EditDirectoryViewController.h"

#include "core/Model.h"
#include "editors/CarouselTypeViewController.h"
#include "editors/EditorAlert.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"

namespace quindle {

namespace {

constexpr const char* changeNameLabel = "Change name";
constexpr const char* setImageLabel = "Set image";
constexpr const char* clearImageLabel = "Clear image";
constexpr const char* editTableLabel = "Edit table";
constexpr const char* carouselLabel = "Carousel";
constexpr const char* carouselTypeLabel = "Carousel type";
constexpr int nameRow = 1;

/// A reply that carries content and no error; anything else left the server unchanged.
bool succeeded(const std::optional<JsonValue>& content, const std::optional<Error>& error)
{
    return content.has_value() && !error;
}

/// Holds the name field over the whole content area.
class NameCell : public TableViewCell {
public:
    static std::shared_ptr<NameCell> create(std::shared_ptr<TextField> field)
    {
        auto cell = std::shared_ptr<NameCell>(new NameCell(std::move(field)));
        cell->build();
        cell->contentView()->addSubview(cell->m_field);
        cell->setSelectionStyle(SelectionStyle::None);
        cell->layoutSubviews();
        return cell;
    }
    void layoutSubviews() override
    {
        TableViewCell::layoutSubviews();
        m_field->setFrame(contentView()->bounds().inset(4, 15, 4, 15));
    }

private:
    explicit NameCell(std::shared_ptr<TextField> field)
        : TableViewCell(CellStyle::Default, "EditDirectoryNameCell")
        , m_field(std::move(field))
    {
    }
    std::shared_ptr<TextField> m_field;
};

} // namespace

std::shared_ptr<EditDirectoryViewController> EditDirectoryViewController::create(AssetRecord object,
    std::weak_ptr<DataManagerScreen> parent, EditorCompletion completionHandler)
{
    return create(Model::defaultInstance(), std::move(object), std::move(parent), std::move(completionHandler));
}

std::shared_ptr<EditDirectoryViewController> EditDirectoryViewController::create(Model& model, AssetRecord object,
    std::weak_ptr<DataManagerScreen> parent, EditorCompletion completionHandler)
{
    return std::shared_ptr<EditDirectoryViewController>(
        new EditDirectoryViewController(model, std::move(object), std::move(parent), std::move(completionHandler)));
}

EditDirectoryViewController::EditDirectoryViewController(Model& model, AssetRecord object, std::weak_ptr<DataManagerScreen> parent,
    EditorCompletion handler)
    : ViewController(defaultTitle)
    , m_model(model)
    , m_object(std::move(object))
    , m_parent(std::move(parent))
    , m_completionHandler(std::move(handler))
{
}

std::weak_ptr<EditDirectoryViewController> EditDirectoryViewController::weakSelf()
{
    return std::static_pointer_cast<EditDirectoryViewController>(shared_from_this());
}

void EditDirectoryViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
    auto self = std::static_pointer_cast<EditDirectoryViewController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<TableViewDataSource>(self));
    m_table->setDelegate(std::static_pointer_cast<TableViewDelegate>(self));
}

void EditDirectoryViewController::viewDidLoad()
{
    m_labels = { changeNameLabel, "", setImageLabel, clearImageLabel, editTableLabel, carouselLabel, carouselTypeLabel };
    m_nameField = TextField::create();
    m_nameField->setPlaceholder("Name");
    auto weak = weakSelf();
    m_nameField->onChange = [weak](TextField&) {
        if (auto self = weak.lock())
            self->m_nameEdited = true;
    };
    m_nameCell = NameCell::create(m_nameField);

    auto call = [weak](void (EditDirectoryViewController::*operation)()) {
        return [weak, operation] {
            if (auto self = weak.lock())
                (self.get()->*operation)();
        };
    };
    setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, call(&EditDirectoryViewController::cancel)));
    setRightBarButtonItem(BarButtonItem::create(SystemItem::Save, call(&EditDirectoryViewController::save)));
}

std::shared_ptr<TableView> EditDirectoryViewController::tableView()
{
    view();
    return m_table;
}

std::string EditDirectoryViewController::assetID() const
{
    return asset::ident(m_object).value_or("");
}

std::string EditDirectoryViewController::toggledCarouselOption(const AssetRecord& record)
{
    return asset::isCarousel(record) ? std::string {} : std::string(carouselPrefix);
}

std::string EditDirectoryViewController::carouselOptionForStyle(long style)
{
    return carouselStylePrefix + std::to_string(style);
}

int EditDirectoryViewController::numberOfRowsInSection(TableView&, int section)
{
    return section == 0 ? static_cast<int>(m_labels.size()) : 0;
}

std::shared_ptr<TableViewCell> EditDirectoryViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    if (path.row == nameRow) {
        if (!m_nameEdited)
            m_nameField->setText(asset::name(m_object));
        return m_nameCell;
    }
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Value1, cellIdentifier);
    const std::string& label = m_labels.at(static_cast<size_t>(path.row));
    std::string shown = label;
    if (label == carouselLabel)
        shown = asset::isCarousel(m_object) ? "Carousel on" : "Carousel off";
    cell->textLabel()->setText(shown);
    cell->setAccessoryType(label == setImageLabel || label == carouselTypeLabel ? AccessoryType::DisclosureIndicator : AccessoryType::None);
    return cell;
}

void EditDirectoryViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    if (path.section != 0 || path.row < 0 || path.row >= static_cast<int>(m_labels.size()))
        return;
    table.deselectRowAtIndexPath(path, Animated::Yes);
    const std::string label = m_labels[static_cast<size_t>(path.row)];
    if (label == setImageLabel)
        setImage();
    else if (label == clearImageLabel)
        clearImage();
    else if (label == editTableLabel)
        editTable();
    else if (label == carouselLabel)
        toggleCarousel();
    else if (label == carouselTypeLabel)
        showCarouselTypes();
}

void EditDirectoryViewController::cancel()
{
    dismissViewController(Animated::Yes);
}

void EditDirectoryViewController::save()
{
    view();
    if (!m_object)
        return;
    const std::string typed = m_nameField->text();
    const std::string url = m_model.legacyBaseURL() + "setName.php?a=" + assetID() + "&name=" + Model::encode(typed);
    auto weak = weakSelf();
    m_model.requestWithURL(url, [weak, typed](std::optional<JsonValue> content, std::optional<Error> error) {
        const bool stored = succeeded(content, error);
        MainQueue::shared().dispatch([weak, typed, stored, content = std::move(content)] {
            auto self = weak.lock();
            if (!self)
                return;
            if (!stored) {
                // The record keeps its name and the field keeps the typing, to try again.
                self->showFailure("Not saved", "The new name was not saved; nothing was changed.");
                return;
            }
            self->m_object->set("Name", typed);
            if (self->m_object->contains("name"))
                self->m_object->set("name", typed);
            // The page's list caches a cell per record; without it the list draws the new name.
            self->m_object->erase("Cell");
            self->m_nameEdited = false;
            if (self->m_completionHandler)
                self->m_completionHandler(content);
        });
    });
}

void EditDirectoryViewController::setImage()
{
    auto shell = ApplicationShell::shared();
    if (!shell)
        return;
    auto weak = weakSelf();
    auto chooser = shell->makeImageSelectionViewController(m_object, ImageSelectionMode::Link, [weak](std::optional<JsonValue> answer) {
        // Only a stored picture is news for the opener; the chooser tells the user of a failure.
        if (!answer)
            return;
        MainQueue::shared().dispatch([weak, answer = std::move(answer)] {
            if (auto self = weak.lock(); self && self->m_completionHandler)
                self->m_completionHandler(answer);
        });
    });
    if (!chooser)
        return;
    if (auto stack = navigationController())
        stack->pushViewController(chooser, Animated::Yes);
}

void EditDirectoryViewController::clearImage()
{
    if (!m_object)
        return;
    const std::string url = m_model.legacyBaseURL() + "resetImage.php?a=" + assetID();
    auto weak = weakSelf();
    m_model.requestWithURL(url, [weak](std::optional<JsonValue> content, std::optional<Error> error) {
        const bool stored = succeeded(content, error);
        MainQueue::shared().dispatch([weak, stored, content = std::move(content)] {
            auto self = weak.lock();
            if (!self)
                return;
            if (!stored) {
                self->showFailure("Image not cleared", "The image could not be removed; nothing was changed.");
                return;
            }
            // The loaded picture and its address, under both the editor's and the record's own keys.
            for (const char* key : { "image", "assVal", "Image", "ImageUrl" })
                self->m_object->erase(key);
            if (self->m_completionHandler)
                self->m_completionHandler(content);
        });
    });
}

void EditDirectoryViewController::editTable()
{
    auto parentScreen = m_parent.lock();
    dismissViewController(Animated::Yes);
    // Dismissal is done when the call returns; the page's table takes over from here.
    if (!parentScreen)
        return;
    parentScreen->setTableEditing(true, Animated::Yes);
    parentScreen->editTable();
}

void EditDirectoryViewController::toggleCarousel()
{
    sendCarouselOption(toggledCarouselOption(m_object));
}

void EditDirectoryViewController::showCarouselTypes()
{
    auto weak = weakSelf();
    auto chooser = CarouselTypeViewController::create(m_object, [weak](long style) {
        if (auto self = weak.lock())
            self->chooseCarouselStyle(style);
    });
    if (auto stack = navigationController())
        stack->pushViewController(chooser, Animated::Yes);
}

void EditDirectoryViewController::chooseCarouselStyle(long style)
{
    auto stack = navigationController();
    if (stack && stack->topViewController().get() != this)
        stack->popViewController(Animated::Yes);
    sendCarouselOption(carouselOptionForStyle(style));
}

void EditDirectoryViewController::sendCarouselOption(std::string option)
{
    if (!m_object)
        return;
    const std::optional<JsonValue> previous = m_object->contains("options") ? std::optional<JsonValue>(m_object->get("options")) : std::nullopt;
    m_object->set("options", option);
    reloadRows();
    auto weak = weakSelf();
    m_model.carousel(option, assetID(), [weak, option, previous](std::optional<JsonValue> content, std::optional<Error> error) {
        if (succeeded(content, error))
            return;
        MainQueue::shared().dispatch([weak, option, previous] {
            auto self = weak.lock();
            if (!self)
                return;
            // A later choice may already have replaced this one; only this one's value is undone.
            const JsonValue& current = self->m_object->get("options");
            if (current.isString() && current.asString() == option) {
                if (previous)
                    self->m_object->set("options", *previous);
                else
                    self->m_object->erase("options");
            }
            self->reloadRows();
            self->showFailure("Carousel not changed", "The carousel setting was not saved; nothing was changed.");
        });
    });
}

void EditDirectoryViewController::reloadRows()
{
    if (m_table)
        m_table->reloadData();
}

void EditDirectoryViewController::showFailure(std::string title, std::string message)
{
    m_alert = EditorAlert::show(*this, std::move(title), std::move(message));
}

} // namespace quindle
