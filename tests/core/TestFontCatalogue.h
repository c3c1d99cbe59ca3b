#pragma once

// A font catalogue with a fixed font list and a simple, predictable measurement: every
// character is half the point size wide, every line 1.2 times the point size tall, lines
// broken at blanks.

#include "platform/Font.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace quindle::test {

class TestFontCatalogue final : public FontCatalogue {
public:
    std::vector<std::string> familyNames() const override { return { "Courier", "Helvetica" }; }
    std::vector<std::string> fontNamesForFamily(const std::string& family) const override { return { family }; }
    std::optional<Font> fontWithName(const std::string& name, double size) const override
    {
        if (name == "Courier" || name == "Helvetica" || name == "Helvetica-Bold")
            return Font { name, size };
        return std::nullopt;
    }
    Font systemFont(double size) const override { return Font { "System", size }; }
    Size measure(const std::string& text, const Font& font, Size box) const override
    {
        if (text.empty())
            return {};
        double charWidth = font.pointSize * 0.5;
        size_t perLine = std::max<size_t>(1, static_cast<size_t>(box.width / std::max(charWidth, 0.01)));
        std::istringstream words(text);
        std::string word;
        size_t lines = 1, used = 0, widest = 0;
        while (words >> word) {
            size_t need = used == 0 ? word.size() : used + 1 + word.size();
            if (need > perLine && used > 0) {
                ++lines;
                used = word.size();
            } else {
                used = need;
            }
            widest = std::max(widest, std::min(used, perLine));
        }
        double height = std::min(box.height, lines * font.pointSize * 1.2);
        return { widest * charWidth, height };
    }
};

} // namespace quindle::test
