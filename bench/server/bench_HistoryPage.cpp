// The graph page of a resident document with 10,000 recorded values, beside the same values
// serialised as the plain JSON history reply.
#include "platform/JsonWriter.h"
#include "server/HistoryChart.h"
#include "server/LegacyHistory.h"
#include "server/LegacyStore.h"
#include "server/SqliteStorage.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

using namespace quindle;

namespace {

struct Fixture {
    std::filesystem::path folder;
    std::unique_ptr<Storage> storage;
    int64_t document = 0;

    Fixture()
    {
        folder = std::filesystem::temp_directory_path() / ("quindle-bench-history-" + std::to_string(std::random_device {}()));
        std::filesystem::create_directories(folder);
        storage = SqliteStorage::open((folder / "bench.sqlite").string());
        LegacyStore store(*storage);
        store.migrate();
        storage->transaction([&] {
            const int64_t form = store.addForm("Daily care", std::nullopt);
            const int64_t person = store.addPerson("Margaret Hill", std::nullopt);
            document = store.addDocument(person, form);
            const char* keys[] = { "Weight", "Systolic BP", "Diastolic BP", "Fluid intake (ml)", "Took medication" };
            int64_t start = 0;
            HistoryChart::parseDate("2025-01-01 08:00:00", start);
            for (int i = 0; i < 10000; ++i) {
                const int k = i % 5;
                const int64_t when = start + int64_t(i) * 3300;
                char date[32], value[32];
                std::snprintf(date, sizeof date, "%s %02d:%02d:%02d", HistoryChart::dayText(when).c_str(), int(when % 86400 / 3600),
                    int(when % 3600 / 60), int(when % 60));
                std::snprintf(value, sizeof value, "%.1f", k == 4 ? double(i % 2) : 60.0 + 20 * k + (i * 7919 % 100) / 10.0);
                store.recordDocumentValue(document, keys[k], value, k == 4 ? "Bool" : "Number", "carer@example.org", date);
            }
        });
    }
    ~Fixture()
    {
        storage.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_GraphPage(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::string key = state.range(0) ? "Weight" : "";
    for (auto _ : state) {
        std::string page = HistoryChart::page(LegacyHistory::numberHistory(*f.storage, f.document, key), key);
        benchmark::DoNotOptimize(page);
        state.counters["bytes"] = double(page.size());
    }
}

void BM_HistoryJson(benchmark::State& state)
{
    Fixture& f = fixture();
    LegacyStore store(*f.storage);
    for (auto _ : state) {
        auto text = JsonWriter::write(store.historyOf(f.document));
        benchmark::DoNotOptimize(text);
        state.counters["bytes"] = double(text ? text->size() : 0);
    }
}

} // namespace

BENCHMARK(BM_GraphPage)->ArgName("oneKey")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryJson)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
