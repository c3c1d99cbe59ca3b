#include "RecordingObserver.h"

#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/Label.h"
#include "ui/Slider.h"
#include "ui/Switch.h"
#include "ui/TextField.h"
#include "ui/TextView.h"

#include <gtest/gtest.h>

using namespace quindle;
using quindle::test::RecordingObserver;

namespace {

struct Controls : ::testing::Test {
    void SetUp() override { root->setObserver(observer); }
    template<typename T>
    std::shared_ptr<T> add(std::shared_ptr<T> view)
    {
        root->addSubview(view);
        observer->clear();
        return view;
    }
    std::shared_ptr<RecordingObserver> observer = std::make_shared<RecordingObserver>();
    std::shared_ptr<View> root = View::create({ 0, 0, 320, 480 });
};

}

TEST_F(Controls, ViewTreeRefusesCyclesAndMovesBetweenParents)
{
    auto a = View::create();
    auto b = View::create();
    root->addSubview(a);
    a->addSubview(b);
    b->addSubview(root); // would own its own ancestor
    b->addSubview(b);
    EXPECT_EQ(root->superview(), nullptr);
    EXPECT_TRUE(b->subviews().empty());
    root->addSubview(b);
    EXPECT_TRUE(a->subviews().empty());
    EXPECT_EQ(b->superview(), root);
    EXPECT_EQ(root->subviews().size(), 2u);
}

TEST_F(Controls, UnchangedValuesAreNotReported)
{
    auto label = add(Label::create());
    label->setText("Hello");
    label->setText("Hello");
    label->setHidden(false);
    label->setAlpha(3); // clamped to 1, the value it has
    label->setFrame(label->frame());
    EXPECT_EQ(observer->views.size(), 1u);
    EXPECT_EQ(observer->countViews(*label, ChangeKind::Text), 1u);
}

TEST_F(Controls, ButtonTapRunsOnlyWhenUsable)
{
    auto button = add(Button::create("Restore"));
    int taps = 0;
    button->onTap = [&](Button&) { ++taps; };
    EXPECT_TRUE(button->tap());
    button->setEnabled(false);
    EXPECT_FALSE(button->tap());
    button->setEnabled(true);
    button->setHidden(true);
    EXPECT_FALSE(button->tap());
    EXPECT_EQ(taps, 1);
}

TEST_F(Controls, ButtonMayRemoveItselfWhenTapped)
{
    auto button = Button::create("Restore");
    root->addSubview(button);
    std::weak_ptr<Button> weak = button;
    button->onTap = [](Button& b) { b.removeFromSuperview(); };
    button.reset();
    EXPECT_TRUE(weak.lock()->tap());
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(root->subviews().empty());
}

TEST_F(Controls, TextFieldEditsGoThroughShouldChange)
{
    auto field = add(TextField::create());
    std::string value;
    field->shouldChangeCharacters = [&](TextField&, TextRange range, const std::string& replacement) {
        value = range.applyTo(value, replacement);
        return true;
    };
    int changes = 0;
    field->onChange = [&](TextField&) { ++changes; };
    EXPECT_TRUE(field->replaceCharacters({ 0, 0 }, "a"));
    EXPECT_TRUE(field->replaceCharacters({ 1, 0 }, "b"));
    EXPECT_EQ(value, "ab");
    EXPECT_TRUE(field->replaceCharacters({ 1, 1 }, ""));
    EXPECT_EQ(value, "a");
    EXPECT_EQ(field->text(), "a");
    EXPECT_EQ(changes, 3);
    // Code setting the text is reported but is no user edit.
    field->setText("code");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(observer->countViews(*field, ChangeKind::Text), 4u);
}

TEST_F(Controls, TextFieldRefusedEditLeavesTheText)
{
    auto field = add(TextField::create());
    field->setText("keep");
    field->shouldChangeCharacters = [](TextField&, TextRange, const std::string&) { return false; };
    EXPECT_FALSE(field->type("other"));
    EXPECT_EQ(field->text(), "keep");
}

TEST_F(Controls, TextFieldReturnAndFocus)
{
    auto field = add(TextField::create());
    int returns = 0;
    field->onReturn = [&](TextField&) { ++returns; };
    field->shouldReturn = [](TextField& f) { return !f.text().empty(); };
    EXPECT_FALSE(field->pressReturn());
    field->type("x");
    EXPECT_TRUE(field->pressReturn());
    EXPECT_EQ(returns, 1);
    EXPECT_TRUE(field->becomeFirstResponder());
    field->resignFirstResponder();
    EXPECT_FALSE(field->isFirstResponder());
    field->setHidden(true);
    EXPECT_FALSE(field->becomeFirstResponder());
}

