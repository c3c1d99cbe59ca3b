// The directory, site and workflow editors: their rows, the carousel switch and style chooser,
// the rename, image reset and link requests with good and refused replies, the hand-over to
// the page's table and to the image chooser. (The text client's tests run them against the
// reference server too.)

#include "editors/AssociateAssetViewController.h"
#include "editors/CarouselTypeViewController.h"
#include "editors/EditDirectoryViewController.h"
#include "editors/TabEditViewController.h"

#include "content/CarouselCell.h"
#include "editors/EditorFixture.h"
#include "platform/JsonParser.h"
#include "ui/TextField.h"

#include <functional>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

AssetRecord record(const std::string& json) { return JsonParser::parse(json)->object(); }

std::string titleOf(const std::shared_ptr<AlertView>& alert) { return alert ? alert->title() : std::string("(none)"); }

class EditDirectory : public EditorFixture {
protected:
    /// Opens the editor as the coordinator does: modally, in a stack of its own, over the page.
    void open(AssetRecord opened)
    {
        object = std::move(opened);
        editor = EditDirectoryViewController::create(object, page, [this](std::optional<JsonValue> answer) {
            answers.push_back(std::move(answer));
            answeredOnMain.push_back(MainQueue::shared().isMainThread());
        });
        present(editor);
        table = editor->tableView();
    }
    std::string label(int row) { return editor->cellForRowAtIndexPath(*table, { 0, row })->textLabel()->text(); }
    void tap(int row) { ASSERT_TRUE(table->selectRow({ 0, row })); }

    AssetRecord object;
    std::shared_ptr<EditDirectoryViewController> editor;
    std::shared_ptr<TableView> table;
    std::vector<std::optional<JsonValue>> answers;
    std::vector<bool> answeredOnMain;
};

TEST_F(EditDirectory, RowsShowTheirLabelsAndTheNameField)
{
    open(record(R"({"AssetId":"7","Name":"Gallery","name":"stale","Type":"Directory"})"));
    EXPECT_EQ(editor->title(), "Edit Directory");
    EXPECT_EQ(editor->labels(), (std::vector<std::string> { "Change name", "", "Set image", "Clear image", "Edit table", "Carousel", "Carousel type" }));
    std::vector<std::string> shown;
    for (int row : { 0, 2, 3, 4, 5, 6 })
        shown.push_back(label(row));
    EXPECT_EQ(shown, (std::vector<std::string> { "Change name", "Set image", "Clear image", "Edit table", "Carousel off", "Carousel type" }));
    EXPECT_EQ(editor->cellForRowAtIndexPath(*table, { 0, 1 }), editor->nameCell());
    EXPECT_EQ(editor->nameField()->text(), "Gallery") << "the record's own name key is read";
    EXPECT_EQ(editor->cellForRowAtIndexPath(*table, { 0, 2 })->accessoryType(), AccessoryType::DisclosureIndicator);
    EXPECT_EQ(editor->leftBarButtonItem()->systemItem(), SystemItem::Cancel);
    EXPECT_EQ(editor->rightBarButtonItem()->systemItem(), SystemItem::Save);
}

// The switch and the chosen style are written to the record before the request, kept when
// stored and undone when refused; a carousel change does not close the editor.
TEST_F(EditDirectory, CarouselSwitchAndStyleAreStoredBeforeSending)
{
    struct Case {
        const char* name;
        int status;
        const char* json;
        const char* shownBefore;
        long style; // -1: the switch row
        const char* sentOption;
        const char* shownAfter;
        const char* failure;
    } cases[] = {
        { "style 3 switches off", 200, R"({"AssetId":"7","options":"Carousel:3"})", "Carousel on", -1, "", "Carousel off", "(none)" },
        { "missing switches on", 200, R"({"AssetId":"7"})", "Carousel off", -1, "Carousel", "Carousel on", "(none)" },
        { "number switches on", 200, R"({"AssetId":"7","options":5})", "Carousel off", -1, "Carousel", "Carousel on", "(none)" },
        { "row 8 chooses CoverFlow2", 200, R"({"AssetId":"7","options":""})", "Carousel off", 8, "Carousel:8", "Carousel on", "(none)" },
        { "refused switch is undone", 403, R"({"AssetId":"7","options":"Carousel:3"})", "Carousel on", -1, "", "Carousel on",
            "Carousel not changed" },
    };
    size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answer(c.status, c.status == 200 ? R"({"Message":{"AssetId":"7","options":"x"}})" : R"({"Error":"not yours"})");
        open(record(c.json));
        const std::string before = object->get("options").asString();
        EXPECT_EQ(label(5), c.shownBefore);
        if (c.style < 0) {
            tap(5);
        } else {
            tap(6);
            auto chooser = std::dynamic_pointer_cast<CarouselTypeViewController>(editor->navigationController()->topViewController());
            ASSERT_TRUE(chooser);
            EXPECT_EQ(chooser->object(), object);
            chooser->completionHandler()(c.style);
            EXPECT_EQ(editor->navigationController()->topViewController(), editor) << "the chooser is popped";
        }
        EXPECT_EQ(object->get("options").asString(), c.sentOption) << "written before the reply";
        settleRecording(++sent);
        EXPECT_EQ(server.requests().back().target, base() + "setCarousel?assetid=7&option=" + c.sentOption);
        EXPECT_EQ(object->get("options").asString(), c.status == 200 ? c.sentOption : before);
        EXPECT_EQ(label(5), c.shownAfter);
        EXPECT_EQ(titleOf(editor->failureAlert()), c.failure);
        if (editor->failureAlert()) {
            EXPECT_EQ(editor->failureAlert()->buttonTitles(), std::vector<std::string> { "OK" });
            EXPECT_EQ(window->topAlert(), editor->failureAlert());
            editor->failureAlert()->chooseButton(0);
        }
        EXPECT_TRUE(answers.empty());
    }
    open(record(R"({"AssetId":"7"})"));
    editor->chooseCarouselStyle(4);
    settleRecording(++sent);
    EXPECT_FALSE(object->contains("options")) << "an absent setting refused stays absent";
}

