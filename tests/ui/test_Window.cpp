#include "RecordingObserver.h"

#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/NavigationController.h"
#include "ui/PopoverController.h"
#include "ui/Switch.h"
#include "ui/TabBarController.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quindle;
using quindle::test::LoggingController;
using quindle::test::RecordingObserver;

TEST(Window, RootTakesTheBoundsAndReportsItself)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto window = Window::create({ 0, 0, 375, 667 });
    window->setObserver(observer);
    auto root = TabBarController::create();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    EXPECT_EQ(root->view()->frame(), (Rect { 0, 0, 375, 667 }));
    EXPECT_EQ(root->window(), window);
    EXPECT_EQ(observer->countControllers(ControllerChange::Root), 1u);
}

TEST(Window, ReplacingTheRootLetsTheOldOneGo)
{
    std::vector<std::string> log;
    auto window = Window::create();
    std::weak_ptr<ViewController> weakOld;
    {
        auto old = LoggingController::create("Old", log);
        weakOld = old;
        window->setRootViewController(old);
    }
    window->makeKeyAndVisible();
    window->setRootViewController(LoggingController::create("New", log));
    EXPECT_TRUE(weakOld.expired());
    EXPECT_EQ(log, (std::vector<std::string> { "+Old", "-Old", "+New" }));
}

TEST(Window, VisibleControllerFollowsTabsStacksAndModals)
{
    auto window = Window::create();
    auto page = ViewController::create("Page");
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ NavigationController::create(ViewController::create("Other")), NavigationController::create(page) });
    window->setRootViewController(tabs);
    tabs->setSelectedIndex(1);
    EXPECT_EQ(window->visibleViewController(), page);
    auto login = ViewController::create("Login");
    page->presentViewController(NavigationController::create(login), Animated::Yes);
    EXPECT_EQ(window->visibleViewController(), login);
    EXPECT_EQ(login->window(), window);
}

TEST(Window, BackPopsThenDismissesTheModalThenStops)
{
    auto window = Window::create();
    auto root = ViewController::create("Root");
    auto nav = NavigationController::create(root);
    window->setRootViewController(nav);
    auto login = ViewController::create("Login");
    auto modal = NavigationController::create(login);
    root->presentViewController(modal, Animated::No);
    auto reset = ViewController::create("Reset password");
    modal->pushViewController(reset, Animated::Yes);

    EXPECT_TRUE(window->back()); // pops inside the modal stack
    EXPECT_EQ(window->visibleViewController(), login);
    EXPECT_TRUE(window->back()); // dismisses the modal
    EXPECT_EQ(window->visibleViewController(), root);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_FALSE(window->back()); // at the root
}

TEST(Window, PresentRefusesControllersShownElsewhere)
{
    auto a = ViewController::create("A");
    auto nav = NavigationController::create(ViewController::create("Root"));
    a->presentViewController(nav->topViewController(), Animated::No);
    EXPECT_EQ(a->presentedViewController(), nullptr);
    a->presentViewController(a, Animated::No);
    EXPECT_EQ(a->presentedViewController(), nullptr);
}

TEST(Window, DismissedModalIsFreedAndPresenterIsHeldWeakly)
{
    auto a = ViewController::create("A");
    std::weak_ptr<ViewController> weakModal;
    {
        auto modal = ViewController::create("Modal");
        weakModal = modal;
        a->presentViewController(modal, Animated::Yes);
    }
    ASSERT_FALSE(weakModal.expired());
    EXPECT_EQ(weakModal.lock()->presentingViewController(), a);
    weakModal.lock()->dismissViewController(Animated::Yes);
    EXPECT_TRUE(weakModal.expired());

    // A modal kept by someone else does not keep its presenter.
    auto kept = ViewController::create("Kept");
    std::weak_ptr<ViewController> weakA = a;
    a->presentViewController(kept, Animated::No);
    a.reset();
    EXPECT_TRUE(weakA.expired());
    EXPECT_EQ(kept->presentingViewController(), nullptr);
}

