// The owner's editors driven through quindle-term against a quindle-server process: reordering,
// deleting and restoring rows, adding each kind of item, restyling a text, a page's carousel, the
// site's name, a page's picture, a form field and the account's default style, each checked in
// what the server holds afterwards.

#include "E2eFixture.h"
#include "platform/Image.h"

#include <algorithm>

using namespace quindle;
using namespace quindle::test;

namespace {

/// Opens the owner's first page's add menu on the row labelled `row`.
std::string addMenuRow(int row) { return "press Add\nexpect Directory actions\ntap " + std::to_string(row) + "\n"; }

/// The editor of the owner's "Events" page, from the edit menu.
const std::string editEvents = ownerHome + "press Edit\nalert Edit items\ntap 4\nexpect Edit Directory\n";

} // namespace

class Editors : public E2eFixture {
protected:
    /// The items of the page called `page`, in order: type, name, title, data, options.
    std::vector<std::vector<std::string>> itemsOf(const std::string& page)
    {
        return sql("SELECT type, name, title, data, options FROM content_assets WHERE deleted = 0 AND parent_id = "
                   "(SELECT id FROM content_assets WHERE name = '" + page + "' AND type IN ('Directory', 'Form') ORDER BY id LIMIT 1) "
                   "ORDER BY position, id");
    }
    /// One column of the newest asset called `name`.
    std::string column(const std::string& name, const std::string& field)
    {
        auto rows = sql("SELECT " + field + " FROM content_assets WHERE name = '" + name + "' ORDER BY id DESC LIMIT 1");
        return rows.empty() ? "<none>" : rows[0][0];
    }
};

