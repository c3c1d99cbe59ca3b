#include "server/HistoryChart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace quindle {

namespace {

constexpr int chartWidth = 340, chartHeight = 190;
constexpr int left = 46, right = 12, top = 12, bottom = 34;
constexpr int plotWidth = chartWidth - left - right, plotHeight = chartHeight - top - bottom;
const char* const colours[] = { "#1e6fd9", "#d9480f", "#2b8a3e", "#862e9c", "#c2255c", "#087f5b" };

void appendNumber(std::string& out, double value)
{
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    if (ec == std::errc {})
        out.append(buffer, end);
    else
        out += '0';
}

/// A value label: whole numbers without a fraction, others with up to two decimals.
std::string label(double value)
{
    char buffer[32];
    if (std::fabs(value - std::round(value)) < 1e-9 && std::fabs(value) < 1e15)
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
    else
        std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

void escape(std::string& out, const std::string& text)
{
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
}

void text(std::string& out, double x, double y, const char* anchor, const std::string& content)
{
    out += "<text x=\"";
    appendNumber(out, x);
    out += "\" y=\"";
    appendNumber(out, y);
    out += "\" font-size=\"10\" fill=\"#444\" text-anchor=\"";
    out += anchor;
    out += "\">";
    escape(out, content);
    out += "</text>";
}

void line(std::string& out, double x1, double y1, double x2, double y2, const char* colour)
{
    out += "<line x1=\"";
    appendNumber(out, x1);
    out += "\" y1=\"";
    appendNumber(out, y1);
    out += "\" x2=\"";
    appendNumber(out, x2);
    out += "\" y2=\"";
    appendNumber(out, y2);
    out += "\" stroke=\"";
    out += colour;
    out += "\" stroke-width=\"1\"/>";
}

void chart(std::string& out, const HistoryChart::Series& series, const char* colour)
{
    const auto& all = series.points;
    double low = all.front().value, high = low;
    for (const auto& p : all) {
        low = std::min(low, p.value);
        high = std::max(high, p.value);
    }
    if (high - low < 1e-9) {
        low -= 1;
        high += 1;
    }
    const int64_t first = all.front().seconds, last = all.back().seconds;
    const double span = last > first ? double(last - first) : 1.0;
    auto xOf = [&](int64_t s) { return left + (all.size() == 1 ? plotWidth / 2.0 : double(s - first) / span * plotWidth); };
    // The lowest and highest values sit a little inside the plot, clear of the axis.
    constexpr double inset = 8;
    auto yOf = [&](double v) { return top + inset + (high - v) / (high - low) * (plotHeight - 2 * inset); };

    out += "<h3 style=\"margin:8px 0 2px 0;color:";
    out += colour;
    out += "\">";
    escape(out, series.name);
    out += "</h3><p style=\"margin:0;font-size:small\">";
    out += std::to_string(all.size());
    out += all.size() == 1 ? " value" : " values";
    out += ", latest ";
    escape(out, label(all.back().value));
    out += " on ";
    out += HistoryChart::dayText(last);
    out += "</p>";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(chartWidth) + "\" height=\"" + std::to_string(chartHeight)
        + "\" viewBox=\"0 0 " + std::to_string(chartWidth) + ' ' + std::to_string(chartHeight) + "\">";
    out += "<rect x=\"0\" y=\"0\" width=\"" + std::to_string(chartWidth) + "\" height=\"" + std::to_string(chartHeight) + "\" fill=\"#ffffff\"/>";
    // Grid and value labels at the bottom, middle and top.
    for (int i = 0; i <= 2; ++i) {
        const double v = low + (high - low) * i / 2.0;
        const double y = yOf(v);
        line(out, left, y, left + plotWidth, y, "#e4e4e4");
        text(out, left - 4, y + 3, "end", label(v));
    }
    line(out, left, top, left, top + plotHeight, "#888");
    line(out, left, top + plotHeight, left + plotWidth, top + plotHeight, "#888");
    // Date labels at the first, middle and last moments.
    const int64_t middle = first + (last - first) / 2;
    text(out, left, chartHeight - 18, "start", HistoryChart::dayText(first));
    if (last - first >= 2 * 86400)
        text(out, left + plotWidth / 2.0, chartHeight - 18, "middle", HistoryChart::dayText(middle));
    if (last != first)
        text(out, left + plotWidth, chartHeight - 18, "end", HistoryChart::dayText(last));
    text(out, left + plotWidth / 2.0, chartHeight - 4, "middle", "date");

    const std::vector<HistoryChart::Point> points = HistoryChart::thin(all, plotWidth);
    out += "<polyline fill=\"none\" stroke=\"";
    out += colour;
    out += "\" stroke-width=\"2\" points=\"";
    for (const auto& p : points) {
        appendNumber(out, xOf(p.seconds));
        out += ',';
        appendNumber(out, yOf(p.value));
        out += ' ';
    }
    out += "\"/>";
    // Dots only while they stay apart.
    if (points.size() <= 60) {
        for (const auto& p : points) {
            out += "<circle cx=\"";
            appendNumber(out, xOf(p.seconds));
            out += "\" cy=\"";
            appendNumber(out, yOf(p.value));
            out += "\" r=\"2.5\" fill=\"";
            out += colour;
            out += "\"/>";
        }
    }
    out += "</svg>";
}

} // namespace

bool HistoryChart::parseDate(const std::string& text, int64_t& seconds)
{
    static const char pattern[] = "dddd-dd-dd dd:dd:dd";
    if (text.size() != sizeof pattern - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == 'd' ? !digit : pattern[i] != text[i])
            return false;
    }
    auto num = [&](size_t at, size_t n) {
        int v = 0;
        for (size_t i = at; i < at + n; ++i)
            v = v * 10 + (text[i] - '0');
        return v;
    };
    int y = num(0, 4);
    const unsigned m = unsigned(num(5, 2)), d = unsigned(num(8, 2));
    const int hh = num(11, 2), mm = num(14, 2), ss = num(17, 2);
    if (m < 1 || m > 12 || d < 1 || d > 31 || hh > 23 || mm > 59 || ss > 60)
        return false;
    // Days from 1970-01-01 of a proleptic Gregorian date.
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = int64_t(era) * 146097 + int64_t(doe) - 719468;
    seconds = days * 86400 + hh * 3600 + mm * 60 + ss;
    return true;
}

