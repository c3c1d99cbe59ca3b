#pragma once

#include "frontends/qt/ViewRegistry.h"

#include <QRectF>
#include <QUrl>

#include <functional>

namespace quindle {
class VideoPlayerView;
}

namespace quindle::qt::video_panel {

/// Where the parts of a video panel of the given size lie, in the panel's own coordinates.
struct Layout {
    QRectF playBadge;
    QRectF caption;
    QRectF button;
};
Layout layout(QSizeF size);

/// Paints the player as a dark poster: a play badge, the video's id (or its error) and, when
/// there is a video, an "Open in browser" button. Nothing plays inline.
void paint(QPainter& painter, const VideoPlayerView& player, const QRectF& rect);
/// A press and release both on the button (or the badge) open the watch page.
bool handlePointer(VideoPlayerView& player, const PointerEvent& event);

/// Opens addresses; QDesktopServices::openUrl unless replaced (tests record instead).
void setUrlOpener(std::function<void(const QUrl&)> opener);

void registerHandlers();

} // namespace quindle::qt::video_panel
