#pragma once

#include "forms/Expression.h"
#include "platform/Date.h"
#include "platform/JsonValue.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quindle {

/// Which screen carries the engine. The two differ only in where values go, which reply key
/// holds the new form state, which rows are shown and whether timed objects and actions go out.
enum class FormKind {
    /// The resident form screen: "handleForm.php", reply key "list", timed objects and actions sent.
    Resident,
    /// The document form screen: "setFormValueForDocument.php", reply key "dict", nothing else sent.
    Document,
};

/// The form engine: an entry list and the form state recorded for one person, the indexes
/// built over them, expression evaluation and value submission. Lives on the main queue.
class FormEngine : public std::enable_shared_from_this<FormEngine> {
public:
    static std::shared_ptr<FormEngine> create(FormKind kind);
    /// The document form: stores both structures (the state as a mutable copy), then runs
    /// `sortedKeys`, `parseForm` and `evaluateForm`.
    static std::shared_ptr<FormEngine> create(FormKind kind, JsonArrayPtr formList, const JsonObjectPtr& currentStateDict);
    explicit FormEngine(FormKind kind);

    FormKind kind() const { return m_kind; }

    // Context.

    const JsonArrayPtr& objects() const { return m_objects; }
    void setObjects(JsonArrayPtr objects)
    {
        m_objects = std::move(objects);
        m_wholePassDue = true;
    }
    /// The form state (`resDoc` or `currentStateDict`); null when the screen has none.
    const JsonObjectPtr& formState() const { return m_state; }
    void setFormState(JsonObjectPtr state)
    {
        m_state = std::move(state);
        m_wholePassDue = true;
    }
    /// The form's (resident) or the document's (document form) identifier.
    const std::string& assetID() const { return m_assetID; }
    void setAssetID(std::string id) { m_assetID = std::move(id); }
    const std::string& resID() const { return m_resID; }
    void setResID(std::string id) { m_resID = std::move(id); }
    const std::string& resDocID() const { return m_resDocID; }
    void setResDocID(std::string id) { m_resDocID = std::move(id); }
    /// The logged-in user's login name; due actions are the ones addressed to it.
    const std::string& user() const { return m_user; }
    void setUser(std::string user) { m_user = std::move(user); }

    /// Asked to reload the screen's table after every reply.
    void setReloadHandler(std::function<void()> handler) { m_reload = std::move(handler); }
    /// Rows the screen shows: the whole entry list (document form) or the display list.
    size_t numberOfRows() const;
    /// The entry shown at a row, or null.
    JsonObjectPtr entryAtRow(size_t row) const;

    // Keys and indexes.

    /// Rebuilds the key list: form-state keys, entry names and "Conditional" triggers, longest first.
    void sortedKeys();
    /// Rebuilds the display list, timed entries, actions, dated state records and action records.
    void parseForm();
    const std::vector<std::string>& keys() const { return m_keys; }
    const std::vector<JsonObjectPtr>& displayValues() const { return m_displayValues; }
    const std::vector<JsonObjectPtr>& datedConditionals() const { return m_datedConditionals; }
    const std::vector<JsonObjectPtr>& actions() const { return m_actions; }
    const std::vector<JsonObjectPtr>& resDatedConditionals() const { return m_resDatedConditionals; }
    const std::vector<JsonObjectPtr>& resActions() const { return m_resActions; }
    const std::vector<JsonObjectPtr>& displayActions() const { return m_displayActions; }
    /// The entries whose expression mentions a key.
    std::vector<JsonObjectPtr> derived(const std::string& key) const;
    const std::vector<std::string>& changedKeys() const { return m_changedKeys; }

    /// The recorded value, "72" of a "Number" record read as "72.0"; never null.
    std::string formValueForKey(const std::string& key) const;
    /// The key whose value an entry's row shows ("nTrigger" for a "Conditional" entry).
    static std::string shownKey(const JsonObjectPtr& entry);
    /// An entry's value as its row shows it: a "Derived" value with "." at two decimals.
    std::string shownValue(const JsonObjectPtr& entry) const;
    JsonValue formModForKey(const std::string& key) const;
    JsonValue formUserForKey(const std::string& key) const;
    JsonValue formIndexForKey(const std::string& key) const;

    // Expressions.

    /// Replaces every key (or "{key}" when `isTrigger`) by its value, longest key first.
    std::string substituteKeysInString(const std::string& string, bool isTrigger) const;
    /// Substitutes keys and rewrites " AND " and comparisons into FUNCTION calls.
    std::optional<std::string> prepareString(const std::optional<std::string>& expression) const;
    std::optional<ExpressionValue> evaluateString(const std::optional<std::string>& expression) const;
    std::optional<std::string> prepareTrigger(const std::optional<std::string>& trigger) const;
    /// True when every key the entry's "val" mentions has a value; registers the entry under them.
    bool canEvaluateString(const JsonObjectPtr& entry);
    /// Evaluates an entry, then each entry that depends on what it wrote, depth first.
    bool evaluateObject(const JsonObjectPtr& entry);
    /// The longest path a change wave follows; the guard against cycles keeps paths shorter
    /// than the number of entries, so only a form of that many entries in one chain reaches it.
    static constexpr size_t maxWaveDepth = 100000;
    void evaluateForm();

