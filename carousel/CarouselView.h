#pragma once

#include "carousel/CarouselDataSource.h"
#include "carousel/CarouselDelegate.h"
#include "carousel/CarouselItemView.h"
#include "carousel/CarouselTypes.h"
#include "carousel/Transform3D.h"

#include <memory>
#include <optional>
#include <vector>

namespace quindle {

/// One item container as the front end draws it this frame.
struct CarouselItemLayout {
    int index { 0 };
    bool isPlaceholder { false };
    CarouselItemViewPtr view;
    double offset { 0 };
    Transform3D transform;
    double alpha { 1 };
    bool hidden { false };
    bool takesTouches { true };
    CarouselPoint center;
    /// Position in the depth order: 0 is drawn first, the highest on top.
    int depth { 0 };
};

/// A scrolling ring, wheel, strip or stack of item views in one of twelve styles. Time is passed
/// in: step(now) advances animations, layoutFrame() places the visible items.
class CarouselView : public std::enable_shared_from_this<CarouselView> {
public:
    static constexpr int defaultMaxVisibleItems = 30;
    static constexpr double defaultScrollDuration = 0.4;
    static constexpr double defaultMinDecelerationVelocity = 2.0;
    static constexpr double defaultMinDecelerationDistance = 0.1;
    static constexpr int defaultReusePoolLimit = 2;
    /// Deceleration rates at or above 1 never stop; they are held below this.
    static constexpr double maxDecelerationRate = 0.999;

    static std::shared_ptr<CarouselView> create(CarouselSize frame);
    explicit CarouselView(CarouselSize frame);

    // Collaborators, held weakly: the owner of the carousel usually is both.
    void setDataSource(std::weak_ptr<CarouselDataSource> dataSource);
    void setDelegate(std::weak_ptr<CarouselDelegate> delegate);

    /// Asks the data source again for the count and the visible views.
    void reloadData();

    // Settings.
    CarouselType type() const { return type_; }
    void setType(CarouselType type);
    CarouselSize frame() const { return frame_; }
    void setFrame(CarouselSize frame);
    bool vertical() const { return vertical_; }
    void setVertical(bool value);
    double perspective() const { return perspective_; }
    void setPerspective(double value) { perspective_ = value; }
    CarouselSize viewpointOffset() const { return viewpointOffset_; }
    void setViewpointOffset(CarouselSize value) { viewpointOffset_ = value; }
    CarouselSize contentOffset() const { return contentOffset_; }
    void setContentOffset(CarouselSize value) { contentOffset_ = value; }
    double decelerationRate() const { return decelerationRate_; }
    void setDecelerationRate(double value) { decelerationRate_ = value; }
    double scrollSpeed() const { return scrollSpeed_; }
    void setScrollSpeed(double value) { scrollSpeed_ = value; }
    double bounceDistance() const { return bounceDistance_; }
    void setBounceDistance(double value) { bounceDistance_ = value; }
    bool scrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool value) { scrollEnabled_ = value; }
    bool bounces() const { return bounces_; }
    void setBounces(bool value) { bounces_ = value; }
    bool stopAtItemBoundary() const { return stopAtItemBoundary_; }
    void setStopAtItemBoundary(bool value) { stopAtItemBoundary_ = value; }
    bool scrollToItemBoundary() const { return scrollToItemBoundary_; }
    void setScrollToItemBoundary(bool value) { scrollToItemBoundary_ = value; }
    bool ignorePerpendicularSwipes() const { return ignorePerpendicularSwipes_; }
    void setIgnorePerpendicularSwipes(bool value) { ignorePerpendicularSwipes_ = value; }
    bool centerItemWhenSelected() const { return centerItemWhenSelected_; }
    void setCenterItemWhenSelected(bool value) { centerItemWhenSelected_ = value; }
    bool pagingEnabled() const { return pagingEnabled_; }
    void setPagingEnabled(bool value) { pagingEnabled_ = value; }
    double offsetMultiplier() const { return offsetMultiplier_; }
    /// Items per second of automatic scrolling; 0 stops it.
    double autoscroll() const { return autoscroll_; }
    void setAutoscroll(double itemsPerSecond) { autoscroll_ = itemsPerSecond; }
    double scrollDuration() const { return scrollDurationDefault_; }
    void setScrollDuration(double seconds) { scrollDurationDefault_ = seconds; }
    double minDecelerationVelocity() const { return minDecelerationVelocity_; }
    void setMinDecelerationVelocity(double value) { minDecelerationVelocity_ = value; }
    double minDecelerationDistance() const { return minDecelerationDistance_; }
    void setMinDecelerationDistance(double value) { minDecelerationDistance_ = value; }
    int reusePoolLimit() const { return reusePoolLimit_; }
    void setReusePoolLimit(int value) { reusePoolLimit_ = value; }

    // Working state.
    double scrollOffset() const { return scrollOffset_; }
    /// Moves the carousel without animation.
    void setScrollOffset(double offset);
    double itemWidth() const { return itemWidth_; }
    int numberOfItems() const { return numberOfItems_; }
    int numberOfPlaceholders() const { return numberOfPlaceholders_; }
    int numberOfPlaceholdersToShow() const { return numberOfPlaceholdersToShow_; }
    int numberOfVisibleItems() const { return numberOfVisibleItems_; }
    bool wrapEnabled() const { return wrapEnabled_; }
    double toggle() const { return toggle_; }
    bool isScrolling() const { return scrolling_; }
    bool isDecelerating() const { return decelerating_; }
    bool isDragging() const { return dragging_; }
    double endOffset() const { return endOffset_; }
    /// Item views currently held (on screen and in the reuse pools).
    int liveItemViewCount() const;

