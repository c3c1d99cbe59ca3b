#include "carousel/CarouselView.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace quindle {

namespace {

constexpr double pi = std::numbers::pi;

/// ceil(extent / step), or +infinity when the step is not positive or the quotient not finite,
/// so that an unknown item width never turns into an undefined integer conversion.
double itemsAcross(double extent, double step)
{
    if (!(step > 0))
        return std::numeric_limits<double>::infinity();
    double q = std::ceil(extent / step);
    return std::isfinite(q) ? q : std::numeric_limits<double>::infinity();
}

/// The whole part of a double as an int, held within the int range; NaN gives fallback.
int wholePart(double value, int fallback)
{
    if (std::isnan(value))
        return fallback;
    value = std::clamp(value, -1.0e9, 1.0e9);
    return static_cast<int>(std::trunc(value));
}

}

std::shared_ptr<CarouselView> CarouselView::create(CarouselSize frame)
{
    return std::make_shared<CarouselView>(frame);
}

CarouselView::CarouselView(CarouselSize frame)
    : frame_(frame)
{
    slots_.reserve(defaultMaxVisibleItems + 2);
    nextSlots_.reserve(defaultMaxVisibleItems + 2);
    frameLayouts_.reserve(defaultMaxVisibleItems + 2);
    wantedIndices_.reserve(defaultMaxVisibleItems + 2);
}

void CarouselView::setDataSource(std::weak_ptr<CarouselDataSource> dataSource)
{
    dataSource_ = std::move(dataSource);
    if (!dataSource_.expired())
        reloadData();
}

void CarouselView::setDelegate(std::weak_ptr<CarouselDelegate> delegate)
{
    delegate_ = std::move(delegate);
    if (!dataSource_.expired())
        layOutItemViews();
}

void CarouselView::reloadData()
{
    for (auto& slot : slots_)
        recycle(slot);
    slots_.clear();
    auto source = dataSource_.lock();
    int previousCount = numberOfItems_;
    numberOfItems_ = source ? std::max(0, source->numberOfItemsInCarousel(*this)) : 0;
    // An empty carousel parks its offset at -1; the first items start at the first index
    // at once rather than sliding in from before it.
    if (previousCount == 0 && numberOfItems_ > 0)
        scrollOffset_ = 0;
    auto d = delegate();
    numberOfPlaceholders_ = d ? std::max(0, d->numberOfPlaceholdersInCarousel(*this)) : 0;
    itemWidth_ = 0;
    layOutItemViews();
    lastCurrentIndex_ = currentItemIndex();
}

void CarouselView::setType(CarouselType type)
{
    type_ = type;
    layOutItemViews();
}

void CarouselView::setFrame(CarouselSize frame)
{
    frame_ = frame;
    layOutItemViews();
}

void CarouselView::setVertical(bool value)
{
    vertical_ = value;
    itemWidth_ = 0;
    layOutItemViews();
}

void CarouselView::setScrollOffset(double offset)
{
    scrolling_ = false;
    decelerating_ = false;
    setScrollOffsetNotifying(offset);
}

int CarouselView::liveItemViewCount() const
{
    int count = static_cast<int>(itemPool_.size() + placeholderPool_.size());
    for (auto& slot : slots_)
        count += slot.view ? 1 : 0;
    return count;
}

// Options and counts.

double CarouselView::valueForOption(CarouselOption option, double defaultValue)
{
    if (frameDelegate_)
        return frameDelegate_->valueForOption(*this, option, defaultValue);
    if (auto d = delegate())
        return d->valueForOption(*this, option, defaultValue);
    return defaultValue;
}

