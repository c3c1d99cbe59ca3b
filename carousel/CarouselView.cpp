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

double easeInOut(double t)
{
    return t < 0.5 ? 0.5 * std::pow(2 * t, 3) : 0.5 * std::pow(2 * t - 2, 3) + 1;
}

/// Starts at the flick's speed and comes to rest at the end.
double easeOut(double t)
{
    return 1 - (1 - t) * (1 - t);
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

// Views and frames.

CarouselItemViewPtr CarouselView::takeReusable(bool placeholder)
{
    auto& pool = placeholder ? placeholderPool_ : itemPool_;
    if (pool.empty())
        return nullptr;
    auto view = std::move(pool.back());
    pool.pop_back();
    return view;
}

void CarouselView::recycle(Slot& slot)
{
    if (!slot.view)
        return;
    auto& pool = slot.isPlaceholder ? placeholderPool_ : itemPool_;
    if (static_cast<int>(pool.size()) < reusePoolLimit_)
        pool.push_back(std::move(slot.view));
    slot.view.reset();
}

void CarouselView::loadUnloadViews()
{
    int v = numberOfVisibleItems_;
    wantedIndices_.clear();
    if (v > 0) {
        int start = static_cast<int>(std::floor(std::clamp(scrollOffset_, -1.0e9, 1.0e9) + 0.5 - v / 2.0));
        if (!wrapEnabled_) {
            int before = numberOfPlaceholdersToShow_ / 2;
            int after = numberOfPlaceholdersToShow_ - before;
            int lo = -before;
            int hi = numberOfItems_ - 1 + after;
            start = std::clamp(start, lo, std::max(lo, hi - v + 1));
            for (int i = start; i < start + v && i <= hi; ++i)
                wantedIndices_.push_back(i);
        } else {
            for (int i = start; i < start + v; ++i)
                wantedIndices_.push_back(clampedIndex(i));
            std::sort(wantedIndices_.begin(), wantedIndices_.end());
        }
    }

    nextSlots_.clear();
    for (int index : wantedIndices_) {
        bool placeholder = index < 0 || index >= numberOfItems_;
        auto it = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.index == index && s.view; });
        if (it != slots_.end())
            nextSlots_.push_back({ index, placeholder, std::move(it->view) });
        else
            nextSlots_.push_back({ index, placeholder, nullptr });
    }
    for (auto& slot : slots_)
        recycle(slot);
    auto source = dataSource_.lock();
    for (auto& slot : nextSlots_) {
        if (slot.view || !source)
            continue;
        if (slot.isPlaceholder) {
            int placeholderIndex = slot.index < 0 ? slot.index + numberOfPlaceholdersToShow_ / 2 : slot.index - numberOfItems_ + numberOfPlaceholdersToShow_ / 2;
            slot.view = source->placeholderViewAtIndex(*this, placeholderIndex, takeReusable(true));
        } else {
            slot.view = source->viewForItemAtIndex(*this, slot.index, takeReusable(false));
        }
    }
    std::swap(slots_, nextSlots_);
    nextSlots_.clear();
}

void CarouselView::placeItem(CarouselItemLayout& layout)
{
    double o = layout.offset;
    layout.alpha = alphaForItemWithOffset(o);
    layout.center = { contentOffset_.width + frame_.width / 2, contentOffset_.height + frame_.height / 2 };
    layout.takesTouches = !centerItemWhenSelected_ || layout.index == currentItemIndex();

    bool outOfRange = !wrapEnabled_ && (scrollOffset_ < 0 || scrollOffset_ >= numberOfItems_ - 1);
    if (decelerating_ || (scrolling_ && !dragging_ && !didDrag_) || (autoscroll_ != 0 && !dragging_) || outOfRange) {
        double step = o > 0.5 ? 1 : o <= -0.5 ? -1 : 0;
        toggle_ = step - std::clamp(o, -1.0, 1.0);
    }

    layout.transform = transformForItemViewWithOffset(o);

    bool doubleSided = layout.view ? layout.view->isDoubleSided() : true;
    double showBackfaces = valueForOption(CarouselOption::ShowBackfaces, doubleSided && type_ != CarouselType::InvertedCylinder ? 1 : 0);
    layout.hidden = showBackfaces == 0 && !(layout.transform.m33() > 0);
}

