// The phone window follows the ui model and takes a user's input, the registry paints, drives and
// hosts other parts' views, and the main queue reaches the Qt thread; with the Qt pieces installed,
// the editors as it draws and drives them: the add-item menu and its video screen, the style
// chooser whose rows preview their styles, and the colour wheel painted from its raster and dragged.
#include "PhoneTestSupport.h"

#include "content/CarouselCell.h"
#include "content/EventCell.h"
#include "content/TableViewController.h"
#include "content/YoutubeVideoCell.h"
#include "content/YoutubeVideoDataSource.h"
#include "editors/CarouselTypeViewController.h"
#include "editors/ColorWheelViewController.h"
#include "editors/DirectoryActionsViewController.h"
#include "frontends/qt/AlertPainter.h"
#include "frontends/qt/PhotoPicker.h"
#include "frontends/qt/QtComponents.h"
#include "frontends/qt/QtFontCatalogue.h"
#include "frontends/qt/ViewRegistry.h"
#include "platform/Date.h"
#include "platform/JsonValue.h"
#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/DatePicker.h"
#include "ui/ImageView.h"
#include "ui/PopoverController.h"
#include "ui/RefreshControl.h"
#include "ui/Slider.h"
#include "ui/Switch.h"
#include "ui/TextField.h"
#include "ui/VideoPlayerView.h"
#include "ui/WebView.h"

#include <QPainter>
#include <QtTest>

#include <cmath>
#include <thread>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

namespace {

/// A view of a kind only the registry knows how to show (`Tag` tells the kinds apart).
template <int Tag>
class Plain : public View {
public:
    static std::shared_ptr<Plain> create(Rect frame) { return std::shared_ptr<Plain>(new Plain(frame)); }

private:
    explicit Plain(Rect frame) : View(frame) { }
};
using Gauge = Plain<0>;
using Player = Plain<1>;

/// A row kind only the registry knows how to show (as carousel rows are).
class GaugeCell : public TableViewCell {
public:
    static std::shared_ptr<GaugeCell> create() { return std::shared_ptr<GaugeCell>(new GaugeCell()); }

private:
    GaugeCell() : TableViewCell(CellStyle::Default, "Gauge") { }
};

/// Registry handlers that fill their rect with `colour` and record what they paint and take.
struct RecordingHandlers {
    std::vector<QRectF> painted;
    std::vector<PointerEvent> pointers;
    ViewHandlers handlers(QColor colour)
    {
        auto paint = [this, colour](QPainter& painter, View&, const QRectF& rect) {
            painted.push_back(rect);
            painter.fillRect(rect, colour);
        };
        auto pointer = [this](View&, const PointerEvent& event) {
            pointers.push_back(event);
            return true;
        };
        return { paint, pointer, nullptr, nullptr };
    }
};

/// Whether the painted pixel is the packed colour within a few levels (scaling smooths the raster).
bool near(QColor painted, uint32_t packed, int tolerance = 12)
{
    return like(QColor(int(packed & 0xFF), int(packed >> 8 & 0xFF), int(packed >> 16 & 0xFF)), tolerance)(painted);
}

} // namespace

class PhoneWindowTest : public QObject, protected PhoneOnStack {
    Q_OBJECT
    std::shared_ptr<TabBarController> tabs;
    std::shared_ptr<TableScreen> home;
    void openHome(std::shared_ptr<RecordingRows> rows)
    {
        home = TableScreen::create("Home", std::move(rows));
        open(home);
    }
    std::unique_ptr<MainQueueBridge> bridge;
    QPointF rowCentre(const TableView& table, int row) { return phone->rowRect(table, { 0, row }).center(); }
    QColor shownAt(QPointF at) { return pixelAt(settledShot(*phone), at); }
    /// Opens a plain screen holding the views.
    void openViews(const std::vector<std::shared_ptr<View>>& views)
    {
        auto screen = ViewController::create("Views");
        for (const auto& view : views)
            screen->view()->addSubview(view);
        open(screen);
    }
    /// A point of the colour wheel's view in window points.
    QPointF onWheel(ColorWheelViewController& screen, Point view)
    {
        Rect frame = screen.colorWheel()->frame();
        return phone->currentScene().content.topLeft() + QPointF(frame.x + view.x, frame.y + view.y);
    }

private slots:
    void initTestCase()
    {
        MainQueue::shared().makeCurrentThreadMain();
        installQtComponents();
        bridge = std::make_unique<MainQueueBridge>();
        // Web pages are shown as widgets, and photos and fonts come from Qt; the carousel rows and the
        // video panel are seen drawn and taking input below.
        auto* page = ViewRegistry::shared().find(*WebView::create());
        QVERIFY(page && page->makeWidget && !page->paint);
        QVERIFY(dynamic_cast<QtPhotoPicker*>(PhotoPicker::shared().get()) && dynamic_cast<QtFontCatalogue*>(&FontCatalogue::current()));
    }
    void cleanupTestCase()
    {
        FontCatalogue::install(nullptr); // the plain catalogue again
        bridge.reset();
    }
    void cleanup()
    {
        close();
        tabs.reset();
        home.reset();
    }

