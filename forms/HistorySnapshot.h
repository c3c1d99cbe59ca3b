#pragma once

#include "platform/JsonValue.h"

#include <string>

namespace quindle {

/// The record lists behind the history screen: which records it lists, in which order, and the
/// form state as it stood at one of them.
class HistorySnapshot {
public:
    /// The records of type "Bool" or "Number", newest first by "lastModified". Entries that are
    /// not records are left out; a record whose date is not a server date sorts as the oldest.
    static JsonArrayPtr displayedRecords(const JsonArrayPtr& records);
    /// True when some record of the list has type "Number".
    static bool hasNumbers(const JsonArrayPtr& records);
    /// The form state at row `row` of `displayed` (newest first): each key holds the record that
    /// was current then, and key + "_old" the one before it when there was one. Null when the
    /// row is out of range.
    static JsonObjectPtr snapshotAt(const JsonArrayPtr& displayed, size_t row);
    /// "%@ (%@)" with the record's name and its value ("Yes" / "No" for a "Bool").
    static std::string recordText(const JsonObjectPtr& record);
    /// "%@ (%@)" with the record's "lastModified" and "user".
    static std::string recordDetail(const JsonObjectPtr& record);
    /// A value as text: strings as they are, numbers written out, anything else empty.
    static std::string text(const JsonValue& value);
    /// Whether the text is a server date "yyyy-MM-dd HH:mm:ss".
    static bool isServerDate(const std::string& text);
};

} // namespace quindle
