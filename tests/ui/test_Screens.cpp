// Screens in stacks, tabs, modals, windows, popovers; bar buttons and alerts: who holds whom,
// what appears, what the observer is told, and what an alert blocks.

#include "RecordingObserver.h"

#include "ui/NavigationController.h"
#include "ui/PopoverController.h"
#include "ui/TabBarController.h"
#include "ui/Window.h"

#include <functional>

using namespace quindle;
using quindle::test::LoggingController;
using quindle::test::RecordingObserver;

namespace {

std::shared_ptr<NavigationController> stackOf(const std::string& title) { return NavigationController::create(ViewController::create(title)); }

struct Stack : ::testing::Test {
    void SetUp() override { nav->setObserver(observer); }
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    std::shared_ptr<ViewController> root = ViewController::create("Root");
    std::shared_ptr<NavigationController> nav = NavigationController::create(root);
};

TEST_F(Stack, PushAndPopReportOnceAndRefuseControllersHeldElsewhere)
{
    EXPECT_TRUE(!nav->popViewController(Animated::Yes) && nav->popToRootViewController(Animated::Yes).empty());
    nav->setViewControllers({ root }, Animated::Yes);
    EXPECT_TRUE(nav->topViewController() == root && observer->controllers.empty() && nav->lastTransitionAnimated() == Animated::No);
    auto a = ViewController::create("A");
    nav->pushViewController(a, Animated::Yes);
    EXPECT_TRUE(a->navigationController() == nav && nav->lastTransitionAnimated() == Animated::Yes);
    EXPECT_EQ(nav->popViewController(Animated::No), a);
    EXPECT_TRUE(nav->lastTransitionAnimated() == Animated::No && !a->navigationController());
    // Each is told once, by the stack, with its animation.
    ASSERT_EQ(observer->controllers.size(), 2u);
    EXPECT_TRUE(observer->controllers[0].controller == nav.get() && observer->controllers[0].change == ControllerChange::Stack);
    EXPECT_EQ(std::pair(observer->controllers[0].animated, observer->controllers[1].animated), std::pair(Animated::Yes, Animated::No));
    auto b = ViewController::create("B");
    nav->pushViewController(a, Animated::No);
    nav->pushViewController(b, Animated::No);
    EXPECT_EQ(nav->popToRootViewController(Animated::Yes), (std::vector<std::shared_ptr<ViewController>> { a, b })) << "lowest first";
    EXPECT_TRUE(nav->topViewController() == root && nav->lastTransitionAnimated() == Animated::Yes);
    // A popped screen can go on another stack, and goes once nobody holds it.
    EXPECT_EQ(NavigationController::create(a)->topViewController(), a);
    std::weak_ptr<ViewController> weakA = a;
    a.reset();
    EXPECT_TRUE(weakA.expired());
    // Controllers held elsewhere or twice are refused.
    auto other = stackOf("Other root");
    for (const auto& refused : std::vector<std::shared_ptr<ViewController>> { other->topViewController(), root, nav, nullptr })
        nav->pushViewController(refused, Animated::No);
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    auto fresh = ViewController::create("Fresh");
    auto foreign = other->topViewController();
    nav->setViewControllers({ fresh, root, fresh, foreign, nullptr }, Animated::No);
    EXPECT_TRUE(nav->viewControllers() == (std::vector<std::shared_ptr<ViewController>> { fresh, root }) && foreign->navigationController() == other);
    nav->setViewControllers({ fresh }, Animated::No);
    EXPECT_EQ(root->navigationController(), nullptr);
    // Screens point back at their stack weakly.
    std::weak_ptr<ViewController> weakFresh = fresh;
    std::weak_ptr<NavigationController> weakNav = nav;
    fresh.reset();
    nav.reset();
    EXPECT_TRUE(weakNav.expired() && weakFresh.expired());
}

TEST(NavigationAppearance, OnlyTheTopAppearsAndOnlyInAVisibleWindow)
{
    std::vector<std::string> log;
    auto a = LoggingController::create("A", log);
    auto b = LoggingController::create("B", log);
    auto nav = NavigationController::create(a);
    nav->pushViewController(b, Animated::No);
    auto window = Window::create();
    window->setRootViewController(nav);
    EXPECT_TRUE(log.empty());
    window->makeKeyAndVisible();
    EXPECT_TRUE(log == std::vector<std::string> { "+B" } && !a->isVisible());
    nav->popViewController(Animated::Yes);
    EXPECT_TRUE(log == (std::vector<std::string> { "+B", "-B", "+A" }) && a->isVisible() && !b->isVisible());
    // Modals go on top of each other and go with their presenter chain.
    auto m1 = LoggingController::create("M1", log);
    auto m2 = LoggingController::create("M2", log);
    a->presentViewController(m1, Animated::Yes);
    a->presentViewController(m2, Animated::Yes);
    EXPECT_EQ((std::vector { m1->presentedViewController(), window->visibleViewController(), nav->visibleViewController(), nav->topViewController() }),
        (std::vector<std::shared_ptr<ViewController>> { m2, m2, m2, a }));
    a->dismissViewController(Animated::No);
    EXPECT_EQ(log, (std::vector<std::string> { "+B", "-B", "+A", "+M1", "+M2", "-M2", "-M1" }));
    EXPECT_TRUE(!a->presentedViewController() && a->lastPresentationAnimated() == Animated::No && nav->visibleViewController() == a);
    // Under a tab bar, switching tabs or losing the selected one moves appearance.
    auto c = NavigationController::create(LoggingController::create("C", log));
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ c, NavigationController::create(LoggingController::create("D", log)) });
    log.clear();
    window->setRootViewController(tabs);
    tabs->selectTab(1);
    tabs->setViewControllers({ c });
    EXPECT_EQ(log, (std::vector<std::string> { "-A", "+C", "-C", "+D", "-D", "+C" }));
}

