// Input reaches the model: taps, typing, alerts that take every click, reorder drags, scrolling,
// pull to refresh, controls and keys.
#include "PhoneTestSupport.h"

#include "frontends/qt/AlertPainter.h"
#include "platform/JsonValue.h"
#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/DatePicker.h"
#include "ui/RefreshControl.h"
#include "ui/Slider.h"
#include "ui/Switch.h"

#include <QtTest>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

namespace {

AssetRecord fieldRecord(const std::string& title)
{
    auto record = JsonObject::create();
    record->set("Title", JsonValue(title));
    record->set("Type", JsonValue(std::string("TextField")));
    return record;
}

/// A screen of plain controls at fixed places.
class ControlScreen : public ViewController {
public:
    static std::shared_ptr<ControlScreen> create() { return std::shared_ptr<ControlScreen>(new ControlScreen()); }
    std::shared_ptr<Switch> toggle = Switch::create({ 20, 20, 51, 31 });
    std::shared_ptr<Slider> slider = Slider::create({ 20, 80, 300, 40 });
    std::shared_ptr<Button> button = Button::create("Go", { 20, 140, 100, 44 });
    std::shared_ptr<View> pad = View::create({ 20, 200, 200, 100 });
    std::shared_ptr<DatePicker> picker = DatePicker::create({ 0, 320, 390, 160 });

protected:
    ControlScreen() : ViewController("Controls") { }
    void loadView() override
    {
        auto root = View::create();
        for (const auto& view : std::vector<std::shared_ptr<View>> { toggle, slider, button, pad, picker })
            root->addSubview(view);
        setView(root);
    }
};

} // namespace

class PhoneInputTest : public QObject, protected PhoneOnStack {
    Q_OBJECT

    std::shared_ptr<TableScreen> home;

    void openHome(std::shared_ptr<RecordingRows> rows)
    {
        home = TableScreen::create("Home", std::move(rows));
        open(home);
    }

    QPointF rowCentre(IndexPath path) { return phone->rowRect(*home->table, path).center(); }

private slots:
    void cleanup()
    {
        phone.reset();
        window.reset();
        stack.reset();
        home.reset();
    }

    void aClickOnARowReachesTheDelegate()
    {
        openHome(rowsTitled({ "Alpha", "Beta", "Gamma" }));
        click(*phone, rowCentre({ 0, 1 }));
        QCOMPARE(home->rows->selected.size(), size_t(1));
        QCOMPARE(home->rows->selected[0], (IndexPath { 0, 1 }));
        // A press that moves away is a drag, not a tap.
        drag(*phone, rowCentre({ 0, 2 }), rowCentre({ 0, 2 }) + QPointF(40, 0));
        QCOMPARE(home->rows->selected.size(), size_t(1));
    }

    void typingGoesIntoTheRecordOfTheFieldClicked()
    {
        auto rows = std::make_shared<RecordingRows>();
        rows->fields = { fieldRecord("Name"), fieldRecord("Room") };
        openHome(rows);
        click(*phone, rowCentre({ 0, 0 }));
        auto first = std::dynamic_pointer_cast<TextFieldCell>(home->table->cellForRowAtIndexPath({ 0, 0 }));
        QVERIFY(first && first->textField()->isFirstResponder());
        QTest::keyClicks(phone.get(), "Annie");
        QCOMPARE(QString::fromStdString(rows->fields[0]->get("Value").asString()), QStringLiteral("Annie"));
        QTest::keyClick(phone.get(), Qt::Key_Backspace);
        QCOMPARE(QString::fromStdString(rows->fields[0]->get("Value").asString()), QStringLiteral("Anni"));
        QCOMPARE(QString::fromStdString(first->textField()->text()), QStringLiteral("Anni"));

        // Tab moves to the next field; return ends the edit there.
        QTest::keyClick(phone.get(), Qt::Key_Tab);
        auto second = std::dynamic_pointer_cast<TextFieldCell>(home->table->cellForRowAtIndexPath({ 0, 1 }));
        QVERIFY(second->textField()->isFirstResponder());
        QVERIFY(!first->textField()->isFirstResponder());
        bool returned = false;
        second->textField()->onReturn = [&](TextField&) { returned = true; };
        QTest::keyClicks(phone.get(), "12");
        QTest::keyClick(phone.get(), Qt::Key_Return);
        QVERIFY(returned);
        QVERIFY(!second->textField()->isFirstResponder());
        QCOMPARE(QString::fromStdString(rows->fields[1]->get("Value").asString()), QStringLiteral("12"));
        QCOMPARE(QString::fromStdString(rows->fields[0]->get("Value").asString()), QStringLiteral("Anni"));
    }

