#include "platform/CurlHttpClient.h"

#include "platform/Log.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <deque>
#include <exception>
#include <list>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

namespace quindle {

namespace {

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

Error curlError(CURLcode code, const char* detail)
{
    std::string message = detail && *detail ? detail : curl_easy_strerror(code);
    return Error { "HTTP", static_cast<long>(code), message };
}

// One request on its way: owns the easy handle and everything it points to.
struct Transfer {
    HttpRequest request;
    HttpClient::Handler handler;
    CURL* easy { nullptr };
    curl_slist* headerList { nullptr };
    HttpResponse response;
    size_t maxResponseBytes { 0 };
    bool overLimit { false };
    char errorBuffer[CURL_ERROR_SIZE] {};

    ~Transfer()
    {
        if (easy)
            curl_easy_cleanup(easy);
        curl_slist_free_all(headerList);
    }
};

size_t writeBody(char* data, size_t size, size_t count, void* context)
{
    auto* transfer = static_cast<Transfer*>(context);
    size_t bytes = size * count;
    if (transfer->response.body.size() + bytes > transfer->maxResponseBytes) {
        transfer->overLimit = true;
        return 0; // curl aborts the transfer
    }
    transfer->response.body.append(data, bytes);
    return bytes;
}

size_t writeHeader(char* data, size_t size, size_t count, void* context)
{
    auto* transfer = static_cast<Transfer*>(context);
    size_t bytes = size * count;
    std::string line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    auto& headers = transfer->response.headers;
    if (line.rfind("HTTP/", 0) == 0) {
        // A new status line starts the next response (after a redirect or an interim reply);
        // only the last response's fields are kept.
        headers.clear();
        return bytes;
    }
    if (line.empty())
        return bytes;
    if ((line.front() == ' ' || line.front() == '\t') && !headers.empty()) {
        size_t start = line.find_first_not_of(" \t");
        if (start != std::string::npos)
            headers.back().second += " " + line.substr(start);
        return bytes;
    }
    size_t colon = line.find(':');
    if (colon == std::string::npos)
        return bytes;
    std::string value = line.substr(colon + 1);
    size_t start = value.find_first_not_of(" \t");
    value = start == std::string::npos ? std::string {} : value.substr(start);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.pop_back();
    headers.emplace_back(line.substr(0, colon), std::move(value));
    return bytes;
}

// Repeated values of one name go out comma-joined in one field, at the first one's place.
curl_slist* buildHeaderList(const HttpHeaders& headers)
{
    std::vector<std::pair<std::string, std::string>> fields;
    for (auto& [name, value] : headers) {
        auto existing = std::find_if(fields.begin(), fields.end(), [&](auto& f) { return equalsIgnoringCase(f.first, name); });
        if (existing == fields.end())
            fields.emplace_back(name, value);
        else
            existing->second += ", " + value;
    }
    curl_slist* list = nullptr;
    auto append = [&](const std::string& line) {
        curl_slist* grown = curl_slist_append(list, line.c_str());
        if (!grown)
            throw std::bad_alloc();
        list = grown;
    };
    bool hasContentType = false;
    bool hasExpect = false;
    for (auto& [name, value] : fields) {
        hasContentType = hasContentType || equalsIgnoringCase(name, "Content-Type");
        hasExpect = hasExpect || equalsIgnoringCase(name, "Expect");
        // "Name;" is how curl sends a field with an empty value.
        append(value.empty() ? name + ";" : name + ": " + value);
    }
    // "Name:" with nothing after it removes a field curl would add on its own.
    if (!hasExpect)
        append("Expect:");
    if (!hasContentType)
        append("Content-Type:");
    return list;
}

} // namespace

struct CurlHttpClient::Impl {
    // Settings, read by the worker when a transfer starts.
    std::atomic<long long> connectTimeoutMs { defaultConnectTimeout.count() };
    std::atomic<long long> requestTimeoutMs { defaultRequestTimeout.count() };
    std::atomic<long> stallTimeoutSeconds { static_cast<long>(defaultStallTimeout.count()) };
    std::atomic<size_t> maxResponseBytes { defaultMaxResponseBytes };
    std::atomic<long> maxConnectionsPerHost { defaultMaxConnectionsPerHost };
    long appliedConnectionsPerHost { -1 }; // worker only

    CURLM* multi { nullptr };
    CURLSH* share { nullptr };
    std::mutex shareMutex;

    // Requests handed over by `send`, not yet added to the multi handle.
    std::mutex submitMutex;
    std::deque<std::unique_ptr<Transfer>> submitted;
    bool stopping { false };

    // Finished replies waiting for the callback thread.
    struct Delivery {
        HttpClient::Handler handler;
        HttpResponse response;
        std::optional<Error> error;
    };
    std::mutex deliveryMutex;
    std::condition_variable deliveryReady;
    std::deque<Delivery> deliveries;
    bool workerFinished { false };

