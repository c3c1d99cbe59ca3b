#pragma once

#include <memory>

namespace quindle {

/// What the carousel needs to know of an item view. Front ends wrap their own views in a
/// subclass; the carousel only sizes, places and reuses them.
class CarouselItemView {
public:
    virtual ~CarouselItemView() = default;

    virtual double width() const = 0;
    virtual double height() const = 0;
    /// Whether the view's back is drawn when it faces away; layers are double-sided by default.
    virtual bool isDoubleSided() const { return true; }
};

using CarouselItemViewPtr = std::shared_ptr<CarouselItemView>;

/// A plain item view of a fixed size, for tests and simple front ends.
class FixedSizeCarouselItemView final : public CarouselItemView {
public:
    static std::shared_ptr<FixedSizeCarouselItemView> create(double width, double height)
    {
        return std::make_shared<FixedSizeCarouselItemView>(width, height);
    }

    FixedSizeCarouselItemView(double width, double height)
        : width_(width)
        , height_(height)
    {
    }

    double width() const override { return width_; }
    double height() const override { return height_; }
    bool isDoubleSided() const override { return doubleSided_; }
    void setDoubleSided(bool value) { doubleSided_ = value; }

private:
    double width_;
    double height_;
    bool doubleSided_ { true };
};

}