void CarouselView::depthSort()
{
    int current = currentItemIndex();
    double currentAlong = 0;
    auto along = [this](const Transform3D& t) {
        return vertical_ ? t.m12() + t.m22() + t.m32() + t.m42() : t.m11() + t.m21() + t.m31() + t.m41();
    };
    for (auto& layout : frameLayouts_) {
        if (layout.index == current)
            currentAlong = along(layout.transform);
    }
    auto depthKey = [](const Transform3D& t) { return t.m13() + t.m23() + t.m33() + t.m43(); };
    auto below = [&](const CarouselItemLayout& a, const CarouselItemLayout& b) {
        double za = depthKey(a.transform);
        double zb = depthKey(b.transform);
        if (za != zb)
            return za < zb;
        // Equal depth: the one farther from the current item goes below.
        return std::abs(along(a.transform) - currentAlong) > std::abs(along(b.transform) - currentAlong);
    };
    // Insertion sort: stable, allocates nothing, and a few dozen containers that keep their
    // order from frame to frame are nearly sorted already.
    for (size_t i = 1; i < frameLayouts_.size(); ++i) {
        size_t j = i;
        while (j > 0 && below(frameLayouts_[i], frameLayouts_[j - 1]))
            --j;
        if (j != i)
            std::rotate(frameLayouts_.begin() + j, frameLayouts_.begin() + i, frameLayouts_.begin() + i + 1);
    }
    for (size_t i = 0; i < frameLayouts_.size(); ++i)
        frameLayouts_[i].depth = static_cast<int>(i);
}

const std::vector<CarouselItemLayout>& CarouselView::layoutFrame()
{
    // A frame asks the delegate a dozen options per item; locking it once for the whole frame
    // keeps that from costing two atomic operations a question.
    auto held = delegate();
    frameDelegate_ = held.get();
    struct Release {
        CarouselDelegate*& slot;
        ~Release() { slot = nullptr; }
    } release { frameDelegate_ };
    loadUnloadViews();
    frameLayouts_.resize(slots_.size());
    for (size_t i = 0; i < slots_.size(); ++i) {
        auto& layout = frameLayouts_[i];
        layout.index = slots_[i].index;
        layout.isPlaceholder = slots_[i].isPlaceholder;
        layout.view = slots_[i].view;
        layout.offset = offsetForItemAtIndex(layout.index);
        placeItem(layout);
    }
    depthSort();
    return frameLayouts_;
}

std::optional<int> CarouselView::itemIndexAtPoint(CarouselPoint point) const
{
    // Every shown container counts here, not only those that take touches: a tap on a
    // neighbour is what brings it to the centre.
    for (auto it = frameLayouts_.rbegin(); it != frameLayouts_.rend(); ++it) {
        // A faded-out container still lies in front of the others (ahead of the current item
        // in style 9); it must not catch a tap meant for what the user sees.
        if (it->hidden || !it->view || it->isPlaceholder || !(it->alpha > 0))
            continue;
        double hw = it->view->width() / 2;
        double hh = it->view->height() / 2;
        Vector3 corners[4] = { { -hw, -hh, 0 }, { hw, -hh, 0 }, { hw, hh, 0 }, { -hw, hh, 0 } };
        CarouselPoint q[4];
        bool behind = false;
        for (int i = 0; i < 4; ++i) {
            Vector4 v = it->transform.apply(corners[i]);
            if (!(v.w > 0)) {
                behind = true;
                break;
            }
            q[i] = { it->center.x + v.x / v.w, it->center.y + v.y / v.w };
        }
        if (behind)
            continue;
        // Inside a convex quad: the point is on the same side of all four edges.
        int positive = 0;
        int negative = 0;
        for (int i = 0; i < 4; ++i) {
            auto& a = q[i];
            auto& b = q[(i + 1) % 4];
            double cross = (b.x - a.x) * (point.y - a.y) - (b.y - a.y) * (point.x - a.x);
            positive += cross > 0;
            negative += cross < 0;
        }
        if (positive == 0 || negative == 0)
            return it->index;
    }
    return std::nullopt;
}

// Scrolling.

