#include "frontends/qt/ChromePainter.h"

#include "frontends/qt/PaintSupport.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace quindle::qt {

namespace {

// Pictures are drawn black on clear, so painting them through a colour tints them.
QImage drawIcon(const QString& name)
{
    QImage icon(60, 60, QImage::Format_ARGB32_Premultiplied); // 30 points at twice the density
    icon.setDevicePixelRatio(2);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::NoBrush);
    if (name == QLatin1String("first.png")) {
        // A house: the start page.
        QPainterPath house;
        house.moveTo(4, 14);
        house.lineTo(15, 4);
        house.lineTo(26, 14);
        painter.drawPath(house);
        painter.drawRect(QRectF(8, 13, 14, 13));
        painter.fillRect(QRectF(13, 18, 4, 8), Qt::black);
    } else if (name == QLatin1String("second.png")) {
        // A person: the account and the user's own pages.
        painter.drawEllipse(QPointF(15, 10), 5, 5);
        painter.drawArc(QRectF(5, 17, 20, 18), 0, 180 * 16);
    } else {
        painter.drawRoundedRect(QRectF(5, 5, 20, 20), 4, 4);
        painter.setFont(systemFont(11, true));
        painter.drawText(QRectF(5, 5, 20, 20), Qt::AlignCenter, name.left(1).toUpper());
    }
    return icon;
}

QImage tinted(const QImage& icon, const QColor& colour)
{
    QImage result = icon;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(0, 0, 30, 30), colour);
    return result;
}

} // namespace

QImage tabIcon(const QString& name)
{
    static QHash<QString, QImage> icons;
    auto found = icons.find(name);
    if (found == icons.end())
        found = icons.insert(name, drawIcon(name));
    return *found;
}

void paintTabBar(QPainter& painter, const Scene& scene)
{
    if (scene.tabBar.isEmpty())
        return;
    painter.save();
    painter.fillRect(scene.tabBar, Palette::barBackground());
    painter.fillRect(QRectF(scene.tabBar.left(), scene.tabBar.top(), scene.tabBar.width(), 0.5), Palette::hairline());
    for (const auto& slot : scene.tabSlots) {
        QColor colour = slot.selected ? Palette::tint() : QColor(146, 146, 146);
        QRectF iconRect(slot.rect.center().x() - 15, slot.rect.top() + 3, 30, 30);
        painter.drawImage(iconRect, tinted(tabIcon(slot.imageName.isEmpty() ? slot.title : slot.imageName), colour));
        QFont font = systemFont(10, slot.selected);
        painter.setFont(font);
        painter.setPen(colour);
        QRectF titleRect(slot.rect.left() + 2, slot.rect.top() + 33, slot.rect.width() - 4, 14);
        painter.drawText(titleRect, Qt::AlignCenter, QFontMetricsF(font).elidedText(slot.title, Qt::ElideRight, titleRect.width()));
        if (!slot.badge.isEmpty()) {
            QFont badgeFont = systemFont(12);
            QFontMetricsF metrics(badgeFont);
            double width = std::max(18.0, metrics.horizontalAdvance(slot.badge) + 10);
            QRectF pill(iconRect.right() - 8, iconRect.top() - 1, width, 18);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(Palette::destructive());
            painter.drawRoundedRect(pill, 9, 9);
            painter.setFont(badgeFont);
            painter.setPen(Qt::white);
            painter.drawText(pill, Qt::AlignCenter, slot.badge);
        }
    }
    painter.restore();
}

} // namespace quindle::qt
