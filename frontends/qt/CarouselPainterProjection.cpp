#include "frontends/qt/CarouselPainter.h"
#include "frontends/qt/CarouselPainterSupport.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <span>

namespace quindle::qt::carousel_painter {

namespace support {

namespace {

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

} // namespace

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

/// Whether every point lies well inside one of the opaque quads drawn later.
bool hidden(std::span<const QPointF> points, std::span<const QPolygonF> above, double margin)
{
    for (const QPolygonF& cover : above) {
        if (std::ranges::all_of(points, [&](QPointF p) { return insideBy(cover, p, margin); }))
            return true;
    }
    return false;
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

} // namespace support

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

} // namespace quindle::qt::carousel_painter
