#include "server/LegacyStore.h"

#include "server/ContentStore.h"

#include <algorithm>
#include <regex>
#include <cstdlib>

namespace quindle {

namespace {

std::string text(const SqlValue& v)
{
    if (auto* s = std::get_if<std::string>(&v))
        return *s;
    if (auto* i = std::get_if<int64_t>(&v))
        return std::to_string(*i);
    if (auto* d = std::get_if<double>(&v))
        return std::to_string(*d);
    return {};
}

int64_t integer(const SqlValue& v)
{
    if (auto* i = std::get_if<int64_t>(&v))
        return *i;
    if (auto* d = std::get_if<double>(&v))
        return static_cast<int64_t>(*d);
    if (auto* s = std::get_if<std::string>(&v))
        return std::strtoll(s->c_str(), nullptr, 10);
    return 0;
}

// The parameters of the "(? OR org_id = ?)" filter that keeps a query inside a scope.
SqlValue reachesAll(const LegacyStore::Scope& scope) { return int64_t(scope.everything ? 1 : 0); }

bool isNull(const SqlValue& v) { return std::holds_alternative<std::monostate>(v); }

// A nullable column as JSON: null stays null, anything else is its text.
JsonValue nullableText(const SqlValue& v) { return isNull(v) ? JsonValue() : JsonValue(text(v)); }

SqlValue optionalText(const std::optional<std::string>& s) { return s ? SqlValue(*s) : SqlValue(); }

const char* kindName(LegacyStore::Kind kind)
{
    switch (kind) {
    case LegacyStore::Kind::Form: return "form";
    case LegacyStore::Kind::Person: return "person";
    case LegacyStore::Kind::Document: return "document";
    case LegacyStore::Kind::Entry: return "entry";
    case LegacyStore::Kind::Record: return "record";
    case LegacyStore::Kind::Device: return "device";
    case LegacyStore::Kind::Ingredient: return "ingredient";
    case LegacyStore::Kind::Dish: return "dish";
    case LegacyStore::Kind::None: break;
    }
    return "";
}

} // namespace

LegacyStore::LegacyStore(Storage& storage)
    : m_storage(storage)
{
}

void LegacyStore::migrate()
{
    // The organisation step reads content_sites.
    ContentStore(m_storage).migrate();
    // One statement a step: each step moves the schema one version on.
    m_storage.migrate("legacy", {
        "CREATE TABLE legacy_ids (id INTEGER PRIMARY KEY, kind TEXT NOT NULL)",
        "CREATE TABLE legacy_forms (id INTEGER PRIMARY KEY REFERENCES legacy_ids(id), name TEXT NOT NULL)",
        "CREATE TABLE legacy_people (id INTEGER PRIMARY KEY REFERENCES legacy_ids(id), name TEXT NOT NULL)",
        "CREATE TABLE legacy_documents (id INTEGER PRIMARY KEY REFERENCES legacy_ids(id), person_id INTEGER NOT NULL REFERENCES legacy_people(id), form_id INTEGER NOT NULL REFERENCES legacy_forms(id), UNIQUE (person_id, form_id))",
        "CREATE TABLE legacy_entries (id INTEGER PRIMARY KEY REFERENCES legacy_ids(id), form_id INTEGER NOT NULL REFERENCES legacy_forms(id), position INTEGER NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL, val TEXT, title TEXT, ntrigger TEXT, url TEXT, data TEXT, is_form TEXT, ass_val TEXT)",
        "CREATE TABLE legacy_records (id INTEGER PRIMARY KEY REFERENCES legacy_ids(id), document_id INTEGER NOT NULL REFERENCES legacy_documents(id), name TEXT NOT NULL, type TEXT, val TEXT, myindex TEXT, user_name TEXT, last_modified TEXT, due_date TEXT, ntrigger TEXT, title TEXT, link_id INTEGER, owner_user_id INTEGER, message TEXT, UNIQUE (document_id, name))",
        "CREATE TABLE legacy_history (id INTEGER PRIMARY KEY, document_id INTEGER NOT NULL REFERENCES legacy_documents(id), name TEXT NOT NULL, type TEXT, old_val TEXT, val TEXT, user_name TEXT, modified TEXT NOT NULL)",
        "CREATE INDEX legacy_history_by_document ON legacy_history (document_id, modified)",
        "CREATE TABLE legacy_devices (id INTEGER PRIMARY KEY REFERENCES legacy_ids(id), name TEXT NOT NULL)",
        "CREATE TABLE legacy_ingredients (id INTEGER PRIMARY KEY REFERENCES legacy_ids(id), name TEXT NOT NULL)",
        "CREATE TABLE legacy_allergies (document_id INTEGER NOT NULL REFERENCES legacy_documents(id), ingredient_id INTEGER NOT NULL REFERENCES legacy_ingredients(id), PRIMARY KEY (document_id, ingredient_id))",
        "CREATE TABLE legacy_dishes (id INTEGER PRIMARY KEY REFERENCES legacy_ids(id), form_id INTEGER NOT NULL REFERENCES legacy_forms(id), position INTEGER NOT NULL, name TEXT NOT NULL)",
        "CREATE TABLE legacy_dish_ingredients (dish_id INTEGER NOT NULL REFERENCES legacy_dishes(id), ingredient_id INTEGER NOT NULL REFERENCES legacy_ingredients(id), PRIMARY KEY (dish_id, ingredient_id))",
        "CREATE TABLE legacy_orders (id INTEGER PRIMARY KEY, person_id INTEGER NOT NULL REFERENCES legacy_people(id), menu TEXT NOT NULL, order_date TEXT NOT NULL, dish_id INTEGER NOT NULL REFERENCES legacy_dishes(id), user_name TEXT)",
        // Care-form ids start above the content server's, so the endpoints that take either
        // (names, pictures, new items) can tell them apart.
        "INSERT INTO legacy_ids (id, kind) SELECT 1000000000, 'Reserved' WHERE NOT EXISTS (SELECT 1 FROM legacy_ids WHERE id >= 1000000000)",
        // Care data belongs to an organisation, the account that owns its site. Rows from before
        // this step belong to the only site's owner when there is exactly one site; otherwise no
        // owner can be told, so they get none and only root users reach them.
        "ALTER TABLE legacy_ids ADD COLUMN org_id INTEGER;"
        " UPDATE legacy_ids SET org_id = (SELECT owner_id FROM content_sites)"
        "  WHERE kind <> 'Reserved' AND (SELECT COUNT(*) FROM content_sites) = 1;"
        " CREATE INDEX legacy_ids_by_org ON legacy_ids (org_id, kind)",
    });
}

LegacyStore::Kind LegacyStore::kindOf(int64_t id)
{
    auto rows = m_storage.query("SELECT kind FROM legacy_ids WHERE id = ?", { id });
    if (rows.empty())
        return Kind::None;
    const std::string k = text(rows[0][0]);
    for (Kind kind : { Kind::Form, Kind::Person, Kind::Document, Kind::Entry, Kind::Record, Kind::Device, Kind::Ingredient, Kind::Dish })
        if (k == kindName(kind))
            return kind;
    return Kind::None;
}

LegacyStore::Kind LegacyStore::kindOf(int64_t id, const Scope& scope)
{
    auto rows = m_storage.query("SELECT 1 FROM legacy_ids WHERE id = ? AND (? OR org_id = ?)", { id, reachesAll(scope), scope.org });
    return rows.empty() ? Kind::None : kindOf(id);
}

int64_t LegacyStore::newId(Kind kind, std::optional<int64_t> org)
{
    m_storage.execute("INSERT INTO legacy_ids (kind, org_id) VALUES (?, ?)",
        { std::string(kindName(kind)), org ? SqlValue(*org) : SqlValue() });
    return m_storage.lastInsertId();
}

int64_t LegacyStore::newChildId(Kind kind, int64_t parentId)
{
    auto parent = m_storage.query("SELECT org_id FROM legacy_ids WHERE id = ?", { parentId });
    m_storage.execute("INSERT INTO legacy_ids (kind, org_id) VALUES (?, ?)",
        { std::string(kindName(kind)), parent.empty() ? SqlValue() : parent[0][0] });
    return m_storage.lastInsertId();
}

JsonValue LegacyStore::entryList(int64_t formId)
{
    auto list = JsonArray::create();
    auto rows = m_storage.query("SELECT id, name, type, val, title, ntrigger, url, data, is_form, ass_val"
                                " FROM legacy_entries WHERE form_id = ? ORDER BY position, id", { formId });
    static const char* const keys[] = { "assetID", "name", "type", "val", "title", "nTrigger", "url", "data", "isForm", "assVal" };
    for (auto& row : rows) {
        auto entry = JsonObject::create();
        for (size_t i = 0; i < row.size(); ++i) {
            if (i >= 3 && isNull(row[i]))
                continue;
            entry->set(keys[i], text(row[i]));
        }
        list->push_back(entry);
    }
    auto form = m_storage.query("SELECT name FROM legacy_forms WHERE id = ?", { formId });
    auto reply = JsonObject::create();
    reply->set("list", list);
    reply->set("title", form.empty() ? std::string() : text(form[0][0]));
    return reply;
}

JsonValue LegacyStore::rootList(const Scope& scope)
{
    auto list = JsonArray::create();
    for (auto& row : m_storage.query("SELECT p.id, p.name FROM legacy_people p JOIN legacy_ids i ON i.id = p.id"
                                     " WHERE (? OR i.org_id = ?) ORDER BY p.name, p.id", { reachesAll(scope), scope.org })) {
        auto entry = JsonObject::create();
        entry->set("assetID", text(row[0]));
        entry->set("name", text(row[1]));
        entry->set("type", "Form");
        entry->set("url", "/json/start.php");
        list->push_back(entry);
    }
    auto reply = JsonObject::create();
    reply->set("list", list);
    reply->set("title", "Residents");
    return reply;
}

JsonValue LegacyStore::documentsOf(int64_t personId)
{
    auto list = JsonArray::create();
    for (auto& row : m_storage.query("SELECT d.id, f.id, f.name FROM legacy_documents d JOIN legacy_forms f ON f.id = d.form_id"
                                     " WHERE d.person_id = ? ORDER BY f.name, d.id", { personId })) {
        auto doc = JsonObject::create();
        doc->set("assetID", text(row[0]));
        doc->set("formID", text(row[1]));
        doc->set("name", text(row[2]));
        doc->set("type", "Document");
        doc->set("url", "/json/start.php");
        list->push_back(doc);
    }
    auto reply = JsonObject::create();
    reply->set("list", list);
    return reply;
}

JsonValue LegacyStore::historyOf(int64_t documentId)
{
    auto list = JsonArray::create();
    for (auto& row : m_storage.query("SELECT name, type, val, old_val, modified, user_name FROM legacy_history"
                                     " WHERE document_id = ? ORDER BY modified DESC, id DESC", { documentId })) {
        auto record = JsonObject::create();
        record->set("name", text(row[0]));
        record->set("type", nullableText(row[1]));
        record->set("val", nullableText(row[2]));
        record->set("oldVal", nullableText(row[3]));
        record->set("lastModified", text(row[4]));
        record->set("user", nullableText(row[5]));
        list->push_back(record);
    }
    auto reply = JsonObject::create();
    reply->set("list", list);
    return reply;
}

JsonValue LegacyStore::formState(int64_t documentId)
{
    auto state = JsonObject::create();
    for (auto& row : m_storage.query("SELECT id, name, type, val, myindex, user_name, last_modified, due_date, ntrigger,"
                                     " title, link_id FROM legacy_records WHERE document_id = ? ORDER BY id", { documentId })) {
        auto record = JsonObject::create();
        record->set("val", nullableText(row[3]));
        record->set("type", nullableText(row[2]));
        record->set("lastModified", nullableText(row[6]));
        record->set("user", nullableText(row[5]));
        if (!isNull(row[4]))
            record->set("myindex", text(row[4]));
        const std::string type = text(row[2]);
        if (type == "Derived" || type == "Action")
            record->set("date", nullableText(row[7]));
        if (type == "Derived")
            record->set("nTrigger", nullableText(row[8]));
        if (type == "Action") {
            record->set("title", nullableText(row[9]));
            record->set("assetID", text(row[0]));
            record->set("linkID", nullableText(row[10]));
        }
        state->set(text(row[1]), record);
    }
    return state;
}

std::optional<std::string> LegacyStore::lastModified(int64_t documentId)
{
    auto rows = m_storage.query("SELECT MAX(last_modified) FROM legacy_records WHERE document_id = ?", { documentId });
    if (rows.empty() || isNull(rows[0][0]))
        return std::nullopt;
    return text(rows[0][0]);
}

JsonValue LegacyStore::devices(const Scope& scope)
{
    auto list = JsonArray::create();
    for (auto& row : m_storage.query("SELECT d.id, d.name FROM legacy_devices d JOIN legacy_ids i ON i.id = d.id"
                                     " WHERE (? OR i.org_id = ?) ORDER BY d.name, d.id", { reachesAll(scope), scope.org })) {
        auto device = JsonObject::create();
        device->set("assetID", text(row[0]));
        device->set("name", text(row[1]));
        list->push_back(device);
    }
    auto reply = JsonObject::create();
    reply->set("list", list);
    return reply;
}

JsonValue LegacyStore::overdueActions(int64_t userId, const std::string& now, const Scope& scope)
{
    auto list = JsonArray::create();
    for (auto& row : m_storage.query("SELECT r.message, r.due_date, d.form_id, d.id, p.id, p.name FROM legacy_records r"
                                     " JOIN legacy_ids i ON i.id = r.id"
                                     " JOIN legacy_documents d ON d.id = r.document_id JOIN legacy_people p ON p.id = d.person_id"
                                     " WHERE r.type = 'Action' AND r.due_date IS NOT NULL AND r.due_date < ?"
                                     " AND (r.owner_user_id IS NULL OR r.owner_user_id = ?) AND (? OR i.org_id = ?)"
                                     " ORDER BY r.due_date, r.id",
             { now, userId, reachesAll(scope), scope.org })) {
        auto followUp = JsonObject::create();
        followUp->set("message", text(row[0]));
        followUp->set("date", text(row[1]));
        followUp->set("linkID", text(row[2]));
        followUp->set("resDocID", text(row[3]));
        followUp->set("url", "/json/start.php");
        followUp->set("resID", text(row[4]));
        followUp->set("resName", text(row[5]));
        list->push_back(followUp);
    }
    auto reply = JsonObject::create();
    reply->set("list", list);
    return reply;
}

JsonValue LegacyStore::ingredients(const Scope& scope)
{
    auto list = JsonArray::create();
    for (auto& row : m_storage.query("SELECT g.id, g.name FROM legacy_ingredients g JOIN legacy_ids i ON i.id = g.id"
                                     " WHERE (? OR i.org_id = ?) ORDER BY g.name, g.id", { reachesAll(scope), scope.org })) {
        auto ingredient = JsonObject::create();
        ingredient->set("assetID", text(row[0]));
        ingredient->set("name", text(row[1]));
        list->push_back(ingredient);
    }
    auto reply = JsonObject::create();
    reply->set("list", list);
    return reply;
}

JsonValue LegacyStore::allergiesOf(int64_t documentId)
{
    auto list = JsonArray::create();
    for (auto& row : m_storage.query("SELECT i.id, i.name FROM legacy_allergies a JOIN legacy_ingredients i ON i.id = a.ingredient_id"
                                     " WHERE a.document_id = ? ORDER BY i.name", { documentId })) {
        auto allergy = JsonObject::create();
        allergy->set("assetID", text(row[0]));
        allergy->set("name", text(row[1]));
        list->push_back(allergy);
    }
    auto reply = JsonObject::create();
    reply->set("list", list);
    return reply;
}

JsonValue LegacyStore::menuOf(int64_t formId)
{
    auto list = JsonArray::create();
    for (auto& row : m_storage.query("SELECT id, name FROM legacy_dishes WHERE form_id = ? ORDER BY position, id", { formId })) {
        auto dish = JsonObject::create();
        dish->set("assetID", text(row[0]));
        dish->set("name", text(row[1]));
        auto parts = JsonArray::create();
        for (auto& ing : m_storage.query("SELECT i.id, i.name FROM legacy_dish_ingredients di JOIN legacy_ingredients i"
                                         " ON i.id = di.ingredient_id WHERE di.dish_id = ? ORDER BY i.name", { row[0] })) {
            auto part = JsonObject::create();
            part->set("assetID", text(ing[0]));
            part->set("name", text(ing[1]));
            parts->push_back(part);
        }
        dish->set("ingredients", parts);
        list->push_back(dish);
    }
    auto reply = JsonObject::create();
    reply->set("list", list);
    return reply;
}

void LegacyStore::writeValue(int64_t documentId, const std::string& name, const std::string& value, const std::string& type,
    const std::optional<std::string>& index, const std::string& user, const std::string& now)
{
    auto existing = m_storage.query("SELECT id, val FROM legacy_records WHERE document_id = ? AND name = ?", { documentId, name });
    SqlValue oldValue;
    if (existing.empty()) {
        const int64_t id = newChildId(Kind::Record, documentId);
        m_storage.execute("INSERT INTO legacy_records (id, document_id, name, type, val, myindex, user_name, last_modified)"
                          " VALUES (?, ?, ?, ?, ?, ?, ?, ?)", { id, documentId, name, type, value, optionalText(index), user, now });
    } else {
        oldValue = existing[0][1];
        m_storage.execute("UPDATE legacy_records SET type = ?, val = ?, myindex = ?, user_name = ?, last_modified = ? WHERE id = ?",
            { type, value, optionalText(index), user, now, existing[0][0] });
    }
    m_storage.execute("INSERT INTO legacy_history (document_id, name, type, old_val, val, user_name, modified)"
                      " VALUES (?, ?, ?, ?, ?, ?, ?)", { documentId, name, type, oldValue, value, user, now });
}

int64_t LegacyStore::documentFor(int64_t personId, int64_t formId)
{
    auto rows = m_storage.query("SELECT id FROM legacy_documents WHERE person_id = ? AND form_id = ?", { personId, formId });
    if (!rows.empty())
        return integer(rows[0][0]);
    return addDocument(personId, formId);
}

int64_t LegacyStore::recordValue(int64_t entryId, int64_t personId, const std::string& name, const std::string& value,
    const std::string& type, const std::optional<std::string>& index, const std::string& user, const std::string& now)
{
    int64_t documentId = 0;
    m_storage.transaction([&] {
        auto entry = m_storage.query("SELECT form_id FROM legacy_entries WHERE id = ?", { entryId });
        auto person = m_storage.query("SELECT id FROM legacy_people WHERE id = ?", { personId });
        if (entry.empty() || person.empty())
            return;
        documentId = documentFor(personId, integer(entry[0][0]));
        writeValue(documentId, name, value, type, index, user, now);
    });
    return documentId;
}

bool LegacyStore::recordDocumentValue(int64_t documentId, const std::string& name, const std::string& value,
    const std::string& type, const std::string& user, const std::string& now)
{
    bool done = false;
    m_storage.transaction([&] {
        if (m_storage.query("SELECT id FROM legacy_documents WHERE id = ?", { documentId }).empty())
            return;
        writeValue(documentId, name, value, type, std::nullopt, user, now);
        done = true;
    });
    return done;
}

bool LegacyStore::setTimedObject(int64_t documentId, int64_t entryId, const std::string& date, const std::string& value,
    const std::optional<std::string>& trigger, const std::string& user, const std::string& now)
{
    bool done = false;
    m_storage.transaction([&] {
        auto entry = m_storage.query("SELECT e.name, e.ntrigger, e.val FROM legacy_entries e JOIN legacy_documents d"
                                     " ON d.form_id = e.form_id WHERE e.id = ? AND d.id = ?", { entryId, documentId });
        if (entry.empty())
            return;
        // The record falls due at `date`; its expression is the prepared trigger when one came.
        const std::string name = text(entry[0][0]) + "_timed";
        const std::string expression = trigger ? *trigger : text(entry[0][2]);
        auto existing = m_storage.query("SELECT id FROM legacy_records WHERE document_id = ? AND name = ?", { documentId, name });
        if (existing.empty()) {
            const int64_t id = newChildId(Kind::Record, documentId);
            m_storage.execute("INSERT INTO legacy_records (id, document_id, name, type, val, user_name, last_modified, due_date,"
                              " ntrigger, title) VALUES (?, ?, ?, 'Derived', ?, ?, ?, ?, ?, ?)",
                { id, documentId, name, expression, user, now, date, entry[0][1], value });
        } else {
            m_storage.execute("UPDATE legacy_records SET val = ?, user_name = ?, last_modified = ?, due_date = ?, ntrigger = ?,"
                              " title = ? WHERE id = ?", { expression, user, now, date, entry[0][1], value, existing[0][0] });
        }
        done = true;
    });
    return done;
}

bool LegacyStore::setAction(int64_t recordId, const std::string& date, const std::optional<int64_t>& deviceId,
    const std::string& value, const std::string& user, const std::string& now)
{
    bool done = false;
    m_storage.transaction([&] {
        auto record = m_storage.query("SELECT document_id, name, val FROM legacy_records WHERE id = ? AND type = 'Action'", { recordId });
        if (record.empty())
            return;
        if (deviceId && m_storage.query("SELECT id FROM legacy_devices WHERE id = ?", { *deviceId }).empty())
            return;
        m_storage.execute("UPDATE legacy_records SET val = ?, due_date = ?, link_id = ?, user_name = ?, last_modified = ? WHERE id = ?",
            { value, date, deviceId ? SqlValue(*deviceId) : SqlValue(), user, now, recordId });
        m_storage.execute("INSERT INTO legacy_history (document_id, name, type, old_val, val, user_name, modified)"
                          " VALUES (?, ?, 'Action', ?, ?, ?, ?)", { record[0][0], record[0][1], record[0][2], value, user, now });
        done = true;
    });
    return done;
}

int64_t LegacyStore::addEntry(int64_t formId, const std::string& name, const std::string& type, const std::string& value)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        if (m_storage.query("SELECT id FROM legacy_forms WHERE id = ?", { formId }).empty())
            return;
        auto entry = JsonObject::create();
        entry->set("name", name);
        entry->set("type", type);
        if (!value.empty())
            entry->set("val", value);
        id = addEntryFull(formId, entry);
    });
    return id;
}

