// The text client drives the page and site editors with its ordinary commands against the
// reference server: rows, the name field, Save, the style previews, and the site alerts.

#include "content/ContentFixture.h"
#include "editors/EditDirectoryViewController.h"
#include "editors/TabEditViewController.h"
#include "forms/FormSelectionViewController.h"
#include "frontends/term/CommandInterpreter.h"
#include "server/QuindleServer.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quindle;
using namespace quindle::test;

namespace {

class TermPageEditors : public ReferenceServerFixture {
protected:
    void SetUp() override
    {
        ReferenceServerFixture::SetUp();
        useReferenceServer();
        Collector login;
        model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
        ASSERT_TRUE(login.waitFor(1));
        window = Window::create();
        page = ViewController::create("Home");
        window->setRootViewController(NavigationController::create(page));
        window->makeKeyAndVisible();
        term = std::make_unique<CommandInterpreter>(window, model().httpClient());
    }
    /// Runs the lines as a script; the failure message names the line.
    void run(const std::string& script)
    {
        std::istringstream input(script);
        std::ostringstream output, errors;
        EXPECT_EQ(term->runScript(input, "script", output, errors), 0) << errors.str() << output.str();
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<ViewController> page;
    std::unique_ptr<CommandInterpreter> term;
};

TEST_F(TermPageEditors, RenamesAPageAndChoosesItsCarouselStyle)
{
    AssetRecord gallery = childNamed(directory(""), "Gallery");
    ASSERT_TRUE(gallery);
    page->presentViewController(NavigationController::create(EditDirectoryViewController::create(gallery, {}, {})), Animated::No);
    run("expect Edit Directory\n"
        "expect Carousel on\n"
        "field 0 Photos & art: 1/2\n"
        "press Save\n"
        "wait\n"
        "tap 6\n"
        "expect Select carousel type\n"
        "expect [carousel preview, style 0]\n"
        "expect [carousel preview, style 11]\n"
        "tap 8\n"
        "wait\n"
        "expect Edit Directory\n"
        "reject Not saved\n");
    // "&", ":" and "/" in a typed name reach the server whole.
    EXPECT_EQ(asset::name(gallery), "Photos & art: 1/2");
    AssetRecord stored = childNamed(directory(""), "Photos & art: 1/2");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->get("options").asString(), "Carousel:8");
}

TEST_F(TermPageEditors, RenamesTheSiteThroughItsAlert)
{
    std::dynamic_pointer_cast<NavigationController>(window->rootViewController())->pushViewController(TabEditViewController::create(), Animated::No);
    run("expect Change site name\n"
        "tap 2\n"
        "expect Enter a new name for your site\n"
        "field 0 Harbour View\n"
        "alert OK\n"
        "wait\n"
        "tap 1\n"
        "expect Do you want to remove the image from your site?\n"
        "alert Cancel\n"
        "reject Not saved\n");
    EXPECT_EQ(asset::name(model().tab()), "Harbour View");
}

} // namespace

TEST_F(TermPageEditors, WaitDrawsTheScreenSoAScreenThatLoadsWhenShownHasItsListAfterward)
{
    // The page chooser asks for the page list when its view first loads, which drawing does.
    std::dynamic_pointer_cast<NavigationController>(window->rootViewController())
        ->pushViewController(FormSelectionViewController::create(model()), Animated::No);
    std::istringstream input("wait\nexpect Gallery\n");
    std::ostringstream output, errors;
    EXPECT_EQ(term->runScript(input, "script", output, errors), 0) << errors.str() << output.str();
}