double CarouselView::defaultOption(CarouselOption option)
{
    bool coverFlow = type_ == CarouselType::CoverFlow || type_ == CarouselType::CoverFlow2;
    bool timeMachine = type_ == CarouselType::TimeMachine || type_ == CarouselType::InvertedTimeMachine;
    switch (option) {
    case CarouselOption::Wrap:
        return (type_ >= CarouselType::Rotary && type_ <= CarouselType::InvertedWheel) ? 1 : 0;
    case CarouselOption::OffsetMultiplier:
        return coverFlow ? 2.0 : 1.0;
    case CarouselOption::Arc:
        return 2 * pi;
    case CarouselOption::Tilt:
        return coverFlow ? 0.9 : timeMachine ? 0.3 : 0;
    case CarouselOption::Spacing:
        return coverFlow ? 0.25 : 1.0;
    case CarouselOption::FadeMin:
        return type_ == CarouselType::InvertedTimeMachine ? 0 : -std::numeric_limits<double>::infinity();
    case CarouselOption::FadeMax:
        return type_ == CarouselType::TimeMachine ? 0 : std::numeric_limits<double>::infinity();
    case CarouselOption::FadeRange:
        return 1.0;
    case CarouselOption::FadeMinAlpha:
        return 0.0;
    default:
        return 0;
    }
}

int CarouselView::circularCarouselItemCount() const
{
    int total = numberOfItems_ + numberOfPlaceholdersToShow_;
    if (type_ < CarouselType::Rotary || type_ > CarouselType::InvertedWheel)
        return total;
    auto self = const_cast<CarouselView*>(this);
    double spacing = self->valueForOption(CarouselOption::Spacing, 1.0);
    double around = std::clamp(itemsAcross(extent(), spacing * itemWidth_) * pi, 12.0, 30.0);
    double count = std::min(static_cast<double>(total), std::trunc(around));
    return wholePart(self->valueForOption(CarouselOption::Count, count), total);
}

void CarouselView::updateItemWidth()
{
    if (auto d = delegate()) {
        double width = d->carouselItemWidth(*this);
        if (width != 0) {
            itemWidth_ = width;
            return;
        }
    }
    // Without an answer the width comes from a loaded view: any will do as all share a size.
    for (auto& slot : slots_) {
        if (slot.view && !slot.isPlaceholder) {
            itemWidth_ = vertical_ ? slot.view->height() : slot.view->width();
            return;
        }
    }
    auto source = dataSource_.lock();
    if (source && numberOfItems_ > 0) {
        int index = std::max(0, currentItemIndex());
        auto view = source->viewForItemAtIndex(*this, index, takeReusable(false));
        if (view) {
            itemWidth_ = vertical_ ? view->height() : view->width();
            slots_.push_back({ index, false, std::move(view) });
        }
    }
}

void CarouselView::updateNumberOfVisibleItems()
{
    double spacing;
    double count = 0;
    switch (type_) {
    case CarouselType::Linear:
        spacing = valueForOption(CarouselOption::Spacing, 1.0);
        count = itemsAcross(extent(), spacing * itemWidth_) + 2;
        break;
    case CarouselType::Rotary:
    case CarouselType::Cylinder:
        count = circularCarouselItemCount();
        break;
    case CarouselType::InvertedRotary:
    case CarouselType::InvertedCylinder:
        count = std::ceil(circularCarouselItemCount() / 2.0);
        break;
    case CarouselType::Wheel:
    case CarouselType::InvertedWheel: {
        double c = circularCarouselItemCount();
        spacing = valueForOption(CarouselOption::Spacing, 1.0);
        double arc = valueForOption(CarouselOption::Arc, 2 * pi);
        double radius = valueForOption(CarouselOption::Radius, c * spacing * itemWidth_ / arc);
        double halfSide = std::min(frame_.width, frame_.height) / 2;
        count = radius - itemWidth_ / 2 < halfSide ? c : std::ceil(c / 2) + 1;
        break;
    }
    case CarouselType::CoverFlow:
    case CarouselType::CoverFlow2:
        spacing = valueForOption(CarouselOption::Spacing, 0.25);
        count = itemsAcross(extent(), spacing * itemWidth_) + 2;
        break;
    case CarouselType::TimeMachine:
    case CarouselType::InvertedTimeMachine:
    case CarouselType::Custom:
        count = defaultMaxVisibleItems;
        break;
    }
    count = std::min(count, static_cast<double>(defaultMaxVisibleItems));
    int visible = wholePart(valueForOption(CarouselOption::VisibleItems, count), 0);
    numberOfVisibleItems_ = std::clamp(visible, 0, numberOfItems_ + numberOfPlaceholdersToShow_);
}