    std::atomic<size_t> inFlight { 0 };
    std::thread worker;
    std::thread callbackThread;
    std::thread::id callbackThreadId;

    void deliver(HttpClient::Handler handler, HttpResponse response, std::optional<Error> error)
    {
        {
            std::lock_guard lock(deliveryMutex);
            deliveries.push_back({ std::move(handler), std::move(response), std::move(error) });
        }
        deliveryReady.notify_one();
    }

    // Leaves `transfer` set only when it could not start and its handler is still owed.
    void start(std::unique_ptr<Transfer>& transfer, std::list<std::unique_ptr<Transfer>>& active)
    {
        CURL* easy = curl_easy_init();
        if (!easy) {
            deliver(std::move(transfer->handler), {}, curlError(CURLE_OUT_OF_MEMORY, nullptr));
            transfer.reset();
            return;
        }
        Transfer& t = *transfer;
        t.easy = easy;
        t.maxResponseBytes = maxResponseBytes.load();
        t.headerList = buildHeaderList(t.request.headers);
        long long timeout = t.request.timeout ? t.request.timeout->count() : requestTimeoutMs.load();

        curl_easy_setopt(easy, CURLOPT_URL, t.request.url.c_str());
        curl_easy_setopt(easy, CURLOPT_PRIVATE, &t);
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_SHARE, share);
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeoutMs.load()));
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, defaultStallBytesPerSecond);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, stallTimeoutSeconds.load());
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(t.maxResponseBytes));
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t.headerList);
        curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, t.errorBuffer);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, writeBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, writeHeader);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);

        const std::string& method = t.request.method;
        if (method == "GET" && t.request.body.empty()) {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        } else if (method == "HEAD") {
            curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        } else {
            if (method != "POST")
                curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
            if (method == "POST" || !t.request.body.empty()) {
                curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(t.request.body.size()));
                curl_easy_setopt(easy, CURLOPT_POSTFIELDS, t.request.body.data());
            }
        }

        CURLMcode added = curl_multi_add_handle(multi, easy);
        if (added != CURLM_OK) {
            deliver(std::move(t.handler), {}, Error { "HTTP", static_cast<long>(CURLE_FAILED_INIT), curl_multi_strerror(added) });
            transfer.reset();
            return;
        }
        active.push_back(std::move(transfer));
    }

    void finish(CURL* easy, CURLcode result, std::list<std::unique_ptr<Transfer>>& active)
    {
        auto it = std::find_if(active.begin(), active.end(), [&](auto& t) { return t->easy == easy; });
        if (it == active.end())
            return;
        std::unique_ptr<Transfer> transfer = std::move(*it);
        active.erase(it);
        curl_multi_remove_handle(multi, easy);

        HttpResponse& response = transfer->response;
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        response.status = status;
        char* effectiveUrl = nullptr;
        curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effectiveUrl);
        response.url = effectiveUrl ? effectiveUrl : transfer->request.url;

        std::optional<Error> error;
        if (transfer->overLimit || result == CURLE_FILESIZE_EXCEEDED)
            error = curlError(CURLE_FILESIZE_EXCEEDED, nullptr);
        else if (result != CURLE_OK)
            error = curlError(result, transfer->errorBuffer);
        if (error)
            response.body.clear(); // a cut-off body is never mistaken for a whole one
        deliver(std::move(transfer->handler), std::move(response), std::move(error));
    }

    void runWorker()
    {
        std::list<std::unique_ptr<Transfer>> active;
        for (;;) {
            std::deque<std::unique_ptr<Transfer>> incoming;
            bool stop;
            {
                std::lock_guard lock(submitMutex);
                incoming.swap(submitted);
                stop = stopping;
            }
            if (stop) {
                for (auto& t : incoming)
                    active.push_back(std::move(t));
                break;
            }
            // The multi handle belongs to this thread, so settings of it are applied here.
            if (long limit = maxConnectionsPerHost.load(); limit != appliedConnectionsPerHost) {
                curl_multi_setopt(multi, CURLMOPT_MAX_HOST_CONNECTIONS, limit);
                appliedConnectionsPerHost = limit;
            }
            for (auto& t : incoming) {
                try {
                    start(t, active);
                } catch (const std::exception& e) {
                    if (t)
                        deliver(std::move(t->handler), {}, Error { "HTTP", static_cast<long>(CURLE_OUT_OF_MEMORY), e.what() });
                }
            }

            int running = 0;
            curl_multi_perform(multi, &running);
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE)
                    finish(message->easy_handle, message->data.result, active);
            }
            curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        }

        // Shutting down: whatever did not finish is cancelled, each handler told once.
        for (auto& t : active) {
            if (t->easy)
                curl_multi_remove_handle(multi, t->easy);
            deliver(std::move(t->handler), {}, curlError(CURLE_ABORTED_BY_CALLBACK, "request cancelled: the HTTP client is shutting down"));
        }
        active.clear();
        {
            std::lock_guard lock(deliveryMutex);
            workerFinished = true;
        }
        deliveryReady.notify_one();
    }

    void runCallbacks()
    {
        for (;;) {
            Delivery delivery;
            {
                std::unique_lock lock(deliveryMutex);
                deliveryReady.wait(lock, [&] { return !deliveries.empty() || workerFinished; });
                if (deliveries.empty())
                    return;
                delivery = std::move(deliveries.front());
                deliveries.pop_front();
            }
            try {
                if (delivery.handler)
                    delivery.handler(std::move(delivery.response), std::move(delivery.error));
            } catch (const std::exception& e) {
                Log::line(std::string("HTTP handler threw: ") + e.what());
            } catch (...) {
                Log::line("HTTP handler threw");
            }
            delivery.handler = nullptr; // captures die before the request stops counting
            inFlight.fetch_sub(1);
        }
    }

    static void lockShare(CURL*, curl_lock_data, curl_lock_access, void* context)
    {
        static_cast<Impl*>(context)->shareMutex.lock();
    }
    static void unlockShare(CURL*, curl_lock_data, void* context)
    {
        static_cast<Impl*>(context)->shareMutex.unlock();
    }
};

