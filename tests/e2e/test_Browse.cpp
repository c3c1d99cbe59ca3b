// A visitor and the demo owner browsing through quindle-term against a quindle-server process:
// pages, events, forms filled in and sent, the document screen, push callbacks and a server
// that goes away.
#include "E2eFixture.h"

using namespace quindle::test;

class Browse : public E2eFixture { };

TEST_F(Browse, StartPageAPageAFormPageAndAnEvent)
{
    EXPECT_TRUE(walk(R"(# the public start page, logged out, titled with its page's name
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
)"));
}

TEST_F(Browse, LoginShowsTheOwnersTabs)
{
    EXPECT_TRUE(walk(std::string(loginScript) + R"(expect [Tab Edit]
expect [Account]
# the start page's tab, then the owner's own
expect Tabs: [*Home*] [Home]
reject (untitled)
tab Account
expect Title: Account
expect [Logout]
)"));
    // The login went to the server with the demo account and opened a session there.
    EXPECT_FALSE(sql("SELECT token FROM sessions").empty());
}

TEST_F(Browse, PushCallbacksShowTheirScreens)
{
    EXPECT_TRUE(walk(R"(push grant none
expect Alert: Please turn on Notification
alert Ok
reject Alert:
push token 0a0b0c
push notify {"action":"Register","name":"Shop","assetID":"2"}
reject Title: Register new app
push notify {"action":"register","name":"Shop","assetID":"2"}
expect Title: Register new app
expect [Approve]
)"));
}

// The server goes away between two commands: the client shows an alert or nothing, never
// crashes, and the script carries on to its end.
TEST_F(Browse, AServerStoppedMidScriptIsNoCrash)
{
    TermRun run = runInTwoHalves("expect Welcome to Quindle Care Home\nshow\n", "Title:", [&] { stopServer(); },
        "tap 4\nwait\nrefresh\nwait\n" + std::string(loginScript) + "show\nquit\n");
    EXPECT_EQ(run.status, 0) << run.output;
    // The last screen is the login screen, with or without an alert over it.
    EXPECT_NE(run.output.rfind("Title: Login"), std::string::npos) << run.output;
}

TEST_F(Browse, AFilledInFormPageReachesTheServer)
{
    EXPECT_TRUE(walk(R"(tap 6
wait
expect Title: Contact us
field 0 Ann Smith
field 1 01234 567890
field 2 Please call me back
press Send
wait
)"));
    EXPECT_EQ(sql("SELECT name, value FROM content_submission_values ORDER BY position"),
        (std::vector<std::vector<std::string>> {
            { "Your name", "Ann Smith" }, { "Telephone", "01234 567890" }, { "Message", "Please call me back" } }));
}

TEST_F(Browse, TheDocumentScreenRecordsEachKindOfValueAndShowsTheComputedEntries)
{
    EXPECT_TRUE(walk(std::string(loginScript) + R"(tap 7
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
)"));
    EXPECT_EQ(sql("SELECT name, value FROM content_document_values WHERE name IN ('Weight', 'Smoker', 'Mobility', 'Note') ORDER BY name"),
        (std::vector<std::vector<std::string>> {
            { "Mobility", "Needs help" }, { "Note", "Walks with a frame" }, { "Smoker", "1" }, { "Weight", "90" } }));
}

TEST_F(Browse, AnOwnerOpensTheFormFieldsFromEditPageAndTheNameInputChangesNothing)
{
    EXPECT_TRUE(walk(ownerHome + R"(tap 6
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
)"));
    EXPECT_EQ(sql("SELECT name FROM content_assets WHERE type = 'TextField' ORDER BY id"),
        (std::vector<std::vector<std::string>> { { "Your name" }, { "Telephone" } }));
}
