#include "frontends/term/CommandInterpreter.h"

#include "forms/BoolView.h"
#include "platform/HttpClient.h"
#include "platform/JsonParser.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/Slider.h"
#include "ui/TabBarController.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/Window.h"

#include <charconv>
#include <iostream>
#include <set>
#include <sstream>
#include <unistd.h>

namespace quindle {

namespace {

std::string trim(const std::string& text)
{
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return {};
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(start, end - start + 1);
}

/// The text after the first `count` words.
std::string after(const std::string& line, size_t count)
{
    size_t position = 0;
    for (size_t i = 0; i < count; ++i) {
        position = line.find_first_not_of(" \t", position);
        if (position == std::string::npos)
            return {};
        position = line.find_first_of(" \t", position);
        if (position == std::string::npos)
            return {};
    }
    return trim(line.substr(position));
}

std::optional<int> number(const std::string& word)
{
    int value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value < 0)
        return std::nullopt;
    return value;
}

/// A decimal number such as "0.5" or "-12", the whole word.
std::optional<double> decimal(const std::string& word)
{
    double value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size())
        return std::nullopt;
    return value;
}

CommandInterpreter::Result failure(std::string message) { return { false, false, std::move(message) }; }
CommandInterpreter::Result success() { return {}; }

std::optional<std::vector<uint8_t>> hexBytes(const std::string& text)
{
    if (text.empty() || text.size() % 2 != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        auto [end, error] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (error != std::errc() || end != text.data() + i + 2)
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(value));
    }
    return bytes;
}

// Granted types as the push service numbers them: badge 1, sound 2, alert 4.
std::optional<unsigned> grantedTypes(const std::string& text)
{
    if (text == "none")
        return 0u;
    if (auto value = number(text))
        return static_cast<unsigned>(*value);
    unsigned types = 0;
    std::string word;
    std::istringstream words(text);
    while (std::getline(words, word, ',')) {
        word = trim(word);
        if (word == "badge")
            types |= 1;
        else if (word == "sound")
            types |= 2;
        else if (word == "alert")
            types |= 4;
        else
            return std::nullopt;
    }
    return types ? std::optional<unsigned>(types) : std::nullopt;
}

std::string listTitles(const std::vector<std::string>& titles)
{
    std::string list;
    for (const auto& title : titles)
        list += (list.empty() ? "" : ", ") + ("\"" + title + "\"");
    return list.empty() ? "none" : list;
}

} // namespace

CommandInterpreter::CommandInterpreter(std::shared_ptr<Window> window, std::shared_ptr<HttpClient> client)
    : m_window(window)
    , m_renderer(std::move(window))
    , m_client(std::move(client))
{
}

void CommandInterpreter::settle()
{
    MainQueue::shared().runUntilIdle();
}

namespace {
constexpr std::chrono::milliseconds idleRecheckInterval { 2 };
/// How often `wait` draws and waits again when drawing sent new requests (a list, then its pictures).
constexpr int waitDrawRounds = 4;
} // namespace

bool CommandInterpreter::waitUntilIdle(std::chrono::milliseconds timeout)
{
    MainQueue& queue = MainQueue::shared();
    auto idle = [&] { return (!m_client || m_client->inFlight() == 0) && queue.pending() == 0; };
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        queue.runUntilIdle();
        if (idle())
            return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds::zero())
            return false;
        // The queue wakes for tasks only, so the in-flight count is looked at between short waits
        // (short, so a script or picture goes on as soon as the last reply is in).
        queue.runUntil(idle, std::min(left, idleRecheckInterval));
    }
}

CommandInterpreter::Result CommandInterpreter::execute(const std::string& rawLine)
{
    std::string line = trim(rawLine);
    if (line.empty() || line.front() == '#')
        return success();
    std::vector<std::string> words;
    std::istringstream split(line);
    for (std::string word; split >> word;)
        words.push_back(word);
    auto added = m_commands.find(words[0]);
    Result result = added != m_commands.end() ? added->second(after(line, 1)) : act(words, line);
    if (m_afterCommand)
        m_afterCommand();
    // The screen under an alert refuses input, which the bare refusal would not tell.
    static const std::set<std::string> screenCommands { "tap", "press", "field", "return", "yes", "no", "back", "tab", "refresh", "move", "delete", "slide", "drag" };
    if (!result.ok && screenCommands.contains(words[0]) && m_window) {
        if (auto alert = m_window->topAlert())
            result.message += " (the alert \"" + alert->title() + "\" is on screen)";
    }
    return result;
}

