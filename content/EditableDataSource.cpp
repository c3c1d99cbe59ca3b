#include "content/EditableDataSource.h"

#include "content/CarouselCell.h"
#include "content/DataManager.h"
#include "content/EventCell.h"
#include "content/ImageCell.h"
#include "content/TextCell.h"
#include "content/TextFieldCell.h"
#include "content/TextViewCell.h"
#include "core/Model.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "ui/TableView.h"

#include <cstdlib>
#include <utility>

namespace quindle {

namespace {

/// A pooled or registered cell of the class, or a new one when the table has none to give.
template<typename Cell>
std::shared_ptr<Cell> dequeue(TableView& table, const char* identifier)
{
    if (auto cell = std::dynamic_pointer_cast<Cell>(table.dequeueReusableCellWithIdentifier(identifier)))
        return cell;
    return Cell::create(CellStyle::Default, identifier);
}

} // namespace

EditableDataSource::EditableDataSource(std::shared_ptr<DataManager> dataManager)
    : m_dataManager(std::move(dataManager))
{
}

std::shared_ptr<EditableDataSource> EditableDataSource::create(std::shared_ptr<DataManager> dataManager)
{
    return std::shared_ptr<EditableDataSource>(new EditableDataSource(std::move(dataManager)));
}

EditableDataSource::~EditableDataSource()
{
    NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(this));
}

void EditableDataSource::isActive()
{
    auto& center = NotificationCenter::defaultCenter();
    // Appearing twice without disappearing must not send the form twice.
    center.removeObserver(static_cast<const void*>(this), DataManager::sendFormNotification);
    std::weak_ptr<EditableDataSource> weak = shared_from_this();
    center.addObserver(weak, DataManager::sendFormNotification, [weak] {
        if (auto self = weak.lock())
            self->sendForm();
    });
}

void EditableDataSource::isInactive()
{
    NotificationCenter::defaultCenter().removeObserver(static_cast<const void*>(this));
}

void EditableDataSource::reload()
{
    if (m_dataManager)
        m_dataManager->reload();
}

void EditableDataSource::registerCellsForTableView(const std::shared_ptr<TableView>& table)
{
    m_tableView = table;
    if (!table)
        return;
    auto image = [](const std::string& id) -> std::shared_ptr<TableViewCell> { return ImageCell::create(CellStyle::Default, id); };
    table->registerCell(directoryImageCellIdentifier, image);
    table->registerCell(imageCellIdentifier, image);
    table->registerCell(carouselCellIdentifier, [](const std::string& id) -> std::shared_ptr<TableViewCell> { return CarouselCell::create(CellStyle::Default, id); });
    table->registerCell(textCellIdentifier, [](const std::string& id) -> std::shared_ptr<TableViewCell> { return TextCell::create(CellStyle::Default, id); });
    table->registerCell(textFieldCellIdentifier, [](const std::string& id) -> std::shared_ptr<TableViewCell> { return TextFieldCell::create(CellStyle::Default, id); });
    table->registerCell(textViewCellIdentifier, [](const std::string& id) -> std::shared_ptr<TableViewCell> { return TextViewCell::create(CellStyle::Default, id); });
    table->registerCell(eventCellIdentifier, [](const std::string& id) -> std::shared_ptr<TableViewCell> { return EventCell::create(CellStyle::Default, id); });
    if (m_dataManager)
        table->setBackgroundColour(m_dataManager->backgroundColour());
}

void EditableDataSource::sendForm()
{
    if (m_dataManager)
        m_dataManager->sendForm(m_formArray);
}

void EditableDataSource::configureBarbuttonsForViewController(ViewController&)
{
    if (m_dataManager)
        m_dataManager->configureBarbuttons();
}

std::shared_ptr<Image> EditableDataSource::imageWithCompletionHandler(ImageHandler)
{
    return nullptr;
}

AssetRecord EditableDataSource::objectAt(int row) const
{
    if (!m_dataManager || row < 0)
        return nullptr;
    const auto& objects = m_dataManager->objects();
    if (static_cast<size_t>(row) >= objects->size())
        return nullptr;
    return objects->at(static_cast<size_t>(row)).object();
}

int EditableDataSource::numberOfRowsInSection(TableView&, int section)
{
    // Every full reload starts a fresh collection of the input items.
    m_formArray.clear();
    if (!m_dataManager || section != 0)
        return 0;
    return static_cast<int>(m_dataManager->objects()->size());
}

std::shared_ptr<TableViewCell> EditableDataSource::plainCell(const std::string& text)
{
    auto cell = TableViewCell::create(CellStyle::Default, directoryCellIdentifier);
    cell->textLabel()->setText(text);
    return cell;
}

std::shared_ptr<TableViewCell> EditableDataSource::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    AssetRecord record = objectAt(path.row);
    if (!record)
        return plainCell({});
    if (table.isEditing())
        return plainCell(asset::isText(record) ? asset::text(record) : asset::name(record));
    return itemCell(table, path, record);
}

