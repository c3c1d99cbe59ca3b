// A brightness drag on the colour screen: each frame moves the slider, which renders the
// wheel's raster again, and paints the whole phone window (390x844 at pixel ratio 3). Beside
// it, the same frame painted without a change of brightness, so the difference is the raster.
// The p99 of the frame times is reported as a counter, in milliseconds.
#include "editors/ColorWheelViewController.h"
#include "frontends/qt/ColorWheelPainter.h"
#include "frontends/qt/PhoneWindow.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

using namespace quindle;

namespace {

template<typename Frame>
void timeFrames(benchmark::State& state, Frame frame)
{
    std::vector<double> times;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        frame();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    if (!times.empty())
        state.counters["p99_ms"] = times[std::min(times.size() - 1, times.size() * 99 / 100)];
}

void colourScreenFrames(benchmark::State& state, bool changeBrightness)
{
    auto window = Window::create({ 0, 0, 390, 844 });
    auto screen = ColorWheelViewController::create();
    window->setRootViewController(NavigationController::create(screen));
    window->makeKeyAndVisible();
    qt::PhoneWindow phone(window);
    phone.show();
    QImage image(qt::PhoneWindow::defaultSize * 3, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(3);
    phone.render(&image); // lays the screen out: the wheel gets its size
    auto slider = screen->brightnessSlider();
    double value = 1;
    timeFrames(state, [&] {
        if (changeBrightness) {
            value = value <= 0.05 ? 1 : value - 0.01;
            slider->slide(value);
        }
        phone.render(&image);
    });
    state.counters["raster_side"] = screen->colorWheel()->radialImage().dim;
}

void BM_BrightnessDragFrame(benchmark::State& state) { colourScreenFrames(state, true); }
void BM_ColourScreenRepaintPeer(benchmark::State& state) { colourScreenFrames(state, false); }

} // namespace

BENCHMARK(BM_BrightnessDragFrame)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_ColourScreenRepaintPeer)->Unit(benchmark::kMillisecond)->Iterations(200);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qt::color_wheel_painter::registerHandlers();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
