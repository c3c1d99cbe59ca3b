// The document form screen against the reference server: rows by kind, what a row opens,
// each control reaching the server, and a refused value shown as not saved.

#include "forms/BoolView.h"
#include "forms/DocumentViewController.h"
#include "forms/NumberView.h"
#include "forms/SelectViewController.h"
#include "forms/TextEditViewController.h"

#include "content/ContentFixture.h"
#include "server/QuindleServer.h"
#include "ui/ImageView.h"
#include "ui/NavigationController.h"

#include <gtest/gtest.h>

using namespace quindle;
using namespace quindle::test;

namespace {

class DocumentScreen : public ReferenceServerFixture {
protected:
    void open(bool loggedIn)
    {
        useReferenceServer();
        if (loggedIn) {
            Collector login;
            model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
            ASSERT_TRUE(login.waitFor(1));
        }
        AssetRecord item = childNamed(directory(""), "Resident assessment");
        ASSERT_TRUE(item);
        Collector fetch;
        model().fetchDocumentForAssetID(item->get("assetID").asString(), fetch.handler());
        Outcome outcome = fetch.single();
        ASSERT_TRUE(outcome.content && outcome.content->isObject());
        screen = DocumentViewController::createForDocument(outcome.content->object(), item->get("assetID").asString());
        nav = NavigationController::create(screen);
        table = screen->tableView();
    }
    std::shared_ptr<TableViewCell> row(int index) { return screen->datasource()->cellForRowAtIndexPath(*table, { 0, index }); }
    std::string detail(int index) { return row(index)->detailTextLabel()->text(); }
    std::string accessoryText(int index) { return std::dynamic_pointer_cast<Label>(row(index)->accessoryView())->text(); }

    std::shared_ptr<DocumentViewController> screen;
    std::shared_ptr<NavigationController> nav;
    std::shared_ptr<TableView> table;
};

} // namespace

TEST_F(DocumentScreen, RowsByKindAndWhatEachRowOpens)
{
    ShellGuard shell;
    open(false);
    EXPECT_EQ(screen->title(), "Resident assessment");
    EXPECT_EQ(table->titleForHeaderInSection(0), "Name");
    ASSERT_EQ(table->numberOfRowsInSection(0), 10);
    struct Case {
        int row;
        const char* label;
        AccessoryType mark;
        const char* opens; // "" when nothing opens
    };
    const Case cases[] = {
        { 0, "Weight", AccessoryType::None, "" }, { 1, "Height", AccessoryType::None, "" }, { 2, "BMI", AccessoryType::None, "" },
        { 3, "Note", AccessoryType::None, "" }, { 4, "Smoker", AccessoryType::None, "" }, { 5, "Note", AccessoryType::DisclosureIndicator, "text" },
        { 6, "BMI over 25", AccessoryType::None, "" }, { 7, "Mobility", AccessoryType::DisclosureIndicator, "select" },
        { 8, "Photo", AccessoryType::None, "image" }, { 9, "", AccessoryType::None, "" }, // "Room plan": the author's picture, no label
    };
    for (const Case& c : cases) {
        auto cell = row(c.row);
        EXPECT_EQ(cell->textLabel()->text(), c.label) << c.row;
        if (!cell->accessoryView()) {
            EXPECT_EQ(cell->accessoryType(), c.mark) << c.row;
        }
        auto next = screen->datasource()->viewControllerFofIndexPath({ 0, c.row });
        std::string opened = !next ? "" : std::dynamic_pointer_cast<TextEditViewController>(next) ? "text"
            : std::dynamic_pointer_cast<SelectViewController>(next)                                 ? "select"
            : std::dynamic_pointer_cast<RecordedEditor>(next)                                       ? "image"
                                                                                                    : "other";
        EXPECT_EQ(opened, c.opens) << c.row;
        if (auto editor = std::dynamic_pointer_cast<RecordedEditor>(next)) {
            EXPECT_EQ(std::make_pair(editor->kind, editor->parentID), std::make_pair(std::string("ImageEditViewController"), screen->datasource()->assetID()));
            EXPECT_EQ(editor->object->get("name").asString(), "Photo");
        }
    }
    EXPECT_EQ(std::dynamic_pointer_cast<NumberView>(row(0)->accessoryView())->textField()->text(), "72.0");
    EXPECT_EQ(accessoryText(2), "22.22"); // 72 / 1.8^2 at two decimals
    EXPECT_EQ(accessoryText(6), "-2.78");
    EXPECT_EQ(std::dynamic_pointer_cast<BoolView>(row(4)->accessoryView())->state(), 2); // "0" is no
    auto options = std::dynamic_pointer_cast<SelectViewController>(screen->datasource()->viewControllerFofIndexPath({ 0, 7 }));
    EXPECT_EQ(options->rows(), (std::vector<std::string> { "Independent", "Needs help", "Dependent" }));

    // The filled-in photo comes from the value, the room plan from "assVal": both arrive from the server.
    auto picture = [&](int index) { return std::dynamic_pointer_cast<ImageView>(row(index)->accessoryView())->image(); };
    EXPECT_FALSE(picture(8));
    settle();
    for (int index : { 8, 9 }) {
        auto image = picture(index);
        ASSERT_TRUE(image) << index;
        EXPECT_EQ(image->width(), 96) << index;
    }
}

