#include "carousel/CarouselView.h"

#include <algorithm>
#include <cmath>

namespace quindle {

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

} // namespace quindle
