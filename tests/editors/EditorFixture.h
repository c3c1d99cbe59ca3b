#pragma once
// The editor screen tests' set-up: the page screen in a stack records what an editor asks of
// it, and a recording shell stands in for the editors the screens open.

#include "editors/PictureFixture.h"

namespace quindle::test {

/// A page screen that logs the calls an editor makes on it.
class RecordingPage : public RecordingScreen {
public:
    explicit RecordingPage(std::shared_ptr<ViewController> screen) { controller = std::move(screen); }
    void refresh() override { calls.push_back("refresh"); }
    void done() override { calls.push_back("done"); }
    // What the page sees when it is told: whether the editor is still over it.
    void editTable() override { calls.push_back(controller->presentedViewController() ? "editTable (editor shown)" : "editTable"); }
    void setTableEditing(bool on, Animated animated) override { calls.push_back(std::string("setTableEditing ") + (on ? "YES" : "NO") + (animated == Animated::Yes ? " animated" : "")); }
    std::vector<std::string> calls;
};

class EditorFixture : public PictureFixture {
protected:
    void SetUp() override
    {
        PictureFixture::SetUp();
        ApplicationShell::setShared(shell);
        window->setRootViewController(pageStack);
        window->makeKeyAndVisible();
    }
    void TearDown() override
    {
        ApplicationShell::setShared(nullptr);
        PictureFixture::TearDown();
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
    /// The recording server answers every request with this status and body.
    void answer(int status, std::string body) { server.setResponder([status, body](const RecordedRequest&) { return json(body, status); }); }
    /// Waits for the requests and the main-queue work they cause.
    void settleRecording(size_t requests)
    {
        EXPECT_TRUE(server.waitForRequests(requests));
        settle();
    }
    std::shared_ptr<RecordingShell> shell = std::make_shared<RecordingShell>();
    std::shared_ptr<RecordingPage> page = std::make_shared<RecordingPage>(root);
    std::shared_ptr<NavigationController> pageStack = NavigationController::create(root);
    std::shared_ptr<NavigationController> stack;
};

} // namespace quindle::test
