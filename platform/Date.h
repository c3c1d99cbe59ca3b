#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quindle {

/// An instant, in whole or fractional seconds since the epoch.
using Date = std::chrono::system_clock::time_point;

/// Date helpers over fixed patterns. Patterns use the letters yyyy MM dd HH mm ss.
/// Time zones: UTC or the device's local zone (TZ of the process).
namespace DateFormat {
enum class Zone { UTC, Local };
std::string format(Date date, std::string_view pattern, Zone zone);
/// Nothing when the text does not match the pattern exactly.
std::optional<Date> parse(std::string_view text, std::string_view pattern, Zone zone);
/// A short date-and-time rendering in the device's local zone ("06/12/2026 14:30").
std::string shortDateTime(Date date);
/// Start of the local calendar day containing the date.
Date startOfLocalDay(Date date);
Date now();
} // namespace DateFormat

} // namespace quindle
