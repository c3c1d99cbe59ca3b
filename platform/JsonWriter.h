#pragma once

#include "platform/JsonValue.h"

#include <optional>
#include <string>

namespace quindle {

/// Compact JSON serialisation (no blanks). Strings are escaped so that parsing the output gives
/// back the same value; doubles are written in their shortest round-trip form. Opaque values
/// are written as null. A graph that is nested deeper than the limit or holds a cycle cannot
/// be serialised: the result is then nothing.
class JsonWriter {
public:
    static constexpr size_t defaultMaxDepth = 1024;
    static std::optional<std::string> write(const JsonValue& value, size_t maxDepth = defaultMaxDepth);
    /// Appends to `out`; returns false (out then unspecified) when the value cannot be written.
    static bool writeTo(std::string& out, const JsonValue& value, size_t maxDepth = defaultMaxDepth);
    /// A readable rendering for log lines (compact; never fails: cycles and depth are cut off).
    static std::string describe(const JsonValue& value);
};

} // namespace quindle
