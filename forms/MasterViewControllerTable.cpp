// The resident form screen's rows: heading, due actions, food allergies and the values.
#include "forms/MasterViewController.h"

#include "core/Model.h"
#include "forms/BoolView.h"
#include "forms/NumberView.h"
#include "platform/Image.h"
#include "platform/MainQueue.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableViewCell.h"

#include <cstdio>
#include <cstdlib>

namespace quindle {

namespace {

std::string text(const JsonObjectPtr& record, const char* key)
{
    JsonValue value = record ? record->get(key) : JsonValue();
    return value.isString() ? value.asString() : std::string {};
}

constexpr Rect controlFrame { 0, 0, 80, 30 };
constexpr double graphWidth = 56;
constexpr double graphGap = 4;

std::shared_ptr<Label> rightAligned(const std::string& value)
{
    auto label = Label::create(controlFrame);
    label->setTextAlignment(TextAlignment::Right);
    label->setText(value);
    return label;
}

} // namespace

std::shared_ptr<TableViewCell> MasterViewController::cellForRowAtIndexPath(TableView&, IndexPath path)
{
    switch (sectionAt(path.section).value_or(Section::Values)) {
    case Section::Heading: return headingCell(path.row);
    case Section::Actions: return actionCell(path.row);
    case Section::Allergies: {
        auto cell = TableViewCell::create(CellStyle::Default, "AllergyCell");
        cell->textLabel()->setText("Food Alergies");
        cell->setAccessoryType(AccessoryType::DisclosureIndicator);
        return cell;
    }
    case Section::Values: return valueCell(static_cast<size_t>(std::max(0, path.row)));
    }
    return TableViewCell::create(CellStyle::Default, "Empty");
}

std::shared_ptr<TableViewCell> MasterViewController::headingCell(int row)
{
    auto cell = TableViewCell::create(CellStyle::Default, "HeadingCell");
    switch (row) {
    case 0:
        cell->textLabel()->setText(m_name);
        if (!m_isResidentProfile)
            cell->setAccessoryType(AccessoryType::DisclosureIndicator);
        break;
    case 1:
        if (m_suppressHistory) {
            cell->textLabel()->setText(user());
        } else {
            cell->textLabel()->setText("History");
            cell->setAccessoryType(AccessoryType::DisclosureIndicator);
        }
        break;
    case 2: cell->textLabel()->setText(m_date); break;
    case 3: cell->textLabel()->setText(m_message); break;
    default: break;
    }
    if (!willSelectRowAtIndexPath(*m_table, { 0, row }))
        cell->setSelectionStyle(SelectionStyle::None);
    return cell;
}

std::shared_ptr<TableViewCell> MasterViewController::actionCell(int row)
{
    auto cell = TableViewCell::create(CellStyle::Value1, "ActionCell");
    const auto& due = m_engine->displayActions();
    if (due.empty()) {
        cell->textLabel()->setText("No actions required");
        cell->setSelectionStyle(SelectionStyle::None);
        return cell;
    }
    if (row < 0 || static_cast<size_t>(row) >= due.size())
        return cell;
    const JsonObjectPtr& action = due[static_cast<size_t>(row)];
    cell->textLabel()->setText(text(action, "val"));
    cell->detailTextLabel()->setText(text(action, "date"));
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    return cell;
}

std::shared_ptr<TableViewCell> MasterViewController::valueCell(size_t row)
{
    // Rows differ in their controls, so each is made afresh rather than reused.
    auto cell = TableViewCell::create(CellStyle::Value1, "ValueCell");
    JsonObjectPtr entry = m_engine->entryAtRow(row);
    if (!entry)
        return cell;
    const std::string name = text(entry, "name");
    const std::string key = FormEngine::shownKey(entry);
    const std::string value = m_engine->shownValue(entry);
    cell->textLabel()->setText(key);
    if (m_suppressHistory)
        cell->setAccessoryView(rightAligned(value));
    else
        configureControl(*cell, entry, row, value);
    if (!cell->accessoryView())
        cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    if (hasFormState() && !m_suppressHistory) {
        JsonValue modified = m_engine->formModForKey(name);
        JsonValue by = m_engine->formUserForKey(name);
        if (modified.isString() && by.isString())
            cell->detailTextLabel()->setText(modified.asString() + " (" + by.asString() + ")");
    }
    if (m_engine->isUnsaved(name))
        cell->detailTextLabel()->setText(unsavedText);
    return cell;
}

void MasterViewController::configureControl(TableViewCell& cell, const JsonObjectPtr& entry, size_t row, const std::string& value)
{
    const std::string type = text(entry, "type");
    std::weak_ptr<FormEngine> engine = m_engine;
    if (type == "Bool") {
        const int state = BoolView::stateForValue(value);
        if (state != 0)
            entry->set("state", state);
        else
            entry->erase("state");
        cell.setAccessoryView(BoolView::create(controlFrame, engine, state, row));
    } else if (type == "Number") {
        cell.setAccessoryView(numberControl(entry, row, value));
    } else if (type == "Text" || type == "Select") {
        cell.detailTextLabel()->setText(value);
    } else if (type == "Image") {
        configureImage(cell, entry);
    } else if (type == "Derived" || type == "Conditional") {
        cell.setAccessoryView(rightAligned(value));
    }
}

// The number control with a graph button beside it, so a carer reaches a number's history in one tap.
std::shared_ptr<View> MasterViewController::numberControl(const JsonObjectPtr& entry, size_t row, const std::string& value)
{
    auto holder = View::create({ 0, 0, controlFrame.width + graphGap + graphWidth, controlFrame.height });
    holder->addSubview(NumberView::create(controlFrame, m_engine, value, row));
    auto graph = Button::create(graphTitle, { controlFrame.width + graphGap, 0, graphWidth, controlFrame.height });
    std::weak_ptr<MasterViewController> weak = std::static_pointer_cast<MasterViewController>(shared_from_this());
    graph->onTap = [weak, key = text(entry, "name")](Button&) {
        if (auto self = weak.lock())
            self->openGraph(key);
    };
    holder->addSubview(graph);
    return holder;
}

void MasterViewController::configureImage(TableViewCell& cell, const JsonObjectPtr& entry)
{
    auto picture = ImageView::create(controlFrame);
    cell.setAccessoryView(picture);
    JsonValue stored = entry->get("image");
    if (stored.isOpaque()) {
        picture->setImage(std::dynamic_pointer_cast<const Image>(stored.opaque()));
        return;
    }
    const std::string url = text(entry, "val");
    if (!url.empty())
        fetchImage(entry, url);
}

void MasterViewController::fetchImage(const JsonObjectPtr& entry, const std::string& url)
{
    if (!m_fetched.insert(entry.get()).second)
        return;
    std::weak_ptr<MasterViewController> weak = std::static_pointer_cast<MasterViewController>(shared_from_this());
    HttpRequest request;
    request.url = legacyURL(url);
    Model::defaultInstance().imageRequest(std::move(request), [weak, entry](std::shared_ptr<Image> image, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, entry, image] {
            // A picture that does not decode leaves the row without one.
            if (!image)
                return;
            entry->set("image", JsonValue(std::static_pointer_cast<Opaque>(image)));
            if (auto self = weak.lock())
                self->reload();
        });
    });
}

} // namespace quindle
