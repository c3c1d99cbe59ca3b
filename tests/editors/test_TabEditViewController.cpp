// The site editor: its rows, the two alerts (each button runs only its own alert's action),
// the rename and image removal with good and refused replies, and the image chooser.

#include "editors/TabEditViewController.h"

#include "PageEditorFixture.h"
#include "platform/JsonParser.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class TabEdit : public PageEditorFixture {
protected:
    void open()
    {
        editor = TabEditViewController::create();
        pageStack->pushViewController(editor, Animated::No);
        table = editor->tableView();
    }
    void useTab(const std::string& json) { model().setTab(JsonParser::parse(json)->object()); }
    std::string failure() { return editor->failureAlert() ? editor->failureAlert()->title() : std::string("(none)"); }

    std::shared_ptr<TabEditViewController> editor;
    std::shared_ptr<TableView> table;
};

const char* const tabJson = R"({"AssetId":"5","Type":"Tabbar","Name":"Sunny Care","ImageUrl":"http://x/a.jpg"})";

TEST_F(TabEdit, RowsTitleAndTabImage)
{
    open();
    EXPECT_EQ(editor->title(), "Edit Tabs");
    EXPECT_EQ(editor->tabBarItem().imageName, "first.png");
    std::vector<std::string> shown;
    for (const VisibleRow& row : table->layoutAllRows().rows)
        shown.push_back(row.cell->textLabel()->text() + "/" + row.cell->reuseIdentifier());
    EXPECT_EQ(shown, (std::vector<std::string> { "Set site image/TabsCell", "Clear site image/TabsCell", "Change site name/TabsCell" }));
}

TEST_F(TabEdit, AlertsRunOnlyTheirOwnActions)
{
    answer(200, R"({"Message":{"AssetId":"5"}})");
    struct Case {
        const char* name;
        std::vector<int> rows; // opened in this order
        const char* alert;     // whose button is chosen
        const char* button;
        const char* typed;     // into the name field, when set
        std::vector<std::string> targets;
        const char* nameAfter;
        bool imageAfter;
    } cases[] = {
        { "cancel the name", { 2 }, "name", "Cancel", "Typed", {}, "Sunny Care", true },
        { "cancel the removal", { 1 }, "clear", "Cancel", nullptr, {}, "Sunny Care", true },
        { "name then clear: Remove", { 2, 1 }, "clear", "Remove", "Typed", { "linkImage" }, "Sunny Care", false },
        { "rename", { 2 }, "name", "OK", "Sunny Care Home", { "setName" }, "Sunny Care Home", true },
    };
    size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        useTab(tabJson);
        open();
        for (int row : c.rows)
            row == 1 ? editor->clearSiteImage() : editor->changeSiteName();
        EXPECT_EQ(editor->openAlert(), c.rows.back() == 1 ? TabEditViewController::OpenAlert::ClearImage : TabEditViewController::OpenAlert::ChangeName);
        if (c.typed) {
            auto field = editor->nameAlert()->textFieldAtIndex(0);
            EXPECT_EQ(field->text(), "Sunny Care");
            field->type(c.typed);
        }
        auto alert = std::string(c.alert) == "name" ? editor->nameAlert() : editor->clearImageAlert();
        ASSERT_TRUE(alert);
        ASSERT_TRUE(alert->chooseButtonWithTitle(c.button));
        if (!c.targets.empty())
            server.waitForRequests(sent + c.targets.size());
        settle();
        auto requests = server.requests();
        ASSERT_EQ(requests.size(), sent + c.targets.size());
        for (size_t i = 0; i < c.targets.size(); ++i)
            EXPECT_EQ(requests[sent + i].target, base() + c.targets[i]);
        if (std::string(c.button) == "Remove") {
            EXPECT_EQ(requests.back().body, R"({"assetid":"5","selectedimageid":"0"})");
        } else if (std::string(c.button) == "OK") {
            EXPECT_EQ(requests.back().body, R"({"assetid":"5","name":"Sunny Care Home"})");
        }
        sent = requests.size();
        EXPECT_EQ(asset::name(model().tab()), c.nameAfter);
        EXPECT_EQ(model().tab()->contains("ImageUrl"), c.imageAfter);
        EXPECT_EQ(failure(), "(none)");
        while (auto shown = window->topAlert())
            shown->chooseButton(0);
        pageStack->popViewController(Animated::No);
    }
}

TEST_F(TabEdit, RefusedChangesKeepTheSiteAsItWas)
{
    answer(500, R"({"Error":"down"})");
    useTab(tabJson);
    open();
    editor->changeSiteName();
    editor->nameAlert()->textFieldAtIndex(0)->type("Other");
    editor->nameAlert()->chooseButtonWithTitle("OK");
    settleRecording(1);
    EXPECT_EQ(asset::name(model().tab()), "Sunny Care");
    EXPECT_EQ(failure(), "Not saved");
    EXPECT_EQ(editor->failureAlert()->buttonTitles(), std::vector<std::string> { "OK" });
    editor->failureAlert()->chooseButton(0);

    editor->clearSiteImage();
    editor->clearImageAlert()->chooseButtonWithTitle("Remove");
    settleRecording(2);
    EXPECT_EQ(model().tab()->get("ImageUrl").asString(), "http://x/a.jpg");
    EXPECT_EQ(failure(), "Image not removed");
}

TEST_F(TabEdit, SetSiteImageAddsToTheTabAndClosesWhenStored)
{
    useTab(tabJson);
    open();
    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    ASSERT_EQ(shell->requests.size(), 1u);
    EXPECT_EQ(shell->requests[0].object, model().tab());
    EXPECT_EQ(shell->requests[0].mode, ImageSelectionMode::Add);
    EXPECT_EQ(pageStack->topViewController(), shell->requests[0].screen);
    std::thread([&] { shell->requests[0].completion(std::nullopt); }).join();
    settle();
    EXPECT_EQ(pageStack->topViewController(), shell->requests[0].screen) << "a failed choice leaves the chooser open";
    std::thread([&] { shell->requests[0].completion(JsonValue("stored")); }).join();
    settle();
    EXPECT_EQ(pageStack->topViewController(), editor);
}

TEST_F(TabEdit, ReferenceServerRenamesAndClearsTheSite)
{
    loginToReference();
    AssetRecord tab = model().tab();
    ASSERT_TRUE(tab);
    open();
    editor->changeSiteName();
    editor->nameAlert()->textFieldAtIndex(0)->type("Harbour View");
    editor->nameAlert()->chooseButtonWithTitle("OK");
    settle();
    editor->clearSiteImage();
    editor->clearImageAlert()->chooseButtonWithTitle("Remove");
    settle();
    EXPECT_EQ(failure(), "(none)");
    EXPECT_EQ(asset::name(tab), "Harbour View");
    Collector fetch;
    model().fetchTabbarForAssetID(asset::ident(tab).value_or(""), fetch.handler());
    Outcome outcome = fetch.single();
    ASSERT_TRUE(outcome.content);
    JsonValue bar = *outcome.content;
    ASSERT_TRUE(bar.isObject()) << "getTabbar answers with the site record";
    EXPECT_EQ(asset::name(bar.object()), "Harbour View");
    EXPECT_FALSE(bar.object()->contains("ImageUrl"));
}

} // namespace
