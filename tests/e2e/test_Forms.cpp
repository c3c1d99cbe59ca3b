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

TEST_F(Forms, TheDocumentScreenRecordsEachKindOfValueAndShowsTheComputedEntries)
{
    TermRun run = runScript(std::string(loginScript) + R"(tap 7
wait
expect Title: Resident assessment
expect Smoker  [Yes|*No*]
expect BMI  22.22
field 0 90
return 0
wait
expect BMI  27.78
expect BMI over 25  2.78
yes 4
wait
expect Smoker  [*Yes*|No]
tap 7
wait
expect Title: Mobility
tap 1
wait
expect Mobility  Needs help  >
tap 5
wait
expect Title: Note
field 0 Walks with a frame
press Save
wait
expect Note  Walks with a frame  >
reject not saved
)");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(sql("SELECT name, value FROM content_document_values WHERE name IN ('Weight', 'Smoker', 'Mobility', 'Note') ORDER BY name"),
        (std::vector<std::vector<std::string>> {
            { "Mobility", "Needs help" }, { "Note", "Walks with a frame" }, { "Smoker", "1" }, { "Weight", "90" } }));
}

TEST_F(Forms, AnOwnerOpensTheFormFieldsFromEditPageAndTheNameInputChangesNothing)
{
    TermRun run = runScript(std::string(loginScript) + R"(tab 1
tap 6
wait
press Edit
alert Form fields
wait
expect Your name  TextField  >
expect Send  Submit  >
press Edit
tap 1
expect {0}[Your name]
field 0 Full name
return 0
expect Your name  TextField  >
press Add
expect Title: Add field
back
expect Title: Contact us
)");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(sql("SELECT name FROM content_assets WHERE type = 'TextField' ORDER BY id"),
        (std::vector<std::vector<std::string>> { { "Your name" }, { "Telephone" } }));
}
