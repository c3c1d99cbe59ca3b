#include "meals/MenuViewController.h"

#include "meals/MenuDetailsViewController.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/DatePicker.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"

#include <algorithm>

namespace quindle {

namespace {

// The accessory holds the chosen dish's tick and the details button side by side.
constexpr double tickSize = 24;
constexpr double detailsWidth = 44;
constexpr double accessoryWidth = tickSize + 6 + detailsWidth;
// Tall enough for the wheel to show the days either side of the picked one.
constexpr double pickerHeight = 120;

} // namespace

MenuViewController::MenuViewController(std::string assetID, std::string title, std::string resID, JsonArrayPtr objects, Model& model)
    : ViewController(std::move(title))
    , m_model(model)
    , m_assetID(std::move(assetID))
    , m_resID(std::move(resID))
    , m_objects(std::move(objects))
{
}

std::shared_ptr<MenuViewController> MenuViewController::create(std::string assetID, std::string title, std::string resID, JsonArrayPtr objects,
    Model& model)
{
    return std::shared_ptr<MenuViewController>(new MenuViewController(std::move(assetID), std::move(title), std::move(resID), std::move(objects), model));
}

std::weak_ptr<MenuViewController> MenuViewController::weakSelf()
{
    return std::static_pointer_cast<MenuViewController>(shared_from_this());
}

void MenuViewController::loadView()
{
    m_table = TableView::create();
    m_datePicker = DatePicker::create({ 0, 0, 320, pickerHeight });
    m_datePicker->setDatePickerMode(DatePickerMode::DateOnly);
    m_table->setTableHeaderView(m_datePicker);
    setView(m_table);
}

void MenuViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<MenuViewController>(shared_from_this());
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    m_table->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    const Date now = DateFormat::now();
    m_datePicker->setMinimumDate(now);
    m_datePicker->setMaximumDate(now + orderWindow);
    m_datePicker->setDate(now);
    m_selectedIndex = -1;
    std::weak_ptr<MenuViewController> weak = self;
    m_orderButton = BarButtonItem::create("Order", BarButtonStyle::Plain, [weak] {
        if (auto menu = weak.lock())
            menu->order();
    });
    setRightBarButtonItem(m_orderButton);
    if (!m_objects)
        fetchMenu();
    fetchAllergies();
}

std::shared_ptr<TableView> MenuViewController::table()
{
    view();
    return m_table;
}

std::shared_ptr<DatePicker> MenuViewController::datePicker()
{
    view();
    return m_datePicker;
}

void MenuViewController::fetchMenu()
{
    std::string address = m_url;
    // A path under the legacy server goes to its host; a full address goes as it is.
    if (!address.empty() && address.front() == '/')
        address = (m_model.configuration() ? m_model.configuration()->legacyHost() : std::string {}) + address;
    if (!m_assetID.empty())
        address += "?a=" + m_assetID;
    Log::line("url " + address);
    auto weak = weakSelf();
    m_model.requestWithURL(address, [weak](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, content = std::move(content)] {
            auto self = weak.lock();
            if (!self)
                return;
            self->m_careDict = content ? *content : JsonValue {};
            const JsonValue& list = content && content->isObject() ? content->object()->get("list") : JsonValue {};
            if (list.isArray())
                self->m_objects = JsonArray::create(list.array()->items());
            if (self->m_table)
                self->m_table->reloadData();
        });
    });
}

void MenuViewController::fetchAllergies()
{
    // The same request the allergy list makes, asked for the resident.
    auto weak = weakSelf();
    m_model.requestWithURL(m_model.legacyBaseURL() + "getFoodAllergy.php?a=" + m_resID, [weak](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, content = std::move(content)] {
            auto self = weak.lock();
            if (!self)
                return;
            const JsonValue& list = content && content->isObject() ? content->object()->get("list") : JsonValue {};
            if (!list.isArray())
                return;
            self->m_allergyNames.clear();
            self->m_allergiesKnown = true;
            for (const JsonValue& allergy : *list.array()) {
                if (allergy.isObject() && allergy.object()->get("name").isString())
                    self->m_allergyNames.push_back(allergy.object()->get("name").asString());
            }
            if (self->m_table)
                self->m_table->reloadData();
        });
    });
}

