// Parsing and writing a large directory reply: our graph against nlohmann::json and the
// simdjson document parser, on the same bytes, in one run; ratios are printed at the end.
#include "platform/JsonParser.h"
#include "platform/JsonWriter.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <simdjson.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

using namespace quindle;

namespace {

constexpr int childCount = 20000;

std::string makeDirectoryReply()
{
    std::mt19937 random(42);
    static const char* types[] = { "Text", "Image", "Directory", "Event", "Video", "Document", "TextField" };
    static const char* fonts[] = { "Helvetica", "Georgia", "Avenir-Book", "Courier" };
    auto children = JsonArray::create();
    children->reserve(childCount);
    for (int i = 0; i < childCount; ++i) {
        const std::string id = std::to_string(100000 + i);
        const char* type = types[random() % std::size(types)];
        auto options = std::string(fonts[random() % std::size(fonts)]) + ":" + std::to_string(12 + random() % 20)
            + ":0.2,0.3,0.4,1.0:1.0,1.0,1.0,1.0";
        auto child = JsonObject::create({
            { "AssetId", id },
            { "Type", type },
            { "Name", "Item " + id + " \u00e9t\u00e9" },
            { "Title", "Title " + id },
            { "Data", "Text \"quoted\"\n" + std::to_string(random()) },
            { "Options", options },
            { "Owner", "a3f9c2e1b7d84f60" + std::to_string(random() % 1000) },
            { "IsDeleted", random() % 10 ? "false" : "true" },
            { "ImageUrl", "http://example.org/images/" + id + ".jpg" },
            { "Date", "2026-12-0" + std::to_string(1 + random() % 9) + " 10:2" + std::to_string(random() % 10) + ":00" },
            { "Order", static_cast<long long>(i) },
            { "Width", static_cast<double>(random() % 100000) / 100.0 },
            { "Size", JsonObject::create({ { "w", static_cast<long long>(random() % 2000) }, { "h", static_cast<long long>(random() % 2000) } }) },
            { "Tags", JsonArray::create({ "news", static_cast<long long>(random() % 50), true }) },
        });
        children->push_back(child);
    }
    auto message = JsonObject::create({
        { "AssetId", "99999" },
        { "Type", "Directory" },
        { "Name", "Start page" },
        { "DefaultOptions", "Helvetica:17:0,0,0,1:1,1,1,1" },
        { "Children", children },
    });
    return JsonWriter::write(JsonObject::create({ { "Message", message } })).value();
}

const std::string& reply()
{
    static const std::string text = makeDirectoryReply();
    return text;
}

void BM_ParseOurs(benchmark::State& state)
{
    const std::string& text = reply();
    for (auto _ : state) {
        auto value = JsonParser::parse(text);
        if (!value)
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ParseNlohmann(benchmark::State& state)
{
    const std::string& text = reply();
    for (auto _ : state) {
        auto value = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ParseSimdjsonDom(benchmark::State& state)
{
    const std::string& text = reply();
    simdjson::dom::parser parser;
    for (auto _ : state) {
        // The same call our parser makes: it copies into a padded buffer as well.
        simdjson::dom::element root;
        if (parser.parse(text.data(), text.size()).get(root))
            state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(root);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_WriteOurs(benchmark::State& state)
{
    const std::string& text = reply();
    JsonValue value = *JsonParser::parse(text);
    size_t written = 0;
    for (auto _ : state) {
        auto out = JsonWriter::write(value);
        written = out->size();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
}

void BM_WriteNlohmann(benchmark::State& state)
{
    const std::string& text = reply();
    auto value = nlohmann::json::parse(text);
    size_t written = 0;
    for (auto _ : state) {
        auto out = value.dump();
        written = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
}

BENCHMARK(BM_ParseOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseNlohmann)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseSimdjsonDom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteNlohmann)->Unit(benchmark::kMillisecond);

// Prints as usual and keeps the time per iteration of each benchmark for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                seconds[run.benchmark_name()] = run.real_accumulated_time / static_cast<double>(run.iterations);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

void printRatio(const RatioReporter& reporter, const char* label, const char* ours, const char* peer)
{
    auto a = reporter.seconds.find(ours);
    auto b = reporter.seconds.find(peer);
    if (a == reporter.seconds.end() || b == reporter.seconds.end() || a->second <= 0)
        return;
    std::printf("%s: %.2fx (%s %.3f ms, %s %.3f ms)\n", label, b->second / a->second, ours, a->second * 1e3, peer,
        b->second * 1e3);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::printf("directory reply: %zu bytes, %d children\n", reply().size(), childCount);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("speed-up of ours over the peer (above 1 means ours is faster):\n");
    printRatio(reporter, "parse vs nlohmann", "BM_ParseOurs", "BM_ParseNlohmann");
    printRatio(reporter, "parse vs simdjson DOM", "BM_ParseOurs", "BM_ParseSimdjsonDom");
    printRatio(reporter, "write vs nlohmann dump", "BM_WriteOurs", "BM_WriteNlohmann");
    benchmark::Shutdown();
    return 0;
}
