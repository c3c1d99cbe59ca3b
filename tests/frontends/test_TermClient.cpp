#include "support/RecordingServer.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

/// Runs quindle-term with the arguments and `input` on its standard input.
TermRun runTerm(const std::string& arguments, const std::string& input = "show\n")
{
    auto folder = std::filesystem::temp_directory_path() / ("quindle-term-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    // The object store the app closes at exit goes here, not into the home folder.
    setenv("QUINDLE_DOCUMENTS", folder.c_str(), 1);
    auto inputPath = folder / "input.term";
    std::ofstream(inputPath) << input;
    std::string command = std::string(QUINDLE_BUILD_DIR) + "/frontends/term/quindle-term " + arguments + " < "
        + inputPath.string() + " 2>&1";
    TermRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer {};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.output.append(buffer.data(), n);
    int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : (WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1);
    return run;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

Reply replying(std::string body, int status = 200)
{
    Reply reply;
    reply.status = status;
    reply.body = std::move(body);
    return reply;
}

/// Commands for the client's standard input, a line each.
std::string script(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

/// A start page holding the "Hello there" text, then `more` children.
std::string startPage(const std::string& more = "")
{
    return R"({"Message":{"AssetId":"1","Type":"Directory","Name":"Home","Children":[)"
           R"({"AssetId":"2","Type":"Text","Name":"Welcome","Data":"Hello there"})" + more + "]}}";
}

} // namespace

TEST(TermClient, ShowsTheStartPageItsServerSends)
{
    RecordingServer server([](const RecordedRequest&) { return replying(startPage(R"(,{"AssetId":"3","Type":"Directory","Name":"Garden"})")); });
    TermRun run = runTerm("--server " + server.url());
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(contains(run.output, "  0. Hello there\n")) << run.output;
    EXPECT_TRUE(contains(run.output, "  1. Garden  >\n")) << run.output;
    auto requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/~corvath/vantro/web/app_dev.php/contentForNode");
}

// A server that is down or answers nonsense leaves the start page empty with a note, never a crash.
TEST(TermClient, NoStartPageIsANoteNotACrash)
{
    int port;
    {
        RecordingServer closed; // a port that was just free and now has no listener
        port = closed.port();
    }
    TermRun down = runTerm("--server http://127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(down.status, 0) << down.output;
    EXPECT_TRUE(contains(down.output, "quindle-term: no start page from")) << down.output;

    for (auto [status, body] : { std::pair { 200, std::string("not json {") }, std::pair { 500, std::string("{}") },
             std::pair { 200, std::string("[1,2]") }, std::pair { 200, std::string(R"({"Message":{"Children":{}}})") } }) {
        RecordingServer server([status, body](const RecordedRequest&) { return replying(body, status); });
        TermRun run = runTerm("--server " + server.url());
        EXPECT_EQ(run.status, 0) << body << "\n" << run.output;
        EXPECT_TRUE(contains(run.output, "quindle-term: no start page from")) << run.output;
    }
}

// A refresh whose reply is a failure leaves the page as it was; a list, even an empty one, replaces it.
TEST(TermClient, AFailedRefreshKeepsThePage)
{
    std::atomic<int> pages { 0 };
    RecordingServer server([&pages](const RecordedRequest&) {
        switch (pages++) {
        case 0:
            return replying(startPage());
        case 1:
            return replying(R"({"error":"boom"})", 500);
        case 2:
            return replying("not json {");
        default:
            return replying(R"({"Message":{"AssetId":"1","Type":"Directory","Name":"Home","Children":[]}})");
        }
    });
    TermRun run = runTerm("--server " + server.url(), script({ "expect 0. Hello there", "refresh", "wait", "expect 0. Hello there", "refresh",
                                                              "wait", "expect 0. Hello there", "refresh", "wait", "expect (no rows)" }));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(contains(run.output, "line ")) << run.output; // no command failed
    EXPECT_EQ(pages.load(), 4);
}

// An alert takes all input: Save pressed again under the registration's answer sends nothing,
// and the client says why the press and the typing were refused.
TEST(TermClient, SaveUnderTheRegistrationAlertRegistersOnce)
{
    RecordingServer server([](const RecordedRequest& request) {
        return replying(request.path.ends_with("/registerCompany") ? R"({"Message":{"AssetId":"9","Name":"Twice Ltd","Published":"No"}})"
                                                                                : startPage());
    });
    TermRun run = runTerm("--server " + server.url(),
        script({ "press Register", "field 0 twice@quindle.example", "field 1 long-enough", "field 2 long-enough", "field 3 Twice Ltd", "press Save",
            "wait", "expect Alert: Verify email", "press Save", "field 0 other@quindle.example", "return 0", "wait",
            "expect {0}[twice@quindle.example]", "alert Ok", "wait", "expect Title: Home" }));
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(contains(run.output, "line 9: press Save: the button \"Save\" takes no press now (the alert \"Verify email\" is on screen)"))
        << run.output;
    EXPECT_TRUE(contains(run.output, "line 10: field 0 other@quindle.example: input 0 refused the text (the alert \"Verify email\" is on screen)"))
        << run.output;
    EXPECT_TRUE(contains(run.output, "line 11: return 0: input 0 refused the return")) << run.output;
    // Only the failures above: every other line was taken.
    EXPECT_FALSE(contains(run.output, "line 13:")) << run.output;
    EXPECT_FALSE(contains(run.output, "line 16:")) << run.output;
    int registrations = 0;
    for (const auto& request : server.requests()) {
        if (request.path.ends_with("/registerCompany")) {
            ++registrations;
            EXPECT_TRUE(contains(request.target, "email=twice@quindle.example")) << request.target;
        }
    }
    EXPECT_EQ(registrations, 1);
}

TEST(TermClient, BadOptionsAreUsageErrors)
{
    EXPECT_EQ(runTerm("--server ftp://example").status, 2);
    TermRun run = runTerm("--bogus");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(contains(run.output, "unknown option --bogus"));
    EXPECT_EQ(runTerm("--demo --server http://127.0.0.1:1").status, 2);
    EXPECT_EQ(runTerm("--script").status, 2);
    TermRun missing = runTerm("--script /nonexistent/quindle.term");
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(contains(missing.output, "cannot read the script")) << missing.output;
}

// Without a server the client starts the reference server in-process with its demo data; a
// script ends with 0, or with 1 at its first failing line.
TEST(TermClient, DemoServerIsTheDefaultAndScriptsSetTheExitStatus)
{
    auto folder = std::filesystem::temp_directory_path() / ("quindle-term-script-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "good.term") << "# the demo start page\nexpect Welcome to Quindle Care Home\nreject Nowhere\n";
    std::ofstream(folder / "bad.term") << "expect Welcome\nexpect Nowhere\nquit\n";

    TermRun good = runTerm("--script " + (folder / "good.term").string(), "");
    EXPECT_EQ(good.status, 0) << good.output;
    EXPECT_TRUE(contains(good.output, "Demo server at http://127.0.0.1:")) << good.output;

    TermRun bad = runTerm("--demo --script " + (folder / "bad.term").string(), "");
    EXPECT_EQ(bad.status, 1) << bad.output;
    EXPECT_TRUE(contains(bad.output, "bad.term:2: expect Nowhere: \"Nowhere\" is not on screen")) << bad.output;
    std::filesystem::remove_all(folder);
}
