#include "frontends/qt/Transitions.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quindle::qt {

void Transitions::start(Kind kind, QPixmap from, double now)
{
    if (from.isNull())
        return;
    m_kind = kind;
    m_from = std::move(from);
    m_start = now;
}

void Transitions::paint(QPainter& painter, const QRectF& area, const QPixmap& to, double now) const
{
    double t = std::clamp((now - m_start) / duration, 0.0, 1.0);
    double eased = 1 - std::pow(1 - t, 3); // quick start, gentle landing
    double width = area.width();
    double height = area.height();
    auto draw = [&](const QPixmap& picture, QPointF shift, double dim) {
        painter.save();
        painter.setClipRect(area);
        painter.translate(shift);
        // The pictures are whole-window frames; only their `area` part moves.
        painter.drawPixmap(area, picture, QRectF(area.topLeft() * picture.devicePixelRatio(), area.size() * picture.devicePixelRatio()));
        if (dim > 0)
            painter.fillRect(area, QColor(0, 0, 0, static_cast<int>(255 * dim)));
        painter.restore();
    };
    auto shadow = [&](double x) { painter.fillRect(QRectF(x - 6, area.top(), 6, height), QColor(0, 0, 0, 30)); };
    switch (m_kind) {
    case Kind::Push:
        draw(m_from, QPointF(-0.3 * width * eased, 0), 0.1 * eased);
        shadow(area.left() + width * (1 - eased));
        draw(to, QPointF(width * (1 - eased), 0), 0);
        break;
    case Kind::Pop:
        draw(to, QPointF(-0.3 * width * (1 - eased), 0), 0.1 * (1 - eased));
        shadow(area.left() + width * eased);
        draw(m_from, QPointF(width * eased, 0), 0);
        break;
    case Kind::Present:
        draw(m_from, QPointF(0, 0), 0.2 * eased);
        draw(to, QPointF(0, height * (1 - eased)), 0);
        break;
    case Kind::Dismiss:
        draw(to, QPointF(0, 0), 0.2 * (1 - eased));
        draw(m_from, QPointF(0, height * eased), 0);
        break;
    }
}

} // namespace quindle::qt
