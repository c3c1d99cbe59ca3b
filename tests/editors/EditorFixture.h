#pragma once
// Shared set-up of the editor screen tests: a shell that records which of the other editors
// the menu asks for, and a window in which a screen is shown in its own modal stack.

#include "content/ContentFixture.h"
#include "ui/AlertView.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <optional>
#include <string>
#include <vector>

namespace quindle::test {

/// Returns a plain screen for the text editor and the image chooser, and keeps what was asked.
class EditorShell : public RecordingShell {
public:
    struct Request {
        std::string editor;
        JsonObjectPtr object;
        int mode;
        EditorCompletion completion;
    };
    std::shared_ptr<ViewController> makeTextEditorViewController(const JsonObjectPtr& object, TextEditorMode mode, EditorCompletion completion) override
    {
        requests.push_back({ "TextEditorViewController", object, static_cast<int>(mode), std::move(completion) });
        return ViewController::create("Text editor");
    }
    std::shared_ptr<ViewController> makeImageSelectionViewController(const JsonObjectPtr& object, ImageSelectionMode mode,
        EditorCompletion completion) override
    {
        requests.push_back({ "ImageSelectionViewController", object, static_cast<int>(mode), std::move(completion) });
        return ViewController::create("Select image");
    }
    std::vector<Request> requests;
};

class EditorFixture : public ReferenceServerFixture {
protected:
    void SetUp() override
    {
        ReferenceServerFixture::SetUp();
        ApplicationShell::setShared(shell);
        window = Window::create(Window::defaultBounds, UserInterfaceIdiom::Phone);
        root = ViewController::create("Page");
        window->setRootViewController(root);
        window->makeKeyAndVisible();
    }
    void TearDown() override
    {
        ApplicationShell::setShared(nullptr);
        ReferenceServerFixture::TearDown();
    }
    /// Shows `screen` at the root of a modal stack over the page, as its openers do on a phone.
    std::shared_ptr<NavigationController> present(const std::shared_ptr<ViewController>& screen)
    {
        stack = NavigationController::create(screen);
        root->presentViewController(stack, Animated::No);
        return stack;
    }
    bool shown() const { return root->presentedViewController() != nullptr; }
    /// Logs the demo owner in on the reference server and answers the start page's id.
    std::string loginToReference()
    {
        EXPECT_TRUE(logInAsDemoOwner());
        return asset::ident(directory("")).value_or("");
    }
    std::shared_ptr<AlertView> alert() const { return window->topAlert(); }

    std::shared_ptr<EditorShell> shell = std::make_shared<EditorShell>();
    std::shared_ptr<Window> window;
    std::shared_ptr<ViewController> root;
    std::shared_ptr<NavigationController> stack;
};

} // namespace quindle::test
