#pragma once

#include "frontends/qt/Scene.h"

#include <QImage>

class QPainter;

namespace quindle::qt {

/// The phone's status strip: the time and a battery.
void paintStatusBar(QPainter& painter, const QRectF& rect);
/// Title, back button and bar buttons; Done-style buttons bold, disabled ones faded.
void paintNavigationBar(QPainter& painter, const Scene& scene);
/// Tabs with their pictures, titles and badges; the selected tab in the tint.
void paintTabBar(QPainter& painter, const Scene& scene);
/// A tab's picture by name ("first.png", "second.png"), drawn once and kept; a made-up
/// one for names the client does not ship.
QImage tabIcon(const QString& name);

} // namespace quindle::qt
