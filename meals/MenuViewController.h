#pragma once

#include "core/Model.h"
#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle {

class BarButtonItem;
class DatePicker;

/// A resident's menu: one dish is chosen and ordered for a day from today up to a week ahead.
/// Dishes holding an ingredient the resident is allergic to are marked, and ordering one asks first.
class MenuViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static std::shared_ptr<MenuViewController> create(std::string assetID, std::string title, std::string resID, JsonArrayPtr objects,
        Model& model = Model::defaultInstance());

    const std::string& assetID() const { return m_assetID; }
    const std::string& resID() const { return m_resID; }
    /// The dishes shown; null until handed over or received.
    const JsonArrayPtr& objects() const { return m_objects; }
    /// The path asked for dishes when none were handed over.
    const std::string& url() const { return m_url; }
    void setUrl(std::string url) { m_url = std::move(url); }
    const JsonValue& careDict() const { return m_careDict; }
    long selectedIndex() const { return m_selectedIndex; }
    /// Names of the ingredients the resident is allergic to, as the server last said.
    const std::vector<std::string>& allergyNames() const { return m_allergyNames; }
    /// Whether the server has told the resident's allergies; until then no dish can be cleared.
    bool allergiesKnown() const { return m_allergiesKnown; }
    /// The ingredients of a dish the resident is allergic to, in the dish's order.
    std::vector<std::string> allergensIn(const JsonValue& dish) const;
    std::shared_ptr<TableView> table();
    std::shared_ptr<DatePicker> datePicker();
    std::shared_ptr<BarButtonItem> orderButton() const { return m_orderButton; }

    /// The calendar day the carer picked, on the device's own calendar, as "yyyy-MM-dd".
    static std::string orderDateForDate(Date picked);
    /// Sends the chosen dish for the picked day, asking first when none is chosen or it holds an allergen.
    void order();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;
    /// The row's details button: the dish's ingredients.
    void accessoryButtonTappedForRowWithIndexPath(TableView&, IndexPath path);

    static constexpr const char* cellIdentifier = "Cell";
    static constexpr const char* defaultURL = "/json/start.php";
    /// How far ahead a day may be picked.
    static constexpr std::chrono::seconds orderWindow { 604800 };

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    MenuViewController(std::string assetID, std::string title, std::string resID, JsonArrayPtr objects, Model& model);
    std::weak_ptr<MenuViewController> weakSelf();
    void fetchMenu();
    void fetchAllergies();
    void sendOrder();
    void orderAnswered(bool taken, const std::string& dishName, const std::string& date);
    JsonObjectPtr dishAt(long row) const;
    void showAlert(const std::string& title, const std::string& message);
    void confirmOrder(const std::string& title, const std::string& message);

    Model& m_model;
    std::string m_assetID;
    std::string m_resID;
    JsonArrayPtr m_objects;
    std::string m_url { defaultURL };
    JsonValue m_careDict;
    long m_selectedIndex { -1 };
    std::vector<std::string> m_allergyNames;
    bool m_allergiesKnown { false };
    bool m_ordering { false };
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<DatePicker> m_datePicker;
    std::shared_ptr<BarButtonItem> m_orderButton;
};

} // namespace quindle
