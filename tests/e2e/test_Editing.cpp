#include "E2eFixture.h"

#include <algorithm>

using namespace quindle::test;

class Editing : public E2eFixture { };

TEST_F(Editing, ReorderingTheFirstTwoRowsSwapsThemOnTheServer)
{
    std::vector<std::string> before = childNames("");
    ASSERT_GE(before.size(), 2u);
    TermRun run = runScript(std::string(loginScript) + R"(# tab 0 is the public start page, tab 1 the owner's own first page
tab 1
press Edit
expect Alert: Edit Page
alert Reorder
expect (editing)
move 0 1
wait
press Done
wait
reject (editing)
)");
    EXPECT_EQ(run.status, 0) << run.output;
    std::vector<std::string> after = childNames("");
    std::swap(before[0], before[1]);
    EXPECT_EQ(after, before);
}

TEST_F(Editing, ADeletedRowComesBackFromTheTrash)
{
    ASSERT_EQ(childNames("")[1], "Visiting");
    TermRun deleted = runScript(std::string(loginScript) + R"(# tab 0 is the public start page, tab 1 the owner's own first page
tab 1
press Edit
alert Reorder
delete 1
wait
press Done
wait
reject Visiting hours are 10:00
)");
    ASSERT_EQ(deleted.status, 0) << deleted.output;
    auto names = childNames("");
    EXPECT_EQ(std::count(names.begin(), names.end(), "Visiting"), 0) << names.size();

    TermRun restored = runScript(std::string(loginScript) + R"(# tab 0 is the public start page, tab 1 the owner's own first page
tab 1
tab Trash
wait
expect Visiting
press Restore
wait
tab 1
wait
expect Visiting hours are 10:00
)", "restore.term");
    EXPECT_EQ(restored.status, 0) << restored.output;
    names = childNames("");
    EXPECT_EQ(std::count(names.begin(), names.end(), "Visiting"), 1);
}
