#include "frontends/qt/CarouselPainter.h"

#include "content/CarouselCell.h"
#include "frontends/qt/QtFontCatalogue.h"
#include "frontends/qt/QtImage.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <span>
#include <unordered_map>

namespace quindle::qt::carousel_painter {

namespace {

QColor toQColor(Colour c)
{
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green), static_cast<float>(c.blue), static_cast<float>(c.alpha));
}

/// A picture converted once to the raster engine's own format: drawing any other format under
/// a perspective transform converts it again on every frame.
struct Converted {
    QImage pixels;
    bool opaque { false };
};

bool isOpaque(const QImage& premultiplied)
{
    for (int y = 0; y < premultiplied.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(premultiplied.constScanLine(y));
        QRgb all = 0xff000000;
        for (int x = 0; x < premultiplied.width(); ++x)
            all &= line[x];
        if ((all >> 24) != 0xff)
            return false;
    }
    return true;
}

const Converted& premultiplied(const std::shared_ptr<const Image>& image)
{
    struct Entry {
        std::weak_ptr<const Image> source;
        Converted converted;
    };
    static std::unordered_map<const Image*, Entry> entries;
    auto found = entries.find(image.get());
    if (found != entries.end() && found->second.source.lock() == image)
        return found->second.converted;
    if (entries.size() > 2048)
        std::erase_if(entries, [](const auto& entry) { return entry.second.source.expired(); });
    auto& entry = entries[image.get()];
    QImage pixels = toQImage(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    bool opaque = isOpaque(pixels);
    entry = { image, { std::move(pixels), opaque } };
    return entry.converted;
}

/// The glyph outlines of a label's text, kept because building them costs more than filling them.
const QPainterPath& textPath(const QString& text, const Font& font)
{
    static std::unordered_map<QString, QPainterPath> paths;
    QString key = text + QChar(0) + QString::fromStdString(font.name) + QChar(0) + QString::number(font.pointSize);
    auto found = paths.find(key);
    if (found != paths.end())
        return found->second;
    if (paths.size() > 512)
        paths.clear();
    QFont qfont = toQFont(font);
    QFontMetricsF metrics(qfont);
    QPainterPath path;
    path.addText(0, 0, qfont, text);
    // Origin at the centre of the text's line box, so it is placed by its centre.
    path.translate(-metrics.horizontalAdvance(text) / 2, (metrics.ascent() - metrics.descent()) / 2);
    return paths.emplace(key, path).first->second;
}

QRectF fitted(QSizeF picture, QSizeF box, ContentMode mode)
{
    if (mode == ContentMode::ScaleToFill || picture.isEmpty())
        return { QPointF(0, 0), box };
    QSizeF size = picture;
    if (mode == ContentMode::AspectFit)
        size = picture.scaled(box, Qt::KeepAspectRatio);
    else if (mode == ContentMode::AspectFill)
        size = picture.scaled(box, Qt::KeepAspectRatioByExpanding);
    return { QPointF((box.width() - size.width()) / 2, (box.height() - size.height()) / 2), size };
}

/// A glyph's stroke or fill, drawn once at one scale and sub-pixel phase: filling a label's
/// stroked outline costs milliseconds, while the few glyphs labels use recur on every item.
class GlyphPictures {
public:
    struct Piece {
        QImage pixels;
        QPoint offset; // of the picture's top left from the glyph's origin pixel
    };

    const Piece& of(const QRawFont& font, quint32 glyph, QPointF phase, QSizeF scale, double strokeWidth, QColor colour, Qt::FillRule rule)
    {
        const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                                .arg(font.familyName())
                                .arg(font.pixelSize())
                                .arg(glyph)
                                .arg(phase.x())
                                .arg(phase.y())
                                .arg(scale.width())
                                .arg(scale.height())
                                .arg(strokeWidth)
                                .arg(colour.rgba())
            + QChar(rule == Qt::WindingFill ? 'w' : 'o');
        auto found = m_pieces.find(key);
        if (found != m_pieces.end())
            return found->second;
        if (m_pieces.size() > 4096)
            m_pieces.clear();
        QPainterPath outline = font.pathForGlyph(glyph);
        outline.setFillRule(rule);
        if (strokeWidth > 0)
            outline = QPainterPathStroker(QPen(colour, strokeWidth)).createStroke(outline);
        QTransform place = QTransform::fromTranslate(phase.x(), phase.y()).scale(scale.width(), scale.height());
        QRect bounds = place.mapRect(outline.boundingRect()).toAlignedRect().adjusted(-1, -1, 1, 1);
        Piece piece { QImage(bounds.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied), bounds.topLeft() };
        piece.pixels.fill(Qt::transparent);
        QPainter painter(&piece.pixels);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(-bounds.topLeft());
        painter.setTransform(place, true);
        painter.fillPath(outline, colour);
        return m_pieces.emplace(key, std::move(piece)).first->second;
    }

private:
    std::unordered_map<QString, Piece> m_pieces;
};

GlyphPictures& glyphPictures()
{
    static GlyphPictures shared;
    return shared;
}

/// Paints the label glyph by glyph from cached pictures: all strokes first, then all fills,
/// as stroking and then filling the whole outline does. Returns false when the painter's
/// transform is more than a scale and a shift, which the pictures cannot follow.
bool paintLabelGlyphs(QPainter& painter, const QString& text, const Font& font, QSizeF box, double strokeWidth, QColor stroke, QColor fill, bool filled)
{
    const QTransform device = painter.transform();
    if (device.type() > QTransform::TxScale)
        return false;
    QFont qfont = toQFont(font);
    QFontMetricsF metrics(qfont);
    QTextLayout layout(text, qfont);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid())
        return false;
    // Same placement as the outline path: centred on the box by its advance and line box.
    const QPointF origin(box.width() / 2 - metrics.horizontalAdvance(text) / 2, box.height() / 2 + (metrics.ascent() - metrics.descent()) / 2 - line.ascent());
    const QSizeF scale(device.m11(), device.m22());
    // The rule Qt gives text outlines, found once: building a label's whole outline is what
    // this avoids.
    static const Qt::FillRule rule = [] {
        QPainterPath probe;
        probe.addText(0, 0, QFont(), QStringLiteral("o"));
        return probe.fillRule();
    }();
    struct Placed {
        QRawFont font;
        quint32 glyph;
        QPoint pixel;
        QPointF phase;
    };
    std::vector<Placed> glyphs;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QList<quint32> indexes = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < indexes.size(); ++i) {
            QPointF at = device.map(origin + positions[i]);
            // Quarter-pixel phases: finer placement than the eye sees, few pictures per glyph.
            QPointF snapped(std::round(at.x() * 4) / 4, std::round(at.y() * 4) / 4);
            QPoint pixel(int(std::floor(snapped.x())), int(std::floor(snapped.y())));
            glyphs.push_back({ run.rawFont(), indexes[i], pixel, snapped - QPointF(pixel) });
        }
    }
    painter.save();
    painter.resetTransform();
    for (int pass = 0; pass < 2; ++pass) {
        bool strokes = pass == 0;
        if ((strokes && strokeWidth == 0) || (!strokes && !filled))
            continue;
        for (const Placed& placed : glyphs) {
            const auto& piece = glyphPictures().of(placed.font, placed.glyph, placed.phase, scale, strokes ? strokeWidth : 0, strokes ? stroke : fill, rule);
            painter.drawImage(placed.pixel + piece.offset, piece.pixels);
        }
    }
    painter.restore();
    return true;
}

