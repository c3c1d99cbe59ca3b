// Scrolling a 1,000-row page: each frame moves the table 9 points and paints the whole phone
// window (bars, rows with titles and disclosure marks) into a 390x844 picture at pixel ratio 3.
// Beside it, the same frame loop over a bare QListWidget of the same 1,000 rows. The p99 of the
// frame times is reported as a counter, in milliseconds.
#include "frontends/qt/PhoneTestSupport.h"

#include "frontends/qt/PhoneWindow.h"
#include "ui/NavigationController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

using namespace quindle;
using namespace quindle::test;

namespace {

constexpr int rowCount = 1000;
constexpr double step = 9;

QImage frameBuffer()
{
    QImage image(qt::PhoneWindow::defaultSize * 3, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(3);
    return image;
}

/// Runs frames until the benchmark stops, timing each; `frame` draws one.
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

std::vector<std::string> titles()
{
    std::vector<std::string> list;
    for (int i = 0; i < rowCount; ++i)
        list.push_back("Row " + std::to_string(i) + ": a text item of the page");
    return list;
}

void BM_PhoneWindowScroll(benchmark::State& state)
{
    auto window = Window::create({ 0, 0, 390, 844 });
    auto screen = TableScreen::create("Long page", rowsTitled(titles()));
    window->setRootViewController(NavigationController::create(screen));
    window->makeKeyAndVisible();
    qt::PhoneWindow phone(window);
    phone.show();
    QImage image = frameBuffer();
    phone.render(&image); // loads the screen and its table
    auto table = screen->table;
    const double bottom = rowCount * TableView::defaultRowHeight - 600;
    double offset = 0;
    timeFrames(state, [&] {
        offset = offset + step > bottom ? 0 : offset + step;
        table->scrollTo({ 0, offset });
        phone.render(&image);
    });
}

void BM_BareListScroll(benchmark::State& state)
{
    QListWidget list;
    for (const std::string& title : titles())
        list.addItem(QString::fromStdString(title));
    list.resize(qt::PhoneWindow::defaultSize);
    list.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list.show();
    QImage image = frameBuffer();
    list.render(&image);
    QScrollBar* bar = list.verticalScrollBar();
    int offset = 0;
    timeFrames(state, [&] {
        offset = offset + int(step) > bar->maximum() ? 0 : offset + int(step);
        bar->setValue(offset);
        list.render(&image);
    });
}

} // namespace

BENCHMARK(BM_PhoneWindowScroll)->Unit(benchmark::kMillisecond)->Iterations(600);
BENCHMARK(BM_BareListScroll)->Unit(benchmark::kMillisecond)->Iterations(600);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