TEST_F(DocumentScreen, EachControlReachesTheServerAndTheComputedEntriesFollow)
{
    open(true);
    auto number = std::dynamic_pointer_cast<NumberView>(row(0)->accessoryView());
    number->textField()->becomeFirstResponder();
    number->textField()->type("90");
    number->textField()->pressReturn();
    settle();
    EXPECT_EQ(accessoryText(2), "27.78");
    EXPECT_EQ(accessoryText(6), "2.78");

    std::dynamic_pointer_cast<BoolView>(row(4)->accessoryView())->touch({ 10, 15 });
    settle();
    EXPECT_EQ(std::dynamic_pointer_cast<BoolView>(row(4)->accessoryView())->state(), 1);

    table->selectRow({ 0, 7 });
    auto options = std::dynamic_pointer_cast<SelectViewController>(nav->topViewController());
    ASSERT_TRUE(options);
    options->tableView()->selectRow({ 0, 2 });
    settle();
    EXPECT_EQ(nav->topViewController(), screen);
    EXPECT_EQ(detail(7), "Dependent");

    table->selectRow({ 0, 5 });
    auto text = std::dynamic_pointer_cast<TextEditViewController>(nav->topViewController());
    ASSERT_TRUE(text);
    text->textView()->type("Needs a frame");
    text->rightBarButtonItem()->press();
    settle();
    EXPECT_EQ(detail(5), "Needs a frame");

    // What the server now holds, read back through a fresh fetch of the document.
    Collector fetch;
    model().fetchDocumentForAssetID(screen->datasource()->assetID(), fetch.handler());
    Outcome outcome = fetch.single();
    ASSERT_TRUE(outcome.content && outcome.content->isObject());
    auto dict = outcome.content->object()->get("dict").object();
    for (auto [key, value] : { std::pair { "Weight", "90" }, { "Smoker", "1" }, { "Mobility", "Dependent" }, { "Note", "Needs a frame" } })
        EXPECT_EQ(dict->get(key).object()->get("val").asString(), value) << key;
    for (int i = 0; i < 10; ++i)
        EXPECT_NE(detail(i), DocumentDatasource::unsavedText) << i;
}

TEST_F(DocumentScreen, ARefusedValueShowsAsNotSavedAndIsSentAgainWhenSelected)
{
    open(false); // a visitor may not write: the server refuses
    std::dynamic_pointer_cast<BoolView>(row(4)->accessoryView())->touch({ 10, 15 });
    settle();
    EXPECT_EQ(detail(4), DocumentDatasource::unsavedText);
    EXPECT_EQ(detail(0), "");

    Collector login;
    model().loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, login.handler());
    ASSERT_TRUE(login.waitFor(1));
    EXPECT_TRUE(table->selectRow({ 0, 4 })); // sends it again instead of opening anything
    settle();
    EXPECT_EQ(nav->topViewController(), screen);
    EXPECT_EQ(detail(4), "");
    EXPECT_EQ(std::dynamic_pointer_cast<BoolView>(row(4)->accessoryView())->state(), 1);
}
