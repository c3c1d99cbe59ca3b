#include "forms/HistorySnapshot.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <vector>

namespace quindle {

namespace {

const std::string& typeOf(const JsonObjectPtr& record) { return record->get("type").asString(); }

bool listed(const JsonValue& value)
{
    if (!value.isObject())
        return false;
    const std::string& type = typeOf(value.object());
    return type == "Bool" || type == "Number";
}

} // namespace

bool HistorySnapshot::isServerDate(const std::string& text)
{
    static const char pattern[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof pattern - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
        if (pattern[i] == 'd' ? !digit : pattern[i] != text[i])
            return false;
    }
    return true;
}

std::string HistorySnapshot::text(const JsonValue& value)
{
    if (value.isString())
        return value.asString();
    if (value.isInteger())
        return std::to_string(value.asInt());
    if (value.isNumber() && std::isfinite(value.asDouble())) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", value.asDouble());
        return buffer;
    }
    return {};
}

JsonArrayPtr HistorySnapshot::displayedRecords(const JsonArrayPtr& records)
{
    struct Row {
        const std::string* date; // null: not a server date
        JsonValue record;
    };
    std::vector<Row> rows;
    if (records) {
        rows.reserve(records->size());
        for (const JsonValue& value : *records) {
            if (!listed(value))
                continue;
            const std::string* date = value.object()->get("lastModified").string();
            rows.push_back({ date && isServerDate(*date) ? date : nullptr, value });
        }
    }
    // Server dates sort chronologically as text; the stable sort keeps the server's order for
    // records of the same second.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (!a.date || !b.date)
            return a.date && !b.date;
        return *a.date > *b.date;
    });
    auto out = JsonArray::create();
    out->reserve(rows.size());
    for (Row& row : rows)
        out->push_back(std::move(row.record));
    return out;
}

bool HistorySnapshot::hasNumbers(const JsonArrayPtr& records)
{
    if (!records)
        return false;
    return std::any_of(records->begin(), records->end(),
        [](const JsonValue& value) { return value.isObject() && typeOf(value.object()) == "Number"; });
}

JsonObjectPtr HistorySnapshot::snapshotAt(const JsonArrayPtr& displayed, size_t row)
{
    if (!displayed || row >= displayed->size())
        return nullptr;
    // One pass from the oldest record up to the chosen one, keeping for each key the latest
    // record and the one before it. A key recorded once has no earlier value, so no "_old":
    // the record itself there would read as "no change".
    struct Pair {
        JsonValue current;
        JsonValue old;
    };
    std::unordered_map<std::string, Pair> byKey;
    std::vector<const std::string*> order; // keys in the order first met, for a stable state
    for (size_t i = displayed->size(); i-- > row;) {
        const JsonValue& value = displayed->at(i);
        if (!value.isObject())
            continue;
        const std::string* key = value.object()->get("name").string();
        if (!key)
            continue;
        auto [it, fresh] = byKey.try_emplace(*key);
        if (fresh)
            order.push_back(&it->first);
        else
            it->second.old = std::move(it->second.current);
        it->second.current = value;
    }
    // A key named like another key's "_old" (say "Weight_old" beside "Weight") keeps one entry,
    // the record of the key itself.
    const bool clash = std::any_of(order.begin(), order.end(), [&](const std::string* key) { return byKey.count(*key + "_old") > 0; });
    auto state = JsonObject::create();
    state->reserve(order.size() * 2);
    for (const std::string* key : order) {
        Pair& pair = byKey.at(*key);
        const bool hasOld = !pair.old.isNull();
        if (clash) {
            if (hasOld && !state->contains(*key + "_old"))
                state->set(*key + "_old", pair.old);
            state->set(*key, pair.current);
        } else {
            state->appendUnchecked(*key, std::move(pair.current));
            if (hasOld)
                state->appendUnchecked(*key + "_old", std::move(pair.old));
        }
    }
    return state;
}

std::string HistorySnapshot::recordText(const JsonObjectPtr& record)
{
    std::string value = text(record->get("val"));
    if (typeOf(record) == "Bool")
        value = value == "0" ? "No" : "Yes";
    return text(record->get("name")) + " (" + value + ")";
}

std::string HistorySnapshot::recordDetail(const JsonObjectPtr& record)
{
    return text(record->get("lastModified")) + " (" + text(record->get("user")) + ")";
}

} // namespace quindle
