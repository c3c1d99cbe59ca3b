#include "frontends/qt/QtFontCatalogue.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace quindle::qt {

namespace {

/// Families stored content names that machines seldom have; Qt stands in with a font of the
/// same kind, so they count as known.
struct Classic {
    const char* name;
    QFont::StyleHint hint;
};
constexpr Classic classics[] = {
    { "Helvetica", QFont::SansSerif },
    { "Courier", QFont::TypeWriter },
    { "Georgia", QFont::Serif },
    { "Times New Roman", QFont::Serif },
    { "TimesNewRomanPS", QFont::Serif },
    { "TimesNewRomanPSMT", QFont::Serif },
};

const Classic* classic(const QString& family)
{
    for (const auto& entry : classics) {
        if (family.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

bool installedFamily(const QString& family)
{
    return QFontDatabase::hasFamily(family) && QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

/// A style as it appears after the dash: "Bold Oblique" becomes "BoldOblique".
QString compactStyle(const QString& style)
{
    QString compact = style;
    compact.remove(QLatin1Char(' '));
    return compact;
}

bool plainStyle(const QString& style)
{
    static const QStringList plain { "Regular", "Book", "Normal", "Roman", "Medium" };
    return plain.contains(compactStyle(style), Qt::CaseInsensitive);
}

/// The family and style a name holds: "Family-Style", or "Family Style" with a known style word.
std::pair<QString, QString> split(const QString& name)
{
    int dash = name.lastIndexOf(QLatin1Char('-'));
    if (dash > 0)
        return { name.left(dash), name.mid(dash + 1) };
    static const QStringList styleWords { "Bold", "Italic", "Oblique", "BoldItalic", "BoldOblique", "Light" };
    int space = name.lastIndexOf(QLatin1Char(' '));
    if (space > 0 && styleWords.contains(name.mid(space + 1), Qt::CaseInsensitive))
        return { name.left(space), name.mid(space + 1) };
    return { name, QString() };
}

void applyStyle(QFont& font, const QString& style)
{
    if (style.contains(QLatin1String("Bold"), Qt::CaseInsensitive))
        font.setWeight(QFont::Bold);
    else if (style.contains(QLatin1String("Light"), Qt::CaseInsensitive))
        font.setWeight(QFont::Light);
    font.setItalic(style.contains(QLatin1String("Italic"), Qt::CaseInsensitive) || style.contains(QLatin1String("Oblique"), Qt::CaseInsensitive));
}

void applySize(QFont& font, double size)
{
    // Pixel sizes are whole; a point of the model is a logical pixel on every screen.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(std::isfinite(size) ? size : 14))));
}

} // namespace

QFont toQFont(const Font& font)
{
    QFont result;
    if (font.name.empty() || font.name == QtFontCatalogue::systemFontName) {
        result = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    } else {
        QString name = QString::fromStdString(font.name);
        auto [family, style] = installedFamily(name) ? std::pair { name, QString() } : split(name);
        result = QFont(family);
        if (const Classic* known = classic(family))
            result.setStyleHint(known->hint);
        applyStyle(result, style);
    }
    applySize(result, font.pointSize);
    return result;
}

std::vector<std::string> QtFontCatalogue::familyNames() const
{
    std::vector<std::string> names;
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(family))
            names.push_back(family.toStdString());
    }
    return names;
}

std::vector<std::string> QtFontCatalogue::fontNamesForFamily(const std::string& family) const
{
    QString name = QString::fromStdString(family);
    if (!installedFamily(name))
        return {};
    std::vector<std::string> fonts { family };
    for (const QString& style : QFontDatabase::styles(name)) {
        if (!plainStyle(style))
            fonts.push_back(family + "-" + compactStyle(style).toStdString());
    }
    return fonts;
}

std::optional<Font> QtFontCatalogue::fontWithName(const std::string& name, double size) const
{
    if (name == systemFontName)
        return Font { name, size };
    QString qname = QString::fromStdString(name);
    if (qname.isEmpty())
        return std::nullopt;
    if (installedFamily(qname) || classic(qname))
        return Font { name, size };
    auto [family, style] = split(qname);
    if (style.isEmpty())
        return std::nullopt;
    if (classic(family)) {
        static const QStringList classicStyles { "Bold", "Italic", "Oblique", "BoldItalic", "BoldOblique", "Roman", "BoldMT", "ItalicMT", "BoldItalicMT" };
        return classicStyles.contains(style, Qt::CaseInsensitive) ? std::optional(Font { name, size }) : std::nullopt;
    }
    if (!installedFamily(family))
        return std::nullopt;
    for (const QString& known : QFontDatabase::styles(family)) {
        if (compactStyle(known).compare(compactStyle(style), Qt::CaseInsensitive) == 0)
            return Font { name, size };
    }
    return std::nullopt;
}

Font QtFontCatalogue::systemFont(double size) const
{
    return Font { systemFontName, size };
}

Size QtFontCatalogue::measure(const std::string& text, const Font& font, Size box) const
{
    if (text.empty() || !(font.pointSize > 0))
        return {};
    QFontMetricsF metrics(toQFont(font));
    // Text taller than the box is cut at its bottom, as the built-in catalogue does.
    double width = box.width > 0 ? box.width : 1;
    double height = std::max(box.height, 0.0);
    QRectF used = metrics.boundingRect(QRectF(0, 0, width, 1e7), Qt::TextWordWrap, QString::fromStdString(text));
    // A word longer than the box runs past it and is cut at its edge.
    return { std::min(std::ceil(used.width()), width), std::min(std::ceil(used.height()), height) };
}

} // namespace quindle::qt