    void anAlertTakesEveryClickUntilAnswered()
    {
        openHome(rowsTitled({ "Alpha", "Beta" }));
        auto alert = AlertView::create("Name the page", "", "Cancel", { "Save" });
        alert->setAlertViewStyle(AlertViewStyle::PlainTextInput);
        int chosen = -1;
        alert->onDismiss = [&](AlertView&, int index) { chosen = index; };
        alert->show(window);
        settledShot(*phone);
        AlertLayout layout = AlertLayout::build(*alert, QRectF(0, 0, 390, 844));
        // A row outside the panel and the back key are both held back.
        QPointF row = rowCentre({ 0, 0 });
        QVERIFY(!layout.panel.contains(row));
        click(*phone, row);
        QTest::keyClick(phone.get(), Qt::Key_Escape);
        QVERIFY(home->rows->selected.empty());
        QVERIFY(window->topAlert() == alert);
        // Its field takes the keys.
        QTest::keyClicks(phone.get(), "Garden");
        QCOMPARE(QString::fromStdString(alert->textFieldAtIndex(0)->text()), QStringLiteral("Garden"));
        click(*phone, layout.buttons[1].center());
        QCOMPARE(chosen, 1);
        QVERIFY(!window->topAlert());
        click(*phone, row);
        QCOMPARE(home->rows->selected.size(), size_t(1));
    }

    void barButtonsBackAndEscapeDriveTheStack()
    {
        openHome(rowsTitled({ "Alpha" }));
        int pressed = 0;
        home->setRightBarButtonItem(BarButtonItem::create(SystemItem::Add, [&] { ++pressed; }));
        click(*phone, phone->currentScene().barButtons[0].rect.center());
        QCOMPARE(pressed, 1);
        stack->pushViewController(ViewController::create("Second"), Animated::No);
        stack->pushViewController(ViewController::create("Third"), Animated::No);
        settledShot(*phone);
        click(*phone, phone->currentScene().backRect.center());
        QCOMPARE(stack->viewControllers().size(), size_t(2));
        QTest::keyClick(phone.get(), Qt::Key_Escape);
        QCOMPARE(stack->viewControllers().size(), size_t(1));
    }

    void aDragByTheHandleMovesTheRowAndTheButtonDeletes()
    {
        auto rows = rowsTitled({ "Alpha", "Beta", "Gamma", "Delta" });
        rows->editable = true;
        openHome(rows);
        home->table->setEditing(Editing::On, Animated::No);
        settledShot(*phone);
        QPointF handle(390 - CellMetrics::handleWidth / 2, rowCentre({ 0, 0 }).y());
        drag(*phone, handle, QPointF(handle.x(), rowCentre({ 0, 2 }).y()));
        QCOMPARE(rows->moves.size(), size_t(1));
        QCOMPARE(rows->moves[0].first, (IndexPath { 0, 0 }));
        QCOMPARE(rows->moves[0].second, (IndexPath { 0, 2 }));
        QCOMPARE(rows->titles[2], std::string("Alpha"));
        // Below the last row the row goes last.
        settledShot(*phone);
        drag(*phone, QPointF(handle.x(), rowCentre({ 0, 1 }).y()), QPointF(handle.x(), 700));
        QCOMPARE(rows->moves.back().second, (IndexPath { 0, 3 }));
        QCOMPARE(rows->titles.back(), std::string("Gamma"));

        settledShot(*phone);
        click(*phone, QPointF(CellMetrics::editInset / 2, rowCentre({ 0, 1 }).y()));
        QCOMPARE(rows->deleted.size(), size_t(1));
        QCOMPARE(rows->deleted[0], (IndexPath { 0, 1 }));
        QVERIFY(rows->selected.empty()); // reorder mode takes no selection
    }

