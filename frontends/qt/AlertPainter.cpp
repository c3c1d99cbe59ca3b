#include "frontends/qt/AlertPainter.h"

#include "frontends/qt/PaintSupport.h"
#include "ui/AlertView.h"
#include "ui/PopoverController.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace quindle::qt {

namespace {
QFont titleFont() { return systemFont(17, true); }
QFont messageFont() { return systemFont(13); }
}

AlertLayout AlertLayout::build(const AlertView& alert, const QRectF& screen)
{
    AlertLayout layout;
    double inner = width - 32;
    double y = 20;
    QFontMetricsF titleMetrics(titleFont());
    QFontMetricsF messageMetrics(messageFont());
    double titleHeight = alert.title().empty() ? 0
        : titleMetrics.boundingRect(QRectF(0, 0, inner, 1000), Qt::TextWordWrap | Qt::AlignHCenter, toQString(alert.title())).height();
    layout.title = QRectF(16, y, inner, titleHeight);
    y += titleHeight + (titleHeight > 0 ? 4 : 0);
    double messageHeight = alert.message().empty() ? 0
        : messageMetrics.boundingRect(QRectF(0, 0, inner, 1000), Qt::TextWordWrap | Qt::AlignHCenter, toQString(alert.message())).height();
    // Long messages are cut to what fits on the screen with the buttons.
    double room = screen.height() - 80 - y - alert.numberOfTextFields() * (fieldHeight + 6) - alert.numberOfButtons() * buttonHeight - 40;
    messageHeight = std::max(0.0, std::min(messageHeight, room));
    layout.message = QRectF(16, y, inner, messageHeight);
    y += messageHeight + 16;
    for (size_t i = 0; i < alert.numberOfTextFields(); ++i) {
        layout.fields.emplace_back(16, y, inner, fieldHeight);
        y += fieldHeight + 6;
    }
    y += alert.numberOfTextFields() > 0 ? 6 : 0;
    int buttons = alert.numberOfButtons();
    layout.buttonsInRow = buttons == 2;
    if (layout.buttonsInRow) {
        layout.buttons.emplace_back(0, y, width / 2, buttonHeight);
        layout.buttons.emplace_back(width / 2, y, width / 2, buttonHeight);
        y += buttonHeight;
    } else {
        for (int i = 0; i < buttons; ++i) {
            layout.buttons.emplace_back(0, y, width, buttonHeight);
            y += buttonHeight;
        }
    }
    QPointF origin(screen.center().x() - width / 2, std::max(screen.top() + 30, screen.center().y() - y / 2));
    layout.panel = QRectF(origin, QSizeF(width, y));
    layout.title.translate(origin);
    layout.message.translate(origin);
    for (auto& rect : layout.fields)
        rect.translate(origin);
    for (auto& rect : layout.buttons)
        rect.translate(origin);
    return layout;
}

void paintDimming(QPainter& painter, const QRectF& screen, double amount)
{
    painter.fillRect(screen, QColor(0, 0, 0, static_cast<int>(255 * amount)));
}

void paintAlert(QPainter& painter, const AlertView& alert, const AlertLayout& layout, double now)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(248, 248, 248));
    painter.drawRoundedRect(layout.panel, 13, 13);
    painter.setPen(Qt::black);
    painter.setFont(titleFont());
    painter.drawText(layout.title, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, toQString(alert.title()));
    painter.setFont(messageFont());
    painter.save();
    painter.setClipRect(layout.message);
    painter.drawText(layout.message, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, toQString(alert.message()));
    painter.restore();

    for (size_t i = 0; i < layout.fields.size(); ++i) {
        auto field = alert.textFieldAtIndex(i);
        if (!field)
            continue;
        const QRectF& rect = layout.fields[i];
        painter.setPen(QPen(field->isFirstResponder() ? Palette::tint() : QColor(199, 199, 204), 1));
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(rect, 4, 4);
        QString text = toQString(field->text());
        if (field->isSecureTextEntry())
            text = QString(text.size(), QChar(0x2022));
        painter.setFont(systemFont(14));
        QFontMetricsF metrics(painter.font());
        QRectF inner = rect.adjusted(6, 0, -6, 0);
        if (text.isEmpty()) {
            painter.setPen(QColor(199, 199, 205));
            painter.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, toQString(field->placeholder()));
        } else {
            painter.setPen(Qt::black);
            painter.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, metrics.elidedText(text, Qt::ElideLeft, inner.width()));
        }
        if (field->isFirstResponder() && std::fmod(now, 1.0) < 0.55) {
            double x = inner.left() + std::min(inner.width(), metrics.horizontalAdvance(text)) + 1;
            painter.fillRect(QRectF(x, rect.center().y() - 8, 2, 16), Palette::tint());
        }
    }

    for (size_t i = 0; i < layout.buttons.size(); ++i) {
        const QRectF& rect = layout.buttons[i];
        painter.fillRect(QRectF(layout.panel.left(), rect.top(), layout.panel.width(), 0.5), QColor(0, 0, 0, 60));
        if (layout.buttonsInRow && i == 1)
            painter.fillRect(QRectF(rect.left(), rect.top(), 0.5, rect.height()), QColor(0, 0, 0, 60));
        bool cancel = static_cast<int>(i) == alert.cancelButtonIndex();
        painter.setFont(systemFont(17, cancel));
        painter.setPen(Palette::tint());
        painter.drawText(rect, Qt::AlignCenter, toQString(alert.buttonTitleAtIndex(static_cast<int>(i))));
    }
    painter.restore();
}

PopoverLayout PopoverLayout::build(const PopoverController& popover, const QRectF& screen)
{
    Size wanted = popover.popoverContentSize();
    double width = std::min(wanted.width > 0 ? wanted.width : 320.0, screen.width() - 20);
    double height = std::min(wanted.height > 0 ? wanted.height : 400.0, screen.height() - 60);
    Rect anchor = popover.anchorRect();
    double x = std::clamp(anchor.x + anchor.width / 2 - width / 2, screen.left() + 10, screen.right() - 10 - width);
    double below = anchor.y + anchor.height + 10;
    double y = below + height <= screen.bottom() - 10 ? below : std::max(screen.top() + 30, anchor.y - 10 - height);
    PopoverLayout layout;
    layout.panel = QRectF(x, y, width, height);
    layout.content = layout.panel.adjusted(0, 12, 0, -12);
    return layout;
}

void paintPopoverFrame(QPainter& painter, const PopoverLayout& layout)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawRoundedRect(layout.panel.translated(0, 4), 14, 14);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(layout.panel, 14, 14);
    painter.restore();
}

void paintBusy(QPainter& painter, const QRectF& content, double now)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF box(content.center().x() - 40, content.center().y() - 40, 80, 80);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 140));
    painter.drawRoundedRect(box, 12, 12);
    paintSpinner(painter, box.center(), 18, now, Qt::white);
    painter.restore();
}

} // namespace quindle::qt