    // Values and submission.

    bool shouldProcess(const std::string& string) const;
    void setState(int state, size_t index);
    /// Records the value and runs the entries it reaches, with the results of a whole-form
    /// walk. A form state changed in place by a caller needs `evaluateForm` before the next edit.
    void setValue(const std::string& value, size_t index, const std::optional<std::string>& selectedIndex = std::nullopt);
    /// Takes the form state of a reply (under "list" or "dict"), re-evaluates and reloads.
    void updateResDict(const std::optional<JsonValue>& payload);
    /// True while the last value sent for the key has not been taken by the server.
    bool isUnsaved(const std::string& key) const { return m_unsaved.contains(key); }
    /// The value last set for an unsaved key, so a screen can send it again.
    std::optional<std::string> unsavedValue(const std::string& key) const;

    /// The follow-up interval table: labels of indexes 0 to 10.
    static constexpr size_t followUpCount = 11;
    static std::string followUpLabel(size_t index);
    /// The server date string of now plus the interval's offset (through the shell when set).
    static std::string dateStringForIndex(long index);
    /// The leading decimal integer of a string, 0 when it does not start with one.
    static long integerValue(std::string_view text);

private:
    /// Steps 1 to 4 of evaluating one entry: whether it was evaluated and the key it changed.
    bool evaluateSingle(const JsonObjectPtr& entry, std::optional<std::string>& changed);
    std::optional<std::string> outputKey(const JsonObjectPtr& entry) const;
    /// Keys (or "{key}" patterns) occurring in the text, in key-list order, after `after`.
    std::vector<std::string> keysIn(std::string_view text, bool isTrigger, const std::string* after = nullptr) const;
    void addKey(const std::string& key);
    void writeValue(const std::string& key, const std::string& value);
    void sendValue(const JsonObjectPtr& entry, const std::string& value, const std::optional<std::string>& selectedIndex);
    void valueReplied(const std::string& key, unsigned long sequence, const std::optional<JsonValue>& payload);
    const char* replyKey() const { return m_kind == FormKind::Resident ? "list" : "dict"; }
    void reload();
    /// An edit's evaluation: the same writes, rows and changed keys as `evaluateForm`, running
    /// only the entries that can reach one whose inputs changed since it last ran.
    void evaluateChanges();
    bool isWalked(const JsonObjectPtr& entry) const;
    /// Adds the entry and every entry whose writes lead to it to the entries the pass runs.
    void markUpstream(const JsonObject* entry);
    void noteWrite(const std::string& key, bool same);
    void noteSkipped(const JsonObject* entry);

    /// What an entry read when it last ran (key and value, up to the first empty one), the key
    /// it changed and the key list it ran against.
    struct Reading {
        std::vector<std::pair<std::string, std::string>> inputs;
        std::vector<std::string> keys;
        std::optional<std::string> changed;
        unsigned long keysVersion { 0 };
    };
    std::unordered_map<const JsonObject*, Reading> m_readings;
    /// Bumped whenever the key list changes, since substitution depends on it.
    unsigned long m_keysVersion { 0 };
    /// Set while an edit's pass runs: waves skip entries outside `m_upstream`.
    bool m_pruning { false };
    unsigned long m_passKeysVersion { 0 };
    std::unordered_set<const JsonObject*> m_upstream;
    /// The entries the whole-form walk runs, in order, and the entries writing each key.
    std::vector<JsonObjectPtr> m_walked;
    std::unordered_map<std::string, std::vector<const JsonObject*>> m_writers;
    /// Set when the entry list, the form state or the rows are replaced: the next edit runs whole.
    bool m_wholePassDue { true };

    FormKind m_kind;
    JsonArrayPtr m_objects;
    JsonObjectPtr m_state;
    std::string m_assetID;
    std::string m_resID;
    std::string m_resDocID;
    std::string m_user;
    std::function<void()> m_reload;

    std::vector<std::string> m_keys;
    /// Keys grouped by length, so substitution looks up only what occurs in the text.
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view> {}(text); }
    };
    std::map<size_t, std::unordered_set<std::string, KeyHash, std::equal_to<>>, std::greater<>> m_keysByLength;
    /// Set when the form state is replaced: the next evaluation rebuilds the key list whole.
    bool m_keysStale { false };

    std::vector<JsonObjectPtr> m_displayValues;
    std::vector<JsonObjectPtr> m_datedConditionals;
    std::vector<JsonObjectPtr> m_actions;
    std::vector<JsonObjectPtr> m_resDatedConditionals;
    std::vector<JsonObjectPtr> m_resActions;
    std::vector<JsonObjectPtr> m_displayActions;
    std::unordered_map<std::string, std::vector<JsonObjectPtr>> m_derived;
    std::vector<std::string> m_changedKeys;

    std::unordered_map<std::string, std::string> m_unsaved;
    std::unordered_map<std::string, unsigned long> m_lastSent;
    unsigned long m_sequence { 0 };
};

} // namespace quindle
