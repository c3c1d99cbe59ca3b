#pragma once
// A plain transcription of the form procedures, step by step and without shortcuts: the key
// list is re-sorted after every evaluation, substitution walks every key in order and a change
// recurses through the dependency map as written. The differential test and the benchmark run
// it beside FormEngine. Where FormEngine mends a fault on purpose (a missing value, a dated
// record without a name, the escaping of values) it does the same; generated forms stay out of
// the other mended cases.
#include "content/ApplicationShell.h"
#include "core/Model.h"
#include "forms/FormEngine.h"
#include "platform/HttpClient.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quindle::test {

/// Everything either side sends, in order, as one line each.
using RequestLog = std::vector<std::string>;

inline std::string timedLine(const JsonObjectPtr& entry, const std::optional<std::string>& trigger, const std::string& resDocID)
{
    return "timed o=" + entry->get("assetID").asString() + " title=" + entry->get("title").asString() + " trigger="
        + (trigger ? *trigger : "(none)") + " a=" + resDocID;
}

inline std::string actionLine(const JsonObjectPtr& record, const std::optional<std::string>& trigger)
{
    return "action a=" + record->get("assetID").asString() + " val=" + record->get("val").asString() + " trigger=" + (trigger ? *trigger : "(none)");
}

/// A shell that logs timed objects and actions instead of sending them.
class LoggingShell : public ApplicationShell {
public:
    explicit LoggingShell(RequestLog& log) : m_log(log) { }
    void updateTabbarWithArray(const Screens&) override { }
    Screens tabbarItems() override { return {}; }
    void addLoginItemsToTabbar(const Screens&) override { }
    void resetTabbarWithArray(const Screens&) override { }
    std::shared_ptr<ViewController> makeLoginViewController(std::function<void()>) override { return nullptr; }
    std::shared_ptr<ViewController> makeCreateAccountViewController(std::function<void()>) override { return nullptr; }
    void setTimedObject(const JsonObjectPtr& entry, const std::optional<std::string>& trigger, const std::string& resDocID) override
    {
        m_log.push_back(timedLine(entry, trigger, resDocID));
    }
    void setAction(const JsonObjectPtr& record, const std::optional<std::string>& trigger) override { m_log.push_back(actionLine(record, trigger)); }

private:
    RequestLog& m_log;
};

/// A client that logs every address and never answers, so no reply replaces the form state.
class LoggingHttpClient : public HttpClient {
public:
    explicit LoggingHttpClient(RequestLog& log) : m_log(log) { }
    void send(HttpRequest request, Handler) override { m_log.push_back("GET " + request.url); }
    size_t inFlight() const override { return 0; }
    bool isCallbackThread() const override { return false; }

private:
    RequestLog& m_log;
};

class FormTranscription {
public:
    FormKind kind;
    JsonArrayPtr objects;
    JsonObjectPtr state;
    std::string assetID, resID, resDocID, user;
    RequestLog* log { nullptr };

    std::vector<std::string> keys;
    std::vector<JsonObjectPtr> displayValues, datedConditionals, actions, resDatedConditionals, resActions, displayActions;
    std::map<std::string, std::vector<JsonObjectPtr>> derivedMap;
    std::vector<std::string> changedKeys;
    /// Set when a recursion passes the depth cap: only a dependency cycle gets there.
    bool depthExceeded { false };
    /// Derived entries whose expression gave no number: generated forms never should.
    int missingValues { 0 };
    static constexpr int depthCap = 200;

    static const std::string* str(const JsonObjectPtr& record, std::string_view key) { return record ? record->get(key).string() : nullptr; }
    static bool isType(const JsonObjectPtr& record, std::string_view type)
    {
        const std::string* value = str(record, "type");
        return value && *value == type;
    }

    void sortedKeys()
    {
        std::set<std::string> set;
        if (state)
            for (auto& [key, value] : *state)
                set.insert(key);
        for (const JsonValue& item : *objects) {
            const JsonObjectPtr& entry = item.object();
            if (const std::string* name = str(entry, "name"))
                set.insert(*name);
            if (isType(entry, "Conditional") && str(entry, "nTrigger"))
                set.insert(*str(entry, "nTrigger"));
        }
        // Equal lengths keep the set's byte order, as FormEngine fixes it.
        keys.assign(set.begin(), set.end());
        std::stable_sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    }

