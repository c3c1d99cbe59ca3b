#include "carousel/CarouselView.h"

#include <algorithm>
#include <cmath>

namespace quindle {

namespace {

double easeInOut(double t)
{
    return t < 0.5 ? 0.5 * std::pow(2 * t, 3) : 0.5 * std::pow(2 * t - 2, 3) + 1;
}

/// Starts at the flick's speed and comes to rest at the end.
double easeOut(double t)
{
    return 1 - (1 - t) * (1 - t);
}

} // namespace

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
