#include "ui/ImageView.h"

namespace quindle {

std::shared_ptr<ImageView> ImageView::create(Rect frame) { return std::shared_ptr<ImageView>(new ImageView(frame)); }

Size ImageView::imageSize() const
{
    if (!m_image)
        return {};
    return { static_cast<double>(m_image->width()), static_cast<double>(m_image->height()) };
}

} // namespace quindle
