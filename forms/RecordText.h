#pragma once

#include "platform/JsonValue.h"

#include <string>

namespace quindle {

/// The value under `key` as text: a string as it is, an integer in decimal, anything else empty.
/// Legacy replies send identifiers either way.
inline std::string recordText(const JsonObjectPtr& record, const char* key)
{
    JsonValue value = record ? record->get(key) : JsonValue();
    if (value.isString())
        return value.asString();
    return value.isInteger() ? std::to_string(value.asInt()) : std::string {};
}

} // namespace quindle
