// A walk through the demo site in the Qt client against a quindle-server process, one picture a
// screen: the start page with its gallery carousel, an event, the login screen, a document form
// after login, a page in reorder mode, the owner's add menu, text editor, colour wheel, picture
// library and carousel styles, the care screens (follow-ups, a resident form, history, graph,
// food allergies, menu), and the start page again with the gallery in another style. Each
// picture must be the phone's size, not blank, and differ from the one before.
// `bash scripts/screenshots.sh` runs this walk and leaves the pictures in build/screenshots.

#include "e2e/E2eFixture.h"
#include "platform/Image.h"

#include <set>

using namespace quindle;
using namespace quindle::test;

namespace {

const std::filesystem::path shots = std::filesystem::path(QUINDLE_BUILD_DIR) / "screenshots";

/// Distinct colours on a coarse grid: a blank or single-colour picture has very few.
size_t distinctColours(const Image& image)
{
    std::set<uint32_t> colours;
    const auto& rgba = image.rgba();
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * image.width() + x) * 4];
            colours.insert(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
        }
    }
    return colours.size();
}

} // namespace

class ScreenshotWalk : public E2eFixture { };

TEST_F(ScreenshotWalk, EveryScreenOfTheDemoIsDrawnAndEachDiffersFromTheLast)
{
    std::filesystem::create_directories(shots);
    std::vector<std::string> taken; // in the order the walk takes them
    auto shot = [&](const char* name) {
        taken.emplace_back(name);
        return "shot " + (shots / name).string() + "\n";
    };
    const std::string walk = shot("01-start-page.png") + "tap 4\nwait\ntap 0\nwait\n" + shot("02-event.png")
        + "back\nback\npress Login\nwait\n" + shot("03-login.png")
        + "field 0 demo@quindle.example\nfield 1 quindle-demo\npress Login\nwait\ntab 1\nwait\ntap 7\nwait\n" + shot("04-document-form.png")
        + "back\npress Edit\nalert Reorder\n" + shot("05-reorder-mode.png")
        // The owner's editors: the add menu, the text editor, the colour wheel with a colour
        // picked, the picture library with its thumbnails, and the carousel styles.
        + "press Done\nwait\npress Add\nwait\n" + shot("07-add-menu.png") + "tap 2\nwait\nfield 0 Lunch is served at noon\nfield 1 lunch\n" + shot("08-text-editor.png")
        + "tap 4\nwait\ndrag 0 140 140 90 60\nslide 0 0.8\nwait\n" + shot("09-colour-wheel.png")
        + "press Cancel\nback\ntap 5\nwait\nexpect [image 96x64]\n" + shot("10-image-grid.png")
        + "back\npress Cancel\nwait\npress Edit\nalert Edit items\ntap 3\nwait\ntap 6\nwait\n" + shot("11-carousel-styles.png")
        // The care screens: the overdue follow-ups, a resident form with its due actions, the
        // history and its graph, the profile's food allergies and the menu.
        + "back\npress Cancel\nwait\ntab Followups\nwait\n" + shot("12-followups.png") + "tap 0\nwait\nexpect Actions\n" + shot("13-resident-form.png")
        + "tap 1\nwait\n" + shot("14-history.png") + "tap 1\nwait\n" + shot("15-history-graph.png")
        + "back\nback\ntap 0\nwait\ntap 3\nwait\n" + shot("16-food-allergies.png") + "back\nback\ntap 10\nwait\ntap 3\nwait\n" + shot("17-menu.png");
    const std::string qt = "/frontends/qt/quindle";
    TermRun first = runScript(walk, "walk.term", qt);
    ASSERT_EQ(first.status, 0) << first.output;

    // The owner restyles the gallery on the server; the start page shows the new style.
    const std::string token = login();
    ASSERT_FALSE(token.empty());
    const std::string gallery = str(named(children(token), "Gallery").value_or(JsonValue()), "AssetId");
    ASSERT_FALSE(gallery.empty());
    ASSERT_EQ(status(get(content("setCarousel?assetid=" + gallery + "&option=Carousel:7"), token)), 200);
    TermRun second = runScript(shot("06-start-page-cover-flow.png"), "cover-flow.term", qt);
    ASSERT_EQ(second.status, 0) << second.output;

    std::shared_ptr<Image> before;
    ASSERT_EQ(taken.size(), 17u);
    for (const std::string& name : taken) {
        std::ifstream file(shots / name, std::ios::binary);
        std::shared_ptr<Image> picture = Image::decode(std::string(std::istreambuf_iterator<char>(file), {}));
        ASSERT_TRUE(picture) << name;
        EXPECT_EQ(picture->width() % 390, 0) << name;
        EXPECT_EQ(picture->width() * 844, picture->height() * 390) << name << ": the phone's shape";
        EXPECT_GT(distinctColours(*picture), 20u) << name << " looks blank";
        if (before) {
            EXPECT_NE(before->rgba(), picture->rgba()) << name << " is the same as the picture before it";
        }
        before = picture;
    }
}
