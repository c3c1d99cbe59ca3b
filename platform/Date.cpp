#include "platform/Date.h"

#include <date/date.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <vector>

namespace quindle::DateFormat {

namespace {

using Seconds = std::chrono::seconds;

enum class Field { Year, Month, Day, Hour, Minute, Second };

struct Token {
    std::string_view letters;
    Field field;
};

constexpr std::array<Token, 6> tokens { {
    { "yyyy", Field::Year },
    { "MM", Field::Month },
    { "dd", Field::Day },
    { "HH", Field::Hour },
    { "mm", Field::Minute },
    { "ss", Field::Second },
} };

/// The token starting at the position of the pattern, or null for a literal character.
const Token* tokenAt(std::string_view pattern, size_t position)
{
    for (const auto& token : tokens) {
        if (pattern.substr(position, token.letters.size()) == token.letters)
            return &token;
    }
    return nullptr;
}

struct CivilTime {
    int64_t year { 1970 };
    int month { 1 };
    int day { 1 };
    int hour { 0 };
    int minute { 0 };
    int second { 0 };
};

int64_t secondsSinceEpoch(Date when)
{
    return std::chrono::floor<Seconds>(when).time_since_epoch().count();
}

/// The Date for a count of seconds, or nothing when the clock's range cannot hold it.
std::optional<Date> dateFromSeconds(int64_t seconds)
{
    constexpr auto lowest = std::chrono::duration_cast<Seconds>(Date::duration::min()).count();
    constexpr auto highest = std::chrono::duration_cast<Seconds>(Date::duration::max()).count();
    if (seconds <= lowest || seconds >= highest)
        return std::nullopt;
    return Date(std::chrono::duration_cast<Date::duration>(Seconds(seconds)));
}

CivilTime utcCivil(Date when)
{
    auto seconds = std::chrono::floor<Seconds>(when);
    auto day = std::chrono::floor<date::days>(seconds);
    date::year_month_day ymd { date::sys_days(day.time_since_epoch()) };
    int64_t inDay = (seconds - day).count();
    CivilTime civil;
    civil.year = static_cast<int>(ymd.year());
    civil.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    civil.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    civil.hour = static_cast<int>(inDay / 3600);
    civil.minute = static_cast<int>(inDay / 60 % 60);
    civil.second = static_cast<int>(inDay % 60);
    return civil;
}

/// Broken-down local time; false when the C library cannot express the instant.
bool localTm(int64_t seconds, std::tm& out)
{
    // localtime_r need not look at TZ again; tzset makes a changed TZ count.
    tzset();
    std::time_t t = static_cast<std::time_t>(seconds);
    return localtime_r(&t, &out) != nullptr;
}

CivilTime civilFromTm(const std::tm& tm)
{
    CivilTime civil;
    civil.year = static_cast<int64_t>(tm.tm_year) + 1900;
    civil.month = tm.tm_mon + 1;
    civil.day = tm.tm_mday;
    civil.hour = tm.tm_hour;
    civil.minute = tm.tm_min;
    civil.second = tm.tm_sec;
    return civil;
}

bool sameDay(const CivilTime& a, const CivilTime& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

bool earlierDay(const CivilTime& a, const CivilTime& b)
{
    if (a.year != b.year)
        return a.year < b.year;
    if (a.month != b.month)
        return a.month < b.month;
    return a.day < b.day;
}

std::tm tmFromCivil(const CivilTime& civil, int isDst)
{
    std::tm tm {};
    tm.tm_year = static_cast<int>(civil.year - 1900);
    tm.tm_mon = civil.month - 1;
    tm.tm_mday = civil.day;
    tm.tm_hour = civil.hour;
    tm.tm_min = civil.minute;
    tm.tm_sec = civil.second;
    tm.tm_isdst = isDst;
    return tm;
}

/// The local instants that show exactly this civil time (none in a skipped hour, two in a
/// repeated one), earliest first.
std::vector<int64_t> localInstants(const CivilTime& civil)
{
    std::vector<int64_t> found;
    for (int isDst : { -1, 0, 1 }) {
        std::tm tm = tmFromCivil(civil, isDst);
        std::time_t t = std::mktime(&tm);
        // A failed mktime returns -1, which the check below then rejects unless that second
        // really shows this civil time.
        std::tm check {};
        if (!localTm(static_cast<int64_t>(t), check))
            continue;
        CivilTime shown = civilFromTm(check);
        if (sameDay(shown, civil) && shown.hour == civil.hour && shown.minute == civil.minute
            && shown.second == civil.second)
            found.push_back(static_cast<int64_t>(t));
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

void appendNumber(std::string& out, int64_t value, int width)
{
    char buffer[32];
    if (value < 0)
        std::snprintf(buffer, sizeof buffer, "-%0*lld", width, static_cast<long long>(-value));
    else
        std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
    out += buffer;
}

std::string formatCivil(const CivilTime& civil, std::string_view pattern)
{
    std::string out;
    out.reserve(pattern.size() + 8);
    for (size_t i = 0; i < pattern.size();) {
        const Token* token = tokenAt(pattern, i);
        if (!token) {
            out.push_back(pattern[i++]);
            continue;
        }
        switch (token->field) {
        case Field::Year: appendNumber(out, civil.year, 4); break;
        case Field::Month: appendNumber(out, civil.month, 2); break;
        case Field::Day: appendNumber(out, civil.day, 2); break;
        case Field::Hour: appendNumber(out, civil.hour, 2); break;
        case Field::Minute: appendNumber(out, civil.minute, 2); break;
        case Field::Second: appendNumber(out, civil.second, 2); break;
        }
        i += token->letters.size();
    }
    return out;
}

bool readDigits(std::string_view text, size_t& position, size_t count, int64_t& value)
{
    if (text.size() - position < count)
        return false;
    value = 0;
    for (size_t k = 0; k < count; ++k) {
        char c = text[position + k];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    position += count;
    return true;
}

std::optional<CivilTime> parseCivil(std::string_view text, std::string_view pattern)
{
    CivilTime civil;
    size_t at = 0;
    for (size_t i = 0; i < pattern.size();) {
        const Token* token = tokenAt(pattern, i);
        if (!token) {
            if (at >= text.size() || text[at] != pattern[i])
                return std::nullopt;
            ++at;
            ++i;
            continue;
        }
        int64_t value = 0;
        if (!readDigits(text, at, token->letters.size(), value))
            return std::nullopt;
        switch (token->field) {
        case Field::Year: civil.year = value; break;
        case Field::Month: civil.month = static_cast<int>(value); break;
        case Field::Day: civil.day = static_cast<int>(value); break;
        case Field::Hour: civil.hour = static_cast<int>(value); break;
        case Field::Minute: civil.minute = static_cast<int>(value); break;
        case Field::Second: civil.second = static_cast<int>(value); break;
        }
        i += token->letters.size();
    }
    if (at != text.size())
        return std::nullopt;
    date::year_month_day ymd { date::year(static_cast<int>(civil.year)), date::month(static_cast<unsigned>(civil.month)),
        date::day(static_cast<unsigned>(civil.day)) };
    if (!ymd.ok() || civil.hour > 23 || civil.minute > 59 || civil.second > 59)
        return std::nullopt;
    return civil;
}

} // namespace

std::string format(Date when, std::string_view pattern, Zone zone)
{
    if (zone == Zone::UTC)
        return formatCivil(utcCivil(when), pattern);
    std::tm tm {};
    if (!localTm(secondsSinceEpoch(when), tm))
        return {};
    return formatCivil(civilFromTm(tm), pattern);
}

std::optional<Date> parse(std::string_view text, std::string_view pattern, Zone zone)
{
    auto civil = parseCivil(text, pattern);
    if (!civil)
        return std::nullopt;
    if (zone == Zone::UTC) {
        date::year_month_day ymd { date::year(static_cast<int>(civil->year)), date::month(static_cast<unsigned>(civil->month)),
            date::day(static_cast<unsigned>(civil->day)) };
        int64_t days = date::sys_days(ymd).time_since_epoch().count();
        return dateFromSeconds(days * 86400 + civil->hour * 3600 + civil->minute * 60 + civil->second);
    }
    auto instants = localInstants(*civil);
    if (instants.empty())
        return std::nullopt;
    return dateFromSeconds(instants.front());
}

std::string shortDateTime(Date when)
{
    return format(when, "dd/MM/yyyy HH:mm", Zone::Local);
}

Date startOfLocalDay(Date when)
{
    int64_t seconds = secondsSinceEpoch(when);
    std::tm tm {};
    if (!localTm(seconds, tm))
        return when;
    CivilTime day = civilFromTm(tm);
    CivilTime midnight = day;
    midnight.hour = midnight.minute = midnight.second = 0;
    auto instants = localInstants(midnight);
    if (!instants.empty() && instants.front() <= seconds)
        return dateFromSeconds(instants.front()).value_or(when);

    // Midnight was skipped by a change of offset: the day starts at the first second that
    // shows its date. Dates only move forward across such a change, so a search halves.
    int64_t low = seconds - 50 * 3600; // shows an earlier day
    int64_t high = seconds;            // shows this day
    while (high - low > 1) {
        int64_t middle = low + (high - low) / 2;
        std::tm probe {};
        if (localTm(middle, probe) && !earlierDay(civilFromTm(probe), day))
            high = middle;
        else
            low = middle;
    }
    return dateFromSeconds(high).value_or(when);
}

int64_t localDayNumber(Date when)
{
    std::tm tm {};
    if (!localTm(secondsSinceEpoch(when), tm))
        return std::chrono::floor<date::days>(when).time_since_epoch().count();
    date::year_month_day ymd { date::year(tm.tm_year + 1900), date::month(static_cast<unsigned>(tm.tm_mon + 1)),
        date::day(static_cast<unsigned>(tm.tm_mday)) };
    return date::sys_days(ymd).time_since_epoch().count();
}

Date now()
{
    return std::chrono::system_clock::now();
}

} // namespace quindle::DateFormat
