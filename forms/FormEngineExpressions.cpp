// The form engine's expressions: key substitution, rewriting, evaluation and the change waves
// that carry a change through dependent entries.
#include "forms/FormEngine.h"

#include <algorithm>
#include <array>

namespace quindle {

namespace {

const std::string* stringAt(const JsonObjectPtr& record, std::string_view key)
{
    return record ? record->get(key).string() : nullptr;
}

bool hasType(const JsonObjectPtr& record, std::string_view type)
{
    const std::string* value = stringAt(record, "type");
    return value && *value == type;
}

void replaceAll(std::string& text, const std::string& pattern, const std::string& replacement)
{
    std::string out;
    size_t from = 0;
    for (size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, from)) {
        out.append(text, from, at - from);
        out += replacement;
        from = at + pattern.size();
    }
    out.append(text, from);
    text = std::move(out);
}

std::string call(const std::string& receiver, std::string_view selector, const std::string& argument)
{
    return "FUNCTION(" + receiver + ", '" + std::string(selector) + "', " + argument + ")";
}

// Splits at every comparison sign, two-character signs first at each position.
// A chain a < b <= c compares each neighbouring pair and joins them: and(a<b, b<=c).
std::string rewriteComparisons(const std::string& text)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> signs { {
        { "<=", "smallerThanEqual:" }, { ">=", "greaterThanEqual:" }, { "<", "smallerThan:" }, { ">", "greaterThan:" } } };
    std::vector<std::string> parts;
    std::vector<std::string_view> selectors;
    size_t start = 0;
    for (size_t i = 0; i < text.size();) {
        bool matched = false;
        for (auto& [sign, selector] : signs) {
            if (text.compare(i, sign.size(), sign) == 0) {
                parts.push_back(text.substr(start, i - start));
                selectors.push_back(selector);
                i += sign.size();
                start = i;
                matched = true;
                break;
            }
        }
        if (!matched)
            ++i;
    }
    if (selectors.empty())
        return text;
    parts.push_back(text.substr(start));
    std::string result = call(parts[parts.size() - 2], selectors.back(), parts.back());
    for (size_t k = selectors.size() - 1; k-- > 0;)
        result = call(call(parts[k], selectors[k], parts[k + 1]), "and:", result);
    return result;
}

} // namespace

std::string FormEngine::substituteKeysInString(const std::string& string, bool isTrigger) const
{
    // Visits only the keys present in the text, in key-list order; a replacement may bring in
    // keys later in the list, so the text is scanned again after each one, as a loop over every
    // key would see it.
    std::string result = string;
    std::optional<std::string> last;
    for (;;) {
        std::vector<std::string> present = keysIn(result, isTrigger, last ? &*last : nullptr);
        if (present.empty())
            return result;
        const std::string& key = present.front();
        replaceAll(result, isTrigger ? "{" + key + "}" : key, formValueForKey(key));
        last = key;
    }
}

std::optional<std::string> FormEngine::prepareString(const std::optional<std::string>& expression) const
{
    if (!expression)
        return std::nullopt;
    std::string text = substituteKeysInString(*expression, false);
    // Every part is kept: a AND b AND c is and(a, and(b, c)). The parts are substituted again.
    static constexpr std::string_view conjunction = " AND ";
    size_t at = text.find(conjunction);
    if (at != std::string::npos)
        return call(*prepareString(text.substr(0, at)), "and:", *prepareString(text.substr(at + conjunction.size())));
    return rewriteComparisons(text);
}

std::optional<ExpressionValue> FormEngine::evaluateString(const std::optional<std::string>& expression) const
{
    auto prepared = prepareString(expression);
    if (!prepared)
        return std::nullopt;
    return Expression::evaluate(*prepared);
}

std::optional<std::string> FormEngine::prepareTrigger(const std::optional<std::string>& trigger) const
{
    if (!trigger)
        return std::nullopt;
    return substituteKeysInString(*trigger, true);
}

bool FormEngine::canEvaluateString(const JsonObjectPtr& entry)
{
    const std::string* expression = stringAt(entry, "val");
    Reading& reading = m_readings[entry.get()];
    reading.inputs.clear();
    reading.changed.reset();
    reading.keysVersion = m_keysVersion;
    if (!expression)
        return false;
    for (const std::string& key : keysIn(*expression, false)) {
        auto& dependents = m_derived[key];
        if (std::find(dependents.begin(), dependents.end(), entry) == dependents.end()) {
            dependents.push_back(entry);
            reading.keys.push_back(key);
        }
        std::string value = formValueForKey(key);
        const bool empty = value.empty();
        reading.inputs.emplace_back(key, std::move(value));
        if (empty)
            return false;
    }
    return true;
}

std::optional<std::string> FormEngine::outputKey(const JsonObjectPtr& entry) const
{
    const std::string* key = nullptr;
    if (hasType(entry, "Derived"))
        key = stringAt(entry, "name");
    else if (hasType(entry, "Conditional"))
        key = stringAt(entry, "nTrigger");
    return key ? std::optional<std::string>(*key) : std::nullopt;
}

