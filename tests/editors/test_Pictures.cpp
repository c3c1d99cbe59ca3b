// The picture screens (library grid, field picture editor, full-size viewer): exact requests,
// good and refused replies, and what the reference server keeps and the page shows.

#include "editors/ImageEditViewController.h"
#include "editors/ImageSelectionViewController.h"
#include "editors/ImageViewController.h"

#include "editors/ImageCollectionCell.h"
#include "editors/PictureFixture.h"
#include "ui/TextField.h"

#include <atomic>

using namespace quindle;
using namespace quindle::test;

namespace {

class ImageSelection : public PictureFixture {
protected:
    void SetUp() override
    {
        PictureFixture::SetUp();
        server.setResponder([this](const RecordedRequest& r) {
            if (r.path.ends_with("imageList"))
                return json(R"({"Message":{"ImageList":[{"AssetId":"7","ImageUrl":")" + url(7) + R"("},{"AssetId":"8","ImageUrl":")" + url(8) + R"("}]}})");
            if (r.path.starts_with("/pics/"))
                return json(brokenPicture && r.path == "/pics/8.jpg" ? "not a picture" : jpegBytes());
            return failReplies ? json("{}", 500) : json(R"({"Message":{"AssetId":"42"}})");
        });
        item = JsonObject::create({ { "AssetId", "42" }, { "assVal", "old.jpg" } });
    }
    std::string url(int id) const { return server.url() + "/pics/" + std::to_string(id) + ".jpg"; }
    void open(ImageSelectionMode mode)
    {
        item->set("image", JsonValue(std::static_pointer_cast<Opaque>(oldPicture)));
        screen = ImageSelectionViewController::create(item, mode, keep());
        show(screen);
    }
    /// Draws the grid as a renderer does, once the list is in and again once the pictures are.
    std::vector<std::shared_ptr<const Image>> draw()
    {
        settle();
        screen->collectionView()->layoutItems();
        settle();
        std::vector<std::shared_ptr<const Image>> shown;
        for (const auto& visible : screen->collectionView()->layoutItems())
            shown.push_back(std::dynamic_pointer_cast<ImageCollectionCell>(visible.cell)->imageView()->image());
        return shown;
    }
    void answerNameAlert(int row, const std::string& button)
    {
        ASSERT_TRUE(screen->collectionView()->selectItem({ 0, row }));
        auto alert = window->topAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title() + "|" + alert->message(), "Title|Please enter image name");
        alert->textFieldAtIndex(0)->type("Roses");
        ASSERT_TRUE(alert->chooseButtonWithTitle(button));
        settle();
    }
    std::shared_ptr<Image> oldPicture = solidPicture(2, 2, 1, 2, 3);
    JsonObjectPtr item;
    std::shared_ptr<ImageSelectionViewController> screen;
    bool brokenPicture = false;
    bool failReplies = false;
};

TEST_F(ImageSelection, OneEmptyItemUntilTheListArrivesAndEachThumbnailDownloadedOnce)
{
    brokenPicture = true;
    open(ImageSelectionMode::Link);
    EXPECT_EQ(std::pair(screen->rightBarButtonItem()->title(), screen->collectionView()->numberOfItems()), std::pair(std::string("Upload Image"), 1));
    auto shown = draw();
    EXPECT_TRUE(shown.size() == 2u && shown[0] && !shown[1]) << "not a picture: left empty";
    EXPECT_TRUE(Image::fromValue(screen->imageList()->at(0).object()->get("Image")));
    // Loading and appearing share one request.
    ASSERT_EQ(requestsTo("imageList").size(), 1u);
    EXPECT_EQ(requestsTo("imageList")[0].target, base() + "imageList");
    // Drawn afresh, the cached picture is not fetched again; the empty item is asked for again.
    screen->collectionView()->reloadData();
    draw();
    EXPECT_EQ(std::pair(requestsTo("7.jpg").size(), requestsTo("8.jpg").size()), std::pair(1ul, 2ul));
}

