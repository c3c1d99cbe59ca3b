// The item editors: text (endpoints and exact bodies, options, refused saves, its choosers, a
// stored edit), the colour wheel (colours, raster, cursor, drags) with its screen, and the
// picture screens (library grid, field picture editor, full-size viewer): exact requests, good
// and refused replies, and what the reference server keeps and the page shows.

#include "editors/ColorWheel.h"
#include "editors/ColorWheelViewController.h"
#include "editors/ImageEditViewController.h"
#include "editors/ImageSelectionViewController.h"
#include "editors/ImageViewController.h"
#include "editors/TextEditorFontViewController.h"
#include "editors/TextEditorSizeViewController.h"
#include "editors/TextEditorViewController.h"

#include "editors/EditorFixture.h"
#include "editors/ImageCollectionCell.h"
#include "platform/JsonParser.h"
#include "ui/Slider.h"
#include "ui/TextField.h"
#include "ui/TextView.h"

#include <atomic>
#include <cmath>

namespace quindle::test {
namespace {

class TextEditorTest : public EditorFixture {
protected:
    static AssetRecord record(std::vector<JsonObject::Entry> entries) { return JsonObject::create(std::move(entries)); }
    /// An editor on `object` shown in a stack over the page; its completion keeps the replies.
    std::shared_ptr<TextEditorViewController> open(const AssetRecord& object, TextEditorMode mode)
    {
        auto editor = TextEditorViewController::create(model(), object, mode, keep());
        present(editor);
        return editor;
    }
};

// Each kind of item goes to its endpoint with exactly its keys; the options are the record's
// (read only with all four fields) with the chosen colour, alpha dropped. A server error or a
// reply without content is not taken: an alert, the typing kept, the item and the opener untold.
TEST_F(TextEditorTest, EachKindOfItemGoesToItsEndpointWithItsBody)
{
    const std::string options = "Georgia:18:0.10,0.20,0.30:0.90,0.80,0.70", none = "(null):(null):0.00,0.00,0.00:1.00,1.00,1.00";
    const std::string stored = R"({"Message":{"AssetId":"1"}})";
    const std::optional<Colour> plain;
    const struct { const char* what; AssetRecord object; TextEditorMode mode; const char *endpoint, *textKey, *typed; int status; std::string reply, sent;
        std::optional<Colour> chosen; } cases[] = {
        { "text block", record({ { "AssetId", "41" }, { "Type", "Text" }, { "Name", "Welcome" }, { "Data", "Hello" },
                            { "Options", "Georgia:18:0.1,0.2,0.3:0.9,0.8,0.7" } }),
            TextEditorMode::Text, "sendText", "text", "Hello & goodbye", 200, stored, options, plain },
        { "single-line input", record({ { "AssetId", "42" }, { "Type", "TextField" }, { "Name", "name" }, { "Title", "Your name" } }),
            TextEditorMode::TextInput, "sendTextField", "title", "Full name", 200, stored, none, plain },
        { "new multi-line input", record({ { "AssetId", "7" }, { "Type", "Directory" }, { "Name", "Contact" }, { "Options", "Georgia:18:0.10,0.20,0.30" } }),
            TextEditorMode::MultiLineInput, "sendTextView", "title", "Message", 200, stored, none, plain },
        // Opened by the coordinator as an input only: the record says it is multi-line.
        { "existing multi-line input", record({ { "AssetId", "43" }, { "Type", "TextView" }, { "Name", "msg" }, { "Title", "Message" }, { "Options", options } }),
            TextEditorMode::TextInput, "sendTextView", "title", "Your message", 200, stored, "Georgia:18:0.50,0.25,1.00:0.90,0.80,0.70",
            Colour { 0.5, 0.25, 1, 0.3 } },
        { "server error", record({ { "AssetId", "41" }, { "Data", "Hello" }, { "Options", options } }), TextEditorMode::Text, "sendText", "text",
            "Typed, not yet stored", 500, R"({"error":"down"})", options, plain },
        { "no content", record({ { "AssetId", "41" }, { "Data", "Hello" }, { "Options", options } }), TextEditorMode::Text, "sendText", "text",
            "Typed, not yet stored", 200, "{}", options, plain },
    };
    size_t sent = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        answers.clear();
        answer(c.status, c.reply);
        auto editor = open(c.object, c.mode);
        if (c.mode != TextEditorMode::Text)
            editor->nameField()->setText(c.typed);
        if (c.chosen)
            editor->updateTextColour(*c.chosen);
        EXPECT_TRUE(editor->textView()->textColour() == editor->textColor() && editor->textView()->backgroundColour() == editor->backgroundColor());
        editor->keyField()->setText("key-" + std::to_string(sent));
        const std::string text = c.mode == TextEditorMode::Text ? c.typed : "view text";
        editor->textView()->setText(text);
        editor->rightBarButtonItem()->press();
        ASSERT_TRUE(server.waitForRequests(++sent));
        EXPECT_TRUE(answers.empty()); // the reply is handled on the main queue only
        RecordedRequest request = server.requests().back();
        EXPECT_EQ(request.method + " " + request.path, "POST /~corvath/vantro/web/app_dev.php/" + std::string(c.endpoint));
        auto body = JsonObject::create({ { "options", c.sent }, { "assetid", *asset::ident(c.object) }, { "key", "key-" + std::to_string(sent - 1) },
            { c.textKey, c.typed } });
        EXPECT_EQ(JsonParser::parse(request.body), JsonValue(body)) << "exactly these keys and values";
        settle();
        if (c.reply != stored) {
            EXPECT_EQ(answerAlert(*window), "Not saved|OK");
            EXPECT_TRUE(answers.empty() && !c.object->find("assVal") && !c.object->find("options") && stack->topViewController() == editor);
            EXPECT_EQ(editor->textView()->text(), text);
            continue;
        }
        EXPECT_EQ(std::tuple(answers, c.object->get("assVal").asString(), c.object->get("options").asString(), bool(editor->alert())),
            std::tuple(std::vector<std::optional<JsonValue>> { JsonValue(JsonObject::create({ { "AssetId", "1" } })) }, text, c.sent, false));
    }
}

TEST_F(TextEditorTest, RowsOpenTheChoosersAndTakeTheirChoice)
{
    auto editor = open(record({ { "AssetId", "5" }, { "Type", "TextField" }, { "Title", "Your name" }, { "Name", "name" } }), TextEditorMode::TextInput);
    auto table = editor->tableView();
    ASSERT_EQ(table->numberOfRowsInSection(0), 6);
    EXPECT_EQ(table->layoutAllRows().rows[0].cell, editor->nameCell());
    EXPECT_EQ(std::pair(editor->nameField()->text(), editor->keyField()->text()), std::pair(std::string("Your name"), std::string("name")));
    const char* labels[] = { "Font", "Size", "Text colour", "Background colour" };
    for (int row = 2; row < 6; ++row) {
        auto cell = table->layoutAllRows().rows[size_t(row)].cell;
        EXPECT_EQ(cell->textLabel()->text(), labels[row - 2]);
        EXPECT_TRUE(cell->accessoryType() == AccessoryType::DisclosureIndicator && table->heightForRowAtIndexPath({ 0, row }) == 42) << row;
    }
    for (int row : { 0, 1 }) {
        table->selectRow({ 0, row });
        EXPECT_EQ(stack->topViewController(), editor) << "row " << row;
    }
    editor->nameField()->setText("Typed");
    table->selectRow({ 0, 2 });
    auto fonts = std::dynamic_pointer_cast<TextEditorFontViewController>(stack->topViewController());
    ASSERT_TRUE(fonts && fonts->selection().empty());
    fonts->tableView()->selectRow({ 0, 0 });
    EXPECT_TRUE(stack->topViewController() == editor && editor->fontName() == "Courier");
    EXPECT_EQ(editor->nameField()->text(), "Typed"); // a redraw keeps what was typed
    table->selectRow({ 0, 5 });
    auto wheel = std::dynamic_pointer_cast<ColorWheelViewController>(stack->topViewController());
    ASSERT_TRUE(wheel && !wheel->currentColour());
    wheel->brightnessSlider()->slide(0.5);
    wheel->save();
    EXPECT_TRUE(stack->topViewController() == editor && editor->textView()->backgroundColour() == editor->backgroundColor());
    EXPECT_EQ(std::pair(editor->backgroundColor(), editor->optionsString()),
        std::pair(Colour { 127 / 255.0, 127 / 255.0, 127 / 255.0, 1 }, std::string("Courier:(null):0.00,0.00,0.00:0.50,0.50,0.50")));
}

TEST_F(TextEditorTest, TheReferenceServerKeepsAnEditedText)
{
    loginToReference();
    auto text = childNamed(directory(""), "Visiting");
    ASSERT_TRUE(text);
    auto editor = open(text, TextEditorMode::Text);
    EXPECT_EQ(editor->fontName(), "Georgia");
    editor->textView()->setText("Visiting hours are 9:00 to 20:00.");
    editor->updateTextColour({ 0.5, 0.25, 1, 1 });
    editor->save();
    settle();
    ASSERT_TRUE(answers.size() == 1u && answers[0] && !editor->alert());
    auto stored = childNamed(directory(""), "Visiting");
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::pair(asset::text(stored), asset::options(stored).value_or("")),
        std::pair(std::string("Visiting hours are 9:00 to 20:00."), std::string("Georgia:14:0.50,0.25,1.00:0.95,0.95,0.85")));
}

