#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quindle {

/// An instant, in whole or fractional seconds since the epoch.
using Date = std::chrono::system_clock::time_point;

/// Date helpers over fixed patterns. Patterns use the letters yyyy MM dd HH mm ss (four digits
/// of year, two of every other field); every other character, including a lone letter, stands
/// for itself. Time zones: UTC or the device's local zone (TZ of the process, read on each call).
namespace DateFormat {
enum class Zone { UTC, Local };
/// The date in the zone, seconds truncated towards the past; empty when the zone cannot
/// express the instant.
std::string format(Date date, std::string_view pattern, Zone zone);
/// Nothing when the text does not match the pattern exactly: same literals, exact digit counts,
/// fields in range (month 1-12, day within its month, hour 0-23, minute and second 0-59), a
/// local time that exists in the zone, and an instant that a Date can hold. Fields the pattern
/// lacks default to 1970-01-01 00:00:00.
std::optional<Date> parse(std::string_view text, std::string_view pattern, Zone zone);
/// A short date-and-time rendering in the device's local zone ("06/12/2026 14:30").
std::string shortDateTime(Date date);
/// Start of the local calendar day containing the date (the first instant of that day when
/// a change of offset skips or repeats its midnight).
Date startOfLocalDay(Date date);
/// The local calendar day containing the date, counted in days from 1970-01-01; the difference
/// of two is the number of calendar days between them whatever the day lengths.
int64_t localDayNumber(Date date);
Date now();
} // namespace DateFormat

} // namespace quindle
