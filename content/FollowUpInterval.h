#pragma once

#include "platform/Date.h"

#include <optional>
#include <string>
#include <string_view>

namespace quindle {

/// The follow-up intervals a timed object or an action falls due after: index 0 "No followup
/// set" to 10 "1 year".
class FollowUpInterval {
public:
    static constexpr long count = 11;
    /// The label the action screen shows; empty outside 0 to 10.
    static std::string label(long index);
    /// Seconds from now for indexes 2 to 9; nothing for the rest, which are measured otherwise.
    static std::optional<long> offset(long index);
    /// When a follow-up of the index falls due: now plus the offset; index 10 one calendar year
    /// from now in UTC (Feb 29 goes to Feb 28); any other index now.
    static Date dueDate(long index, Date now);
    /// The server date string of `dueDate`.
    static std::string dateString(long index, Date now);
    /// The leading decimal integer of a string (spaces and a sign allowed before it), 0 when
    /// it does not start with one.
    static long integerValue(std::string_view text);
};

} // namespace quindle
