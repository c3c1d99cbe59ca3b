#pragma once
// Shared set-up of the editor screen tests: a window with a page screen that records what an
// editor asks of it, a shell that records the image chooser requests, and either the
// recording server (exact requests, chosen replies) or the reference server (stored changes).

#include "content/ContentFixture.h"
#include "content/DataManagerScreen.h"
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
    void editTable() override
    {
        // What the page sees when it is told: whether the editor is still over it.
        calls.push_back(controller->presentedViewController() ? "editTable (editor shown)" : "editTable");
    }
    bool editMode() const override { return false; }
    bool isRootController() const override { return false; }
    bool isTableEditing() const override { return false; }
    void setTableEditing(bool editing, Animated animated) override
    {
        calls.push_back(std::string("setTableEditing ") + (editing ? "YES" : "NO") + (animated == Animated::Yes ? " animated" : ""));
    }
    std::shared_ptr<ViewController> screenController() override { return controller; }

    std::shared_ptr<ViewController> controller;
    std::vector<std::string> calls;
};

/// Keeps every image chooser request and answers with a plain screen.
class ChooserShell : public RecordingShell {
public:
    struct Request {
        JsonObjectPtr object;
        ImageSelectionMode mode;
        EditorCompletion completion;
        std::shared_ptr<ViewController> screen;
    };
    std::shared_ptr<ViewController> makeImageSelectionViewController(const JsonObjectPtr& object, ImageSelectionMode mode,
        EditorCompletion completion) override
    {
        auto screen = ViewController::create("Chooser");
        requests.push_back({ object, mode, std::move(completion), screen });
        return screen;
    }
    std::vector<Request> requests;
};

class PageEditorFixture : public ReferenceServerFixture {
protected:
    void SetUp() override
    {
        ReferenceServerFixture::SetUp();
        ApplicationShell::setShared(shell);
        window = Window::create();
        pageController = ViewController::create("Page");
        page = std::make_shared<RecordingPage>(pageController);
        pageStack = NavigationController::create(pageController);
        window->setRootViewController(pageStack);
        window->makeKeyAndVisible();
    }
    void TearDown() override
    {
        ApplicationShell::setShared(nullptr);
        ReferenceServerFixture::TearDown();
    }
    /// The recording server answers every request with this status and body.
    void answer(int status, std::string body)
    {
        server.setResponder([status, body](const RecordedRequest&) { return json(body, status); });
    }
    /// The reference server, logged in as the demo owner.
    void loginToReference()
    {
        ASSERT_TRUE(logInAsDemoOwner());
        settle();
    }
    /// Waits for the requests and the main-queue work they cause.
    void settleRecording(size_t requests)
    {
        EXPECT_TRUE(server.waitForRequests(requests));
        settle();
    }

    std::shared_ptr<ChooserShell> shell = std::make_shared<ChooserShell>();
    std::shared_ptr<Window> window;
    std::shared_ptr<ViewController> pageController;
    std::shared_ptr<RecordingPage> page;
    std::shared_ptr<NavigationController> pageStack;
};

} // namespace quindle::test
