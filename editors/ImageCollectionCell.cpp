#include "editors/ImageCollectionCell.h"

namespace quindle {

std::shared_ptr<ImageCollectionCell> ImageCollectionCell::create(std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<ImageCollectionCell>(new ImageCollectionCell(std::move(reuseIdentifier)));
    cell->build();
    cell->m_imageView = ImageView::create();
    cell->m_imageView->setContentMode(ContentMode::AspectFit);
    cell->m_imageView->setClipsToBounds(true);
    cell->contentView()->addSubview(cell->m_imageView);
    cell->layoutSubviews();
    return cell;
}

void ImageCollectionCell::layoutSubviews()
{
    CollectionViewCell::layoutSubviews();
    if (m_imageView)
        m_imageView->setFrame(contentView()->bounds());
}

void ImageCollectionCell::prepareForReuse()
{
    CollectionViewCell::prepareForReuse();
    if (m_imageView)
        m_imageView->setImage(nullptr);
}

} // namespace quindle