    // Home (three rows) and Account (badge "3") in two tabs.
    void tabsStacksModalScreensRowFadesAndTheSpinner()
    {
        home = TableScreen::create("Home", rowsTitled({ "Alpha", "Beta", "Gamma" }));
        stack = NavigationController::create(home);
        auto second = NavigationController::create(ViewController::create("Account"));
        second->viewControllers().front()->setBadgeValue("3");
        tabs = TabBarController::create();
        tabs->setViewControllers({ stack, second });
        show(tabs);
        QImage before = settledShot(*phone);
        QVERIFY(distinctColours(before) > 8);
        Scene scene = phone->currentScene();
        QCOMPARE(scene.title, QStringLiteral("Home"));
        QVERIFY(scene.backRect.isEmpty() && scene.tabSlots.size() == 2 && scene.tabSlots[0].selected);
        QCOMPARE(scene.tabSlots[1].badge, QStringLiteral("3"));
        // The badge is a red pill right of the second tab's picture.
        QColor red = pixelAt(before, QPointF(scene.tabSlots[1].rect.center().x() + 15, scene.tabSlots[1].rect.top() + 8));
        QVERIFY2(red.red() > 200 && red.green() < 120, qPrintable(red.name()));
        // Rows sit under the bars at the table's row height.
        QRectF first = phone->rowRect(*home->table, { 0, 0 });
        QCOMPARE(first, QRectF(0, Metrics::statusBar + Metrics::navigationBar, 390, TableView::defaultRowHeight));
        QCOMPARE(phone->rowRect(*home->table, { 0, 2 }).top(), first.top() + 2 * TableView::defaultRowHeight);
        stack->pushViewController(TableScreen::create("Details", rowsTitled({ "One" })), Animated::Yes);
        QVERIFY(phone->isAnimating()); // the push slides
        QVERIFY(settledShot(*phone) != before);
        scene = phone->currentScene();
        QCOMPARE(scene.title, QStringLiteral("Details"));
        QVERIFY(scene.backTitle.contains("Home") && !scene.backRect.isEmpty());
        stack->popViewController(Animated::No);
        QCOMPARE(settledShot(*phone), before); // the home screen exactly as it was
        tabs->setSelectedIndex(1);
        QCOMPARE(phone->currentScene().title, QStringLiteral("Account"));
        QVERIFY(phone->currentScene().tabSlots[1].selected);
        QVERIFY(settledShot(*phone) != before);
        tabs->setSelectedIndex(0);
        home->presentViewController(ViewController::create("Sheet"), Animated::Yes);
        scene = phone->currentScene();
        QVERIFY(scene.modal && scene.tabBar.isEmpty()); // a modal screen covers the tabs
        QCOMPARE(scene.title, QStringLiteral("Sheet"));
        QVERIFY(window->back());
        QVERIFY(!phone->currentScene().modal && !phone->currentScene().tabBar.isEmpty());
        // Inserted rows fade in; deleted ones fade out where they were.
        settledShot(*phone);
        home->rows->titles.push_back("Delta");
        home->table->insertRowsAtIndexPaths({ { 0, 3 } }, RowAnimation::Fade);
        QVERIFY(phone->isAnimating() || (phone->repaint(), phone->isAnimating()));
        QTRY_VERIFY_WITH_TIMEOUT(!phone->isAnimating(), 2000);
        QCOMPARE(phone->rowRect(*home->table, { 0, 3 }).height(), TableView::defaultRowHeight);
        home->rows->titles.erase(home->rows->titles.begin() + 1);
        home->table->deleteRowsAtIndexPaths({ { 0, 1 } }, RowAnimation::Fade);
        QImage fading = phone->grab().toImage(); // "Beta" still shows faintly over "Gamma"
        QVERIFY(phone->isAnimating() && fading != settledShot(*phone));
        QVERIFY(phone->rowRect(*home->table, { 0, 3 }).isEmpty());
        // The busy spinner waits before showing: short waits show nothing.
        auto client = std::make_shared<BusyClient>();
        phone->setHttpClient(client);
        client->busy = 1;
        QTest::qWait(120);
        QVERIFY(!phone->isBusyShown());
        QTRY_VERIFY_WITH_TIMEOUT(phone->isBusyShown(), 2000);
        client->busy = 0;
        QTRY_VERIFY_WITH_TIMEOUT(!phone->isBusyShown(), 2000);
        // Hidden bars leave their space to the screen.
        stack->setNavigationBarHidden(BarVisibility::Hidden);
        tabs->setTabBarHidden(BarVisibility::Hidden);
        scene = phone->currentScene();
        QVERIFY(scene.navigationBar.isEmpty() && scene.tabBar.isEmpty());
        QCOMPARE(scene.content, QRectF(0, Metrics::statusBar, 390, 844 - Metrics::statusBar));
    }

