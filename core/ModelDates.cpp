#include "core/Model.h"

#include <cmath>

namespace quindle {

// Server dates.

std::string Model::ServerDateFormatter::stringFromDate(Date date) const
{
    return DateFormat::format(date, pattern, zone);
}

std::optional<Date> Model::ServerDateFormatter::dateFromString(std::string_view text) const
{
    return DateFormat::parse(text, pattern, zone);
}

Model::ServerDateFormatter Model::serverDateFormatter()
{
    return ServerDateFormatter {};
}

std::string Model::serverDateStringForDate(Date date)
{
    return serverDateFormatter().stringFromDate(date);
}

std::optional<Date> Model::dateFromServerDateString(std::string_view text)
{
    return serverDateFormatter().dateFromString(text);
}

long Model::daysBetweenDate(Date first, Date second)
{
    // Calendar days may be 23 or 25 hours long across a daylight-saving change.
    auto span = DateFormat::startOfLocalDay(second) - DateFormat::startOfLocalDay(first);
    double hours = std::chrono::duration<double, std::ratio<3600>>(span).count();
    return std::lround(hours / 24.0);
}

long Model::hoursBetween(Date first, Date second)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::hours>(second - first).count()) + 1;
}

void Model::updateAsset(const AssetRecord& record, Date date)
{
    if (!record)
        return;
    std::optional<Date> start = asset::startDate(record);
    std::optional<Date> end = asset::endDate(record);
    std::string text = serverDateStringForDate(date);
    if (start && date < *start)
        record->set("startDate", text);
    if (!end || date > *end)
        record->set("endDate", text);
    record->set("date", text);
}

} // namespace quindle