TEST(TabBar, SelectionFollowsTheSelectedTabAndTapsReachTheObserverOnce)
{
    auto a = stackOf("A"), b = stackOf("B"), c = stackOf("C");
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ a, b });
    std::vector<int> selected { tabs->selectedIndex() };
    for (int ignored : { 2, -1 }) {
        tabs->setSelectedIndex(ignored);
        selected.push_back(tabs->selectedIndex());
    }
    tabs->setSelectedViewController(stackOf("Foreign"));
    EXPECT_TRUE(selected == (std::vector<int> { 0, 0, 0 }) && tabs->selectedIndex() == 0 && !tabs->selectTab(5));
    tabs->setSelectedIndex(1);
    tabs->setViewControllers({ c, a, b });
    EXPECT_TRUE(tabs->selectedViewController() == b && tabs->selectedIndex() == 2);
    // Without the selected one the first tab is selected.
    tabs->setViewControllers({ c, a });
    EXPECT_TRUE(tabs->selectedIndex() == 0 && b->tabBarController() == nullptr && a->tabBarController() == tabs);
    tabs->setViewControllers({});
    EXPECT_EQ(tabs->selectedIndex(), -1);
    // Tabs held elsewhere or twice are left out.
    auto other = TabBarController::create();
    other->setViewControllers({ a });
    tabs->setViewControllers({ a, b, b, nullptr, tabs });
    EXPECT_TRUE(tabs->viewControllers() == (std::vector<std::shared_ptr<ViewController>> { b }) && a->tabBarController() == other);
    // Screens pushed in a tab's stack find their tab bar.
    auto pushed = ViewController::create("Pushed");
    b->pushViewController(pushed, Animated::No);
    EXPECT_TRUE(pushed->tabBarController() == tabs && tabs->visibleViewController() == pushed);
    // Removed tabs are freed.
    std::weak_ptr<NavigationController> weak = b;
    b.reset();
    pushed.reset();
    tabs->setViewControllers({ c });
    EXPECT_TRUE(weak.expired());
    // A tap reaches the handler, and the observer once a tab changes; so do tab items.
    auto observer = std::make_shared<RecordingObserver>();
    tabs->setObserver(observer);
    tabs->setViewControllers({ c, stackOf("B") });
    observer->clear();
    std::vector<std::string> chosen;
    tabs->onSelect = [&](TabBarController&, ViewController& tab) { chosen.push_back(static_cast<NavigationController&>(tab).topViewController()->title()); };
    EXPECT_TRUE(tabs->selectTab(1));
    EXPECT_TRUE(tabs->selectTab(1)); // the selected tab again: the handler hears, nothing changes
    EXPECT_EQ(std::pair(chosen, observer->countControllers(ControllerChange::Selection)), std::pair(std::vector<std::string> { "B", "B" }, 1ul));
    observer->clear();
    c->setTabBarItem({ "Tab Edit", "first.png", "" });
    c->setBadgeValue("3");
    c->setBadgeValue("3");
    EXPECT_TRUE(observer->countControllers(ControllerChange::TabBarItem) == 2u && observer->controllers[0].controller == c.get());
}

