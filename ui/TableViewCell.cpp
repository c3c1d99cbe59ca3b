#include "ui/TableViewCell.h"

#include <algorithm>

namespace quindle {

TableViewCell::TableViewCell(CellStyle style, std::string reuseIdentifier)
    : View(defaultFrame)
    , m_reuseIdentifier(std::move(reuseIdentifier))
    , m_style(style)
{
}

std::shared_ptr<TableViewCell> TableViewCell::create(CellStyle style, std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<TableViewCell>(new TableViewCell(style, std::move(reuseIdentifier)));
    cell->build();
    return cell;
}

void TableViewCell::build()
{
    if (m_contentView)
        return;
    m_contentView = View::create();
    m_contentView->setBackgroundColour(Colour::fromRGB(0, 0, 0, 0));
    addSubview(m_contentView);
    m_textLabel = Label::create();
    m_contentView->addSubview(m_textLabel);
    if (m_style != CellStyle::Default) {
        m_detailLabel = Label::create();
        m_detailLabel->setTextColour(Colour::fromRGB(0.5, 0.5, 0.5));
        m_contentView->addSubview(m_detailLabel);
    }
    layoutSubviews();
}

void TableViewCell::setAccessoryView(std::shared_ptr<View> view)
{
    if (view == m_accessoryView)
        return;
    if (m_accessoryView)
        m_accessoryView->removeFromSuperview();
    m_accessoryView = std::move(view);
    if (m_accessoryView)
        addSubview(m_accessoryView);
    layoutSubviews();
}

void TableViewCell::setAccessoryType(AccessoryType type)
{
    if (type == m_accessory)
        return;
    m_accessory = type;
    layoutSubviews();
    notify(ChangeKind::Appearance);
}

void TableViewCell::layoutSubviews()
{
    if (!m_contentView)
        return;
    bool accessory = m_accessoryView || m_accessory != AccessoryType::None;
    Rect content = bounds();
    // An accessory view keeps its own size (a control is wider than a mark), centred on the
    // right with a margin; a mark takes the standard width.
    const Rect own = m_accessoryView ? m_accessoryView->frame() : Rect {};
    const double width = std::max(accessoryWidth, own.width);
    const double rightInset = m_accessoryView && own.width > accessoryWidth ? accessoryMargin : 0;
    if (accessory)
        content.width = std::max(0.0, content.width - width - rightInset);
    m_contentView->setFrame(content);
    if (m_accessoryView) {
        const double height = own.height > 0 && own.height < content.height ? own.height : content.height;
        m_accessoryView->setFrame({ content.maxX(), (content.height - height) / 2, width, height });
    }
    // Labels keep a margin; the detail goes on the right (Value1) or below (Subtitle).
    constexpr double margin = 15;
    Rect text = content.inset(0, margin, 0, margin);
    if (m_style == CellStyle::Default || !m_detailLabel) {
        m_textLabel->setFrame(text);
    } else if (m_style == CellStyle::Value1) {
        m_textLabel->setFrame({ text.x, text.y, text.width / 2, text.height });
        m_detailLabel->setFrame({ text.x + text.width / 2, text.y, text.width / 2, text.height });
    } else {
        m_textLabel->setFrame({ text.x, text.y, text.width, text.height * 0.6 });
        m_detailLabel->setFrame({ text.x, text.y + text.height * 0.6, text.width, text.height * 0.4 });
    }
}

void TableViewCell::prepareForReuse() { setSelected(false); }

} // namespace quindle
