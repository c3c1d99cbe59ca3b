// The care tabs end to end: quindle-term logs in against quindle-server, sees the overdue
// follow-ups on the Followups tab's badge, and sees a follow-up become overdue once the
// server's stored due date passes, after a pull to refresh.
#include "E2eFixture.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <atomic>
#include <future>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

class Care : public E2eFixture {
protected:
    /// Runs a statement on the server's database while it runs.
    void change(const std::string& statement)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder() / "quindle.sqlite").c_str(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 5000);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        EXPECT_EQ(sqlite3_changes(db), 1);
        sqlite3_close(db);
    }
};

TEST_F(Care, TheFollowupsTabCountsTheOverdueOnesAndARefreshShowsANewlyDueOne)
{
    // The script comes through a pipe, so the server's data can change between its two halves.
    const auto pipe = folder() / "care.fifo";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::promise<void> changed;
    std::thread writer([&pipe, done = changed.get_future()]() mutable {
        std::ofstream script(pipe);
        script << loginScript << R"(expect [Followups (4)]
expect [Workflow]
expect [Tab Edit]
tab Followups
expect Title: Followups
expect Weigh Margaret again
expect Call Margaret Hill's family back
reject Review Margaret
# a follow-up opens the person's resident form, with its heading and due actions
tap 0
wait
expect Title: Forms
expect History
expect Actions
back
expect Title: Followups
show
)" << std::flush;
        done.wait_for(std::chrono::seconds(60));
        script << R"(refresh
wait
expect [*Followups* (5)]
expect Review Margaret Hill's care plan
tab Workflow
expect Admission
expect Monthly review
tap 0
wait
expect Title: Next workflow
)" << std::flush;
    });
    std::atomic<bool> done { false };
    TermRun run = runScriptFile(pipe.string(), [&](const std::string& output) {
        if (!done && output.find("Call Margaret Hill's family back") != std::string::npos) {
            done = true;
            // Due yesterday by the stored date: the server's clock, not a wait, makes it overdue.
            change("UPDATE legacy_records SET due_date = '2026-01-01 09:00:00' WHERE message = 'Review Margaret Hill''s care plan'");
            changed.set_value();
        }
    });
    if (!done)
        changed.set_value();
    writer.join();
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(done) << run.output;
}

TEST_F(Care, AnotherOrganisationsFollowupsStayTheirs)
{
    std::string token = login();
    ASSERT_FALSE(token.empty());
    auto reply = get("/json/currentUserOverdueActions.php", {}, token);
    const JsonValue& list = message(reply).get("list");
    ASSERT_TRUE(list.isArray());
    for (const auto& followUp : list.array()->items())
        EXPECT_EQ(followUp.object()->get("resName").asString().find("Edith"), std::string::npos);
    EXPECT_EQ(list.array()->size(), 4u);
}

} // namespace
