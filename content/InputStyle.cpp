#include "content/InputStyle.h"

#include <charconv>
#include <string>
#include <vector>

namespace quindle {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

std::optional<double> number(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<Colour> colour(std::string_view text)
{
    auto parts = split(text, ',');
    if (parts.size() < 3)
        return std::nullopt;
    auto r = number(parts[0]), g = number(parts[1]), b = number(parts[2]);
    if (!r || !g || !b)
        return std::nullopt;
    return Colour::fromRGB(*r, *g, *b);
}

} // namespace

std::optional<InputStyle> InputStyle::fromOptions(std::string_view options)
{
    auto parts = split(options, ':');
    if (parts.size() < 4)
        return std::nullopt;
    int size = 0;
    auto sizeText = parts[1];
    auto [end, error] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), size);
    if (error != std::errc() || end != sizeText.data() + sizeText.size() || size <= 0)
        return std::nullopt;
    auto text = colour(parts[2]);
    auto background = colour(parts[3]);
    if (!text || !background)
        return std::nullopt;
    std::string name(parts[0]);
    auto& catalogue = FontCatalogue::current();
    Font font = catalogue.fontWithName(name, size).value_or(catalogue.systemFont(size));
    return InputStyle { font, *text, *background };
}

} // namespace quindle