/// Families with fonts in mixed case, so the sort must ignore case.
struct MixedCaseCatalogue final : FontCatalogue {
    std::vector<std::string> familyNames() const override { return { "zapf", "Arial", "courier" }; }
    std::vector<std::string> fontNamesForFamily(const std::string& family) const override
    {
        return family == "Arial" ? std::vector<std::string> { "Arial-Bold", "Arial" } : std::vector<std::string> { family };
    }
    std::optional<Font> fontWithName(const std::string& name, double size) const override { return Font { name, size }; }
    Font systemFont(double size) const override { return { "System", size }; }
    Size measure(const std::string&, const Font&, Size) const override { return {}; }
};

/// The rows' labels and the ticked ones; every row is a chooser cell in its own font.
std::pair<std::vector<std::string>, std::vector<std::string>> shownAndTicked(TableView& table)
{
    std::pair<std::vector<std::string>, std::vector<std::string>> result;
    for (const auto& row : table.layoutAllRows().rows) {
        result.first.push_back(row.cell->textLabel()->text());
        if (row.cell->accessoryType() == AccessoryType::Checkmark)
            result.second.push_back(row.cell->textLabel()->text());
        EXPECT_EQ(row.cell->reuseIdentifier(), "TextEditorFontCell");
    }
    return result;
}

