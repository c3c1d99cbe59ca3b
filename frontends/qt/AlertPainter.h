#pragma once

#include "ui/Forward.h"

#include <QRectF>

#include <vector>

class QPainter;

namespace quindle::qt {

/// Where an alert's parts go: a centred panel with the title, the message, the text fields and
/// the buttons (two side by side, else one under the other).
struct AlertLayout {
    static constexpr double width = 270;
    static constexpr double buttonHeight = 44;
    static constexpr double fieldHeight = 30;
    QRectF panel;
    QRectF title;
    QRectF message;
    std::vector<QRectF> fields;
    std::vector<QRectF> buttons;
    bool buttonsInRow { false };

    static AlertLayout build(const AlertView& alert, const QRectF& screen);
};

/// A popover's floating panel: its content size, below the anchor when there is room,
/// else above, kept on screen.
struct PopoverLayout {
    QRectF panel;
    QRectF content;
    static PopoverLayout build(const PopoverController& popover, const QRectF& screen);
};

/// Dims the screen under an alert or a popover.
void paintDimming(QPainter& painter, const QRectF& screen, double amount = 0.4);
void paintAlert(QPainter& painter, const AlertView& alert, const AlertLayout& layout, double now);
/// The panel behind a popover's content.
void paintPopoverFrame(QPainter& painter, const PopoverLayout& layout);
/// The busy spinner over the content while the server is being waited for.
void paintBusy(QPainter& painter, const QRectF& content, double now);

} // namespace quindle::qt
