// The graph screen's page address, and the page it shows following the values recorded on the
// reference server.
#include "forms/HistoryGraphViewController.h"

#include "content/ContentFixture.h"
#include "ui/WebView.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

using namespace quindle;
using namespace quindle::test;

namespace {

class HistoryGraph : public ReferenceServerFixture {
protected:
    /// The page at the address, fetched with the session as the web view does.
    std::string fetch(const std::string& url)
    {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<std::string> body;
        bool finished = false;
        HttpRequest get;
        get.url = url;
        model().sendAsynchronousRequest(std::move(get), [&](std::optional<std::string> data, std::optional<Error>) {
            std::lock_guard lock(mutex);
            body = std::move(data);
            finished = true;
            done.notify_all();
        });
        std::unique_lock lock(mutex);
        done.wait_for(lock, std::chrono::seconds(10), [&] { return finished; });
        return body.value_or("");
    }
    JsonObjectPtr payload(const std::string& url)
    {
        Collector c;
        model().requestWithURL(model().legacyBaseURL() + url, c.handler());
        auto outcome = c.single();
        return outcome.content && outcome.content->isObject() ? outcome.content->object() : nullptr;
    }
};

} // namespace

TEST_F(HistoryGraph, LoadsTheServersPageForTheDocument)
{
    struct Case {
        const char* key;
        std::string path;
    } cases[] = {
        { "", "/json/Naked.php?a=77" },
        { "Weight", "/json/Naked.php?a=77&key=Weight" },
        { "Fluid intake (ml) & more", "/json/Naked.php?a=77&key=Fluid%20intake%20%28ml%29%20%26%20more" },
    };
    for (const Case& c : cases) {
        auto screen = HistoryGraphViewController::create(model(), "77", c.key);
        EXPECT_EQ(screen->title(), "Graph");
        EXPECT_EQ(screen->webView()->url(), server.url() + c.path) << c.key;
        EXPECT_EQ(screen->webView()->loadCount(), 1u);
    }
}

TEST_F(HistoryGraph, ThePageFollowsANewlyRecordedValue)
{
    ASSERT_TRUE(logInAsDemoOwner());
    const std::string person = payload("start.php")->get("list").array()->at(0).object()->get("assetID").asString();
    std::string document, form;
    const JsonArrayPtr documents = payload("start.php?a=" + person)->get("list").array();
    for (auto& d : *documents)
        if (d.object()->get("name").asString() == "Daily care") {
            document = d.object()->get("assetID").asString();
            form = d.object()->get("formID").asString();
        }
    std::string entry;
    const JsonArrayPtr entries = payload("start.php?a=" + form)->get("list").array();
    for (auto& e : *entries)
        if (e.object()->get("name").asString() == "Systolic BP")
            entry = e.object()->get("assetID").asString();
    ASSERT_FALSE(entry.empty());

    auto screen = HistoryGraphViewController::create(model(), document, "Systolic BP");
    const std::string before = fetch(screen->webView()->url());
    ASSERT_NE(before.find(">Systolic BP</h3>"), std::string::npos) << before.substr(0, 400);
    EXPECT_EQ(before.find("latest 187 "), std::string::npos);
    auto reply = payload("handleForm.php?f=" + entry + "&c=" + person + "&name=Systolic%20BP&val=187&type=Number");
    ASSERT_TRUE(reply && reply->get("list").isObject());
    const std::string after = fetch(screen->webView()->url());
    EXPECT_NE(after, before);
    EXPECT_NE(after.find("latest 187 "), std::string::npos);
    EXPECT_NE(after.find(">187</text>"), std::string::npos); // the new top of the value axis
}