void FormEngine::writeValue(const std::string& key, const std::string& value)
{
    if (!m_state)
        return;
    const JsonObjectPtr& old = m_state->get(key).object();
    const std::string* oldValue = stringAt(old, "val");
    noteWrite(key, old && old->size() == 1 && oldValue && *oldValue == value);
    m_state->set(key, JsonObject::create({ { "val", JsonValue(value) } }));
    // A key the list lacks (a due dated record's "nTrigger") joins it at the next evaluation,
    // when the whole list would be rebuilt from the form state.
    auto sameLength = m_keysByLength.find(key.size());
    if (sameLength == m_keysByLength.end() || !sameLength->second.contains(key))
        m_keysStale = true;
}

bool FormEngine::evaluateSingle(const JsonObjectPtr& entry, std::optional<std::string>& changed)
{
    changed.reset();
    if (!canEvaluateString(entry))
        return false;
    const std::string* expression = stringAt(entry, "val");
    // An expression that does not parse or yields no number writes nothing and lists nothing;
    // a "Derived" without a name (a dated state record reached through the map) writes nothing.
    if (hasType(entry, "Derived")) {
        auto value = evaluateString(*expression);
        const std::string* name = stringAt(entry, "name");
        if (name && value && std::holds_alternative<double>(*value)) {
            writeValue(*name, Expression::text(*value));
            if (std::find(m_displayValues.begin(), m_displayValues.end(), entry) == m_displayValues.end())
                m_displayValues.push_back(entry);
            changed = *name;
        }
    } else if (hasType(entry, "Conditional")) {
        // A null "nTrigger" names no record: nothing is written or listed.
        const std::string* trigger = stringAt(entry, "nTrigger");
        if (trigger && Expression::isTrue(evaluateString(*expression))) {
            writeValue(*trigger, entry->get("title").asString());
            bool listed = std::any_of(m_displayValues.begin(), m_displayValues.end(), [&](const JsonObjectPtr& shown) {
                const std::string* other = stringAt(shown, "nTrigger");
                return hasType(shown, "Conditional") && other && *other == *trigger;
            });
            if (!listed)
                m_displayValues.push_back(entry);
            changed = *trigger;
        }
    }
    if (m_keysStale)
        sortedKeys();
    else if (changed)
        addKey(*changed);
    if (changed) {
        m_changedKeys.push_back(*changed);
        m_readings[entry.get()].changed = changed;
    }
    return true;
}

// A change wave: after an entry writes a key, each dependent of that key runs in map order,
// each followed by its own dependents, depth first, so values and notes change in the order the
// procedure gives. The recursion keeps its own stack, so a long chain does not exhaust the
// thread's. A dependent already on the current path is skipped: only a dependency cycle (direct,
// indirect or through a key inside a longer one) leads back to it, so a cycle ends, each entry
// runs once per write of a key it reads, and every dependent is reached.
bool FormEngine::evaluateObject(const JsonObjectPtr& entry)
{
    std::optional<std::string> changed;
    const bool evaluated = evaluateSingle(entry, changed);
    if (!changed)
        return evaluated;

    struct Frame {
        JsonObjectPtr entry;
        /// A copy: the map may grow while the dependents run.
        std::vector<JsonObjectPtr> next;
        size_t at { 0 };
    };
    std::vector<Frame> path;
    std::unordered_set<const JsonObject*> onPath { entry.get() };
    path.push_back({ entry, derived(*changed) });
    while (!path.empty()) {
        Frame& top = path.back();
        if (top.at == top.next.size()) {
            onPath.erase(top.entry.get());
            path.pop_back();
            continue;
        }
        JsonObjectPtr member = top.next[top.at++];
        if (!member || onPath.contains(member.get()) || path.size() >= maxWaveDepth)
            continue;
        // In an edit's pass an entry that cannot reach a changed input would write what the
        // form already holds, and so would everything after it.
        if (m_pruning && m_keysVersion == m_passKeysVersion && !m_upstream.contains(member.get())) {
            noteSkipped(member.get());
            continue;
        }
        if (!evaluateSingle(member, changed) || !changed)
            continue;
        onPath.insert(member.get());
        path.push_back({ member, derived(*changed) });
    }
    return evaluated;
}

void FormEngine::evaluateForm()
{
    m_wholePassDue = false;
    m_walked.clear();
    m_writers.clear();
    if (m_objects) {
        for (const JsonValue& item : *m_objects) {
            const JsonObjectPtr& entry = item.object();
            if (!isWalked(entry))
                continue;
            m_walked.push_back(entry);
            if (auto key = outputKey(entry))
                m_writers[*key].push_back(entry.get());
        }
    }
    for (const JsonObjectPtr& entry : std::vector<JsonObjectPtr>(m_walked))
        evaluateObject(entry);
    m_upstream.clear();
}

} // namespace quindle