void CarouselView::setScrollOffsetNotifying(double offset)
{
    if (offset == scrollOffset_)
        return;
    scrollOffset_ = offset;
    auto d = delegate();
    if (d)
        d->carouselDidScroll(*this);
    int current = currentItemIndex();
    if (current != lastCurrentIndex_) {
        lastCurrentIndex_ = current;
        if (d)
            d->carouselCurrentItemIndexDidChange(*this);
    }
}

void CarouselView::scrollToOffset(double offset, double duration, double now)
{
    startTimePending_ = false;
    if (duration > 0 && offset != scrollOffset_) {
        scrolling_ = true;
        decelerating_ = false;
        startTime_ = now;
        lastStepTime_ = now;
        haveLastStep_ = true;
        startOffset_ = scrollOffset_;
        endOffset_ = offset;
        scrollDurationActive_ = duration;
        if (auto d = delegate())
            d->carouselWillBeginScrollingAnimation(*this);
        return;
    }
    scrolling_ = false;
    setScrollOffsetNotifying(wrapEnabled_ ? clampedOffset(offset) : offset);
}

void CarouselView::scrollToItemAtIndex(int index, double duration, double now)
{
    if (numberOfItems_ == 0)
        return;
    int from = static_cast<int>(std::lround(std::clamp(scrollOffset_, -1.0e9, 1.0e9)));
    int target = clampedIndex(index);
    double end = wrapEnabled_ ? from + minScrollDistance(clampedIndex(from), target) : target;
    scrollToOffset(end, duration, now);
}

void CarouselView::scrollToItemAtIndex(int index, CarouselAnimation animation, double now)
{
    scrollToItemAtIndex(index, animation == CarouselAnimation::Animated ? scrollDurationDefault_ : 0.0, now);
}

double CarouselView::effectiveDecelerationRate() const
{
    return std::min(decelerationRate_, maxDecelerationRate);
}

double CarouselView::decelerationDistanceForVelocity(double velocity) const
{
    return velocity / (60 * (1 - effectiveDecelerationRate()));
}

bool CarouselView::shouldDecelerateWithVelocity(double velocity) const
{
    return std::abs(velocity) > minDecelerationVelocity_
        && std::abs(decelerationDistanceForVelocity(velocity)) > minDecelerationDistance_;
}

void CarouselView::startDecelerating(double velocity, double now)
{
    double distance = decelerationDistanceForVelocity(velocity);
    startOffset_ = scrollOffset_;
    double end = startOffset_ + distance;
    if (pagingEnabled_)
        end = startOffset_;
    if (pagingEnabled_ || stopAtItemBoundary_)
        end = distance > 0 ? std::ceil(end) : std::floor(end);
    if (!wrapEnabled_) {
        if (bounces_)
            end = std::clamp(end, -bounceDistance_, std::max(-bounceDistance_, numberOfItems_ - 1 + bounceDistance_));
        else
            end = clampedOffset(end);
    }
    endOffset_ = end;
    if (end == startOffset_ || velocity == 0)
        return;
    startTimePending_ = false;
    startVelocity_ = velocity;
    scrollDurationActive_ = std::abs(end - startOffset_) / std::abs(velocity / 2);
    startTime_ = now;
    lastStepTime_ = now;
    haveLastStep_ = true;
    scrolling_ = false;
    decelerating_ = true;
    if (auto d = delegate())
        d->carouselWillBeginDecelerating(*this);
}

void CarouselView::settle(double now)
{
    if (numberOfItems_ == 0)
        return;
    bool outOfRange = !wrapEnabled_ && (scrollOffset_ < 0 || scrollOffset_ > numberOfItems_ - 1);
    if (scrollToItemBoundary_)
        scrollToItemAtIndex(currentItemIndex(), CarouselAnimation::Animated, now);
    else if (outOfRange)
        scrollToOffset(clampedOffset(scrollOffset_), scrollDurationDefault_, now);
}

