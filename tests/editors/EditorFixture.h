#pragma once
// The editor screen tests' set-up: a window whose page screen records what an editor asks of
// it, a recording shell for the editors the screens open, and the recording or reference server.

#include "content/ContentFixture.h"
#include "editors/PictureFixture.h"
#include "content/DataManagerScreen.h"
#include "ui/AlertView.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quindle::test {

/// A page screen that logs the calls an editor makes on it.
class RecordingPage : public DataManagerScreen {
public:
    explicit RecordingPage(std::shared_ptr<ViewController> screen) : controller(std::move(screen)) { }
    void refresh() override { calls.push_back("refresh"); }
    void done() override { calls.push_back("done"); }
    // What the page sees when it is told: whether the editor is still over it.
    void editTable() override { calls.push_back(controller->presentedViewController() ? "editTable (editor shown)" : "editTable"); }
    bool editMode() const override { return false; }
    bool isRootController() const override { return false; }
    bool isTableEditing() const override { return false; }
    void setTableEditing(bool on, Animated animated) override { calls.push_back(std::string("setTableEditing ") + (on ? "YES" : "NO") + (animated == Animated::Yes ? " animated" : "")); }
    std::shared_ptr<ViewController> screenController() override { return controller; }
    std::shared_ptr<ViewController> controller;
    std::vector<std::string> calls;
};

class EditorFixture : public DemoSiteFixture {
protected:
    void SetUp() override
    {
        DemoSiteFixture::SetUp();
        ApplicationShell::setShared(shell);
        window->setRootViewController(pageStack);
        window->makeKeyAndVisible();
    }
    void TearDown() override
    {
        ApplicationShell::setShared(nullptr);
        DemoSiteFixture::TearDown();
    }
    /// Shows `screen` at the root of a modal stack over the page, as its openers do on a phone,
    /// in place of any screen shown there before.
    std::shared_ptr<NavigationController> present(const std::shared_ptr<ViewController>& screen)
    {
        if (shown())
            root->dismissViewController(Animated::No);
        stack = NavigationController::create(screen);
        root->presentViewController(stack, Animated::No);
        return stack;
    }
    bool shown() const { return root->presentedViewController() != nullptr; }
    std::shared_ptr<AlertView> alert() const { return window->topAlert(); }
    /// The recording server answers every request with this status and body.
    void answer(int status, std::string body) { server.setResponder([status, body](const RecordedRequest&) { return json(body, status); }); }
    /// Logs the demo owner in on the reference server and answers the start page's id.
    std::string loginToReference()
    {
        EXPECT_TRUE(logInDemoOwner());
        settle();
        return asset::ident(directory("")).value_or("");
    }
    /// Waits for the requests and the main-queue work they cause.
    void settleRecording(size_t requests)
    {
        EXPECT_TRUE(server.waitForRequests(requests));
        settle();
    }
    /// A completion that keeps each answer, whether it came on the main queue and whether a
    /// screen was still shown over the page then.
    EditorCompletion keep()
    {
        return [this](std::optional<JsonValue> answer) {
            answers.push_back(std::move(answer));
            onMain.push_back(MainQueue::shared().isMainThread());
            whileShown.push_back(shown());
        };
    }
    std::vector<std::optional<JsonValue>> answers;
    std::vector<bool> onMain, whileShown;
    std::shared_ptr<RecordingShell> shell = std::make_shared<RecordingShell>();
    std::shared_ptr<Window> window = Window::create(Window::defaultBounds, UserInterfaceIdiom::Phone);
    std::shared_ptr<ViewController> root = ViewController::create("Page");
    std::shared_ptr<RecordingPage> page = std::make_shared<RecordingPage>(root);
    std::shared_ptr<NavigationController> pageStack = NavigationController::create(root);
    std::shared_ptr<NavigationController> stack;
};

} // namespace quindle::test
