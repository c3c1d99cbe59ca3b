#include "frontends/term/TermRowCommands.h"

#include "frontends/term/CommandInterpreter.h"
#include "platform/MainQueue.h"
#include "ui/Button.h"
#include "ui/DatePicker.h"
#include "ui/TableView.h"
#include "ui/TableViewCell.h"
#include "ui/ViewController.h"

#include <string>

namespace quindle {

namespace {

using Result = CommandInterpreter::Result;

Result failure(std::string message) { return Result { false, false, std::move(message) }; }

template <typename T>
std::shared_ptr<T> firstIn(const std::shared_ptr<View>& view)
{
    if (!view || view->isHidden())
        return nullptr;
    if (auto found = std::dynamic_pointer_cast<T>(view))
        return found;
    if (auto table = std::dynamic_pointer_cast<TableView>(view)) {
        if (auto inHeader = firstIn<T>(table->tableHeaderView()))
            return inHeader;
    }
    for (const auto& subview : view->subviews()) {
        if (auto found = firstIn<T>(subview))
            return found;
    }
    return nullptr;
}

} // namespace

void installRowCommands(CommandInterpreter& interpreter)
{
    CommandInterpreter* self = &interpreter;
    interpreter.addCommand("detail", [self](const std::string& rest) {
        TermScreen screen = self->render();
        size_t row = 0;
        try {
            row = std::stoul(rest);
        } catch (...) {
            return failure("usage: detail ROW");
        }
        if (!screen.table || row >= screen.rows.size())
            return failure("no row " + rest + " on screen");
        auto cell = screen.table->cellForRowAtIndexPath(screen.rows[row]);
        auto button = cell ? firstIn<Button>(cell->accessoryView()) : nullptr;
        if (!button)
            return failure("row " + rest + " has no detail button");
        if (!button->tap())
            return failure("the detail button of row " + rest + " takes no tap now");
        MainQueue::shared().runUntilIdle();
        return Result {};
    });
    interpreter.addCommand("day", [self](const std::string& rest) {
        TermScreen screen = self->render();
        auto picker = screen.top ? firstIn<DatePicker>(screen.top->view()) : nullptr;
        if (!picker)
            return failure("no date picker on screen");
        auto day = DateFormat::parse(rest, "yyyy-MM-dd", DateFormat::Zone::Local);
        if (!day)
            return failure("usage: day YYYY-MM-DD");
        // Noon of that day, so the picker's limits (now, a week ahead) keep the day itself.
        picker->pick(*day + std::chrono::hours(12));
        if (DateFormat::format(picker->date(), "yyyy-MM-dd", DateFormat::Zone::Local) != rest)
            return failure("the date picker does not offer " + rest);
        MainQueue::shared().runUntilIdle();
        return Result {};
    });
}

} // namespace quindle
