#include "E2eFixture.h"

#include <atomic>
#include <sys/stat.h>
#include <thread>

using namespace quindle::test;

class Browse : public E2eFixture { };

TEST_F(Browse, StartPageAPageAFormPageAndAnEvent)
{
    TermRun run = runScript(R"(# the public start page, logged out, titled with its page's name
expect Title: Home
expect Welcome to Quindle Care Home
expect Events  >
expect [Login]
reject [Tab Edit]
# a page of events, and one event
tap 4
wait
expect Title: Events
expect Back: Home
expect Summer fair
tap 0
wait
expect Stalls, music and cream teas in the garden.
# the picture area says what it does
expect <Change picture>
reject <>
back
wait
back
wait
# the form page
tap 6
wait
expect Title: Contact us
expect [____ Your name]
expect [Send]
)");
    EXPECT_EQ(run.status, 0) << run.output;
}

TEST_F(Browse, LoginShowsTheOwnersTabs)
{
    TermRun run = runScript(std::string(loginScript) + R"(expect [Tab Edit]
expect [Account]
# the start page's tab, then the owner's own
expect Tabs: [*Home*] [Home]
reject (untitled)
tab Account
expect Title: Account
expect [Logout]
)");
    EXPECT_EQ(run.status, 0) << run.output;
    // The login went to the server with the demo account and opened a session there.
    EXPECT_FALSE(sql("SELECT token FROM sessions").empty());
}

TEST_F(Browse, PushCallbacksShowTheirScreens)
{
    TermRun run = runScript(R"(push grant none
expect Alert: Please turn on Notification
alert Ok
reject Alert:
push token 0a0b0c
push notify {"action":"Register","name":"Shop","assetID":"2"}
reject Title: Register new app
push notify {"action":"register","name":"Shop","assetID":"2"}
expect Title: Register new app
expect [Approve]
)");
    EXPECT_EQ(run.status, 0) << run.output;
}

// The server goes away between two commands: the client shows an alert or nothing, never
// crashes, and the script carries on to its end.
TEST_F(Browse, AServerStoppedMidScriptIsNoCrash)
{
    // The script comes through a pipe, so the server can be stopped after its first part ran.
    std::string fifo = (folder() / "commands.term").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> stopped { false };
    std::thread writer([&] {
        std::ofstream commands(fifo);
        commands << "expect Welcome to Quindle Care Home\nshow\n" << std::flush;
        while (!stopped)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        commands << "tap 4\nwait\nrefresh\nwait\n" << loginScript << "show\nquit\n" << std::flush;
    });
    TermRun run = runScriptFile(fifo, [&](const std::string& output) {
        if (!stopped && output.find("Title:") != std::string::npos) {
            stopServer();
            stopped = true;
        }
    });
    stopped = true;
    writer.join();
    EXPECT_EQ(run.status, 0) << run.output;
    // The last screen is the login screen, with or without an alert over it.
    EXPECT_NE(run.output.rfind("Title: Login"), std::string::npos) << run.output;
}
