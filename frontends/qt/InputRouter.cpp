#include "frontends/qt/InputRouter.h"

#include "frontends/qt/AlertPainter.h"
#include "frontends/qt/PhoneWindow.h"
#include "frontends/qt/ViewRegistry.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/DatePicker.h"
#include "ui/PopoverController.h"
#include "ui/Slider.h"
#include "ui/Switch.h"
#include "ui/TabBarController.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/Window.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTouchEvent>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>

namespace quindle::qt {

namespace {

bool isControl(const View& view)
{
    if (auto* text = dynamic_cast<const TextView*>(&view))
        return text->isEditable();
    return dynamic_cast<const Button*>(&view) || dynamic_cast<const TextField*>(&view) || dynamic_cast<const Switch*>(&view)
        || dynamic_cast<const Slider*>(&view) || dynamic_cast<const DatePicker*>(&view) || view.onTouch;
}

double sliderValue(const Slider& slider, double x)
{
    double left = 14, right = slider.frame().width - 14;
    double fraction = right > left ? std::clamp((x - left) / (right - left), 0.0, 1.0) : 0;
    return slider.minimumValue() + fraction * (slider.maximumValue() - slider.minimumValue());
}

// The picker's wheels as painted: the date (twice as wide), the hour, the minute. A tap above
// the middle band turns a wheel back one step, below it forward.
void turnPicker(DatePicker& picker, QPointF point)
{
    struct Wheel { std::chrono::seconds step; double weight; };
    std::vector<Wheel> wheels;
    if (picker.datePickerMode() != DatePickerMode::TimeOnly)
        wheels.push_back({ std::chrono::hours(24), 2 });
    if (picker.datePickerMode() != DatePickerMode::DateOnly) {
        wheels.push_back({ std::chrono::hours(1), 1 });
        wheels.push_back({ std::chrono::minutes(1), 1 });
    }
    double total = 0;
    for (auto& wheel : wheels)
        total += wheel.weight;
    double width = picker.frame().width - 16;
    double x = 8;
    double middle = picker.frame().height / 2;
    double band = std::min(32.0, (picker.frame().height - 8) / 5) / 2;
    if (std::abs(point.y() - middle) <= band)
        return;
    int direction = point.y() < middle ? -1 : 1;
    for (auto& wheel : wheels) {
        double wheelWidth = width * wheel.weight / total;
        if (point.x() < x + wheelWidth || &wheel == &wheels.back()) {
            picker.pick(picker.date() + wheel.step * direction);
            return;
        }
        x += wheelWidth;
    }
}

} // namespace

bool InputRouter::hitView(const std::shared_ptr<View>& view, QPointF point, ContentHit& hit)
{
    if (!view || view->isHidden() || view->alpha() <= 0.01 || !view->isUserInteractionEnabled())
        return false;
    if (!QRectF(0, 0, view->frame().width, view->frame().height).contains(point))
        return false;
    if (auto table = std::dynamic_pointer_cast<TableView>(view)) {
        double contentY = point.y() + table->contentOffset().y;
        std::optional<IndexPath> row;
        auto zone = ContentHit::Zone::Row;
        auto header = table->tableHeaderView();
        if (header && !header->isHidden() && contentY < header->frame().maxY()) {
            hitView(header, QPointF(point.x() - header->frame().x, contentY - header->frame().y), hit);
        } else if (const auto* drawn = m_window.contentPainter().drawn(*table)) {
            for (const auto& [path, rect] : drawn->rows) {
                if (contentY < rect.top() || contentY >= rect.bottom())
                    continue;
                row = path;
                QPointF inCell(point.x(), contentY - rect.top());
                if (table->isEditing()) {
                    if (point.x() < CellMetrics::editInset)
                        zone = ContentHit::Zone::Delete;
                    else if (point.x() > rect.width() - CellMetrics::handleWidth)
                        zone = ContentHit::Zone::Handle;
                    inCell.rx() -= CellMetrics::editInset;
                }
                auto cell = table->cellForRowAtIndexPath(path);
                if (cell && zone == ContentHit::Zone::Row) {
                    const auto& subviews = cell->subviews();
                    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
                        if (hitView(*it, inCell - QPointF((*it)->frame().x, (*it)->frame().y), hit))
                            break;
                    }
                    // A cell of a registered kind (a carousel row) takes the gesture itself.
                    const ViewHandlers* handlers = ViewRegistry::shared().find(*cell);
                    if (!hit.pointerView && handlers && handlers->pointer) {
                        hit.pointerView = cell;
                        hit.pointerPoint = inCell;
                    }
                }
                break;
            }
        }
        if (!hit.table) {
            hit.table = table;
            hit.row = row;
            hit.zone = zone;
            hit.tablePoint = point;
        }
        return true;
    }
    if (auto collection = std::dynamic_pointer_cast<CollectionView>(view)) {
        double offset = collection->contentOffset().y;
        for (const auto& item : collection->layoutItems()) {
            QRectF rect(item.frame.x, item.frame.y - offset, item.frame.width, item.frame.height);
            if (!rect.contains(point))
                continue;
            if (item.cell)
                hitView(item.cell, point - rect.topLeft(), hit);
            if (!hit.collection) {
                hit.collection = collection;
                hit.item = item.indexPath;
            }
            break;
        }
        // A finger between items still scrolls the grid; it selects nothing.
        if (!hit.collection)
            hit.collection = collection;
    }
    const auto& subviews = view->subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        if (hitView(*it, point - QPointF((*it)->frame().x, (*it)->frame().y), hit))
            break;
    }
    if (!hit.control && isControl(*view)) {
        hit.control = view;
        hit.controlPoint = point;
    }
    const ViewHandlers* handlers = ViewRegistry::shared().find(*view);
    if (!hit.pointerView && handlers && handlers->pointer) {
        hit.pointerView = view;
        hit.pointerPoint = point;
    }
    return true;
}

