#include "frontends/qt/VideoPanel.h"

#include "ui/VideoPlayerView.h"

#include <QDesktopServices>
#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <unordered_map>

namespace quindle::qt::video_panel {

namespace {

std::function<void(const QUrl&)>& opener()
{
    static std::function<void(const QUrl&)> open = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return open;
}

/// Panels with a press in progress on their button or badge.
std::unordered_map<const View*, bool>& presses()
{
    static std::unordered_map<const View*, bool> pressed;
    return pressed;
}

bool onControl(const VideoPlayerView& player, QPointF at)
{
    if (player.videoId().empty())
        return false;
    Layout parts = layout(QSizeF(player.frame().width, player.frame().height));
    return parts.button.contains(at) || parts.playBadge.contains(at);
}

} // namespace

Layout layout(QSizeF size)
{
    double w = size.width();
    double h = size.height();
    double badge = std::clamp(std::min(w, h) * 0.3, 24.0, 72.0);
    Layout parts;
    parts.playBadge = QRectF((w - badge) / 2, h * 0.42 - badge / 2, badge, badge);
    parts.caption = QRectF(8, parts.playBadge.bottom() + 4, std::max(0.0, w - 16), 20);
    double buttonWidth = std::min(w - 16, 160.0);
    parts.button = QRectF((w - buttonWidth) / 2, std::max(parts.caption.bottom() + 4, h - 40), std::max(0.0, buttonWidth), 32);
    return parts;
}

void paint(QPainter& painter, const VideoPlayerView& player, const QRectF& rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.topLeft());
    painter.setClipRect(QRectF(QPointF(0, 0), rect.size()), Qt::IntersectClip);
    painter.fillRect(QRectF(QPointF(0, 0), rect.size()), QColor(28, 28, 30));
    Layout parts = layout(rect.size());
    bool playable = !player.videoId().empty();

    // The badge: a round plate with a play triangle, dimmed when there is nothing to play.
    painter.setPen(Qt::NoPen);
    painter.setBrush(playable ? QColor(204, 0, 0) : QColor(90, 90, 94));
    painter.drawEllipse(parts.playBadge);
    const QRectF& b = parts.playBadge;
    QPainterPath triangle;
    triangle.moveTo(b.left() + b.width() * 0.38, b.top() + b.height() * 0.28);
    triangle.lineTo(b.left() + b.width() * 0.74, b.center().y());
    triangle.lineTo(b.left() + b.width() * 0.38, b.top() + b.height() * 0.72);
    triangle.closeSubpath();
    painter.fillPath(triangle, Qt::white);

    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);
    painter.setPen(QColor(235, 235, 240));
    QString caption = player.error() ? QStringLiteral("Video unavailable (error %1)").arg(*player.error())
        : playable                   ? QString::fromStdString(player.videoId())
                                     : QStringLiteral("No video");
    painter.drawText(parts.caption, Qt::AlignCenter, caption);

    if (playable) {
        bool pressed = presses().count(&player) && presses()[&player];
        painter.setPen(Qt::NoPen);
        painter.setBrush(pressed ? QColor(70, 70, 76) : QColor(58, 58, 62));
        painter.drawRoundedRect(parts.button, 8, 8);
        painter.setPen(Qt::white);
        painter.drawText(parts.button, Qt::AlignCenter, QStringLiteral("Open in browser"));
    }
    painter.restore();
}

bool handlePointer(VideoPlayerView& player, const PointerEvent& event)
{
    auto& pressed = presses();
    switch (event.phase) {
    case PointerEvent::Phase::Press:
        if (!onControl(player, event.location))
            return false;
        pressed[&player] = true;
        return true;
    case PointerEvent::Phase::Move:
        if (!pressed.count(&player))
            return false;
        pressed[&player] = onControl(player, event.location);
        return true;
    case PointerEvent::Phase::Release:
    case PointerEvent::Phase::Cancel: {
        if (!pressed.count(&player))
            return false;
        pressed.erase(&player);
        if (event.phase == PointerEvent::Phase::Release && onControl(player, event.location) && opener())
            opener()(QUrl(QString::fromStdString(player.watchURL())));
        return true;
    }
    }
    return false;
}

void setUrlOpener(std::function<void(const QUrl&)> open)
{
    opener() = open ? std::move(open) : [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

void registerHandlers()
{
    ViewHandlers handlers;
    handlers.paint = [](QPainter& painter, View& view, const QRectF& rect) {
        if (auto* player = dynamic_cast<VideoPlayerView*>(&view))
            paint(painter, *player, rect);
    };
    handlers.pointer = [](View& view, const PointerEvent& event) {
        auto* player = dynamic_cast<VideoPlayerView*>(&view);
        return player && handlePointer(*player, event);
    };
    ViewRegistry::shared().add<VideoPlayerView>(std::move(handlers));
}

} // namespace quindle::qt::video_panel