void paintLabel(QPainter& painter, const Label& label, QSizeF box)
{
    if (label.isHidden() || label.text().empty())
        return;
    const QString text = QString::fromStdString(label.text());
    // A negative stroke width outlines and fills; the width is a percentage of the font size.
    double stroke = label.strokeWidth();
    double width = std::abs(stroke) / 100 * label.font().pointSize * 2;
    if (paintLabelGlyphs(painter, text, label.font(), box, stroke != 0 ? width : 0, toQColor(label.strokeColour()), toQColor(label.textColour()), stroke <= 0))
        return;
    const QPainterPath& path = textPath(text, label.font());
    painter.save();
    painter.translate(box.width() / 2, box.height() / 2);
    if (stroke != 0)
        painter.strokePath(path, QPen(toQColor(label.strokeColour()), width));
    if (stroke <= 0)
        painter.fillPath(path, toQColor(label.textColour()));
    painter.restore();
}

/// Draws the item in its own coordinates, from (0, 0) to (width, height).
void paintItem(QPainter& painter, const CarouselCell::ItemView& item, QSizeF size)
{
    const ImageView& imageView = *item.imageView();
    if (imageView.backgroundColour().alpha > 0)
        painter.fillRect(QRectF(QPointF(0, 0), size), toQColor(imageView.backgroundColour()));
    if (auto image = imageView.image()) {
        const QImage& picture = premultiplied(image).pixels;
        painter.drawImage(fitted(QSizeF(picture.size()), size, imageView.contentMode()), picture);
    } else {
        // No picture yet: a plain tile, so the item still has its place, edged so that tiles
        // a style stacks or overlaps (a style preview's placeholders) stay apart.
        painter.fillRect(QRectF(QPointF(0, 0), size), QColor(225, 225, 230));
        painter.save();
        painter.setPen(QPen(QColor(160, 160, 172), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(0.75, 0.75, size.width() - 1.5, size.height() - 1.5));
        painter.restore();
    }
    if (auto label = item.label())
        paintLabel(painter, *label, size);
}

/// Whether the item's drawing leaves no pixel of its box uncovered or translucent: an opaque
/// background, or an opaque picture filling the box. Labels only add to it.
bool coversItself(const CarouselCell::ItemView& item)
{
    const ImageView& view = *item.imageView();
    if (view.backgroundColour().alpha >= 1)
        return true;
    auto image = view.image();
    if (!image)
        return true; // the plain tile
    ContentMode mode = view.contentMode();
    return (mode == ContentMode::ScaleToFill || mode == ContentMode::AspectFill) && premultiplied(image).opaque;
}

/// What an item's drawing depends on; a texture is redrawn when any of it changes.
struct Look {
    std::shared_ptr<const Image> image;
    std::string imageName;
    std::string text;
    Colour background;
    Colour textColour;
    Colour strokeColour;
    double strokeWidth { 0 };
    Font font;
    ContentMode mode { ContentMode::ScaleToFill };
    QSize pixels;
    bool operator==(const Look&) const = default;
};

Look lookOf(const CarouselCell::ItemView& item, QSize pixels)
{
    const ImageView& view = *item.imageView();
    Look look { view.image(), view.imageName(), {}, view.backgroundColour(), {}, {}, 0, {}, view.contentMode(), pixels };
    if (auto label = item.label(); label && !label->isHidden()) {
        look.text = label->text();
        look.textColour = label->textColour();
        look.strokeColour = label->strokeColour();
        look.strokeWidth = label->strokeWidth();
        look.font = label->font();
    }
    return look;
}

/// Items drawn once at the screen's resolution and reused while they look the same: a frame
/// then costs one projected picture per item, not a picture, glyph outlines and a stroke.
class Textures {
public:
    const QImage& of(const CarouselItemViewPtr& view, const CarouselCell::ItemView& item, QSizeF size, double scale)
    {
        QSize pixels((size * scale).toSize().boundedTo(QSize(maxSide, maxSide)).expandedTo(QSize(1, 1)));
        Look look = lookOf(item, pixels);
        Entry& entry = m_entries[view.get()];
        entry.lastUsed = m_frame;
        if (entry.view.lock() != view || !(entry.look == look)) {
            entry.view = view;
            entry.look = std::move(look);
            if (entry.pixels.size() != pixels)
                entry.pixels = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            else
                entry.pixels.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
            entry.pixels.fill(Qt::transparent);
            {
                QPainter painter(&entry.pixels);
                painter.setRenderHint(QPainter::SmoothPixmapTransform);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.scale(pixels.width() / size.width(), pixels.height() / size.height());
                paintItem(painter, item, size);
            }
            // Opaque pictures are marked so: Qt then copies their pixels instead of blending
            // them, and they may hide the items behind.
            if (coversItself(item))
                entry.pixels.reinterpretAsFormat(QImage::Format_RGB32);
        }
        return entry.pixels;
    }

    /// Drops textures of views gone or unused for a while.
    void endFrame()
    {
        ++m_frame;
        if (m_entries.size() <= keep)
            return;
        std::erase_if(m_entries, [this](const auto& entry) {
            return entry.second.view.expired() || m_frame - entry.second.lastUsed > 2;
        });
    }

private:
    static constexpr int maxSide = 2048;
    static constexpr size_t keep = 96;
    struct Entry {
        std::weak_ptr<CarouselItemView> view;
        Look look;
        QImage pixels;
        uint64_t lastUsed { 0 };
    };
    std::unordered_map<const CarouselItemView*, Entry> m_entries;
    uint64_t m_frame { 0 };
};

Textures& textures()
{
    static Textures shared;
    return shared;
}

/// Whether the quad is a parallelogram to within a tenth of a screen pixel.
bool nearlyAffine(const QPolygonF& quad, double pixelsPerPoint)
{
    QPointF defect = quad[0] + quad[2] - quad[1] - quad[3];
    return std::abs(defect.x()) * pixelsPerPoint < 0.1 && std::abs(defect.y()) * pixelsPerPoint < 0.1;
}

/// Screen pixels a point under the painter's transform, in steps of a quarter so that slow
/// zooms do not redraw every texture on every frame.
double pixelsPerPoint(const QPainter& painter)
{
    QTransform device = painter.deviceTransform();
    double scale = std::sqrt(std::abs(device.determinant()));
    return std::clamp(std::ceil((std::isfinite(scale) && scale > 0 ? scale : 1) * 4) / 4, 0.25, 8.0);
}

/// Whether the point lies inside the convex quad by at least `margin` points, whichever way
/// round its corners run.
bool insideBy(const QPolygonF& quad, QPointF point, double margin)
{
    double sign = showsBack(quad) ? -1 : 1;
    for (int i = 0; i < 4; ++i) {
        QPointF a = quad[i], b = quad[(i + 1) % 4];
        QPointF edge = b - a;
        double length = std::hypot(edge.x(), edge.y());
        double cross = edge.x() * (point.y() - a.y()) - edge.y() * (point.x() - a.x());
        if (!(sign * cross >= margin * length))
            return false;
    }
    return true;
}

/// Whether every point lies well inside one of the opaque quads drawn later.
bool hidden(std::span<const QPointF> points, std::span<const QPolygonF> above, double margin)
{
    for (const QPolygonF& cover : above) {
        if (std::ranges::all_of(points, [&](QPointF p) { return insideBy(cover, p, margin); }))
            return true;
    }
    return false;
}

/// The affine map taking texture points a, b, c to screen points p, q, r.
QTransform triangleMap(QPointF a, QPointF b, QPointF c, QPointF p, QPointF q, QPointF r)
{
    // Texture to unit triangle, then unit triangle to screen.
    QTransform fromTexture(b.x() - a.x(), b.y() - a.y(), c.x() - a.x(), c.y() - a.y(), a.x(), a.y());
    QTransform toScreen(q.x() - p.x(), q.y() - p.y(), r.x() - p.x(), r.y() - p.y(), p.x(), p.y());
    bool invertible = false;
    QTransform unit = fromTexture.inverted(&invertible);
    return invertible ? unit * toScreen : QTransform();
}

/// Draws an opaque texture seen in perspective as a grid of affine patches, each through
/// Qt's unsmoothed image loops, many times faster than its projective or textured fills.
/// Neighbouring patches disagree by their cell's bend, kept under a screen pixel, so each
/// reaches a pixel into the next: the overlap repaints nearly the same colours, which only
/// an opaque, unfaded picture hides.
void drawInPatches(QPainter& painter, const QImage& texture, const QTransform& projection, QSizeF size, const QPolygonF& quad,
    double pixelsPerPoint, std::span<const QPolygonF> above, double margin)
{
    QPointF defect = quad[0] + quad[2] - quad[1] - quad[3];
    double bend = std::max(std::abs(defect.x()), std::abs(defect.y())) * pixelsPerPoint;
    const int cells = std::clamp(int(std::ceil(std::sqrt(bend))), above.empty() ? 1 : 4, 12);
    const int tw = texture.width(), th = texture.height();
    const QTransform base = painter.transform();
    // Cell edges on whole texels, so each patch copies whole source pixels.
    int xs[13], ys[13];
    for (int i = 0; i <= cells; ++i) {
        xs[i] = int(std::lround(double(tw) * i / cells));
        ys[i] = int(std::lround(double(th) * i / cells));
    }
    QPointF corners[13][13];
    for (int j = 0; j <= cells; ++j) {
        for (int i = 0; i <= cells; ++i)
            corners[j][i] = projection.map(QPointF(size.width() * xs[i] / tw, size.height() * ys[j] / th));
    }
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            const int x0 = xs[i], x1 = xs[i + 1], y0 = ys[j], y1 = ys[j + 1];
            if (x1 <= x0 || y1 <= y0)
                continue;
            const QPointF& p00 = corners[j][i];
            const QPointF& p10 = corners[j][i + 1];
            const QPointF& p01 = corners[j + 1][i];
            const QPointF cell[4] = { p00, p10, corners[j + 1][i + 1], p01 };
            if (hidden(cell, above, margin))
                continue;
            QPointF across = (p10 - p00) / (x1 - x0), down = (p01 - p00) / (y1 - y0);
            // A pixel of overlap into the next patch, in texels, except at the picture's edges.
            auto reach = [&](QPointF step) {
                double pixels = std::hypot(step.x(), step.y()) * pixelsPerPoint;
                return int(std::ceil(1 / std::max(pixels, 1e-3)));
            };
            const int right = i + 1 < cells ? std::min(reach(across), tw - x1) : 0;
            const int below = j + 1 < cells ? std::min(reach(down), th - y1) : 0;
            QTransform patch(across.x(), across.y(), down.x(), down.y(), p00.x() - across.x() * x0 - down.x() * y0,
                p00.y() - across.y() * x0 - down.y() * y0);
            painter.setTransform(patch * base);
            QRect source(x0, y0, x1 - x0 + right, y1 - y0 + below);
            painter.drawImage(source.topLeft(), texture, source);
        }
    }
    painter.setTransform(base);
}