    /// The index of the item nearest the scroll position, -1 when there are none.
    int currentItemIndex() const;
    int clampedIndex(int index) const;
    double clampedOffset(double offset) const;
    double offsetForItemAtIndex(int index) const;
    /// Signed number of items from a to b, the short way round when wrapping.
    int minScrollDistance(int fromIndex, int toIndex) const;
    int circularCarouselItemCount() const;
    /// The option value the delegate gives, or the default.
    double valueForOption(CarouselOption option, double defaultValue);
    /// The transform of an item at offset o in the current style.
    Transform3D transformForItemViewWithOffset(double offset);
    double alphaForItemWithOffset(double offset);

    /// Redoes wrapping, item width, visible count and offset multiplier, and settles the offset.
    void layOutItemViews();
    /// Loads the visible views and places, fades and depth-sorts them. The result is reused
    /// from frame to frame.
    const std::vector<CarouselItemLayout>& layoutFrame();

    // Scrolling. Times are seconds on any steady clock.
    void scrollToItemAtIndex(int index, CarouselAnimation animation, double now);
    void scrollToItemAtIndex(int index, double duration, double now);
    /// Advances animation, deceleration and autoscroll to now.
    void step(double now);

    // Touches.
    /// A tap at a point of the carousel; finds the item under it and selects it.
    void didTap(CarouselPoint point, double now);
    /// A tap already resolved to an item (or to none).
    void didTapItem(std::optional<int> index, double now);
    /// The topmost shown item under a point of the last laid-out frame.
    std::optional<int> itemIndexAtPoint(CarouselPoint point) const;
    void beginDrag(double now);
    /// The drag's translation in points along both axes since it began.
    void dragTo(CarouselPoint translation, double now);
    /// Ends a drag with its velocity in points per second.
    void endDrag(CarouselPoint velocity, double now);
    /// Starts a flick at v items per second, if it is fast enough.
    void startDecelerating(double velocity, double now);
    bool shouldDecelerateWithVelocity(double velocity) const;
    double decelerationDistanceForVelocity(double velocity) const;

private:
    struct Slot {
        int index;
        bool isPlaceholder;
        CarouselItemViewPtr view;
    };

    std::shared_ptr<CarouselDelegate> delegate() const { return delegate_.lock(); }
    double extent() const { return vertical_ ? frame_.height : frame_.width; }
    double defaultOption(CarouselOption option);
    void updateItemWidth();
    void updateNumberOfVisibleItems();
    void loadUnloadViews();
    CarouselItemViewPtr takeReusable(bool placeholder);
    void recycle(Slot& slot);
    void placeItem(CarouselItemLayout& layout);
    void depthSort();
    void scrollToOffset(double offset, double duration, double now);
    void setScrollOffsetNotifying(double offset);
    void settle(double now);
    double effectiveDecelerationRate() const;

    std::weak_ptr<CarouselDataSource> dataSource_;
    std::weak_ptr<CarouselDelegate> delegate_;
    /// The delegate held for the length of one layoutFrame(), or null.
    CarouselDelegate* frameDelegate_ { nullptr };

    CarouselType type_ { CarouselType::Linear };
    CarouselSize frame_;
    bool vertical_ { false };
    double perspective_ { -1.0 / 500.0 };
    CarouselSize viewpointOffset_;
    CarouselSize contentOffset_;
    double decelerationRate_ { 0.95 };
    double scrollSpeed_ { 1.0 };
    double bounceDistance_ { 1.0 };
    bool scrollEnabled_ { true };
    bool bounces_ { true };
    bool stopAtItemBoundary_ { true };
    bool scrollToItemBoundary_ { true };
    bool ignorePerpendicularSwipes_ { true };
    bool centerItemWhenSelected_ { true };
    bool pagingEnabled_ { false };
    double offsetMultiplier_ { 1.0 };
    double autoscroll_ { 0 };
    double scrollDurationDefault_ { defaultScrollDuration };
    double minDecelerationVelocity_ { defaultMinDecelerationVelocity };
    double minDecelerationDistance_ { defaultMinDecelerationDistance };
    int reusePoolLimit_ { defaultReusePoolLimit };

    double scrollOffset_ { 0 };
    double itemWidth_ { 0 };
    int numberOfItems_ { 0 };
    int numberOfPlaceholders_ { 0 };
    int numberOfPlaceholdersToShow_ { 0 };
    int numberOfVisibleItems_ { 0 };
    bool wrapEnabled_ { false };
    double toggle_ { 0 };
    int lastCurrentIndex_ { -1 };

    bool scrolling_ { false };
    bool decelerating_ { false };
    bool dragging_ { false };
    bool didDrag_ { false };
    double startOffset_ { 0 };
    double endOffset_ { 0 };
    double startTime_ { 0 };
    double startVelocity_ { 0 };
    double scrollDurationActive_ { 0 };
    double lastStepTime_ { 0 };
    bool haveLastStep_ { false };
    bool startTimePending_ { false };
    double dragStartOffset_ { 0 };
    double dragLastTranslation_ { 0 };

    std::vector<Slot> slots_;
    std::vector<CarouselItemViewPtr> itemPool_;
    std::vector<CarouselItemViewPtr> placeholderPool_;
    std::vector<CarouselItemLayout> frameLayouts_;
    std::vector<int> wantedIndices_;
    std::vector<Slot> nextSlots_;
};

}