std::vector<std::string> MenuViewController::allergensIn(const JsonValue& dish) const
{
    std::vector<std::string> found;
    const JsonValue& ingredients = dish.isObject() ? dish.object()->get("ingredients") : JsonValue {};
    if (!ingredients.isArray())
        return found;
    for (const JsonValue& ingredient : *ingredients.array()) {
        const std::string& name = ingredient.isObject() ? ingredient.object()->get("name").asString() : ingredient.asString();
        if (!name.empty() && std::ranges::find(m_allergyNames, name) != m_allergyNames.end() && std::ranges::find(found, name) == found.end())
            found.push_back(name);
    }
    return found;
}

JsonObjectPtr MenuViewController::dishAt(long row) const
{
    if (!m_objects || row < 0 || static_cast<size_t>(row) >= m_objects->size())
        return nullptr;
    return m_objects->at(static_cast<size_t>(row)).object();
}

int MenuViewController::numberOfRowsInSection(TableView&, int) { return m_objects ? static_cast<int>(m_objects->size()) : 0; }

std::shared_ptr<TableViewCell> MenuViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell) {
        cell = TableViewCell::create(CellStyle::Subtitle, cellIdentifier);
        auto accessory = View::create({ 0, 0, accessoryWidth, 44 });
        auto tick = ImageView::create({ 0, 10, tickSize, tickSize });
        tick->setImageName("tick.png");
        accessory->addSubview(tick);
        accessory->addSubview(Button::create("Info", { tickSize + 6, 7, detailsWidth, 30 }));
        cell->setAccessoryView(accessory);
    }
    JsonObjectPtr dish = dishAt(path.row);
    cell->textLabel()->setText(dish ? dish->get("name").asString() : std::string {});
    const std::vector<std::string> allergens = dish ? allergensIn(dish) : std::vector<std::string> {};
    std::string mark;
    for (const auto& name : allergens)
        mark += (mark.empty() ? "Contains allergen: " : ", ") + name;
    cell->detailTextLabel()->setText(mark);
    cell->detailTextLabel()->setTextColour(allergens.empty() ? Colour::fromRGB(0.5, 0.5, 0.5) : Colour::fromRGB(0.8, 0.0, 0.0));
    const auto& parts = cell->accessoryView()->subviews();
    parts.at(0)->setHidden(!(dish && dish->contains("Selected")));
    auto details = std::dynamic_pointer_cast<Button>(parts.at(1));
    std::weak_ptr<MenuViewController> weak = weakSelf();
    std::weak_ptr<TableView> weakTable = std::static_pointer_cast<TableView>(table.shared_from_this());
    details->onTap = [weak, weakTable, path](Button&) {
        auto self = weak.lock();
        auto owner = weakTable.lock();
        if (self && owner)
            self->accessoryButtonTappedForRowWithIndexPath(*owner, path);
    };
    return cell;
}

void MenuViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    JsonObjectPtr dish = dishAt(path.row);
    if (!dish)
        return;
    dish->set("Selected", "Yes");
    if (m_selectedIndex >= 0 && m_selectedIndex != path.row) {
        if (JsonObjectPtr before = dishAt(m_selectedIndex))
            before->erase("Selected");
    }
    m_selectedIndex = path.row;
    table.reloadData();
}

void MenuViewController::accessoryButtonTappedForRowWithIndexPath(TableView&, IndexPath path)
{
    JsonObjectPtr dish = dishAt(path.row);
    auto stack = navigationController();
    if (dish && stack)
        stack->pushViewController(MenuDetailsViewController::create(dish), Animated::Yes);
}

} // namespace quindle