TEST_F(EditDirectory, RenameAndImageResetChangeTheRecordOnlyWhenStored)
{
    const std::string typed = "Photos/2026 & more";
    struct Case {
        const char* name;
        int status;
        const char* body;
        int row; // -1: Save
        std::string target;
        std::function<void(const AssetRecord&)> check;
    } cases[] = {
        { "rename stored", 200, R"({"Message":{"assetID":"7","name":"Photos"}})", -1, "/json/setName.php?a=7&name=Photos%2f2026%20%26%20more",
            [&](const AssetRecord& r) {
                EXPECT_EQ(asset::name(r), typed);
                EXPECT_EQ(r->get("name").asString(), typed);
                EXPECT_FALSE(r->contains("Cell"));
                ASSERT_EQ(answers.size(), 1u);
                EXPECT_EQ(answers[0]->object()->get("name").asString(), "Photos");
                EXPECT_EQ(answeredOnMain, std::vector<bool> { true });
            } },
        { "rename refused", 404, R"({"Error":"unknown id"})", -1, "/json/setName.php?a=7&name=Photos%2f2026%20%26%20more",
            [&](const AssetRecord& r) {
                EXPECT_EQ(asset::name(r), "Gallery");
                EXPECT_TRUE(r->contains("Cell"));
                EXPECT_EQ(editor->nameField()->text(), typed) << "the typing is kept to try again";
                EXPECT_EQ(titleOf(editor->failureAlert()), "Not saved");
                EXPECT_TRUE(answers.empty());
            } },
        { "reset stored", 200, R"({"Message":{"assetID":"7"}})", 3, "/json/resetImage.php?a=7",
            [&](const AssetRecord& r) {
                for (const char* key : { "image", "assVal", "ImageUrl" })
                    EXPECT_FALSE(r->contains(key)) << key;
                EXPECT_EQ(answers.size(), 1u);
            } },
        { "reset refused", 200, R"({"Error":"no message"})", 3, "/json/resetImage.php?a=7",
            [&](const AssetRecord& r) {
                for (const char* key : { "image", "assVal", "ImageUrl" })
                    EXPECT_TRUE(r->contains(key)) << key;
                EXPECT_EQ(titleOf(editor->failureAlert()), "Image not cleared");
                EXPECT_TRUE(answers.empty());
            } },
    };
    size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answers.clear();
        answeredOnMain.clear();
        answer(c.status, c.body);
        open(record(R"({"AssetId":"7","Type":"Directory","Name":"Gallery","name":"Gallery","Cell":1,"image":"i","assVal":"u","ImageUrl":"u"})"));
        if (c.row < 0) {
            editor->cellForRowAtIndexPath(*table, { 0, 1 });
            ASSERT_TRUE(editor->nameField()->type(typed));
            editor->rightBarButtonItem()->press();
        } else {
            tap(c.row);
        }
        settleRecording(++sent);
        EXPECT_EQ(server.requests().back().method, "GET");
        EXPECT_EQ(server.requests().back().target, c.target);
        c.check(object);
        // The editor stays for its opener to close.
        EXPECT_EQ(root->presentedViewController()->visibleViewController(), editor);
        if (auto alert = window->topAlert())
            alert->chooseButtonWithTitle("OK");
    }
}

