#include "app/AppFixture.h"
#include "core/ModelFixture.h"
#include "editors/ColorWheelViewController.h"
#include "editors/TextEditorFontViewController.h"
#include "editors/TextEditorViewController.h"
#include "platform/JsonParser.h"
#include "server/QuindleServer.h"

#include <set>

namespace quindle::test {
namespace {

Reply reply(int status, std::string body)
{
    Reply r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

class TextEditorTest : public AppFixture {
protected:
    static AssetRecord record(std::vector<JsonObject::Entry> entries) { return JsonObject::create(std::move(entries)); }

    /// An editor on `object` shown in a stack; its completion handler counts the replies.
    std::shared_ptr<TextEditorViewController> open(const AssetRecord& object, TextEditorMode mode)
    {
        auto editor = TextEditorViewController::create(model(), object, mode, [this](std::optional<JsonValue> answer) {
            answers.push_back(std::move(answer));
        });
        stack = present(editor);
        return editor;
    }

    static JsonObjectPtr body(const RecordedRequest& request)
    {
        auto parsed = JsonParser::parse(request.body);
        return parsed && parsed->isObject() ? parsed->object() : nullptr;
    }

    std::shared_ptr<NavigationController> stack;
    std::vector<std::optional<JsonValue>> answers;
};

TEST_F(TextEditorTest, EachKindOfItemGoesToItsEndpointWithItsBody)
{
    const std::string options = "Georgia:18:0.10,0.20,0.30:0.90,0.80,0.70";
    struct Case {
        const char* what;
        AssetRecord object;
        TextEditorMode mode;
        const char* endpoint;
        const char* textKey;
        const char* typed;
    };
    const Case cases[] = {
        { "text block", record({ { "AssetId", "41" }, { "Type", "Text" }, { "Name", "Welcome" }, { "Data", "Hello" }, { "Options", options } }),
            TextEditorMode::Text, "sendText", "text", "Hello & goodbye" },
        { "single-line input", record({ { "AssetId", "42" }, { "Type", "TextField" }, { "Name", "name" }, { "Title", "Your name" }, { "Options", options } }),
            TextEditorMode::TextInput, "sendTextField", "title", "Full name" },
        { "new multi-line input", record({ { "AssetId", "7" }, { "Type", "Directory" }, { "Name", "Contact" }, { "Options", options } }),
            TextEditorMode::MultiLineInput, "sendTextView", "title", "Message" },
        // Opened by the coordinator as an input only: the record says it is multi-line.
        { "existing multi-line input", record({ { "AssetId", "43" }, { "Type", "TextView" }, { "Name", "msg" }, { "Title", "Message" }, { "Options", options } }),
            TextEditorMode::TextInput, "sendTextView", "title", "Your message" },
    };
    auto& recorder = useRecordingServer([](const RecordedRequest&) { return reply(200, R"({"Message":{"AssetId":"1"}})"); });
    size_t sent = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        answers.clear();
        auto editor = open(c.object, c.mode);
        if (c.mode == TextEditorMode::Text)
            editor->textView()->setText(c.typed);
        else
            editor->nameField()->setText(c.typed);
        editor->keyField()->setText("key-" + std::to_string(sent));
        editor->textView()->setText(c.mode == TextEditorMode::Text ? c.typed : "view text");
        editor->rightBarButtonItem()->press();
        ASSERT_TRUE(recorder.waitForRequests(++sent));
        EXPECT_TRUE(answers.empty()); // the reply is handled on the main queue only
        RecordedRequest request = recorder.requests().back();
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.path, "/~corvath/vantro/web/app_dev.php/" + std::string(c.endpoint));
        auto sentBody = body(request);
        ASSERT_TRUE(sentBody);
        std::set<std::string> keys;
        for (const auto& [key, value] : sentBody->entries())
            keys.insert(key);
        EXPECT_EQ(keys, (std::set<std::string> { "options", "assetid", "key", c.textKey }));
        EXPECT_EQ(sentBody->get("options").asString(), options);
        EXPECT_EQ(sentBody->get("assetid").asString(), *asset::ident(c.object));
        EXPECT_EQ(sentBody->get("key").asString(), "key-" + std::to_string(sent - 1));
        EXPECT_EQ(sentBody->get(c.textKey).asString(), c.typed);

        ASSERT_TRUE(runUntil([&] { return !answers.empty(); }));
        ASSERT_TRUE(answers[0]);
        EXPECT_EQ(answers[0]->object()->get("AssetId").asString(), "1");
        EXPECT_EQ(c.object->get("assVal").asString(), c.mode == TextEditorMode::Text ? c.typed : "view text");
        EXPECT_EQ(c.object->get("options").asString(), options);
        EXPECT_FALSE(editor->alert());
    }
}

TEST_F(TextEditorTest, OptionsStringFromTheRecordAndTheChoices)
{
    struct Case {
        const char* what;
        std::optional<std::string> stored;
        std::optional<Colour> chosenText;
        std::string expected;
    };
    const Case cases[] = {
        { "no options", std::nullopt, std::nullopt, "(null):(null):0.00,0.00,0.00:1.00,1.00,1.00" },
        { "three fields are ignored", "Georgia:18:0.10,0.20,0.30", std::nullopt, "(null):(null):0.00,0.00,0.00:1.00,1.00,1.00" },
        { "four fields are read", "Georgia:18:0.1,0.2,0.3:0.9,0.8,0.7", std::nullopt, "Georgia:18:0.10,0.20,0.30:0.90,0.80,0.70" },
        { "a chosen colour, alpha dropped", std::nullopt, Colour { 0.5, 0.25, 1, 0.3 }, "(null):(null):0.50,0.25,1.00:1.00,1.00,1.00" },
    };
    for (const auto& c : cases) {
        auto object = record({ { "AssetId", "5" }, { "Data", "x" } });
        if (c.stored)
            object->set("Options", *c.stored);
        auto editor = open(object, TextEditorMode::Text);
        if (c.chosenText)
            editor->updateTextColour(*c.chosenText);
        EXPECT_EQ(editor->optionsString(), c.expected) << c.what;
        EXPECT_EQ(editor->textView()->textColour(), editor->textColor()) << c.what;
        EXPECT_EQ(editor->textView()->backgroundColour(), editor->backgroundColor()) << c.what;
    }
}

TEST_F(TextEditorTest, ASaveTheServerDidNotTakeChangesNothing)
{
    int replies = 0;
    auto& recorder = useRecordingServer([&](const RecordedRequest&) {
        // A server error, then a reply without content: neither is a save.
        return ++replies == 1 ? reply(500, R"({"error":"down"})") : reply(200, "{}");
    });
    auto object = record({ { "AssetId", "41" }, { "Data", "Hello" }, { "Options", "Georgia:18:0.10,0.20,0.30:0.90,0.80,0.70" } });
    auto editor = open(object, TextEditorMode::Text);
    editor->textView()->setText("Typed, not yet stored");
    for (size_t attempt = 1; attempt <= 2; ++attempt) {
        editor->save();
        ASSERT_TRUE(recorder.waitForRequests(attempt));
        ASSERT_TRUE(runUntil([&] { return window->topAlert() != nullptr; }));
        auto alert = window->topAlert();
        EXPECT_EQ(alert->title(), "Not saved");
        EXPECT_EQ(alert->buttonTitles(), std::vector<std::string> { "OK" });
        EXPECT_TRUE(answers.empty());
        EXPECT_FALSE(object->find("assVal"));
        EXPECT_FALSE(object->find("options"));
        EXPECT_EQ(stack->topViewController(), editor);
        EXPECT_EQ(editor->textView()->text(), "Typed, not yet stored");
        alert->chooseButtonWithTitle("OK");
    }
}

TEST_F(TextEditorTest, RowsOpenTheChoosersAndTakeTheirChoice)
{
    auto editor = open(record({ { "AssetId", "5" }, { "Type", "TextField" }, { "Title", "Your name" }, { "Name", "name" } }), TextEditorMode::TextInput);
    auto table = editor->tableView();
    ASSERT_EQ(table->numberOfRowsInSection(0), 6);
    EXPECT_EQ(table->layoutAllRows().rows[0].cell, editor->nameCell());
    EXPECT_EQ(editor->nameField()->text(), "Your name");
    EXPECT_EQ(editor->keyField()->text(), "name");
    const char* labels[] = { "Font", "Size", "Text colour", "Background colour" };
    for (int row = 2; row < 6; ++row) {
        auto cell = table->layoutAllRows().rows[size_t(row)].cell;
        EXPECT_EQ(cell->textLabel()->text(), labels[row - 2]);
        EXPECT_EQ(cell->accessoryType(), AccessoryType::DisclosureIndicator);
        EXPECT_EQ(table->heightForRowAtIndexPath({ 0, row }), 42);
    }
    for (int row : { 0, 1 }) {
        table->selectRow({ 0, row });
        EXPECT_EQ(stack->topViewController(), editor) << "row " << row;
    }

    editor->nameField()->setText("Typed");
    table->selectRow({ 0, 2 });
    auto fonts = std::dynamic_pointer_cast<TextEditorFontViewController>(stack->topViewController());
    ASSERT_TRUE(fonts);
    EXPECT_EQ(fonts->selection(), "");
    fonts->tableView()->selectRow({ 0, 0 });
    EXPECT_EQ(stack->topViewController(), editor);
    EXPECT_EQ(editor->fontName(), "Courier");
    EXPECT_EQ(editor->nameField()->text(), "Typed"); // a redraw keeps what was typed

    table->selectRow({ 0, 5 });
    auto wheel = std::dynamic_pointer_cast<ColorWheelViewController>(stack->topViewController());
    ASSERT_TRUE(wheel);
    EXPECT_FALSE(wheel->currentColour());
    wheel->brightnessSlider()->slide(0.5);
    wheel->save();
    EXPECT_EQ(stack->topViewController(), editor);
    EXPECT_EQ(editor->backgroundColor(), (Colour { 127 / 255.0, 127 / 255.0, 127 / 255.0, 1 }));
    EXPECT_EQ(editor->textView()->backgroundColour(), editor->backgroundColor());
    EXPECT_EQ(editor->optionsString(), "Courier:(null):0.00,0.00,0.00:0.50,0.50,0.50");
}

TEST_F(TextEditorTest, TheReferenceServerKeepsAnEditedText)
{
    Collector login;
    model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
    ASSERT_TRUE(login.single().content);
    // The home page's "Visiting" text, as the server has it now.
    auto findVisiting = [&]() -> AssetRecord {
        Collector fetch;
        model().fetchDirectoryForAssetID("", fetch.handler());
        auto outcome = fetch.single();
        if (!outcome.content)
            return nullptr;
        JsonArrayPtr items = outcome.content->isArray() ? outcome.content->array() : outcome.content->isObject() ? asset::list(outcome.content->object()) : nullptr;
        for (const JsonValue& child : items ? items->items() : std::vector<JsonValue> {})
            if (child.isObject() && asset::name(child.object()) == "Visiting")
                return child.object();
        return nullptr;
    };
    auto visiting = findVisiting();
    ASSERT_TRUE(visiting);

    auto editor = open(visiting, TextEditorMode::Text);
    EXPECT_EQ(editor->fontName(), "Georgia");
    editor->textView()->setText("Visiting hours are 9:00 to 20:00.");
    editor->updateTextColour({ 0.5, 0.25, 1, 1 });
    editor->save();
    ASSERT_TRUE(runUntil([&] { return !answers.empty(); }));
    ASSERT_TRUE(answers[0]);
    EXPECT_FALSE(editor->alert());

    auto stored = findVisiting();
    ASSERT_TRUE(stored);
    EXPECT_EQ(asset::text(stored), "Visiting hours are 9:00 to 20:00.");
    EXPECT_EQ(asset::options(stored).value_or(""), "Georgia:14:0.50,0.25,1.00:0.95,0.95,0.85");
}

} // namespace
} // namespace quindle::test
