// The form engine's values: an edit, what it sets off, sending it and taking the reply.
#include "forms/FormEngine.h"

#include "content/ApplicationShell.h"
#include "content/FollowUpInterval.h"
#include "core/Model.h"
#include "platform/MainQueue.h"

#include <chrono>
#include <cstdlib>
#include <cstdio>

namespace quindle {

namespace {

const std::string* stringAt(const JsonObjectPtr& record, std::string_view key)
{
    return record ? record->get(key).string() : nullptr;
}

std::string idOf(const JsonValue& value)
{
    if (value.isString())
        return value.asString();
    return value.isInteger() ? std::to_string(value.asInt()) : std::string();
}

std::optional<std::string> optionalString(const JsonObjectPtr& record, std::string_view key)
{
    const std::string* value = stringAt(record, key);
    return value ? std::optional<std::string>(*value) : std::nullopt;
}

} // namespace

bool FormEngine::shouldProcess(const std::string& string) const
{
    for (const std::string& key : m_changedKeys)
        if (string.find(key) != std::string::npos)
            return true;
    return false;
}

void FormEngine::setState(int state, size_t index)
{
    setValue(state == 1 ? "1" : "0", index);
}

void FormEngine::setValue(const std::string& value, size_t index, const std::optional<std::string>& selectedIndex)
{
    JsonObjectPtr entry = entryAtRow(index);
    const std::string* nameText = stringAt(entry, "name");
    if (!nameText)
        return;
    const std::string name = *nameText;
    m_changedKeys = { name };
    writeValue(name, value);
    evaluateChanges();

    auto shell = ApplicationShell::shared();
    if (m_kind == FormKind::Resident && shell) {
        const std::string placeholder = "{" + name + "}";
        const std::string shown = value.find('.') == std::string::npos ? value + ".0" : value;
        for (const JsonObjectPtr& timed : std::vector<JsonObjectPtr>(m_datedConditionals)) {
            const std::string* template_ = stringAt(timed, "val");
            if (!template_ || template_->find(placeholder) == std::string::npos)
                continue;
            std::string trigger = *template_;
            for (size_t at = trigger.find(placeholder); at != std::string::npos; at = trigger.find(placeholder, at + shown.size()))
                trigger.replace(at, placeholder.size(), shown);
            shell->setTimedObject(timed, trigger, m_resDocID);
        }
        for (const JsonObjectPtr& action : std::vector<JsonObjectPtr>(m_actions)) {
            const std::string* title = stringAt(action, "title");
            if (title && shouldProcess(*title) && Expression::isTrue(evaluateString(*title)))
                shell->setTimedObject(action, prepareTrigger(optionalString(action, "nTrigger")), m_resDocID);
        }
    }

    const Date now = DateFormat::now();
    const double nowSeconds = std::chrono::duration<double>(now.time_since_epoch()).count();
    for (const JsonObjectPtr& record : std::vector<JsonObjectPtr>(m_resDatedConditionals)) {
        const JsonValue& due = record->get("ddate");
        if (!due.isNumber() || due.asDouble() >= nowSeconds || !canEvaluateString(record))
            continue;
        auto result = evaluateString(optionalString(record, "val"));
        const std::string* trigger = stringAt(record, "nTrigger");
        if (trigger && result && std::holds_alternative<double>(*result))
            writeValue(*trigger, Expression::text(*result));
        for (const JsonObjectPtr& action : std::vector<JsonObjectPtr>(m_resActions)) {
            const std::string* title = stringAt(action, "title");
            if (shell && title && title->find(name) != std::string::npos && Expression::isTrue(evaluateString(*title)))
                shell->setAction(action, std::nullopt);
        }
    }

    sendValue(entry, value, selectedIndex);
}

// The layout of the query is fixed; only the values a carer types (and the names and types
// they travel with) are escaped whole, so "&" and "=" in them reach the server as one value.
void FormEngine::sendValue(const JsonObjectPtr& entry, const std::string& value, const std::optional<std::string>& selectedIndex)
{
    Model& model = Model::defaultInstance();
    const std::string name = entry->get("name").asString();
    const std::string fields = "&name=" + Model::encodeValue(name) + "&val=" + Model::encodeValue(value)
        + "&type=" + Model::encodeValue(entry->get("type").asString());
    std::string url = model.legacyBaseURL();
    if (m_kind == FormKind::Resident) {
        url += "handleForm.php?f=" + idOf(entry->get("assetID")) + "&c=" + m_resID + fields;
        if (selectedIndex)
            url += "&index=" + *selectedIndex;
    } else {
        url += "setFormValueForDocument.php?parentID=" + m_assetID + fields;
    }

    // Unsaved until the reply to this very send carries a form state.
    const unsigned long sequence = ++m_sequence;
    m_lastSent[name] = sequence;
    m_unsaved[name] = value;
    std::weak_ptr<FormEngine> weak = weak_from_this();
    model.requestWithURL(url, [weak, name, sequence](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, name, sequence, content = std::move(content)] {
            if (auto self = weak.lock())
                self->valueReplied(name, sequence, content);
        });
    });
}

void FormEngine::valueReplied(const std::string& key, unsigned long sequence, const std::optional<JsonValue>& payload)
{
    const bool taken = payload && payload->isObject() && payload->object()->get(replyKey()).isObject();
    // An older reply neither clears nor sets the mark of a newer value still on its way.
    if (taken && m_lastSent[key] == sequence)
        m_unsaved.erase(key);
    updateResDict(payload);
}

void FormEngine::updateResDict(const std::optional<JsonValue>& payload)
{
    const JsonObjectPtr& dict = payload && payload->isObject() ? payload->object()->get(replyKey()).object() : nullptr;
    if (dict) {
        m_state = JsonObject::create(dict->entries());
        m_keysStale = true;
        evaluateForm();
    }
    reload();
}

std::optional<std::string> FormEngine::unsavedValue(const std::string& key) const
{
    auto it = m_unsaved.find(key);
    return it == m_unsaved.end() ? std::nullopt : std::optional<std::string>(it->second);
}

void FormEngine::reload()
{
    if (m_reload)
        m_reload();
}

std::string FormEngine::followUpLabel(size_t index)
{
    return FollowUpInterval::label(static_cast<long>(index));
}

std::string FormEngine::dateStringForIndex(long index)
{
    if (auto shell = ApplicationShell::shared())
        return shell->dateStringForIndex(index);
    return FollowUpInterval::dateString(index, DateFormat::now());
}

long FormEngine::integerValue(std::string_view text)
{
    return FollowUpInterval::integerValue(text);
}

std::string FormEngine::shownKey(const JsonObjectPtr& entry)
{
    auto field = [&](const char* key) {
        const JsonValue& value = entry ? entry->get(key) : JsonValue {};
        return value.isString() ? value.asString() : std::string {};
    };
    return field(field("type") == "Conditional" ? "nTrigger" : "name");
}

std::string FormEngine::shownValue(const JsonObjectPtr& entry) const
{
    std::string value = formValueForKey(shownKey(entry));
    const JsonValue& type = entry ? entry->get("type") : JsonValue {};
    if (type.isString() && type.asString() == "Derived" && value.find('.') != std::string::npos) {
        char formatted[64];
        std::snprintf(formatted, sizeof formatted, "%.2f", std::strtod(value.c_str(), nullptr));
        return formatted;
    }
    return value;
}

} // namespace quindle