TEST_F(EditDirectory, EditTableHandsOverToThePageAndCancelSendsNothing)
{
    open(record(R"({"AssetId":"7","Name":"Gallery"})"));
    tap(0);
    EXPECT_EQ(root->presentedViewController()->visibleViewController(), editor) << "the name row opens nothing";
    editor->leftBarButtonItem()->press();
    settle();
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_TRUE(page->calls.empty());

    // Edit table closes the editor first, then hands over to the page.
    open(record(R"({"AssetId":"7"})"));
    tap(4);
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_EQ(page->calls, (std::vector<std::string> { "setTableEditing YES animated", "editTable" }));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(answers.empty());
}

TEST_F(EditDirectory, SetImagePushesTheChooserInLinkModeAndPassesOnWhatItStores)
{
    open(record(R"({"AssetId":"7"})"));
    tap(2);
    ASSERT_EQ(shell->editors.size(), 1u);
    EXPECT_EQ(shell->editors[0]->object, object);
    EXPECT_EQ(shell->editors[0]->imageMode, ImageSelectionMode::Link);
    EXPECT_EQ(editor->navigationController()->topViewController(), shell->editors[0]);
    // The chooser answers on the callback thread.
    std::thread([&] {
        shell->editors[0]->completion(std::nullopt);
        shell->editors[0]->completion(JsonValue("stored"));
    }).join();
    settle();
    ASSERT_EQ(answers.size(), 1u) << "a failed choice is not news for the opener";
    EXPECT_EQ(answers[0]->asString(), "stored");
    EXPECT_EQ(answeredOnMain, std::vector<bool> { true });
}

TEST(CarouselTypeViewController, PreviewsEveryStyleAndReportsTheChosenOne)
{
    MainQueue::shared().makeCurrentThreadMain();
    std::vector<long> reported;
    auto chooser = CarouselTypeViewController::create(JsonObject::create(), [&](long style) { reported.push_back(style); });
    auto table = chooser->tableView();
    EXPECT_EQ(chooser->title(), "Select carousel type");
    EXPECT_EQ(chooser->types().at(8), "CoverFlow2");
    EXPECT_EQ(chooser->types().back(), "Custom");
    TableLayout layout = table->layoutAllRows();
    ASSERT_EQ(layout.rows.size(), 12u);
    for (const VisibleRow& row : layout.rows) {
        SCOPED_TRACE(row.indexPath.row);
        EXPECT_EQ(row.frame.height, 110);
        auto cell = std::dynamic_pointer_cast<CarouselCell>(row.cell);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->reuseIdentifier(), "CarouselCell");
        EXPECT_EQ(cell->type(), row.indexPath.row);
        EXPECT_EQ(static_cast<int>(cell->carousel()->type()), row.indexPath.row);
        EXPECT_EQ(cell->height(), 100);
        EXPECT_FALSE(cell->object());
        EXPECT_EQ(cell->carousel()->numberOfItems(), CarouselCell::previewItemCount);
    }
    EXPECT_TRUE(table->selectRow({ 0, 8 }));
    auto preview = std::dynamic_pointer_cast<CarouselCell>(layout.rows[3].cell);
    preview->didSelectItemAtIndex(*preview->carousel(), 2);
    EXPECT_EQ(reported, (std::vector<long> { 8, 3 })) << "a row and a tapped preview report their style";
}

