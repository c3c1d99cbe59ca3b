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
    /// Codes of the errors in domain "JSON".
    enum class ErrorCode : long {
        Empty = 1,          ///< no text, or only blanks
        Truncated = 2,      ///< the text ends inside a value
        InvalidUtf8 = 3,    ///< the bytes are not UTF-8
        TrailingGarbage = 4,///< something follows the value
        TooDeep = 5,        ///< nested deeper than maxDepth()
        Syntax = 6,         ///< any other malformed text
        Number = 7,         ///< a number that cannot be represented
        Memory = 8,         ///< the parser could not get memory
    };
    static constexpr const char* errorDomain = "JSON";

    /// Maximum nesting depth accepted; deeper input is an error, never a crash.
    static constexpr size_t defaultMaxDepth = 1024;
    static void setMaxDepth(size_t depth);
    static size_t maxDepth();

    /// The parsed value, or nothing with `error` set (domain "JSON").
    static std::optional<JsonValue> parse(std::string_view text, Error* error = nullptr);
};

} // namespace quindle
