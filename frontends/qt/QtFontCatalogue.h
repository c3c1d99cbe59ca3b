#pragma once

#include "platform/Font.h"

#include <QFont>

namespace quindle::qt {

/// The fonts Qt has, named as stored content names them: a family ("DejaVu Sans") or a family
/// and a style joined by a dash ("DejaVu Sans-Bold", "Helvetica-BoldOblique"). One point of the
/// model is one logical pixel.
class QtFontCatalogue final : public FontCatalogue {
public:
    static constexpr const char* systemFontName = "System";

    std::vector<std::string> familyNames() const override;
    std::vector<std::string> fontNamesForFamily(const std::string& family) const override;
    std::optional<Font> fontWithName(const std::string& name, double size) const override;
    Font systemFont(double size) const override;
    Size measure(const std::string& text, const Font& font, Size box) const override;
};

/// The QFont for a font of the model. Names Qt does not have still give a font of the nearest
/// kind (sans serif, serif, monospace), weighted and slanted as the name's style says.
QFont toQFont(const Font& font);

} // namespace quindle::qt
