// The text client driving a demo resident's care plan: yes/no, a typed number, a sub-form and
// the profile, with the values read back from the reference server.
#include "content/ContentFixture.h"
#include "forms/MasterViewController.h"
#include "frontends/term/CommandInterpreter.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

class TermResidentForm : public ReferenceServerFixture {
protected:
    void SetUp() override
    {
        ReferenceServerFixture::SetUp();
        ASSERT_TRUE(logInAsDemoOwner());
        window = Window::create();
        root = ViewController::create("Home");
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        interpreter = std::make_unique<CommandInterpreter>(window, model().httpClient());
    }
    JsonObjectPtr legacy(const std::string& path)
    {
        Collector reply;
        model().requestWithURL(model().legacyBaseURL() + path, reply.handler());
        Outcome outcome = reply.single();
        return outcome.content && outcome.content->isObject() ? outcome.content->object() : nullptr;
    }
    static std::string field(const JsonObjectPtr& record, const char* key)
    {
        return record && record->get(key).isString() ? record->get(key).asString() : std::string {};
    }
    void run(const std::vector<std::string>& script)
    {
        for (const auto& line : script) {
            auto result = interpreter->execute(line);
            ASSERT_TRUE(result.ok) << line << ": " << result.message << "\n" << interpreter->execute("show").message;
        }
    }
    std::shared_ptr<Window> window;
    std::shared_ptr<ViewController> root;
    std::unique_ptr<CommandInterpreter> interpreter;
};

} // namespace

TEST_F(TermResidentForm, YesNoNumbersSubFormsAndProfileFromTheTextClient)
{
    auto person = legacy("start.php")->get("list").array()->at(0).object();
    auto docs = legacy("start.php?a=" + field(person, "assetID"));
    JsonObjectPtr plan;
    for (const JsonValue& doc : docs->get("list").array()->items())
        if (field(doc.object(), "name") == "Care plan")
            plan = doc.object();
    ASSERT_TRUE(plan);
    ResidentFormSetup setup;
    setup.assetID = field(plan, "formID");
    setup.resID = field(person, "assetID");
    setup.resDocID = field(plan, "assetID");
    setup.name = field(person, "name");
    setup.docs = docs->get("list").array();
    setup.formState = legacy("currentState.php?a=" + setup.resDocID)->get("list").object();
    root->presentViewController(NavigationController::create(MasterViewController::create(setup)), Animated::No);

    // Rows: name, History, the actions row, then Sleeps well, Mobility, Pain score, Care notes,
    // Weights chart, Personnel Details, Lunch.
    run({ "wait", "expect Forms", "expect Care plan", "expect No actions required", "expect <Graph>", "expect [*Yes*|No]",
        "no 3", "wait", "expect [Yes|*No*]", "field 0 8", "return 0", "wait", "expect Nurse alert", "expect Tell the nurse" });
    auto state = legacy("currentState.php?a=" + setup.resDocID)->get("list").object();
    EXPECT_EQ(field(state->get("Sleeps well").object(), "val"), "0");
    EXPECT_EQ(field(state->get("Pain score").object(), "val"), "8");
    EXPECT_EQ(field(state->get("Pain score").object(), "user"), QuindleServer::demoEmail);

    run({ "tap 7", "wait", "expect Weights chart", "expect BMI", "expect Weight", "back", "wait",
        "tap 0", "wait", "expect Food Alergies", "expect Food allergies", "expect Personnel Details", "expect Room", "expect [Yes|*No*]", "reject <Graph>" });
}
