// Views beyond the plain rows: header pictures, ticking event rows, popovers, touch input, and
// the registry through which other parts of the client paint, drive and host their views.
#include "PhoneTestSupport.h"

#include "content/EventCell.h"
#include "frontends/qt/AlertPainter.h"
#include "frontends/qt/ViewRegistry.h"
#include "platform/Date.h"
#include "platform/JsonValue.h"
#include "ui/ImageView.h"
#include "ui/PopoverController.h"

#include <QPainter>
#include <QtTest>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

namespace {

/// A view kind only the registry knows how to show.
class Gauge : public View {
public:
    static std::shared_ptr<Gauge> create(Rect frame) { return std::shared_ptr<Gauge>(new Gauge(frame)); }

private:
    explicit Gauge(Rect frame) : View(frame) { }
};

class Player : public View {
public:
    static std::shared_ptr<Player> create(Rect frame) { return std::shared_ptr<Player>(new Player(frame)); }

private:
    explicit Player(Rect frame) : View(frame) { }
};

/// A row kind only the registry knows how to show (as carousel rows are).
class GaugeCell : public TableViewCell {
public:
    static std::shared_ptr<GaugeCell> create() { return std::shared_ptr<GaugeCell>(new GaugeCell()); }

private:
    GaugeCell() : TableViewCell(CellStyle::Default, "Gauge") { }
};

class ViewScreen : public ViewController {
public:
    static std::shared_ptr<ViewScreen> create(std::vector<std::shared_ptr<View>> views)
    {
        auto screen = std::shared_ptr<ViewScreen>(new ViewScreen());
        screen->views = std::move(views);
        return screen;
    }
    std::vector<std::shared_ptr<View>> views;

protected:
    ViewScreen() : ViewController("Views") { }
    void loadView() override
    {
        auto root = View::create();
        for (const auto& view : views)
            root->addSubview(view);
        setView(root);
    }
};

} // namespace

class PhoneViewsTest : public QObject, protected PhoneOnStack {
    Q_OBJECT


private slots:
    void cleanup()
    {
        phone.reset();
        window.reset();
        stack.reset();
    }

    void aHeaderPictureSitsAboveTheRowsAndScrollsWithThem()
    {
        auto screen = TableScreen::create("Page", rowsTitled({ "Alpha", "Beta" }));
        open(screen);
        auto header = ImageView::create({ 0, 0, 100, 160 });
        header->setBackgroundColour(Colour::fromRGB(0, 0.5, 0));
        screen->table->setTableHeaderView(header);
        QImage shot = settledShot(*phone);
        double top = phone->currentScene().content.top();
        QCOMPARE(phone->rowRect(*screen->table, { 0, 0 }).top(), top + 160);
        QCOMPARE(header->frame().width, 390.0); // the header spans the table
        QColor green = shot.pixelColor((QPointF(380, top + 80) * shot.devicePixelRatio()).toPoint());
        QVERIFY2(green.green() > 100 && green.red() < 30, qPrintable(green.name()));
        screen->table->scrollTo({ 0, 100 });
        settledShot(*phone);
        QCOMPARE(phone->rowRect(*screen->table, { 0, 0 }).top(), top + 60);
    }

    void eventRowsCountDownAsTimePasses()
    {
        auto rows = std::make_shared<RecordingRows>();
        rows->titles = { "Fair" };
        Date event = DateFormat::now() + std::chrono::hours(24 * 30);
        std::string when = DateFormat::format(event, "yyyy-MM-dd HH:mm:ss", DateFormat::Zone::Local);
        std::shared_ptr<EventCell> shown;
        rows->makeCell = [&](IndexPath) {
            auto cell = EventCell::create(CellStyle::Default, "Event");
            auto record = JsonObject::create();
            record->set("Name", JsonValue(std::string("Fair")));
            record->set("Date", JsonValue(when));
            // Configured as if ten days ago: the window brings the countdown up to now.
            cell->configureWithDictionary(record, DateFormat::now() - std::chrono::hours(24 * 10));
            shown = cell;
            return cell;
        };
        open(TableScreen::create("Events", rows));
        QVERIFY(shown);
        std::string stale = shown->countDownLabel()->text();
        std::string current = EventCell::countDownText(when, DateFormat::now());
        QVERIFY(stale != current);
        QTRY_COMPARE_WITH_TIMEOUT(shown->countDownLabel()->text(), current, 3000);
    }

    void popoversFloatOverTheScreenAndCloseOnATapOutside()
    {
        auto below = TableScreen::create("Page", rowsTitled({ "Alpha" }));
        open(below);
        auto inside = TableScreen::create("Choices", rowsTitled({ "Red", "Blue" }));
        auto popover = PopoverController::create(inside);
        popover->setPopoverContentSize({ 300, 200 });
        popover->presentPopoverFromRect({ 100, 100, 40, 40 }, *below, PopoverArrow::Any, Animated::No);
        QImage shot = settledShot(*phone);
        PopoverLayout layout = PopoverLayout::build(*popover, QRectF(0, 0, 390, 844));
        QCOMPARE(layout.panel.size(), QSizeF(300, 200));
        QVERIFY(layout.panel.top() >= 150); // below its anchor
        // A row of the popover takes the tap; the page under it does not.
        click(*phone, phone->rowRect(*inside->table, { 0, 1 }).center());
        QCOMPARE(inside->rows->selected.size(), size_t(1));
        QCOMPARE(inside->rows->selected[0].row, 1);
        click(*phone, QPointF(20, 700));
        QVERIFY(!popover->isPopoverVisible());
        QVERIFY(below->rows->selected.empty());
        QVERIFY(settledShot(*phone) != shot);
    }

