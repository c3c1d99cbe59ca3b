#include "content/ImageCell.h"

namespace quindle {

ImageCell::ImageCell(CellStyle style, std::string reuseIdentifier)
    : TableViewCell(style, std::move(reuseIdentifier))
{
}

std::shared_ptr<ImageCell> ImageCell::create(CellStyle style, std::string reuseIdentifier)
{
    auto cell = std::shared_ptr<ImageCell>(new ImageCell(style, std::move(reuseIdentifier)));
    cell->build();
    cell->m_boundingView = View::create();
    cell->m_boundingView->setClipsToBounds(true);
    cell->m_imageView = ImageView::create();
    cell->m_imageView->setContentMode(ContentMode::AspectFill);
    backGroundMotion(*cell->m_imageView);
    cell->m_boundingView->addSubview(cell->m_imageView);
    cell->m_title = Label::create();
    cell->m_title->setFont({ "Helvetica Bold", titleFontSize });
    cell->m_title->setTextAlignment(TextAlignment::Center);
    cell->m_title->setBackgroundColour(Colour::fromRGB(0, 0, 0, 0));
    cell->contentView()->addSubview(cell->m_boundingView);
    cell->contentView()->addSubview(cell->m_title);
    cell->layoutSubviews();
    return cell;
}

void ImageCell::backGroundMotion(View& view)
{
    // No motion sensor drives these here; the range is kept for renderers that have one.
    view.addMotionEffect({ MotionEffect::Axis::Horizontal, tiltRange, -tiltRange });
    view.addMotionEffect({ MotionEffect::Axis::Vertical, tiltRange, -tiltRange });
}

void ImageCell::configureWithImage(std::shared_ptr<const Image> image, const std::string& title)
{
    setAccessoryType(AccessoryType::None);
    setAccessoryView(nullptr);
    setBackgroundColour(Colour::black());
    m_imageView->setImage(std::move(image));
    m_title->setText(title);
    m_title->setTextColour(Colour::white());
    m_title->setStroke(Colour::black(), -4);
    layoutSubviews();
}

void ImageCell::layoutSubviews()
{
    TableViewCell::layoutSubviews();
    if (!m_boundingView)
        return;
    Rect content = contentView()->bounds();
    m_boundingView->setFrame(content);
    // The picture grows with the cell.
    m_imageView->setFrame(m_boundingView->bounds().inset(-pictureOverhang, -pictureOverhang, -pictureOverhang, -pictureOverhang));
    m_title->setFrame({ content.x, content.y + (content.height - titleHeight) / 2, content.width, titleHeight });
}

} // namespace quindle
