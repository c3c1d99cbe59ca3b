#pragma once

#include "platform/JsonValue.h"
#include "server/Storage.h"

#include <optional>
#include <string>

namespace quindle {

/// Tables and queries of the legacy care-forms server: forms and their entries, people and their
/// documents, recorded values with their history, actions, devices, ingredients, allergies and meals.
/// Every write runs in one transaction; every statement is parameterised portable SQL.
class LegacyStore {
public:
    /// What an identifier names; ids share one sequence so that "start.php?a=" can tell them apart.
    enum class Kind { None, Form, Person, Document, Entry, Record, Device, Ingredient, Dish };

    /// Whose care data a request reaches: one organisation's (an organisation is the account that
    /// owns its site), or every organisation's for root users.
    struct Scope {
        int64_t org = 0;
        bool everything = false;
    };

    explicit LegacyStore(Storage& storage);

    /// Creates or upgrades the schema (component "legacy").
    void migrate();

    Kind kindOf(int64_t id);
    /// What `id` names when `scope` reaches it; Kind::None for another organisation's id.
    Kind kindOf(int64_t id, const Scope& scope);

    // Reads, shaped as the client reads them.
    JsonValue entryList(int64_t formId);          ///< {"list": entries, "title": form name}
    JsonValue rootList(const Scope& scope);       ///< the people, each a "Form" entry opening its documents
    JsonValue documentsOf(int64_t personId);      ///< {"list": the person's documents}
    JsonValue historyOf(int64_t documentId);      ///< {"list": history records}
    JsonValue formState(int64_t documentId);      ///< key -> state record
    std::optional<std::string> lastModified(int64_t documentId);
    JsonValue devices(const Scope& scope);
    JsonValue overdueActions(int64_t userId, const std::string& now, const Scope& scope);
    JsonValue ingredients(const Scope& scope);
    JsonValue allergiesOf(int64_t documentId);
    JsonValue menuOf(int64_t formId);

    // Writes trust that the caller checked every id against its scope with kindOf; rows made from a
    // parent take the parent's organisation.
    // Each returns false (changing nothing) when an id does not name the expected thing.
    /// Records a value of entry `entryId` for person `personId` in the person's document of the
    /// entry's form (made when missing); returns that document's id, or 0.
    int64_t recordValue(int64_t entryId, int64_t personId, const std::string& name, const std::string& value,
        const std::string& type, const std::optional<std::string>& index, const std::string& user, const std::string& now);
    bool recordDocumentValue(int64_t documentId, const std::string& name, const std::string& value,
        const std::string& type, const std::string& user, const std::string& now);
    bool setTimedObject(int64_t documentId, int64_t entryId, const std::string& date, const std::string& value,
        const std::optional<std::string>& trigger, const std::string& user, const std::string& now);
    bool setAction(int64_t recordId, const std::string& date, const std::optional<int64_t>& deviceId,
        const std::string& value, const std::string& user, const std::string& now);
    int64_t addEntry(int64_t formId, const std::string& name, const std::string& type, const std::string& value);
    bool setName(int64_t id, const std::string& name);
    bool setImage(int64_t id, const std::optional<std::string>& url);
    /// Points pictures saved as "/images/N.jpg", before picture addresses carried a token, at
    /// the token address of picture N (the "images" table must exist).
    void readdressNumberedPictures();
    bool setAllergy(int64_t documentId, int64_t ingredientId, bool allergic);
    bool orderMeal(int64_t personId, const std::string& menu, const std::string& date, int64_t dishId, const std::string& user);
    /// The allergies recorded on any of the person's documents, one record a name.
    JsonValue allergiesOfPerson(int64_t personId);
    /// The person's orders, newest day first: "menu", "date", "dish", "name".
    JsonValue ordersOf(int64_t personId);

    // Seeding helpers for the demo.
    /// A new id of `org` (none: visible to root users only).
    int64_t newId(Kind kind, std::optional<int64_t> org);
    int64_t addForm(const std::string& name, std::optional<int64_t> org);
    int64_t addPerson(const std::string& name, std::optional<int64_t> org);
    int64_t addDocument(int64_t personId, int64_t formId);
    int64_t addEntryFull(int64_t formId, const JsonValue& entry);
    int64_t addDevice(const std::string& name, std::optional<int64_t> org);
    int64_t addIngredient(const std::string& name, std::optional<int64_t> org);
    int64_t addDish(int64_t formId, const std::string& name, const std::vector<int64_t>& ingredientIds);
    int64_t addActionRecord(int64_t documentId, const std::string& name, const std::string& condition,
        const std::string& date, std::optional<int64_t> userId, const std::string& message);
    int64_t count(const std::string& table);
    /// People of `org`.
    int64_t peopleOf(int64_t org);

private:
    /// A new id in the organisation of `parentId`.
    int64_t newChildId(Kind kind, int64_t parentId);
    int64_t documentFor(int64_t personId, int64_t formId);
    void writeValue(int64_t documentId, const std::string& name, const std::string& value, const std::string& type,
        const std::optional<std::string>& index, const std::string& user, const std::string& now);

    Storage& m_storage;
};

} // namespace quindle
