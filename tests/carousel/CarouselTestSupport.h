#pragma once

#include "carousel/CarouselView.h"

#include <functional>
#include <map>
#include <vector>

namespace quindle::testing {

/// Items of one size; counts the views it had to make.
class Items final : public CarouselDataSource {
public:
    int count { 0 };
    double size { 100 };
    bool doubleSided { true };
    int viewsMade { 0 };

    int numberOfItemsInCarousel(CarouselView&) override { return count; }
    CarouselItemViewPtr viewForItemAtIndex(CarouselView&, int, CarouselItemViewPtr reusing) override
    {
        if (reusing)
            return reusing;
        ++viewsMade;
        auto view = FixedSizeCarouselItemView::create(size, size);
        view->setDoubleSided(doubleSided);
        return view;
    }
};

/// Answers chosen options and records what the carousel tells it.
class Options final : public CarouselDelegate {
public:
    std::map<CarouselOption, double> values;
    std::function<Transform3D(double, const Transform3D&)> custom;
    bool allowSelection { true };
    std::vector<int> selected;
    int animationsEnded { 0 };
    int decelerationsEnded { 0 };

    double valueForOption(CarouselView&, CarouselOption option, double fallback) override
    {
        auto it = values.find(option);
        return it == values.end() ? fallback : it->second;
    }
    Transform3D itemTransformForOffset(CarouselView&, double offset, const Transform3D& base) override
    {
        return custom ? custom(offset, base) : base;
    }
    bool shouldSelectItemAtIndex(CarouselView&, int) override { return allowSelection; }
    void didSelectItemAtIndex(CarouselView&, int index) override { selected.push_back(index); }
    void carouselDidEndScrollingAnimation(CarouselView&) override { ++animationsEnded; }
    void carouselDidEndDecelerating(CarouselView&) override { ++decelerationsEnded; }
};

/// A 320 x 200 carousel with its collaborators kept alive (the carousel holds them weakly).
struct Rig {
    std::shared_ptr<Items> items = std::make_shared<Items>();
    std::shared_ptr<Options> options = std::make_shared<Options>();
    std::shared_ptr<CarouselView> view = CarouselView::create({ 320, 200 });

    enum class Delegate { Attached, None };

    Rig(CarouselType type, int count, Delegate delegate = Delegate::Attached)
    {
        items->count = count;
        view->setType(type);
        if (delegate == Delegate::Attached)
            view->setDelegate(options);
        view->setDataSource(items);
    }
    /// Sets an option and lays out again so that counts follow it.
    void set(CarouselOption option, double value)
    {
        options->values[option] = value;
        view->layOutItemViews();
    }
};

}
