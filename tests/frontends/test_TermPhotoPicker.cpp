// The text client's photo library: `photo PATH` hands a real JPEG file to the next pick, the
// screen sends the decoded picture, the status line says what was picked, and a pick with
// nothing handed over is cancelled. Driven through the interpreter on the picture screens.

#include "frontends/term/TermPhotoPicker.h"

#include "editors/EditorFixture.h"
#include "editors/ImageSelectionViewController.h"
#include "frontends/term/CommandInterpreter.h"
#include "platform/Base64.h"

#include <filesystem>
#include <fstream>

using namespace quindle;
using namespace quindle::test;

namespace {

class TermPhotos : public EditorFixture {
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        server.setResponder([this](const RecordedRequest& request) {
            if (request.path.ends_with("imageList"))
                return json(R"({"Message":{"ImageList":[{"AssetId":"7","ImageUrl":"http://127.0.0.1:1/none.jpg"}]}})");
            return json(R"({"Message":{"Sent":"Yes"}})");
        });
        folder = std::filesystem::temp_directory_path() / ("quindle-photo-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        jpeg = folder / "garden.jpg";
        std::ofstream(jpeg, std::ios::binary) << *solidPicture(24, 16, 20, 160, 40)->jpegData(0.9);
        std::ofstream(folder / "notes.txt") << "no picture here";
        item = JsonObject::create({ { "AssetId", "42" }, { "name", "Garden" } });
        show(ImageSelectionViewController::create(item));
        interpreter = std::make_unique<CommandInterpreter>(window, model().httpClient());
        termPicker = TermPhotoPicker::install(*interpreter);
    }
    void TearDown() override
    {
        interpreter.reset();
        std::filesystem::remove_all(folder);
        EditorFixture::TearDown();
    }
    void run(const std::string& line, bool ok = true)
    {
        auto result = interpreter->execute(line);
        EXPECT_EQ(result.ok, ok) << line << ": " << result.message;
    }

    std::filesystem::path folder;
    std::filesystem::path jpeg;
    JsonObjectPtr item;
    std::unique_ptr<CommandInterpreter> interpreter;
    std::shared_ptr<TermPhotoPicker> termPicker;
};

TEST_F(TermPhotos, AHandedOverFileIsWhatTheNextPickSends)
{
    EXPECT_EQ(PhotoPicker::shared(), termPicker);
    run("wait");
    run("reject Photo picker");
    // The grid takes taps by item number; the name alert opens over it.
    run("tap 0");
    run("expect Alert: Title");
    run("alert Cancel");
    run("photo " + (folder / "missing.jpg").string(), false);
    run("photo " + (folder / "notes.txt").string(), false);
    run("photo " + jpeg.string());
    run("expect Photo picker: next pick gets " + jpeg.string());
    run("press Upload Image");
    run("wait");
    run("expect Photo picker: picked " + jpeg.string() + " (24x16)");
    auto sent = requestsTo("sendImage");
    ASSERT_EQ(sent.size(), 1u);
    auto body = parsedBody(sent[0]);
    ASSERT_TRUE(body);
    auto decoded = Image::decode(Base64::decode(body->get("image").asString()).value_or(""));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->width(), 24);
    EXPECT_EQ(decoded->height(), 16);

    // Nothing handed over: the pick is cancelled and nothing more is sent.
    run("press Upload Image");
    run("wait");
    run("expect Photo picker: cancelled");
    EXPECT_EQ(requestsTo("sendImage").size(), 1u);
}

} // namespace