bool LegacyStore::setName(int64_t id, const std::string& name)
{
    int64_t changed = 0;
    m_storage.transaction([&] {
        switch (kindOf(id)) {
        case Kind::Entry: changed = m_storage.execute("UPDATE legacy_entries SET name = ? WHERE id = ?", { name, id }); break;
        case Kind::Form: changed = m_storage.execute("UPDATE legacy_forms SET name = ? WHERE id = ?", { name, id }); break;
        case Kind::Person: changed = m_storage.execute("UPDATE legacy_people SET name = ? WHERE id = ?", { name, id }); break;
        default: break;
        }
    });
    return changed > 0;
}

bool LegacyStore::setImage(int64_t id, const std::optional<std::string>& url)
{
    int64_t changed = 0;
    m_storage.transaction([&] {
        if (kindOf(id) == Kind::Entry)
            changed = m_storage.execute("UPDATE legacy_entries SET ass_val = ? WHERE id = ?", { optionalText(url), id });
    });
    return changed > 0;
}

void LegacyStore::readdressNumberedPictures()
{
    static const std::regex numbered(R"(/images/(\d{1,18})\.jpg$)");
    m_storage.transaction([&] {
        for (auto& row : m_storage.query("SELECT id, ass_val FROM legacy_entries WHERE ass_val LIKE '%/images/%.jpg'")) {
            const std::string url = text(row[1]);
            std::smatch match;
            if (!std::regex_search(url, match, numbered))
                continue;
            auto token = m_storage.query("SELECT token FROM images WHERE id = ?", { integer(SqlValue(match[1].str())) });
            if (token.empty())
                continue;
            m_storage.execute("UPDATE legacy_entries SET ass_val = ? WHERE id = ?",
                { url.substr(0, static_cast<size_t>(match.position(1))) + text(token[0][0]) + ".jpg", integer(row[0]) });
        }
    });
}

