#pragma once

#include <QPixmap>
#include <QRectF>

namespace quindle::qt {

/// Screen changes as movement: a push slides the new screen in from the right over the old
/// one, a pop slides the old one out to the right, a modal screen rises from the bottom and
/// sinks back when dismissed. The old screen is the window's last painted frame.
class Transitions {
public:
    enum class Kind { Push, Pop, Present, Dismiss };
    static constexpr double duration = 0.25;

    /// Starts a transition away from `from` (a picture of the whole window).
    void start(Kind kind, QPixmap from, double now);
    bool isActive(double now) const { return !m_from.isNull() && now - m_start < duration; }
    Kind kind() const { return m_kind; }
    /// Draws the moment `now` of the change from the old picture to `to`, inside `area`
    /// (the bars that stay put are outside it).
    void paint(QPainter& painter, const QRectF& area, const QPixmap& to, double now) const;
    void finish() { m_from = QPixmap(); }

private:
    Kind m_kind { Kind::Push };
    QPixmap m_from;
    double m_start { 0 };
};

} // namespace quindle::qt