TEST_F(Controls, OnlyOneInputOfATreeHoldsFocus)
{
    auto login = add(TextField::create());
    auto password = add(TextField::create());
    auto notes = add(TextView::create());
    EXPECT_TRUE(login->becomeFirstResponder());
    EXPECT_TRUE(password->becomeFirstResponder());
    EXPECT_FALSE(login->isFirstResponder());
    EXPECT_TRUE(notes->becomeFirstResponder());
    EXPECT_FALSE(password->isFirstResponder());
    root->endEditing();
    EXPECT_FALSE(notes->isFirstResponder());
    EXPECT_EQ(observer->countViews(*login, ChangeKind::Focus), 2u);
}

TEST_F(Controls, FocusMovesBetweenInputsOfSeparateTrees)
{
    // Two table cells hold their inputs in trees of their own; the keyboard still has one owner.
    auto text = TextView::create();
    auto key = TextField::create();
    auto firstCell = View::create(), secondCell = View::create();
    firstCell->addSubview(text);
    secondCell->addSubview(key);
    ASSERT_TRUE(text->becomeFirstResponder());
    ASSERT_TRUE(key->becomeFirstResponder());
    EXPECT_FALSE(text->isFirstResponder());
    ASSERT_TRUE(text->becomeFirstResponder());
    EXPECT_FALSE(key->isFirstResponder());
}

TEST_F(Controls, ReadOnlyTextViewRefusesEditsAndFocus)
{
    auto view = add(TextView::create());
    view->setText("Data");
    view->setEditable(Editable::No);
    EXPECT_FALSE(view->type("changed"));
    EXPECT_FALSE(view->becomeFirstResponder());
    EXPECT_EQ(view->text(), "Data");
    view->setEditable(Editable::Yes);
    std::vector<std::string> seen;
    view->shouldChangeText = [&](TextView&, TextRange range, const std::string& text) {
        seen.push_back(std::to_string(range.location) + ":" + std::to_string(range.length) + ":" + text);
        return true;
    };
    EXPECT_TRUE(view->type("New"));
    EXPECT_EQ(seen, (std::vector<std::string> { "0:4:New" }));
    EXPECT_EQ(view->text(), "New");
}

TEST_F(Controls, SwitchToggleFiresAndCodeDoesNot)
{
    auto toggle = add(Switch::create());
    int fired = 0;
    toggle->onValueChanged = [&](Switch&) { ++fired; };
    toggle->setOn(true);
    EXPECT_EQ(fired, 0);
    toggle->toggle();
    EXPECT_FALSE(toggle->isOn());
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(observer->countViews(*toggle, ChangeKind::Value), 2u);
}

TEST_F(Controls, SliderClampsAndOrdersItsRange)
{
    auto slider = add(Slider::create());
    slider->setRange(10, 0);
    EXPECT_DOUBLE_EQ(slider->minimumValue(), 0);
    EXPECT_DOUBLE_EQ(slider->maximumValue(), 10);
    int fired = 0;
    slider->onValueChanged = [&](Slider&) { ++fired; };
    slider->slide(25);
    EXPECT_DOUBLE_EQ(slider->value(), 10);
    slider->slide(30); // still clamped to 10: no movement
    EXPECT_EQ(fired, 1);
    slider->setRange(0, 5);
    EXPECT_DOUBLE_EQ(slider->value(), 5);
    EXPECT_EQ(fired, 1);
}

TEST_F(Controls, CellLaysOutContentLessAccessory)
{
    auto cell = TableViewCell::create(CellStyle::Subtitle, "DirectoryCell");
    ASSERT_TRUE(cell->detailTextLabel());
    EXPECT_EQ(cell->contentView()->frame().width, TableViewCell::defaultFrame.width);
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    EXPECT_EQ(cell->contentView()->frame().width, TableViewCell::defaultFrame.width - TableViewCell::accessoryWidth);
    cell->setFrame({ 0, 0, 400, 70 });
    EXPECT_EQ(cell->contentView()->frame(), (Rect { 0, 0, 400 - TableViewCell::accessoryWidth, 70 }));
    // A control as accessory keeps its size, centred on the right with a margin; a narrow one
    // takes the mark's width.
    for (auto [control, expected] : { std::pair { Rect { 0, 0, 80, 30 }, Rect { 310, 20, 80, 30 } },
             { Rect { 0, 0, 20, 90 }, Rect { 370, 0, 30, 70 } } }) {
        cell->setAccessoryView(View::create(control));
        EXPECT_EQ(cell->accessoryView()->frame(), expected);
        EXPECT_EQ(cell->contentView()->frame().width, expected.x);
        cell->layoutSubviews();
        EXPECT_EQ(cell->accessoryView()->frame(), expected) << "a second layout keeps it";
    }
    auto plain = TableViewCell::create(CellStyle::Default, "DirectoryCell");
    EXPECT_EQ(plain->detailTextLabel(), nullptr);
    EXPECT_EQ(plain->textLabel()->superview(), plain->contentView());
}

