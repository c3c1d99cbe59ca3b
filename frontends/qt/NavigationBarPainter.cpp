#include "frontends/qt/ChromePainter.h"

#include "frontends/qt/PaintSupport.h"
#include "ui/BarButtonItem.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTime>

namespace quindle::qt {

void paintStatusBar(QPainter& painter, const QRectF& rect)
{
    painter.save();
    painter.fillRect(rect, Palette::barBackground());
    painter.setPen(Qt::black);
    painter.setFont(systemFont(12, true));
    painter.drawText(rect, Qt::AlignCenter, QTime::currentTime().toString(QStringLiteral("HH:mm")));
    painter.setFont(systemFont(12));
    painter.drawText(rect.adjusted(8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quindle"));
    QRectF battery(rect.right() - 34, rect.center().y() - 5, 24, 10);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(battery, 2, 2);
    painter.fillRect(battery.adjusted(2, 2, -6, -2), Qt::black);
    painter.fillRect(QRectF(battery.right() + 1, battery.center().y() - 2, 2, 4), Qt::black);
    painter.restore();
}

void paintNavigationBar(QPainter& painter, const Scene& scene)
{
    const QRectF& bar = scene.navigationBar;
    if (bar.isEmpty())
        return;
    painter.save();
    painter.fillRect(bar, Palette::barBackground());
    painter.fillRect(QRectF(bar.left(), bar.bottom() - 0.5, bar.width(), 0.5), Palette::hairline());
    // The title keeps clear of the buttons on both sides.
    double leftEdge = scene.backRect.isEmpty() ? bar.left() : scene.backRect.right();
    double rightEdge = bar.right();
    for (const auto& slot : scene.barButtons) {
        if (slot.rect.center().x() < bar.center().x())
            leftEdge = std::max(leftEdge, slot.rect.right());
        else
            rightEdge = std::min(rightEdge, slot.rect.left());
    }
    double half = std::max(0.0, std::min(bar.center().x() - leftEdge, rightEdge - bar.center().x()) - 4);
    QFont titleFont = systemFont(17, true);
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    QRectF titleRect(bar.center().x() - half, bar.top(), 2 * half, bar.height());
    // A title too wide to centre takes all the room between the buttons instead.
    if (QFontMetricsF(titleFont).horizontalAdvance(scene.title) > titleRect.width())
        titleRect = QRectF(leftEdge + 4, bar.top(), std::max(0.0, rightEdge - leftEdge - 8), bar.height());
    painter.drawText(titleRect, Qt::AlignCenter, QFontMetricsF(titleFont).elidedText(scene.title, Qt::ElideRight, titleRect.width()));

    if (!scene.backRect.isEmpty()) {
        painter.setFont(systemFont(17));
        painter.setPen(Palette::tint());
        painter.drawText(scene.backRect, Qt::AlignCenter, scene.backTitle);
    }
    for (const auto& slot : scene.barButtons) {
        bool done = slot.item->style() == BarButtonStyle::Done;
        bool glyph = slot.label == QLatin1String("+") || slot.label == QStringLiteral("↻");
        painter.setFont(systemFont(glyph ? 26 : 17, done));
        QColor colour = Palette::tint();
        if (!slot.item->isEnabled())
            colour.setAlphaF(0.3f);
        painter.setPen(colour);
        painter.drawText(slot.rect, Qt::AlignCenter, slot.label);
    }
    painter.restore();
}

} // namespace quindle::qt
