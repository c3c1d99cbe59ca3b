// The connection layer under hostile clients: trickled headers and bodies are closed at their
// deadline while ordinary requests keep answering, one origin cannot take every connection, and
// oversized headers are refused.
#include "server/HttpServer.h"
#include "support/RawConnection.h"
#include "tests/server/ServerFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

using namespace quindle;
using namespace std::chrono_literals;
using test::RawConnection;

namespace {

constexpr auto deadline = 1500ms;

class HttpLimitsTest : public test::ServerFixture {
protected:
    void configure(ServerOptions& options) const override
    {
        options.http.headerDeadline = deadline;
        options.http.bodyDeadline = deadline;
        options.http.slowestBodyBytesPerSecond = 1 << 30; // the deadline is the base alone
        options.http.maxConnectionsPerOrigin = 60;
    }

    /// The source address of the N-th hostile connection: 50 to an address, under the cap.
    static std::string source(size_t n) { return "127.0.0." + std::to_string(2 + n / 50); }
};

} // namespace

TEST_F(HttpLimitsTest, TricklingClientsAreClosedAtTheirDeadlineWhileOthersAreServed)
{
    constexpr size_t slow = 200;
    std::vector<std::unique_ptr<RawConnection>> trickling;
    const auto opened = std::chrono::steady_clock::now();
    for (size_t i = 0; i < slow; ++i) {
        trickling.push_back(std::make_unique<RawConnection>(server->port(), source(i).c_str()));
        ASSERT_TRUE(trickling.back()->connected()) << i;
        // Half trickle their headers, half a body they promised in full.
        ASSERT_TRUE(trickling.back()->send(i % 2 ? std::string("GET /json/devices.php HTTP/1.1\r\nX-Slow: ")
                                                 : std::string("POST /json/devices.php HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\n")));
    }
    std::atomic<bool> done { false };
    std::vector<std::chrono::steady_clock::duration> closedAfter(slow, std::chrono::steady_clock::duration {});
    std::thread trickler([&] {
        size_t open = slow;
        while (open > 0 && std::chrono::steady_clock::now() - opened < deadline * 4) {
            for (size_t i = 0; i < slow; ++i) {
                if (closedAfter[i] == std::chrono::steady_clock::duration {} && trickling[i]->closedWithin(0ms)) {
                    closedAfter[i] = std::chrono::steady_clock::now() - opened;
                    --open;
                } else if (closedAfter[i] == std::chrono::steady_clock::duration {}) {
                    trickling[i]->send("a");
                }
            }
            std::this_thread::sleep_for(100ms);
        }
        done = true;
    });

    std::vector<double> millis;
    while (!done || millis.size() < 100) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(test::status(client->Get(content("contentForNode"))), 200);
        millis.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        std::this_thread::sleep_for(5ms);
    }
    trickler.join();
    std::sort(millis.begin(), millis.end());
    EXPECT_LT(millis[millis.size() * 99 / 100], 100.0) << "p99 of " << millis.size() << " requests";
    for (size_t i = 0; i < slow; ++i) {
        EXPECT_NE(closedAfter[i], std::chrono::steady_clock::duration {}) << "connection " << i << " is still open";
        EXPECT_GE(closedAfter[i], deadline - 100ms) << i;
        EXPECT_LT(closedAfter[i], deadline + 1500ms) << i;
    }
}

TEST_F(HttpLimitsTest, OneOriginCannotTakeEveryConnectionAndHeadersAreBounded)
{
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int i = 0; i < 60; ++i)
        held.push_back(std::make_unique<RawConnection>(server->port(), "127.0.0.9"));
    RawConnection extra(server->port(), "127.0.0.9");
    EXPECT_TRUE(extra.closedWithin(1000ms)) << "the 61st connection from one address stays open";
    EXPECT_FALSE(held.front()->closedWithin(0ms));
    EXPECT_EQ(test::status(client->Get(content("contentForNode"))), 200) << "another address is served";

    // Headers of 64 KiB in all are refused with a JSON object; a little less is read.
    auto request = [&](size_t headerBytes) {
        RawConnection raw(server->port());
        std::string text = "GET " + content("contentForNode") + " HTTP/1.1\r\nHost: x\r\n";
        for (size_t sent = 0; sent < headerBytes; sent += 1000)
            text += "X-Filler: " + std::string(988, 'f') + "\r\n";
        raw.send(text + "Connection: close\r\n\r\n");
        return raw.receive(5000ms);
    };
    const std::string refused = request(HttpLimits::defaultMaxHeaderBytes);
    EXPECT_EQ(refused.rfind("HTTP/1.1 431", 0), 0u) << refused.substr(0, 200);
    EXPECT_NE(refused.find("{\"Error\":"), std::string::npos);
    const std::string served = request(HttpLimits::defaultMaxHeaderBytes - 4000);
    EXPECT_EQ(served.rfind("HTTP/1.1 200", 0), 0u) << served.substr(0, 200);
}
