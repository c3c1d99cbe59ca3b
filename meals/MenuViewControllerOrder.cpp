#include "meals/MenuViewController.h"

#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"
#include "ui/DatePicker.h"
#include "ui/NavigationController.h"

namespace quindle {

std::string MenuViewController::orderDateForDate(Date picked)
{
    // The day on the carer's calendar, not Greenwich's: near midnight the two differ.
    return DateFormat::format(picked, "yyyy-MM-dd", DateFormat::Zone::Local);
}

void MenuViewController::showAlert(const std::string& title, const std::string& message)
{
    AlertView::create(title, message, "OK")->show(*this);
}

void MenuViewController::order()
{
    if (m_ordering)
        return;
    JsonObjectPtr dish = dishAt(m_selectedIndex);
    if (!dish) {
        showAlert("No dish chosen", "Choose a dish to order.");
        return;
    }
    const std::string dishName = dish->get("name").asString();
    if (!m_allergiesKnown)
        return confirmOrder("Allergies not known",
            "The resident's allergies could not be loaded. Check the ingredients of " + dishName + " before ordering.");
    const std::vector<std::string> allergens = allergensIn(dish);
    if (allergens.empty())
        return sendOrder();
    std::string names;
    for (size_t i = 0; i < allergens.size(); ++i)
        names += (i == 0 ? "" : i + 1 == allergens.size() ? " and " : ", ") + allergens[i];
    confirmOrder("Allergy warning", dishName + " contains " + names + ", which the resident is allergic to.");
}

void MenuViewController::confirmOrder(const std::string& title, const std::string& message)
{
    auto alert = AlertView::create(title, message, "Cancel", { "Order anyway" });
    auto weak = weakSelf();
    alert->onDismiss = [weak](AlertView& shown, int buttonIndex) {
        auto self = weak.lock();
        if (self && buttonIndex != shown.cancelButtonIndex())
            self->sendOrder();
    };
    alert->show(*this);
}

void MenuViewController::sendOrder()
{
    JsonObjectPtr dish = dishAt(m_selectedIndex);
    if (!dish || m_ordering)
        return;
    const std::string date = orderDateForDate(datePicker()->date());
    const JsonValue& id = dish->get("assetID");
    const std::string dishID = id.isString() ? id.asString() : id.isInteger() ? std::to_string(id.asInt()) : std::string {};
    const std::string address = m_model.legacyBaseURL() + "setMealObject.php?a=" + m_resID + "&name=" + Model::encode(title())
        + "&date=" + Model::encode(date) + "&o=" + dishID;
    Log::line("order url " + address);
    m_ordering = true;
    auto weak = weakSelf();
    const std::string dishName = dish->get("name").asString();
    m_model.requestWithURL(address, [weak, dishName, date](std::optional<JsonValue> content, std::optional<Error> error) {
        // Only a reply object shows the server took the order.
        const bool taken = content && content->isObject() && !error;
        MainQueue::shared().dispatch([weak, taken, dishName, date] {
            if (auto self = weak.lock())
                self->orderAnswered(taken, dishName, date);
        });
    });
}

void MenuViewController::orderAnswered(bool taken, const std::string& dishName, const std::string& date)
{
    m_ordering = false;
    if (!taken) {
        showAlert("Order not sent", "The order of " + dishName + " for " + date + " was not sent. Please try again.");
        return;
    }
    // Only this screen closes, not whatever was pushed over it since.
    auto stack = navigationController();
    if (stack && stack->topViewController().get() == this)
        stack->popViewController(Animated::Yes);
}

} // namespace quindle