TEST_F(Stack, BarButtonsRunAndChangesReportOnceThroughTheContainerChain)
{
    auto add = BarButtonItem::create(SystemItem::Add, nullptr);
    auto edit = BarButtonItem::create(SystemItem::Edit, nullptr);
    root->setRightBarButtonItems({ add, edit });
    root->setRightBarButtonItems({ add, edit });
    root->setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, nullptr));
    root->setRightBarButtonItem(nullptr);
    EXPECT_TRUE(root->rightBarButtonItems().empty() && observer->countControllers(ControllerChange::BarButtons) == 3u);
    root->setTitle("Root");
    root->setTitle("Other");
    EXPECT_TRUE(observer->countControllers(ControllerChange::Title) == 1u && observer->controllers.back().controller == root.get());
    auto label = View::create(); // views of the screen report there too
    root->view()->addSubview(label);
    label->setHidden(true);
    EXPECT_EQ(observer->countViews(*label, ChangeKind::Visibility), 1u);
    // A bar button runs its action unless disabled, and may replace itself.
    int presses = 0;
    auto item = BarButtonItem::create(SystemItem::Edit, [&] { ++presses; });
    EXPECT_TRUE(item->press());
    item->setEnabled(false);
    EXPECT_TRUE(!item->press() && presses == 1);
    BarButtonItem::create(SystemItem::Add, nullptr)->press(); // no action: nothing to call
    root->setRightBarButtonItem(BarButtonItem::create(SystemItem::Edit, [&] {
        root->setRightBarButtonItem(BarButtonItem::create(SystemItem::Done, nullptr));
        ++presses;
    }));
    root->rightBarButtonItem()->press();
    EXPECT_TRUE(presses == 2 && root->rightBarButtonItem()->systemItem() == SystemItem::Done);
}