CommandInterpreter::Result CommandInterpreter::act(const std::vector<std::string>& words, const std::string& line)
{
    const std::string& command = words[0];
    auto needs = [&](size_t count) { return words.size() == count + 1; };

    if (command == "quit" || command == "exit")
        return { true, true, {} };
    if (command == "show") {
        settle();
        return { true, false, m_renderer.render().text };
    }
    if (command == "wait") {
        // The screen is drawn before each quiet spell is trusted, as a phone draws after every
        // change: a screen that loads when it is first shown, or a cell that fetches its picture
        // when drawn, asks the server only once it has been drawn.
        for (int round = 0; round < waitDrawRounds; ++round) {
            m_renderer.render();
            if (round > 0 && waitUntilIdle(std::chrono::milliseconds::zero()))
                return success();
            if (!waitUntilIdle(m_waitTimeout))
                return failure("still busy after " + std::to_string(m_waitTimeout.count()) + " ms");
        }
        return success();
    }
    if (command == "expect" || command == "reject") {
        std::string text = after(line, 1);
        if (text.empty())
            return failure(command + " needs a text");
        settle();
        bool shown = m_renderer.render().text.find(text) != std::string::npos;
        if (command == "expect" && !shown)
            return failure("\"" + text + "\" is not on screen");
        if (command == "reject" && shown)
            return failure("\"" + text + "\" is on screen");
        return success();
    }
    if (command == "push")
        return push(words, line);

    TermScreen screen = m_renderer.render();
    Result result;
    auto rowPath = [&](const std::string& word, bool onePast) -> std::optional<IndexPath> {
        auto row = number(word);
        if (!row)
            return std::nullopt;
        size_t index = static_cast<size_t>(*row);
        if (index < screen.rows.size())
            return screen.rows[index];
        if (onePast && index == screen.rows.size() && !screen.rows.empty())
            return IndexPath { screen.rows.back().section, screen.rows.back().row + 1 };
        return std::nullopt;
    };
    auto noRow = [&](const std::string& word) {
        return failure("no row " + word + " on screen (" + std::to_string(screen.rows.size()) + " rows)");
    };

    if (command == "tap") {
        if (!screen.table && screen.collection && needs(1)) {
            auto item = number(words[1]);
            if (!item || *item >= screen.collection->numberOfItems())
                return failure("no item " + words[1] + " on screen (" + std::to_string(screen.collection->numberOfItems()) + " items)");
            if (!screen.collection->selectItem({ 0, static_cast<int>(*item) }))
                return failure("item " + words[1] + " takes no tap now");
            settle();
            return success();
        }
        if (!screen.table)
            return failure("no table on screen");
        std::optional<IndexPath> path;
        if (needs(1)) {
            path = rowPath(words[1], false);
            if (!path)
                return noRow(words[1]);
        } else if (needs(2)) {
            auto section = number(words[1]);
            auto row = number(words[2]);
            if (!section || !row || !screen.table->exists({ *section, *row }))
                return failure("no row " + words[2] + " in section " + words[1]);
            path = IndexPath { *section, *row };
        } else {
            return failure("usage: tap ROW or tap SECTION ROW");
        }
        if (!screen.table->selectRow(*path))
            return failure("row " + words.back() + " takes no tap now");
    } else if (command == "press") {
        std::string title = after(line, 1);
        if (title.empty())
            return failure("press needs a title");
        result = pressTitle(title);
    } else if (command == "alert") {
        std::string title = after(line, 1);
        if (!screen.alert)
            return failure("no alert on screen");
        if (!screen.alert->chooseButtonWithTitle(title))
            return failure("the alert has no button \"" + title + "\" (it has " + listTitles(screen.alert->buttonTitles()) + ")");
    } else if (command == "field") {
        auto index = words.size() >= 2 ? number(words[1]) : std::nullopt;
        if (!index)
            return failure("usage: field N TEXT");
        if (static_cast<size_t>(*index) >= screen.inputs.size())
            return failure("no input " + words[1] + " on screen (" + std::to_string(screen.inputs.size()) + " inputs)");
        std::string text = after(line, 2);
        const TermInput& input = screen.inputs[*index];
        bool taken = false;
        // Through the control's own edit path, so its should-change handler sees the edit.
        if (input.textField) {
            input.textField->becomeFirstResponder();
            taken = input.textField->type(text) || input.textField->text() == text;
        } else if (input.textView) {
            input.textView->becomeFirstResponder();
            taken = input.textView->type(text) || input.textView->text() == text;
        }
        if (!taken)
            return failure("input " + words[1] + " refused the text");
    } else if (command == "return") {
        auto index = needs(1) ? number(words[1]) : std::nullopt;
        if (!index)
            return failure("usage: return N");
        if (static_cast<size_t>(*index) >= screen.inputs.size() || !screen.inputs[*index].textField)
            return failure("no text field " + words[1] + " on screen");
        // Return ends the edit; a field that keeps its focus ends it when focus is taken away.
        auto field = screen.inputs[*index].textField;
        if (!field->pressReturn())
            return failure("input " + words[1] + " refused the return");
        field->resignFirstResponder();
    } else if (command == "yes" || command == "no") {
        if (!needs(1))
            return failure("usage: " + command + " ROW");
        auto path = rowPath(words[1], false);
        if (!path)
            return noRow(words[1]);
        auto cell = screen.table->cellForRowAtIndexPath(*path);
        auto choice = cell ? std::dynamic_pointer_cast<BoolView>(cell->accessoryView()) : nullptr;
        if (!choice)
            return failure("row " + words[1] + " has no yes/no control");
        // Touches the middle of the chosen half.
        double x = command == "yes" ? BoolView::width / 4 : BoolView::width * 3 / 4;
        if (!choice->touch({ x, BoolView::height / 2 }))
            return failure("the yes/no control of row " + words[1] + " takes no touch now");
    } else if (command == "slide") {
        auto index = needs(2) ? number(words[1]) : std::nullopt;
        auto value = needs(2) ? decimal(words[2]) : std::nullopt;
        if (!index || !value)
            return failure("usage: slide N VALUE");
        if (static_cast<size_t>(*index) >= screen.sliders.size())
            return failure("no slider " + words[1] + " on screen (" + std::to_string(screen.sliders.size()) + " sliders)");
        auto slider = screen.sliders[*index];
        if (!slider->isUserInteractionEnabled() || !slider->takesUserInput())
            return failure("slider " + words[1] + " takes no slide now");
        slider->slide(*value);
    } else if (command == "drag") {
        // drag N X Y [X Y ...]: a finger goes down at the first point, moves through the rest, lifts.
        std::vector<Point> points;
        bool wellFormed = words.size() >= 4 && words.size() % 2 == 0;
        for (size_t i = 2; wellFormed && i + 1 < words.size(); i += 2) {
            auto x = decimal(words[i]), y = decimal(words[i + 1]);
            wellFormed = x && y;
            if (wellFormed)
                points.push_back({ *x, *y });
        }
        auto index = wellFormed ? number(words[1]) : std::nullopt;
        if (!index)
            return failure("usage: drag N X Y [X Y ...]");
        size_t which = static_cast<size_t>(*index);
        if (which >= screen.touchViews.size())
            return failure("no touch view " + words[1] + " on screen (" + std::to_string(screen.touchViews.size()) + ")");
        auto view = screen.touchViews[which];
        if (!view->beginTouch(points.front()))
            return failure("view " + words[1] + " takes no touch now");
        for (size_t i = 1; i < points.size(); ++i)
            view->moveTouch(points[i]);
        view->endTouch(points.back());
    } else if (command == "back") {
        if (!needs(0))
            return failure("usage: back");
        if (!m_window || !m_window->back())
            return failure("there is nothing to go back from");
    } else if (command == "tab") {
        std::string which = after(line, 1);
        if (!screen.tabBar)
            return failure("no tab bar");
        const auto& tabs = screen.tabBar->viewControllers();
        int index = -1;
        if (auto n = number(which)) {
            index = *n;
        } else {
            // Two tabs may share a title (the start page and the user's own first page); picking
            // one of them silently would act on a screen the script did not mean.
            std::vector<std::string> matches;
            for (size_t i = 0; i < tabs.size(); ++i) {
                if (TermRenderer::tabTitle(*tabs[i]) == which)
                    matches.push_back(std::to_string(i));
            }
            if (matches.size() > 1) {
                std::string numbers;
                for (const auto& match : matches)
                    numbers += (numbers.empty() ? "" : ", ") + match;
                return failure("more than one tab is called \"" + which + "\" (" + numbers + "): choose one by its number");
            }
            if (!matches.empty())
                index = std::stoi(matches.front());
        }
        if (index < 0 || index >= static_cast<int>(tabs.size()))
            return failure("no tab \"" + which + "\"");
        if (!screen.tabBar->selectTab(index))
            return failure("tab \"" + which + "\" takes no tap now");
    } else if (command == "refresh") {
        if (!screen.table || !screen.table->pullToRefresh())
            return failure("this screen has nothing to refresh");
    } else if (command == "move") {
        if (!needs(2))
            return failure("usage: move FROM TO");
        if (!screen.table || !screen.table->isEditing())
            return failure("the table is not in reorder mode");
        auto from = rowPath(words[1], false);
        if (!from)
            return noRow(words[1]);
        auto to = rowPath(words[2], true);
        if (!to)
            return noRow(words[2]);
        if (!screen.table->moveRow(*from, *to))
            return failure("row " + words[1] + " cannot move to " + words[2]);
    } else if (command == "delete") {
        if (!needs(1))
            return failure("usage: delete ROW");
        if (!screen.table || !screen.table->isEditing())
            return failure("the table is not in reorder mode");
        auto path = rowPath(words[1], false);
        if (!path)
            return noRow(words[1]);
        if (!screen.table->deleteRow(*path))
            return failure("row " + words[1] + " cannot be deleted");
    } else {
        return failure("unknown command \"" + command + "\"");
    }
    settle();
    return result;
}

