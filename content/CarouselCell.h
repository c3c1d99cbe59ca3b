#pragma once

#include "carousel/CarouselView.h"
#include "core/Asset.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableViewCell.h"

#include <functional>
#include <memory>
#include <set>
#include <string>

namespace quindle {

/// A row holding a horizontal carousel of pictures: a carousel record followed by its items.
/// The cell is the carousel's data source and delegate.
class CarouselCell : public TableViewCell, public CarouselDataSource, public CarouselDelegate {
public:
    /// Called with the chosen index and its record (null when the cell has no items).
    using SelectionHandler = std::function<void(int index, const AssetRecord& record)>;

    /// The prefix of a record's "options" that names the carousel style by number.
    static constexpr const char* stylePrefix = "Carousel:";
    /// Items shown by a cell without a record, as a style preview.
    static constexpr int previewItemCount = 6;
    /// Space kept free above and below the carousel.
    static constexpr double verticalInset = 5;
    static constexpr double labelFontSize = 30;
    /// The label of an item view is found again by this tag.
    static constexpr int labelTag = 1;
    /// Spacing between items, as a multiple of the carousel's own default.
    static constexpr double spacingFactor = 1.1;
    static constexpr const char* placeholderImageName = "selectImage.png";

    /// One item: a square picture with its name over it.
    class ItemView : public CarouselItemView {
    public:
        explicit ItemView(double size);
        double width() const override { return m_imageView->frame().width; }
        double height() const override { return m_imageView->frame().height; }
        const std::shared_ptr<ImageView>& imageView() const { return m_imageView; }
        std::shared_ptr<Label> label() const { return std::dynamic_pointer_cast<Label>(m_imageView->viewWithTag(labelTag)); }

    private:
        std::shared_ptr<ImageView> m_imageView;
    };

    static std::shared_ptr<CarouselCell> create(CellStyle style, std::string reuseIdentifier);

    /// Shows the record (or, without one, the style preview) with items `height` points square.
    void configureWithImage(const AssetRecord& record, int height, SelectionHandler handler);
    void layoutSubviews() override;

    const std::shared_ptr<CarouselView>& carousel() const { return m_carousel; }
    const std::shared_ptr<View>& boundingView() const { return m_boundingView; }
    const AssetRecord& object() const { return m_object; }
    int height() const { return m_height; }
    const JsonArrayPtr& objects() const { return m_objects; }
    /// The style used when the record names none.
    int type() const { return m_type; }
    void setType(int type) { m_type = type; }
    /// The record of the item nearest the scroll position (the cell's record while it has no
    /// items; null for the preview).
    AssetRecord currentItem() const;

    // Carousel data source and delegate.
    int numberOfItemsInCarousel(CarouselView& carousel) override;
    CarouselItemViewPtr viewForItemAtIndex(CarouselView& carousel, int index, CarouselItemViewPtr reusingView) override;
    double valueForOption(CarouselView& carousel, CarouselOption option, double defaultValue) override;
    void didSelectItemAtIndex(CarouselView& carousel, int index) override;

private:
    CarouselCell(CellStyle style, std::string reuseIdentifier);
    AssetRecord itemAt(int index) const;
    void fetchList(const std::string& assetID);
    /// Fetches the picture at the address into the record's "image", then reloads the carousel.
    void fetchImage(const AssetRecord& record, const std::string& url);

    std::shared_ptr<View> m_boundingView;
    std::shared_ptr<CarouselView> m_carousel;
    AssetRecord m_object;
    SelectionHandler m_selectionHandler;
    int m_height { 0 };
    JsonArrayPtr m_objects = JsonArray::create();
    int m_type { 0 };
    /// Picture addresses being fetched, so redrawing an item does not ask again.
    std::set<std::string> m_pendingImages;
    /// Bumped on every configuration, so answers for an earlier record are dropped.
    unsigned m_generation { 0 };
};

} // namespace quindle