TEST(Window, RootTakesTheBoundsAndVisibleControllerFollowsTabsStacksAndModals)
{
    auto observer = std::make_shared<RecordingObserver>();
    std::vector<std::string> log;
    auto window = Window::create({ 0, 0, 375, 667 });
    window->setObserver(observer);
    window->setRootViewController(LoggingController::create("Old", log));
    std::weak_ptr<ViewController> weakOld = window->rootViewController();
    window->makeKeyAndVisible();
    EXPECT_TRUE(weakOld.lock()->view()->frame() == (Rect { 0, 0, 375, 667 }) && weakOld.lock()->window() == window);
    window->setRootViewController(LoggingController::create("New", log));
    EXPECT_TRUE(weakOld.expired() && log == (std::vector<std::string> { "+Old", "-Old", "+New" }));
    // A root with no tabs shows nothing and still takes the bounds.
    auto tabs = TabBarController::create();
    window->setRootViewController(tabs);
    EXPECT_TRUE(tabs->view()->frame() == (Rect { 0, 0, 375, 667 }) && log.back() == "-New" && observer->countControllers(ControllerChange::Root) == 3u);
    window = Window::create();
    auto page = ViewController::create("Page");
    tabs = TabBarController::create();
    tabs->setViewControllers({ stackOf("Other"), NavigationController::create(page) });
    window->setRootViewController(tabs);
    tabs->setSelectedIndex(1);
    EXPECT_EQ(window->visibleViewController(), page);
    auto login = ViewController::create("Login");
    auto modal = NavigationController::create(login);
    page->presentViewController(modal, Animated::No);
    EXPECT_TRUE(window->visibleViewController() == login && login->window() == window);
    modal->pushViewController(ViewController::create("Reset password"), Animated::Yes);
    EXPECT_TRUE(window->back() && window->visibleViewController() == login); // pops inside the modal stack
    EXPECT_TRUE(window->back()); // dismisses the modal
    EXPECT_TRUE(window->visibleViewController() == page && !page->presentedViewController() && !window->back()); // at the root
    // Modals are held by their presenter, which they hold weakly.
    auto a = ViewController::create("A");
    auto nav = stackOf("Root");
    a->presentViewController(nav->topViewController(), Animated::No); // held by a stack
    a->presentViewController(a, Animated::No);
    EXPECT_EQ(a->presentedViewController(), nullptr);
    a->presentViewController(ViewController::create("Modal"), Animated::Yes);
    std::weak_ptr<ViewController> weakModal = a->presentedViewController();
    ASSERT_TRUE(!weakModal.expired() && weakModal.lock()->presentingViewController() == a);
    weakModal.lock()->dismissViewController(Animated::Yes);
    EXPECT_TRUE(weakModal.expired());
    // A modal kept by someone else does not keep its presenter.
    auto kept = ViewController::create("Kept");
    std::weak_ptr<ViewController> weakA = a;
    a->presentViewController(kept, Animated::No);
    a.reset();
    EXPECT_TRUE(weakA.expired() && !kept->presentingViewController());
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
    auto menu = stackOf("Add");
    auto popover = PopoverController::create(menu);
    auto delegate = std::make_shared<Delegate>();
    popover->setDelegate(delegate);
    popover->presentPopoverFromRect({}, *page, PopoverArrow::Any, Animated::Yes);
    EXPECT_TRUE(popover->isPopoverVisible() && popover->permittedArrowDirections() == 15u && window->popovers().size() == 1u && menu->isVisible());
    popover->dismissPopoverAnimated(Animated::No);
    EXPECT_TRUE(delegate->dismissed == 0 && window->popovers().empty() && !menu->isVisible());
    popover->presentPopoverFromRect({}, page->view(), PopoverArrow::Up, Animated::No);
    ASSERT_TRUE(popover->isPopoverVisible());
    popover->tapOutside();
    EXPECT_TRUE(delegate->dismissed == 1 && !popover->isPopoverVisible());
}

struct Delegate : AlertViewDelegate {
    std::vector<std::string> calls;
    void clickedButtonAtIndex(AlertView& alert, int index) override { calls.push_back("clicked " + std::to_string(index) + (alert.isVisible() ? " shown" : " gone")); }
    void didDismissWithButtonIndex(AlertView& alert, int index) override { calls.push_back("dismissed " + std::to_string(index) + (alert.isVisible() ? " shown" : " gone")); }
};

