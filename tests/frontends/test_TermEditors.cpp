// The text client drives the add-item menu, the video screen and the form field editor with
// its plain commands against the reference server.

#include "content/ContentFixture.h"
#include "editors/DirectoryActionsViewController.h"
#include "editors/FormAddAssetViewController.h"
#include "frontends/term/CommandInterpreter.h"
#include "server/QuindleServer.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

class TermEditors : public ReferenceServerFixture {
protected:
    void SetUp() override
    {
        ReferenceServerFixture::SetUp();
        useReferenceServer();
        Collector login;
        model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
        ASSERT_TRUE(login.waitFor(1));
        home = directory("");
        window = Window::create();
        root = ViewController::create("Home");
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        interpreter = std::make_unique<CommandInterpreter>(window, model().httpClient());
    }
    void show(const std::shared_ptr<ViewController>& screen) { root->presentViewController(NavigationController::create(screen), Animated::No); }
    void run(const std::vector<std::string>& script)
    {
        for (const auto& line : script) {
            auto result = interpreter->execute(line);
            ASSERT_TRUE(result.ok) << line << ": " << result.message << "\n" << interpreter->execute("show").message;
        }
    }
    bool reportLists(const std::string& name, const std::string& type) const
    {
        if (reports.size() != 1 || !reports[0] || !reports[0]->isObject())
            return false;
        auto item = childNamed(reports[0]->object(), name);
        return item && asset::type(item) == type;
    }

    AssetRecord home;
    std::shared_ptr<Window> window;
    std::shared_ptr<ViewController> root;
    std::unique_ptr<CommandInterpreter> interpreter;
    std::vector<std::optional<JsonValue>> reports;
};

} // namespace

TEST_F(TermEditors, AVideoIsPreviewedAndAddedFromTheMenu)
{
    auto menu = DirectoryActionsViewController::create(DirectoryActionsSetup { asset::ident(home).value_or(""), home, nullptr, false, false, root },
        [this](std::optional<JsonValue> answer) { reports.push_back(answer); }, model());
    show(menu);
    run({ "expect Directory actions", "expect Add Youtube Video", "tap 6", "expect Sliders cannot be added from the phone yet", "alert OK",
        "tap 7", "expect Enter the YouTube id of the video", "expect M7lc1UVf-VE", "field 0 Garden tour", "field 1 dQw4w9WgXcQ", "return 1",
        "expect dQw4w9WgXcQ", "reject M7lc1UVf-VE", "press Save", "wait", "reject Directory actions" });
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_TRUE(reportLists("Garden tour", "YoutubeVideo"));
}

TEST_F(TermEditors, AFormFieldIsNamedTypedAndAdded)
{
    AssetRecord form = childNamed(home, "Contact us");
    ASSERT_TRUE(form);
    show(FormAddAssetViewController::create(asset::ident(form).value_or(""), [this](std::optional<JsonValue> answer) { reports.push_back(answer); },
        model()));
    run({ "field 0 Age", "press Save", "expect Type needed", "alert OK", "tap 1", "expect Number", "tap 1", "expect Number", "press Save",
        "wait" });
    EXPECT_TRUE(reportLists("Age", "Number"));
}
