#pragma once

#include "platform/JsonValue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quindle {

class AlertView;
class ViewController;

/// The legacy requests of the care screens: each reply is handed to the main queue, and only
/// while the screen that asked is still there.
class CareRequest {
public:
    using Reply = std::function<void(const std::optional<JsonValue>& payload)>;

    /// GETs the legacy path (e.g. "devices.php") and runs `reply` on the main queue while
    /// `owner` lives; a failed request gives no payload.
    static void send(const std::string& path, std::weak_ptr<void> owner, Reply reply);
    /// The "list" of a payload when it is an array, else null.
    static JsonArrayPtr listOf(const std::optional<JsonValue>& payload);
    /// An identifier as text: a string as it is, an integer in decimal, anything else empty.
    static std::string idText(const JsonValue& value);
    /// A string value, or `fallback` when it is no string.
    static std::string textOf(const JsonValue& value, const std::string& fallback = {});
    /// Shows a one-button "OK" alert over the screen; the caller keeps it when no window holds it.
    static std::shared_ptr<AlertView> alert(const ViewController& over, std::string title, std::string message);
};

} // namespace quindle
