#pragma once

#include "ui/CollectionViewCell.h"
#include "ui/ImageView.h"

#include <memory>
#include <string>

namespace quindle {

/// One thumbnail of the image library grid: a picture that fills the cell, scaled to fit
/// without distortion.
class ImageCollectionCell : public CollectionViewCell {
public:
    static std::shared_ptr<ImageCollectionCell> create(std::string reuseIdentifier);

    const std::shared_ptr<ImageView>& imageView() const { return m_imageView; }
    void layoutSubviews() override;
    /// A reused cell shows no picture until it is configured again.
    void prepareForReuse() override;

private:
    explicit ImageCollectionCell(std::string reuseIdentifier) : CollectionViewCell(std::move(reuseIdentifier)) { }
    std::shared_ptr<ImageView> m_imageView;
};

} // namespace quindle