class TabEdit : public EditorFixture {
protected:
    void open()
    {
        editor = TabEditViewController::create();
        pageStack->pushViewController(editor, Animated::No);
        table = editor->tableView();
    }
    void useTab() { model().setTab(record(R"({"AssetId":"5","Type":"Tabbar","Name":"Sunny Care","ImageUrl":"http://x/a.jpg"})")); }
    void rename(const std::string& name)
    {
        editor->changeSiteName();
        editor->nameAlert()->textFieldAtIndex(0)->type(name);
        editor->nameAlert()->chooseButtonWithTitle("OK");
    }
    void clearImage()
    {
        editor->clearSiteImage();
        editor->clearImageAlert()->chooseButtonWithTitle("Remove");
    }

    std::shared_ptr<TabEditViewController> editor;
    std::shared_ptr<TableView> table;
};

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

// Each button runs only its own alert's action.
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
        useTab();
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
        EXPECT_EQ(titleOf(editor->failureAlert()), "(none)");
        while (auto shown = window->topAlert())
            shown->chooseButton(0);
        pageStack->popViewController(Animated::No);
    }
}

TEST_F(TabEdit, RefusedChangesKeepTheSiteAsItWas)
{
    answer(500, R"({"Error":"down"})");
    useTab();
    open();
    rename("Other");
    settleRecording(1);
    EXPECT_EQ(asset::name(model().tab()), "Sunny Care");
    EXPECT_EQ(titleOf(editor->failureAlert()), "Not saved");
    EXPECT_EQ(editor->failureAlert()->buttonTitles(), std::vector<std::string> { "OK" });
    editor->failureAlert()->chooseButton(0);
    clearImage();
    settleRecording(2);
    EXPECT_EQ(model().tab()->get("ImageUrl").asString(), "http://x/a.jpg");
    EXPECT_EQ(titleOf(editor->failureAlert()), "Image not removed");
}

TEST_F(TabEdit, SetSiteImageAddsToTheTabAndClosesWhenStored)
{
    useTab();
    open();
    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    ASSERT_EQ(shell->editors.size(), 1u);
    auto chooser = shell->editors[0];
    EXPECT_EQ(chooser->object, model().tab());
    EXPECT_EQ(chooser->imageMode, ImageSelectionMode::Add);
    EXPECT_EQ(pageStack->topViewController(), chooser);
    std::thread([&] { chooser->completion(std::nullopt); }).join();
    settle();
    EXPECT_EQ(pageStack->topViewController(), chooser) << "a failed choice leaves the chooser open";
    std::thread([&] { chooser->completion(JsonValue("stored")); }).join();
    settle();
    EXPECT_EQ(pageStack->topViewController(), editor);
}

TEST_F(TabEdit, ReferenceServerRenamesAndClearsTheSite)
{
    loginToReference();
    AssetRecord tab = model().tab();
    ASSERT_TRUE(tab);
    open();
    rename("Harbour View");
    settle();
    clearImage();
    settle();
    EXPECT_EQ(titleOf(editor->failureAlert()), "(none)");
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

class Associate : public EditorFixture {
protected:
    void open(const std::string& assetID)
    {
        screen = AssociateAssetViewController::create(assetID, [this](std::optional<JsonValue> answer) { answers.push_back(std::move(answer)); });
        pageStack->pushViewController(screen, Animated::No);
        table = screen->tableView();
    }
    std::shared_ptr<AssociateAssetViewController> screen;
    std::shared_ptr<TableView> table;
    std::vector<std::optional<JsonValue>> answers;
};

// The session's workflows are the rows; a row links its workflow to the item.
TEST_F(Associate, LinksTheChosenWorkflowOnTheReferenceServer)
{
    loginToReference();
    JsonArrayPtr workflows = model().workflow();
    ASSERT_TRUE(workflows && workflows->size() >= 2);
    const std::string first = workflows->at(0).object()->get("assetID").asString();
    open(workflows->at(1).object()->get("assetID").asString());
    ASSERT_EQ(table->numberOfRowsInSection(0), static_cast<int>(workflows->size()));
    TableLayout layout = table->layoutAllRows();
    EXPECT_EQ(layout.rows[0].cell->reuseIdentifier(), "assCell");
    EXPECT_EQ(layout.rows[0].cell->textLabel()->text(), workflows->at(0).object()->get("name").asString());

    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    settle();
    ASSERT_EQ(answers.size(), 1u);
    JsonArrayPtr linked = answers[0]->isObject() ? answers[0]->object()->get("list").array() : nullptr;
    ASSERT_TRUE(linked);
    ASSERT_EQ(linked->size(), 1u);
    EXPECT_EQ(linked->at(0).object()->get("assetID").asString(), first);

    // Linking a workflow to itself is refused: no report, an alert.
    ASSERT_TRUE(table->selectRow({ 0, 1 }));
    settle();
    EXPECT_EQ(answers.size(), 1u);
    EXPECT_EQ(titleOf(screen->failureAlert()), "Not linked");
}

TEST_F(Associate, SendsTheReceiverThenTheLinkedWorkflow)
{
    // The session's workflows come with the login reply.
    server.setResponder([](const RecordedRequest& request) {
        if (request.path.find("login") != std::string::npos)
            return json(R"({"Message":{"User":{},"Profile":[{"type":"Workflow","name":"Admission","assetID":"41"}]}})");
        return json(R"({"Message":{"list":[]}})");
    });
    Collector login;
    model().loginWithUsername("a@b.c", "pw", login.handler());
    ASSERT_TRUE(login.waitFor(1));
    open("42");
    ASSERT_TRUE(table->selectRow({ 0, 0 }));
    settleRecording(2);
    EXPECT_EQ(server.requests().back().target, base() + "associateAssets.php?a=42&b=41");
    EXPECT_EQ(answers.size(), 1u);
}

} // namespace