void CarouselView::layOutItemViews()
{
    wrapEnabled_ = valueForOption(CarouselOption::Wrap, defaultOption(CarouselOption::Wrap)) != 0;
    numberOfPlaceholdersToShow_ = wrapEnabled_ ? 0 : numberOfPlaceholders_;
    updateItemWidth();
    updateNumberOfVisibleItems();
    offsetMultiplier_ = valueForOption(CarouselOption::OffsetMultiplier, defaultOption(CarouselOption::OffsetMultiplier));
    if (numberOfItems_ == 0) {
        // Nothing to scroll to: a motion left over from before the items went away would carry
        // on towards an offset that no longer exists.
        scrolling_ = false;
        decelerating_ = false;
        scrollOffset_ = clampedOffset(scrollOffset_);
        return;
    }
    if (!scrolling_ && !decelerating_ && autoscroll_ == 0) {
        if (scrollToItemBoundary_) {
            // Layout knows no time of its own: before the first step the animation starts at
            // that step rather than at some earlier instant that would cut it short.
            bool stepped = haveLastStep_;
            scrollToItemAtIndex(currentItemIndex(), CarouselAnimation::Animated, lastStepTime_);
            startTimePending_ = scrolling_ && !stepped;
            if (startTimePending_)
                haveLastStep_ = false;
        }
        else
            scrollOffset_ = clampedOffset(scrollOffset_);
    }
}

// Indexes and offsets.

int CarouselView::clampedIndex(int index) const
{
    int n = numberOfItems_;
    if (n == 0)
        return -1;
    if (!wrapEnabled_)
        return std::clamp(index, 0, std::max(n - 1, 0));
    int r = index % n;
    return r < 0 ? r + n : r;
}

double CarouselView::clampedOffset(double offset) const
{
    double n = numberOfItems_;
    if (numberOfItems_ == 0)
        return -1;
    if (!wrapEnabled_)
        return std::clamp(offset, 0.0, std::max(n - 1, 0.0));
    return offset - n * std::floor(offset / n);
}

int CarouselView::currentItemIndex() const
{
    return clampedIndex(static_cast<int>(std::lround(std::clamp(scrollOffset_, -1.0e9, 1.0e9))));
}

double CarouselView::offsetForItemAtIndex(int index) const
{
    double d = index - scrollOffset_;
    if (wrapEnabled_) {
        double n = numberOfItems_;
        if (d > n / 2)
            d -= n;
        else if (d < -n / 2)
            d += n;
    }
    return d;
}

int CarouselView::minScrollDistance(int fromIndex, int toIndex) const
{
    int direct = toIndex - fromIndex;
    if (!wrapEnabled_)
        return direct;
    int around = std::min(fromIndex, toIndex) - std::max(fromIndex, toIndex) + numberOfItems_;
    if (toIndex > fromIndex)
        around = -around;
    return std::abs(direct) <= std::abs(around) ? direct : around;
}

// Transforms and fading.

