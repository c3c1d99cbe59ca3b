// The text client drives the app's screens with its plain commands against the reference
// server's demo: the page and site editors, the care plan, the menu and the photo library.

#include "editors/EditDirectoryViewController.h"
#include "editors/ImageSelectionViewController.h"
#include "editors/PictureFixture.h"
#include "editors/TabEditViewController.h"
#include "forms/FormSelectionViewController.h"
#include "forms/MasterViewController.h"
#include "frontends/qt/PhoneTestSupport.h"
#include "frontends/term/CommandInterpreter.h"
#include "frontends/term/TermPhotoPicker.h"
#include "frontends/term/TermRowCommands.h"
#include "frontends/term/TermWebPages.h"
#include "meals/MenuViewController.h"
#include "platform/Base64.h"

#include <filesystem>
#include <fstream>

using namespace quindle;
using namespace quindle::test;

namespace {

/// A window over a "Resident" screen, as the demo site's owner, with a text client of its own;
/// presented screens go over a "Home" screen in no stack instead.
class TermScreens : public DemoSiteFixture {
protected:
    void SetUp() override
    {
        DemoSiteFixture::SetUp();
        ASSERT_TRUE(logInDemoOwner());
        stack = NavigationController::create(ViewController::create("Resident"));
        window->setRootViewController(stack);
        window->makeKeyAndVisible();
        term = std::make_unique<CommandInterpreter>(window, model().httpClient());
    }
    /// Presents the screen in a stack of its own over a "Home" screen in no stack, as the window's root.
    void present(const std::shared_ptr<ViewController>& screen)
    {
        window->setRootViewController(root);
        root->presentViewController(NavigationController::create(screen), Animated::No);
    }
    /// Runs the commands in order, stopping at the first one refused.
    void run(const std::vector<std::string>& lines)
    {
        for (const auto& line : lines) {
            auto result = term->execute(line);
            ASSERT_TRUE(result.ok) << line << ": " << result.message << "\n" << term->render().text;
        }
    }

    std::shared_ptr<Window> window = Window::create();
    std::shared_ptr<NavigationController> stack;
    std::shared_ptr<ViewController> root = ViewController::create("Home");
    std::unique_ptr<CommandInterpreter> term;
};

} // namespace

// The page chooser asks for its list when its view first loads, which drawing in `wait` does; a
// page is renamed with "&", ":" and "/", which reach the server whole, and its carousel style
// chosen; the site is renamed through its alert.
TEST_F(TermScreens, ChoosesAndRenamesAPageAndRenamesTheSite)
{
    stack->pushViewController(FormSelectionViewController::create(model()), Animated::No);
    run({ "wait", "expect Gallery" });
    AssetRecord gallery = childNamed(directory(""), "Gallery");
    ASSERT_TRUE(gallery);
    present(EditDirectoryViewController::create(gallery, {}, {}));
    run({ "expect Edit Directory", "expect Carousel on", "field 0 Photos & art: 1/2", "press Save", "wait", "tap 6",
        "expect Select carousel type", "expect [carousel preview, style 0]", "expect [carousel preview, style 11]", "tap 8", "wait",
        "expect Edit Directory", "reject Not saved" });
    EXPECT_EQ(asset::name(gallery), "Photos & art: 1/2");
    AssetRecord stored = childNamed(directory(""), "Photos & art: 1/2");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->get("options").asString(), "Carousel:8");
    window->setRootViewController(stack);
    stack->pushViewController(TabEditViewController::create(), Animated::No);
    run({ "expect Change site name", "tap 2", "expect Enter a new name for your site", "field 0 Harbour View", "alert OK", "wait", "tap 1",
        "expect Do you want to remove the image from your site?", "alert Cancel", "reject Not saved" });
    EXPECT_EQ(asset::name(model().tab()), "Harbour View");
}

TEST_F(TermScreens, YesNoNumbersSubFormsAndProfileOfTheCarePlan)
{
    ResidentFormSetup setup = carePlan();
    ASSERT_TRUE(setup.formState);
    present(MasterViewController::create(setup));
    // Rows: name, History, the actions row, then Sleeps well, Mobility, Pain score, Care notes,
    // Weights chart, Personnel Details, Lunch.
    run({ "wait", "expect Forms", "expect Care plan", "expect No actions required", "expect <Graph>", "expect [*Yes*|No]", "no 3", "wait",
        "expect [Yes|*No*]", "field 0 8", "return 0", "wait", "expect Nurse alert", "expect Tell the nurse" });
    auto state = legacy("currentState.php?a=" + setup.resDocID).object()->get("list").object();
    EXPECT_EQ(text(state->get("Sleeps well").object(), "val"), "0");
    EXPECT_EQ(text(state->get("Pain score").object(), "val"), "8");
    EXPECT_EQ(text(state->get("Pain score").object(), "user"), QuindleServer::demoEmail);
    run({ "tap 7", "wait", "expect Weights chart", "expect BMI", "expect Weight", "back", "wait", "tap 0", "wait", "expect Food Alergies",
        "expect Food allergies", "expect Personnel Details", "expect Room", "expect [Yes|*No*]", "reject <Graph>" });
}

