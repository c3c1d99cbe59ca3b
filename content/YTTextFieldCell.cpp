#include "content/YTTextFieldCell.h"

namespace quindle {

std::shared_ptr<YTTextFieldCell> YTTextFieldCell::create(std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<YTTextFieldCell>(new YTTextFieldCell(std::move(reuseIdentifier)));
    cell->build();
    cell->setSelectionStyle(SelectionStyle::None);
    return cell;
}

void YTTextFieldCell::configureWithView(const std::shared_ptr<View>& view)
{
    if (m_view == view)
        return;
    // A reused cell gives up the view it showed, which its owner still holds.
    if (m_view && m_view->superview().get() == contentView().get())
        m_view->removeFromSuperview();
    m_view = view;
    if (m_view) {
        if (m_view->superview())
            m_view->removeFromSuperview();
        contentView()->addSubview(m_view);
    }
    layoutSubviews();
}

void YTTextFieldCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    if (m_view)
        m_view->setFrame(contentView()->bounds());
}

} // namespace quindle