    void aTouchTapSelectsARow()
    {
        auto screen = TableScreen::create("Page", rowsTitled({ "Alpha", "Beta" }));
        open(screen);
        // The test owns the device it makes; deleting it takes it off Qt's device list.
        std::unique_ptr<QPointingDevice> device(QTest::createTouchDevice());
        QPoint at = phone->rowRect(*screen->table, { 0, 1 }).center().toPoint();
        QTest::touchEvent(phone.get(), device.get()).press(0, at);
        QTest::touchEvent(phone.get(), device.get()).release(0, at);
        QCOMPARE(screen->rows->selected.size(), size_t(1));
        QCOMPARE(screen->rows->selected[0].row, 1);
    }

    void registeredViewsArePaintedDrivenAndStepped()
    {
        std::vector<QRectF> painted;
        std::vector<PointerEvent> pointers;
        int steps = 0;
        ViewRegistry::shared().add<Gauge>({
            [&](QPainter& painter, View&, const QRectF& rect) {
                painted.push_back(rect);
                painter.fillRect(rect, Qt::magenta);
            },
            [&](View&, const PointerEvent& event) {
                pointers.push_back(event);
                return true;
            },
            [&](View&, double) { return ++steps < 5; },
            nullptr,
        });
        auto gauge = Gauge::create({ 50, 50, 100, 100 });
        open(ViewScreen::create({ gauge }));
        QVERIFY(!painted.empty());
        QCOMPARE(painted.back(), QRectF(0, 0, 100, 100));
        QImage shot = settledShot(*phone);
        QPointF centre = phone->currentScene().content.topLeft() + QPointF(100, 100);
        QCOMPARE(shot.pixelColor((centre * shot.devicePixelRatio()).toPoint()), QColor(Qt::magenta));
        // The whole gesture goes to the view, in its own points.
        drag(*phone, centre, centre + QPointF(30, 0), 3);
        QVERIFY(pointers.size() >= 3);
        QCOMPARE(pointers.front().phase, PointerEvent::Phase::Press);
        QCOMPARE(pointers.front().location, QPointF(50, 50));
        QCOMPARE(pointers.back().phase, PointerEvent::Phase::Release);
        QCOMPARE(pointers.back().location, QPointF(80, 50));
        // Frames come while the view says it moves, and stop when it rests.
        QTRY_VERIFY_WITH_TIMEOUT(steps >= 5, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!phone->isAnimating(), 2000);
        int resting = steps;
        QTest::qWait(150);
        QCOMPARE(steps, resting);
        ViewRegistry::shared().add<Gauge>({});
    }

    void registeredCellsArePaintedAtTheirRowAndTakeTheirGestures()
    {
        std::vector<QRectF> painted;
        std::vector<PointerEvent> pointers;
        ViewRegistry::shared().add<GaugeCell>({
            [&](QPainter& painter, View&, const QRectF& rect) {
                painted.push_back(rect);
                painter.fillRect(rect, Qt::cyan);
            },
            [&](View&, const PointerEvent& event) {
                pointers.push_back(event);
                return true;
            },
            nullptr,
            nullptr,
        });
        auto rows = rowsTitled({ "Plain", "Gauge" });
        rows->makeCell = [](IndexPath path) -> std::shared_ptr<TableViewCell> {
            if (path.row == 1)
                return GaugeCell::create();
            return TableViewCell::create(CellStyle::Default, "Row");
        };
        auto screen = TableScreen::create("Cells", rows);
        open(screen);
        QImage shot = settledShot(*phone);
        QVERIFY(!painted.empty());
        QRectF row = phone->rowRect(*screen->table, { 0, 1 });
        QCOMPARE(painted.back().size(), row.size());
        QCOMPARE(shot.pixelColor((row.center() * shot.devicePixelRatio()).toPoint()), QColor(Qt::cyan));
        // A tap on the row goes to the cell's handler, not to the table's selection.
        click(*phone, row.center());
        QVERIFY(!pointers.empty());
        QCOMPARE(pointers.front().phase, PointerEvent::Phase::Press);
        QVERIFY(rows->selected.empty());
        ViewRegistry::shared().add<GaugeCell>({});
    }

    void hostedWidgetsFollowTheirViewAndGoWithIt()
    {
        QPointer<QWidget> made;
        ViewRegistry::shared().add<Player>({ nullptr, nullptr, nullptr, [&](View&, QWidget* parent) {
            made = new QWidget(parent);
            return made.data();
        } });
        auto player = Player::create({ 10, 30, 200, 120 });
        open(ViewScreen::create({ player }));
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
};

QTEST_MAIN(PhoneViewsTest)
#include "test_PhoneViews.moc"
