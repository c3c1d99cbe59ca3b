// The directory editor: its rows, the carousel switch and style, the rename and image reset
// requests with good and refused replies, the hand-over to the page's table and the image
// chooser. (The text client's tests run it against the reference server.)

#include "editors/EditDirectoryViewController.h"

#include "editors/CarouselTypeViewController.h"
#include "PageEditorFixture.h"
#include "platform/JsonParser.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class EditDirectory : public PageEditorFixture {
protected:
    /// Opens the editor as the coordinator does: modally, in a stack of its own, over the page.
    void open(AssetRecord record)
    {
        object = std::move(record);
        editor = EditDirectoryViewController::create(object, page, [this](std::optional<JsonValue> answer) {
            answers.push_back(std::move(answer));
            answeredOnMain.push_back(MainQueue::shared().isMainThread());
        });
        pageController->presentViewController(NavigationController::create(editor), Animated::Yes);
        table = editor->tableView();
    }
    static AssetRecord record(const std::string& json)
    {
        return JsonParser::parse(json)->object();
    }
    std::string label(int row) { return editor->cellForRowAtIndexPath(*table, { 0, row })->textLabel()->text(); }
    void tap(int row) { ASSERT_TRUE(table->selectRow({ 0, row })); }
    std::string alertTitle() { return editor->failureAlert() ? editor->failureAlert()->title() : std::string("(none)"); }

    AssetRecord object;
    std::shared_ptr<EditDirectoryViewController> editor;
    std::shared_ptr<TableView> table;
    std::vector<std::optional<JsonValue>> answers;
    std::vector<bool> answeredOnMain;
};

const char* const stored = R"({"Message":{"AssetId":"7","options":"x"}})";

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

TEST_F(EditDirectory, CarouselSwitchAndStyleAreStoredBeforeSending)
{
    struct Case {
        const char* name;
        const char* json;
        const char* shownBefore;
        long style; // -1: the switch row
        const char* expectedOption;
        const char* shownAfter;
    } cases[] = {
        { "style 3 switches off", R"({"AssetId":"7","options":"Carousel:3"})", "Carousel on", -1, "", "Carousel off" },
        { "missing switches on", R"({"AssetId":"7"})", "Carousel off", -1, "Carousel", "Carousel on" },
        { "number switches on", R"({"AssetId":"7","options":5})", "Carousel off", -1, "Carousel", "Carousel on" },
        { "row 8 chooses CoverFlow2", R"({"AssetId":"7","options":""})", "Carousel off", 8, "Carousel:8", "Carousel on" },
    };
    answer(200, stored);
    size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(record(c.json));
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
        EXPECT_EQ(object->get("options").asString(), c.expectedOption) << "written before the reply";
        settleRecording(++sent);
        EXPECT_EQ(server.requests().back().target, base() + "setCarousel?assetid=7&option=" + c.expectedOption);
        EXPECT_EQ(object->get("options").asString(), c.expectedOption);
        EXPECT_EQ(label(5), c.shownAfter);
        EXPECT_EQ(alertTitle(), "(none)");
        EXPECT_TRUE(answers.empty()) << "a carousel change does not close the editor";
        pageController->dismissViewController(Animated::No);
    }
}

TEST_F(EditDirectory, RefusedCarouselChangeIsUndone)
{
    answer(403, R"({"Error":"not yours"})");
    open(record(R"({"AssetId":"7","options":"Carousel:3"})"));
    tap(5);
    EXPECT_EQ(label(5), "Carousel off");
    settleRecording(1);
    EXPECT_EQ(object->get("options").asString(), "Carousel:3");
    EXPECT_EQ(label(5), "Carousel on");
    EXPECT_EQ(alertTitle(), "Carousel not changed");
    EXPECT_EQ(editor->failureAlert()->buttonTitles(), std::vector<std::string> { "OK" });
    EXPECT_EQ(window->topAlert(), editor->failureAlert());

    open(record(R"({"AssetId":"7"})"));
    editor->chooseCarouselStyle(4);
    settleRecording(2);
    EXPECT_FALSE(object->contains("options")) << "an absent setting stays absent";
    EXPECT_TRUE(answers.empty());
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
                EXPECT_EQ(alertTitle(), "Not saved");
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
                EXPECT_EQ(alertTitle(), "Image not cleared");
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
        EXPECT_EQ(pageController->presentedViewController()->visibleViewController(), editor);
        if (auto alert = window->topAlert())
            alert->chooseButtonWithTitle("OK");
        pageController->dismissViewController(Animated::No);
    }
}

TEST_F(EditDirectory, EditTableClosesTheEditorThenHandsOverToThePage)
{
    open(record(R"({"AssetId":"7"})"));
    tap(4);
    EXPECT_FALSE(pageController->presentedViewController());
    EXPECT_EQ(page->calls, (std::vector<std::string> { "setTableEditing YES animated", "editTable" }));
}

TEST_F(EditDirectory, ChangeNameRowAndCancelSendNothing)
{
    open(record(R"({"AssetId":"7","Name":"Gallery"})"));
    tap(0);
    EXPECT_EQ(pageController->presentedViewController()->visibleViewController(), editor);
    editor->leftBarButtonItem()->press();
    settle();
    EXPECT_FALSE(pageController->presentedViewController());
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(page->calls.empty());
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(asset::name(object), "Gallery");
}

TEST_F(EditDirectory, SetImagePushesTheChooserInLinkModeAndPassesOnWhatItStores)
{
    open(record(R"({"AssetId":"7"})"));
    tap(2);
    ASSERT_EQ(shell->requests.size(), 1u);
    EXPECT_EQ(shell->requests[0].object, object);
    EXPECT_EQ(shell->requests[0].mode, ImageSelectionMode::Link);
    EXPECT_EQ(editor->navigationController()->topViewController(), shell->requests[0].screen);
    // The chooser answers on the callback thread.
    std::thread([&] {
        shell->requests[0].completion(std::nullopt);
        shell->requests[0].completion(JsonValue("stored"));
    }).join();
    settle();
    ASSERT_EQ(answers.size(), 1u) << "a failed choice is not news for the opener";
    EXPECT_EQ(answers[0]->asString(), "stored");
    EXPECT_EQ(answeredOnMain, std::vector<bool> { true });
}

} // namespace
