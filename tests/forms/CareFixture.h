#pragma once
// Shared helpers of the care screen tests: a recording legacy server, the demo resident on the
// reference server, and rows read as one line each, so that a whole section compares at once.

#include "content/ContentFixture.h"
#include "core/Model.h"
#include "forms/BoolView.h"
#include "forms/NumberView.h"
#include "platform/JsonParser.h"
#include "server/Http.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TableView.h"
#include "ui/TableViewCell.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace quindle::test {

inline JsonArrayPtr list(const std::string& json) { return JsonParser::parse(json)->array(); }
inline JsonObjectPtr dict(const std::string& json) { return JsonParser::parse(json)->object(); }

/// A history for the snapshot and its screen; listed newest first: Weight 72, Ate, Weight 70, Weight 68.
inline const char* historyRecords = R"([
    {"name":"Weight","type":"Number","val":"70","lastModified":"2026-12-01 09:00:00","user":"ann"},
    {"name":"Notes","type":"Text","val":"calm","lastModified":"2026-12-05 09:00:00","user":"ann"},
    {"name":"Weight","type":"Number","val":"72","lastModified":"2026-12-03 09:00:00","user":"bob"},
    {"name":"Ate","type":"Bool","val":"0","lastModified":"2026-12-02 09:00:00","user":"bob"},
    {"name":"Mood","type":"Select","val":"Happy","lastModified":"2026-12-04 09:00:00","user":"bob"},
    {"name":"Weight","type":"Number","val":"68","lastModified":"2026-11-30 09:00:00","user":"cy"}])";

/// A row's control as text: a number's value, a yes/no state with its colours, a label's text, a
/// button's title, whether a picture is shown; a box of several joins each with " + ".
inline std::string control(const std::shared_ptr<View>& view)
{
    if (auto number = std::dynamic_pointer_cast<NumberView>(view))
        return "number " + number->state();
    if (auto choice = std::dynamic_pointer_cast<BoolView>(view)) {
        std::string out = "bool " + std::to_string(choice->state());
        if (choice->yesLabel()->textColour() == Colour::fromRGB(1, 0, 0))
            out += " yes red";
        if (choice->noLabel()->textColour() == Colour::fromRGB(0, 1, 0))
            out += " no green";
        return out;
    }
    if (auto label = std::dynamic_pointer_cast<Label>(view))
        return label->text();
    if (auto button = std::dynamic_pointer_cast<Button>(view))
        return button->title();
    if (auto picture = std::dynamic_pointer_cast<ImageView>(view))
        return picture->image() ? "picture " + std::to_string(picture->image()->width()) : "no picture";
    std::string out;
    for (const auto& sub : view->subviews())
        out += (out.empty() ? "" : " + ") + control(sub);
    return out;
}

/// A row as one line: its text, its control in brackets, its detail after " / ", and " >" for a
/// disclosure mark or " v" for a tick.
inline std::string line(TableViewDataSource& source, TableView& table, int section, int row)
{
    auto cell = source.cellForRowAtIndexPath(table, { section, row });
    std::string out = cell->textLabel()->text();
    if (cell->accessoryView())
        out += " [" + control(cell->accessoryView()) + "]";
    if (cell->detailTextLabel() && !cell->detailTextLabel()->text().empty())
        out += " / " + cell->detailTextLabel()->text();
    if (cell->accessoryType() == AccessoryType::DisclosureIndicator)
        out += " >";
    else if (cell->accessoryType() == AccessoryType::Checkmark)
        out += " v";
    return out;
}

/// Every row of a section (of every section for -1), one line each.
inline std::vector<std::string> lines(TableViewDataSource& source, TableView& table, int section = 0)
{
    std::vector<std::string> out;
    const int first = section < 0 ? 0 : section, last = section < 0 ? table.numberOfSections() - 1 : section;
    for (int s = first; s <= last; ++s)
        for (int row = 0; row < source.numberOfRowsInSection(table, s); ++row)
            out.push_back(line(source, table, s, row));
    return out;
}

/// The rows of a section that carry a tick.
inline std::vector<int> ticks(TableViewDataSource& source, TableView& table, int section)
{
    std::vector<int> out;
    for (int row = 0; row < source.numberOfRowsInSection(table, section); ++row)
        if (source.cellForRowAtIndexPath(table, { section, row })->accessoryType() == AccessoryType::Checkmark)
            out.push_back(row);
    return out;
}

