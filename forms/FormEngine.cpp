// The form engine's context, key list and index lists.
#include "forms/FormEngine.h"

#include "core/Model.h"

#include <algorithm>
#include <chrono>

namespace quindle {

namespace {

// Longest first; keys of equal length in byte order, so the list is the same on every run.
bool keyBefore(const std::string& a, const std::string& b)
{
    return a.size() != b.size() ? a.size() > b.size() : a < b;
}

const std::string* stringAt(const JsonObjectPtr& record, std::string_view key)
{
    return record ? record->get(key).string() : nullptr;
}

bool hasType(const JsonObjectPtr& record, std::string_view type)
{
    const std::string* value = stringAt(record, "type");
    return value && *value == type;
}

const std::set<std::string_view>& displayedTypes()
{
    static const std::set<std::string_view> types { "Bool", "Number", "Text", "Select", "Document", "Form", "Image", "Meal", "MenuItem" };
    return types;
}

} // namespace

std::shared_ptr<FormEngine> FormEngine::create(FormKind kind)
{
    return std::make_shared<FormEngine>(kind);
}

std::shared_ptr<FormEngine> FormEngine::create(FormKind kind, JsonArrayPtr formList, const JsonObjectPtr& currentStateDict)
{
    auto engine = create(kind);
    engine->m_objects = std::move(formList);
    if (currentStateDict)
        engine->m_state = JsonObject::create(currentStateDict->entries());
    engine->sortedKeys();
    engine->parseForm();
    engine->evaluateForm();
    return engine;
}

FormEngine::FormEngine(FormKind kind)
    : m_kind(kind)
{
}

size_t FormEngine::numberOfRows() const
{
    if (m_kind == FormKind::Document)
        return m_objects ? m_objects->size() : 0;
    return m_displayValues.size();
}

JsonObjectPtr FormEngine::entryAtRow(size_t row) const
{
    if (m_kind == FormKind::Document)
        return m_objects && row < m_objects->size() ? m_objects->at(row).object() : nullptr;
    return row < m_displayValues.size() ? m_displayValues[row] : nullptr;
}

void FormEngine::sortedKeys()
{
    std::set<std::string> keys;
    if (m_state)
        for (auto& [key, value] : *m_state)
            keys.insert(key);
    if (m_objects) {
        for (const JsonValue& item : *m_objects) {
            const JsonObjectPtr& entry = item.object();
            if (const std::string* name = stringAt(entry, "name"))
                keys.insert(*name);
            if (hasType(entry, "Conditional"))
                if (const std::string* trigger = stringAt(entry, "nTrigger"))
                    keys.insert(*trigger);
        }
    }
    std::vector<std::string> sorted(keys.begin(), keys.end());
    std::sort(sorted.begin(), sorted.end(), keyBefore);
    if (sorted != m_keys)
        ++m_keysVersion;
    m_keys = std::move(sorted);
    m_keysByLength.clear();
    for (const std::string& key : m_keys)
        m_keysByLength[key.size()].insert(key);
    m_keysStale = false;
}

// Evaluation only ever writes records under keys the list already holds or one new key, so
// the list grows by insertion instead of a rebuild; a replaced form state rebuilds it whole.
void FormEngine::addKey(const std::string& key)
{
    if (m_keysStale) {
        sortedKeys();
        return;
    }
    auto& sameLength = m_keysByLength[key.size()];
    if (!sameLength.insert(key).second)
        return;
    m_keys.insert(std::lower_bound(m_keys.begin(), m_keys.end(), key, keyBefore), key);
    ++m_keysVersion;
}

std::vector<std::string> FormEngine::keysIn(std::string_view text, bool isTrigger, const std::string* after) const
{
    std::vector<std::string> found;
    const size_t extra = isTrigger ? 2 : 0;
    for (auto& [length, keys] : m_keysByLength) {
        if (length == 0 || length + extra > text.size())
            continue;
        for (size_t i = 0; i + length + extra <= text.size(); ++i) {
            if (isTrigger && (text[i] != '{' || text[i + length + 1] != '}'))
                continue;
            auto it = keys.find(text.substr(i + (isTrigger ? 1 : 0), length));
            if (it != keys.end() && (!after || keyBefore(*after, *it)))
                found.push_back(*it);
        }
    }
    std::sort(found.begin(), found.end(), keyBefore);
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

void FormEngine::parseForm()
{
    m_wholePassDue = true;
    m_displayValues.clear();
    m_datedConditionals.clear();
    m_resDatedConditionals.clear();
    m_actions.clear();
    m_resActions.clear();
    m_displayActions.clear();
    if (m_objects) {
        for (const JsonValue& item : *m_objects) {
            const JsonObjectPtr& entry = item.object();
            const std::string* type = stringAt(entry, "type");
            if (!type)
                continue;
            if (displayedTypes().contains(*type))
                m_displayValues.push_back(entry);
            const std::string* title = stringAt(entry, "title");
            if (*type == "Derived" && title && !title->empty())
                m_datedConditionals.push_back(entry);
            if (*type == "Action")
                m_actions.push_back(entry);
        }
    }
    if (!m_state)
        return;
    const Date now = DateFormat::now();
    for (const std::string& key : m_keys) {
        const JsonObjectPtr& record = m_state->get(key).object();
        if (!record)
            continue;
        std::optional<Date> date;
        if (const std::string* text = stringAt(record, "date"))
            date = Model::dateFromServerDateString(*text);
        if (date) {
            // Kept as seconds since the epoch: it lives only in memory and never goes out.
            record->set("ddate", std::chrono::duration<double>(date->time_since_epoch()).count());
            if (hasType(record, "Derived"))
                m_resDatedConditionals.push_back(record);
        }
        if (m_kind != FormKind::Resident || !hasType(record, "Action"))
            continue;
        m_resActions.push_back(record);
        const JsonValue* owner = record->find("user");
        const bool forUser = owner && (owner->isNull() || owner->asString() == m_user);
        if (forUser && date && *date < now)
            m_displayActions.push_back(record);
    }
}

std::vector<JsonObjectPtr> FormEngine::derived(const std::string& key) const
{
    auto it = m_derived.find(key);
    return it == m_derived.end() ? std::vector<JsonObjectPtr> {} : it->second;
}

std::string FormEngine::formValueForKey(const std::string& key) const
{
    // A form-state value that is not a record reads as nothing recorded.
    const JsonObjectPtr& record = m_state ? m_state->get(key).object() : nullptr;
    const std::string* value = stringAt(record, "val");
    if (!value)
        return {};
    if (!value->empty() && hasType(record, "Number") && value->find('.') == std::string::npos)
        return *value + ".0";
    return *value;
}

JsonValue FormEngine::formModForKey(const std::string& key) const
{
    const JsonObjectPtr& record = m_state ? m_state->get(key).object() : nullptr;
    return record ? record->get("lastModified") : JsonValue();
}

JsonValue FormEngine::formUserForKey(const std::string& key) const
{
    const JsonObjectPtr& record = m_state ? m_state->get(key).object() : nullptr;
    return record ? record->get("user") : JsonValue();
}

JsonValue FormEngine::formIndexForKey(const std::string& key) const
{
    const JsonObjectPtr& record = m_state ? m_state->get(key).object() : nullptr;
    return record ? record->get("myindex") : JsonValue();
}

} // namespace quindle
