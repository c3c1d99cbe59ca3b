// The colour wheel's raster at the sizes a phone and a tablet show, beside a plain per-pixel
// transcription of the colour function measured in the same run.

#include "editors/ColorWheel.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// The colour function as written: no hoisting, the library arctangent for every pixel.
uint32_t plainColour(double x, double y, float radius, float brightness)
{
    double dx = x - radius, dy = y - radius;
    float angle = static_cast<float>(std::atan2(dx, dy) + M_PI);
    float h = static_cast<float>(angle / (2 * M_PI));
    h = std::clamp(h, 0.0f, 0.99999988f);
    float s = std::sqrt(static_cast<float>(dx * dx + dy * dy)) / radius;
    s = std::clamp(s, 0.0f, 1.0f);
    float v = brightness;
    float i = std::floor(h * 6);
    float f = h * 6 - i;
    float p = v * (1 - s), q = v * (1 - f * s), t = v * (1 - (1 - f) * s);
    float r, g, b;
    switch (static_cast<int>(i)) {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
    }
    uint32_t red = static_cast<uint32_t>(static_cast<int>(r * 255)), green = static_cast<uint32_t>(static_cast<int>(g * 255)),
             blue = static_cast<uint32_t>(static_cast<int>(b * 255));
    return (red | green << 8 | blue << 16) & 0xFFFFFF;
}

std::vector<uint8_t> plainRaster(float radius, float brightness)
{
    int dim = static_cast<int>(2 * radius);
    std::vector<uint8_t> pixels(static_cast<size_t>(dim) * dim * 3);
    for (int y = 0; y < dim; ++y) {
        for (int x = 0; x < dim; ++x) {
            uint32_t c = plainColour(x, y, radius, brightness);
            size_t at = (static_cast<size_t>(y) * dim + x) * 3;
            pixels[at] = c & 0xFF;
            pixels[at + 1] = c >> 8 & 0xFF;
            pixels[at + 2] = c >> 16 & 0xFF;
        }
    }
    return pixels;
}

// A side of N points gives the wheel a radius of N / 2 - 1, as its layout does.
float radiusFor(const benchmark::State& state) { return static_cast<float>(state.range(0)) * 0.5f - 1.0f; }

// What a brightness drag does on every value change: a new brightness and updateImage.
void BM_WheelRaster(benchmark::State& state)
{
    auto side = static_cast<double>(state.range(0));
    auto wheel = quindle::ColorWheel::create({ 0, 0, side, side });
    float radius = wheel->radius();
    float brightness = 1.0f;
    for (auto _ : state) {
        brightness = brightness == 1.0f ? 0.75f : 1.0f;
        wheel->setBrightness(brightness);
        wheel->updateImage();
        benchmark::DoNotOptimize(wheel->radialImage().pixels->data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(2 * radius) * int64_t(2 * radius));
}

void BM_PlainPerPixelPeer(benchmark::State& state)
{
    float radius = radiusFor(state);
    float brightness = 1.0f;
    for (auto _ : state) {
        auto pixels = plainRaster(radius, brightness);
        benchmark::DoNotOptimize(pixels.data());
        brightness = brightness == 1.0f ? 0.75f : 1.0f;
    }
    state.SetItemsProcessed(state.iterations() * int64_t(2 * radius) * int64_t(2 * radius));
}

BENCHMARK(BM_WheelRaster)->Arg(600)->Arg(1200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainPerPixelPeer)->Arg(600)->Arg(1200)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
