#include "core/Model.h"

#include <algorithm>
#include <cstdlib>

namespace quindle {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

// The integer value of the leading digits (an optional sign allowed); 0 when there are none.
long leadingInteger(std::string_view text)
{
    std::string copy(text);
    return std::strtol(copy.c_str(), nullptr, 10);
}

double leadingDouble(std::string_view text)
{
    std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}

std::optional<Colour> colourFromComponent(std::string_view component)
{
    std::vector<std::string_view> parts = split(component, ',');
    if (parts.size() < 3)
        return std::nullopt;
    return Colour::fromRGB(leadingDouble(parts[0]), leadingDouble(parts[1]), leadingDouble(parts[2]), 1);
}

std::optional<Colour> colourFromOptions(std::string_view options, size_t index)
{
    std::vector<std::string_view> parts = split(options, ':');
    if (parts.size() != 4 || parts[0] == "(null)")
        return std::nullopt;
    return colourFromComponent(parts[index]);
}

bool mayCarryFont(const std::vector<std::string_view>& parts)
{
    return parts.size() >= 2 && parts[0] != "(null)";
}

} // namespace

// Display options.

std::string Model::fontNameFromOptions(std::string_view options) const
{
    std::vector<std::string_view> parts = split(options, ':');
    return mayCarryFont(parts) ? std::string(parts[0]) : std::string {};
}

std::string Model::fontSizeFromOptions(std::string_view options) const
{
    std::vector<std::string_view> parts = split(options, ':');
    return mayCarryFont(parts) ? std::string(parts[1]) : std::string {};
}

std::optional<Font> Model::fontFromOptions(std::string_view options) const
{
    std::vector<std::string_view> parts = split(options, ':');
    if (!mayCarryFont(parts))
        return std::nullopt;
    return FontCatalogue::current().fontWithName(std::string(parts[0]), static_cast<double>(leadingInteger(parts[1])));
}

std::optional<Colour> Model::textColourFromOptions(std::string_view options) const
{
    return colourFromOptions(options, 2);
}

std::optional<Colour> Model::backgroundColourFromOptions(std::string_view options) const
{
    return colourFromOptions(options, 3);
}

void Model::updateDefaultOptions(std::string_view options)
{
    std::optional<Font> font = fontFromOptions(options);
    std::optional<Colour> text = textColourFromOptions(options);
    std::optional<Colour> background = backgroundColourFromOptions(options);
    std::lock_guard lock(m_mutex);
    if (font)
        m_defaultFont = font;
    if (text)
        m_defaultTextColour = text;
    if (background)
        m_defaultBackgroundColour = background;
}

Font Model::defaultFont() const
{
    {
        std::lock_guard lock(m_mutex);
        if (m_defaultFont)
            return *m_defaultFont;
    }
    return FontCatalogue::current().systemFont(fallbackFontSize);
}

Colour Model::defaultTextColour() const
{
    std::lock_guard lock(m_mutex);
    return m_defaultTextColour.value_or(Colour::black());
}

Colour Model::defaultBackgroundColour() const
{
    std::lock_guard lock(m_mutex);
    return m_defaultBackgroundColour.value_or(Colour::white());
}

Font Model::fontForAsset(const AssetRecord& record) const
{
    if (auto options = asset::options(record)) {
        if (auto font = fontFromOptions(*options))
            return *font;
    }
    return defaultFont();
}

Colour Model::textColourForAsset(const AssetRecord& record) const
{
    if (auto options = asset::options(record)) {
        if (auto colour = textColourFromOptions(*options))
            return *colour;
    }
    return defaultTextColour();
}

Colour Model::backgroundColourForAsset(const AssetRecord& record) const
{
    if (auto options = asset::options(record)) {
        if (auto colour = backgroundColourFromOptions(*options))
            return *colour;
    }
    return defaultBackgroundColour();
}

double Model::heightForAsset(const AssetRecord& record, double width) const
{
    static constexpr double horizontalInset = 34;
    static constexpr double boxHeight = 1000;
    static constexpr double verticalPadding = 10;
    static constexpr double minimumHeight = 42;
    Size measured = FontCatalogue::current().measure(asset::text(record), fontForAsset(record),
        Size { width - horizontalInset, boxHeight });
    return std::max(measured.height + verticalPadding, minimumHeight);
}

} // namespace quindle