    void mainQueueWorkFromAnyThreadRunsOnTheQtThread()
    {
        const int drained = bridge->drains();
        std::atomic<bool> ran { false }, onMain { false };
        std::thread sender([&] {
            MainQueue::shared().dispatch([&] {
                onMain = MainQueue::shared().isMainThread() && QThread::currentThread() == qApp->thread();
                ran = true;
            });
        });
        sender.join();
        QTRY_VERIFY_WITH_TIMEOUT(ran.load(), 2000);
        QVERIFY(onMain.load() && bridge->drains() > drained);
    }

    // Bar buttons, row clicks and touches, an alert that takes every click until answered, and
    // a popover that closes on a tap outside.
    void barButtonsRowsAlertsAndPopovers()
    {
        openHome(rowsTitled({ "Alpha", "Beta", "Gamma" }));
        auto& selected = home->rows->selected;
        int pressed = 0;
        home->setRightBarButtonItems({ BarButtonItem::create(SystemItem::Add, [&] { ++pressed; }), BarButtonItem::create(SystemItem::Edit, [] { }) });
        home->setLeftBarButtonItem(BarButtonItem::create(SystemItem::Done, [] { }));
        Scene scene = phone->currentScene();
        QStringList labels;
        for (const auto& slot : scene.barButtons)
            labels << slot.label;
        QCOMPARE(labels, QStringList({ "Done", "+", "Edit" }));
        // The first right button is at the far right; the left one on the left.
        QVERIFY(scene.barButtons[1].rect.right() > scene.barButtons[2].rect.right());
        QVERIFY(scene.barButtons[0].rect.left() < 100);
        click(*phone, scene.barButtons[1].rect.center());
        QCOMPARE(pressed, 1);
        stack->pushViewController(ViewController::create("Second"), Animated::No);
        stack->pushViewController(ViewController::create("Third"), Animated::No);
        settledShot(*phone);
        click(*phone, phone->currentScene().backRect.center());
        QCOMPARE(stack->viewControllers().size(), size_t(2));
        QTest::keyClick(phone.get(), Qt::Key_Escape);
        QCOMPARE(stack->viewControllers().size(), size_t(1));
        click(*phone, rowCentre(*home->table, 1));
        QCOMPARE(selected, (std::vector<IndexPath> { { 0, 1 } }));
        // A press that moves away is a drag, not a tap.
        drag(*phone, rowCentre(*home->table, 2), rowCentre(*home->table, 2) + QPointF(40, 0));
        QCOMPARE(selected.size(), size_t(1));
        // The test owns the device it makes; deleting it takes it off Qt's device list.
        std::unique_ptr<QPointingDevice> device(QTest::createTouchDevice());
        QPoint at = rowCentre(*home->table, 2).toPoint();
        QTest::touchEvent(phone.get(), device.get()).press(0, at);
        QTest::touchEvent(phone.get(), device.get()).release(0, at);
        QCOMPARE(selected, (std::vector<IndexPath> { { 0, 1 }, { 0, 2 } }));
        QImage before = settledShot(*phone);
        auto notice = AlertView::create("Delete?", "The page goes to the trash.", "Cancel", { "Delete" });
        notice->show(window);
        QImage shown = settledShot(*phone);
        QPointF corner(5, 300);
        QVERIFY(pixelAt(shown, corner).lightness() < pixelAt(before, corner).lightness() - 40);
        AlertLayout layout = AlertLayout::build(*notice, QRectF(0, 0, 390, 844));
        QVERIFY(layout.buttons.size() == 2 && layout.buttonsInRow);
        QCOMPARE(pixelAt(shown, layout.panel.center()).lightness(), QColor(248, 248, 248).lightness());
        notice->chooseButton(0);
        QCOMPARE(settledShot(*phone), before);
        auto alert = AlertView::create("Name the page", "", "Cancel", { "Save" });
        alert->setAlertViewStyle(AlertViewStyle::PlainTextInput);
        int chosen = -1;
        alert->onDismiss = [&](AlertView&, int index) { chosen = index; };
        alert->show(window);
        QImage empty = settledShot(*phone);
        layout = AlertLayout::build(*alert, QRectF(0, 0, 390, 844));
        // A row outside the panel and the back key are both held back.
        QPointF row = rowCentre(*home->table, 0);
        QVERIFY(!layout.panel.contains(row));
        click(*phone, row);
        QTest::keyClick(phone.get(), Qt::Key_Escape);
        QVERIFY(selected.size() == 2 && window->topAlert() == alert);
        QTest::keyClicks(phone.get(), "Garden"); // its field takes the keys
        QCOMPARE(QString::fromStdString(alert->textFieldAtIndex(0)->text()), QStringLiteral("Garden"));
        auto black = like(Qt::black, 60);
        QVERIFY(countPixels(empty, black, layout.fields[0]) == 0 && countPixels(settledShot(*phone), black, layout.fields[0]) > 20);
        click(*phone, layout.buttons[1].center());
        QVERIFY(chosen == 1 && !window->topAlert());
        click(*phone, row);
        QCOMPARE(selected.size(), size_t(3));
        auto inside = TableScreen::create("Choices", rowsTitled({ "Red", "Blue" }));
        auto popover = PopoverController::create(inside);
        popover->setPopoverContentSize({ 300, 200 });
        popover->presentPopoverFromRect({ 100, 100, 40, 40 }, *home, PopoverArrow::Any, Animated::No);
        QImage floating = settledShot(*phone);
        PopoverLayout placed = PopoverLayout::build(*popover, QRectF(0, 0, 390, 844));
        QVERIFY(placed.panel.size() == QSizeF(300, 200) && placed.panel.top() >= 150); // below its anchor
        // A row of the popover takes the tap; the page under it does not.
        click(*phone, phone->rowRect(*inside->table, { 0, 1 }).center());
        QCOMPARE(inside->rows->selected, (std::vector<IndexPath> { { 0, 1 } }));
        click(*phone, QPointF(20, 700));
        QVERIFY(!popover->isPopoverVisible() && selected.size() == 3 && settledShot(*phone) != floating);
    }