// The chosen index reaches the delegate, the handler and the observer once; the window keeps a
// shown alert until it is answered; one outside any window still answers.
TEST(Alerts, ChosenIndexReachesEveryListenerOnceAndAShownAlertIsHeldUntilDismissed)
{
    auto observer = std::make_shared<RecordingObserver>();
    auto window = Window::create();
    auto screen = ViewController::create("Page");
    window->setObserver(observer);
    window->setRootViewController(NavigationController::create(screen));
    window->makeKeyAndVisible();
    auto delegate = std::make_shared<Delegate>();
    auto alert = AlertView::create("Edit Page", "", "Cancel", { "Reorder", "Edit items" });
    EXPECT_EQ(std::tuple(alert->numberOfButtons(), alert->cancelButtonIndex(), alert->buttonTitleAtIndex(3)), std::tuple(3, 0, std::string()));
    alert->setDelegate(delegate);
    std::vector<int> handled;
    alert->onDismiss = [&](AlertView&, int index) { handled.push_back(index); };
    EXPECT_FALSE(alert->chooseButton(0)); // not shown yet
    alert->show(*screen);
    ASSERT_TRUE(window->topAlert() == alert && observer->alerts.size() == 1u && observer->alerts[0].change == AlertChange::Shown);
    EXPECT_FALSE(alert->chooseButton(3) || alert->chooseButton(-1) || alert->chooseButtonWithTitle("Nope"));
    EXPECT_TRUE(alert->isVisible() && alert->chooseButtonWithTitle("Edit items") && !alert->chooseButton(0));
    EXPECT_EQ(std::pair(delegate->calls, handled), std::pair(std::vector<std::string> { "clicked 2 shown", "dismissed 2 gone" }, std::vector<int> { 2 }));
    ASSERT_EQ(observer->alerts.size(), 2u);
    EXPECT_TRUE(observer->alerts[1].change == AlertChange::Dismissed && observer->alerts[1].buttonIndex == 2 && !window->topAlert());
    auto noCancel = AlertView::create("T", "M", "", { "OK" });
    EXPECT_EQ(std::tuple(noCancel->cancelButtonIndex(), noCancel->buttonTitleAtIndex(0), noCancel->addButtonWithTitle("More")),
        std::tuple(-1, std::string("OK"), 1));
    AlertView::create("Email not validated", "bad", "OK")->show(window);
    std::weak_ptr<AlertView> weak = window->topAlert();
    ASSERT_FALSE(weak.expired());
    bool lived = false;
    weak.lock()->onDismiss = [&](AlertView& a, int) { lived = a.title() == "Email not validated"; };
    weak.lock()->chooseButton(0);
    EXPECT_TRUE(lived && weak.expired()) << "the alert lives through its own handler";
    auto loose = AlertView::create("T", "M", "OK");
    int index = -1;
    loose->onDismiss = [&](AlertView&, int i) { index = i; };
    loose->show(*ViewController::create("Loose"));
    EXPECT_TRUE(loose->isVisible() && window->alerts().empty() && loose->chooseButton(0) && index == 0);
    // Text fields by style.
    auto styled = AlertView::create("T", "M", "Cancel", { "OK" });
    const struct { AlertViewStyle style; std::vector<bool> secure; /* one per field */ } cases[] = {
        { AlertViewStyle::Default, {} }, { AlertViewStyle::PlainTextInput, { false } }, { AlertViewStyle::SecureTextInput, { true } },
        { AlertViewStyle::LoginAndPasswordInput, { false, true } },
    };
    for (const auto& c : cases) {
        styled->setAlertViewStyle(c.style);
        ASSERT_EQ(styled->numberOfTextFields(), c.secure.size());
        for (size_t i = 0; i < c.secure.size(); ++i)
            EXPECT_EQ(styled->textFieldAtIndex(i)->isSecureTextEntry(), c.secure[i]);
    }
    EXPECT_FALSE(styled->textFieldAtIndex(2));
    styled->textFieldAtIndex(0)->type("name");
    std::string typed;
    styled->onDismiss = [&](AlertView& a, int) { typed = a.textFieldAtIndex(0)->text(); };
    styled->show(window);
    styled->chooseButton(1);
    EXPECT_EQ(typed, "name");
}

/// Three movable, deletable rows; counts what the user did to them.
struct Rows : TableViewDataSource, TableViewDelegate {
    int numberOfRowsInSection(TableView&, int) override { return count; }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath) override { return TableViewCell::create(CellStyle::Default, "row"); }
    bool canEditRowAtIndexPath(TableView&, IndexPath) override { return true; }
    bool canMoveRowAtIndexPath(TableView&, IndexPath) override { return true; }
    void commitEditingStyle(TableView& table, EditingStyle, IndexPath) override { --count; ++*handled; table.reloadData(); }
    void moveRowAtIndexPath(TableView&, IndexPath, IndexPath) override { ++*handled; }
    void didSelectRowAtIndexPath(TableView&, IndexPath) override { ++*handled; }
    int count = 3;
    int* handled = nullptr;
};

