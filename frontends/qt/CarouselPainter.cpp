#include "frontends/qt/CarouselPainter.h"

#include "content/CarouselCell.h"
#include "frontends/qt/CarouselPainterSupport.h"

#include <QImage>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <span>
#include <unordered_map>

namespace quindle::qt::carousel_painter {

using namespace support;

namespace {

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

} // namespace

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
