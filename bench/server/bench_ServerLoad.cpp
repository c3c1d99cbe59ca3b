// Load generator for quindle-server (and any HTTP/1.1 server that answers with Content-Length):
// N keep-alive connections on raw sockets, each sending its next request as soon as the last
// reply is read, for a fixed time; every latency is recorded.
//
//   bench_ServerLoad load --url URL [--connections N] [--seconds S] [--header "Name: value"] [--label L]
//       "{n}" in the URL becomes a running number, so a stream of writes sends distinct values.
//   bench_ServerLoad slow --url URL [--connections N] [--seconds S]
//       holds N connections (50 to a source address, 127.0.0.2 on) that trickle request headers
//       one byte a second and reconnect when the server closes them, for S seconds.
//   bench_ServerLoad prepare --base http://127.0.0.1:PORT --login "LOGIN LINE" [--items N] --body FILE
//       logs in as the demo user, builds a page of N text items, stores the page reply in FILE and
//       prints "page ID", "token TOKEN" and, when the demo data has a resident form, "form QUERY".
#include "support/PercentEncode.h"
#include "platform/JsonParser.h"
#include "platform/JsonValue.h"

#include <httplib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using quindle::JsonParser;
using quindle::JsonValue;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* contentPath = "/~corvath/vantro/web/app_dev.php/";
constexpr int defaultConnections = 8;
constexpr double defaultSeconds = 5.0;
constexpr int defaultItems = 200;
constexpr size_t maxReplyBytes = 64 * 1024 * 1024;

struct Url {
    std::string host;
    int port { 80 };
    std::string target;
};

std::optional<Url> parseUrl(const std::string& text)
{
    const std::string scheme = "http://";
    if (text.rfind(scheme, 0) != 0)
        return std::nullopt;
    Url url;
    size_t slash = text.find('/', scheme.size());
    std::string authority = text.substr(scheme.size(), slash == std::string::npos ? std::string::npos : slash - scheme.size());
    url.target = slash == std::string::npos ? "/" : text.substr(slash);
    size_t colon = authority.rfind(':');
    url.host = authority.substr(0, colon);
    if (colon != std::string::npos)
        url.port = std::atoi(authority.c_str() + colon + 1);
    return url;
}

/// One keep-alive HTTP/1.1 connection on a raw socket.
class Connection {
public:
    explicit Connection(const Url& url)
        : m_url(url)
    {
    }
    ~Connection() { close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /// Sends one GET and reads the whole reply; the status, or 0 on a transport failure.
    int get(const std::string& target, const std::string& extraHeaders, size_t* bodyBytes)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (m_fd < 0 && !open())
                return 0;
            std::string request = "GET " + target + " HTTP/1.1\r\nHost: " + m_url.host + ":" + std::to_string(m_url.port)
                + "\r\nConnection: keep-alive\r\n" + extraHeaders + "\r\n";
            if (!sendAll(request)) {
                close();
                continue;
            }
            int status = readReply(bodyBytes);
            if (status > 0)
                return status;
            close();
            // A keep-alive connection the server closed between requests: retry once on a new one.
            if (!m_reused)
                return 0;
        }
        return 0;
    }

private:
    bool open()
    {
        addrinfo hints {};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(m_url.host.c_str(), std::to_string(m_url.port).c_str(), &hints, &found) != 0)
            return false;
        m_fd = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
        bool connected = m_fd >= 0 && ::connect(m_fd, found->ai_addr, found->ai_addrlen) == 0;
        freeaddrinfo(found);
        if (!connected) {
            close();
            return false;
        }
        int one = 1;
        setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        m_buffer.clear();
        m_reused = false;
        return true;
    }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool sendAll(const std::string& data)
    {
        size_t sent = 0;
        while (sent < data.size()) {
            ssize_t n = ::send(m_fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    bool fill()
    {
        char chunk[65536];
        ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        m_buffer.append(chunk, static_cast<size_t>(n));
        return m_buffer.size() <= maxReplyBytes;
    }

    int readReply(size_t* bodyBytes)
    {
        size_t headerEnd;
        while ((headerEnd = m_buffer.find("\r\n\r\n")) == std::string::npos) {
            if (!fill())
                return 0;
        }
        std::string head = m_buffer.substr(0, headerEnd);
        for (char& c : head)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        int status = head.size() > 12 ? std::atoi(head.c_str() + 9) : 0;
        size_t lengthAt = head.find("\r\ncontent-length:");
        if (lengthAt == std::string::npos || status <= 0)
            return 0; // chunked or unframed replies are not measured
        size_t length = std::strtoull(head.c_str() + lengthAt + 17, nullptr, 10);
        bool closes = head.find("\r\nconnection: close") != std::string::npos;
        size_t total = headerEnd + 4 + length;
        while (m_buffer.size() < total) {
            if (!fill())
                return 0;
        }
        m_buffer.erase(0, total);
        if (bodyBytes)
            *bodyBytes = length;
        if (closes)
            close();
        m_reused = true;
        return status;
    }

    Url m_url;
    int m_fd { -1 };
    bool m_reused { false };
    std::string m_buffer;
};

std::string argument(const std::vector<std::string>& args, const std::string& name, const std::string& fallback = {})
{
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == name)
            return args[i + 1];
    }
    return fallback;
}