namespace {

struct Grid : CollectionViewDataSource, CollectionViewDelegate {
    int count { 5 };
    int requests { 0 };
    std::vector<int> selected;
    int numberOfItemsInSection(CollectionView&, int) override { return count; }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView& view, IndexPath) override
    {
        ++requests;
        return view.dequeueReusableCellWithReuseIdentifier("Item");
    }
    void didSelectItemAtIndexPath(CollectionView&, IndexPath path) override { selected.push_back(path.row); }
};

}

TEST_F(Controls, CollectionFillsRowsAndReusesCellsAfterReload)
{
    auto grid = std::make_shared<Grid>();
    auto collection = add(CollectionView::create({ 0, 0, 160, 400 }));
    collection->setDataSource(grid);
    collection->setDelegate(grid);
    int made = 0;
    collection->registerCell("Item", [&](const std::string& id) {
        ++made;
        return CollectionViewCell::create(id);
    });
    auto items = collection->layoutItems();
    ASSERT_EQ(items.size(), 5u);
    // Two 75-point items fit in 160; the row's leftover width goes between them.
    EXPECT_EQ(items[1].frame, (Rect { 85, 0, 75, 75 }));
    EXPECT_EQ(items[2].frame, (Rect { 0, 80, 75, 75 }));
    collection->layoutItems();
    EXPECT_EQ(grid->requests, 5);
    collection->reloadData();
    grid->count = 1;
    auto again = collection->layoutItems();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(made, 5);
    // The pool hands back the last cell it took in.
    EXPECT_EQ(again[0].cell, items[4].cell);

    EXPECT_TRUE(collection->selectItem({ 0, 0 }));
    EXPECT_FALSE(collection->selectItem({ 0, 1 }));
    EXPECT_EQ(grid->selected, (std::vector<int> { 0 }));
}

TEST_F(Controls, CollectionReloadsSingleItemsAndScrollsWithinItsRows)
{
    auto grid = std::make_shared<Grid>();
    grid->count = 9;
    auto collection = add(CollectionView::create({ 0, 0, 160, 100 }));
    collection->setDataSource(grid);
    collection->registerCell("Item", [](const std::string& id) { return CollectionViewCell::create(id); });
    auto items = collection->layoutItems();
    ASSERT_TRUE(collection->selectItem({ 0, 3 }));
    collection->reloadItemsAtIndexPaths({ { 0, 1 } });
    auto again = collection->layoutItems();
    EXPECT_EQ(grid->requests, 10);
    EXPECT_EQ(again[0].cell, items[0].cell);
    EXPECT_EQ(again[2].cell, items[2].cell);
    EXPECT_EQ(collection->indexPathForSelectedItem(), (IndexPath { 0, 3 }));

    // Five rows of 75 with 5 between: 395 points, 100 of them in view.
    EXPECT_EQ(collection->contentHeight(), 395);
    struct Case { double asked, kept; };
    for (Case c : { Case { 120, 120 }, Case { -40, 0 }, Case { 1000, 295 } }) {
        collection->setContentOffset({ 0, c.asked });
        EXPECT_EQ(collection->contentOffset().y, c.kept) << c.asked;
    }
    // Fewer items pull the offset back inside the rows.
    grid->count = 4;
    collection->reloadData();
    EXPECT_EQ(collection->contentOffset().y, 55);
}

TEST_F(Controls, TouchReportsWhereItLandsAndOnlyInsideATouchableView)
{
    auto pad = add(View::create({ 10, 10, 80, 30 }));
    EXPECT_FALSE(pad->touch({ 5, 5 })); // nothing listens yet
    std::vector<Point> touches;
    pad->onTouch = [&](View&, Point at) { touches.push_back(at); };
    EXPECT_TRUE(pad->touch({ 20, 15 }));
    EXPECT_TRUE(pad->touch({ 60, 0 }));
    EXPECT_FALSE(pad->touch({ 81, 15 })); // outside its bounds
    EXPECT_FALSE(pad->touch({ -1, 15 }));
    pad->setUserInteractionEnabled(false);
    EXPECT_FALSE(pad->touch({ 20, 15 }));
    pad->setUserInteractionEnabled(true);
    pad->setHidden(true);
    EXPECT_FALSE(pad->touch({ 20, 15 }));
    EXPECT_EQ(touches, (std::vector<Point> { { 20, 15 }, { 60, 0 } }));
}

TEST_F(Controls, AFieldEndsEditingOnceWhenItLosesFocus)
{
    auto first = add(TextField::create());
    auto second = add(TextField::create());
    int ended = 0;
    first->onEndEditing = [&](TextField&) { ++ended; };
    first->resignFirstResponder(); // never had focus
    EXPECT_EQ(ended, 0);
    ASSERT_TRUE(first->becomeFirstResponder());
    first->type("72");
    EXPECT_EQ(ended, 0);
    second->becomeFirstResponder(); // focus moves on
    EXPECT_EQ(ended, 1);
    first->becomeFirstResponder();
    root->endEditing();
    EXPECT_EQ(ended, 2);
    root->endEditing();
    EXPECT_EQ(ended, 2);
}