TEST_F(Editors, ReorderingTheFirstTwoRowsSwapsThemOnTheServer)
{
    std::vector<std::string> before = childNames();
    ASSERT_GE(before.size(), 2u);
    EXPECT_TRUE(walk(ownerHome + R"(press Edit
expect Alert: Edit Page
alert Reorder
expect (editing)
move 0 1
wait
press Done
wait
reject (editing)
)"));
    std::swap(before[0], before[1]);
    EXPECT_EQ(childNames(), before);
}

TEST_F(Editors, ADeletedRowComesBackFromTheTrash)
{
    ASSERT_EQ(childNames()[1], "Visiting");
    ASSERT_TRUE(walk(ownerHome + R"(press Edit
alert Reorder
delete 1
wait
press Done
wait
reject Visiting hours are 10:00
)"));
    EXPECT_EQ(std::ranges::count(childNames(), "Visiting"), 0);

    EXPECT_TRUE(walk(ownerHome + R"(tab Trash
wait
expect Visiting
press Restore
wait
tab 1
wait
expect Visiting hours are 10:00
)", "restore.term"));
    EXPECT_EQ(std::ranges::count(childNames(), "Visiting"), 1);
}

TEST_F(Editors, TheAddMenuAddsOneItemOfEachKindAndSaysASliderCannotBeAdded)
{
    ASSERT_TRUE(walk(ownerHome + addMenuRow(0) + "field 0 Garden page\npress Save\nwait\nexpect Garden page\n"
        + addMenuRow(1) + "field 0 Feedback\nfield 1 Thank you\ntap 4\nwait\nexpect Select page\ntap 4\nexpect Link to News\npress Save\nwait\n"
        + addMenuRow(2) + "field 0 Lunch is at noon\nfield 1 lunch\npress Save\nwait\n"
        + addMenuRow(3) + "field 0 Your email\nfield 1 email\npress Save\nwait\n"
        + addMenuRow(4) + "field 0 Your story\nfield 1 story\npress Save\nwait\n"
        + addMenuRow(5) + "wait\nexpect [image 96x64]\ntap 0\nexpect Please enter image name\nfield 0 Lounge again\nalert OK\nwait\n"
        + addMenuRow(7) + "field 0 Garden walk\nfield 1 abc-DEF_123\nreturn 1\npress Save\nwait\nexpect Garden walk\n"
        + addMenuRow(6) + "expect Alert: Not available\nexpect Sliders cannot be added\nalert OK\nexpect Directory actions\n"));

    auto items = itemsOf("Home");
    ASSERT_GE(items.size(), 7u);
    const std::vector<std::vector<std::string>> added(items.end() - 7, items.end());
    const std::string unstyled = "(null):(null):0.00,0.00,0.00:1.00,1.00,1.00";
    EXPECT_EQ(added, (std::vector<std::vector<std::string>> {
                         { "Directory", "Garden page", "", "", "" },
                         { "Form", "Feedback", "", "", "" },
                         { "Text", "lunch", "", "Lunch is at noon", unstyled },
                         { "TextField", "email", "Your email", "", unstyled },
                         { "TextView", "story", "Your story", "", unstyled },
                         { "Image", "Image", "", "", "" },
                         { "YoutubeVideo", "Garden walk", "", "abc-DEF_123", "" },
                     }));
    // The form leads to the chosen page and thanks with the typed message; it came with its Send item.
    EXPECT_EQ(sql("SELECT f.message, l.name FROM content_assets f JOIN content_assets l ON l.id = f.linked_id WHERE f.name = 'Feedback'"),
        (std::vector<std::vector<std::string>> { { "Thank you", "News" } }));
    EXPECT_EQ(itemsOf("Feedback").size(), 1u);
    // The library's first picture (the newest) is the one the new image item shows.
    EXPECT_EQ(column("Image", "image_id"), sql("SELECT id FROM images ORDER BY id DESC LIMIT 1")[0][0]);
    EXPECT_EQ(sql("SELECT COUNT(*) FROM content_assets WHERE type = 'Slider'")[0][0], "0");
}

TEST_F(Editors, ATextIsRestyledAndAPageBecomesACarouselInAChosenStyle)
{
    // The wheel is 288 points wide: its centre at brightness 0.5 is mid grey; a drag that ends
    // above the disc leaves the cursor at the top of the rim, pure cyan.
    ASSERT_TRUE(walk(ownerHome + addMenuRow(2) + "field 0 Styled words\nfield 1 styled\n"
        + "tap 2\nexpect Helvetica-Bold\ntap 9\ntap 3\ntap 5\n"
        + "tap 4\nexpect Colour\ndrag 0 144 144\nslide 0 0.5\nexpect [new colour #7F7F7F]\npress Save\n"
        + "tap 5\ndrag 0 60 60 100 40 144 -30\nexpect cursor 144,1 #00FFFF\npress Save\n"
        + "expect Background colour\npress Save\nwait\nexpect Styled words\n"));
    EXPECT_EQ(column("styled", "options"), "Helvetica-Bold:22:0.50,0.50,0.50:0.00,1.00,1.00");

    ASSERT_TRUE(walk(editEvents + "expect Carousel off\ntap 5\nwait\nexpect Carousel on\n", "toggle.term"));
    EXPECT_EQ(column("Events", "carousel"), "Carousel");

    ASSERT_TRUE(walk(editEvents + "tap 6\nexpect Select carousel type\nexpect style 11\ntap 8\nwait\nexpect Carousel on\n", "style.term"));
    EXPECT_EQ(column("Events", "carousel"), "Carousel:8");
    // The page's reply names the style the carousel is drawn in.
    EXPECT_EQ(str(named(children(login()), "Events").value_or(JsonValue()), "options"), "Carousel:8");
}

TEST_F(Editors, TheSiteIsRenamedAndAPagePictureIsUploadedThenCleared)
{
    ASSERT_TRUE(walk(std::string(loginScript) + "tab Account\ntap 6\nexpect Edit Tabs\ntap 2\n"
        + "expect Enter a new name for your site\nfield 0 Rowan House\nalert OK\nwait\n"));
    EXPECT_EQ(sql("SELECT name FROM content_assets WHERE type = 'Tabbar' ORDER BY id LIMIT 1")[0][0], "Rowan House");

    // A real picture, as the photo library would hand it over.
    constexpr int width = 120, height = 80;
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4, 255);
    for (size_t i = 0; i < rgba.size(); i += 4)
        rgba[i] = static_cast<uint8_t>(i / 4 % width * 2);
    auto jpeg = Image::create(width, height, std::move(rgba))->jpegData(0.9);
    ASSERT_TRUE(jpeg);
    const auto photo = folder() / "photo.jpg";
    std::ofstream(photo, std::ios::binary) << *jpeg;

    const size_t itemsBefore = itemsOf("Events").size();
    ASSERT_TRUE(walk(editEvents + "tap 2\nwait\nexpect Select image\nphoto " + photo.string()
        + "\npress Upload Image\nwait\nreject Alert:\nexpect Title: Home\nexpect Events\n", "upload.term"));
    ASSERT_NE(column("Events", "image_id"), "0");
    // The page's reply points at the uploaded picture, which the server serves back whole.
    const std::string address = str(named(children(login()), "Events").value_or(JsonValue()), "ImageUrl");
    ASSERT_TRUE(address.starts_with(url)) << address;
    auto served = client->Get(address.substr(url.size()));
    ASSERT_TRUE(served);
    auto picture = Image::decode(served->body);
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::make_pair(picture->width(), picture->height()), std::make_pair(width, height));
    EXPECT_EQ(itemsOf("Events").size(), itemsBefore) << "the picture is the page's own, not a new item";

    ASSERT_TRUE(walk(editEvents + "tap 3\nwait\nreject Alert:\n", "clear.term"));
    EXPECT_EQ(column("Events", "image_id"), "0");
}

TEST_F(Editors, AFormGainsAFieldAndANewTextFollowsTheAccountDefaults)
{
    ASSERT_TRUE(walk(ownerHome + "tap 6\nwait\nexpect Title: Contact us\npress Edit\nalert Form fields\nwait\n"
        + "press Add\nfield 0 Room number\ntap 1\ntap 1\nexpect Number\npress Save\nwait\nreject Alert:\n"));
    auto fields = itemsOf("Contact us");
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(std::make_pair(fields.back()[0], fields.back()[1]), std::make_pair(std::string("Number"), std::string("Room number")));

    ASSERT_TRUE(walk(std::string(loginScript) + "tab Account\n"
        + "tap 2\ntap 0\nexpect Default font\ntap 3\ntap 4\n"
        + "tap 4\ndrag 0 144 144\nslide 0 0\npress Save\nexpect Account\n"
        + "tap 5\ndrag 0 144 144\nslide 0 0.5\npress Save\npress Save\nwait\n"
        + "tab 1\nwait\n" + addMenuRow(2) + "field 0 Plain words\nfield 1 plain\npress Save\nwait\nexpect Plain words\n",
        "defaults.term"));
    const std::string chosen = "Courier:20:0.00,0.00,0.00:0.50,0.50,0.50";
    EXPECT_EQ(sql("SELECT options FROM content_user_options")[0][0], chosen);
    // The new text carries no style of its own, so it is drawn in the site's defaults, which the
    // page's reply hands the client.
    EXPECT_TRUE(column("plain", "options").starts_with("(null):(null):"));
    EXPECT_EQ(str(payload(get(content("contentForNode"), login())), "DefaultOptions"), chosen);
}
