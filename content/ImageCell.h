#pragma once

#include "core/Asset.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableViewCell.h"

#include <memory>
#include <string>

namespace quindle {

/// A picture row with a large outlined title over it.
class ImageCell : public TableViewCell {
public:
    /// How far the picture's centre follows the device's tilt, each way, in points.
    static constexpr double tiltRange = 20;
    /// How much larger than its container the picture is on every side, so a tilt shows no edge.
    static constexpr double pictureOverhang = 10;
    static constexpr double titleHeight = 40;
    static constexpr double titleFontSize = 30;

    static std::shared_ptr<ImageCell> create(CellStyle style, std::string reuseIdentifier);

    void configureWithImage(std::shared_ptr<const Image> image, const std::string& title);
    /// Picture rows are configured with their picture, not their record.
    void configureWithAsset(const AssetRecord&) { }
    void layoutSubviews() override;
    /// Gives the view the tilt effect, both axes over the tilt range.
    static void backGroundMotion(View& view);

    const std::shared_ptr<ImageView>& imageView() const { return m_imageView; }
    const std::shared_ptr<Label>& title() const { return m_title; }
    const std::shared_ptr<View>& boundingView() const { return m_boundingView; }

private:
    ImageCell(CellStyle style, std::string reuseIdentifier);
    std::shared_ptr<ImageView> m_imageView;
    std::shared_ptr<Label> m_title;
    std::shared_ptr<View> m_boundingView;
};

} // namespace quindle