ContentHit InputRouter::hitTest(const std::shared_ptr<View>& root, QPointF origin, QPointF point)
{
    ContentHit hit;
    hitView(root, point - origin, hit);
    return hit;
}

void InputRouter::sendPointer(int phase, QPointF point, double time)
{
    if (!m_hit.pointerView)
        return;
    const ViewHandlers* handlers = ViewRegistry::shared().find(*m_hit.pointerView);
    if (!handlers || !handlers->pointer)
        return;
    PointerEvent event { static_cast<PointerEvent::Phase>(phase), m_hit.pointerPoint + (point - m_start), time };
    handlers->pointer(*m_hit.pointerView, event);
    m_window.wakeFrames();
}

void InputRouter::press(QPointF point, double time)
{
    m_window.finishAnimations();
    m_mode = Mode::None;
    m_hit = {};
    m_tapAction = nullptr;
    m_start = point;
    const auto& window = m_window.window();
    if (!window)
        return;
    Scene scene = m_window.currentScene();

    // An alert takes every press while it shows.
    if (auto alert = window->topAlert()) {
        m_mode = Mode::Blocked;
        AlertLayout layout = AlertLayout::build(*alert, scene.bounds);
        for (size_t i = 0; i < layout.buttons.size(); ++i) {
            if (layout.buttons[i].contains(point)) {
                std::weak_ptr<AlertView> weak = alert;
                m_tapArea = layout.buttons[i];
                m_tapAction = [weak, i] {
                    if (auto shown = weak.lock())
                        shown->chooseButton(static_cast<int>(i));
                };
            }
        }
        for (size_t i = 0; i < layout.fields.size(); ++i) {
            if (layout.fields[i].contains(point))
                if (auto field = alert->textFieldAtIndex(i))
                    field->becomeFirstResponder();
        }
        return;
    }

    std::shared_ptr<View> root;
    QPointF origin;
    for (auto it = window->popovers().rbegin(); it != window->popovers().rend(); ++it) {
        const auto& popover = *it;
        if (!popover->isPopoverVisible() || !popover->contentViewController())
            continue;
        PopoverLayout layout = PopoverLayout::build(*popover, scene.bounds);
        if (!layout.panel.contains(point)) {
            m_mode = Mode::Blocked;
            m_tapArea = scene.bounds;
            std::weak_ptr<PopoverController> weak = popover;
            m_tapAction = [weak] {
                if (auto shown = weak.lock())
                    shown->tapOutside();
            };
            return;
        }
        auto shown = popover->contentViewController()->visibleViewController();
        root = shown ? shown->view() : nullptr;
        origin = layout.content.topLeft();
        break;
    }

    if (!root) {
        if (!scene.backRect.isEmpty() && scene.backRect.contains(point)) {
            auto nav = scene.top ? scene.top->navigationController() : nullptr;
            m_mode = Mode::Blocked;
            m_tapArea = scene.backRect;
            m_tapAction = [nav] {
                if (nav)
                    nav->backButtonPressed();
            };
            return;
        }
        for (const auto& slot : scene.barButtons) {
            if (slot.rect.contains(point)) {
                m_mode = Mode::Blocked;
                m_tapArea = slot.rect;
                auto item = slot.item;
                m_tapAction = [item] { item->press(); };
                return;
            }
        }
        if (scene.navigationBar.contains(point) || scene.statusBar.contains(point)) {
            m_mode = Mode::Blocked;
            return;
        }
        for (size_t i = 0; i < scene.tabSlots.size(); ++i) {
            if (scene.tabSlots[i].rect.contains(point)) {
                m_mode = Mode::Blocked;
                m_tapArea = scene.tabSlots[i].rect;
                auto tabs = scene.tabs;
                m_tapAction = [tabs, i] { tabs->selectTab(static_cast<int>(i)); };
                return;
            }
        }
        if (!scene.content.contains(point) || !scene.top)
            return;
        root = scene.top->view();
        origin = scene.content.topLeft();
    }

    m_origin = origin;
    m_hit = hitTest(root, origin, point);
    if (m_hit.pointerView) {
        const ViewHandlers* handlers = ViewRegistry::shared().find(*m_hit.pointerView);
        PointerEvent event { PointerEvent::Phase::Press, m_hit.pointerPoint, time };
        if (handlers && handlers->pointer && handlers->pointer(*m_hit.pointerView, event)) {
            m_mode = Mode::Pointer;
            m_window.wakeFrames();
            return;
        }
    }
    if (auto slider = std::dynamic_pointer_cast<Slider>(m_hit.control)) {
        m_mode = Mode::Slider;
        slider->slide(sliderValue(*slider, m_hit.controlPoint.x()));
        return;
    }
    if (m_hit.table && m_hit.row && m_hit.zone == ContentHit::Zone::Handle && m_hit.table->isEditing()) {
        auto source = m_hit.table->dataSource();
        if (source && source->canMoveRowAtIndexPath(*m_hit.table, *m_hit.row)) {
            double contentY = m_hit.tablePoint.y() + m_hit.table->contentOffset().y;
            QRectF rect = m_window.rowRect(*m_hit.table, *m_hit.row);
            double rowTop = rect.isEmpty() ? contentY : rect.top() - point.y() + contentY;
            m_window.contentPainter().setRowDrag(RowDrag { m_hit.table, *m_hit.row, contentY, contentY - rowTop });
            m_mode = Mode::Reorder;
            m_window.update();
            return;
        }
    }
    m_mode = Mode::Pending;
}

