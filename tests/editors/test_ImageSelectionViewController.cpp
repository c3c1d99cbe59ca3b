// The image library grid: the list request and its items, thumbnails downloaded once and
// cached, the name alert, the exact add, link and upload requests, good and failed replies,
// and a link on the reference server that the page then shows.

#include "editors/ImageSelectionViewController.h"

#include "editors/PictureFixture.h"
#include "editors/ImageCollectionCell.h"
#include "platform/Base64.h"
#include "ui/TextField.h"

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
        screen = ImageSelectionViewController::create(item, mode, [this](std::optional<JsonValue> answer) { reports.push_back(answer); });
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
    std::vector<std::optional<JsonValue>> reports;
    bool brokenPicture = false;
    bool failReplies = false;
};

TEST_F(ImageSelection, OneEmptyItemUntilTheListArrivesAndEachThumbnailDownloadedOnce)
{
    brokenPicture = true;
    open(ImageSelectionMode::Link);
    EXPECT_EQ(screen->rightBarButtonItem()->title(), "Upload Image");
    EXPECT_EQ(screen->collectionView()->numberOfItems(), 1);
    auto shown = draw();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0]);
    EXPECT_FALSE(shown[1]); // not a picture: left empty
    EXPECT_TRUE(Image::fromValue(screen->imageList()->at(0).object()->get("Image")));
    // Loading and appearing share one request.
    ASSERT_EQ(requestsTo("imageList").size(), 1u);
    EXPECT_EQ(requestsTo("imageList")[0].target, base() + "imageList");
    // Drawn afresh, the cached picture is not fetched again; the empty item is asked for again.
    screen->collectionView()->reloadData();
    draw();
    EXPECT_EQ(requestsTo("7.jpg").size(), 1u);
    EXPECT_EQ(requestsTo("8.jpg").size(), 2u);
}

TEST_F(ImageSelection, ConfirmingSendsTheEntryAndReportsOnlyItsAddress)
{
    for (auto mode : { ImageSelectionMode::Link, ImageSelectionMode::Add }) {
        bool adding = mode == ImageSelectionMode::Add;
        SCOPED_TRACE(adding ? "add" : "link");
        reports.clear();
        item->set("assVal", "old.jpg");
        open(mode);
        settle();
        answerNameAlert(0, "OK");
        EXPECT_EQ(screen->imageName(), "Roses");
        auto body = parsedBody(requestsTo("linkImage").back());
        ASSERT_TRUE(body);
        auto expected = JsonObject::create({ { "assetid", "42" }, { "selectedimageid", "7" } });
        if (adding)
            expected->set("action", "add");
        EXPECT_EQ(JsonValue(body), JsonValue(expected));
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(*reports[0], JsonValue(JsonObject::create({ { "assVal", url(7) } })));
        // Linking makes the picture the item's; adding leaves the page's own picture alone.
        EXPECT_EQ(item->get("assVal").asString(), adding ? "old.jpg" : url(7));
        EXPECT_EQ(item->contains("image"), adding);
    }
}

TEST_F(ImageSelection, CancelAndTheEmptyItemChangeNothingAndSendNothing)
{
    open(ImageSelectionMode::Link);
    ASSERT_TRUE(screen->collectionView()->selectItem({ 0, 0 })); // before the list: the empty item
    EXPECT_FALSE(screen->selectedImage());
    window->topAlert()->chooseButtonWithTitle("OK");
    settle();
    answerNameAlert(1, "Cancel");
    EXPECT_TRUE(requestsTo("linkImage").empty());
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(item->get("assVal").asString(), "old.jpg");
    EXPECT_EQ(Image::fromValue(item->get("image")), oldPicture);
}

TEST_F(ImageSelection, FailedRequestsKeepTheOldPictureTellTheUserAndReportNothing)
{
    failReplies = true;
    for (auto mode : { ImageSelectionMode::Link, ImageSelectionMode::Add }) {
        open(mode);
        settle();
        answerNameAlert(1, "OK");
        ASSERT_TRUE(window->topAlert());
        EXPECT_EQ(window->topAlert()->title(), mode == ImageSelectionMode::Add ? "Picture not added" : "Picture not linked");
        EXPECT_EQ(window->topAlert()->buttonTitles(), std::vector<std::string> { "OK" });
        window->topAlert()->chooseButton(0);
    }
    picker->next = solidPicture(3, 3, 0, 0, 0);
    screen->rightBarButtonItem()->press();
    settle();
    EXPECT_EQ(window->topAlert()->title(), "Picture not uploaded");
    EXPECT_EQ(item->get("assVal").asString(), "old.jpg");
    EXPECT_EQ(Image::fromValue(item->get("image")), oldPicture);
    EXPECT_EQ(nav->topViewController(), screen);
    EXPECT_TRUE(reports.empty());
}

TEST_F(ImageSelection, UploadSendsTheFullQualityJpegAndReportsTheReply)
{
    open(ImageSelectionMode::Link);
    auto photo = solidPicture(12, 10, 10, 120, 200);
    picker->next = photo;
    screen->rightBarButtonItem()->press();
    settle();
    picker->next = nullptr; // cancelled: nothing more is sent
    screen->rightBarButtonItem()->press();
    settle();
    ASSERT_EQ(requestsTo("sendImage").size(), 1u);
    auto body = parsedBody(requestsTo("sendImage")[0]);
    ASSERT_TRUE(body && body->size() == 2u);
    EXPECT_EQ(body->get("assetid").asString(), "42");
    EXPECT_EQ(Base64::decode(body->get("image").asString()), photo->jpegData(1.0));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0]->object()->get("AssetId").asString(), "42");
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

} // namespace