/// Draws a texture seen in perspective as a grid of triangles, each mapped affinely: Qt fills
/// affine textures many times faster than projective ones. Triangles share exact corners, so
/// unsmoothed edges meet without gaps or overlaps; the grid is fine enough that the bend stays
/// under about a screen pixel.
void drawInTriangles(QPainter& painter, const QImage& texture, const QTransform& projection, QSizeF size, const QPolygonF& quad,
    double pixelsPerPoint, std::span<const QPolygonF> above, double margin)
{
    // The quad's departure from a parallelogram shrinks with the square of the cells per side.
    QPointF defect = quad[0] + quad[2] - quad[1] - quad[3];
    double bend = std::max(std::abs(defect.x()), std::abs(defect.y())) * pixelsPerPoint;
    // Under items above, finer cells let more of the hidden part go undrawn.
    const int cells = std::clamp(int(std::ceil(std::sqrt(bend / 2))), above.empty() ? 1 : 4, 8);
    const double tw = texture.width(), th = texture.height();
    QPointF corners[9][9];
    for (int j = 0; j <= cells; ++j) {
        for (int i = 0; i <= cells; ++i)
            corners[j][i] = projection.map(QPointF(size.width() * i / cells, size.height() * j / cells));
    }
    QBrush brush(texture);
    painter.setPen(Qt::NoPen);
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            QPointF t00(tw * i / cells, th * j / cells), t11(tw * (i + 1) / cells, th * (j + 1) / cells);
            QPointF t10(t11.x(), t00.y()), t01(t00.x(), t11.y());
            const QPointF& p00 = corners[j][i];
            const QPointF& p10 = corners[j][i + 1];
            const QPointF& p11 = corners[j + 1][i + 1];
            const QPointF& p01 = corners[j + 1][i];
            const QPointF upper[3] = { p00, p10, p11 };
            const QPointF lower[3] = { p00, p11, p01 };
            if (!hidden(upper, above, margin)) {
                brush.setTransform(triangleMap(t00, t10, t11, p00, p10, p11));
            painter.setBrush(brush);
                painter.drawConvexPolygon(upper, 3);
            }
            if (!hidden(lower, above, margin)) {
                brush.setTransform(triangleMap(t00, t11, t01, p00, p11, p01));
                painter.setBrush(brush);
                painter.drawConvexPolygon(lower, 3);
            }
        }
    }
}

