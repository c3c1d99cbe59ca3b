// One frame of carousel layout (view window, offsets, transforms, fading, depth sort) per
// iteration, for every style, and how its cost follows the number of items. The peer is the
// same count of bare matrix chains and a sort, with no carousel around them.

#include "carousel/CarouselView.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

using namespace quindle;

namespace {

constexpr int visibleItems = 30;

class Items final : public CarouselDataSource {
public:
    explicit Items(int count)
        : count_(count)
    {
    }
    int numberOfItemsInCarousel(CarouselView&) override { return count_; }
    CarouselItemViewPtr viewForItemAtIndex(CarouselView&, int, CarouselItemViewPtr reusing) override
    {
        return reusing ? reusing : FixedSizeCarouselItemView::create(100, 100);
    }

private:
    int count_;
};

/// Shows thirty items in every style, as a busy front end would ask for.
class Tuning final : public CarouselDelegate {
public:
    double carouselItemWidth(CarouselView&) override { return 100; }
    double valueForOption(CarouselView&, CarouselOption option, double fallback) override
    {
        return option == CarouselOption::VisibleItems ? visibleItems : fallback;
    }
    Transform3D itemTransformForOffset(CarouselView&, double offset, const Transform3D& base) override
    {
        return base.translated(offset * 100, 0, -std::abs(offset) * 20).rotated(offset * 0.1, 0, 1, 0);
    }
};

struct Rig {
    std::shared_ptr<Items> items;
    std::shared_ptr<Tuning> tuning = std::make_shared<Tuning>();
    std::shared_ptr<CarouselView> view = CarouselView::create({ 320, 480 });

    Rig(CarouselType type, int count)
        : items(std::make_shared<Items>(count))
    {
        view->setType(type);
        view->setDelegate(tuning);
        view->setDataSource(items);
    }
};

void runFrames(benchmark::State& state, CarouselType type, int count)
{
    Rig rig(type, count);
    double offset = 0;
    double top = std::max(1, count - 1);
    for (auto _ : state) {
        // Moving a little every frame brings new items into view now and then.
        offset += 0.013;
        if (offset > top)
            offset = 0;
        rig.view->setScrollOffset(offset);
        auto& frame = rig.view->layoutFrame();
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["visible"] = static_cast<double>(rig.view->numberOfVisibleItems());
    state.counters["liveViews"] = static_cast<double>(rig.view->liveItemViewCount());
}

void BM_CarouselFrame(benchmark::State& state)
{
    auto type = carouselTypeFromInteger(static_cast<int>(state.range(0)));
    state.SetLabel(std::to_string(static_cast<int>(state.range(0))));
    runFrames(state, type, 1000);
}
BENCHMARK(BM_CarouselFrame)->DenseRange(0, carouselTypeCount - 1)->Unit(benchmark::kMicrosecond);

void BM_CarouselFrameByItemCount(benchmark::State& state)
{
    runFrames(state, CarouselType::Cylinder, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_CarouselFrameByItemCount)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

/// The peer: thirty perspective, translate, rotate, translate chains and a sort on depth.
void BM_BareTransformsAndSort(benchmark::State& state)
{
    std::array<Transform3D, visibleItems> transforms;
    double offset = 0;
    for (auto _ : state) {
        offset += 0.013;
        for (int i = 0; i < visibleItems; ++i) {
            double o = i - visibleItems / 2 - std::fmod(offset, 1.0);
            transforms[i] = Transform3D::makePerspective(-0.002).translated(0, 0, -150).rotated(o * 0.2, 0, 1, 0).translated(0, 0, 150.01);
        }
        std::sort(transforms.begin(), transforms.end(), [](const Transform3D& a, const Transform3D& b) {
            return a.m13() + a.m23() + a.m33() + a.m43() < b.m13() + b.m23() + b.m33() + b.m43();
        });
        benchmark::DoNotOptimize(transforms.data());
    }
}
BENCHMARK(BM_BareTransformsAndSort)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
