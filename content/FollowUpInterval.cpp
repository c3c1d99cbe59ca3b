#include "content/FollowUpInterval.h"

#include "core/Model.h"

#include <array>
#include <cctype>
#include <chrono>
#include <limits>

namespace quindle {

namespace {

struct Interval {
    const char* label;
    long seconds;
};

constexpr std::array<Interval, FollowUpInterval::count> intervals { {
    { "No followup set", 0 },
    { "No followup required", 0 },
    { "1 hour", 3600 },
    { "3 hours", 10800 },
    { "6 hours", 21600 },
    { "12 hours", 43200 },
    { "1 day", 86400 },
    { "1 week", 604800 },
    { "2 weeks", 1209600 },
    { "1 month", 2592000 },
    { "1 year", 0 },
} };

} // namespace

std::string FollowUpInterval::label(long index)
{
    return index >= 0 && index < count ? intervals[size_t(index)].label : "";
}

std::optional<long> FollowUpInterval::offset(long index)
{
    if (index >= 2 && index <= 9)
        return intervals[size_t(index)].seconds;
    return std::nullopt;
}

Date FollowUpInterval::dueDate(long index, Date now)
{
    using namespace std::chrono;
    if (auto seconds = offset(index))
        return now + std::chrono::seconds(*seconds);
    if (index != 10)
        return now;
    // A year is a calendar year, not a count of seconds: the same day and time next year.
    const auto day = floor<days>(now);
    year_month_day date { day };
    year_month_day next = date + years { 1 };
    if (!next.ok())
        next = next.year() / next.month() / last;
    return sys_days { next } + (now - day);
}

std::string FollowUpInterval::dateString(long index, Date now)
{
    return Model::serverDateStringForDate(dueDate(index, now));
}

long FollowUpInterval::integerValue(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (value > (std::numeric_limits<long>::max() - 9) / 10)
            break;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

} // namespace quindle
