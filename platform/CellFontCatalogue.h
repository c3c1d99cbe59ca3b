#pragma once

#include "platform/Font.h"

namespace quindle {

/// The built-in font catalogue: a small fixed family list and text measured in monospace
/// cells, so layout works (and is predictable in tests) without any font files.
class CellFontCatalogue final : public FontCatalogue {
public:
    /// Width of one character cell, per point of font size.
    static constexpr double cellWidthPerPoint = 0.6;
    /// Height of one line, per point of font size.
    static constexpr double lineHeightPerPoint = 1.2;
    /// The name of the system font; known to fontWithName but listed in no family.
    static constexpr const char* systemFontName = "System";

    static std::shared_ptr<CellFontCatalogue> create();

    std::vector<std::string> familyNames() const override;
    std::vector<std::string> fontNamesForFamily(const std::string& family) const override;
    std::optional<Font> fontWithName(const std::string& name, double size) const override;
    Font systemFont(double size) const override;
    /// Greedy word wrap within box.width: words longer than a line are broken, "\n" starts a
    /// new line (an empty one too), "\r" takes no room. The height is cut at box.height; the
    /// width is that of the widest line that shows. Empty text measures zero.
    Size measure(const std::string& text, const Font& font, Size box) const override;
};

} // namespace quindle