/// Records the care screens asked of the shell as "Kind|arg|arg" (and whether one was asked off
/// the main thread), and each resident form's setup whole.
class CareShell : public RecordingShell {
public:
    std::shared_ptr<ViewController> care(const std::string& kind, const std::vector<std::string>& args, JsonObjectPtr object = nullptr,
        EditorCompletion completion = {})
    {
        offMain = offMain || !MainQueue::shared().isMainThread();
        std::string entry = kind;
        for (const std::string& arg : args)
            entry += "|" + arg;
        opened.push_back(entry);
        return record(kind, std::move(object), std::move(completion));
    }
    std::shared_ptr<ViewController> makeMasterViewController(const ResidentFormSetup& setup) override
    {
        forms.push_back(setup);
        return std::make_shared<RecordedEditor>("MasterViewController", setup.formState, EditorCompletion {});
    }
    std::shared_ptr<ViewController> makeHistoryViewController(const std::string& a, const std::string& d, const std::string& n) override
    {
        return care("History", { a, d, n });
    }
    std::shared_ptr<ViewController> makeHistoryGraphViewController(const std::string& d, const std::string& key) override { return care("Graph", { d, key }); }
    std::shared_ptr<ViewController> makeActionViewController(const std::string& n, const JsonObjectPtr& action, const std::string& a) override
    {
        return care("Action", { n, a, action ? action->get("val").asString() : "(none)" });
    }
    std::shared_ptr<ViewController> makeActionListViewController(const JsonArrayPtr& actions, const std::string& n, const std::string& d) override
    {
        return care("ActionList", { std::to_string(actions->size()), n, d });
    }
    std::shared_ptr<ViewController> makeDisplayActionViewController(const std::string& n, const JsonObjectPtr& action) override
    {
        return care("DisplayAction", { n, action->get("val").asString() });
    }
    std::shared_ptr<ViewController> makeIngredientsViewController(const std::string& d) override { return care("Ingredients", { d }); }
    std::shared_ptr<ViewController> makeMenuViewController(const std::string& a, const std::string& t, const std::string& r, const JsonArrayPtr& o) override
    {
        return care("Menu", { a, t, r, o ? std::to_string(o->size()) : "none" });
    }
    std::shared_ptr<ViewController> makeImageEditViewController(const JsonObjectPtr& object, const std::string& parentID, EditorCompletion) override
    {
        return care("ImageEdit", { parentID }, object);
    }
    std::shared_ptr<ViewController> makeAssociateAssetViewController(const std::string& assetID, EditorCompletion completion) override
    {
        return care("AssociateAsset", { assetID }, nullptr, std::move(completion));
    }
    std::vector<std::string> opened;
    std::vector<ResidentFormSetup> forms;
    std::atomic<bool> offMain { false };
};

class CareFixture : public DemoSiteFixture {
protected:
    /// Every target the recording server saw at this path or legacy script (at any for ""), from the last restart on.
    std::vector<std::string> targets(std::string_view path = "")
    {
        std::vector<std::string> out;
        auto all = server.requests();
        for (size_t i = from; i < all.size(); ++i)
            if (path.empty() || all[i].path == path || all[i].path == "/json/" + std::string(path))
                out.push_back(all[i].target);
        return out;
    }
    /// Counts requests from here on, for cases run in a loop.
    void restart() { from = server.requests().size(); }
    bool waitFor(size_t n) { return server.waitForRequests(from + n); }
    /// Waits for `n` requests from the last restart on, then for their replies.
    void answered(size_t n)
    {
        ASSERT_TRUE(waitFor(n));
        settle();
    }
    size_t from = 0;

    /// Answers each legacy script by its name (as "devices.php") from the table, anything else with `other`.
    void serve(std::map<std::string, Reply> replies, Reply other = json("{}", 404))
    {
        server.setResponder([replies, other](const RecordedRequest& request) {
            auto found = replies.find(request.path.substr(request.path.rfind('/') + 1));
            return found == replies.end() ? other : found->second;
        });
    }
    /// Puts the screen at the root of `stack`, loads its table into `table`, then waits for
    /// `requests` requests and their replies.
    template <typename Screen> std::shared_ptr<Screen> show(std::shared_ptr<Screen> screen, size_t requests = 0)
    {
        stack = NavigationController::create(screen);
        table = screen->tableView();
        EXPECT_TRUE(!requests || waitFor(requests));
        settle();
        return screen;
    }
    /// Shows `root` at the bottom of `stack` in a window of the idiom.
    void present(const std::shared_ptr<ViewController>& root, UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone)
    {
        window = Window::create(Window::defaultBounds, idiom);
        stack = NavigationController::create(root);
        window->setRootViewController(stack);
        window->makeKeyAndVisible();
    }
    template <typename T> std::shared_ptr<T> top() { return std::dynamic_pointer_cast<T>(stack->topViewController()); }
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> stack;
    std::shared_ptr<TableView> table;

    static std::string decode(std::string_view value) { return http::percentDecode(value, false); }
    /// The query value of `key` in a target, as sent.
    static std::string query(const std::string& target, const std::string& key)
    {
        size_t from = target.find((target.find('?' + key + '=') != std::string::npos ? '?' : '&') + key + '=');
        if (from == std::string::npos)
            return "<none>";
        from += key.size() + 2;
        return target.substr(from, target.find('&', from) - from);
    }
    /// Seconds from now of the date a target carries.
    static long secondsAhead(const std::string& target)
    {
        auto date = Model::dateFromServerDateString(decode(query(target, "date")));
        EXPECT_TRUE(date) << target;
        return date ? long(std::chrono::duration_cast<std::chrono::seconds>(*date - DateFormat::now()).count()) : -1000000;
    }

    /// The reply of a legacy script on the reference server, or null.
    static JsonObjectPtr legacy(const std::string& script)
    {
        Collector got;
        model().requestWithURL(model().legacyBaseURL() + script, got.handler());
        Outcome outcome = got.single();
        return outcome.content && outcome.content->isObject() ? outcome.content->object() : nullptr;
    }
    /// The demo owner logged in; the first resident, their "Daily care" document and its form.
    struct DailyCare {
        std::string person, document, form;
    };
    DailyCare dailyCare()
    {
        DailyCare care;
        EXPECT_TRUE(logInDemoOwner());
        auto people = legacy("start.php");
        if (!people || !people->get("list").array())
            return care;
        care.person = people->get("list").array()->at(0).object()->get("assetID").asString();
        auto documents = legacy("start.php?a=" + care.person);
        for (auto& doc : documents && documents->get("list").array() ? documents->get("list").array()->items() : std::vector<JsonValue> {})
            if (doc.object()->get("name").asString() == "Daily care") {
                care.document = doc.object()->get("assetID").asString();
                care.form = doc.object()->get("formID").asString();
            }
        EXPECT_FALSE(care.document.empty());
        return care;
    }

    ShellGuard shell;
};

} // namespace quindle::test
