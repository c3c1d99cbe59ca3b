// An edit's evaluation: the whole-form walk, with every entry left out whose run would only
// write what the form already holds.
#include "forms/FormEngine.h"

namespace quindle {

bool FormEngine::isWalked(const JsonObjectPtr& entry) const
{
    const std::string* type = entry ? entry->get("type").string() : nullptr;
    if (!type)
        return false;
    if (*type == "Conditional")
        return true;
    const JsonValue& title = entry->get("title");
    return *type == "Derived" && (title.isNull() || (title.isString() && title.asString().empty()));
}

// An entry runs in the pass when it, or an entry its writes lead to, reads a changed input.
void FormEngine::markUpstream(const JsonObject* entry)
{
    std::vector<const JsonObject*> stack { entry };
    while (!stack.empty()) {
        const JsonObject* member = stack.back();
        stack.pop_back();
        if (!member || !m_upstream.insert(member).second)
            continue;
        auto reading = m_readings.find(member);
        if (reading == m_readings.end())
            continue;
        for (const std::string& key : reading->second.keys)
            if (auto writers = m_writers.find(key); writers != m_writers.end())
                stack.insert(stack.end(), writers->second.begin(), writers->second.end());
    }
}

void FormEngine::noteWrite(const std::string& key, bool same)
{
    if (same)
        return;
    // The entries writing the key must run again to put back what they write.
    if (auto it = m_writers.find(key); it != m_writers.end())
        for (const JsonObject* writer : std::vector<const JsonObject*>(it->second))
            markUpstream(writer);
    if (auto it = m_derived.find(key); it != m_derived.end())
        for (const JsonObjectPtr& member : std::vector<JsonObjectPtr>(it->second))
            markUpstream(member.get());
}

// A run that would write what the form holds still names the key it writes.
void FormEngine::noteSkipped(const JsonObject* entry)
{
    auto it = m_readings.find(entry);
    if (it != m_readings.end() && it->second.changed)
        m_changedKeys.push_back(*it->second.changed);
}

void FormEngine::evaluateChanges()
{
    // A stale key list is rebuilt part way through the first run; the walk runs whole then.
    if (m_wholePassDue || m_keysStale || !m_objects) {
        evaluateForm();
        return;
    }
    // The engine's own writes mark what they reach as they happen (the form state read back
    // through a lookup per key would cost a scan of the state each); an entry that never ran or
    // ran against another key list runs again.
    for (const JsonObjectPtr& entry : m_walked) {
        auto it = m_readings.find(entry.get());
        if (it == m_readings.end() || it->second.keysVersion != m_keysVersion)
            markUpstream(entry.get());
    }
    m_passKeysVersion = m_keysVersion;
    m_pruning = true;
    for (const JsonObjectPtr& entry : m_walked) {
        // A key the list gains changes what every expression reads: the rest runs whole.
        if (m_keysVersion != m_passKeysVersion)
            m_pruning = false;
        if (!m_pruning || m_upstream.contains(entry.get()))
            evaluateObject(entry);
        else
            noteSkipped(entry.get());
    }
    m_pruning = false;
    m_upstream.clear();
}

} // namespace quindle