TEST(TextEditorChoosers, FontsSortedIgnoringCaseAndSizesTickedByEqualText)
{
    FontCatalogue::install(std::make_shared<MixedCaseCatalogue>());
    std::vector<std::string> chosen;
    auto chooser = TextEditorFontViewController::create("courier", [&](const std::string& name) { chosen.push_back(name); });
    auto table = chooser->tableView();
    EXPECT_EQ(shownAndTicked(*table),
        std::pair(std::vector<std::string> { "Arial", "Arial-Bold", "courier", "zapf" }, std::vector<std::string> { "courier" }));
    for (const auto& row : table->layoutAllRows().rows)
        EXPECT_EQ(row.cell->textLabel()->font(), (Font { row.cell->textLabel()->text(), 16 }));
    table->selectRow({ 0, 3 });
    EXPECT_EQ(chosen, std::vector<std::string> { "zapf" });
    FontCatalogue::install(nullptr);
    // Sizes run from 12 to 50, ticked by equal text: an odd stored size marks no row.
    const struct { const char* selection; std::vector<std::string> ticked; } cases[] = { { "12", { "12" } }, { "50", { "50" } }, { "13", {} }, { "", {} }, { "18.0", {} } };
    for (const auto& c : cases) {
        std::vector<std::string> sizes;
        auto sizeChooser = TextEditorSizeViewController::create(c.selection, [&](const std::string& size) { sizes.push_back(size); });
        auto [sizeLabels, sizeTicked] = shownAndTicked(*sizeChooser->tableView());
        ASSERT_EQ(sizeLabels.size(), 20u);
        EXPECT_EQ((std::vector<std::string> { sizeLabels[0], sizeLabels[1], sizeLabels[19] }), (std::vector<std::string> { "12", "14", "50" }));
        EXPECT_EQ(sizeTicked, c.ticked) << c.selection;
        sizeChooser->tableView()->selectRow({ 0, 19 });
        EXPECT_EQ(sizes, std::vector<std::string> { "50" });
    }
}

