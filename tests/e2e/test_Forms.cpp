#include "E2eFixture.h"

using namespace quindle::test;

class Forms : public E2eFixture { };

TEST_F(Forms, AFilledInFormPageReachesTheServer)
{
    TermRun run = runScript(R"(tap 6
wait
expect Title: Contact us
field 0 Ann Smith
field 1 01234 567890
field 2 Please call me back
press Send
wait
)");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(sql("SELECT name, value FROM content_submission_values ORDER BY position"),
        (std::vector<std::vector<std::string>> {
            { "Your name", "Ann Smith" }, { "Telephone", "01234 567890" }, { "Message", "Please call me back" } }));
}