std::shared_ptr<TableViewCell> EditableDataSource::itemCell(TableView& table, IndexPath path, const AssetRecord& record)
{
    if (!m_isEditing && asset::isCarousel(record)) {
        auto cell = dequeue<CarouselCell>(table, carouselCellIdentifier);
        std::weak_ptr<EditableDataSource> weak = weak_from_this();
        cell->configureWithImage(record, carouselItemSize, [weak](int, const AssetRecord& chosen) {
            auto self = weak.lock();
            if (self && self->m_dataManager && chosen)
                self->m_dataManager->didSelectObject(chosen);
        });
        return cell;
    }
    if (asset::isText(record) && !asset::text(record).empty()) {
        auto cell = dequeue<TextCell>(table, textCellIdentifier);
        cell->setAccessoryView(nullptr);
        cell->configureWithAsset(record);
        return cell;
    }
    bool input = asset::isTextField(record) || asset::isTextView(record);
    if (m_isEditing && input) {
        // Shown as text, tapped for editing.
        auto cell = dequeue<TextCell>(table, textCellIdentifier);
        cell->configureWithAsset(record);
        return cell;
    }
    if (!m_isEditing && asset::isTextField(record)) {
        auto cell = dequeue<TextFieldCell>(table, textFieldCellIdentifier);
        cell->setAccessoryType(AccessoryType::None);
        cell->setAccessoryView(nullptr);
        cell->configureWithAsset(record);
        m_formArray.push_back(record);
        return cell;
    }
    if (!m_isEditing && asset::isTextView(record)) {
        auto cell = dequeue<TextViewCell>(table, textViewCellIdentifier);
        cell->configureWithAsset(record);
        m_formArray.push_back(record);
        return cell;
    }
    if (asset::isEvent(record)) {
        auto cell = dequeue<EventCell>(table, eventCellIdentifier);
        cell->configureWithDictionary(record);
        return cell;
    }
    if (!asset::isImage(record) && !asset::isTabbar(record))
        return pictureRowCell(table, path, record);
    return pictureItemCell(table, path, record);
}

std::shared_ptr<Image> EditableDataSource::pictureReloadingRow(TableView& table, IndexPath path, const AssetRecord& record)
{
    std::weak_ptr<TableView> weakTable = std::static_pointer_cast<TableView>(table.shared_from_this());
    // The handler runs on the main queue; the row may have gone by then.
    return asset::imageWithCompletionHandler(record, [weakTable, path](std::shared_ptr<Image>) {
        MainQueue::shared().dispatch([weakTable, path] {
            auto tableView = weakTable.lock();
            if (tableView && tableView->exists(path))
                tableView->reloadRowsAtIndexPaths({ path }, RowAnimation::Automatic);
        });
    });
}

std::shared_ptr<TableViewCell> EditableDataSource::pictureRowCell(TableView& table, IndexPath path, const AssetRecord& record)
{
    if (auto picture = pictureReloadingRow(table, path, record)) {
        auto cell = dequeue<ImageCell>(table, directoryImageCellIdentifier);
        cell->configureWithImage(picture, asset::name(record));
        return cell;
    }
    auto cell = plainCell(asset::name(record));
    if (m_dataManager) {
        cell->setBackgroundColour(m_dataManager->backgroundColour());
        cell->textLabel()->setFont(m_dataManager->font());
        cell->textLabel()->setTextColour(m_dataManager->textColour());
    }
    if (!m_isEditing)
        cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    return cell;
}

std::shared_ptr<TableViewCell> EditableDataSource::pictureItemCell(TableView& table, IndexPath path, const AssetRecord& record)
{
    auto cell = dequeue<ImageCell>(table, imageCellIdentifier);
    if (auto picture = pictureReloadingRow(table, path, record))
        cell->configureWithImage(picture, asset::isTabbar(record) ? asset::name(record) : std::string());
    else
        cell->configureWithImage(nullptr, asset::name(record));
    return cell;
}

double EditableDataSource::heightForRowAtIndexPath(TableView& table, IndexPath path)
{
    AssetRecord record = objectAt(path.row);
    if (!record)
        return table.rowHeight();
    if (asset::isText(record))
        return Model::defaultInstance().heightForAsset(record, table.frame().width);
    if (asset::isTextView(record))
        return textViewRowHeight;
    if (asset::isEvent(record))
        return eventRowHeight;
    if (asset::isCarousel(record))
        return carouselRowHeight;
    const JsonValue* url = record->find("ImageUrl");
    bool hasPicture = url && url->isString() && !url->string()->empty();
    if (hasPicture && (asset::isDirectory(record) || asset::isDocument(record) || asset::isTabbar(record) || asset::isImage(record)))
        return pictureRowHeight;
    return table.rowHeight();
}

bool EditableDataSource::didSelectObjectAtIndexPath(const std::shared_ptr<DataManagerScreen>& screen, IndexPath path, bool editMode)
{
    return m_dataManager && m_dataManager->didSelectObjectAtIndexPath(screen, path, editMode);
}

void EditableDataSource::commitEditingStyle(TableView& table, EditingStyle style, IndexPath path)
{
    if (style != EditingStyle::Delete || !m_dataManager || !objectAt(path.row))
        return;
    m_dataManager->deleteAssetAtIndexPath(static_cast<size_t>(path.row));
    table.deleteRowsAtIndexPaths({ path }, RowAnimation::Fade);
}

void EditableDataSource::moveRowAtIndexPath(TableView& table, IndexPath from, IndexPath to)
{
    AssetRecord first = objectAt(from.row);
    AssetRecord second = objectAt(to.row);
    if (!first || !second || from.row == to.row)
        return;
    std::string firstID = asset::ident(first).value_or("");
    std::string secondID = asset::ident(second).value_or("");
    auto& objects = m_dataManager->objects()->items();
    std::swap(objects[static_cast<size_t>(from.row)], objects[static_cast<size_t>(to.row)]);
    m_dataManager->model().swapAssetId(firstID, secondID, [](std::optional<JsonValue>, std::optional<Error>) { });
    // Only the two end records trade places, while the table has shifted the rows between
    // them; once the move is over, show the order the list and the server now hold.
    if (std::abs(to.row - from.row) > 1) {
        std::weak_ptr<TableView> weakTable = std::static_pointer_cast<TableView>(table.shared_from_this());
        MainQueue::shared().dispatch([weakTable] {
            if (auto tableView = weakTable.lock())
                tableView->reloadData();
        });
    }
}

} // namespace quindle
