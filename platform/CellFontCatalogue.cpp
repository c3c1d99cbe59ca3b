#include "platform/CellFontCatalogue.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace quindle {

namespace {

struct Family {
    const char* name;
    std::vector<std::string> fonts;
};

const std::vector<Family>& families()
{
    static const std::vector<Family> list {
        { "Courier", { "Courier", "Courier-Bold", "Courier-Oblique", "Courier-BoldOblique" } },
        { "Georgia", { "Georgia", "Georgia-Bold", "Georgia-Italic", "Georgia-BoldItalic" } },
        { "Helvetica", { "Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique" } },
        { "Times New Roman",
            { "TimesNewRomanPSMT", "TimesNewRomanPS-BoldMT", "TimesNewRomanPS-ItalicMT", "TimesNewRomanPS-BoldItalicMT" } },
    };
    return list;
}

/// Character cells of a run of UTF-8: one per code point, none for a carriage return.
size_t cellCount(std::string_view text)
{
    size_t cells = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80 && c != '\r')
            ++cells;
    }
    return cells;
}

/// Appends the line lengths (in cells) of one paragraph wrapped at the column count.
void wrapParagraph(std::string_view paragraph, size_t columns, std::vector<size_t>& lines)
{
    size_t current = 0;
    bool lineStarted = false;
    auto placeAtLineStart = [&](size_t length) {
        while (length > columns) {
            lines.push_back(columns);
            length -= columns;
        }
        current = length;
        lineStarted = true;
    };
    size_t start = 0;
    while (start <= paragraph.size()) {
        size_t end = paragraph.find(' ', start);
        if (end == std::string_view::npos)
            end = paragraph.size();
        size_t length = cellCount(paragraph.substr(start, end - start));
        if (!lineStarted) {
            placeAtLineStart(length);
        } else if (current + 1 + length <= columns) {
            current += 1 + length;
        } else if (length == 0) {
            // A blank that does not fit hangs past the edge instead of opening a line.
        } else {
            lines.push_back(current);
            placeAtLineStart(length);
        }
        start = end + 1;
    }
    lines.push_back(current);
}

} // namespace

std::shared_ptr<CellFontCatalogue> CellFontCatalogue::create()
{
    return std::make_shared<CellFontCatalogue>();
}

std::vector<std::string> CellFontCatalogue::familyNames() const
{
    std::vector<std::string> names;
    for (const auto& family : families())
        names.emplace_back(family.name);
    return names;
}

std::vector<std::string> CellFontCatalogue::fontNamesForFamily(const std::string& family) const
{
    for (const auto& entry : families()) {
        if (family == entry.name)
            return entry.fonts;
    }
    return {};
}

std::optional<Font> CellFontCatalogue::fontWithName(const std::string& name, double size) const
{
    if (name == systemFontName)
        return Font { name, size };
    for (const auto& family : families()) {
        if (std::find(family.fonts.begin(), family.fonts.end(), name) != family.fonts.end())
            return Font { name, size };
    }
    return std::nullopt;
}

Font CellFontCatalogue::systemFont(double size) const
{
    return Font { systemFontName, size };
}

Size CellFontCatalogue::measure(const std::string& text, const Font& font, Size box) const
{
    if (text.empty() || !(font.pointSize > 0) || !std::isfinite(font.pointSize))
        return {};
    const double cell = font.pointSize * cellWidthPerPoint;
    const double lineHeight = font.pointSize * lineHeightPerPoint;

    // Even a box narrower than one cell shows one character a line.
    constexpr double mostColumns = 1e9;
    double fitting = box.width / cell;
    size_t columns = 1;
    if (fitting >= mostColumns)
        columns = static_cast<size_t>(mostColumns);
    else if (fitting >= 1)
        columns = static_cast<size_t>(std::floor(fitting));

    std::vector<size_t> lines;
    std::string_view rest(text);
    while (true) {
        size_t newline = rest.find('\n');
        wrapParagraph(rest.substr(0, newline), columns, lines);
        if (newline == std::string_view::npos)
            break;
        rest.remove_prefix(newline + 1);
    }

    const double limit = box.height > 0 ? box.height : 0;
    double height = std::min(static_cast<double>(lines.size()) * lineHeight, limit);
    size_t widest = 0;
    for (size_t i = 0; i < lines.size() && static_cast<double>(i) * lineHeight < limit; ++i)
        widest = std::max(widest, lines[i]);
    return Size { static_cast<double>(widest) * cell, height };
}

} // namespace quindle
