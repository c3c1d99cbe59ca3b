// One page round trip through Model (request, parse, envelope, handler, hop to the main
// queue) against a bare reused libcurl easy handle fetching the same bytes from the same
// in-process server.

#include "core/Model.h"
#include "platform/CurlHttpClient.h"
#include "platform/JsonParser.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <string>
#include <sys/utsname.h>
#include <thread>

using namespace quindle;

namespace {

constexpr size_t pageBytes = 50 * 1024;

std::string makePage()
{
    std::string page = R"({"Message":{"AssetId":"1","Type":"Directory","Name":"Home","DefaultOptions":"(null):14:0.00,0.00,0.00:1.00,1.00,1.00","Children":[)";
    for (int i = 0; page.size() < pageBytes - 200; ++i) {
        if (i)
            page += ',';
        page += R"({"AssetId":")" + std::to_string(100 + i) + R"(","Type":"Text","Name":"Item )" + std::to_string(i)
            + R"(","Data":"Some text of the item, long enough to look like content.","Options":"Helvetica:14:0.10,0.10,0.10:1.00,1.00,1.00"})";
    }
    page += "]}}";
    return page;
}

class PageServer {
public:
    PageServer()
        : m_page(makePage())
    {
        m_server.set_tcp_nodelay(true);
        m_server.set_keep_alive_max_count(1'000'000);
        m_server.Get(".*", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(m_page, "application/json");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::yield();
    }
    ~PageServer()
    {
        m_server.stop();
        m_thread.join();
    }
    std::string host() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    size_t pageSize() const { return m_page.size(); }

private:
    std::string m_page;
    httplib::Server m_server;
    int m_port { 0 };
    std::thread m_thread;
};

PageServer& server()
{
    static PageServer instance;
    return instance;
}

// Argument 0: the log is off, as in quindle-term without --log. Argument 1: every line is
// built and handed to a sink that drops it, as when a log is kept.
void BM_ModelRoundTrip(benchmark::State& state)
{
    Log::setSink([](const std::string&) { });
    Log::setEnabled(state.range(0) != 0);
    MainQueue::shared().makeCurrentThreadMain();
    Model& model = Model::defaultInstance();
    model.setConfiguration(*ServerConfiguration::create(server().host()));
    model.setHttpClient(std::make_shared<CurlHttpClient>());
    size_t children = 0;
    for (auto _ : state) {
        bool done = false;
        model.fetchDirectoryForAssetID("1", [&](std::optional<JsonValue> content, std::optional<Error>) {
            size_t count = 0;
            if (content && content->isObject())
                count = content->object()->get("Children").array() ? content->object()->get("Children").array()->size() : 0;
            MainQueue::shared().dispatch([&, count] {
                children = count;
                done = true;
            });
        });
        if (!MainQueue::shared().runUntil([&] { return done; }, std::chrono::seconds(10))) {
            state.SkipWithError("no reply");
            break;
        }
    }
    if (children == 0)
        state.SkipWithError("page had no children");
    state.counters["children"] = static_cast<double>(children);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * server().pageSize()));
    Log::setSink({});
    Log::setEnabled(true);
}

// The share of the round trip spent turning the page into the record graph (and freeing it).
void BM_ParsePage(benchmark::State& state)
{
    const std::string page = makePage();
    for (auto _ : state) {
        auto value = JsonParser::parse(page);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

size_t collect(char* data, size_t size, size_t count, void* out)
{
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

void BM_CurlEasyRoundTrip(benchmark::State& state)
{
    CURL* easy = curl_easy_init();
    std::string url = server().host() + "/~corvath/vantro/web/app_dev.php/contentForNode?assetid=1";
    std::string body;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    for (auto _ : state) {
        body.clear();
        if (curl_easy_perform(easy) != CURLE_OK || body.size() != server().pageSize()) {
            state.SkipWithError("transfer failed");
            break;
        }
        benchmark::DoNotOptimize(body.data());
    }
    curl_easy_cleanup(easy);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * server().pageSize()));
}

BENCHMARK(BM_ModelRoundTrip)->Arg(0)->Arg(1)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ParsePage);
BENCHMARK(BM_CurlEasyRoundTrip)->UseRealTime()->MinTime(2.0);

// Keeps the mean real time of each run so the overhead can be printed after the table.
class OverheadReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0)
                meanMicroseconds[run.benchmark_name()] = run.GetAdjustedRealTime() * multiplier(run.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
    static double multiplier(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kNanosecond: return 1e-3;
        case benchmark::kMicrosecond: return 1;
        case benchmark::kMillisecond: return 1e3;
        default: return 1e6;
        }
    }
    std::map<std::string, double> meanMicroseconds;
};

} // namespace

int main(int argc, char** argv)
{
    curl_global_init(CURL_GLOBAL_ALL);
    utsname machine {};
    if (uname(&machine) == 0)
        benchmark::AddCustomContext("machine", std::string(machine.nodename) + " " + machine.machine + " " + machine.release);
    benchmark::AddCustomContext("page bytes", std::to_string(server().pageSize()));
    benchmark::Initialize(&argc, argv);
    OverheadReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto curl = reporter.meanMicroseconds.find("BM_CurlEasyRoundTrip/min_time:2.000/real_time");
    for (auto [arg, label] : { std::pair { "0", "log off" }, std::pair { "1", "log kept" } }) {
        auto model = reporter.meanMicroseconds.find(std::string("BM_ModelRoundTrip/") + arg + "/min_time:2.000/real_time");
        if (model != reporter.meanMicroseconds.end() && curl != reporter.meanMicroseconds.end())
            std::printf("Model round trip (%s) %.1f us, bare libcurl %.1f us, overhead %.1f us (target < 50 us), ratio %.2f\n",
                label, model->second, curl->second, model->second - curl->second, model->second / curl->second);
    }
    benchmark::Shutdown();
    return 0;
}