// An item picked before the list or a cancelled name sends nothing. Confirming sends the entry
// and reports only its address; an upload sends a full quality JPEG, a cancelled pick nothing.
// A failed request tells the user; it neither reports nor changes the item.
TEST_F(ImageSelection, ConfirmingAndUploadingSendTheEntryOrTheWholePictureAndFailuresChangeNothing)
{
    open(ImageSelectionMode::Link);
    ASSERT_TRUE(screen->collectionView()->selectItem({ 0, 0 })); // before the list: the empty item
    EXPECT_FALSE(screen->selectedImage());
    window->topAlert()->chooseButtonWithTitle("OK");
    settle();
    answerNameAlert(1, "Cancel");
    EXPECT_TRUE(requestsTo("linkImage").empty() && Image::fromValue(item->get("image")) == oldPicture);
    for (bool failing : { false, true }) {
        failReplies = failing;
        for (auto mode : { ImageSelectionMode::Link, ImageSelectionMode::Add }) {
            const bool adding = mode == ImageSelectionMode::Add, changed = !adding && !failing;
            SCOPED_TRACE(std::string(adding ? "add" : "link") + (failing ? ", failing" : ""));
            reports.clear();
            item->set("assVal", "old.jpg");
            open(mode);
            settle();
            answerNameAlert(0, "OK");
            EXPECT_EQ(screen->imageName(), "Roses");
            auto expected = JsonObject::create({ { "assetid", "42" }, { "selectedimageid", "7" } });
            if (adding)
                expected->set("action", "add");
            EXPECT_EQ(JsonValue(parsedBody(requestsTo("linkImage").back())), JsonValue(expected));
            EXPECT_EQ(answerAlert(*window), !failing ? "(none)" : adding ? "Picture not added|OK" : "Picture not linked|OK");
            // Linking makes the picture the item's; adding leaves the page's own picture alone.
            const std::vector<std::optional<JsonValue>> told { JsonValue(JsonObject::create({ { "assVal", url(7) } })) };
            EXPECT_EQ(std::tuple(reports, item->get("assVal").asString(), item->contains("image")),
                std::tuple(failing ? decltype(told) {} : told, changed ? url(7) : "old.jpg", !changed));
        }
        reports.clear();
        auto photo = solidPicture(12, 10, 10, 120, 200);
        picker->next = photo;
        screen->rightBarButtonItem()->press();
        settle();
        EXPECT_EQ(answerAlert(*window), failing ? "Picture not uploaded|OK" : "(none)");
        picker->next = nullptr; // cancelled: nothing more is sent
        screen->rightBarButtonItem()->press();
        settle();
        auto uploads = requestsTo("sendImage");
        ASSERT_EQ(uploads.size(), failing ? 2u : 1u);
        expectUpload(uploads.back(), "42", *photo);
        const std::vector<std::optional<JsonValue>> told { JsonValue(JsonObject::create({ { "AssetId", "42" } })) };
        EXPECT_EQ(reports, failing ? decltype(told) {} : told);
        EXPECT_TRUE(item->get("assVal").asString() == "old.jpg" && nav->topViewController() == screen);
        EXPECT_EQ(Image::fromValue(item->get("image")) == oldPicture, failing);
    }
}

TEST_F(ImageSelection, ALinkOnTheReferenceServerShowsOnThePage)
{
    logInToReference();
    item = childNamed(directory(""), "Our garden");
    ASSERT_TRUE(item);
    open(ImageSelectionMode::Link);
    auto shown = draw();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_TRUE(shown[2]);
    std::string chosen = screen->imageList()->at(2).object()->get("ImageUrl").asString();
    ASSERT_NE(chosen, item->get("ImageUrl").asString());
    answerNameAlert(2, "OK");
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(childNamed(directory(""), "Our garden")->get("ImageUrl").asString(), chosen);
}

class ImageEdit : public PictureFixture {
protected:
    void SetUp() override
    {
        PictureFixture::SetUp();
        server.setResponder([this](const RecordedRequest&) { return refuse ? json("{}", 403) : json(R"({"Message":{"Sent":"Yes"}})"); });
        field->set("image", JsonValue(std::static_pointer_cast<Opaque>(old)));
        screen = ImageEditViewController::create(field, keep());
        show(screen);
    }
    std::shared_ptr<Image> old = solidPicture(4, 4, 9, 9, 9);
    JsonObjectPtr field = JsonObject::create({ { "AssetId", "31" }, { "name", "Photo" } });
    std::shared_ptr<ImageEditViewController> screen;
    std::atomic<bool> refuse = false;
};

// A refused picture is taken back from the record and the screen; a stored one is reported.
TEST_F(ImageEdit, ChangeSendsThePictureAndTakesBackARefusedOne)
{
    EXPECT_TRUE(screen->title() == "Photo" && screen->imageView()->image() == old);
    refuse = true;
    picker->next = solidPicture(5, 5, 0, 250, 0);
    screen->change();
    settle();
    EXPECT_TRUE(screen->imageView()->image() == old && Image::fromValue(field->get("image")) == old && reports.empty());
    EXPECT_EQ(answerAlert(*window), "Picture not saved|OK");
    refuse = false;
    auto photo = solidPicture(16, 9, 250, 250, 0);
    picker->next = photo;
    ASSERT_TRUE(screen->rightBarButtonItem()->press()); // "Change"
    settle();
    auto sent = requestsTo("sendImage");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].target, base() + "sendImage");
    expectUpload(sent[1], "31", *photo);
    EXPECT_TRUE(screen->imageView()->image() == photo && Image::fromValue(field->get("image")) == photo);
    EXPECT_EQ(reports, std::vector<std::optional<JsonValue>> { JsonValue(JsonObject::create({ { "Sent", "Yes" } })) });
}

