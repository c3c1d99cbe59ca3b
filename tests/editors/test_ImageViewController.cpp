// The full-size image viewer: the legacy multipart upload's address (folder encoded, ids as
// they are) and body, a refused upload, and an upload on the reference server that the page
// then shows.

#include "editors/ImageViewController.h"

#include "core/FileUpload.h"
#include "editors/EditorFixture.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class ImageViewer : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        server.setResponder([this](const RecordedRequest&) { return refuse ? json("nonsense", 200) : json(R"({"Message":{"ImageUrl":"x"}})"); });
        record = JsonObject::create({ { "assetID", 55 }, { "name", "Lounge" } });
    }
    void open()
    {
        screen = ImageViewController::create(record, [this](std::optional<JsonValue> answer) { reports.push_back(answer); });
        screen->setParentID("9");
        show(screen);
    }
    JsonObjectPtr record;
    std::shared_ptr<ImageViewController> screen;
    std::vector<std::optional<JsonValue>> reports;
    bool refuse = false;
};

TEST_F(ImageViewer, UploadsToTheLegacyScriptWithTheFolderEncoded)
{
    EXPECT_EQ(ImageViewController::encode("/a_b/c:d"), "%2fa_b%2fc%3ad");
    model().setAuthToken("token");
    open();
    EXPECT_EQ(screen->title(), "Lounge");
    ASSERT_TRUE(screen->rightBarButtonItem());
    auto photo = solidPicture(7, 7, 30, 60, 90);
    picker->next = photo;
    screen->rightBarButtonItem()->press();
    settle();
    auto sent = onlyRequest();
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.target, "/json/setImage.php?dir=%2fhome%2fcorvath%2fpublic_html%2fjson%2fgallery%2fpics&a=55&parentID=9");
    // The recording server takes the form apart; its size tells the picture went whole.
    EXPECT_EQ(sent.header("Content-Type"), "multipart/form-data; boundary=0xKhTmLbOuNdArY");
    EXPECT_GT(std::stoul(sent.header("Content-Length")), photo->jpegData(1.0)->size());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(screen->imageView()->image(), photo);
}

TEST_F(ImageViewer, OffersNoChangeLoggedOutAndTakesBackARefusedUpload)
{
    open();
    EXPECT_FALSE(screen->rightBarButtonItem());
    refuse = true;
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
    AssetRecord garden = childNamed(directory(""), "Our garden");
    ASSERT_TRUE(garden);
    record = garden;
    open();
    settle();
    // The viewer fetches the picture it is shown with.
    ASSERT_TRUE(screen->imageView()->image());
    std::string before = garden->get("ImageUrl").asString();
    picker->next = solidPicture(20, 10, 0, 0, 255);
    screen->change();
    settle();
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_TRUE(reports[0] && reports[0]->isObject());
    std::string after = childNamed(directory(""), "Our garden")->get("ImageUrl").asString();
    EXPECT_NE(after, before);
    EXPECT_EQ(reports[0]->object()->get("ImageUrl").asString(), after);
}

} // namespace
