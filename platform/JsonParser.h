#pragma once

#include "platform/Error.h"
#include "platform/JsonValue.h"

#include <optional>
#include <string_view>

namespace quindle {

/// Parses JSON text straight into the shared value graph (every object and array mutable).
/// Integers stay integers, key order is kept. Duplicate keys: the last one wins.
class JsonParser {
public:
    /// Maximum nesting depth accepted; deeper input is an error, never a crash.
    static constexpr size_t defaultMaxDepth = 1024;
    static void setMaxDepth(size_t depth);
    static size_t maxDepth();

    /// The parsed value, or nothing with `error` set (domain "JSON").
    static std::optional<JsonValue> parse(std::string_view text, Error* error = nullptr);
};

} // namespace quindle
