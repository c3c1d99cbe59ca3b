// One edit on a large form, the whole local sequence (record, evaluate, timed objects, actions,
// the value handed to a client that only logs it), by FormEngine and by the plain
// transcription of the same procedures, at 100, 1,000 and 10,000 entries.
//
// The form: half numbers, three tenths computed entries in chains of ten (each reads the one
// before and a number), a fifth conditionals on the computed entries. Keys have one length, so
// none sits inside another.
#include "tests/forms/FormTranscription.h"

#include "platform/Log.h"

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace quindle;
using namespace quindle::test;

namespace {

std::string key(char prefix, long n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%c%06ld", prefix, n);
    return text;
}

struct Form {
    JsonArrayPtr objects;
    JsonObjectPtr state;
};

Form makeForm(long size)
{
    const long numbers = size / 2, computed = size * 3 / 10, conditionals = size - numbers - computed;
    auto objects = JsonArray::create();
    auto state = JsonObject::create();
    long asset = 0;
    auto add = [&](std::vector<JsonObject::Entry> fields) {
        fields.push_back({ "assetID", std::to_string(++asset) });
        objects->push_back(JsonObject::create(std::move(fields)));
    };
    for (long n = 0; n < numbers; ++n) {
        add({ { "name", key('N', n) }, { "type", "Number" } });
        state->set(key('N', n), JsonObject::create({ { "val", std::to_string(n % 7) }, { "type", "Number" } }));
    }
    for (long c = 0; c < computed; ++c) {
        const std::string number = key('N', (c * 7) % numbers);
        add({ { "name", key('C', c) }, { "type", "Derived" }, { "val", c % 10 ? key('C', c - 1) + " + " + number : number + " * 2" } });
    }
    for (long k = 0; k < conditionals; ++k) {
        const std::string value = key('C', (k * 3) % computed);
        add({ { "name", key('K', k) }, { "type", "Conditional" }, { "val", value + " > 20 AND " + key('N', k % numbers) + " < 5" },
            { "title", "high" }, { "nTrigger", key('R', k) } });
    }
    return { objects, state };
}

/// Logs, shell and client in place for one benchmark, quiet and restored after.
struct Recording {
    RequestLog log;
    Recording()
    {
        Log::setEnabled(false);
        ApplicationShell::setShared(std::make_shared<LoggingShell>(log));
        Model::defaultInstance().setHttpClient(std::make_shared<LoggingHttpClient>(log));
    }
    ~Recording()
    {
        ApplicationShell::setShared(nullptr);
        Model::defaultInstance().setHttpClient(nullptr);
    }
};

// The edited number feeds the first link of a chain of ten.
constexpr size_t editedRow = 0;

void BM_EngineEdit(benchmark::State& state)
{
    Recording recording;
    Form form = makeForm(state.range(0));
    auto engine = FormEngine::create(FormKind::Resident);
    engine->setResDocID("99");
    engine->setObjects(form.objects);
    engine->setFormState(form.state);
    engine->sortedKeys();
    engine->parseForm();
    engine->evaluateForm();
    long n = 0;
    for (auto _ : state) {
        engine->setValue(std::to_string(++n % 9), editedRow);
        recording.log.clear();
    }
    state.counters["entries"] = double(state.range(0));
}

void BM_TranscriptionEdit(benchmark::State& state)
{
    Recording recording;
    Form form = makeForm(state.range(0));
    FormTranscription plain {};
    plain.kind = FormKind::Resident, plain.objects = form.objects, plain.state = form.state;
    plain.resDocID = "99", plain.log = &recording.log;
    plain.start();
    long n = 0;
    for (auto _ : state) {
        plain.setValue(std::to_string(++n % 9), editedRow);
        recording.log.clear();
    }
    state.counters["entries"] = double(state.range(0));
}

} // namespace

BENCHMARK(BM_EngineEdit)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
// One edit of the transcription takes seconds at 1,000 entries and far longer at 10,000, where
// it is left out.
BENCHMARK(BM_TranscriptionEdit)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TranscriptionEdit)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
