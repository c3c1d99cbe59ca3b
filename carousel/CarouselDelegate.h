#pragma once

#include "carousel/CarouselTypes.h"
#include "carousel/Transform3D.h"

namespace quindle {

class CarouselView;

/// Tunes a carousel and hears what it does. Every operation has a default answer.
class CarouselDelegate {
public:
    virtual ~CarouselDelegate() = default;

    virtual int numberOfPlaceholdersInCarousel(CarouselView&) { return 0; }
    /// The width of every item, in points; zero takes it from the loaded item views.
    virtual double carouselItemWidth(CarouselView&) { return 0; }
    virtual bool shouldSelectItemAtIndex(CarouselView&, int) { return true; }
    virtual void didSelectItemAtIndex(CarouselView&, int) { }
    /// The transform of an item of the Custom style.
    virtual Transform3D itemTransformForOffset(CarouselView&, double, const Transform3D& baseTransform) { return baseTransform; }
    virtual double valueForOption(CarouselView&, CarouselOption, double defaultValue) { return defaultValue; }

    virtual void carouselWillBeginScrollingAnimation(CarouselView&) { }
    virtual void carouselDidEndScrollingAnimation(CarouselView&) { }
    virtual void carouselDidScroll(CarouselView&) { }
    virtual void carouselCurrentItemIndexDidChange(CarouselView&) { }
    virtual void carouselWillBeginDragging(CarouselView&) { }
    virtual void carouselDidEndDragging(CarouselView&, CarouselDeceleration) { }
    virtual void carouselWillBeginDecelerating(CarouselView&) { }
    virtual void carouselDidEndDecelerating(CarouselView&) { }
};

}