    void parseForm()
    {
        static const std::set<std::string> shown { "Bool", "Number", "Text", "Select", "Document", "Form", "Image", "Meal", "MenuItem" };
        displayValues.clear(), datedConditionals.clear(), resDatedConditionals.clear();
        actions.clear(), resActions.clear(), displayActions.clear();
        for (const JsonValue& item : *objects) {
            const JsonObjectPtr& entry = item.object();
            const std::string* type = str(entry, "type");
            if (!type)
                continue;
            if (shown.contains(*type))
                displayValues.push_back(entry);
            if (*type == "Derived" && str(entry, "title") && !str(entry, "title")->empty())
                datedConditionals.push_back(entry);
            if (*type == "Action")
                actions.push_back(entry);
        }
        if (!state)
            return;
        const Date now = DateFormat::now();
        for (const std::string& key : keys) {
            const JsonObjectPtr& record = state->get(key).object();
            if (!record)
                continue;
            std::optional<Date> date;
            if (const std::string* text = str(record, "date"))
                date = Model::dateFromServerDateString(*text);
            if (date) {
                record->set("ddate", std::chrono::duration<double>(date->time_since_epoch()).count());
                if (isType(record, "Derived"))
                    resDatedConditionals.push_back(record);
            }
            if (kind != FormKind::Resident || !isType(record, "Action"))
                continue;
            resActions.push_back(record);
            const JsonValue* owner = record->find("user");
            if (owner && (owner->isNull() || owner->asString() == user) && date && *date < now)
                displayActions.push_back(record);
        }
    }

    std::string formValueForKey(const std::string& key) const
    {
        const JsonObjectPtr& record = state ? state->get(key).object() : nullptr;
        const std::string* value = str(record, "val");
        if (!value)
            return {};
        if (!value->empty() && isType(record, "Number") && value->find('.') == std::string::npos)
            return *value + ".0";
        return *value;
    }

