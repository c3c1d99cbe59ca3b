#pragma once

#include "carousel/CarouselItemView.h"

namespace quindle {

class CarouselView;

/// Supplies the items of a carousel.
class CarouselDataSource {
public:
    virtual ~CarouselDataSource() = default;

    virtual int numberOfItemsInCarousel(CarouselView& carousel) = 0;
    /// The view for an item; reusingView is a view that left the screen, or null.
    virtual CarouselItemViewPtr viewForItemAtIndex(CarouselView& carousel, int index, CarouselItemViewPtr reusingView) = 0;
    /// The view for a placeholder slot beyond the ends of a non-wrapping carousel; none by default.
    virtual CarouselItemViewPtr placeholderViewAtIndex(CarouselView&, int, CarouselItemViewPtr) { return nullptr; }
};

}
