// Push registration at launch, the token and device identifier in the session, the refused
// registration alert, the "register" notification, and when the device is announced.
#include "app/AppDelegate.h"
#include "app/LoginViewController.h"
#include "app/RegisterViewController.h"

#include "AppFixture.h"
#include "ui/TabBarController.h"
#include "ui/TextField.h"

#include <regex>

using namespace quindle;
using namespace quindle::test;

namespace {

class PushTest : public AppFixture {
protected:
    std::shared_ptr<AppDelegate> launch(NotificationSettings settings = NotificationSettings::Offered)
    {
        push = LocalPushService::create(settings, "6F9619FF-8B86-4D11-B42D-00C04FC964FF");
        auto app = AppDelegate::create(model(), push);
        EXPECT_TRUE(app->didFinishLaunchingWithOptions());
        return app;
    }
    std::shared_ptr<LocalPushService> push;
};

} // namespace

TEST_F(PushTest, LaunchRegistersWithTheNewerOrTheOlderRegistration)
{
    auto app = launch();
    EXPECT_EQ(push->calls(), std::vector<std::string>({ "settings 7", "remote" }));
    settle();
    auto older = launch(NotificationSettings::NotOffered);
    EXPECT_EQ(push->calls(), std::vector<std::string>({ "types 7" }));
}

TEST_F(PushTest, TokenBecomesLowerCaseHexAndTheVendorIdentifierTheDeviceID)
{
    EXPECT_EQ(AppDelegate::tokenText({ 0x00, 0x0f, 0xab, 0xff, 0x10 }), "000fabff10");
    EXPECT_EQ(AppDelegate::tokenText({}), "");
    auto app = launch();
    LogCapture log;
    app->didRegisterForRemoteNotificationsWithDeviceToken({ 0xde, 0xad, 0xbe, 0xef });
    EXPECT_EQ(model().pushTokenID(), "deadbeef");
    EXPECT_EQ(model().devID(), "6F9619FF-8B86-4D11-B42D-00C04FC964FF");
    EXPECT_TRUE(log.anyStartsWith("My token is: deadbeef"));

    // A made-up identifier is a version-4 UUID, the same for the service's whole life.
    auto local = LocalPushService::create();
    const std::regex uuid("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(local->identifierForVendor(), uuid)) << local->identifierForVendor();
    EXPECT_EQ(local->identifierForVendor(), local->identifierForVendor());
    EXPECT_NE(local->identifierForVendor(), LocalPushService::create()->identifierForVendor());
}

TEST_F(PushTest, GrantingNoTypesShowsTheSettingsAlert)
{
    auto app = launch();
    LogCapture log;
    app->didRegisterUserNotificationSettings(NotificationType::Badge | NotificationType::Alert);
    EXPECT_TRUE(app->window()->alerts().empty());
    EXPECT_TRUE(log.anyStartsWith("user allowed notifications"));

    app->didRegisterUserNotificationSettings(NotificationType::None);
    ASSERT_EQ(app->window()->alerts().size(), 1u);
    auto alert = app->window()->topAlert();
    EXPECT_EQ(alert->title(), "Please turn on Notification");
    EXPECT_EQ(alert->message(), "Go to Settings > Notifications > App.\n Switch on Sound, Badge & Alert");
    EXPECT_EQ(alert->buttonTitles(), std::vector<std::string>({ "Ok" }));
    EXPECT_TRUE(log.anyStartsWith("user did not allow notifications"));
}

TEST_F(PushTest, OnlyTheExactRegisterActionOpensTheApprovalScreen)
{
    auto& recorder = useRecordingServer([](const RecordedRequest&) {
        Reply reply;
        reply.body = R"({"Message":{"AssetId":"42","Published":"Yes"}})";
        return reply;
    });
    auto app = launch();
    settle();
    auto rootScreen = app->window()->rootViewController();
    std::vector<BackgroundFetchResult> results;
    auto completion = [&](BackgroundFetchResult result) { results.push_back(result); };

    app->didReceiveRemoteNotification(JsonObject::create({ { "action", "Register" }, { "assetID", "42" } }), completion);
    app->didReceiveRemoteNotification(JsonObject::create({ { "name", "Cafe" } }), completion);
    app->didReceiveRemoteNotification(nullptr, completion);
    settle();
    EXPECT_FALSE(rootScreen->presentedViewController());

    // Without "name" the single row is empty; approving publishes the given asset.
    app->didReceiveRemoteNotification(JsonObject::create({ { "action", "register" }, { "assetID", "42" } }), completion);
    EXPECT_FALSE(rootScreen->presentedViewController()); // presented from the main queue
    settle();
    auto stack = std::dynamic_pointer_cast<NavigationController>(rootScreen->presentedViewController());
    ASSERT_TRUE(stack);
    auto approval = std::dynamic_pointer_cast<RegisterViewController>(stack->topViewController());
    ASSERT_TRUE(approval);
    EXPECT_EQ(approval->title(), "Register new app");
    EXPECT_EQ(approval->assetID(), "42");
    ASSERT_EQ(approval->rows().size(), 1u);
    EXPECT_EQ(approval->rows()[0].cell->textLabel()->text(), "");
    EXPECT_EQ(results, std::vector<BackgroundFetchResult>(4, BackgroundFetchResult::NoData));

    const size_t before = recorder.requests().size();
    ASSERT_TRUE(approval->rightBarButtonItem());
    EXPECT_EQ(approval->rightBarButtonItem()->title(), "Approve");
    approval->rightBarButtonItem()->press();
    ASSERT_TRUE(runUntil([&] { return !rootScreen->presentedViewController(); }));
    auto requests = recorder.requests();
    ASSERT_EQ(requests.size(), before + 1);
    EXPECT_EQ(requests.back().target, "/~corvath/vantro/web/app_dev.php/setPublished?assetid=42");
}

TEST_F(PushTest, TheDeviceIsAnnouncedOnlyAtALoginAfterTheTokenArrived)
{
    auto& recorder = useRecordingServer([](const RecordedRequest& request) {
        Reply reply;
        reply.body = request.path.find("login") != std::string::npos ? R"({"Message":{"AuthToken":"t1","User":{"Email":"a@b.c"}}})"
                                                                        : R"({"Message":"ok"})";
        return reply;
    });
    auto app = launch();
    auto loginOnce = [&] {
        auto login = LoginViewController::create(model());
        present(login);
        login->loginField()->type("a@b.c");
        login->passwordField()->type("secret");
        login->login();
        EXPECT_TRUE(runUntil([&] { return !root->presentedViewController(); }));
        settle();
    };
    auto deviceRequests = [&] {
        std::vector<std::string> out;
        for (auto& request : recorder.requests())
            if (request.path.find("registerDevice") != std::string::npos)
                out.push_back(request.target);
        return out;
    };

    loginOnce();
    EXPECT_TRUE(deviceRequests().empty());

    app->didRegisterForRemoteNotificationsWithDeviceToken({ 0x01, 0xa0 });
    EXPECT_TRUE(deviceRequests().empty()); // a token after the login waits for the next one
    loginOnce();
    auto sent = deviceRequests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].find("&deviceid=6F9619FF-8B86-4D11-B42D-00C04FC964FF&pushtoken=01a0"), std::string::npos) << sent[0];
}
