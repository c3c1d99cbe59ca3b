// The full-size image viewer: the legacy multipart upload's address (folder encoded, ids as
// they are), a refused upload, and an upload on the reference server that the page then shows.

#include "editors/ImageViewController.h"

#include "editors/PictureFixture.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class ImageViewer : public PictureFixture {
protected:
    void open()
    {
        screen = ImageViewController::create(record, [this](std::optional<JsonValue> answer) { reports.push_back(answer); });
        screen->setParentID("9");
        show(screen);
    }
    JsonObjectPtr record = JsonObject::create({ { "assetID", 55 }, { "name", "Lounge" } });
    std::shared_ptr<ImageViewController> screen;
    std::vector<std::optional<JsonValue>> reports;
};

TEST_F(ImageViewer, UploadsToTheLegacyScriptWithTheFolderEncoded)
{
    EXPECT_EQ(ImageViewController::encode("/a_b/c:d"), "%2fa_b%2fc%3ad");
    server.setResponder([](const RecordedRequest&) { return json(R"({"Message":{"ImageUrl":"x"}})"); });
    model().setAuthToken("token");
    open();
    auto photo = solidPicture(7, 7, 30, 60, 90);
    picker->next = photo;
    ASSERT_TRUE(screen->rightBarButtonItem()->press()); // "Change", offered when logged in
    settle();
    auto sent = onlyRequest();
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.target, "/json/setImage.php?dir=%2fhome%2fcorvath%2fpublic_html%2fjson%2fgallery%2fpics&a=55&parentID=9");
    // The recording server takes the form apart; its size tells the picture went whole.
    EXPECT_EQ(sent.header("Content-Type"), "multipart/form-data; boundary=0xKhTmLbOuNdArY");
    EXPECT_GT(std::stoul(sent.header("Content-Length")), photo->jpegData(1.0)->size());
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(screen->imageView()->image(), photo);
}

TEST_F(ImageViewer, OffersNoChangeLoggedOutAndTakesBackARefusedUpload)
{
    server.setResponder([](const RecordedRequest&) { return json("not json"); });
    open();
    EXPECT_FALSE(screen->rightBarButtonItem());
    picker->next = solidPicture(3, 3, 1, 1, 1);
    screen->change();
    settle();
    EXPECT_FALSE(record->contains("image"));
    EXPECT_FALSE(screen->imageView()->image());
    EXPECT_TRUE(reports.empty());
    ASSERT_TRUE(window->topAlert());
    EXPECT_EQ(window->topAlert()->title(), "Picture not saved");
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