TEST(Popover, ShownInTheWindowAndDelegateToldOnlyOnTapOutside)
{
    struct Delegate : PopoverControllerDelegate {
        int dismissed { 0 };
        void popoverControllerDidDismissPopover(PopoverController&) override { ++dismissed; }
    };
    auto window = Window::create({ 0, 0, 768, 1024 }, UserInterfaceIdiom::Pad);
    auto page = ViewController::create("Page");
    window->setRootViewController(NavigationController::create(page));
    window->makeKeyAndVisible();
    auto menu = NavigationController::create(ViewController::create("Add"));
    auto popover = PopoverController::create(menu);
    ASSERT_TRUE(popover);
    auto delegate = std::make_shared<Delegate>();
    popover->setDelegate(delegate);
    popover->presentPopoverFromRect({}, *page, PopoverArrow::Any, Animated::Yes);
    EXPECT_TRUE(popover->isPopoverVisible());
    EXPECT_EQ(popover->permittedArrowDirections(), 15u);
    ASSERT_EQ(window->popovers().size(), 1u);
    EXPECT_TRUE(menu->isVisible());

    popover->dismissPopoverAnimated(Animated::No);
    EXPECT_EQ(delegate->dismissed, 0);
    EXPECT_TRUE(window->popovers().empty());
    EXPECT_FALSE(menu->isVisible());

    popover->presentPopoverFromRect({}, page->view(), PopoverArrow::Up, Animated::No);
    ASSERT_TRUE(popover->isPopoverVisible());
    popover->tapOutside();
    EXPECT_EQ(delegate->dismissed, 1);
    EXPECT_FALSE(popover->isPopoverVisible());
}


namespace {

/// Three movable, deletable rows; counts what the user did to them.
class Rows : public TableViewDataSource, public TableViewDelegate {
public:
    int numberOfRowsInSection(TableView&, int) override { return count; }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath) override { return TableViewCell::create(CellStyle::Default, "row"); }
    bool canEditRowAtIndexPath(TableView&, IndexPath) override { return true; }
    bool canMoveRowAtIndexPath(TableView&, IndexPath) override { return true; }
    void commitEditingStyle(TableView& table, EditingStyle, IndexPath) override
    {
        --count;
        ++*handled;
        table.reloadData();
    }
    void moveRowAtIndexPath(TableView&, IndexPath, IndexPath) override { ++*handled; }
    void didSelectRowAtIndexPath(TableView&, IndexPath) override { ++*handled; }
    int count = 3;
    int* handled = nullptr;
};

} // namespace