TEST_F(ImageEdit, ADocumentsPictureEntryIsRecordedOnTheReferenceServer)
{
    logInToReference();
    AssetRecord item = childNamed(directory(""), "Resident assessment");
    ASSERT_TRUE(item);
    auto document = [&] {
        Collector fetch;
        model().fetchDocumentForAssetID(item->get("assetID").asString(), fetch.handler());
        Outcome outcome = fetch.single();
        return outcome.content && outcome.content->isObject() ? outcome.content->object() : nullptr;
    };
    AssetRecord before = document();
    ASSERT_TRUE(before);
    JsonObjectPtr photo;
    for (const JsonValue& entry : before->get("_linkedAsset").object()->get("list").array()->items())
        if (entry.object()->get("name").asString() == "Photo")
            photo = entry.object();
    ASSERT_TRUE(photo);
    const std::string oldValue = before->get("dict").object()->get("Photo").object()->get("val").asString();
    auto editor = ImageEditViewController::create(photo, keep());
    show(editor);
    picker->next = solidPicture(30, 20, 10, 200, 90);
    editor->change();
    settle();
    ASSERT_EQ(reports.size(), 1u) << (window->topAlert() ? window->topAlert()->message() : "");
    const std::string newValue = document()->get("dict").object()->get("Photo").object()->get("val").asString();
    EXPECT_NE(newValue, oldValue);
    EXPECT_EQ(reports[0]->object()->get("assVal").asString(), newValue);
}

class ImageViewer : public PictureFixture {
protected:
    void open()
    {
        screen = ImageViewController::create(record, keep());
        screen->setParentID("9");
        show(screen);
    }
    JsonObjectPtr record = JsonObject::create({ { "assetID", 55 }, { "name", "Lounge" } });
    std::shared_ptr<ImageViewController> screen;
};

// Logged out: no Change button, a refused upload taken back; logged in: the whole picture goes up.
TEST_F(ImageViewer, UploadsToTheLegacyScriptAndTakesBackARefusedUpload)
{
    server.setResponder([](const RecordedRequest&) { return json("not json"); });
    open();
    EXPECT_FALSE(screen->rightBarButtonItem());
    picker->next = solidPicture(3, 3, 1, 1, 1);
    screen->change();
    settle();
    EXPECT_TRUE(!record->contains("image") && !screen->imageView()->image() && reports.empty());
    EXPECT_EQ(answerAlert(*window), "Picture not saved|OK");
    EXPECT_EQ(ImageViewController::encode("/a_b/c:d"), "%2fa_b%2fc%3ad");
    server.setResponder([](const RecordedRequest&) { return json(R"({"Message":{"ImageUrl":"x"}})"); });
    model().setAuthToken("token");
    open();
    auto photo = solidPicture(7, 7, 30, 60, 90);
    picker->next = photo;
    ASSERT_TRUE(screen->rightBarButtonItem()->press()); // "Change", offered when logged in
    settle();
    auto sent = server.requests().back();
    EXPECT_EQ(sent.method + " " + sent.target, "POST /json/setImage.php?dir=%2fhome%2fcorvath%2fpublic_html%2fjson%2fgallery%2fpics&a=55&parentID=9");
    // The recording server takes the form apart; its size tells the picture went whole.
    EXPECT_EQ(sent.header("Content-Type"), "multipart/form-data; boundary=0xKhTmLbOuNdArY");
    EXPECT_GT(std::stoul(sent.header("Content-Length")), photo->jpegData(1.0)->size());
    EXPECT_TRUE(reports.size() == 1u && screen->imageView()->image() == photo);
}

TEST_F(ImageViewer, AnUploadOnTheReferenceServerReachesThePage)
{
    logInToReference();
    record = childNamed(directory(""), "Our garden");
    ASSERT_TRUE(record);
    std::string before = record->get("ImageUrl").asString();
    open();
    settle();
    ASSERT_TRUE(screen->imageView()->image()); // fetched from the record's address
    picker->next = solidPicture(20, 10, 0, 0, 255);
    screen->change();
    settle();
    ASSERT_EQ(reports.size(), 1u);
    std::string after = childNamed(directory(""), "Our garden")->get("ImageUrl").asString();
    EXPECT_NE(after, before);
    EXPECT_EQ(reports[0]->object()->get("ImageUrl").asString(), after);
}

} // namespace