    static void replaceAll(std::string& text, const std::string& pattern, const std::string& with)
    {
        for (size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + with.size()))
            text.replace(at, pattern.size(), with);
    }

    std::string substituteKeysInString(const std::string& string, bool isTrigger) const
    {
        std::string copy = string;
        for (const std::string& key : keys)
            if (!key.empty())
                replaceAll(copy, isTrigger ? "{" + key + "}" : key, formValueForKey(key));
        return copy;
    }

    static std::string call(const std::string& a, const char* selector, const std::string& b)
    {
        return "FUNCTION(" + a + ", '" + selector + "', " + b + ")";
    }

    std::string prepareString(const std::string& expression) const
    {
        std::string s = substituteKeysInString(expression, false);
        if (size_t at = s.find(" AND "); at != std::string::npos)
            s = call(prepareString(s.substr(0, at)), "and:", prepareString(s.substr(at + 5)));
        const std::pair<const char*, const char*> signs[] = { { "<=", "smallerThanEqual:" }, { ">=", "greaterThanEqual:" },
            { "<", "smallerThan:" }, { ">", "greaterThan:" } };
        for (auto& [sign, selector] : signs) {
            size_t at = s.find(sign);
            if (at == std::string::npos)
                continue;
            // The first two parts; generated forms have one sign per part, so there is no third.
            size_t next = s.find(sign, at + std::string_view(sign).size());
            s = call(s.substr(0, at), selector, s.substr(at + std::string_view(sign).size(), next == std::string::npos ? std::string::npos : next - at - std::string_view(sign).size()));
        }
        return s;
    }

    std::optional<ExpressionValue> evaluateString(const std::string& expression) const { return Expression::evaluate(prepareString(expression)); }

    bool canEvaluateString(const JsonObjectPtr& entry)
    {
        const std::string* e = str(entry, "val");
        if (!e)
            return false;
        for (const std::string& key : keys) {
            if (key.empty() || e->find(key) == std::string::npos)
                continue;
            auto& list = derivedMap[key];
            if (std::find(list.begin(), list.end(), entry) == list.end())
                list.push_back(entry);
            if (formValueForKey(key).empty())
                return false;
        }
        return true;
    }

    void write(const std::string& key, const std::string& value)
    {
        if (state)
            state->set(key, JsonObject::create({ { "val", JsonValue(value) } }));
    }

    bool evaluateObject(const JsonObjectPtr& entry, int depth = 0)
    {
        if (depth > depthCap) {
            depthExceeded = true;
            return false;
        }
        if (!canEvaluateString(entry))
            return false;
        std::optional<std::string> changed;
        if (isType(entry, "Derived")) {
            auto value = evaluateString(*str(entry, "val"));
            // A dated record reached through the map has no name and writes nothing.
            if (!value || !std::holds_alternative<double>(*value))
                ++missingValues;
            else if (const std::string* name = str(entry, "name")) {
                write(*name, Expression::text(*value));
                if (std::find(displayValues.begin(), displayValues.end(), entry) == displayValues.end())
                    displayValues.push_back(entry);
                changed = *name;
            }
        } else if (isType(entry, "Conditional")) {
            const std::string* trigger = str(entry, "nTrigger");
            if (trigger && Expression::isTrue(evaluateString(*str(entry, "val")))) {
                write(*trigger, entry->get("title").asString());
                bool listed = false;
                for (const JsonObjectPtr& shownEntry : displayValues)
                    listed = listed || (isType(shownEntry, "Conditional") && str(shownEntry, "nTrigger") && *str(shownEntry, "nTrigger") == *trigger);
                if (!listed)
                    displayValues.push_back(entry);
                changed = *trigger;
            }
        }
        sortedKeys();
        if (changed) {
            changedKeys.push_back(*changed);
            std::vector<JsonObjectPtr> copy = derivedMap[*changed];
            for (const JsonObjectPtr& member : copy)
                evaluateObject(member, depth + 1);
        }
        return true;
    }

    void evaluateForm()
    {
        std::vector<JsonValue> entries = objects->items();
        for (const JsonValue& item : entries) {
            const JsonObjectPtr& entry = item.object();
            const JsonValue& title = entry->get("title");
            if (isType(entry, "Conditional") || (isType(entry, "Derived") && (title.isNull() || (title.isString() && title.asString().empty()))))
                evaluateObject(entry);
        }
    }

    void start()
    {
        sortedKeys();
        parseForm();
        evaluateForm();
    }

    bool shouldProcess(const std::string& text) const
    {
        return std::any_of(changedKeys.begin(), changedKeys.end(), [&](const std::string& key) { return text.find(key) != std::string::npos; });
    }

    JsonObjectPtr entryAtRow(size_t row) const
    {
        if (kind == FormKind::Document)
            return row < objects->size() ? objects->at(row).object() : nullptr;
        return row < displayValues.size() ? displayValues[row] : nullptr;
    }

    void setValue(const std::string& value, size_t index, const std::optional<std::string>& selectedIndex = std::nullopt)
    {
        JsonObjectPtr entry = entryAtRow(index);
        if (!str(entry, "name"))
            return;
        const std::string name = *str(entry, "name");
        write(name, value);
        changedKeys = { name };
        evaluateForm();
        if (kind == FormKind::Resident) {
            for (const JsonObjectPtr& timed : datedConditionals) {
                std::string text = *str(timed, "val");
                const std::string placeholder = "{" + name + "}";
                if (text.find(placeholder) == std::string::npos)
                    continue;
                replaceAll(text, placeholder, value.find('.') == std::string::npos ? value + ".0" : value);
                log->push_back(timedLine(timed, text, resDocID));
            }
            for (const JsonObjectPtr& action : actions) {
                const std::string* title = str(action, "title");
                if (title && shouldProcess(*title) && Expression::isTrue(evaluateString(*title))) {
                    const std::string* trigger = str(action, "nTrigger");
                    log->push_back(timedLine(action, trigger ? std::optional(substituteKeysInString(*trigger, true)) : std::nullopt, resDocID));
                }
            }
        }
        const double now = std::chrono::duration<double>(DateFormat::now().time_since_epoch()).count();
        for (const JsonObjectPtr& record : std::vector<JsonObjectPtr>(resDatedConditionals)) {
            if (!(record->get("ddate").asDouble() < now) || !canEvaluateString(record))
                continue;
            auto result = evaluateString(*str(record, "val"));
            if (str(record, "nTrigger") && result && std::holds_alternative<double>(*result))
                write(*str(record, "nTrigger"), Expression::text(*result));
            for (const JsonObjectPtr& action : resActions) {
                const std::string* title = str(action, "title");
                if (title && title->find(name) != std::string::npos && Expression::isTrue(evaluateString(*title)))
                    log->push_back(actionLine(action, std::nullopt));
            }
        }
        // Values are escaped whole, as FormEngine mends the escaping on purpose.
        std::string fields = "&name=" + Model::encodeValue(name) + "&val=" + Model::encodeValue(value) + "&type=" + Model::encodeValue(entry->get("type").asString());
        std::string url = Model::defaultInstance().legacyBaseURL();
        if (kind == FormKind::Resident)
            url += "handleForm.php?f=" + entry->get("assetID").asString() + "&c=" + resID + fields + (selectedIndex ? "&index=" + *selectedIndex : "");
        else
            url += "setFormValueForDocument.php?parentID=" + assetID + fields;
        log->push_back("GET " + url);
    }

    void updateResDict(const JsonObjectPtr& payload)
    {
        const JsonObjectPtr& dict = payload ? payload->get(kind == FormKind::Resident ? "list" : "dict").object() : nullptr;
        if (!dict)
            return;
        state = JsonObject::create(dict->entries());
        evaluateForm();
    }
};

} // namespace quindle::test