TEST(Window, AnAlertTakesTheUsersInputFromTheScreenUnderItUntilItGoes)
{
    auto window = Window::create();
    auto page = ViewController::create("Register");
    auto stack = NavigationController::create(ViewController::create("Start"));
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ stack, NavigationController::create(ViewController::create("Other")) });
    window->setRootViewController(tabs);
    window->makeKeyAndVisible();
    stack->pushViewController(page, Animated::No);

    int handled = 0; // every handler below counts here
    auto count = [&handled](auto&&...) { ++handled; };
    auto save = Button::create("Save", { 0, 0, 80, 40 });
    save->onTap = count;
    auto field = TextField::create({ 0, 40, 200, 30 });
    field->onChange = count;
    field->onReturn = count;
    auto notes = TextView::create({ 0, 70, 200, 60 });
    notes->onChange = count;
    auto area = View::create({ 0, 130, 50, 50 });
    area->onTouch = count;
    auto toggle = Switch::create();
    toggle->onValueChanged = count;
    auto rows = std::make_shared<Rows>();
    rows->handled = &handled;
    auto table = TableView::create({ 0, 200, 320, 300 });
    table->setDataSource(rows);
    table->setDelegate(rows);
    auto refresh = RefreshControl::create();
    refresh->onRefresh = [&](RefreshControl& control) {
        ++handled;
        control.endRefreshing();
    };
    table->setRefreshControl(refresh);
    for (const std::shared_ptr<View>& view : std::vector<std::shared_ptr<View>> { save, field, notes, area, toggle, table })
        page->view()->addSubview(view);
    // The cells hang under the table, so a control inside a row counts as on the screen.
    table->layoutAllRows();
    auto inRow = Button::create("In a row", { 0, 0, 80, 40 });
    inRow->onTap = count;
    table->cellForRowAtIndexPath({ 0, 0 })->contentView()->addSubview(inRow);
    page->setRightBarButtonItem(BarButtonItem::create("Send", BarButtonStyle::Plain, [&] { ++handled; }));

    int typed = 0; // each typing is new text, so a taken one always changes the field
    struct Input {
        const char* name;
        std::function<bool()> act;
    };
    const std::vector<Input> inputs {
        { "button", [&] { return save->tap(); } },
        { "button in a row", [&] { return inRow->tap(); } },
        { "bar button", [&] { return page->rightBarButtonItem()->press(); } },
        { "typing", [&] { return field->type("text " + std::to_string(++typed)); } },
        { "return", [&] { return field->pressReturn(); } },
        { "text view", [&] { return notes->type("notes " + std::to_string(++typed)); } },
        { "touch", [&] { return area->touch({ 10, 10 }); } },
        { "switch", [&] {
             bool before = toggle->isOn();
             toggle->toggle();
             return toggle->isOn() != before;
         } },
        { "row", [&] { return table->selectRow({ 0, 1 }); } },
        { "pull", [&] { return table->pullToRefresh(); } },
        { "tab", [&] { return tabs->selectTab(0); } },
        { "move", [&] {
             table->setEditing(Editing::On, Animated::No);
             bool moved = table->moveRow({ 0, 0 }, { 0, 1 });
             table->setEditing(Editing::Off, Animated::No);
             return moved;
         } },
        { "delete", [&] {
             table->setEditing(Editing::On, Animated::No);
             bool deleted = table->deleteRow({ 0, 2 });
             table->setEditing(Editing::Off, Animated::No);
             return deleted;
         } },
    };
    auto takenOf = [&] {
        std::vector<std::string> taken;
        for (const Input& input : inputs)
            if (input.act())
                taken.push_back(input.name);
        return taken;
    };
    std::vector<std::string> all;
    for (const Input& input : inputs)
        all.push_back(input.name);

    ASSERT_EQ(takenOf(), all);
    rows->count = 3;
    table->reloadData();
    table->layoutAllRows();
    table->cellForRowAtIndexPath({ 0, 0 })->contentView()->addSubview(inRow);

    auto alert = AlertView::create("Verify email", "An email has been sent.", "Ok");
    alert->setAlertViewStyle(AlertViewStyle::PlainTextInput);
    alert->show(window);
    auto second = AlertView::create("Register your app", "Could not be registered.", "Ok");
    second->show(window);
    const int before = handled;
    const std::string text = field->text();
    EXPECT_EQ(takenOf(), std::vector<std::string> {});
    EXPECT_EQ(handled, before);
    EXPECT_EQ(field->text(), text);
    EXPECT_FALSE(window->back());
    EXPECT_EQ(window->visibleViewController(), page);
    // A view in no window is no screen under the alert.
    auto loose = Button::create("Loose");
    loose->onTap = count;
    EXPECT_TRUE(loose->tap());
    // The code still changes the screen under the alert.
    field->setText("by code");
    EXPECT_EQ(field->text(), "by code");
    table->selectRowAtIndexPath({ 0, 2 }, Animated::No);
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath { 0, 2 }));
    toggle->setOn(!toggle->isOn());
    tabs->setSelectedIndex(1);
    EXPECT_EQ(tabs->selectedIndex(), 1);
    tabs->setSelectedIndex(0);

    // Closing the top alert leaves the one under it in charge; its own field and button work.
    ASSERT_TRUE(second->chooseButton(0));
    EXPECT_EQ(takenOf(), std::vector<std::string> {});
    EXPECT_TRUE(alert->textFieldAtIndex(0)->type("a note"));
    EXPECT_EQ(alert->textFieldAtIndex(0)->text(), "a note");
    ASSERT_TRUE(alert->chooseButtonWithTitle("Ok"));
    EXPECT_TRUE(window->alerts().empty());

    // With the alerts gone, the screen takes everything again.
    EXPECT_EQ(takenOf(), all);
    EXPECT_TRUE(window->back());
    EXPECT_EQ(window->visibleViewController(), stack->viewControllers().front());
}
