#include "frontends/qt/PaintSupport.h"

#include <QPainter>

#include <cmath>

namespace quindle::qt {

QColor toQColor(Colour colour)
{
    auto clamp = [](double v) { return static_cast<float>(std::clamp(v, 0.0, 1.0)); };
    return QColor::fromRgbF(clamp(colour.red), clamp(colour.green), clamp(colour.blue), clamp(colour.alpha));
}

QRectF toQRect(Rect rect) { return QRectF(rect.x, rect.y, rect.width, rect.height); }

QString toQString(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont systemFont(double size, bool bold)
{
    QFont font(QStringLiteral("Helvetica"));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    if (bold)
        font.setWeight(QFont::DemiBold);
    return font;
}

void paintSpinner(QPainter& painter, QPointF centre, double radius, double phase, QColor colour)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(centre);
    int lead = static_cast<int>(std::fmod(phase * 12, 12.0));
    QPen pen(colour, std::max(1.5, radius / 5), Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < 12; ++i) {
        int age = (lead - i + 12) % 12;
        QColor spoke = colour;
        spoke.setAlphaF(static_cast<float>(1.0 - age / 13.0));
        pen.setColor(spoke);
        painter.setPen(pen);
        double angle = i * M_PI / 6;
        painter.drawLine(QPointF(std::sin(angle) * radius * 0.5, -std::cos(angle) * radius * 0.5),
                         QPointF(std::sin(angle) * radius, -std::cos(angle) * radius));
    }
    painter.restore();
}

} // namespace quindle::qt