bool LegacyStore::setAllergy(int64_t documentId, int64_t ingredientId, bool allergic)
{
    bool done = false;
    m_storage.transaction([&] {
        if (kindOf(documentId) != Kind::Document || kindOf(ingredientId) != Kind::Ingredient)
            return;
        m_storage.execute("DELETE FROM legacy_allergies WHERE document_id = ? AND ingredient_id = ?", { documentId, ingredientId });
        if (allergic)
            m_storage.execute("INSERT INTO legacy_allergies (document_id, ingredient_id) VALUES (?, ?)", { documentId, ingredientId });
        done = true;
    });
    return done;
}

bool LegacyStore::orderMeal(int64_t personId, const std::string& menu, const std::string& date, int64_t dishId, const std::string& user)
{
    bool done = false;
    m_storage.transaction([&] {
        if (kindOf(personId) != Kind::Person || kindOf(dishId) != Kind::Dish)
            return;
        // One dish a person, menu and day: a new order for the day replaces the one before.
        m_storage.execute("DELETE FROM legacy_orders WHERE person_id = ? AND menu = ? AND order_date = ?", { personId, menu, date });
        m_storage.execute("INSERT INTO legacy_orders (person_id, menu, order_date, dish_id, user_name) VALUES (?, ?, ?, ?, ?)",
            { personId, menu, date, dishId, user });
        done = true;
    });
    return done;
}