struct Gesture {
    QPointF start;
    QPointF last;
    double lastTime { 0 };
    QPointF velocity;
    bool dragging { false };
};

std::unordered_map<const void*, Gesture>& gestures()
{
    static std::unordered_map<const void*, Gesture> active;
    return active;
}

/// How far a press may wander and still be a tap, in points.
constexpr double tapSlop = 8;
/// A release this long after the last move comes from a finger that stopped: no flick.
constexpr double restingTime = 0.1;

} // namespace

std::optional<QPolygonF> projectedQuad(const CarouselItemLayout& item, QPointF origin)
{
    if (!item.view)
        return std::nullopt;
    double hw = item.view->width() / 2;
    double hh = item.view->height() / 2;
    const Vector3 corners[4] = { { -hw, -hh, 0 }, { hw, -hh, 0 }, { hw, hh, 0 }, { -hw, hh, 0 } };
    QPolygonF quad;
    quad.reserve(4);
    for (const auto& corner : corners) {
        Vector4 v = item.transform.apply(corner);
        if (!(v.w > 0))
            return std::nullopt;
        quad << QPointF(origin.x() + item.center.x + v.x / v.w, origin.y() + item.center.y + v.y / v.w);
    }
    return quad;
}

bool showsBack(const QPolygonF& quad)
{
    double area = 0;
    for (int i = 0; i < quad.size(); ++i) {
        const QPointF& a = quad[i];
        const QPointF& b = quad[(i + 1) % quad.size()];
        area += a.x() * b.y() - b.x() * a.y();
    }
    return area < 0;
}

