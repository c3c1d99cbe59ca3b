#pragma once

#include "core/Model.h"
#include "platform/JsonValue.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle {

/// A resident's food allergies: every ingredient the kitchen knows, ticked where the resident
/// is allergic; a tap ticks or unticks it on the legacy server at once.
class IngredientsViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static std::shared_ptr<IngredientsViewController> create(std::string resDocID, Model& model = Model::defaultInstance());

    const std::string& resDocID() const { return m_resDocID; }
    void setResDocID(std::string resDocID) { m_resDocID = std::move(resDocID); }
    /// The ingredients shown, in the server's order.
    const JsonArrayPtr& objects() const { return m_objects; }
    /// The resident's allergy records as last received.
    const JsonArrayPtr& allergies() const { return m_allergies; }
    /// Names of the ingredients ticked.
    const std::vector<std::string>& allergyList() const { return m_allergyList; }
    bool isAllergicTo(const std::string& name) const;
    std::shared_ptr<TableView> tableView();
    /// Reloads the table.
    void update();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    std::string titleForHeaderInSection(TableView&, int section) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

    static constexpr const char* cellIdentifier = "Cell";

protected:
    void loadView() override;
    void viewDidLoad() override;

private:
    IngredientsViewController(std::string resDocID, Model& model);
    void fetchIngredients();
    void fetchAllergies();
    void ingredientsReceived(const std::optional<JsonValue>& content);
    void allergiesReceived(const std::optional<JsonValue>& content);
    void setAllergy(const JsonObjectPtr& ingredient, bool allergic);
    void allergyNotSaved(const std::string& name, bool allergic);
    std::weak_ptr<IngredientsViewController> weakSelf();

    Model& m_model;
    std::string m_resDocID;
    JsonArrayPtr m_objects;
    JsonArrayPtr m_allergies;
    std::vector<std::string> m_allergyList;
    std::shared_ptr<TableView> m_table;
};

} // namespace quindle
