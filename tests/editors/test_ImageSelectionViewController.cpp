// The image library grid: the list request and the items before and after it, lazy thumbnails
// downloaded once and cached, the name alert, the exact add, link and upload requests, what a
// good and a failed reply do to the record and the opener, and a link on the reference server.

#include "editors/ImageSelectionViewController.h"

#include "editors/ImageCollectionCell.h"
#include "editors/EditorFixture.h"
#include "platform/Base64.h"
#include "ui/TextField.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class ImageSelection : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        server.setResponder([this](const RecordedRequest& request) { return answer(request); });
        item = JsonObject::create({ { "AssetId", "42" }, { "name", "Garden" }, { "assVal", "http://old/pic.jpg" } });
        item->set("image", JsonValue(std::static_pointer_cast<Opaque>(solidPicture(2, 2, 1, 2, 3))));
    }
    Reply answer(const RecordedRequest& request)
    {
        if (request.path.ends_with("imageList"))
            return json(R"({"Message":{"ImageList":[{"AssetId":"7","ImageUrl":")" + server.url() + R"(/pics/7.jpg"},)"
                + R"({"AssetId":"8","ImageUrl":")" + server.url() + R"(/pics/8.jpg"}]}})");
        if (request.path == "/pics/7.jpg")
            return picture(jpegBytes());
        if (request.path == "/pics/8.jpg")
            return picture(brokenPicture ? "not a picture" : jpegBytes());
        return failReplies ? json("{\"error\":\"refused\"}", 500) : json(R"({"Message":{"AssetId":"42"}})");
    }
    static Reply picture(std::string bytes)
    {
        Reply reply = json(std::move(bytes));
        reply.contentType = "image/jpeg";
        return reply;
    }
    void open(ImageSelectionMode mode)
    {
        screen = ImageSelectionViewController::create(item, mode, [this](std::optional<JsonValue> answer) { reports.push_back(answer); });
        show(screen);
    }
    /// Draws the grid as a renderer would and lets every reply arrive.
    std::vector<VisibleItem> draw()
    {
        settle();
        auto items = screen->collectionView()->layoutItems();
        settle();
        return screen->collectionView()->layoutItems();
    }
    void tapAndAnswer(int row, const std::string& button, const std::string& name = "Roses")
    {
        ASSERT_TRUE(screen->collectionView()->selectItem({ 0, row }));
        auto alert = window->topAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title(), "Title");
        EXPECT_EQ(alert->message(), "Please enter image name");
        alert->textFieldAtIndex(0)->type(name);
        ASSERT_TRUE(alert->chooseButtonWithTitle(button));
        settle();
    }

    JsonObjectPtr item;
    std::shared_ptr<ImageSelectionViewController> screen;
    std::vector<std::optional<JsonValue>> reports;
    bool brokenPicture = false;
    bool failReplies = false;
};

TEST_F(ImageSelection, OneEmptyItemUntilTheListArrivesThenOnePerEntry)
{
    open(ImageSelectionMode::Link);
    EXPECT_EQ(screen->title(), "Select image");
    ASSERT_TRUE(screen->rightBarButtonItem());
    EXPECT_EQ(screen->rightBarButtonItem()->title(), "Upload Image");
    EXPECT_EQ(screen->collectionView()->numberOfItems(), 1);
    settle();
    EXPECT_EQ(screen->collectionView()->numberOfItems(), 2);
    EXPECT_EQ(screen->collectionView()->itemSize().width, 100);
    // Loading and appearing share one request.
    auto lists = requestsTo("imageList");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].method, "GET");
    EXPECT_EQ(lists[0].target, base() + "imageList");
}

TEST_F(ImageSelection, ThumbnailsDownloadOnceAndStayCachedInTheEntry)
{
    open(ImageSelectionMode::Link);
    auto items = draw();
    ASSERT_EQ(items.size(), 2u);
    for (const auto& shown : items) {
        auto cell = std::dynamic_pointer_cast<ImageCollectionCell>(shown.cell);
        ASSERT_TRUE(cell);
        ASSERT_TRUE(cell->imageView()->image()) << shown.indexPath.row;
        EXPECT_EQ(cell->imageView()->image()->width(), 8);
    }
    EXPECT_TRUE(Image::fromValue(screen->imageList()->at(0).object()->get("Image")));
    // Drawing everything afresh takes the pictures from the entries.
    screen->collectionView()->reloadData();
    draw();
    EXPECT_EQ(requestsTo("7.jpg").size(), 1u);
    EXPECT_EQ(requestsTo("8.jpg").size(), 1u);
}

TEST_F(ImageSelection, AnUndecodableThumbnailLeavesItsItemEmptyUntilDrawnAgain)
{
    brokenPicture = true;
    open(ImageSelectionMode::Link);
    auto items = draw();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_TRUE(std::dynamic_pointer_cast<ImageCollectionCell>(items[0].cell)->imageView()->image());
    EXPECT_FALSE(std::dynamic_pointer_cast<ImageCollectionCell>(items[1].cell)->imageView()->image());
    EXPECT_FALSE(screen->imageList()->at(1).object()->contains("Image"));
    EXPECT_EQ(requestsTo("8.jpg").size(), 1u);
    screen->collectionView()->reloadData();
    draw();
    EXPECT_EQ(requestsTo("8.jpg").size(), 2u);
    EXPECT_EQ(requestsTo("7.jpg").size(), 1u);
}