TEST(TermWebPages, PageText)
{
    struct Case {
        const char* html;
        const char* text;
    } cases[] = {
        { "<html><head><title>Graph</title><style>p{}</style></head><body><h3>Weight</h3><p>24 values, latest 59</p>"
          "<svg><text>61</text></svg></body></html>",
            "Weight | 24 values, latest 59 | [chart]" },
        { "<p>No recorded numbers for A&amp;B &lt;x&gt;</p>", "No recorded numbers for A&B <x>" },
        { "<p>  two\n  lines  </p><br/>x", "two lines | x" },
        { "<svg unclosed", "[chart]" },
        { "plain &bogus; <b>bold</b> <", "plain &bogus; bold" },
        { "", "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(TermWebPages::textOf(c.html), c.text) << c.html;
}

// The allergen is marked and asked about, the details open from the row's button, an order with
// no dish is refused, and the day wheel takes tomorrow but not a day past the week offered.
TEST_F(TermScreens, TheAllergenIsAskedAboutAndTheDayIsKeptInTheWeek)
{
    DemoLunch lunch;
    ASSERT_TRUE(lunch.dishes);
    stack->pushViewController(MenuViewController::create(lunch.mealsForm, "Lunch", lunch.person, lunch.dishes), Animated::No);
    installRowCommands(*term);
    auto day = [](int days) { return DateFormat::format(DateFormat::now() + std::chrono::hours(24 * days), "yyyy-MM-dd", DateFormat::Zone::Local); };
    run({ "wait", "expect Title: Lunch", "expect Peanut noodles  Contains allergen: Peanuts", "reject Fish pie  Contains allergen", "detail 3",
        "expect Title: Peanut noodles", "expect Gluten", "back", "press Order", "expect No dish chosen", "alert OK", "tap 3",
        "expect [image tick.png]", "press Order", "expect Allergy warning", "alert Cancel", "day " + day(1), "expect [date " + day(1) + "]",
        "tap 1", "press Order", "wait", "expect Title: Resident" });
    EXPECT_FALSE(term->execute("day " + day(9)).ok);
}

using TermPhotos = PictureFixture;

// `photo PATH` hands a real JPEG file to the next pick, the screen sends that picture, the
// status line says what was picked, and a pick with nothing handed over is cancelled.
TEST_F(TermPhotos, AHandedOverFileIsWhatTheNextPickSends)
{
    server.setResponder([](const RecordedRequest& r) {
        return json(r.path.ends_with("imageList") ? R"({"Message":{"ImageList":[{"AssetId":"7"}]}})" : R"({"Message":{"Sent":"Yes"}})");
    });
    auto folder = std::filesystem::temp_directory_path() / ("quindle-photo-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::string jpeg = (folder / "garden.jpg").string();
    std::ofstream(jpeg, std::ios::binary) << *solidPicture(24, 16, 20, 160, 40)->jpegData(0.9);
    std::ofstream(folder / "notes.txt") << "no picture here";
    show(ImageSelectionViewController::create(JsonObject::create({ { "AssetId", "42" } })));
    CommandInterpreter interpreter(window, model().httpClient());
    auto installed = TermPhotoPicker::install(interpreter);
    EXPECT_EQ(PhotoPicker::shared(), installed);
    struct Step {
        std::string line;
        bool ok;
    };
    for (const Step& step : std::vector<Step> {
             { "wait", true }, { "reject Photo picker", true },
             { "photo " + (folder / "missing.jpg").string(), false }, { "photo " + (folder / "notes.txt").string(), false },
             { "photo " + jpeg, true }, { "expect Photo picker: next pick gets " + jpeg, true },
             { "press Upload Image", true }, { "wait", true }, { "expect Photo picker: picked " + jpeg + " (24x16)", true },
             { "press Upload Image", true }, { "wait", true }, { "expect Photo picker: cancelled", true } }) {
        auto result = interpreter.execute(step.line);
        EXPECT_EQ(result.ok, step.ok) << step.line << ": " << result.message;
    }
    std::filesystem::remove_all(folder);
    auto sent = requestsTo("sendImage");
    ASSERT_EQ(sent.size(), 1u);
    auto decoded = Image::decode(Base64::decode(parsedBody(sent[0])->get("image").asString()).value_or(""));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width() * 100 + decoded->height(), 2416);
}