CommandInterpreter::Result CommandInterpreter::pressTitle(const std::string& title)
{
    TermScreen screen = m_renderer.render();
    std::vector<std::string> titles;
    for (const auto& item : screen.barButtons) {
        if (item->displayTitle() == title) {
            if (!item->isEnabled())
                return failure("the button \"" + title + "\" is off");
            if (!item->press())
                return failure("the button \"" + title + "\" takes no press now");
            return success();
        }
        titles.push_back(item->displayTitle());
    }
    for (const auto& button : screen.buttons) {
        if (button->title() == title) {
            if (!button->tap())
                return failure("the button \"" + title + "\" takes no tap now");
            return success();
        }
        titles.push_back(button->title());
    }
    return failure("no button \"" + title + "\" on screen (there are " + listTitles(titles) + ")");
}

CommandInterpreter::Result CommandInterpreter::push(const std::vector<std::string>& words, const std::string& line)
{
    std::string kind = words.size() >= 2 ? words[1] : std::string();
    std::string argument = after(line, 2);
    if (kind == "token") {
        auto bytes = hexBytes(argument);
        if (!bytes)
            return failure("a token is an even number of hexadecimal digits");
        if (!m_push.deviceToken)
            return failure("push tokens are not handled here");
        m_push.deviceToken(std::move(*bytes));
    } else if (kind == "grant") {
        auto types = grantedTypes(argument);
        if (!types)
            return failure("grant takes none, a number, or badge,sound,alert");
        if (!m_push.grantedTypes)
            return failure("notification settings are not handled here");
        m_push.grantedTypes(*types);
    } else if (kind == "notify") {
        Error error;
        auto payload = JsonParser::parse(argument, &error);
        if (!payload || !payload->isObject())
            return failure("a notification is a JSON object");
        if (!m_push.notification)
            return failure("notifications are not handled here");
        m_push.notification(payload->object());
    } else {
        return failure("usage: push token HEX | push grant TYPES|none | push notify JSON");
    }
    settle();
    return success();
}