std::string HistoryChart::dayText(int64_t seconds)
{
    int64_t z = (seconds >= 0 ? seconds : seconds - 86399) / 86400 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = int64_t(yoe) + era * 400 + (m <= 2);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    return buffer;
}

std::vector<HistoryChart::Point> HistoryChart::thin(const std::vector<Point>& points, int columns)
{
    if (columns < 1 || points.size() <= size_t(columns) * 2)
        return points;
    const int64_t first = points.front().seconds, last = points.back().seconds;
    const double span = last > first ? double(last - first) : 1.0;
    std::vector<Point> out;
    out.reserve(size_t(columns) * 2 + 2);
    size_t i = 0;
    while (i < points.size()) {
        const int column = std::min(columns - 1, int(double(points[i].seconds - first) / span * columns));
        size_t lowAt = i, highAt = i, j = i;
        for (; j < points.size() && std::min(columns - 1, int(double(points[j].seconds - first) / span * columns)) == column; ++j) {
            if (points[j].value < points[lowAt].value)
                lowAt = j;
            if (points[j].value > points[highAt].value)
                highAt = j;
        }
        out.push_back(points[std::min(lowAt, highAt)]);
        if (lowAt != highAt)
            out.push_back(points[std::max(lowAt, highAt)]);
        i = j;
    }
    return out;
}

std::string HistoryChart::page(const std::vector<Series>& series, const std::string& missing)
{
    std::string out;
    out.reserve(4096 + series.size() * 8192);
    out += "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><meta name=\"viewport\" content=\"width=device-width\">"
           "<title>Graph</title></head><body style=\"font-family:sans-serif;background:#ffffff\">";
    size_t shown = 0;
    for (const Series& s : series) {
        if (s.points.empty())
            continue;
        chart(out, s, colours[shown % (sizeof colours / sizeof colours[0])]);
        ++shown;
    }
    if (shown == 0) {
        out += "<p>No recorded numbers";
        if (!missing.empty()) {
            out += " for ";
            escape(out, missing);
        }
        out += "</p>";
    }
    out += "</body></html>";
    return out;
}

} // namespace quindle