void CarouselView::step(double now)
{
    if (startTimePending_) {
        startTimePending_ = false;
        startTime_ = now;
    }
    double dt = haveLastStep_ ? now - lastStepTime_ : 0;
    lastStepTime_ = now;
    haveLastStep_ = true;
    auto d = delegate();
    if (scrolling_ && !dragging_) {
        double t = scrollDurationActive_ > 0 ? std::clamp((now - startTime_) / scrollDurationActive_, 0.0, 1.0) : 1.0;
        setScrollOffsetNotifying(startOffset_ + (endOffset_ - startOffset_) * easeInOut(t));
        if (t >= 1) {
            scrolling_ = false;
            didDrag_ = false;
            if (wrapEnabled_)
                scrollOffset_ = clampedOffset(scrollOffset_);
            if (d)
                d->carouselDidEndScrollingAnimation(*this);
        }
    } else if (decelerating_) {
        double t = scrollDurationActive_ > 0 ? std::clamp((now - startTime_) / scrollDurationActive_, 0.0, 1.0) : 1.0;
        setScrollOffsetNotifying(startOffset_ + (endOffset_ - startOffset_) * easeOut(t));
        if (t >= 1) {
            decelerating_ = false;
            if (d)
                d->carouselDidEndDecelerating(*this);
            settle(now);
        }
    } else if (autoscroll_ != 0 && !dragging_ && numberOfItems_ > 0) {
        double next = scrollOffset_ - autoscroll_ * dt;
        setScrollOffsetNotifying(wrapEnabled_ ? clampedOffset(next) : clampedOffset(next));
    }
}

// Touches.

void CarouselView::didTap(CarouselPoint point, double now)
{
    didTapItem(itemIndexAtPoint(point), now);
}

void CarouselView::didTapItem(std::optional<int> index, double now)
{
    if (!index) {
        scrollToItemAtIndex(currentItemIndex(), CarouselAnimation::Animated, now);
        return;
    }
    int i = *index;
    auto d = delegate();
    if (d && !d->shouldSelectItemAtIndex(*this, i)) {
        if (scrollEnabled_ && scrollToItemBoundary_ && autoscroll_ != 0)
            scrollToItemAtIndex(currentItemIndex(), CarouselAnimation::Animated, now);
        return;
    }
    int current = currentItemIndex();
    if ((i != current && centerItemWhenSelected_) || (i == current && scrollToItemBoundary_))
        scrollToItemAtIndex(i, CarouselAnimation::Animated, now);
    if (d)
        d->didSelectItemAtIndex(*this, i);
}

void CarouselView::beginDrag(double now)
{
    if (!scrollEnabled_)
        return;
    dragging_ = true;
    didDrag_ = false;
    scrolling_ = false;
    decelerating_ = false;
    dragStartOffset_ = scrollOffset_;
    dragLastTranslation_ = 0;
    lastStepTime_ = now;
    if (auto d = delegate())
        d->carouselWillBeginDragging(*this);
}

void CarouselView::dragTo(CarouselPoint translation, double)
{
    if (!dragging_ || itemWidth_ == 0)
        return;
    double along = vertical_ ? translation.y : translation.x;
    double across = vertical_ ? translation.x : translation.y;
    if (ignorePerpendicularSwipes_ && std::abs(across) > std::abs(along) && dragLastTranslation_ == 0)
        return;
    dragLastTranslation_ = along;
    double offset = dragStartOffset_ - along / itemWidth_ * scrollSpeed_ * offsetMultiplier_;
    if (!wrapEnabled_) {
        double lo = bounces_ ? -bounceDistance_ : 0;
        double hi = numberOfItems_ - 1 + (bounces_ ? bounceDistance_ : 0);
        offset = std::clamp(offset, lo, std::max(lo, hi));
    }
    setScrollOffsetNotifying(offset);
}

void CarouselView::endDrag(CarouselPoint velocity, double now)
{
    if (!dragging_)
        return;
    dragging_ = false;
    didDrag_ = true;
    double along = vertical_ ? velocity.y : velocity.x;
    double itemsPerSecond = itemWidth_ != 0 ? -along / itemWidth_ * scrollSpeed_ * offsetMultiplier_ : 0;
    bool decelerate = shouldDecelerateWithVelocity(itemsPerSecond);
    if (auto d = delegate())
        d->carouselDidEndDragging(*this, decelerate ? CarouselDeceleration::WillDecelerate : CarouselDeceleration::WillNotDecelerate);
    if (decelerate)
        startDecelerating(itemsPerSecond, now);
    if (!decelerating_)
        settle(now);
}

}
