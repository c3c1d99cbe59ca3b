#pragma once

// The app's screens against the in-process demo server, or a recording server where the exact
// requests matter; every test gets its own session, user defaults and documents folder.

#include "app/LoginViewController.h"
#include "content/ContentFixture.h"
#include "content/DataManager.h"
#include "content/DirectoryViewController.h"
#include "platform/UserDefaults.h"
#include "ui/NavigationController.h"
#include "ui/TabBarController.h"
#include "ui/TextField.h"
#include "ui/Window.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace quindle::test {

/// The screen on top of a tab's stack.
inline std::shared_ptr<ViewController> topOf(const std::shared_ptr<ViewController>& stack)
{
    return std::dynamic_pointer_cast<NavigationController>(stack)->topViewController();
}

/// The coordinator of the page at the bottom of a tab's stack.
inline DataManager& managerOf(const std::shared_ptr<ViewController>& stack)
{
    auto nav = std::dynamic_pointer_cast<NavigationController>(stack);
    return *std::dynamic_pointer_cast<DirectoryViewController>(nav->viewControllers().front())->dataManager();
}

class AppFixture : public DemoSiteFixture {
protected:
    void SetUp() override
    {
        std::random_device random;
        dir = std::filesystem::temp_directory_path() / ("quindle-app-test-" + std::to_string(random()));
        std::filesystem::create_directories(dir);
        documents = dir / "documents";
        setenv("QUINDLE_DOCUMENTS", documents.c_str(), 1);
        UserDefaults::standardUserDefaults().setPath(defaultsPath());
        DemoSiteFixture::SetUp();
        useReferenceServer();
    }

    void TearDown() override
    {
        settle();
        ApplicationShell::setShared(nullptr);
        model().setLoginTabbarItemsHandler({});
        DemoSiteFixture::TearDown();
        recording.reset();
        unsetenv("QUINDLE_DOCUMENTS");
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    /// Points the model at a recording server from here on.
    RecordingServer& useRecordingServer(RecordingServer::Responder responder = {})
    {
        recording = std::make_unique<RecordingServer>(std::move(responder));
        model().setConfiguration(*ServerConfiguration::create(recording->url()));
        return *recording;
    }
    /// Points the model at a recording server that answers every request alike.
    RecordingServer& useRecordingServer(int status, std::string body)
    {
        return useRecordingServer([status, body](const RecordedRequest&) { return makeReply(status, body); });
    }
    /// The targets the recording server saw from request `from` on, sorted.
    std::vector<std::string> targetsFrom(size_t from) const
    {
        auto all = recording->requests();
        std::vector<std::string> out;
        for (size_t i = from; i < all.size(); ++i)
            out.push_back(all[i].target);
        std::sort(out.begin(), out.end());
        return out;
    }

    /// Runs the main queue until `done` holds (10 s at most).
    static bool runUntil(const std::function<bool()>& done) { return MainQueue::shared().runUntil(done, std::chrono::seconds(10)); }

    /// A visible window whose root presents `screen` in a stack of its own, as the coordinator does.
    std::shared_ptr<NavigationController> present(const std::shared_ptr<ViewController>& screen)
    {
        window = Window::create();
        root = ViewController::create("Root");
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        auto stack = NavigationController::create(screen);
        root->presentViewController(stack, Animated::No);
        return stack;
    }

    /// A presented login screen with the texts typed in, "Login" pressed.
    std::shared_ptr<LoginViewController> pressLogin(const std::string& email, const std::string& password, bool withCompletion = true)
    {
        auto login = LoginViewController::create(model(), withCompletion ? std::function<void()>([this] { ++completions; }) : nullptr);
        present(login);
        login->loginField()->type(email);
        login->passwordField()->type(password);
        EXPECT_EQ(login->rightBarButtonItem()->title(), "Login");
        login->rightBarButtonItem()->press();
        return login;
    }
    std::filesystem::path defaultsPath() const { return dir / "defaults.json"; }

    std::filesystem::path dir;
    std::filesystem::path documents;
    std::unique_ptr<RecordingServer> recording;
    std::shared_ptr<Window> window;
    std::shared_ptr<ViewController> root;
    int completions = 0; // login screens closed by a login
};

} // namespace quindle::test