void InputRouter::move(QPointF point, double time)
{
    QPointF moved = point - m_start;
    switch (m_mode) {
    case Mode::Pointer:
        sendPointer(static_cast<int>(PointerEvent::Phase::Move), point, time);
        break;
    case Mode::Slider:
        if (auto slider = std::dynamic_pointer_cast<Slider>(m_hit.control))
            slider->slide(sliderValue(*slider, m_hit.controlPoint.x() + moved.x()));
        break;
    case Mode::Reorder:
        if (auto drag = m_window.contentPainter().rowDrag()) {
            drag->pointerY = m_hit.tablePoint.y() + moved.y() + m_hit.table->contentOffset().y;
            m_window.contentPainter().setRowDrag(drag);
            m_window.update();
        }
        break;
    case Mode::Pending:
        if (std::abs(moved.y()) > tapSlop && m_hit.table) {
            m_mode = Mode::Scroll;
            m_window.scrollState().press(m_hit.table, m_start.y(), time);
            m_window.scrollState().drag(point.y(), time, m_window.contentHeights()[m_hit.table.get()]);
            m_window.update();
        } else if (std::abs(moved.y()) > tapSlop && m_hit.collection) {
            m_mode = Mode::GridScroll;
            m_gridStartOffset = m_hit.collection->contentOffset().y;
            m_hit.collection->setContentOffset({ 0, m_gridStartOffset - moved.y() });
            m_window.update();
        } else if (std::abs(moved.x()) > tapSlop || std::abs(moved.y()) > tapSlop) {
            m_mode = Mode::None;
        }
        break;
    case Mode::GridScroll:
        m_hit.collection->setContentOffset({ 0, m_gridStartOffset - moved.y() });
        m_window.update();
        break;
    case Mode::Scroll:
        m_window.scrollState().drag(point.y(), time, m_window.contentHeights()[m_hit.table.get()]);
        m_window.update();
        break;
    case Mode::Blocked:
        if (m_tapAction && !m_tapArea.contains(point))
            m_tapAction = nullptr;
        break;
    case Mode::None:
        break;
    }
}

std::optional<IndexPath> InputRouter::dropTarget(const TableView& table, IndexPath from, double contentY)
{
    const auto* drawn = m_window.contentPainter().drawn(table);
    if (!drawn || drawn->rows.empty())
        return std::nullopt;
    for (const auto& [path, rect] : drawn->rows) {
        if (contentY < rect.bottom())
            return path;
    }
    // Below the last row: the last place of its section; one past it when the row comes
    // from another section, as the table allows.
    IndexPath last = drawn->rows.back().first;
    return last.section == from.section ? last : IndexPath { last.section, last.row + 1 };
}

