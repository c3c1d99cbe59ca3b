// Painting of tables: the visible rows only (through the table's own walk), section headers,
// every cell kind, reorder mode, pull to refresh and row fades.
#include "frontends/qt/ContentPainter.h"

#include "content/EventCell.h"
#include "frontends/qt/PaintSupport.h"
#include "frontends/qt/ViewRegistry.h"
#include "ui/RefreshControl.h"

#include <QPainter>

#include <algorithm>

namespace quindle::qt {

void ContentPainter::rowsChanged(const TableView& table, RowChange change, const std::vector<IndexPath>& rows,
                                 RowAnimation animation, double now, const QPixmap& lastFrame)
{
    if (animation == RowAnimation::None)
        return;
    auto& fades = m_fades[&table];
    if (change == RowChange::Insert || change == RowChange::Reload) {
        for (const auto& row : rows)
            fades.push_back({ row, now, true, {}, {} });
    } else if (change == RowChange::Delete) {
        const DrawnTable* drawnTable = drawn(table);
        if (!drawnTable || lastFrame.isNull())
            return;
        for (const auto& row : rows) {
            auto found = std::ranges::find_if(drawnTable->rows, [&](auto& entry) { return entry.first == row; });
            if (found == drawnTable->rows.end())
                continue;
            QRectF onWindow = drawnTable->contentToWindow.mapRect(found->second);
            double ratio = lastFrame.devicePixelRatio();
            QRect pixels(QPointF(onWindow.topLeft() * ratio).toPoint(), QPointF(onWindow.bottomRight() * ratio).toPoint());
            fades.push_back({ row, now, false, lastFrame.copy(pixels), found->second });
        }
    }
}

void ContentPainter::paintRefresh(QPainter& painter, TableView& table, double offset, double width)
{
    auto control = table.refreshControl();
    if (!control)
        return;
    bool refreshing = control->isRefreshing();
    if (offset >= 0 && !refreshing)
        return;
    // Drawn in the strip the pull uncovered above the content, or at the top while it spins.
    double gap = std::max(-offset, refreshing ? 44.0 : 0.0);
    QRectF strip(0, offset, width, gap);
    painter.save();
    painter.fillRect(strip, QColor(239, 239, 244));
    QPointF centre(width / 2, offset + std::min(gap, 60.0) / 2);
    if (refreshing) {
        paintSpinner(painter, centre, 10, m_now);
        m_report->animating = true;
    } else {
        double progress = std::min(1.0, -offset / pullThreshold);
        painter.setPen(Palette::secondaryText());
        painter.setFont(systemFont(13));
        paintSpinner(painter, centre - QPointF(0, 4), 8 * progress, 0, QColor(120, 120, 120));
        if (gap > 40)
            painter.drawText(QRectF(0, centre.y() + 8, width, 18), Qt::AlignCenter,
                             progress >= 1 ? QStringLiteral("Release to refresh") : QStringLiteral("Pull to refresh"));
    }
    painter.restore();
}

void ContentPainter::paintTable(QPainter& painter, TableView& table)
{
    double width = table.frame().width;
    double height = table.frame().height;
    if (table.style() == TableViewStyle::Grouped && table.backgroundColour() == Colour::white())
        painter.fillRect(QRectF(0, 0, width, height), Palette::groupedBackground());
    painter.setClipRect(QRectF(0, 0, width, height), Qt::IntersectClip);
    double offset = table.contentOffset().y;
    painter.translate(0, -offset);
    DrawnTable& drawnTable = m_drawn[&table];
    drawnTable.table = std::static_pointer_cast<TableView>(table.shared_from_this());
    drawnTable.contentToWindow = painter.transform();
    drawnTable.rows.clear();

    paintRefresh(painter, table, offset, width);
    if (auto header = table.tableHeaderView(); header && !header->isHidden()) {
        // The header spans the table; its height is its own.
        if (header->frame().width != width || header->frame().x != 0 || header->frame().y != 0)
            header->setFrame({ 0, 0, width, header->frame().height });
        if (header->frame().maxY() > offset)
            paintView(painter, *header);
    }

    TableLayout layout = table.layoutRows(std::max(0.0, offset), height + std::min(0.0, offset));
    drawnTable.contentHeight = layout.contentHeight;
    for (const auto& header : layout.headers) {
        QRectF rect = toQRect(header.frame);
        painter.fillRect(rect, table.style() == TableViewStyle::Grouped ? Palette::groupedBackground() : QColor(247, 247, 247));
        painter.setPen(QColor(109, 109, 114));
        painter.setFont(systemFont(13, true));
        painter.drawText(rect.adjusted(15, 0, -15, 0), Qt::AlignLeft | Qt::AlignVCenter, toQString(header.title).toUpper());
    }
    const RowDrag* drag = m_drag && m_drag->table.lock().get() == &table ? &*m_drag : nullptr;
    QRectF dragged;
    std::shared_ptr<TableViewCell> draggedCell;
    for (const auto& row : layout.rows) {
        QRectF frame = toQRect(row.frame);
        drawnTable.rows.emplace_back(row.indexPath, frame);
        if (drag && drag->from == row.indexPath) {
            dragged = frame;
            draggedCell = row.cell;
            painter.fillRect(frame, QColor(242, 242, 247));
            continue;
        }
        paintCell(painter, table, *row.cell, row.indexPath, frame);
    }
    // The dragged row floats over the others under the pointer, with a shadow.
    if (draggedCell) {
        QRectF lifted(0, drag->pointerY - drag->grabOffset, width, dragged.height());
        painter.fillRect(lifted.translated(0, 3), QColor(0, 0, 0, 40));
        paintCell(painter, table, *draggedCell, drag->from, lifted);
    }

    // Deleted rows fade out where they were; their pictures are in window pixels.
    auto& fades = m_fades[&table];
    std::erase_if(fades, [&](const RowFade& fade) { return m_now - fade.start > fadeDuration; });
    for (const auto& fade : fades) {
        if (fade.appearing || fade.ghost.isNull())
            continue;
        painter.save();
        painter.setOpacity(painter.opacity() * (1 - (m_now - fade.start) / fadeDuration));
        painter.drawPixmap(fade.ghostRect, fade.ghost, QRectF(fade.ghost.rect()));
        painter.restore();
    }
    if (!fades.empty())
        m_report->animating = true;
}

void ContentPainter::paintCell(QPainter& painter, TableView& table, TableViewCell& cell, IndexPath path, const QRectF& frame)
{
    painter.save();
    painter.translate(frame.topLeft());
    QRectF rect(0, 0, frame.width(), frame.height());
    for (const auto& fade : m_fades[&table]) {
        if (fade.appearing && fade.row == path)
            painter.setOpacity(painter.opacity() * std::clamp((m_now - fade.start) / fadeDuration, 0.0, 1.0));
    }
    Colour background = cell.backgroundColour();
    painter.fillRect(rect, background.alpha > 0 ? toQColor(background) : QColor(Qt::white));
    if (cell.isSelected() && cell.selectionStyle() == SelectionStyle::Default)
        painter.fillRect(rect, QColor(209, 209, 214));

    bool editing = table.isEditing();
    auto source = table.dataSource();
    auto delegate = table.delegate();
    if (editing) {
        bool deletable = source && source->canEditRowAtIndexPath(table, path)
            && (delegate ? delegate->editingStyleForRowAtIndexPath(table, path) : EditingStyle::Delete) == EditingStyle::Delete;
        if (deletable) {
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            QPointF centre(CellMetrics::editInset / 2, rect.center().y());
            painter.setPen(Qt::NoPen);
            painter.setBrush(Palette::destructive());
            painter.drawEllipse(centre, 11, 11);
            painter.fillRect(QRectF(centre.x() - 6, centre.y() - 1.2, 12, 2.4), Qt::white);
            painter.restore();
        }
        if (source && source->canMoveRowAtIndexPath(table, path)) {
            double x = rect.right() - CellMetrics::handleWidth + 10;
            for (int i = -1; i <= 1; ++i)
                painter.fillRect(QRectF(x, rect.center().y() + i * 5 - 0.75, 20, 1.5), QColor(160, 160, 165));
        }
        painter.setClipRect(QRectF(CellMetrics::editInset, 0, rect.width() - CellMetrics::editInset - CellMetrics::handleWidth, rect.height()),
                            Qt::IntersectClip);
        painter.translate(CellMetrics::editInset, 0);
    }

    // The cell's own views: content, accessory view and any others a subclass added.
    for (const auto& subview : cell.subviews()) {
        painter.save();
        painter.translate(subview->frame().x, subview->frame().y);
        paintView(painter, *subview);
        painter.restore();
    }
    // A cell of a registered kind (a carousel row) paints and moves through its handlers.
    if (const ViewHandlers* handlers = ViewRegistry::shared().find(cell)) {
        if (handlers->step)
            m_report->stepping.push_back(cell.weak_from_this());
        if (handlers->paint)
            handlers->paint(painter, cell, rect);
    }
    if (auto accessory = cell.accessoryView(); accessory && accessory->superview().get() != &cell) {
        painter.save();
        painter.translate(accessory->frame().x, accessory->frame().y);
        paintView(painter, *accessory);
        painter.restore();
    }
    if (!editing && !cell.accessoryView()) {
        double x = rect.right() - TableViewCell::accessoryWidth / 2 - 4;
        painter.setRenderHint(QPainter::Antialiasing);
        if (cell.accessoryType() == AccessoryType::DisclosureIndicator) {
            painter.setPen(QPen(QColor(196, 196, 199), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPolyline(QPolygonF({ QPointF(x - 3, rect.center().y() - 6), QPointF(x + 3, rect.center().y()),
                QPointF(x - 3, rect.center().y() + 6) }));
        } else if (cell.accessoryType() == AccessoryType::Checkmark) {
            painter.setPen(QPen(Palette::tint(), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPolyline(QPolygonF({ QPointF(x - 7, rect.center().y()), QPointF(x - 2, rect.center().y() + 5),
                QPointF(x + 7, rect.center().y() - 6) }));
        }
    }
    if (dynamic_cast<EventCell*>(&cell))
        m_report->eventCells.push_back(std::static_pointer_cast<TableViewCell>(cell.shared_from_this()));
    painter.restore();
    if (table.separatorStyle() == SeparatorStyle::SingleLine)
        painter.fillRect(QRectF(frame.left() + 15, frame.bottom() - 0.5, frame.width() - 15, 0.5), QColor(200, 199, 204));
}

} // namespace quindle::qt
