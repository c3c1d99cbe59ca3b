#pragma once
// A screen shown in a window's navigation stack, talking to a recording loopback server.

#include "content/ContentFixture.h"
#include "ui/AlertView.h"
#include "ui/NavigationController.h"
#include "ui/TableView.h"
#include "ui/TableViewCell.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

namespace quindle::test {

class MealsFixture : public ReferenceServerFixture {
protected:
    /// Shows the screen on top of a root screen, so that closing it is seen.
    void show(const std::shared_ptr<ViewController>& screen)
    {
        window = Window::create();
        root = ViewController::create("Resident");
        stack = NavigationController::create(root);
        window->setRootViewController(stack);
        window->makeKeyAndVisible();
        stack->pushViewController(screen, Animated::No);
        screen->view();
    }
    /// Later counts and lists start from the requests seen so far.
    void mark() { base = server.requests().size(); }
    /// Waits until `count` requests since the mark have reached the server and their replies have been handled.
    void answered(size_t count)
    {
        ASSERT_TRUE(server.waitForRequests(base + count));
        settle();
    }
    std::vector<std::string> targets()
    {
        std::vector<std::string> out;
        auto all = server.requests();
        for (size_t i = base; i < all.size(); ++i)
            out.push_back(all[i].target);
        return out;
    }
    /// The cell of a row as a renderer that shows every row would get it.
    static std::shared_ptr<TableViewCell> cellAt(TableView& table, int row)
    {
        table.layoutAllRows();
        return table.cellForRowAtIndexPath({ 0, row });
    }
    static std::string rowText(TableView& table, int row)
    {
        auto cell = cellAt(table, row);
        return cell ? cell->textLabel()->text() : std::string {};
    }
    /// The alert on top, checked for its title and buttons, answered with `choice`.
    void answer(const char* title, const std::vector<std::string>& buttons, const char* choice)
    {
        auto alert = window->topAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title(), title);
        EXPECT_EQ(alert->buttonTitles(), buttons);
        alert->chooseButtonWithTitle(choice);
    }

    size_t base = 0;
    std::shared_ptr<Window> window;
    std::shared_ptr<ViewController> root;
    std::shared_ptr<NavigationController> stack;
};

} // namespace quindle::test
