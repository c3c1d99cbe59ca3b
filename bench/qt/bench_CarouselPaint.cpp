// A carousel of 1,000 pictures animating, one frame per iteration in every style: stepping and
// laying out apart from painting into a phone-sized picture at three pixels a point. Times are
// the process's processor time; wall_p99_ms adds what waiting for a core cost.
#include "content/CarouselCell.h"
#include "frontends/qt/CarouselPainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <numeric>
#include <cmath>
#include <vector>

using namespace quindle;

namespace {

constexpr int pictureCount = 1000;
constexpr double itemSize = 150;
constexpr int pixels = 120;

std::shared_ptr<Image> picture(int index)
{
    std::vector<uint8_t> rgba(size_t(pixels) * pixels * 4);
    for (int y = 0; y < pixels; ++y) {
        for (int x = 0; x < pixels; ++x) {
            uint8_t* p = &rgba[(size_t(y) * pixels + x) * 4];
            p[0] = uint8_t(index * 37 + x);
            p[1] = uint8_t(index * 11 + y);
            p[2] = uint8_t(index * 5 + x + y);
            p[3] = 255;
        }
    }
    return Image::create(pixels, pixels, std::move(rgba));
}

class Pictures : public CarouselDataSource, public CarouselDelegate {
public:
    Pictures()
    {
        for (int i = 0; i < pictureCount; ++i)
            images.push_back(picture(i));
    }
    int numberOfItemsInCarousel(CarouselView&) override { return pictureCount; }
    CarouselItemViewPtr viewForItemAtIndex(CarouselView&, int index, CarouselItemViewPtr reusing) override
    {
        auto view = std::dynamic_pointer_cast<CarouselCell::ItemView>(reusing);
        if (!view)
            view = std::make_shared<CarouselCell::ItemView>(itemSize);
        view->imageView()->setImage(images[size_t(index)]);
        if (auto label = view->label()) {
            label->setText("Picture " + std::to_string(index));
            label->setTextColour(Colour::white());
            label->setStroke(Colour::black(), -4);
        }
        return view;
    }
    Transform3D itemTransformForOffset(CarouselView&, double offset, const Transform3D& base) override
    {
        return base.translated(offset * itemSize * 0.6, 0, -std::abs(offset) * 40).rotated(offset * 0.3, 0, 1, 0);
    }
    std::vector<std::shared_ptr<Image>> images;
};

/// The process's processor time in microseconds, Qt's painting helper threads included: on a
/// shared machine, wall time also counts the waits for a core.
double processMicros()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    size_t at = std::min(values.size() - 1, size_t(std::ceil(fraction * double(values.size()))) - 1);
    std::nth_element(values.begin(), values.begin() + long(at), values.end());
    return values[at];
}

void carouselFrame(benchmark::State& state)
{
    static auto pictures = std::make_shared<Pictures>();
    auto carousel = CarouselView::create({ 390, 300 });
    carousel->setType(static_cast<CarouselType>(state.range(0)));
    carousel->setDataSource(pictures);
    carousel->setDelegate(pictures);
    carousel->reloadData();
    carousel->setScrollOffset(pictureCount / 2);
    carousel->setAutoscroll(-1.5);

    QImage target(390 * 3, 300 * 3, QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(3);
    using Clock = std::chrono::steady_clock;
    std::vector<double> frames, walls, layouts, paints;
    double now = 0;
    size_t shown = 0;
    for (auto _ : state) {
        auto wallStart = Clock::now();
        double start = processMicros();
        carousel->step(now += 1.0 / 60);
        const auto& items = carousel->layoutFrame();
        double laidOut = processMicros();
        {
            QPainter painter(&target);
            painter.fillRect(QRectF(0, 0, 390, 300), Qt::white);
            qt::carousel_painter::paintLayouts(painter, items, QRectF(0, 0, 390, 300), true);
        }
        double painted = processMicros();
        benchmark::DoNotOptimize(target.constBits());
        shown += items.size();
        layouts.push_back(laidOut - start);
        paints.push_back(painted - laidOut);
        frames.push_back((painted - start) / 1000);
        walls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - wallStart).count());
    }
    auto mean = [](const std::vector<double>& v) { return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / double(v.size()); };
    state.counters["layout_us"] = mean(layouts);
    state.counters["paint_us"] = mean(paints);
    state.counters["layout_p99_us"] = percentile(layouts, 0.99);
    state.counters["paint_p99_us"] = percentile(paints, 0.99);
    state.counters["frame_p99_ms"] = percentile(frames, 0.99);
    state.counters["wall_p99_ms"] = percentile(walls, 0.99);
    state.counters["items"] = frames.empty() ? 0 : double(shown) / double(frames.size());
}

const char* styleNames[] = { "Linear", "Rotary", "InvertedRotary", "Cylinder", "InvertedCylinder", "Wheel", "InvertedWheel",
    "CoverFlow", "CoverFlow2", "TimeMachine", "InvertedTimeMachine", "Custom" };

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (int style = 0; style < carouselTypeCount; ++style) {
        benchmark::RegisterBenchmark((std::string("CarouselFrame/") + styleNames[style]).c_str(), carouselFrame)
            ->Arg(style)
            ->MinTime(1.5)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
