#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quindle {

/// A font by name and size in points.
struct Font {
    std::string name;
    double pointSize { 14 };
    bool operator==(const Font&) const = default;
};

struct Size {
    double width { 0 };
    double height { 0 };
    bool operator==(const Size&) const = default;
};

/// The platform's fonts and text measurement. The built-in one knows a fixed family list and
/// measures in monospace cells; the Qt front end installs the real one.
class FontCatalogue {
public:
    virtual ~FontCatalogue() = default;
    virtual std::vector<std::string> familyNames() const = 0;
    virtual std::vector<std::string> fontNamesForFamily(const std::string& family) const = 0;
    /// The font, or nothing when no font of that name is known.
    virtual std::optional<Font> fontWithName(const std::string& name, double size) const = 0;
    virtual Font systemFont(double size) const = 0;
    /// The size of the text wrapped at word boundaries within the box.
    virtual Size measure(const std::string& text, const Font& font, Size box) const = 0;

    /// The installed catalogue (the built-in one until a front end replaces it).
    static FontCatalogue& current();
    /// Replaces the installed catalogue; null puts the built-in one back. References handed
    /// out by current() stay valid.
    static void install(std::shared_ptr<FontCatalogue> catalogue);
};

} // namespace quindle
