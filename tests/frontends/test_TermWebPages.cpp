// The text client's view of web pages, and the history with its graph walked there against the
// reference server.
#include "frontends/term/TermWebPages.h"

#include "content/ContentFixture.h"
#include "forms/HistoryGraphViewController.h"
#include "forms/HistoryViewController.h"
#include "frontends/term/CommandInterpreter.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

class GraphShell : public RecordingShell {
public:
    std::shared_ptr<ViewController> makeHistoryGraphViewController(const std::string& resDocID, const std::string& key) override
    {
        return HistoryGraphViewController::create(Model::defaultInstance(), resDocID, key);
    }
};

class TermHistory : public ReferenceServerFixture {
protected:
    std::string careDocument()
    {
        Collector people, documents;
        model().requestWithURL(model().legacyBaseURL() + "start.php", people.handler());
        const std::string person = people.single().content->object()->get("list").array()->at(0).object()->get("assetID").asString();
        model().requestWithURL(model().legacyBaseURL() + "start.php?a=" + person, documents.handler());
        const JsonArrayPtr list = documents.single().content->object()->get("list").array();
        for (auto& d : *list)
            if (d.object()->get("name").asString() == "Daily care")
                return d.object()->get("assetID").asString();
        return {};
    }
};

} // namespace

TEST(TermWebPages, PageText)
{
    struct Case {
        const char* html;
        const char* text;
    } cases[] = {
        { "<html><head><title>Graph</title><style>p{}</style></head><body><h3>Weight</h3><p>24 values, latest 59</p>"
          "<svg><text>61</text></svg></body></html>",
            "Weight | 24 values, latest 59 | [chart]" },
        { "<p>No recorded numbers for A&amp;B &lt;x&gt;</p>", "No recorded numbers for A&B <x>" },
        { "<p>  two\n  lines  </p><br/>x", "two lines | x" },
        { "<svg unclosed", "[chart]" },
        { "plain &bogus; <b>bold</b> <", "plain &bogus; bold" },
        { "", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(TermWebPages::textOf(c.html), c.text) << c.html;
}

TEST_F(TermHistory, HistoryListAndGraphSummary)
{
    ASSERT_TRUE(logInAsDemoOwner());
    const std::string document = careDocument();
    ASSERT_FALSE(document.empty());
    ApplicationShell::setShared(std::make_shared<GraphShell>());
    auto window = Window::create();
    window->setRootViewController(NavigationController::create(HistoryViewController::create(model(), "", document, "Arthur Penrose")));
    window->makeKeyAndVisible();
    CommandInterpreter term(window, model().httpClient());
    for (const char* line : { "wait", "expect Title: History", "expect Arthur Penrose", "expect Graph  >", "expect Weight (80.5)  ",
             "expect Took medication (Yes)", "reject Notes (", "tap 1", "wait", "expect Title: Graph",
             "expect Diastolic BP | 42 values, latest ", "expect Weight | 24 values, latest 80.5 on 2026-12-04 | [chart]" }) {
        auto result = term.execute(line);
        EXPECT_TRUE(result.ok) << line << ": " << result.message << "\n" << term.render().text;
    }
    ApplicationShell::setShared(nullptr);
}
