#include "app/AppFixture.h"
#include "app/UserViewController.h"
#include "editors/ColorWheelViewController.h"
#include "editors/TextEditorFontViewController.h"
#include "editors/TextEditorSizeViewController.h"
#include "platform/JsonParser.h"
#include "ui/RecordingObserver.h"

namespace quindle::test {
namespace {

class AccountDefaultStyleTest : public AppFixture {
protected:
    /// Logs in against a recording server whose login reply carries the user's defaults;
    /// "updateDefaultOptions" answers with `saveStatus`.
    RecordingServer& logIn(int saveStatus = 200)
    {
        auto& recorder = useRecordingServer([saveStatus](const RecordedRequest& request) {
            Reply reply;
            if (request.path.find("login") != std::string::npos)
                reply.body = R"({"Message":{"AuthToken":"t1","User":{"DefaultOptions":"Georgia:18:0.10,0.20,0.30:1.00,0.50,0.00"}}})";
            else if (request.path.ends_with("updateDefaultOptions") && saveStatus != 200)
            {
                reply.status = saveStatus;
                reply.body = R"({"error":"no"})";
            }
            else
                reply.body = R"({"Message":"ok"})";
            return reply;
        });
        model().loginWithUsername("a@b.c", "pw", {});
        settle();
        return recorder;
    }
};

TEST_F(AccountDefaultStyleTest, ChoosersReplaceTheDefaultsAndOnlyFontAndSizeRedraw)
{
    auto& recorder = logIn();
    auto account = UserViewController::create(model());
    auto stack = present(account);
    auto observer = std::make_shared<RecordingObserver>();
    account->tableView()->setObserver(observer);
    auto reloads = [&] { return std::ranges::count_if(observer->tables, [](auto& e) { return e.change == RowChange::ReloadAll; }); };

    struct Step {
        int row;
        std::function<void(ViewController&)> choose;
        bool redraws;
    };
    const Step steps[] = {
        { 2, [](ViewController& top) {
             auto& fonts = dynamic_cast<TextEditorFontViewController&>(top);
             EXPECT_EQ(fonts.selection(), "Georgia");
             fonts.tableView()->selectRow({ 0, 1 }); // "Courier", "Helvetica"
         }, true },
        { 3, [](ViewController& top) {
             auto& sizes = dynamic_cast<TextEditorSizeViewController&>(top);
             EXPECT_EQ(sizes.selection(), "18");
             sizes.tableView()->selectRow({ 0, 0 });
         }, true },
        { 4, [](ViewController& top) {
             auto& wheel = dynamic_cast<ColorWheelViewController&>(top);
             EXPECT_EQ(wheel.currentWellView()->colour(), (Colour { 0.1, 0.2, 0.3, 1 }));
             wheel.save(); // white: the cursor is still in the middle
         }, false },
        { 5, [](ViewController& top) {
             auto& wheel = dynamic_cast<ColorWheelViewController&>(top);
             EXPECT_EQ(wheel.currentWellView()->colour(), (Colour { 1, 0.5, 0, 1 }));
             wheel.brightnessSlider()->slide(0.5);
             wheel.save();
         }, false },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.row);
        auto before = reloads();
        account->tableView()->selectRow({ 0, step.row });
        auto top = stack->topViewController();
        ASSERT_NE(top, account);
        step.choose(*top);
        EXPECT_EQ(stack->topViewController(), account); // the chooser closed
        EXPECT_EQ(reloads() - before, step.redraws ? 1 : 0);
    }
    EXPECT_EQ(account->fontName(), "Helvetica");
    EXPECT_EQ(account->size(), "12");
    EXPECT_EQ(account->textColour(), Colour::white());

    size_t before = recorder.requests().size();
    account->save();
    ASSERT_TRUE(recorder.waitForRequests(before + 1));
    auto body = JsonParser::parse(recorder.requests().back().body);
    ASSERT_TRUE(body && body->isObject());
    EXPECT_EQ(body->object()->size(), 1u);
    EXPECT_EQ(body->object()->get("toptions").asString(), "Helvetica:12:1.00,1.00,1.00:0.50,0.50,0.50");
    settle();
    EXPECT_FALSE(window->topAlert()); // a stored save shows nothing
}

TEST_F(AccountDefaultStyleTest, AFailedSaveSaysSo)
{
    logIn(500);
    auto account = UserViewController::create(model());
    present(account);
    account->save();
    ASSERT_TRUE(runUntil([&] { return window->topAlert() != nullptr; }));
    EXPECT_EQ(window->topAlert()->title(), "Not saved");
    EXPECT_EQ(window->topAlert()->buttonTitles(), std::vector<std::string> { "OK" });
    EXPECT_EQ(account->fontName(), "Georgia"); // the choices stay for another try
}

} // namespace
} // namespace quindle::test