double percentile(std::vector<double>& sorted, double p)
{
    if (sorted.empty())
        return 0;
    size_t index = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

int runLoad(const std::vector<std::string>& args)
{
    std::string urlText = argument(args, "--url");
    std::optional<Url> url = parseUrl(urlText);
    if (!url) {
        std::cerr << "load: --url http://HOST:PORT/PATH is required\n";
        return 2;
    }
    int connections = std::max(1, std::atoi(argument(args, "--connections", std::to_string(defaultConnections)).c_str()));
    double seconds = std::atof(argument(args, "--seconds", std::to_string(defaultSeconds)).c_str());
    std::string label = argument(args, "--label", "load");
    std::string headers;
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--header")
            headers += args[i + 1] + "\r\n";
    }
    size_t counterAt = url->target.find("{n}");
    std::atomic<long> counter { 0 };
    std::atomic<bool> running { true };
    std::vector<std::vector<double>> latencies(static_cast<size_t>(connections));
    std::vector<long> errors(static_cast<size_t>(connections), 0);
    std::vector<size_t> replyBytes(static_cast<size_t>(connections), 0);

    std::vector<std::thread> threads;
    Clock::time_point start = Clock::now();
    for (int c = 0; c < connections; ++c) {
        threads.emplace_back([&, c] {
            Connection connection(*url);
            std::vector<double>& mine = latencies[static_cast<size_t>(c)];
            mine.reserve(1 << 16);
            while (running.load(std::memory_order_relaxed)) {
                std::string target = url->target;
                if (counterAt != std::string::npos)
                    target.replace(counterAt, 3, std::to_string(counter++));
                Clock::time_point sent = Clock::now();
                size_t bytes = 0;
                int status = connection.get(target, headers, &bytes);
                double micros = std::chrono::duration<double, std::micro>(Clock::now() - sent).count();
                if (status == 200) {
                    mine.push_back(micros);
                    replyBytes[static_cast<size_t>(c)] = bytes;
                } else {
                    errors[static_cast<size_t>(c)]++;
                    if (status == 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    running = false;
    for (std::thread& thread : threads)
        thread.join();
    double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

    std::vector<double> all;
    long errorCount = 0;
    size_t bytes = 0;
    for (int c = 0; c < connections; ++c) {
        all.insert(all.end(), latencies[static_cast<size_t>(c)].begin(), latencies[static_cast<size_t>(c)].end());
        errorCount += errors[static_cast<size_t>(c)];
        bytes = std::max(bytes, replyBytes[static_cast<size_t>(c)]);
    }
    std::sort(all.begin(), all.end());
    double rps = static_cast<double>(all.size()) / elapsed;
    std::printf("%s: %zu replies in %.2f s over %d connections, %.0f requests/s, p50 %.3f ms, p99 %.3f ms, "
                "non-200 or failed %ld, reply body %zu bytes\n",
        label.c_str(), all.size(), elapsed, connections, rps, percentile(all, 0.50) / 1000.0,
        percentile(all, 0.99) / 1000.0, errorCount, bytes);
    std::printf("RESULT %s rps=%.1f p50_ms=%.3f p99_ms=%.3f errors=%ld\n", label.c_str(), rps,
        percentile(all, 0.50) / 1000.0, percentile(all, 0.99) / 1000.0, errorCount);
    return all.empty() ? 1 : 0;
}

// ---- prepare: demo login and a page of N items ----

const JsonValue* field(const JsonValue& record, const std::string& key)
{
    if (!record.isObject())
        return nullptr;
    if (const JsonValue* value = record.object()->find(key))
        return value;
    std::string lower;
    for (char c : key)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return record.object()->find(lower);
}

std::string text(const JsonValue& record, const std::string& key)
{
    const JsonValue* value = field(record, key);
    if (value && value->isString())
        return *value->string();
    if (value && value->isInteger())
        return std::to_string(value->asInt());
    return {};
}

std::optional<JsonValue> content(const httplib::Result& result)
{
    if (!result || result->status != 200)
        return std::nullopt;
    std::optional<JsonValue> parsed = JsonParser::parse(result->body);
    if (!parsed || !parsed->isObject())
        return std::nullopt;
    for (const char* key : { "Message", "list", "Children" }) {
        if (const JsonValue* value = parsed->object()->find(key))
            return *value;
    }
    return parsed;
}

std::vector<JsonValue> children(const std::optional<JsonValue>& record)
{
    if (!record)
        return {};
    const JsonValue* list = record->isArray() ? &*record : field(*record, "Children");
    if (!list && !record->isArray())
        list = field(*record, "list"); // the care-forms server's lists
    if (list && list->isArray())
        return list->array()->items();
    return {};
}


/// The e-mail is the word with an at sign; the password is the last word after it.
std::pair<std::string, std::string> credentialsFrom(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : line + " ") {
        if (c == ' ' || c == '\t' || c == '/' || c == ',') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    std::string email, password;
    for (const std::string& each : words) {
        if (email.empty() && each.find('@') != std::string::npos) {
            email = each;
            size_t label = email.find_last_of(":=", email.find('@'));
            if (label != std::string::npos)
                email = email.substr(label + 1);
        } else if (!email.empty()) {
            password = each;
        }
    }
    if (size_t label = password.find_first_of(":="); label != std::string::npos && label + 1 < password.size())
        password = password.substr(label + 1);
    return { email, password };
}

/// A resident form entry to write with handleForm: from the first due follow-up's form.
std::string findFormQuery(httplib::Client& client, const httplib::Headers& headers)
{
    for (const JsonValue& followUp : children(content(client.Get("/json/currentUserOverdueActions.php", headers)))) {
        std::string resident = text(followUp, "resID");
        std::string form = text(followUp, "linkID");
        if (resident.empty() || form.empty())
            continue;
        std::optional<JsonValue> entries = content(client.Get("/json/start.php?a=" + form, headers));
        for (const JsonValue& entry : children(entries)) {
            std::string type = text(entry, "type");
            if (text(entry, "assetID").empty() || text(entry, "name").empty() || type == "Action" || type == "Meal")
                continue;
            return "f=" + text(entry, "assetID") + "&c=" + resident + "&name=" + quindle::test::percentEncode(text(entry, "name"))
                + "&val=bench-{n}&type=" + quindle::test::percentEncode(type);
        }
    }
    return {};
}

int runPrepare(const std::vector<std::string>& args)
{
    std::optional<Url> base = parseUrl(argument(args, "--base"));
    std::string bodyFile = argument(args, "--body");
    int items = std::atoi(argument(args, "--items", std::to_string(defaultItems)).c_str());
    if (!base || bodyFile.empty()) {
        std::cerr << "prepare: --base URL and --body FILE are required\n";
        return 2;
    }
    auto [email, password] = credentialsFrom(argument(args, "--login"));
    httplib::Client client(base->host, base->port);
    client.set_keep_alive(true);
    client.set_read_timeout(std::chrono::seconds(10));
    std::string path = contentPath;
    std::optional<JsonValue> login = content(client.Get(path + "login?email=" + quindle::test::percentEncode(email) + "&password=" + quindle::test::percentEncode(password)));
    std::string token = login ? text(*login, "AuthToken") : std::string {};
    if (token.empty()) {
        std::cerr << "prepare: demo login failed for " << email << "\n";
        return 1;
    }
    httplib::Headers headers { { "wibble", token } };
    const JsonValue* user = field(*login, "User");
    const JsonValue* tabs = user ? field(*user, "Tabs") : nullptr;
    std::string parent = tabs ? text(*tabs, "AssetId") : std::string {};
    for (const JsonValue& tab : tabs ? children(*tabs) : std::vector<JsonValue> {}) {
        if (text(tab, "Type") == "Directory" && !text(tab, "AssetId").empty()) {
            parent = text(tab, "AssetId");
            break;
        }
    }
    std::string name = "bench-page-" + std::to_string(getpid());
    if (parent.empty() || !content(client.Get(path + "makePage?assetid=" + parent + "&name=" + name, headers))) {
        std::cerr << "prepare: could not make a page under '" << parent << "'\n";
        return 1;
    }
    std::string page;
    for (const JsonValue& child : children(content(client.Get(path + "contentForNode?assetid=" + parent, headers)))) {
        if (text(child, "Name") == name)
            page = text(child, "AssetId");
    }
    if (page.empty()) {
        std::cerr << "prepare: the new page is not listed under " << parent << "\n";
        return 1;
    }
    for (int i = 0; i < items; ++i) {
        std::string item = "Item " + std::to_string(i) + ": a line of text of the kind a page holds";
        if (!content(client.Get(path + "addText?assetid=" + page + "&text=" + quindle::test::percentEncode(item), headers))) {
            std::cerr << "prepare: addText " << i << " failed\n";
            return 1;
        }
    }
    httplib::Result reply = client.Get(path + "contentForNode?assetid=" + page, headers);
    if (!reply || reply->status != 200 || children(content(reply)).size() != static_cast<size_t>(items)) {
        std::cerr << "prepare: the page does not list " << items << " items\n";
        return 1;
    }
    std::ofstream(bodyFile, std::ios::binary) << reply->body;
    std::cout << "page " << page << "\ntoken " << token << "\n";
    if (std::string form = findFormQuery(client, headers); !form.empty())
        std::cout << "form " << form << "\n";
    return 0;
}

/// One trickling connection from `source`; -1 when it cannot connect.
int trickleConnection(const Url& url, const std::string& source)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from {};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(url.port));
    ::inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    const std::string start = "GET " + url.target + " HTTP/1.1\r\nHost: " + url.host + "\r\nX-Slow: ";
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0
        || ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0
        || ::send(fd, start.data(), start.size(), MSG_NOSIGNAL) < 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

int runSlow(const std::vector<std::string>& args)
{
    std::optional<Url> url = parseUrl(argument(args, "--url"));
    const int count = std::max(1, std::atoi(argument(args, "--connections", "200").c_str()));
    const double seconds = std::atof(argument(args, "--seconds", std::to_string(defaultSeconds)).c_str());
    if (!url) {
        std::cerr << "slow: --url is required\n";
        return 2;
    }
    auto sourceOf = [](int i) { return "127.0.0." + std::to_string(2 + i / 50); };
    std::vector<int> fds(static_cast<size_t>(count), -1);
    long reconnects = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < count; ++i) {
            int& fd = fds[static_cast<size_t>(i)];
            char buffer[512];
            // Closed by the server (or never open): open again.
            if (fd >= 0 && ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) == 0) {
                ::close(fd);
                fd = -1;
                ++reconnects;
            }
            if (fd < 0)
                fd = trickleConnection(*url, sourceOf(i));
            else
                ::send(fd, "a", 1, MSG_NOSIGNAL);
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    for (int fd : fds) {
        if (fd >= 0)
            ::close(fd);
    }
    std::cout << "slow connections: " << count << ", reopened after the server closed them: " << reconnects << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "load")
        return runLoad(args);
    if (!args.empty() && args[0] == "prepare")
        return runPrepare(args);
    if (!args.empty() && args[0] == "slow")
        return runSlow(args);
    std::cerr << "usage: bench_ServerLoad load --url URL [--connections N] [--seconds S] [--header H] [--label L]\n"
                 "       bench_ServerLoad slow --url URL [--connections N] [--seconds S]\n"
                 "       bench_ServerLoad prepare --base URL --login LINE [--items N] --body FILE\n";
    return 2;
}
