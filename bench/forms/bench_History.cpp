// Opening the oldest of 10,000 history records: the reply parsed, the screen's list built and
// its visible rows laid out, and the form state as it stood then, beside the same work with the
// snapshot taken key by key over every record.
#include "core/Model.h"
#include "forms/HistorySnapshot.h"
#include "forms/HistoryViewController.h"
#include "platform/JsonParser.h"
#include "ui/TableView.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <set>
#include <string>

using namespace quindle;

namespace {

constexpr int recordCount = 10000;

/// A reply as the server sends it: newest first, numbers, yes/no values and texts of 8 keys.
const std::string& replyText()
{
    static const std::string text = [] {
        const char* keys[] = { "Weight", "Systolic BP", "Diastolic BP", "Fluid intake (ml)", "Pulse", "Took medication", "Ate breakfast", "Notes" };
        const char* types[] = { "Number", "Number", "Number", "Number", "Number", "Bool", "Bool", "Text" };
        std::string out = R"({"Message":{"list":[)";
        for (int i = recordCount - 1; i >= 0; --i) {
            const int k = i % 8;
            char record[320];
            const int minutes = i * 37;
            std::snprintf(record, sizeof record,
                R"(%s{"name":"%s","type":"%s","val":"%d","oldVal":"%d","lastModified":"2025-%02d-%02d %02d:%02d:00","user":"carer%d@example.org"})",
                i == recordCount - 1 ? "" : ",", keys[k], types[k], 60 + i % 30, 60 + (i + 1) % 30, 1 + minutes / (28 * 24 * 60) % 12,
                1 + minutes / (24 * 60) % 28, minutes / 60 % 24, minutes % 60, i % 3);
            out += record;
        }
        return out + "]}}";
    }();
    return text;
}

/// The snapshot as a plain reading of its definition: for each key, scan every record from the
/// oldest up to the chosen one for the latest and the one before.
JsonObjectPtr snapshotKeyByKey(const JsonArrayPtr& displayed, size_t row)
{
    std::set<std::string> keys;
    for (size_t i = row; i < displayed->size(); ++i)
        keys.insert(displayed->at(i).object()->get("name").asString());
    auto state = JsonObject::create();
    for (const std::string& key : keys) {
        JsonValue current, old;
        for (size_t i = displayed->size(); i-- > row;) {
            const JsonObjectPtr& record = displayed->at(i).object();
            if (record->get("name").asString() != key)
                continue;
            old = current;
            current = record;
        }
        state->set(key, current);
        if (!old.isNull())
            state->set(key + "_old", old);
    }
    return state;
}

/// state.range(0): 0 opens the oldest record (one key, nothing before it), 1 the newest (every
/// key with the one before it).
template<typename Snapshot>
void open(benchmark::State& state, Snapshot snapshot)
{
    const std::string& text = replyText();
    const bool newest = state.range(0) == 1;
    for (auto _ : state) {
        auto reply = JsonParser::parse(text);
        auto screen = HistoryViewController::create(Model::defaultInstance(), "1", "2", "Margaret Hill");
        const JsonArrayPtr& list = reply->object()->get("Message").object()->get("list").array();
        screen->setObjects(JsonArray::create(list->items()));
        auto table = screen->tableView();
        table->reloadData();
        benchmark::DoNotOptimize(table->layoutRows(0, 800));
        const size_t row = newest ? 0 : screen->displayed()->size() - 1;
        JsonObjectPtr form = snapshot(screen->displayed(), row);
        if (!form || form->size() != (newest ? 14u : 1u))
            state.SkipWithError("unexpected snapshot");
        benchmark::DoNotOptimize(form);
    }
    state.SetItemsProcessed(state.iterations() * recordCount);
}

void BM_HistoryOpen(benchmark::State& state)
{
    open(state, [](const JsonArrayPtr& shown, size_t row) { return HistorySnapshot::snapshotAt(shown, row); });
}

void BM_HistoryOpenKeyByKey(benchmark::State& state)
{
    open(state, snapshotKeyByKey);
}

} // namespace

BENCHMARK(BM_HistoryOpen)->ArgName("newest")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryOpenKeyByKey)->ArgName("newest")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