Transform3D CarouselView::transformForItemViewWithOffset(double o)
{
    Transform3D base = Transform3D::makePerspective(perspective_).translated(-viewpointOffset_.width, -viewpointOffset_.height, 0);
    double W = itemWidth_;
    switch (type_) {
    case CarouselType::Linear: {
        double s = valueForOption(CarouselOption::Spacing, 1.0);
        return vertical_ ? base.translated(0, o * s * W, 0) : base.translated(o * s * W, 0, 0);
    }
    case CarouselType::Rotary:
    case CarouselType::InvertedRotary:
    case CarouselType::Cylinder:
    case CarouselType::InvertedCylinder: {
        // A count below one (from a delegate's option) would divide by zero.
        double c = std::max(circularCarouselItemCount(), 1);
        double s = valueForOption(CarouselOption::Spacing, 1.0);
        double arc = valueForOption(CarouselOption::Arc, 2 * pi);
        bool rotary = type_ == CarouselType::Rotary || type_ == CarouselType::InvertedRotary;
        double fit = (s * W / 2) / std::tan(arc / 2 / c);
        double r = valueForOption(CarouselOption::Radius, rotary ? std::max(s * W / 2, fit) : std::max(0.01, fit));
        double a = valueForOption(CarouselOption::Angle, (o / c) * arc);
        if (type_ == CarouselType::InvertedRotary || type_ == CarouselType::InvertedCylinder) {
            r = -r;
            a = -a;
        }
        if (rotary)
            return vertical_ ? base.translated(0, r * std::sin(a), r * std::cos(a) - r)
                             : base.translated(r * std::sin(a), 0, r * std::cos(a) - r);
        Transform3D t = base.translated(0, 0, -r);
        t = vertical_ ? t.rotated(a, -1, 0, 0) : t.rotated(a, 0, 1, 0);
        return t.translated(0, 0, r + 0.01);
    }
    case CarouselType::Wheel:
    case CarouselType::InvertedWheel: {
        double c = std::max(circularCarouselItemCount(), 1);
        double s = valueForOption(CarouselOption::Spacing, 1.0);
        double arc = valueForOption(CarouselOption::Arc, 2 * pi);
        double r = valueForOption(CarouselOption::Radius, c * s * W / arc);
        double a = valueForOption(CarouselOption::Angle, arc / c);
        if (type_ == CarouselType::InvertedWheel) {
            r = -r;
            a = -a;
        }
        if (vertical_)
            return base.translated(-r, 0, 0).rotated(a * o, 0, 0, 1).translated(r, 0, 0.01 * o);
        return base.translated(0, r, 0).rotated(a * o, 0, 0, 1).translated(0, -r, 0.01 * o);
    }
    case CarouselType::CoverFlow:
    case CarouselType::CoverFlow2: {
        double t = valueForOption(CarouselOption::Tilt, 0.9);
        double s = valueForOption(CarouselOption::Spacing, 0.25);
        double k = std::clamp(o, -1.0, 1.0);
        if (type_ == CarouselType::CoverFlow2) {
            double T = toggle_;
            if (T > 0) {
                if (o <= -0.5)
                    k = -1;
                else if (o <= 0.5)
                    k = -T;
                else if (o <= 1.5)
                    k = 1 - T;
            } else {
                if (o > 0.5)
                    k = 1;
                else if (o > -0.5)
                    k = -T;
                else if (o > -1.5)
                    k = -1 - T;
            }
        }
        double x = W * (s * o + t * k * 0.5);
        double z = -W * std::abs(k) * 0.5;
        if (vertical_)
            return base.translated(0, x, z).rotated(-k * t * pi / 2, -1, 0, 0);
        return base.translated(x, 0, z).rotated(-k * t * pi / 2, 0, 1, 0);
    }
    case CarouselType::TimeMachine:
    case CarouselType::InvertedTimeMachine: {
        double t = valueForOption(CarouselOption::Tilt, 0.3);
        double s = valueForOption(CarouselOption::Spacing, 1.0);
        if (type_ == CarouselType::InvertedTimeMachine) {
            t = -t;
            o = -o;
        }
        return vertical_ ? base.translated(0, o * W * t, o * W * s) : base.translated(o * W * t, 0, o * W * s);
    }
    case CarouselType::Custom:
        if (frameDelegate_)
            return frameDelegate_->itemTransformForOffset(*this, o, base);
        if (auto d = delegate())
            return d->itemTransformForOffset(*this, o, base);
        return Transform3D::zero();
    }
    return base;
}

double CarouselView::alphaForItemWithOffset(double o)
{
    double minimum = valueForOption(CarouselOption::FadeMin, defaultOption(CarouselOption::FadeMin));
    double maximum = valueForOption(CarouselOption::FadeMax, defaultOption(CarouselOption::FadeMax));
    double range = valueForOption(CarouselOption::FadeRange, 1.0);
    double minAlpha = valueForOption(CarouselOption::FadeMinAlpha, 0.0);
    double f = 0;
    if (o > maximum)
        f = o - maximum;
    else if (o < minimum)
        f = minimum - o;
    // A range of zero or less fades at once instead of dividing by zero.
    if (!(range > 0))
        return f > 0 ? minAlpha : 1.0;
    return 1 - (1 - minAlpha) * std::min(f, range) / range;
}

} // namespace quindle
