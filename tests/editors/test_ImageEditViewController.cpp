// The form field's picture editor: what it shows, the "Change" upload's body and reply, and a
// refused upload taken back from the record and the screen.

#include "editors/ImageEditViewController.h"

#include "editors/PictureFixture.h"
#include "platform/Base64.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class ImageEdit : public PictureFixture {
protected:
    void SetUp() override
    {
        PictureFixture::SetUp();
        server.setResponder([this](const RecordedRequest&) { return refuse ? json("{}", 403) : json(R"({"Message":{"Sent":"Yes"}})"); });
        field->set("image", JsonValue(std::static_pointer_cast<Opaque>(old)));
        screen = ImageEditViewController::create(field, [this](std::optional<JsonValue> answer) { reports.push_back(answer); });
        show(screen);
    }
    std::shared_ptr<Image> old = solidPicture(4, 4, 9, 9, 9);
    JsonObjectPtr field = JsonObject::create({ { "AssetId", "31" }, { "name", "Photo" } });
    std::shared_ptr<ImageEditViewController> screen;
    std::vector<std::optional<JsonValue>> reports;
    bool refuse = false;
};

TEST_F(ImageEdit, ChangeSendsThePictureAndReportsTheReply)
{
    EXPECT_EQ(screen->title(), "Photo");
    EXPECT_EQ(screen->imageView()->image(), old);
    auto photo = solidPicture(16, 9, 250, 250, 0);
    picker->next = photo;
    ASSERT_TRUE(screen->rightBarButtonItem()->press()); // "Change"
    settle();
    auto sent = onlyRequest();
    EXPECT_EQ(sent.target, base() + "sendImage");
    auto body = parsedBody(sent);
    ASSERT_TRUE(body);
    EXPECT_EQ(body->get("assetid").asString(), "31");
    EXPECT_EQ(Base64::decode(body->get("image").asString()), photo->jpegData(1.0));
    EXPECT_EQ(screen->imageView()->image(), photo);
    EXPECT_EQ(Image::fromValue(field->get("image")), photo);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0]->object()->get("Sent").asString(), "Yes");
}

TEST_F(ImageEdit, ARefusedPictureIsTakenBackAndNotReported)
{
    refuse = true;
    picker->next = solidPicture(5, 5, 0, 250, 0);
    screen->change();
    settle();
    EXPECT_EQ(screen->imageView()->image(), old);
    EXPECT_EQ(Image::fromValue(field->get("image")), old);
    EXPECT_TRUE(reports.empty());
    ASSERT_TRUE(window->topAlert());
    EXPECT_EQ(window->topAlert()->title(), "Picture not saved");
}

} // namespace

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

    auto editor = ImageEditViewController::create(photo, [this](std::optional<JsonValue> answer) { reports.push_back(answer); });
    show(editor);
    picker->next = solidPicture(30, 20, 10, 200, 90);
    editor->change();
    settle();
    ASSERT_EQ(reports.size(), 1u) << (window->topAlert() ? window->topAlert()->message() : "");
    const std::string newValue = document()->get("dict").object()->get("Photo").object()->get("val").asString();
    EXPECT_NE(newValue, oldValue);
    EXPECT_EQ(reports[0]->object()->get("assVal").asString(), newValue);
}