    // The cell keeps what is typed in its record, which the content tests check.
    void typingGoesIntoTheFieldClicked()
    {
        auto rows = rowsTitled({ "Name", "Room" });
        rows->makeCell = [titles = rows->titles](IndexPath path) {
            auto cell = TextFieldCell::create(CellStyle::Default, "Field");
            cell->configureWithAsset(JsonObject::create({ { "Title", titles[path.row] }, { "Type", "TextField" } }));
            return cell;
        };
        openHome(rows);
        click(*phone, rowCentre(*home->table, 0));
        auto first = std::dynamic_pointer_cast<TextFieldCell>(home->table->cellForRowAtIndexPath({ 0, 0 }));
        QVERIFY(first && first->textField()->isFirstResponder());
        QTest::keyClicks(phone.get(), "Annie");
        QTest::keyClick(phone.get(), Qt::Key_Backspace);
        QCOMPARE(QString::fromStdString(first->textField()->text()), QStringLiteral("Anni"));
        // Tab moves to the next field; return ends the edit there.
        QTest::keyClick(phone.get(), Qt::Key_Tab);
        auto second = std::dynamic_pointer_cast<TextFieldCell>(home->table->cellForRowAtIndexPath({ 0, 1 }));
        QVERIFY(second->textField()->isFirstResponder() && !first->textField()->isFirstResponder());
        bool returned = false;
        second->textField()->onReturn = [&](TextField&) { returned = true; };
        QTest::keyClicks(phone.get(), "12");
        QTest::keyClick(phone.get(), Qt::Key_Return);
        QVERIFY(returned && !second->textField()->isFirstResponder());
        QCOMPARE(QString::fromStdString(second->textField()->text()), QStringLiteral("12"));
    }