    void dragsFlicksAndWheelScrollWithinTheEnds()
    {
        std::vector<std::string> titles;
        for (int i = 0; i < 60; ++i)
            titles.push_back("Row " + std::to_string(i));
        openHome(rowsTitled(titles));
        double maximum = 60 * TableView::defaultRowHeight - home->table->frame().height;
        drag(*phone, QPointF(200, 600), QPointF(200, 300), 10, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!phone->isAnimating(), 5000);
        QVERIFY(home->rows->selected.empty());
        double afterDrag = home->table->contentOffset().y;
        QVERIFY2(afterDrag >= 300 - 1, qPrintable(QString::number(afterDrag)));
        // A flick goes on after the finger lifts, slower and slower, and stops at the end.
        drag(*phone, QPointF(200, 700), QPointF(200, 100), 6, 8);
        double atRelease = home->table->contentOffset().y;
        QTRY_VERIFY_WITH_TIMEOUT(!phone->isAnimating(), 5000);
        double rest = home->table->contentOffset().y;
        QVERIFY2(rest > atRelease + 50, qPrintable(QString("%1 %2").arg(atRelease).arg(rest)));
        QVERIFY(rest <= maximum + 0.01);
        // The wheel scrolls back and stops at the top.
        QWheelEvent wheel(QPointF(200, 400), phone->mapToGlobal(QPointF(200, 400)), QPoint(), QPoint(0, 120 * 1000),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(phone.get(), &wheel);
        QCOMPARE(home->table->contentOffset().y, 0.0);
        // Rows drawn are the rows in view: the first row is now on screen again.
        settledShot(*phone);
        QVERIFY(!phone->rowRect(*home->table, { 0, 0 }).isEmpty());
        QVERIFY(phone->rowRect(*home->table, { 0, 40 }).isEmpty());
    }

    void pullingPastTheTopRefreshes()
    {
        openHome(rowsTitled({ "Alpha", "Beta" }));
        auto control = RefreshControl::create();
        int refreshes = 0;
        control->onRefresh = [&](RefreshControl&) { ++refreshes; };
        home->table->setRefreshControl(control);
        // A short pull springs back without refreshing.
        drag(*phone, QPointF(200, 150), QPointF(200, 150 + ContentPainter::pullThreshold), 8);
        QCOMPARE(refreshes, 0);
        QTRY_VERIFY_WITH_TIMEOUT(home->table->contentOffset().y == 0, 3000);
        drag(*phone, QPointF(200, 150), QPointF(200, 150 + 3 * ContentPainter::pullThreshold), 8);
        QCOMPARE(refreshes, 1);
        QVERIFY(control->isRefreshing());
        QTRY_VERIFY_WITH_TIMEOUT(home->table->contentOffset().y == 0, 3000);
    }

    void controlsTakeTapsAndDrags()
    {
        auto screen = ControlScreen::create();
        open(screen);
        QPointF origin = phone->currentScene().content.topLeft();
        int taps = 0;
        screen->button->onTap = [&](Button&) { ++taps; };
        std::vector<Point> touches;
        screen->pad->onTouch = [&](View&, Point at) { touches.push_back(at); };
        click(*phone, origin + QPointF(45, 35));
        QVERIFY(screen->toggle->isOn());
        click(*phone, origin + QPointF(70, 160));
        QCOMPARE(taps, 1);
        click(*phone, origin + QPointF(30, 250));
        QCOMPARE(touches.size(), size_t(1));
        QCOMPARE(touches[0].x, 10.0);
        QCOMPARE(touches[0].y, 50.0);
        // The slider follows the drag from its thumb to the far end.
        drag(*phone, origin + QPointF(34, 100), origin + QPointF(400, 100), 5);
        QCOMPARE(screen->slider->value(), 1.0);
        drag(*phone, origin + QPointF(310, 100), origin + QPointF(20 + 150, 100), 5);
        QVERIFY(std::abs(screen->slider->value() - 0.5) < 0.01);

        // A tap under the middle of a picker's wheel turns it forward one step, above it back.
        Date start = screen->picker->date();
        int changes = 0;
        screen->picker->onValueChanged = [&](DatePicker&) { ++changes; };
        click(*phone, origin + QPointF(100, 320 + 120)); // the date wheel, below the middle
        QCOMPARE(screen->picker->date() - start, std::chrono::system_clock::duration(std::chrono::hours(24)));
        click(*phone, origin + QPointF(340, 320 + 40)); // the minute wheel, above the middle
        QCOMPARE(screen->picker->date() - start, std::chrono::system_clock::duration(std::chrono::hours(24) - std::chrono::minutes(1)));
        click(*phone, origin + QPointF(340, 320 + 80)); // the middle band itself is no step
        QCOMPARE(changes, 2);
    }
};

QTEST_MAIN(PhoneInputTest)
#include "test_PhoneInput.moc"
