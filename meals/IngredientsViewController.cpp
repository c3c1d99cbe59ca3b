#include "meals/IngredientsViewController.h"

#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"
#include "ui/Label.h"
#include "ui/TableViewCell.h"

#include <algorithm>

namespace quindle {

IngredientsViewController::IngredientsViewController(std::string resDocID, Model& model)
    : ViewController("Food Allergies")
    , m_model(model)
    , m_resDocID(std::move(resDocID))
    , m_objects(JsonArray::create())
    , m_allergies(JsonArray::create())
{
}

std::shared_ptr<IngredientsViewController> IngredientsViewController::create(std::string resDocID, Model& model)
{
    return std::shared_ptr<IngredientsViewController>(new IngredientsViewController(std::move(resDocID), model));
}

std::weak_ptr<IngredientsViewController> IngredientsViewController::weakSelf()
{
    return std::static_pointer_cast<IngredientsViewController>(shared_from_this());
}

void IngredientsViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void IngredientsViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<IngredientsViewController>(shared_from_this());
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    m_table->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    m_allergyList.clear();
    setTitle("Food Allergies");
    // Both go out together; their replies may come back in either order.
    fetchIngredients();
    fetchAllergies();
}

std::shared_ptr<TableView> IngredientsViewController::tableView()
{
    view();
    return m_table;
}

void IngredientsViewController::update()
{
    if (m_table)
        m_table->reloadData();
}

bool IngredientsViewController::isAllergicTo(const std::string& name) const
{
    return std::find(m_allergyList.begin(), m_allergyList.end(), name) != m_allergyList.end();
}

void IngredientsViewController::fetchIngredients()
{
    auto weak = weakSelf();
    m_model.requestWithURL(m_model.legacyBaseURL() + "ingredientsList.php", [weak](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, content = std::move(content)] {
            if (auto self = weak.lock())
                self->ingredientsReceived(content);
        });
    });
}

void IngredientsViewController::fetchAllergies()
{
    auto weak = weakSelf();
    m_model.requestWithURL(m_model.legacyBaseURL() + "getFoodAllergy.php?a=" + m_resDocID,
        [weak](std::optional<JsonValue> content, std::optional<Error>) {
            MainQueue::shared().dispatch([weak, content = std::move(content)] {
                if (auto self = weak.lock())
                    self->allergiesReceived(content);
            });
        });
}

void IngredientsViewController::ingredientsReceived(const std::optional<JsonValue>& content)
{
    const JsonValue& list = content && content->isObject() ? content->object()->get("list") : JsonValue {};
    const JsonValue* present = content && content->isObject() ? content->object()->find("list") : nullptr;
    if (!present || !present->isNull())
        m_objects = list.isArray() ? JsonArray::create(list.array()->items()) : JsonArray::create();
    update();
}

void IngredientsViewController::allergiesReceived(const std::optional<JsonValue>& content)
{
    const JsonValue* list = content && content->isObject() ? content->object()->find("list") : nullptr;
    if (list && list->isArray())
        m_allergies = JsonArray::create(list->array()->items());
    else if (!list || !list->isNull())
        m_allergies = JsonArray::create();
    for (const JsonValue& allergy : *m_allergies) {
        if (allergy.isObject() && allergy.object()->get("name").isString())
            m_allergyList.push_back(allergy.object()->get("name").asString());
    }
    update();
}

int IngredientsViewController::numberOfRowsInSection(TableView&, int) { return static_cast<int>(m_objects->size()); }

std::string IngredientsViewController::titleForHeaderInSection(TableView&, int) { return "Ingredients list"; }

std::shared_ptr<TableViewCell> IngredientsViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, cellIdentifier);
    const JsonValue& ingredient = path.row >= 0 && static_cast<size_t>(path.row) < m_objects->size() ? m_objects->at(path.row) : JsonValue {};
    const std::string& name = ingredient.isObject() ? ingredient.object()->get("name").asString() : JsonValue {}.asString();
    cell->textLabel()->setText(name);
    cell->setAccessoryType(ingredient.isObject() && isAllergicTo(name) ? AccessoryType::Checkmark : AccessoryType::None);
    return cell;
}

void IngredientsViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    if (path.row < 0 || static_cast<size_t>(path.row) >= m_objects->size() || !m_objects->at(path.row).isObject())
        return;
    JsonObjectPtr ingredient = m_objects->at(path.row).object();
    const std::string name = ingredient->get("name").asString();
    const bool allergic = !isAllergicTo(name);
    if (allergic)
        m_allergyList.push_back(name);
    else
        std::erase(m_allergyList, name);
    setAllergy(ingredient, allergic);
    // The tick changes before the server answers; a refusal puts it back.
    update();
}

void IngredientsViewController::setAllergy(const JsonObjectPtr& ingredient, bool allergic)
{
    const std::string name = ingredient->get("name").asString();
    const JsonValue& id = ingredient->get("assetID");
    const std::string assetID = id.isString() ? id.asString() : id.isInteger() ? std::to_string(id.asInt()) : std::string {};
    auto weak = weakSelf();
    m_model.requestWithURL(m_model.legacyBaseURL() + "setFoodAllergy.php?a=" + m_resDocID + "&i=" + assetID + "&s=" + (allergic ? "1" : "0"),
        [weak, name, allergic](std::optional<JsonValue> content, std::optional<Error>) {
            MainQueue::shared().dispatch([weak, name, allergic, content = std::move(content)] {
                auto self = weak.lock();
                if (!self)
                    return;
                // Only a reply that carries the ingredient list (or says null) shows the server took it.
                const JsonValue* list = content && content->isObject() ? content->object()->find("list") : nullptr;
                if (!list || !(list->isArray() || list->isNull()))
                    return self->allergyNotSaved(name, allergic);
                self->ingredientsReceived(content);
            });
        });
}

void IngredientsViewController::allergyNotSaved(const std::string& name, bool allergic)
{
    // The server still holds the state before the tap.
    if (allergic)
        std::erase(m_allergyList, name);
    else if (!isAllergicTo(name))
        m_allergyList.push_back(name);
    update();
    Log::line("setFoodAllergy not saved for " + name);
    auto alert = AlertView::create("Not saved",
        std::string("The allergy to ") + name + (allergic ? " was not recorded" : " was not removed") + ". Please try again.", "OK");
    alert->show(*this);
}

} // namespace quindle
