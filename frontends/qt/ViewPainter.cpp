// Generic painting of ui views: backgrounds, texts, controls and pictures, recursively.
#include "frontends/qt/ContentPainter.h"

#include "frontends/qt/PaintSupport.h"
#include "frontends/qt/QtImage.h"
#include "frontends/qt/ViewRegistry.h"
#include "platform/Date.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/DatePicker.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/Slider.h"
#include "ui/Switch.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/WebView.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <cmath>

namespace quindle::qt {

namespace {

Qt::Alignment horizontal(TextAlignment alignment)
{
    switch (alignment) {
    case TextAlignment::Center:
        return Qt::AlignHCenter;
    case TextAlignment::Right:
        return Qt::AlignRight;
    case TextAlignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

void paintLabel(QPainter& painter, const Label& label, const QRectF& rect)
{
    if (label.text().empty())
        return;
    QFont font = toQFont(label.font());
    QString text = toQString(label.text());
    painter.setFont(font);
    QFontMetricsF metrics(font);
    if (label.strokeWidth() != 0) {
        // Outlined glyphs: a negative width fills and outlines, a positive one outlines only.
        QString line = metrics.elidedText(text.simplified(), Qt::ElideRight, rect.width());
        double width = metrics.horizontalAdvance(line);
        double x = label.textAlignment() == TextAlignment::Center ? rect.center().x() - width / 2
            : label.textAlignment() == TextAlignment::Right      ? rect.right() - width
                                                                 : rect.left();
        double y = rect.center().y() + (metrics.ascent() - metrics.descent()) / 2;
        QPainterPath path;
        path.addText(QPointF(x, y), font, line);
        painter.setRenderHint(QPainter::Antialiasing);
        if (label.strokeWidth() < 0)
            painter.fillPath(path, toQColor(label.textColour()));
        painter.strokePath(path, QPen(toQColor(label.strokeColour()), std::abs(label.strokeWidth()) * font.pixelSize() / 100.0 * 2));
        return;
    }
    painter.setPen(toQColor(label.textColour()));
    Qt::Alignment align = horizontal(label.textAlignment()) | Qt::AlignVCenter;
    if (label.numberOfLines() == 1) {
        painter.drawText(rect, static_cast<int>(align), metrics.elidedText(text.simplified(), Qt::ElideRight, rect.width()));
        return;
    }
    // Wrapped, cut after the allowed number of lines, centred vertically as a label is.
    int lines = label.numberOfLines();
    if (lines > 0) {
        QRectF needed = metrics.boundingRect(rect, static_cast<int>(align | Qt::TextWordWrap), text);
        double most = metrics.lineSpacing() * lines;
        if (needed.height() > most) {
            QRectF cut(rect.left(), rect.center().y() - most / 2, rect.width(), most);
            painter.save();
            painter.setClipRect(cut, Qt::IntersectClip);
            painter.drawText(cut, static_cast<int>(horizontal(label.textAlignment()) | Qt::AlignTop | Qt::TextWordWrap), text);
            painter.restore();
            return;
        }
    }
    painter.drawText(rect, static_cast<int>(align | Qt::TextWordWrap), text);
}

void paintCaret(QPainter& painter, QPointF at, double height, double now)
{
    if (std::fmod(now, 1.0) < 0.55)
        painter.fillRect(QRectF(at.x(), at.y(), 2, height), Palette::tint());
}

void paintTextField(QPainter& painter, const TextField& field, const QRectF& rect, double now)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(field.isFirstResponder() ? Palette::tint() : QColor(199, 199, 204), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    QFont font = toQFont(field.font());
    QFontMetricsF metrics(font);
    painter.setFont(font);
    QRectF inner = rect.adjusted(7, 0, -7, 0);
    QString text = toQString(field.text());
    if (field.isSecureTextEntry())
        text = QString(text.size(), QChar(0x2022));
    double caretX = inner.left();
    if (text.isEmpty()) {
        // The caret sits before the placeholder, which moves aside for it.
        QRectF placeholder = inner.adjusted(field.isFirstResponder() ? 4 : 0, 0, 0, 0);
        painter.setPen(QColor(199, 199, 205));
        painter.drawText(placeholder, Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(toQString(field.placeholder()), Qt::ElideRight, placeholder.width()));
    } else {
        painter.setPen(toQColor(field.textColour()));
        // The end of a long text stays in view while typing, as in a real field.
        double width = metrics.horizontalAdvance(text);
        QRectF shown = inner;
        if (width > inner.width())
            shown.setLeft(inner.right() - width);
        painter.save();
        painter.setClipRect(inner, Qt::IntersectClip);
        painter.drawText(shown, Qt::AlignLeft | Qt::AlignVCenter, text);
        painter.restore();
        caretX = std::min(inner.left() + width, inner.right());
    }
    if (field.isFirstResponder())
        paintCaret(painter, QPointF(caretX, rect.center().y() - metrics.height() / 2), metrics.height(), now);
}

void paintTextView(QPainter& painter, const TextView& view, const QRectF& rect, double now)
{
    if (view.isEditable()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(view.isFirstResponder() ? Palette::tint() : QColor(199, 199, 204), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    }
    QFont font = toQFont(view.font());
    painter.setFont(font);
    painter.setPen(toQColor(view.textColour()));
    QRectF inner = rect.adjusted(5, 5, -5, -5);
    QString text = toQString(view.text());
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawText(inner, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    painter.restore();
    if (view.isFirstResponder()) {
        QFontMetricsF metrics(font);
        QRectF used = metrics.boundingRect(inner, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text.isEmpty() ? QStringLiteral(" ") : text);
        double lastLine = text.endsWith('\n') ? metrics.lineSpacing() : 0;
        QString tail = text.section('\n', -1);
        double x = inner.left() + std::fmod(metrics.horizontalAdvance(tail), std::max(1.0, inner.width()));
        paintCaret(painter, QPointF(text.isEmpty() ? inner.left() : x, used.bottom() - metrics.height() + lastLine), metrics.height(), now);
    }
}

QRectF fitted(QSizeF picture, const QRectF& rect, ContentMode mode)
{
    if (picture.isEmpty())
        return rect;
    switch (mode) {
    case ContentMode::ScaleToFill:
        return rect;
    case ContentMode::Center:
        return QRectF(rect.center().x() - picture.width() / 2, rect.center().y() - picture.height() / 2, picture.width(), picture.height());
    case ContentMode::AspectFit:
    case ContentMode::AspectFill: {
        double sx = rect.width() / picture.width();
        double sy = rect.height() / picture.height();
        double scale = mode == ContentMode::AspectFit ? std::min(sx, sy) : std::max(sx, sy);
        QSizeF size = picture * scale;
        return QRectF(rect.center().x() - size.width() / 2, rect.center().y() - size.height() / 2, size.width(), size.height());
    }
    }
    return rect;
}

void paintImageView(QPainter& painter, const ImageView& view, const QRectF& rect)
{
    QImage picture = toQImage(view.image());
    if (picture.isNull() && !view.imageName().empty())
        picture = QImage(QStringLiteral(":/images/") + toQString(view.imageName()));
    if (picture.isNull()) {
        // No picture yet (still loading, or a bundled one we lack): a quiet placeholder.
        if (rect.width() < 8 || rect.height() < 8)
            return;
        painter.setRenderHint(QPainter::Antialiasing);
        QRectF glyph(rect.center().x() - 14, rect.center().y() - 11, 28, 22);
        painter.setPen(QPen(QColor(150, 150, 150), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(glyph, 3, 3);
        painter.drawEllipse(QPointF(glyph.left() + 8, glyph.top() + 7), 2.5, 2.5);
        QPolygonF hill({ QPointF(glyph.left() + 3, glyph.bottom() - 3), QPointF(glyph.left() + 12, glyph.top() + 11),
            QPointF(glyph.left() + 18, glyph.bottom() - 7), QPointF(glyph.right() - 3, glyph.bottom() - 3) });
        painter.drawPolyline(hill);
        return;
    }
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(fitted(QSizeF(picture.size()), rect, view.contentMode()), picture);
    painter.restore();
}

void paintSwitch(QPainter& painter, const Switch& toggle, const QRectF& rect)
{
    QRectF track(rect.left(), rect.center().y() - 15.5, std::min(51.0, rect.width()), 31);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(toggle.isOn() ? Qt::NoPen : QPen(QColor(229, 229, 234), 1.5));
    painter.setBrush(toggle.isOn() ? QColor(52, 199, 89) : QColor(255, 255, 255));
    painter.drawRoundedRect(track, 15.5, 15.5);
    double knob = track.height() - 4;
    double x = toggle.isOn() ? track.right() - 2 - knob : track.left() + 2;
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

void paintSlider(QPainter& painter, const Slider& slider, const QRectF& rect)
{
    double range = slider.maximumValue() - slider.minimumValue();
    double fraction = range > 0 ? (slider.value() - slider.minimumValue()) / range : 0;
    double left = rect.left() + 14, right = rect.right() - 14;
    double x = left + (right - left) * fraction;
    double y = rect.center().y();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(209, 209, 214), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(x, y), QPointF(right, y));
    painter.setPen(QPen(Palette::tint(), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(left, y), QPointF(x, y));
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(x, y), 13, 13);
}

void paintButton(QPainter& painter, const Button& button, const QRectF& rect)
{
    painter.setFont(systemFont(17));
    QColor colour = toQColor(button.titleColour());
    if (!button.isEnabled())
        colour.setAlphaF(0.35f);
    painter.setPen(colour);
    painter.drawText(rect, Qt::AlignCenter | Qt::TextWordWrap, toQString(button.title()));
}

void paintWebPlaceholder(QPainter& painter, const WebView& web, const QRectF& rect)
{
    painter.fillRect(rect, QColor(250, 250, 250));
    painter.setPen(Palette::secondaryText());
    painter.setFont(systemFont(13));
    QString what = !web.url().empty() ? toQString(web.url()) : web.html().empty() ? QStringLiteral("(no page)") : QStringLiteral("Web page");
    painter.drawText(rect.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWrapAnywhere, what);
}

} // namespace

/// The wheels of a date picker: the date, the hour and the minute, each with its neighbours.
void paintDatePicker(QPainter& painter, const DatePicker& picker, const QRectF& rect)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(242, 242, 247));
    painter.drawRoundedRect(rect.adjusted(4, 4, -4, -4), 10, 10);
    struct Wheel { const char* pattern; std::chrono::seconds step; double weight; };
    std::vector<Wheel> wheels;
    if (picker.datePickerMode() != DatePickerMode::TimeOnly)
        wheels.push_back({ "yyyy-MM-dd", std::chrono::hours(24), 2 });
    if (picker.datePickerMode() != DatePickerMode::DateOnly) {
        wheels.push_back({ "HH", std::chrono::hours(1), 1 });
        wheels.push_back({ "mm", std::chrono::minutes(1), 1 });
    }
    double total = 0;
    for (auto& wheel : wheels)
        total += wheel.weight;
    double x = rect.left() + 8;
    double rowHeight = std::min(32.0, (rect.height() - 8) / 5);
    QRectF band(rect.left() + 8, rect.center().y() - rowHeight / 2, rect.width() - 16, rowHeight);
    painter.setBrush(QColor(255, 255, 255));
    painter.drawRoundedRect(band, 7, 7);
    for (auto& wheel : wheels) {
        double width = (rect.width() - 16) * wheel.weight / total;
        for (int offset = -2; offset <= 2; ++offset) {
            Date shown = picker.date() + wheel.step * offset;
            QRectF cell(x, band.top() + offset * rowHeight, width, rowHeight);
            QFont font = systemFont(offset == 0 ? 20 : 17);
            painter.setFont(font);
            QColor colour = offset == 0 ? QColor(0, 0, 0) : QColor(0, 0, 0, 255 - 80 * std::abs(offset));
            painter.setPen(colour);
            painter.drawText(cell, Qt::AlignCenter, toQString(DateFormat::format(shown, wheel.pattern, DateFormat::Zone::Local)));
        }
        x += width;
    }
}

const ContentPainter::DrawnTable* ContentPainter::drawn(const TableView& table) const
{
    auto found = m_drawn.find(&table);
    return found == m_drawn.end() || found->second.table.expired() ? nullptr : &found->second;
}

std::map<const TableView*, double> ContentPainter::contentHeights() const
{
    std::map<const TableView*, double> heights;
    for (const auto& [key, drawnTable] : m_drawn) {
        if (!drawnTable.table.expired())
            heights[key] = drawnTable.contentHeight;
    }
    return heights;
}

void ContentPainter::paint(QPainter& painter, View& view, double now, PaintReport& report)
{
    m_now = now;
    m_report = &report;
    // Tables that died take their remembered rows with them.
    std::erase_if(m_drawn, [](auto& entry) { return entry.second.table.expired(); });
    std::erase_if(m_fades, [](auto& entry) { return entry.second.empty(); });
    paintView(painter, view);
    m_report = nullptr;
}

void ContentPainter::paintView(QPainter& painter, View& view)
{
    if (view.isHidden() || view.alpha() <= 0)
        return;
    painter.save();
    painter.setOpacity(painter.opacity() * view.alpha());
    QRectF rect = toQRect(view.bounds());
    if (view.backgroundColour().alpha > 0)
        painter.fillRect(rect, toQColor(view.backgroundColour()));
    if (view.clipsToBounds())
        painter.setClipRect(rect, Qt::IntersectClip);
    const ViewHandlers* handlers = ViewRegistry::shared().find(view);
    if (handlers && handlers->step)
        m_report->stepping.push_back(view.weak_from_this());
    if (handlers && handlers->makeWidget) {
        m_report->hosted.emplace_back(view.weak_from_this(), painter.transform().mapRect(rect));
    } else if (handlers && handlers->paint) {
        handlers->paint(painter, view, rect);
    } else {
        painter.save();
        paintKnownView(painter, view, rect);
        painter.restore();
    }
    if (view.borderWidth() > 0) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(toQColor(view.borderColour()), view.borderWidth()));
        painter.setBrush(Qt::NoBrush);
        double inset = view.borderWidth() / 2;
        painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), view.cornerRadius(), view.cornerRadius());
        painter.restore();
    }
    if (!dynamic_cast<TableView*>(&view)) {
        for (const auto& subview : view.subviews()) {
            painter.save();
            painter.translate(subview->frame().x, subview->frame().y);
            paintView(painter, *subview);
            painter.restore();
        }
    }
    painter.restore();
}

bool ContentPainter::paintKnownView(QPainter& painter, View& view, const QRectF& rect)
{
    if (auto* table = dynamic_cast<TableView*>(&view)) {
        paintTable(painter, *table);
    } else if (auto* label = dynamic_cast<Label*>(&view)) {
        paintLabel(painter, *label, rect);
    } else if (auto* button = dynamic_cast<Button*>(&view)) {
        paintButton(painter, *button, rect);
    } else if (auto* field = dynamic_cast<TextField*>(&view)) {
        paintTextField(painter, *field, rect, m_now);
        m_report->blinking = m_report->blinking || field->isFirstResponder();
    } else if (auto* text = dynamic_cast<TextView*>(&view)) {
        paintTextView(painter, *text, rect, m_now);
        m_report->blinking = m_report->blinking || text->isFirstResponder();
    } else if (auto* image = dynamic_cast<ImageView*>(&view)) {
        paintImageView(painter, *image, rect);
    } else if (auto* toggle = dynamic_cast<Switch*>(&view)) {
        paintSwitch(painter, *toggle, rect);
    } else if (auto* slider = dynamic_cast<Slider*>(&view)) {
        paintSlider(painter, *slider, rect);
    } else if (auto* picker = dynamic_cast<DatePicker*>(&view)) {
        paintDatePicker(painter, *picker, rect);
    } else if (auto* web = dynamic_cast<WebView*>(&view)) {
        paintWebPlaceholder(painter, *web, rect);
    } else if (auto* collection = dynamic_cast<CollectionView*>(&view)) {
        // The grid scrolls under its frame: items above or below it are clipped away.
        painter.setClipRect(rect, Qt::IntersectClip);
        double offset = collection->contentOffset().y;
        for (const auto& item : collection->layoutItems()) {
            if (!item.cell || item.frame.y + item.frame.height < offset || item.frame.y > offset + rect.height())
                continue;
            painter.save();
            painter.translate(item.frame.x, item.frame.y - offset);
            paintView(painter, *item.cell);
            if (item.cell->isSelected())
                painter.fillRect(QRectF(0, 0, item.frame.width, item.frame.height), QColor(0, 0, 0, 50));
            painter.restore();
        }
    } else {
        return false;
    }
    return true;
}

} // namespace quindle::qt