int64_t LegacyStore::addForm(const std::string& name, std::optional<int64_t> org)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        id = newId(Kind::Form, org);
        m_storage.execute("INSERT INTO legacy_forms (id, name) VALUES (?, ?)", { id, name });
    });
    return id;
}

int64_t LegacyStore::addPerson(const std::string& name, std::optional<int64_t> org)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        id = newId(Kind::Person, org);
        m_storage.execute("INSERT INTO legacy_people (id, name) VALUES (?, ?)", { id, name });
    });
    return id;
}

int64_t LegacyStore::addDocument(int64_t personId, int64_t formId)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        id = newChildId(Kind::Document, personId);
        m_storage.execute("INSERT INTO legacy_documents (id, person_id, form_id) VALUES (?, ?, ?)", { id, personId, formId });
    });
    return id;
}

int64_t LegacyStore::addEntryFull(int64_t formId, const JsonValue& entry)
{
    int64_t id = 0;
    auto field = [&](const char* key) -> SqlValue {
        const JsonValue& v = entry.object()->get(key);
        return v.isString() ? SqlValue(v.asString()) : SqlValue();
    };
    m_storage.transaction([&] {
        auto position = m_storage.query("SELECT COUNT(*) FROM legacy_entries WHERE form_id = ?", { formId });
        id = newChildId(Kind::Entry, formId);
        m_storage.execute("INSERT INTO legacy_entries (id, form_id, position, name, type, val, title, ntrigger, url, data, is_form, ass_val)"
                          " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            { id, formId, integer(position[0][0]), field("name"), field("type"), field("val"), field("title"), field("nTrigger"),
                field("url"), field("data"), field("isForm"), field("assVal") });
    });
    return id;
}