    void reorderModeShowsHandlesAndDeleteButtonsThatMoveAndDelete()
    {
        auto rows = rowsTitled({ "Alpha", "Beta", "Gamma", "Delta" });
        rows->editable = true;
        openHome(rows);
        QImage plain = settledShot(*phone);
        home->table->setEditing(Editing::On, Animated::No);
        QImage editing = settledShot(*phone);
        QPointF button(CellMetrics::editInset / 2 - 8, rowCentre(*home->table, 1).y() - 5);
        QVERIFY2(pixelAt(editing, button).red() > 200 && pixelAt(editing, button).green() < 100, qPrintable(pixelAt(editing, button).name()));
        QVERIFY(pixelAt(plain, button).red() > 200 && pixelAt(plain, button).green() > 200);
        home->table->setEditing(Editing::Off, Animated::No);
        QCOMPARE(settledShot(*phone), plain);
        home->table->setEditing(Editing::On, Animated::No);
        settledShot(*phone);
        QPointF handle(390 - CellMetrics::handleWidth / 2, rowCentre(*home->table, 0).y());
        drag(*phone, handle, QPointF(handle.x(), rowCentre(*home->table, 2).y()));
        QVERIFY(rows->moves == (std::vector<std::pair<IndexPath, IndexPath>> { { { 0, 0 }, { 0, 2 } } }));
        QCOMPARE(rows->titles[2], std::string("Alpha"));
        // Below the last row the row goes last.
        settledShot(*phone);
        drag(*phone, QPointF(handle.x(), rowCentre(*home->table, 1).y()), QPointF(handle.x(), 700));
        QCOMPARE(rows->moves.back().second, (IndexPath { 0, 3 }));
        QCOMPARE(rows->titles.back(), std::string("Gamma"));
        settledShot(*phone);
        click(*phone, QPointF(CellMetrics::editInset / 2, rowCentre(*home->table, 1).y()));
        QVERIFY(rows->deleted == (std::vector<IndexPath> { { 0, 1 } }) && rows->selected.empty()); // reorder mode takes no selection
    }