void paintLayouts(QPainter& painter, const std::vector<CarouselItemLayout>& items, const QRectF& rect, bool moving)
{
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    const double baseOpacity = painter.opacity();
    const QTransform base = painter.transform();
    const double scale = pixelsPerPoint(painter);
    // A point this far inside an opaque item is not touched by its smoothed edge.
    const double margin = 1.5 / scale;

    struct Shown {
        const CarouselItemLayout* item;
        const CarouselCell::ItemView* cell;
        QPolygonF quad;
        QTransform projection;
        bool flat;
        const QImage* texture;
    };
    std::vector<Shown> shown;
    shown.reserve(items.size());
    // Layouts come in depth order: the first is farthest and drawn first.
    for (const auto& item : items) {
        if (item.hidden || !item.view || !(item.alpha > 0))
            continue;
        auto quad = projectedQuad(item, rect.topLeft());
        if (!quad || (showsBack(*quad) && !item.view->isDoubleSided()))
            continue;
        double w = item.view->width();
        double h = item.view->height();
        if (!(w > 0 && h > 0))
            continue;
        QPolygonF square;
        square << QPointF(0, 0) << QPointF(w, 0) << QPointF(w, h) << QPointF(0, h);
        QTransform projection;
        if (!QTransform::quadToQuad(square, *quad, projection))
            continue; // seen edge-on
        bool flat = nearlyAffine(*quad, scale);
        if (flat) {
            // Qt draws affine pictures many times faster than projective ones, and items that
            // only move, scale or turn in the screen's plane need no more.
            const QPolygonF& q = *quad;
            projection = QTransform((q[1].x() - q[0].x()) / w, (q[1].y() - q[0].y()) / w, (q[3].x() - q[0].x()) / h,
                (q[3].y() - q[0].y()) / h, q[0].x(), q[0].y());
        }
        auto* cellItem = dynamic_cast<const CarouselCell::ItemView*>(item.view.get());
        if (cellItem && cellItem->imageView()->isHidden())
            continue;
        const QImage* texture = cellItem ? &textures().of(item.view, *cellItem, QSizeF(w, h), scale) : nullptr;
        shown.push_back({ &item, cellItem, std::move(*quad), projection, flat, texture });
    }

    // Opaque, unfaded items hide what lies wholly behind them; the quads drawn after each item.
    std::vector<QPolygonF> covers;
    std::vector<size_t> coversAbove(shown.size());
    for (size_t i = shown.size(); i-- > 0;) {
        coversAbove[i] = covers.size();
        const Shown& s = shown[i];
        if (s.texture && !s.texture->hasAlphaChannel() && s.item->alpha >= 1 && baseOpacity >= 1)
            covers.push_back(s.quad);
    }

    for (size_t i = 0; i < shown.size(); ++i) {
        const Shown& s = shown[i];
        std::span<const QPolygonF> above(covers.data(), coversAbove[i]);
        if (hidden(std::span<const QPointF>(s.quad.constData(), 4), above, margin))
            continue;
        const double w = s.item->view->width();
        const double h = s.item->view->height();
        painter.setOpacity(baseOpacity * std::min(s.item->alpha, 1.0));
        if (!s.flat && moving && s.texture) {
            // In motion the perspective is drawn piecewise affine and unsmoothed; at rest Qt's
            // exact projective drawing with smoothing takes over.
            painter.setTransform(base);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.setRenderHint(QPainter::Antialiasing, false);
            if (!s.texture->hasAlphaChannel() && s.item->alpha >= 1 && baseOpacity >= 1)
                drawInPatches(painter, *s.texture, s.projection, QSizeF(w, h), s.quad, scale, above, margin);
            else
                drawInTriangles(painter, *s.texture, s.projection, QSizeF(w, h), s.quad, scale, above, margin);
            painter.setRenderHint(QPainter::Antialiasing, true);
            continue;
        }
        // Unsmoothed and unantialiased, Qt draws a turned or scaled picture with its own fast
        // loops; in motion the difference does not show.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, !moving);
        painter.setRenderHint(QPainter::Antialiasing, !moving);
        painter.setTransform(s.projection * base);
        if (!s.texture)
            painter.fillRect(QRectF(0, 0, w, h), QColor(200, 200, 200));
        else
            painter.drawImage(QRectF(0, 0, w, h), *s.texture, QRectF(s.texture->rect()));
    }
    textures().endFrame();
    painter.restore();
}