int64_t LegacyStore::addDevice(const std::string& name, std::optional<int64_t> org)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        id = newId(Kind::Device, org);
        m_storage.execute("INSERT INTO legacy_devices (id, name) VALUES (?, ?)", { id, name });
    });
    return id;
}

int64_t LegacyStore::addIngredient(const std::string& name, std::optional<int64_t> org)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        id = newId(Kind::Ingredient, org);
        m_storage.execute("INSERT INTO legacy_ingredients (id, name) VALUES (?, ?)", { id, name });
    });
    return id;
}

int64_t LegacyStore::addDish(int64_t formId, const std::string& name, const std::vector<int64_t>& ingredientIds)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        auto position = m_storage.query("SELECT COUNT(*) FROM legacy_dishes WHERE form_id = ?", { formId });
        id = newChildId(Kind::Dish, formId);
        m_storage.execute("INSERT INTO legacy_dishes (id, form_id, position, name) VALUES (?, ?, ?, ?)",
            { id, formId, integer(position[0][0]), name });
        for (int64_t ingredient : ingredientIds)
            m_storage.execute("INSERT INTO legacy_dish_ingredients (dish_id, ingredient_id) VALUES (?, ?)", { id, ingredient });
    });
    return id;
}

int64_t LegacyStore::addActionRecord(int64_t documentId, const std::string& name, const std::string& condition,
    const std::string& date, std::optional<int64_t> userId, const std::string& message)
{
    int64_t id = 0;
    m_storage.transaction([&] {
        id = newChildId(Kind::Record, documentId);
        m_storage.execute("INSERT INTO legacy_records (id, document_id, name, type, val, title, due_date, owner_user_id, message,"
                          " last_modified) VALUES (?, ?, ?, 'Action', '0', ?, ?, ?, ?, ?)",
            { id, documentId, name, condition, date, userId ? SqlValue(*userId) : SqlValue(), message, date });
    });
    return id;
}

int64_t LegacyStore::count(const std::string& table)
{
    // Only called with the fixed table names of this store.
    auto rows = m_storage.query("SELECT COUNT(*) FROM " + table);
    return rows.empty() ? 0 : integer(rows[0][0]);
}

int64_t LegacyStore::peopleOf(int64_t org)
{
    auto rows = m_storage.query("SELECT COUNT(*) FROM legacy_people p JOIN legacy_ids i ON i.id = p.id WHERE i.org_id = ?", { org });
    return rows.empty() ? 0 : integer(rows[0][0]);
}

} // namespace quindle
