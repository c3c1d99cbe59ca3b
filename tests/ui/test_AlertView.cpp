#include "RecordingObserver.h"

#include "ui/AlertView.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using quindle::test::RecordingObserver;

namespace {

struct Delegate : AlertViewDelegate {
    std::vector<std::string> calls;
    void clickedButtonAtIndex(AlertView& alert, int index) override
    {
        calls.push_back("clicked " + std::to_string(index) + (alert.isVisible() ? " shown" : " gone"));
    }
    void didDismissWithButtonIndex(AlertView& alert, int index) override
    {
        calls.push_back("dismissed " + std::to_string(index) + (alert.isVisible() ? " shown" : " gone"));
    }
};

struct Alerts : ::testing::Test {
    void SetUp() override
    {
        window->setObserver(observer);
        window->setRootViewController(NavigationController::create(screen));
        window->makeKeyAndVisible();
    }
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    std::shared_ptr<Window> window = Window::create();
    std::shared_ptr<ViewController> screen = ViewController::create("Page");
};

}

TEST_F(Alerts, ButtonsIndexedCancelFirst)
{
    auto alert = AlertView::create("Edit Page", "Do you want to reorder or edit the items?", "Cancel", { "Reorder", "Edit items" });
    EXPECT_EQ(alert->numberOfButtons(), 3);
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->buttonTitleAtIndex(2), "Edit items");
    EXPECT_EQ(alert->buttonTitleAtIndex(3), "");
    auto noCancel = AlertView::create("T", "M", "", { "OK" });
    EXPECT_EQ(noCancel->cancelButtonIndex(), -1);
    EXPECT_EQ(noCancel->buttonTitleAtIndex(0), "OK");
    EXPECT_EQ(noCancel->addButtonWithTitle("More"), 1);
}

TEST_F(Alerts, ChosenIndexReachesDelegateHandlerAndObserver)
{
    auto delegate = std::make_shared<Delegate>();
    auto alert = AlertView::create("Edit Page", "", "Cancel", { "Reorder", "Edit items" });
    alert->setDelegate(delegate);
    std::vector<int> handled;
    alert->onDismiss = [&](AlertView&, int index) { handled.push_back(index); };
    alert->show(*screen);
    ASSERT_EQ(window->topAlert(), alert);
    ASSERT_EQ(observer->alerts.size(), 1u);
    EXPECT_EQ(observer->alerts[0].change, AlertChange::Shown);

    EXPECT_TRUE(alert->chooseButtonWithTitle("Edit items"));
    EXPECT_EQ(delegate->calls, (std::vector<std::string> { "clicked 2 shown", "dismissed 2 gone" }));
    EXPECT_EQ(handled, (std::vector<int> { 2 }));
    ASSERT_EQ(observer->alerts.size(), 2u);
    EXPECT_EQ(observer->alerts[1].change, AlertChange::Dismissed);
    EXPECT_EQ(observer->alerts[1].buttonIndex, 2);
    EXPECT_EQ(window->topAlert(), nullptr);
}

TEST_F(Alerts, OutOfRangeAndHiddenAreIgnored)
{
    int calls = 0;
    auto alert = AlertView::create("T", "M", "OK");
    alert->onDismiss = [&](AlertView&, int) { ++calls; };
    EXPECT_FALSE(alert->chooseButton(0)); // not shown yet
    alert->show(window);
    EXPECT_FALSE(alert->chooseButton(1));
    EXPECT_FALSE(alert->chooseButton(-1));
    EXPECT_FALSE(alert->chooseButtonWithTitle("Nope"));
    EXPECT_TRUE(alert->isVisible());
    EXPECT_TRUE(alert->chooseButton(0));
    EXPECT_FALSE(alert->chooseButton(0));
    EXPECT_EQ(calls, 1);
}

TEST_F(Alerts, WindowHoldsAShownAlertUntilDismissed)
{
    std::weak_ptr<AlertView> weak;
    {
        auto alert = AlertView::create("Email not validated", "bad", "OK");
        weak = alert;
        alert->show(window);
    }
    ASSERT_FALSE(weak.expired());
    bool handled = false;
    weak.lock()->onDismiss = [&](AlertView& a, int) { handled = a.title() == "Email not validated"; };
    weak.lock()->chooseButton(0);
    EXPECT_TRUE(handled);
    EXPECT_TRUE(weak.expired());
}

TEST_F(Alerts, AlertOutsideAnyWindowStillCallsBack)
{
    auto loose = ViewController::create("Loose");
    auto alert = AlertView::create("T", "M", "OK");
    int index = -1;
    alert->onDismiss = [&](AlertView&, int i) { index = i; };
    alert->show(*loose);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_TRUE(window->alerts().empty());
    alert->chooseButton(0);
    EXPECT_EQ(index, 0);
}

TEST_F(Alerts, TextFieldsByStyle)
{
    auto alert = AlertView::create("T", "M", "Cancel", { "OK" });
    EXPECT_EQ(alert->numberOfTextFields(), 0u);
    alert->setAlertViewStyle(AlertViewStyle::PlainTextInput);
    ASSERT_EQ(alert->numberOfTextFields(), 1u);
    EXPECT_FALSE(alert->textFieldAtIndex(0)->isSecureTextEntry());
    alert->setAlertViewStyle(AlertViewStyle::SecureTextInput);
    ASSERT_EQ(alert->numberOfTextFields(), 1u);
    EXPECT_TRUE(alert->textFieldAtIndex(0)->isSecureTextEntry());
    alert->setAlertViewStyle(AlertViewStyle::LoginAndPasswordInput);
    ASSERT_EQ(alert->numberOfTextFields(), 2u);
    EXPECT_FALSE(alert->textFieldAtIndex(0)->isSecureTextEntry());
    EXPECT_TRUE(alert->textFieldAtIndex(1)->isSecureTextEntry());
    EXPECT_EQ(alert->textFieldAtIndex(2), nullptr);
    alert->textFieldAtIndex(0)->type("name");
    std::string typed;
    alert->onDismiss = [&](AlertView& a, int) { typed = a.textFieldAtIndex(0)->text(); };
    alert->show(window);
    alert->chooseButton(1);
    EXPECT_EQ(typed, "name");
}

