#include "support/RecordingServer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

using quindle::test::RecordedRequest;
using quindle::test::RecordingServer;
using quindle::test::Reply;

namespace {

struct TermRun {
    int status { -1 };
    std::string output; // stdout and stderr together
};

TermRun runTerm(const std::string& arguments)
{
    std::string command = std::string(QUINDLE_BUILD_DIR) + "/frontends/term/quindle-term " + arguments + " 2>&1";
    TermRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer {};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.output.append(buffer.data(), n);
    int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

size_t lineCount(const std::string& text)
{
    size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

} // namespace

TEST(TermClientStartPage, PrintsTheItemNamesOfTheStartPage)
{
    RecordingServer server([](const RecordedRequest&) {
        Reply reply;
        reply.body = R"({"Message":{"AssetId":"1","Type":"Directory","Name":"Home","Children":[)"
                               R"({"AssetId":"2","Type":"Text","Name":"Welcome"},{"AssetId":"3","Type":"Image","name":"Garden"}]}})";
        return reply;
    });
    TermRun run = runTerm("--server " + server.url());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Welcome\nGarden\n"), std::string::npos) << run.output;
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/~corvath/vantro/web/app_dev.php/contentForNode");
}

TEST(TermClientStartPage, UnreachableServerIsOneLineError)
{
    int port;
    {
        RecordingServer closed; // a port that was just free and now has no listener
        port = closed.port();
    }
    TermRun run = runTerm("--server http://127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(run.status, 1);
    // The progress line, then exactly one error line.
    EXPECT_EQ(lineCount(run.output), 2u) << run.output;
    EXPECT_NE(run.output.find("quindle-term: cannot load the start page"), std::string::npos) << run.output;
}

TEST(TermClientStartPage, BadRepliesAreOneLineErrors)
{
    for (auto [status, body] : { std::pair { 200, std::string("not json {") }, std::pair { 500, std::string("{}") },
             std::pair { 200, std::string("[1,2]") }, std::pair { 200, std::string(R"({"Message":{"Children":{}}})") } }) {
        RecordingServer server([status, body](const RecordedRequest&) {
            Reply reply;
            reply.status = status;
            reply.body = body;
            return reply;
        });
        TermRun run = runTerm("--server " + server.url());
        EXPECT_EQ(run.status, 1) << body;
        EXPECT_EQ(lineCount(run.output), 2u) << run.output;
        EXPECT_NE(run.output.find("quindle-term: "), std::string::npos) << run.output;
    }
}

TEST(TermClientStartPage, MissingOrMalformedServerIsAUsageError)
{
    EXPECT_EQ(runTerm("--server ftp://example").status, 2);
    TermRun run = runTerm("--bogus");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("unknown option --bogus"), std::string::npos);
}

// Without a server the client starts the reference server in-process with its demo data.
TEST(TermClientStartPage, DemoServerIsTheDefault)
{
    TermRun run = runTerm("");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Demo server at http://127.0.0.1:"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nWelcome\n"), std::string::npos) << run.output;
    EXPECT_EQ(runTerm("--demo --server http://127.0.0.1:1").status, 2);
}