int CommandInterpreter::runScript(std::istream& input, const std::string& name, std::ostream& output, std::ostream& errors)
{
    std::string line;
    for (int number = 1; std::getline(input, line); ++number) {
        Result result = execute(line);
        if (!result.ok) {
            errors << name << ":" << number << ": " << trim(line) << ": " << result.message << "\n";
            // What was on screen tells why a script went wrong.
            errors << "The screen then:\n" << m_renderer.render().text << std::flush;
            return 1;
        }
        if (!result.message.empty())
            output << result.message << std::flush;
        if (result.quit)
            return 0;
    }
    return 0;
}

int CommandInterpreter::runInteractive(std::istream& input, std::ostream& output, std::ostream& errors, Prompt prompt)
{
    const char* promptText = prompt == Prompt::Yes ? "> " : "";
    settle();
    std::string shown = m_renderer.render().text;
    output << shown << promptText << std::flush;
    std::string line;
    for (int number = 1; std::getline(input, line); ++number) {
        Result result = execute(line);
        if (!result.ok)
            errors << "line " << number << ": " << trim(line) << ": " << result.message << std::endl;
        if (result.quit)
            return 0;
        std::string now = m_renderer.render().text;
        if (result.ok && !result.message.empty())
            output << result.message;
        else if (now != shown)
            output << now;
        shown = now;
        output << promptText << std::flush;
    }
    return 0;
}

} // namespace quindle