void InputRouter::release(QPointF point, double time)
{
    Mode mode = std::exchange(m_mode, Mode::None);
    switch (mode) {
    case Mode::Pointer:
        sendPointer(static_cast<int>(PointerEvent::Phase::Release), point, time);
        break;
    case Mode::Reorder: {
        auto drag = m_window.contentPainter().rowDrag();
        m_window.contentPainter().setRowDrag(std::nullopt);
        if (drag && m_hit.table) {
            double contentY = m_hit.tablePoint.y() + (point - m_start).y() + m_hit.table->contentOffset().y;
            auto target = dropTarget(*m_hit.table, drag->from, contentY);
            // The same model call as the text client's `move`, so the order reaches the server.
            if (target && *target != drag->from)
                m_hit.table->moveRow(drag->from, *target);
        }
        m_window.update();
        break;
    }
    case Mode::Scroll: {
        double pulled = m_window.scrollState().release(time, m_window.contentHeights()[m_hit.table.get()]);
        if (pulled >= ContentPainter::pullThreshold)
            m_hit.table->pullToRefresh();
        m_window.update();
        break;
    }
    case Mode::Pending:
        tap();
        break;
    case Mode::Blocked:
        if (m_tapAction && m_tapArea.contains(point))
            std::exchange(m_tapAction, nullptr)();
        break;
    case Mode::Slider:
    case Mode::GridScroll:
    case Mode::None:
        break;
    }
    m_hit = {};
}

void InputRouter::tap()
{
    if (auto control = m_hit.control) {
        if (auto button = std::dynamic_pointer_cast<Button>(control))
            button->tap();
        else if (std::dynamic_pointer_cast<TextField>(control) || std::dynamic_pointer_cast<TextView>(control))
            focus(control);
        else if (auto toggle = std::dynamic_pointer_cast<Switch>(control))
            toggle->toggle();
        else if (auto picker = std::dynamic_pointer_cast<DatePicker>(control))
            turnPicker(*picker, m_hit.controlPoint);
        else
            control->touch({ m_hit.controlPoint.x(), m_hit.controlPoint.y() });
        return;
    }
    if (m_hit.collection && m_hit.item) {
        m_hit.collection->selectItem(*m_hit.item);
        return;
    }
    if (m_hit.table && m_hit.row) {
        if (m_hit.zone == ContentHit::Zone::Delete)
            m_hit.table->deleteRow(*m_hit.row);
        else if (m_hit.zone == ContentHit::Zone::Row)
            m_hit.table->selectRow(*m_hit.row); // the delegate's selection, as the text client's `tap`
    }
}

void InputRouter::mouse(QMouseEvent* event)
{
    double time = m_window.now();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (event->button() == Qt::LeftButton)
            press(event->position(), time);
        break;
    case QEvent::MouseMove:
        if (event->buttons() & Qt::LeftButton)
            move(event->position(), time);
        break;
    case QEvent::MouseButtonRelease:
        if (event->button() == Qt::LeftButton)
            release(event->position(), time);
        break;
    default:
        break;
    }
    event->accept();
}

bool InputRouter::touch(QEvent* event)
{
    if (event->type() != QEvent::TouchBegin && event->type() != QEvent::TouchUpdate && event->type() != QEvent::TouchEnd
        && event->type() != QEvent::TouchCancel)
        return false;
    auto* touchEvent = static_cast<QTouchEvent*>(event);
    if (touchEvent->points().isEmpty())
        return true;
    QPointF point = touchEvent->points().front().position();
    double time = m_window.now();
    if (event->type() == QEvent::TouchBegin)
        press(point, time);
    else if (event->type() == QEvent::TouchUpdate)
        move(point, time);
    else
        release(point, time);
    event->accept();
    return true;
}

void InputRouter::wheel(QWheelEvent* event)
{
    const auto& window = m_window.window();
    if (!window || window->topAlert())
        return;
    Scene scene = m_window.currentScene();
    if (!scene.top || !scene.content.contains(event->position()))
        return;
    ContentHit hit = hitTest(scene.top->view(), scene.content.topLeft(), event->position());
    double delta = !event->pixelDelta().isNull() ? event->pixelDelta().y() : event->angleDelta().y() / 120.0 * 48;
    if (!hit.table && hit.collection) {
        hit.collection->setContentOffset({ 0, hit.collection->contentOffset().y - delta });
        m_window.update();
        event->accept();
        return;
    }
    if (!hit.table)
        return;
    m_window.scrollState().wheel(hit.table, -delta, m_window.contentHeights()[hit.table.get()]);
    m_window.update();
    event->accept();
}

} // namespace quindle::qt