TEST_F(ImageSelection, ConfirmingSendsTheEntryAndReportsOnlyItsAddress)
{
    struct Case {
        ImageSelectionMode mode;
        bool addsAction;
        std::string assVal; // of the record afterwards
    };
    for (const Case& c : { Case { ImageSelectionMode::Link, false, server.url() + "/pics/7.jpg" }, Case { ImageSelectionMode::Add, true, "http://old/pic.jpg" } }) {
        SCOPED_TRACE(c.addsAction ? "add" : "link");
        reports.clear();
        item->set("assVal", "http://old/pic.jpg");
        item->set("image", JsonValue(std::static_pointer_cast<Opaque>(solidPicture(2, 2, 1, 2, 3))));
        size_t before = requestsTo("linkImage").size();
        open(c.mode);
        settle();
        tapAndAnswer(0, "OK");
        EXPECT_EQ(screen->imageName(), "Roses");
        auto sent = requestsTo("linkImage");
        ASSERT_EQ(sent.size(), before + 1);
        EXPECT_EQ(sent.back().method, "POST");
        auto body = parsedBody(sent.back());
        ASSERT_TRUE(body);
        EXPECT_EQ(body->get("assetid").asString(), "42");
        EXPECT_EQ(body->get("selectedimageid").asString(), "7");
        EXPECT_EQ(body->contains("action"), c.addsAction);
        EXPECT_EQ(body->size(), c.addsAction ? 3u : 2u);
        ASSERT_EQ(reports.size(), 1u);
        ASSERT_TRUE(reports[0] && reports[0]->isObject());
        const auto& answer = reports[0]->object();
        ASSERT_EQ(answer->size(), 1u);
        EXPECT_EQ(answer->get("assVal").asString(), server.url() + "/pics/7.jpg");
        EXPECT_EQ(item->get("assVal").asString(), c.assVal);
        EXPECT_EQ(item->contains("image"), c.addsAction);
    }
}

TEST_F(ImageSelection, CancelAndTheEmptyItemChangeNothingAndSendNothing)
{
    open(ImageSelectionMode::Link);
    // Before the list arrives: the single empty item.
    ASSERT_EQ(screen->collectionView()->numberOfItems(), 1);
    ASSERT_TRUE(screen->collectionView()->selectItem({ 0, 0 }));
    EXPECT_FALSE(screen->selectedImage());
    ASSERT_TRUE(window->topAlert());
    window->topAlert()->chooseButtonWithTitle("OK");
    settle();
    tapAndAnswer(1, "Cancel");
    EXPECT_TRUE(requestsTo("linkImage").empty());
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(item->get("assVal").asString(), "http://old/pic.jpg");
    EXPECT_TRUE(item->contains("image"));
}

TEST_F(ImageSelection, AFailedAddOrLinkKeepsTheOldPictureAndTellsTheUser)
{
    failReplies = true;
    for (auto mode : { ImageSelectionMode::Link, ImageSelectionMode::Add }) {
        open(mode);
        settle();
        tapAndAnswer(1, "OK");
        EXPECT_EQ(item->get("assVal").asString(), "http://old/pic.jpg");
        EXPECT_TRUE(Image::fromValue(item->get("image")));
        auto alert = window->topAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title(), mode == ImageSelectionMode::Add ? "Picture not added" : "Picture not linked");
        EXPECT_EQ(alert->buttonTitles(), std::vector<std::string> { "OK" });
        alert->chooseButton(0);
        EXPECT_EQ(nav->topViewController(), screen);
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(ImageSelection, UploadSendsTheFullQualityJpegAndReportsTheReply)
{
    open(ImageSelectionMode::Link);
    auto photo = solidPicture(12, 10, 10, 120, 200);
    picker->next = photo;
    screen->rightBarButtonItem()->press();
    settle();
    auto sent = requestsTo("sendImage");
    ASSERT_EQ(sent.size(), 1u);
    auto body = parsedBody(sent[0]);
    ASSERT_TRUE(body);
    EXPECT_EQ(body->size(), 2u);
    EXPECT_EQ(body->get("assetid").asString(), "42");
    EXPECT_EQ(Base64::decode(body->get("image").asString()), photo->jpegData(1.0));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0]->object()->get("AssetId").asString(), "42");
    EXPECT_EQ(Image::fromValue(item->get("image")), photo);

    // A refused upload takes the picture back out of the record; a cancelled pick sends nothing.
    failReplies = true;
    picker->next = solidPicture(3, 3, 0, 0, 0);
    screen->rightBarButtonItem()->press();
    settle();
    EXPECT_EQ(Image::fromValue(item->get("image")), photo);
    ASSERT_TRUE(window->topAlert());
    EXPECT_EQ(window->topAlert()->title(), "Picture not uploaded");
    window->topAlert()->chooseButton(0);
    picker->next = nullptr;
    screen->rightBarButtonItem()->press();
    settle();
    EXPECT_EQ(requestsTo("sendImage").size(), 2u);
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(picker->picks, 3);
}

TEST_F(ImageSelection, LinkingOnTheReferenceServerShowsTheChosenPictureOnThePage)
{
    logInToReference();
    AssetRecord garden = childNamed(directory(""), "Our garden");
    ASSERT_TRUE(garden);
    item = garden;
    open(ImageSelectionMode::Link);
    auto items = draw();
    ASSERT_GE(items.size(), 3u);
    EXPECT_TRUE(std::dynamic_pointer_cast<ImageCollectionCell>(items[0].cell)->imageView()->image());
    std::string chosen = screen->imageList()->at(2).object()->get("ImageUrl").asString();
    ASSERT_NE(chosen, garden->get("ImageUrl").asString());
    tapAndAnswer(2, "OK");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(window->topAlert());
    EXPECT_EQ(childNamed(directory(""), "Our garden")->get("ImageUrl").asString(), chosen);
}

} // namespace