void paint(QPainter& painter, CarouselView& carousel, const QRectF& rect)
{
    bool moving = carousel.isScrolling() || carousel.isDecelerating() || carousel.isDragging() || carousel.autoscroll() != 0;
    paintLayouts(painter, carousel.layoutFrame(), rect, moving);
}

QRectF carouselArea(const CarouselCell& cell)
{
    const auto& bounding = cell.boundingView();
    if (!bounding)
        return {};
    Rect frame = bounding->frame();
    QPointF origin(frame.x, frame.y);
    for (auto parent = bounding->superview(); parent && parent.get() != &cell; parent = parent->superview())
        origin += QPointF(parent->frame().x, parent->frame().y);
    return { origin, QSizeF(frame.width, frame.height) };
}

bool handlePointer(CarouselView& carousel, const void* gestureKey, const PointerEvent& event, QPointF origin)
{
    auto& active = gestures();
    auto found = active.find(gestureKey);
    switch (event.phase) {
    case PointerEvent::Phase::Press: {
        Gesture gesture { event.location, event.location, event.time, {}, false };
        // A touch on a moving carousel catches it and selects nothing.
        if (carousel.isScrolling() || carousel.isDecelerating()) {
            carousel.beginDrag(event.time);
            gesture.dragging = true;
        }
        active[gestureKey] = gesture;
        return true;
    }
    case PointerEvent::Phase::Move: {
        if (found == active.end())
            return false;
        Gesture& gesture = found->second;
        QPointF moved = event.location - gesture.start;
        if (!gesture.dragging && std::hypot(moved.x(), moved.y()) > tapSlop) {
            carousel.beginDrag(event.time);
            gesture.dragging = true;
        }
        double dt = event.time - gesture.lastTime;
        if (dt > 0) {
            QPointF instant = (event.location - gesture.last) / dt;
            gesture.velocity = gesture.velocity.isNull() ? instant : instant * 0.8 + gesture.velocity * 0.2;
        }
        gesture.last = event.location;
        gesture.lastTime = event.time;
        if (gesture.dragging)
            carousel.dragTo({ moved.x(), moved.y() }, event.time);
        return true;
    }
    case PointerEvent::Phase::Release:
    case PointerEvent::Phase::Cancel: {
        if (found == active.end())
            return false;
        Gesture gesture = found->second;
        active.erase(found);
        if (gesture.dragging) {
            bool flick = event.phase == PointerEvent::Phase::Release && event.time - gesture.lastTime < restingTime;
            QPointF velocity = flick ? gesture.velocity : QPointF();
            carousel.endDrag({ velocity.x(), velocity.y() }, event.time);
        } else if (event.phase == PointerEvent::Phase::Release) {
            QPointF at = event.location - origin;
            carousel.didTap({ at.x(), at.y() }, event.time);
        }
        return true;
    }
    }
    return false;
}

