// The text client's photo library: `photo PATH` hands a real JPEG file to the next pick, the
// screen sends that picture, the status line says what was picked, and a pick with nothing
// handed over is cancelled. Driven through the interpreter on the image library grid.

#include "frontends/term/TermPhotoPicker.h"

#include "editors/PictureFixture.h"
#include "editors/ImageSelectionViewController.h"
#include "frontends/term/CommandInterpreter.h"
#include "platform/Base64.h"

#include <filesystem>
#include <fstream>

using namespace quindle;
using namespace quindle::test;

using TermPhotos = PictureFixture;

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
             { "tap 0", true }, { "expect Alert: Title", true }, { "alert Cancel", true }, // grid items take taps by number
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
