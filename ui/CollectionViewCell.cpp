#include "ui/CollectionViewCell.h"

namespace quindle {

std::shared_ptr<CollectionViewCell> CollectionViewCell::create(std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<CollectionViewCell>(new CollectionViewCell(std::move(reuseIdentifier)));
    cell->build();
    return cell;
}

void CollectionViewCell::build()
{
    if (m_contentView)
        return;
    m_contentView = View::create(bounds());
    m_contentView->setBackgroundColour(Colour::fromRGB(0, 0, 0, 0));
    addSubview(m_contentView);
}

void CollectionViewCell::layoutSubviews()
{
    if (m_contentView)
        m_contentView->setFrame(bounds());
}

} // namespace quindle