CurlHttpClient::CurlHttpClient()
    : m_impl(std::make_unique<Impl>())
{
    initialiseCurlOnce();
    m_impl->multi = curl_multi_init();
    m_impl->share = curl_share_init();
    if (!m_impl->multi || !m_impl->share)
        throw std::runtime_error("curl could not be initialised");
    curl_share_setopt(m_impl->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(m_impl->share, CURLSHOPT_LOCKFUNC, &Impl::lockShare);
    curl_share_setopt(m_impl->share, CURLSHOPT_UNLOCKFUNC, &Impl::unlockShare);
    curl_share_setopt(m_impl->share, CURLSHOPT_USERDATA, m_impl.get());
    m_impl->callbackThread = std::thread([impl = m_impl.get()] { impl->runCallbacks(); });
    m_impl->callbackThreadId = m_impl->callbackThread.get_id();
    m_impl->worker = std::thread([impl = m_impl.get()] { impl->runWorker(); });
}

CurlHttpClient::~CurlHttpClient()
{
    {
        std::lock_guard lock(m_impl->submitMutex);
        m_impl->stopping = true;
    }
    curl_multi_wakeup(m_impl->multi);
    m_impl->worker.join();
    // The callback thread drains every delivery, cancellations included, then ends.
    m_impl->callbackThread.join();
    curl_multi_cleanup(m_impl->multi);
    curl_share_cleanup(m_impl->share);
}

void CurlHttpClient::setConnectTimeout(std::chrono::milliseconds t)
{
    m_impl->connectTimeoutMs = t.count();
}

void CurlHttpClient::setRequestTimeout(std::chrono::milliseconds t)
{
    m_impl->requestTimeoutMs = t.count();
}

void CurlHttpClient::setStallTimeout(std::chrono::seconds t)
{
    m_impl->stallTimeoutSeconds = std::max<long>(1, static_cast<long>(t.count()));
}

void CurlHttpClient::setMaxResponseBytes(size_t bytes)
{
    m_impl->maxResponseBytes = bytes;
}

void CurlHttpClient::setMaxConnectionsPerHost(long connections)
{
    m_impl->maxConnectionsPerHost = connections;
    curl_multi_wakeup(m_impl->multi);
}

void CurlHttpClient::send(HttpRequest request, Handler handler)
{
    m_impl->inFlight.fetch_add(1);
    auto transfer = std::make_unique<Transfer>();
    transfer->request = std::move(request);
    transfer->handler = std::move(handler);
    {
        std::lock_guard lock(m_impl->submitMutex);
        if (!m_impl->stopping) {
            m_impl->submitted.push_back(std::move(transfer));
        }
    }
    if (transfer) {
        // Sent from a handler while the client shuts down: answered at once, never started.
        m_impl->deliver(std::move(transfer->handler), {}, curlError(CURLE_ABORTED_BY_CALLBACK, "request cancelled: the HTTP client is shutting down"));
        return;
    }
    curl_multi_wakeup(m_impl->multi);
}

size_t CurlHttpClient::inFlight() const
{
    return m_impl->inFlight.load();
}

bool CurlHttpClient::isCallbackThread() const
{
    return std::this_thread::get_id() == m_impl->callbackThreadId;
}

} // namespace quindle
