#include "frontends/qt/CarouselPainterSupport.h"

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
#include <unordered_map>

namespace quindle::qt::carousel_painter::support {

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

} // namespace

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

} // namespace quindle::qt::carousel_painter::support
