#include "frontends/qt/CarouselPainter.h"

#include "content/CarouselCell.h"
#include "frontends/qt/QtFontCatalogue.h"
#include "frontends/qt/QtImage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <cmath>
#include <unordered_map>

namespace quindle::qt::carousel_painter {

namespace {

QColor toQColor(Colour c)
{
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green), static_cast<float>(c.blue), static_cast<float>(c.alpha));
}

/// Pictures converted once to the raster engine's own format: drawing any other format under
/// a perspective transform converts it again on every frame.
const QImage& premultiplied(const std::shared_ptr<const Image>& image)
{
    struct Entry {
        std::weak_ptr<const Image> source;
        QImage converted;
    };
    static std::unordered_map<const Image*, Entry> entries;
    auto found = entries.find(image.get());
    if (found != entries.end() && found->second.source.lock() == image)
        return found->second.converted;
    if (entries.size() > 2048)
        std::erase_if(entries, [](const auto& entry) { return entry.second.source.expired(); });
    auto& entry = entries[image.get()];
    entry = { image, toQImage(image).convertToFormat(QImage::Format_ARGB32_Premultiplied) };
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

void paintLabel(QPainter& painter, const Label& label, QSizeF box)
{
    if (label.isHidden() || label.text().empty())
        return;
    const QPainterPath& path = textPath(QString::fromStdString(label.text()), label.font());
    painter.save();
    painter.translate(box.width() / 2, box.height() / 2);
    // A negative stroke width outlines and fills; the width is a percentage of the font size.
    double stroke = label.strokeWidth();
    if (stroke != 0) {
        painter.strokePath(path, QPen(toQColor(label.strokeColour()), std::abs(stroke) / 100 * label.font().pointSize * 2));
    }
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
        const QImage& picture = premultiplied(image);
        painter.drawImage(fitted(QSizeF(picture.size()), size, imageView.contentMode()), picture);
    } else {
        // No picture yet: a plain tile, so the item still has its place.
        painter.fillRect(QRectF(QPointF(0, 0), size), QColor(225, 225, 230));
    }
    if (auto label = item.label())
        paintLabel(painter, *label, size);
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
            entry.pixels.fill(Qt::transparent);
            QPainter painter(&entry.pixels);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(pixels.width() / size.width(), pixels.height() / size.height());
            paintItem(painter, item, size);
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
        painter.setRenderHint(QPainter::SmoothPixmapTransform, flat || !moving);
        painter.setTransform(projection * base);
        painter.setOpacity(baseOpacity * std::min(item.alpha, 1.0));
        auto* cellItem = dynamic_cast<const CarouselCell::ItemView*>(item.view.get());
        if (!cellItem) {
            painter.fillRect(QRectF(0, 0, w, h), QColor(200, 200, 200));
            continue;
        }
        if (cellItem->imageView()->isHidden())
            continue;
        const QImage& texture = textures().of(item.view, *cellItem, QSizeF(w, h), scale);
        painter.drawImage(QRectF(0, 0, w, h), texture, QRectF(texture.rect()));
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