bool step(CarouselView& carousel, double now)
{
    carousel.step(now);
    bool autoscrolling = carousel.autoscroll() != 0 && carousel.numberOfItems() > 0 && !carousel.isDragging();
    return carousel.isScrolling() || carousel.isDecelerating() || autoscrolling;
}

void registerHandlers()
{
    ViewHandlers handlers;
    handlers.paint = [](QPainter& painter, View& view, const QRectF& rect) {
        auto* cell = dynamic_cast<CarouselCell*>(&view);
        if (!cell || !cell->carousel())
            return;
        QRectF area = carouselArea(*cell).translated(rect.topLeft());
        painter.save();
        painter.setClipRect(area, Qt::IntersectClip);
        paint(painter, *cell->carousel(), area);
        painter.restore();
    };
    handlers.pointer = [](View& view, const PointerEvent& event) {
        auto* cell = dynamic_cast<CarouselCell*>(&view);
        if (!cell || !cell->carousel())
            return false;
        return handlePointer(*cell->carousel(), cell, event, carouselArea(*cell).topLeft());
    };
    handlers.step = [](View& view, double now) {
        auto* cell = dynamic_cast<CarouselCell*>(&view);
        return cell && cell->carousel() && step(*cell->carousel(), now);
    };
    ViewRegistry::shared().add<CarouselCell>(std::move(handlers));
}

} // namespace quindle::qt::carousel_painter