    void dragsFlicksWheelAndPullsScrollWithinTheEnds()
    {
        std::vector<std::string> titles;
        for (int i = 0; i < 60; ++i)
            titles.push_back("Row " + std::to_string(i));
        openHome(rowsTitled(titles));
        double maximum = 60 * TableView::defaultRowHeight - home->table->frame().height;
        drag(*phone, QPointF(200, 600), QPointF(200, 300), 10, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!phone->isAnimating(), 5000);
        QVERIFY(home->rows->selected.empty());
        QVERIFY2(home->table->contentOffset().y >= 300 - 1, qPrintable(QString::number(home->table->contentOffset().y)));
        // A flick goes on after the finger lifts, slower and slower, and stops at the end.
        drag(*phone, QPointF(200, 700), QPointF(200, 100), 6, 8);
        double atRelease = home->table->contentOffset().y;
        QTRY_VERIFY_WITH_TIMEOUT(!phone->isAnimating(), 5000);
        double rest = home->table->contentOffset().y;
        QVERIFY2(rest > atRelease + 50 && rest <= maximum + 0.01, qPrintable(QString("%1 %2").arg(atRelease).arg(rest)));
        // The wheel scrolls back and stops at the top.
        QWheelEvent wheel(QPointF(200, 400), phone->mapToGlobal(QPointF(200, 400)), QPoint(), QPoint(0, 120 * 1000),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(phone.get(), &wheel);
        QCOMPARE(home->table->contentOffset().y, 0.0);
        // Rows drawn are the rows in view: the first row is now on screen again.
        settledShot(*phone);
        QVERIFY(!phone->rowRect(*home->table, { 0, 0 }).isEmpty() && phone->rowRect(*home->table, { 0, 40 }).isEmpty());
        // Pulling past the top refreshes; a header picture sits above the rows and scrolls with them.
        auto control = RefreshControl::create();
        int refreshes = 0;
        control->onRefresh = [&](RefreshControl&) { ++refreshes; };
        home->table->setRefreshControl(control);
        // A short pull springs back without refreshing.
        drag(*phone, QPointF(200, 150), QPointF(200, 150 + ContentPainter::pullThreshold), 8);
        QCOMPARE(refreshes, 0);
        QTRY_VERIFY_WITH_TIMEOUT(home->table->contentOffset().y == 0, 3000);
        drag(*phone, QPointF(200, 150), QPointF(200, 150 + 3 * ContentPainter::pullThreshold), 8);
        QVERIFY(refreshes == 1 && control->isRefreshing());
        QTRY_VERIFY_WITH_TIMEOUT(home->table->contentOffset().y == 0, 3000);
        auto header = ImageView::create({ 0, 0, 100, 160 });
        header->setBackgroundColour(Colour::fromRGB(0, 0.5, 0));
        home->table->setTableHeaderView(header);
        QImage shot = settledShot(*phone);
        double top = phone->currentScene().content.top();
        QCOMPARE(phone->rowRect(*home->table, { 0, 0 }).top(), top + 160);
        QCOMPARE(header->frame().width, 390.0); // the header spans the table
        QColor green = pixelAt(shot, QPointF(380, top + 80));
        QVERIFY2(green.green() > 100 && green.red() < 30, qPrintable(green.name()));
        home->table->scrollTo({ 0, 100 });
        settledShot(*phone);
        QCOMPARE(phone->rowRect(*home->table, { 0, 0 }).top(), top + 60);
    }

    void controlsTakeTapsAndDrags()
    {
        auto toggle = Switch::create({ 20, 20, 51, 31 });
        auto slider = Slider::create({ 20, 80, 300, 40 });
        auto button = Button::create("Go", { 20, 140, 100, 44 });
        auto pad = View::create({ 20, 200, 200, 100 });
        auto picker = DatePicker::create({ 0, 320, 390, 160 });
        openViews({ toggle, slider, button, pad, picker });
        QPointF origin = phone->currentScene().content.topLeft();
        int taps = 0;
        button->onTap = [&](Button&) { ++taps; };
        std::vector<Point> touches;
        pad->onTouch = [&](View&, Point at) { touches.push_back(at); };
        click(*phone, origin + QPointF(45, 35));
        QVERIFY(toggle->isOn());
        click(*phone, origin + QPointF(70, 160));
        QCOMPARE(taps, 1);
        click(*phone, origin + QPointF(30, 250));
        QVERIFY(touches.size() == 1 && touches[0].x == 10 && touches[0].y == 50);
        // The slider follows the drag from its thumb to the far end.
        drag(*phone, origin + QPointF(34, 100), origin + QPointF(400, 100), 5);
        QCOMPARE(slider->value(), 1.0);
        // A tap under the middle of a picker's wheel turns it forward one step, above it back.
        Date start = picker->date();
        int changes = 0;
        picker->onValueChanged = [&](DatePicker&) { ++changes; };
        click(*phone, origin + QPointF(100, 320 + 120)); // the date wheel, below the middle
        QCOMPARE(picker->date() - start, std::chrono::system_clock::duration(std::chrono::hours(24)));
        click(*phone, origin + QPointF(340, 320 + 40)); // the minute wheel, above the middle
        QCOMPARE(picker->date() - start, std::chrono::system_clock::duration(std::chrono::hours(24) - std::chrono::minutes(1)));
        click(*phone, origin + QPointF(340, 320 + 80)); // the middle band itself is no step
        QCOMPARE(changes, 2);
    }

    // Registered views are painted, take whole gestures in their own points and get frames while
    // they move; registered cells are painted at their row, beside an event row whose countdown the
    // window keeps up to date; hosted widgets follow their view.
    void registeredViewsCellsAndWidgets()
    {
        RecordingHandlers recorded;
        int steps = 0;
        ViewHandlers handlers = recorded.handlers(Qt::magenta);
        handlers.step = [&](View&, double) { return ++steps < 5; };
        ViewRegistry::shared().add<Gauge>(handlers);
        openViews({ Gauge::create({ 50, 50, 100, 100 }) });
        QVERIFY(!recorded.painted.empty() && recorded.painted.back() == QRectF(0, 0, 100, 100));
        QPointF centre = phone->currentScene().content.topLeft() + QPointF(100, 100);
        QCOMPARE(pixelAt(settledShot(*phone), centre), QColor(Qt::magenta));
        drag(*phone, centre, centre + QPointF(30, 0), 3);
        QVERIFY(recorded.pointers.size() >= 3);
        QVERIFY(recorded.pointers.front().phase == PointerEvent::Phase::Press && recorded.pointers.front().location == QPointF(50, 50));
        QVERIFY(recorded.pointers.back().phase == PointerEvent::Phase::Release && recorded.pointers.back().location == QPointF(80, 50));
        QTRY_VERIFY_WITH_TIMEOUT(steps >= 5, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!phone->isAnimating(), 2000);
        int resting = steps;
        QTest::qWait(150);
        QCOMPARE(steps, resting);
        ViewRegistry::shared().add<Gauge>({});
        close();
        RecordingHandlers cells;
        ViewRegistry::shared().add<GaugeCell>(cells.handlers(Qt::cyan));
        auto rows = rowsTitled({ "Plain", "Gauge", "Fair" });
        std::string when = DateFormat::format(DateFormat::now() + std::chrono::hours(24 * 30), "yyyy-MM-dd HH:mm:ss", DateFormat::Zone::Local);
        std::shared_ptr<EventCell> event;
        rows->makeCell = [&](IndexPath path) -> std::shared_ptr<TableViewCell> {
            if (path.row < 2)
                return path.row == 1 ? GaugeCell::create() : TableViewCell::create(CellStyle::Default, "Row");
            event = EventCell::create(CellStyle::Default, "Event");
            // Configured as if ten days ago: the window brings the countdown up to now.
            event->configureWithDictionary(JsonObject::create({ { "Name", "Fair" }, { "Date", when } }), DateFormat::now() - std::chrono::hours(24 * 10));
            return event;
        };
        openHome(rows);
        QVERIFY(event);
        std::string current = EventCell::countDownText(when, DateFormat::now());
        QVERIFY(event->countDownLabel()->text() != current);
        QTRY_COMPARE_WITH_TIMEOUT(event->countDownLabel()->text(), current, 3000);
        QImage shot = settledShot(*phone);
        QRectF row = phone->rowRect(*home->table, { 0, 1 });
        QVERIFY(!cells.painted.empty() && cells.painted.back().size() == row.size());
        QCOMPARE(pixelAt(shot, row.center()), QColor(Qt::cyan));
        // A tap on the row goes to the cell's handler, not to the table's selection.
        click(*phone, row.center());
        QVERIFY(!cells.pointers.empty() && cells.pointers.front().phase == PointerEvent::Phase::Press && rows->selected.empty());
        ViewRegistry::shared().add<GaugeCell>({});
        close();
        QPointer<QWidget> made;
        ViewRegistry::shared().add<Player>({ nullptr, nullptr, nullptr, [&](View&, QWidget* parent) {
            made = new QWidget(parent);
            return made.data();
        } });
        auto player = Player::create({ 10, 30, 200, 120 });
        openViews({ player });
        QTRY_VERIFY_WITH_TIMEOUT(made, 2000);
        QCOMPARE(made->parentWidget(), phone.get());
        QPointF origin = phone->currentScene().content.topLeft();
        QCOMPARE(made->geometry(), QRect((origin + QPointF(10, 30)).toPoint(), QSize(200, 120)));
        player->setFrame({ 10, 60, 200, 120 });
        QTRY_COMPARE_WITH_TIMEOUT(made->geometry().top(), int(origin.y() + 60), 2000);
        player->removeFromSuperview();
        QTRY_VERIFY_WITH_TIMEOUT(!made, 2000);
        ViewRegistry::shared().add<Player>({});
    }

    // The menu's last row opens the video screen, whose preview is drawn in its tall row and
    // follows a typed id.
    void theMenuOpensTheVideoScreen()
    {
        auto menu = DirectoryActionsViewController::create(Model::defaultInstance());
        menu->setAssetID("42");
        open(menu);
        QCOMPARE(phone->currentScene().title, QStringLiteral("Directory actions"));
        click(*phone, rowCentre(*menu->tableView(), 7));
        settledShot(*phone);
        auto screen = std::dynamic_pointer_cast<TableViewController>(stack->topViewController());
        QVERIFY(screen);
        auto source = std::dynamic_pointer_cast<YoutubeVideoDataSource>(screen->datasource());
        auto table = screen->tableView();
        QRectF preview = phone->rowRect(*table, { 0, YoutubeVideoDataSource::PreviewRow });
        QCOMPARE(preview.height(), YoutubeVideoDataSource::previewRowHeight);
        // The panel's dark poster fills the row; the rows above are light.
        QCOMPARE(shownAt(preview.topLeft() + QPointF(12, 12)), QColor(28, 28, 30));
        QVERIFY(shownAt(rowCentre(*table, YoutubeVideoDataSource::NameLabelRow) + QPointF(150, 0)).lightness() > 200);
        QCOMPARE(QString::fromStdString(source->youtubeCell()->videoView()->videoId()), QStringLiteral("M7lc1UVf-VE"));
        click(*phone, rowCentre(*table, YoutubeVideoDataSource::IdRow));
        QVERIFY(source->videoIdent()->isFirstResponder());
        QTest::keyClicks(phone.get(), "dQw4w9WgXcQ");
        QTest::keyClick(phone.get(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(source->youtubeCell()->videoView()->videoId()), QStringLiteral("dQw4w9WgXcQ"));
    }

    // Every row of the style chooser previews its own style at the chooser's heights and reports
    // it when clicked.
    void everyStyleIsDrawnAndLooksDifferent()
    {
        std::vector<long> reported;
        auto chooser = CarouselTypeViewController::create(JsonObject::create(), [&](long style) { reported.push_back(style); });
        open(chooser);
        auto table = chooser->tableView();
        auto rowShot = [&](const QImage& shot, int row) { return shot.copy(phone->rowRect(*table, { 0, row }).toAlignedRect()); };
        std::vector<QImage> previews;
        for (int row = 0; row < 12; ++row) {
            table->scrollTo({ 0, row * CarouselTypeViewController::rowHeight });
            QImage shot = settledShot(*phone);
            QRectF rect = phone->rowRect(*table, { 0, row });
            QVERIFY2(!rect.isEmpty() && qRound(rect.height()) == 110, qPrintable(QString("row %1 is not drawn in full").arg(row)));
            previews.push_back(rowShot(shot, row));
            double ink = countPixels(previews.back(), [](QColor c) { return qGray(c.rgb()) < 245; }) / double(previews.back().width() * previews.back().height());
            QVERIFY2(ink > 0.1, qPrintable(QString("row %1 shows no carousel").arg(row)));
        }
        // Each style places its items differently, so no two previews look alike; the two cover
        // flows differ only between items, which the next check looks at.
        for (size_t a = 0; a < previews.size(); ++a)
            for (size_t b = a + 1; b < previews.size(); ++b)
                QVERIFY2((a == 7 && b == 8) || previews[a] != previews[b], qPrintable(QString("styles %1 and %2 look alike").arg(a).arg(b)));
        table->scrollTo({ 0, 7 * CarouselTypeViewController::rowHeight });
        settledShot(*phone);
        for (int row : { 7, 8 }) {
            auto cell = std::dynamic_pointer_cast<CarouselCell>(table->cellForRowAtIndexPath({ 0, row }));
            QVERIFY(cell);
            cell->carousel()->setScrollOffset(0.3);
        }
        QImage shot = settledShot(*phone);
        QVERIFY2(rowShot(shot, 7) != rowShot(shot, 8), "the two cover flows look alike between items");
        table->scrollTo({ 0, 0 });
        settledShot(*phone);
        click(*phone, rowCentre(*table, 2));
        QCoreApplication::processEvents();
        QVERIFY(!reported.empty() && reported.back() == 2);
    }

    // The disc is painted from the raster with image y upward; a drag on the wheel moves the cursor
    // and fills the new-colour well, and the brightness slider dims the disc.
    void theWheelIsPaintedFromItsRasterAndDragged()
    {
        auto screen = ColorWheelViewController::create();
        open(screen);
        auto wheel = screen->colorWheel();
        QVERIFY(wheel->radius() > 100);
        QImage shot = settledShot(*phone);
        double r = wheel->radius();
        Point centre { std::trunc(wheel->frame().width) / 2, std::trunc(wheel->frame().height) / 2 };
        const struct {
            const char* where;
            Point view;
        } samples[] = {
            { "centre", centre },
            { "right, near the rim", { centre.x + r - 6, centre.y } },
            { "above the centre", { centre.x, centre.y - r + 6 } },
            { "below the centre", { centre.x, centre.y + r - 6 } },
            { "left, half way", { centre.x - r / 2, centre.y } },
        };
        for (const auto& sample : samples) {
            QColor painted = pixelAt(shot, onWheel(*screen, sample.view));
            QVERIFY2(near(painted, wheel->colorAtPoint(wheel->viewToImageSpace(sample.view))), qPrintable(QString(sample.where) + ": painted " + painted.name()));
        }
        // The two ends of the vertical line differ (cyan above, red below), so the flip is seen.
        QVERIFY(pixelAt(shot, onWheel(*screen, { centre.x, centre.y - r + 6 })).red() < 30);
        QVERIFY(pixelAt(shot, onWheel(*screen, { centre.x, centre.y + r - 6 })).red() > 240);
        QVERIFY(near(pixelAt(shot, onWheel(*screen, centre)), 0xFFFFFF, 3));
        Point target { wheel->touchPoint().x + r * 0.8, wheel->touchPoint().y };
        drag(*phone, onWheel(*screen, wheel->touchPoint()), onWheel(*screen, target), 8);
        QVERIFY(std::abs(wheel->touchPoint().x - target.x) < 0.01 && std::abs(wheel->touchPoint().y - target.y) < 0.01);
        Rect well = screen->wellView()->frame();
        QPointF origin = phone->currentScene().content.topLeft();
        QColor picked = QColor::fromRgbF(wheel->currentColor().red, wheel->currentColor().green, wheel->currentColor().blue);
        QVERIFY2(like(picked, 2)(shownAt(origin + QPointF(well.x + well.width / 2, well.y + well.height / 2))), "the well shows the picked colour");
        // Dragging the slider's thumb to the middle halves the brightness and repaints the disc.
        auto slider = screen->brightnessSlider();
        Rect track = slider->frame();
        drag(*phone, origin + QPointF(track.x + track.width - 14, track.y + track.height / 2), origin + QPointF(track.x + track.width / 2, track.y + track.height / 2), 6);
        QVERIFY(std::abs(slider->value() - 0.5) < 0.02);
        QColor centrePixel = shownAt(onWheel(*screen, centre));
        QVERIFY2(near(centrePixel, wheel->colorAtPoint({ r, r }), 3), qPrintable(centrePixel.name()));
    }
};

QTEST_MAIN(PhoneWindowTest)
#include "test_PhoneWindow.moc"