struct RGB { int red, green, blue; bool operator==(const RGB&) const = default; };

RGB unpack(uint32_t packed) { return { int(packed & 0xFF), int(packed >> 8 & 0xFF), int(packed >> 16 & 0xFF) }; }

std::ostream& operator<<(std::ostream& out, const RGB& c) { return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")"; }

struct WheelDelegate : ColorWheelDelegate {
    void colorWheelDidChangeColor(ColorWheel&) override { ++changes; }
    void colorWheelDidFinishChangingColor() override { ++finishes; }
    int changes = 0, finishes = 0;
};

// The colours at the centre and on the rim; the raster takes shortcuts, yet every pixel is the
// plain colour function's, byte by byte in red, green, blue order, row y holding image y.
TEST(ColorWheel, ColoursOnTheRimAndTheRasterEqualsThePlainColourFunction)
{
    const float r = 99;
    const struct { const char* where; Point image; float brightness; RGB expected; } cases[] = {
        { "centre", { r, r }, 1.0f, { 255, 255, 255 } },
        { "centre at half brightness", { r, r }, 0.5f, { 127, 127, 127 } },
        { "top, hue 0.5", { r, 2 * r }, 1.0f, { 0, 255, 255 } },
        { "right, hue 0.75", { 2 * r, r }, 1.0f, { 127, 0, 255 } },
        { "left, hue 0.25", { 0, r }, 1.0f, { 127, 255, 0 } },
        { "bottom, hue clamped below 1", { r, 0 }, 1.0f, { 255, 0, 0 } },
        { "beyond the rim, full saturation", { 3 * r, r }, 1.0f, { 127, 0, 255 } },
        { "black at brightness 0", { 2 * r, r }, 0.0f, { 0, 0, 0 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(unpack(ColorWheel::colorAtPoint(c.image, r, c.brightness)), c.expected) << c.where;
    EXPECT_EQ(ColorWheel::colorAtPoint({ r, r }, r, 1.0f) & ~0xFFFFFFu, 0u);
    for (float radius : { 99.0f, 99.5f, 149.0f, 299.0f, 37.25f }) {
        for (float brightness : { 1.0f, 0.5f, 0.37f }) {
            auto image = ColorWheel::renderRadialImage(radius, brightness);
            ASSERT_EQ(image.dim, int(2 * radius));
            const auto& pixels = *image.pixels;
            size_t mismatches = 0;
            for (int y = 0; y < image.dim; ++y) {
                for (int x = 0; x < image.dim; ++x) {
                    uint32_t expected = ColorWheel::colorAtPoint({ double(x), double(y) }, radius, brightness);
                    size_t at = (size_t(y) * image.dim + x) * 3;
                    uint32_t got = pixels[at] | pixels[at + 1] << 8 | pixels[at + 2] << 16;
                    if (got != expected && mismatches++ < 5)
                        ADD_FAILURE() << "radius " << radius << " brightness " << brightness << " at (" << x << ", " << y << "): " << unpack(got)
                                      << " instead of " << unpack(expected);
                }
            }
            EXPECT_EQ(mismatches, 0u) << "radius " << radius << " brightness " << brightness;
        }
    }
}

TEST(ColorWheel, FrameSetsTheRasterViewPointsMapToImageSpaceTheCursorStaysOnTheDiscAndDrags)
{
    const struct { Rect frame; float radius; int dim; } frames[] = {
        { { 0, 0, 200, 300 }, 99, 198 }, { { 0, 0, 300, 200 }, 99, 198 }, { { 0, 0, 201, 201 }, 99.5f, 199 }, { { 0, 0, 2, 2 }, 0, 0 },
    };
    for (const auto& c : frames) {
        auto sized = ColorWheel::create(c.frame);
        ASSERT_TRUE(sized->radialImage().pixels);
        EXPECT_EQ(std::tuple(sized->radius(), sized->radialImage().dim, sized->radialImage().pixels->size()), std::tuple(c.radius, c.dim, size_t(c.dim) * c.dim * 3));
    }
    EXPECT_EQ(ColorWheel::create()->radius(), 0.0f); // nothing laid out yet
    auto wheel = ColorWheel::create({ 0, 0, 200, 300 }); // radius 99, disc centred at view (100, 150)
    EXPECT_EQ(wheel->touchPoint(), (Point { 100, 150 }));
    EXPECT_EQ(unpack(wheel->colorAtPoint(wheel->viewToImageSpace(wheel->touchPoint()))), (RGB { 255, 255, 255 }));
    // Up on screen is up in the image.
    const struct { Point view, image; } cases[] = { { { 100, 150 }, { 99, 99 } }, { { 150, 150 }, { 149, 99 } }, { { 100, 100 }, { 99, 149 } }, { { 1, 249 }, { 0, 0 } } };
    for (const auto& c : cases)
        EXPECT_EQ(wheel->viewToImageSpace(c.view), c.image) << c.view.x << "," << c.view.y;
    // The cursor stays on the disc; inside, it shows the colour at its image point as the raster holds it.
    const struct { Point touch, placed; } onDisc[] = {
        { { 100, 150 }, { 100, 150 } },            // inside: taken as it is
        { { 160, 150 }, { 160, 150 } },
        { { 200, 250 }, { 100 + 99 / std::sqrt(2.0), 150 + 99 / std::sqrt(2.0) } }, // outside: on the rim towards the touch
        { { 400, 150 }, { 199, 150 } },            // right, far out: on the rim to the right
    };
    for (const auto& c : onDisc) {
        SCOPED_TRACE(std::to_string(c.touch.x) + "," + std::to_string(c.touch.y));
        wheel->setTouchPoint(c.touch);
        EXPECT_LT(std::hypot(wheel->touchPoint().x - c.placed.x, wheel->touchPoint().y - c.placed.y), 1e-4);
        if (!(c.touch == c.placed))
            continue;
        Point image = wheel->viewToImageSpace(wheel->touchPoint());
        RGB expected = unpack(wheel->colorAtPoint(image));
        const auto& pixels = *wheel->radialImage().pixels;
        size_t at = (size_t(image.y) * wheel->radialImage().dim + size_t(image.x)) * 3;
        Colour shown = wheel->currentColor();
        EXPECT_EQ(std::tuple(RGB { pixels[at], pixels[at + 1], pixels[at + 2] }, RGB { int(std::lround(shown.red * 255)), int(std::lround(shown.green * 255)), int(std::lround(shown.blue * 255)) }, shown.alpha),
            std::tuple(expected, expected, 1.0));
    }
    EXPECT_EQ(unpack(wheel->colorAtPoint(wheel->viewToImageSpace(wheel->touchPoint()))), (RGB { 127, 0, 255 })); // on the rim to the right
    // A drag reports changes only when continuous.
    for (bool continuous : { false, true }) {
        auto dragged = ColorWheel::create({ 0, 0, 200, 200 });
        auto delegate = std::make_shared<WheelDelegate>();
        dragged->setDelegate(delegate);
        dragged->setContinuous(continuous);
        EXPECT_TRUE(dragged->beginTouch({ 120, 100 }) && dragged->moveTouch({ 150, 100 }));
        EXPECT_EQ(dragged->touchPoint(), (Point { 150, 100 }));
        EXPECT_TRUE(dragged->moveTouch({ 500, 100 }) && dragged->touchPoint() == (Point { 199, 100 }) && dragged->endTouch({ 500, 100 }));
        EXPECT_EQ(std::pair(delegate->changes, delegate->finishes), std::pair(continuous ? 3 : 0, 1));
    }
    auto plain = View::create({ 0, 0, 10, 10 });
    EXPECT_FALSE(plain->beginTouch({ 5, 5 })); // ordinary views track no touches
}

TEST_F(TextEditorTest, ItsColourScreenLaysOutTheWheelAndWellsAndReportsTheChosenColour)
{
    auto screen = ColorWheelViewController::create({}, Colour { 0.2, 0.4, 0.6, 1 });
    screen->view()->setFrame({ 0, 0, 400, 600 });
    ASSERT_TRUE(screen->rightBarButtonItem());
    EXPECT_EQ(screen->title() + "/" + screen->rightBarButtonItem()->title(), "Colour/Save");
    EXPECT_EQ((std::vector { screen->colorWheel()->frame(), screen->brightnessSlider()->frame(), screen->wellView()->frame(), screen->currentWellView()->frame() }),
        (std::vector<Rect> { { 20, 60, 360, 360 }, { 160, 540, 200, 60 }, { 40, 480, 80, 48 }, { 40, 540, 80, 48 } }));
    EXPECT_TRUE(screen->brightnessSlider()->value() == 1.0 && screen->brightnessSlider()->maximumValue() == 1.0 && screen->currentWellView()->borderWidth() == 1.0);
    EXPECT_EQ(std::pair(screen->currentWellView()->colour(), screen->colorWheel()->touchPoint()), std::pair(std::optional<Colour>(Colour { 0.2, 0.4, 0.6, 1 }), Point { 180, 180 }));
    EXPECT_TRUE(!screen->wellView()->colour() && screen->colorWheel()->continuous()) << "the new well is empty until the first change";
    // Drags and brightness fill the new well, and save reports it.
    std::vector<Colour> reported;
    screen = ColorWheelViewController::create([&](Colour colour) { reported.push_back(colour); });
    pageStack->pushViewController(screen, Animated::No);
    ASSERT_TRUE(screen->leftBarButtonItem()); // a phone gets Cancel, a large screen none
    auto onPad = ColorWheelViewController::create();
    auto padWindow = Window::create(Window::defaultBounds, UserInterfaceIdiom::Pad);
    padWindow->setRootViewController(NavigationController::create(onPad));
    padWindow->makeKeyAndVisible();
    EXPECT_FALSE(onPad->leftBarButtonItem());
    // A save before any touch reports white at the current brightness.
    screen->save();
    EXPECT_EQ(reported, std::vector<Colour> { Colour::white() });
    auto wheel = screen->colorWheel();
    Point centre = wheel->touchPoint();
    wheel->beginTouch({ centre.x + wheel->radius(), centre.y }); // right of centre on the rim: hue 0.75
    EXPECT_EQ(screen->wellView()->colour(), (Colour { 127 / 255.0, 0, 1, 1 }));
    wheel->endTouch({ centre.x + wheel->radius(), centre.y });
    screen->brightnessSlider()->slide(0.5);
    EXPECT_TRUE(wheel->brightness() == 0.5f && screen->wellView()->colour() == (Colour { 63 / 255.0, 0, 127 / 255.0, 1 }));
    EXPECT_EQ(wheel->radialImage().pixels->at(0), wheel->colorAtPoint({ 0, 0 }) & 0xFF); // raster at the new brightness
    screen->save();
    EXPECT_EQ(reported, (std::vector<Colour> { Colour::white(), { 63 / 255.0, 0, 127 / 255.0, 1 } }));
    EXPECT_EQ(pageStack->topViewController(), screen); // the opener closes it
    screen->leftBarButtonItem()->press();
    EXPECT_TRUE(pageStack->topViewController() != screen && reported.size() == 2u);
}

class ImageSelection : public PictureFixture {
protected:
    void SetUp() override
    {
        PictureFixture::SetUp();
        server.setResponder([this](const RecordedRequest& r) {
            if (r.path.ends_with("imageList"))
                return json(R"({"Message":{"ImageList":[{"AssetId":"7","ImageUrl":")" + url(7) + R"("},{"AssetId":"8","ImageUrl":")" + url(8) + R"("}]}})");
            if (r.path.starts_with("/pics/"))
                return json(brokenPicture && r.path == "/pics/8.jpg" ? "not a picture" : *solidPicture(8, 6, 200, 40, 40)->jpegData(1.0));
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
// and answers only its address; an upload sends a full quality JPEG, a cancelled pick nothing.
// A failed request tells the user; it neither answers nor changes the item.
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
            answers.clear();
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
            EXPECT_EQ(std::tuple(answers, item->get("assVal").asString(), item->contains("image")),
                std::tuple(failing ? decltype(told) {} : told, changed ? url(7) : "old.jpg", !changed));
        }
        answers.clear();
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
        EXPECT_EQ(answers, failing ? decltype(told) {} : told);
        EXPECT_TRUE(item->get("assVal").asString() == "old.jpg" && nav->topViewController() == screen);
        EXPECT_EQ(Image::fromValue(item->get("image")) == oldPicture, failing);
    }
}

TEST_F(ImageSelection, ALinkOnTheReferenceServerShowsOnThePage)
{
    loginToReference();
    item = childNamed(directory(""), "Our garden");
    ASSERT_TRUE(item);
    open(ImageSelectionMode::Link);
    auto shown = draw();
    ASSERT_GE(shown.size(), 3u);
    EXPECT_TRUE(shown[2]);
    std::string chosen = screen->imageList()->at(2).object()->get("ImageUrl").asString();
    ASSERT_NE(chosen, item->get("ImageUrl").asString());
    answerNameAlert(2, "OK");
    EXPECT_EQ(answers.size(), 1u);
    EXPECT_EQ(childNamed(directory(""), "Our garden")->get("ImageUrl").asString(), chosen);
}

using ImageEdit = PictureFixture;

TEST_F(ImageEdit, ChangeSendsThePictureAndTakesBackARefusedOne)
{
    std::atomic<bool> refuse = true;
    server.setResponder([&refuse](const RecordedRequest&) { return refuse ? json("{}", 403) : json(R"({"Message":{"Sent":"Yes"}})"); });
    auto old = solidPicture(4, 4, 9, 9, 9);
    auto field = JsonObject::create({ { "AssetId", "31" }, { "name", "Photo" }, { "image", JsonValue(std::static_pointer_cast<Opaque>(old)) } });
    auto screen = ImageEditViewController::create(field, keep());
    show(screen);
    EXPECT_TRUE(screen->title() == "Photo" && screen->imageView()->image() == old);
    picker->next = solidPicture(5, 5, 0, 250, 0);
    screen->change();
    settle();
    EXPECT_TRUE(screen->imageView()->image() == old && Image::fromValue(field->get("image")) == old && answers.empty());
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
    EXPECT_EQ(answers, std::vector<std::optional<JsonValue>> { JsonValue(JsonObject::create({ { "Sent", "Yes" } })) });
}

TEST_F(ImageEdit, ADocumentsPictureEntryIsRecordedOnTheReferenceServer)
{
    loginToReference();
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
    ASSERT_EQ(answers.size(), 1u) << (window->topAlert() ? window->topAlert()->message() : "");
    const std::string newValue = document()->get("dict").object()->get("Photo").object()->get("val").asString();
    EXPECT_NE(newValue, oldValue);
    EXPECT_EQ(answers[0]->object()->get("assVal").asString(), newValue);
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
    EXPECT_TRUE(!record->contains("image") && !screen->imageView()->image() && answers.empty());
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
    EXPECT_TRUE(answers.size() == 1u && screen->imageView()->image() == photo);
}

TEST_F(ImageViewer, AnUploadOnTheReferenceServerReachesThePage)
{
    loginToReference();
    record = childNamed(directory(""), "Our garden");
    ASSERT_TRUE(record);
    std::string before = record->get("ImageUrl").asString();
    open();
    settle();
    ASSERT_TRUE(screen->imageView()->image()); // fetched from the record's address
    picker->next = solidPicture(20, 10, 0, 0, 255);
    screen->change();
    settle();
    ASSERT_EQ(answers.size(), 1u);
    std::string after = childNamed(directory(""), "Our garden")->get("ImageUrl").asString();
    EXPECT_NE(after, before);
    EXPECT_EQ(answers[0]->object()->get("ImageUrl").asString(), after);
}

} // namespace
} // namespace quindle::test