TEST(Window, AnAlertTakesTheUsersInputFromTheScreenUnderItUntilItGoes)
{
    auto window = Window::create();
    auto page = ViewController::create("Register");
    auto stack = stackOf("Start");
    auto tabs = TabBarController::create();
    tabs->setViewControllers({ stack, stackOf("Other") });
    window->setRootViewController(tabs);
    window->makeKeyAndVisible();
    stack->pushViewController(page, Animated::No);
    int handled = 0; // every handler below counts here
    auto count = [&handled](auto&&...) { ++handled; };
    auto save = Button::create("Save", { 0, 0, 80, 40 });
    save->onTap = count;
    auto field = TextField::create({ 0, 40, 200, 30 });
    field->onChange = field->onReturn = count;
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
    refresh->onRefresh = [&](RefreshControl& control) { ++handled; control.endRefreshing(); };
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
    auto inEditing = [&](auto act) {
        table->setEditing(Editing::On, Animated::No);
        bool taken = act();
        table->setEditing(Editing::Off, Animated::No);
        return taken;
    };
    const std::vector<std::pair<std::string, std::function<bool()>>> inputs {
        { "button", [&] { return save->tap(); } },
        { "button in a row", [&] { return inRow->tap(); } },
        { "bar button", [&] { return page->rightBarButtonItem()->press(); } },
        { "typing", [&] { return field->type("text " + std::to_string(++typed)); } },
        { "return", [&] { return field->pressReturn(); } },
        { "text view", [&] { return notes->type("notes " + std::to_string(++typed)); } },
        { "touch", [&] { return area->touch({ 10, 10 }); } },
        { "switch", [&] { bool before = toggle->isOn(); toggle->toggle(); return toggle->isOn() != before; } },
        { "row", [&] { return table->selectRow({ 0, 1 }); } },
        { "pull", [&] { return table->pullToRefresh(); } },
        { "tab", [&] { return tabs->selectTab(0); } },
        { "move", [&] { return inEditing([&] { return table->moveRow({ 0, 0 }, { 0, 1 }); }); } },
        { "delete", [&] { return inEditing([&] { return table->deleteRow({ 0, 2 }); }); } },
    };
    auto takenOf = [&] {
        std::vector<std::string> taken;
        for (const auto& [name, act] : inputs)
            if (act())
                taken.push_back(name);
        return taken;
    };
    const std::vector<std::string> all = takenOf(); // the names in order, so all of them when none is refused
    ASSERT_EQ(all.size(), inputs.size());
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
    EXPECT_TRUE(handled == before && field->text() == text && !window->back() && window->visibleViewController() == page);
    // A view in no window is no screen under the alert.
    auto loose = Button::create("Loose");
    loose->onTap = count;
    EXPECT_TRUE(loose->tap());
    // The code still changes the screen under the alert.
    field->setText("by code");
    table->selectRowAtIndexPath({ 0, 2 }, Animated::No);
    toggle->setOn(!toggle->isOn());
    tabs->setSelectedIndex(1);
    EXPECT_EQ(std::tuple(field->text(), table->indexPathForSelectedRow(), tabs->selectedIndex()), std::tuple(std::string("by code"), std::optional<IndexPath>(IndexPath { 0, 2 }), 1));
    tabs->setSelectedIndex(0);
    // Closing the top alert leaves the one under it in charge; its own field and button work.
    ASSERT_TRUE(second->chooseButton(0));
    EXPECT_EQ(takenOf(), std::vector<std::string> {});
    EXPECT_TRUE(alert->textFieldAtIndex(0)->type("a note") && alert->textFieldAtIndex(0)->text() == "a note");
    ASSERT_TRUE(alert->chooseButtonWithTitle("Ok") && window->alerts().empty());
    // With the alerts gone, the screen takes everything again.
    EXPECT_EQ(takenOf(), all);
    EXPECT_TRUE(window->back() && window->visibleViewController() == stack->viewControllers().front());
}

} // namespace
