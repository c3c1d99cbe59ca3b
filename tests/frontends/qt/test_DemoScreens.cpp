// Screens in the phone window over the reference server's demo. First the app shell, going to the
// same objects the text client drives: pictures of the start page and pushed pages, and after the
// login (the later tests rely on it and on the shell) reorder mode and the Followups and Workflow tabs. Then screens opened one at a time: the image library
// grid, the menu with its allergen, the care plan with its graph button, and web pages.
#include "PhoneTestSupport.h"

#include "app/AppDelegate.h"
#include "app/PushService.h"
#include "content/ApplicationShell.h"
#include "content/DirectoryViewController.h"
#include "content/HidingNavTableViewController.h"
#include "core/ServerConfiguration.h"
#include "editors/ImageSelectionViewController.h"
#include "forms/FollowupViewController.h"
#include "forms/HistoryGraphViewController.h"
#include "forms/MasterViewController.h"
#include "forms/WorkflowViewController.h"
#include "frontends/qt/ScriptRunner.h"
#include "frontends/qt/WebPageWidget.h"
#include "frontends/term/CommandInterpreter.h"
#include "meals/MenuViewController.h"
#include "platform/Log.h"
#include "support/DemoServer.h"
#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/DatePicker.h"
#include "ui/WebView.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

namespace {

/// A grid of 60 plain coloured items.
class PlainGrid : public ViewController, public CollectionViewDataSource {
public:
    PlainGrid() : ViewController("Grid") { }
    int numberOfItemsInSection(CollectionView&, int) override { return 60; }
    std::shared_ptr<CollectionViewCell> cellForItemAtIndexPath(CollectionView&, IndexPath path) override
    {
        auto cell = CollectionViewCell::create("Cell");
        cell->setBackgroundColour(Colour::fromRGB(path.row / 60.0, 0.3, 0.6));
        return cell;
    }
    std::shared_ptr<CollectionView> grid = CollectionView::create();

protected:
    void loadView() override
    {
        grid->setDataSource(std::dynamic_pointer_cast<PlainGrid>(shared_from_this()));
        setView(grid);
    }
};

const QColor chartBlue(0x1e, 0x6f, 0xd9);

/// The longest run of pixels that are not white in one row: an axis or grid line, however smoothed.
int longestInkedRow(const QImage& image)
{
    int best = 0;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            QColor c = image.pixelColor(x, y);
            run = c.red() < 245 || c.green() < 245 || c.blue() < 245 ? run + 1 : 0;
            best = std::max(best, run);
        }
    }
    return best;
}

} // namespace

class DemoScreensTest : public QObject, protected PhoneOnStack {
    Q_OBJECT
    DemoServer reference;
    std::unique_ptr<MainQueueBridge> bridge;
    QTemporaryDir documents; // the app's object store
    std::shared_ptr<AppDelegate> app;
    std::unique_ptr<CommandInterpreter> interpreter;
    std::unique_ptr<PhoneWindow> appPhone;
    QImage shot(const char* name)
    {
        QString path = shotPath(name);
        bool saved = ScriptRunner::saveShot(*appPhone, path, [this] { interpreter->waitUntilIdle(std::chrono::seconds(30)); });
        return saved ? QImage(path) : QImage();
    }

    void run(const std::string& script)
    {
        std::istringstream lines(script);
        std::ostringstream output, failure;
        QVERIFY2(interpreter->runScript(lines, "script", output, failure) == 0, failure.str().c_str());
    }

    template <class Screen>
    std::shared_ptr<Screen> visible()
    {
        return std::dynamic_pointer_cast<Screen>(app->window()->visibleViewController());
    }

    std::optional<TabSlot> slotTitled(const QString& title)
    {
        for (const TabSlot& slot : appPhone->currentScene().tabSlots)
            if (slot.title == title)
                return slot;
        return std::nullopt;
    }

    /// The window rect of an item of the grid on top.
    QRectF itemRect(CollectionView& grid, int row)
    {
        QPointF origin = phone->currentScene().content.topLeft() - QPointF(0, grid.contentOffset().y);
        for (const auto& item : grid.layoutItems())
            if (item.indexPath.row == row)
                return QRectF(origin.x() + item.frame.x, origin.y() + item.frame.y, item.frame.width, item.frame.height);
        return {};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(documents.isValid());
        setenv("QUINDLE_DOCUMENTS", qPrintable(documents.path()), 1);
        Log::setEnabled(false); // every request and reply would bury the results
        std::string error;
        QVERIFY2(reference.start(&error), error.c_str());
        bridge = std::make_unique<MainQueueBridge>();
        Model::defaultInstance().setConfiguration(*ServerConfiguration::create(reference.host(), reference.host()));
        Model& model = Model::defaultInstance();
        app = AppDelegate::create(model, LocalPushService::create(), Rect { 0, 0, 390, 844 });
        QVERIFY(app->didFinishLaunchingWithOptions());
        interpreter = std::make_unique<CommandInterpreter>(app->window(), model.httpClient());
        appPhone = std::make_unique<PhoneWindow>(app->window());
        appPhone->setHttpClient(model.httpClient());
        appPhone->show();
        QVERIFY(QTest::qWaitForWindowExposed(appPhone.get()));
        QVERIFY(interpreter->waitUntilIdle(std::chrono::seconds(30)));
    }

    void cleanup() { close(); }
    void cleanupTestCase()
    {
        app->applicationWillTerminate();
        interpreter->waitUntilIdle(std::chrono::seconds(2));
        appPhone.reset();
        interpreter.reset();
        ApplicationShell::setShared(nullptr);
        app.reset();
        MainQueue::shared().runUntilIdle();
        bridge.reset();
        reference.stop();
    }

    void picturesOfTheStartPageAndPushedPages()
    {
        QImage start = shot("start-page.png");
        QCOMPARE(start.size(), PhoneWindow::defaultSize * appPhone->devicePixelRatio());
        QVERIFY2(distinctColours(start) > 20, qPrintable(QString::number(distinctColours(start))));
        // A click on the "Events" row opens the events page, through the page's own selection.
        auto table = visible<DirectoryViewController>()->tableView();
        auto events = table->cellForRowAtIndexPath({ 0, 4 });
        QVERIFY(events && events->textLabel()->text() == "Events");
        click(*appPhone, appPhone->rowRect(*table, { 0, 4 }).center());
        QImage pushed = shot("events-page.png");
        QCOMPARE(appPhone->currentScene().title, QStringLiteral("Events"));
        QVERIFY(!appPhone->currentScene().backRect.isEmpty() && pushed.size() == start.size() && pushed != start);
        QTest::keyClick(appPhone.get(), Qt::Key_Escape);
        interpreter->waitUntilIdle(std::chrono::seconds(30));
        QVERIFY(appPhone->currentScene().backRect.isEmpty());
        // The event screen's own header shrinks as its rows move up.
        run("tap 4\nwait\ntap 0\nwait\n");
        auto event = visible<HidingNavTableViewController>();
        QVERIFY(event);
        QImage full = shot("event-screen.png");
        QVERIFY(appPhone->currentScene().navigationBar.isEmpty()); // the screen's own header instead
        QCOMPARE(event->currentNavBarHeight(), HidingNavTableViewController::heightOfNavBar());
        QPointF from = appPhone->rowRect(*event->tableView(), { 0, 0 }).center();
        sendMouse(*appPhone, QEvent::MouseButtonPress, from, Qt::LeftButton);
        for (int step = 1; step <= 10; ++step)
            sendMouse(*appPhone, QEvent::MouseMove, from - QPointF(0, 12 * step), Qt::LeftButton);
        QVERIFY2(event->currentNavBarHeight() < HidingNavTableViewController::heightOfNavBar() - 20,
                 qPrintable(QString::number(event->currentNavBarHeight())));
        QImage scrolled = appPhone->grab().toImage(); // while the finger is still down
        QVERIFY(scrolled.save(shotPath("event-screen-scrolled.png")) && scrolled != full);
        sendMouse(*appPhone, QEvent::MouseButtonRelease, from - QPointF(0, 120), Qt::NoButton);
        // Rows shorter than the screen spring back, and the header grows back with them.
        QTRY_COMPARE_WITH_TIMEOUT(event->currentNavBarHeight(), HidingNavTableViewController::heightOfNavBar(), 3000);
        run("back\nwait\nback\nwait\n");
    }

    // A handle's drag in reorder mode is the phone window's, and the swap reaching the server the
    // end-to-end editors'; here the reorder mode is pictured.
    void afterTheLoginTheReorderModeAndTheLoggedInTabs()
    {
        run("press Login\nwait\nfield 0 demo@quindle.example\nfield 1 quindle-demo\npress Login\nwait\n"
            "tab 1\nwait\npress Edit\nalert Reorder\n");
        QVERIFY(visible<DirectoryViewController>()->tableView()->isEditing());
        QVERIFY(distinctColours(shot("reorder-mode.png")) > 20);
        run("press Done\nwait\n");
        // The Followups tab draws its list (its badge count is the text client's, its pill the phone
        // window's); a click opens the Workflow tab.
        run("tab Followups\nwait");
        settledShot(*appPhone);
        auto followups = slotTitled("Followups");
        QVERIFY(followups && followups->selected);
        auto list = visible<FollowupViewController>();
        QVERIFY(list && !appPhone->rowRect(*list->tableView(), { 0, 0 }).isEmpty() && !appPhone->rowRect(*list->tableView(), { 0, 3 }).isEmpty());
        auto workflow = slotTitled("Workflow");
        QVERIFY(workflow);
        click(*appPhone, workflow->rect.center());
        QVERIFY(interpreter->waitUntilIdle(std::chrono::seconds(10)));
        auto screen = visible<WorkflowViewController>();
        QVERIFY(screen);
        settledShot(*appPhone); // rows are placed when painted
        QVERIFY(!appPhone->rowRect(*screen->tableView(), { 0, 0 }).isEmpty());
    }
    void thumbnailsAreDrawnOnceTheyArriveAndATapAsksForAName()
    {
        auto screen = ImageSelectionViewController::create(JsonObject::create({ { "AssetId", "1" } }));
        open(screen);
        auto grid = screen->collectionView();
        // Each drawing asks for the thumbnails still missing; they arrive through the main queue.
        QVERIFY(QTest::qWaitFor([&] {
            phone->grab();
            auto list = screen->imageList();
            if (!list || list->empty())
                return false;
            for (const auto& entry : list->items())
                if (!entry.object()->contains("Image"))
                    return false;
            return true;
        }, 15000));
        QImage shot = settledShot(*phone);
        shot.save(shotPath("image-grid.png"));
        for (int row = 0; row < std::min<int>(3, grid->numberOfItems()); ++row) {
            QRectF rect = itemRect(*grid, row);
            QVERIFY(!rect.isEmpty());
            QImage cell = shot.copy(QRectF(rect.topLeft() * shot.devicePixelRatio(), rect.size() * shot.devicePixelRatio()).toRect());
            // A demo picture is a gradient: a blank cell would be one colour.
            QVERIFY2(distinctColours(cell) > 5, qPrintable(QString("item %1: %2 colours").arg(row).arg(distinctColours(cell))));
        }

        click(*phone, itemRect(*grid, 0).center());
        auto alert = window->topAlert();
        QVERIFY(alert && alert->title() == "Title" && alert->message() == "Please enter image name" && screen->selectedImage());
        alert->chooseButtonWithTitle("Cancel");
    }

    void aLongGridScrollsUnderADragAndTheWheel()
    {
        auto screen = std::make_shared<PlainGrid>();
        open(screen);
        auto grid = screen->grid;
        QRectF content = phone->currentScene().content;
        drag(*phone, content.center() + QPointF(0, 150), content.center() - QPointF(0, 150));
        double afterDrag = grid->contentOffset().y;
        QVERIFY(afterDrag > 250);
        QWheelEvent wheel(content.center(), phone->mapToGlobal(content.center()), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(phone.get(), &wheel);
        QVERIFY(grid->contentOffset().y < afterDrag);
        // The grid never scrolls past its last row.
        for (int i = 0; i < 3; ++i)
            drag(*phone, content.center() + QPointF(0, 300), content.center() - QPointF(0, 300));
        QCOMPARE(grid->contentOffset().y, grid->contentHeight() - grid->frame().height);
        // An item tapped after scrolling is the one under the finger.
        int last = grid->numberOfItems() - 1;
        click(*phone, itemRect(*grid, last).center());
        QVERIFY(grid->indexPathForSelectedItem() == (IndexPath { 0, last }));
    }

    // The dish with the resident's allergen is marked in red, the chosen dish shows its tick, and
    // the day wheel turns under a tap.
    void theAllergenIsMarkedAndTheDayWheelTurns()
    {
        DemoLunch lunch;
        QVERIFY(lunch.dishes && lunch.dishes->size() == 4);
        open(ViewController::create("Resident"));
        auto menu = MenuViewController::create(lunch.mealsForm, "Lunch", lunch.person, lunch.dishes);
        stack->pushViewController(menu, Animated::No);
        QTRY_VERIFY_WITH_TIMEOUT(!menu->allergyNames().empty(), 15000);
        QImage shot = settledShot(*phone);
        auto red = [](QColor c) { return c.red() > 150 && c.green() < 60 && c.blue() < 60; };
        auto green = [](QColor c) { return c.green() > 100 && c.red() < 60 && c.blue() < 110; };
        // Peanut noodles (row 3) holds the resident's peanuts; fish pie (row 0) holds nothing she is allergic to.
        QRectF marked = phone->rowRect(*menu->table(), { 0, 3 });
        QVERIFY2(countPixels(shot, red, marked) > 20, qPrintable(QString::number(countPixels(shot, red, marked))));
        QCOMPARE(countPixels(shot, red, phone->rowRect(*menu->table(), { 0, 0 })), 0);
        QCOMPARE(countPixels(shot, green, marked), 0);
        // A click chooses the dish: its tick is drawn.
        click(*phone, marked.center() - QPointF(marked.width() / 4, 0));
        shot = settledShot(*phone);
        QCOMPARE(menu->selectedIndex(), 3L);
        QVERIFY2(countPixels(shot, green, marked) > 20, qPrintable(QString::number(countPixels(shot, green, marked))));
        // A tap on the lower half of the day wheel turns it a day on, within the week offered.
        auto day = [&](Date date) { return DateFormat::format(date, "yyyy-MM-dd", DateFormat::Zone::Local); };
        const std::string tomorrow = day(menu->datePicker()->date() + std::chrono::hours(24));
        click(*phone, QPointF(100, phone->currentScene().content.top() + menu->datePicker()->frame().height * 0.85));
        QCOMPARE(day(menu->datePicker()->date()), tomorrow);
    }

    // The care plan's sections drawn in order, the number control with its graph button, and a
    // click on that button.
    void theCarePlanDrawsItsSectionsAndItsGraphButtonOpensTheGraph()
    {
        ResidentFormSetup setup = carePlan();
        QVERIFY(setup.formState);
        auto screen = MasterViewController::create(setup);
        open(screen);
        auto table = screen->tableView();
        QTRY_VERIFY_WITH_TIMEOUT(table->numberOfRowsInSection(2) >= 7, 15000);
        settledShot(*phone);
        QCOMPARE(phone->currentScene().title, QStringLiteral("Forms"));
        // Heading, actions and values drawn one below the other.
        QRectF heading = phone->rowRect(*table, { 0, 0 }), actions = phone->rowRect(*table, { 1, 0 }), firstValue = phone->rowRect(*table, { 2, 0 });
        QVERIFY(!heading.isEmpty() && !actions.isEmpty() && !firstValue.isEmpty());
        QVERIFY(heading.bottom() <= actions.top() && actions.bottom() <= firstValue.top());
        // "Pain score" is a number: its row carries the field and the graph button.
        auto pain = table->cellForRowAtIndexPath({ 2, 2 });
        QCOMPARE(pain->textLabel()->text(), std::string("Pain score"));
        QRectF row = phone->rowRect(*table, { 2, 2 });
        auto holder = pain->accessoryView();
        QVERIFY(holder && holder->subviews().size() == 2);
        auto graph = std::dynamic_pointer_cast<Button>(holder->subviews()[1]);
        QVERIFY(graph && graph->title() == "Graph");
        QVERIFY(distinctColours(settledShot(*phone)) > 5);
        const Rect at = holder->frame();
        click(*phone, QPointF(row.left() + at.x + graph->frame().x + graph->frame().width / 2, row.top() + at.y + graph->frame().y + graph->frame().height / 2));
        // The app shell makes the graph screen of that document and key.
        std::shared_ptr<HistoryGraphViewController> opened;
        QTRY_VERIFY_WITH_TIMEOUT((opened = std::dynamic_pointer_cast<HistoryGraphViewController>(stack->topViewController())), 5000);
        QCOMPARE(opened->resDocID() + " " + opened->key(), setup.resDocID + " Pain score");
        phone->finishAnimations();
        QCOMPARE(phone->currentScene().title, QString::fromStdString(opened->title()));
    }

    // HTML goes through QTextBrowser with inline SVG drawn in place, the text around each block
    // kept; onLoad comes after each load, and a failed one says why.
    void webPagesDrawInlineSvgAndSayWhyALoadFailed()
    {
        auto view = WebView::create({ 0, 0, 320, 300 });
        int loads = 0;
        view->onLoad = [&](WebView&) { ++loads; };
        view->loadHTMLString("<html><head><title>Weights</title></head><body><p>Before</p>"
                             "<svg width=\"200\" height=\"80\"><polyline points=\"0,40 200,40\" stroke=\"#1e6fd9\" stroke-width=\"8\" fill=\"none\"/></svg>"
                             "<p>After</p></body></html>");
        WebPageWidget page(view);
        page.resize(320, 300);
        QCOMPARE(loads, 1);
        QCOMPARE(page.documentTitle(), QStringLiteral("Weights"));
        QVERIFY(page.toPlainText().contains("Before") && page.toPlainText().contains("After"));
        QVERIFY(!page.toPlainText().contains("polyline")); // no SVG source shown as text
        int blue = countPixels(page.grab().toImage(), like(chartBlue, 24));
        // A line 200 points long and 8 thick, give or take its ends and smoothing.
        QVERIFY2(blue > 1000 && blue < 3000, QByteArray::number(blue));
        // A page loaded again is shown again and reported again; the same load is not.
        page.refresh();
        QCOMPARE(loads, 1);
        view->loadHTMLString("<p>No chart</p>");
        page.refresh();
        QCOMPARE(loads, 2);
        QCOMPARE(countPixels(page.grab().toImage(), like(chartBlue, 24)), 0);
        std::vector<QImage> pictures;
        QString html = WebPageWidget::replaceInlineSvg(
            "a<SVG width='10' height='20'><rect width='10' height='20' fill='red'/></SVG>b<svg width='30' height='5'></svg>c<svg>broken", 2, pictures);
        QCOMPARE(html, QStringLiteral("a<img src=\"quindle-svg:0\" width=\"10\" height=\"20\">b<img src=\"quindle-svg:1\" width=\"30\" height=\"5\">c<svg>broken"));
        QVERIFY(pictures.size() == 2 && pictures[0].size() == QSize(20, 40)); // two pixels a point
        QCOMPARE(pictures[0].pixelColor(10, 10), QColor(Qt::red));
        auto failing = WebView::create();
        int failed = 0;
        failing->onLoad = [&](WebView&) { ++failed; };
        failing->loadRequest("http://127.0.0.1:1/nothing-listens-here");
        WebPageWidget shown(failing);
        QVERIFY(MainQueue::shared().runUntil([&] { return failed == 1; }, std::chrono::seconds(15)));
        QVERIFY(shown.toPlainText().contains("Cannot show the page"));
    }

    // The server's graph page of a demo resident's daily care, through the graph screen for all
    // keys or one, and loaded by its address: one coloured line chart a key with its grid.
    void graphPagesAreDrawnAsCharts()
    {
        Model& model = Model::defaultInstance();
        const std::string document = documentKey("", "Daily care");
        QVERIFY(!document.empty());
        struct Case {
            const char* name;
            std::string key;
            bool byAddress;
            QSize size;
            std::vector<QColor> lines; // each series' colour, in the page's order
            int linePixels;
            const char* shown;
        } cases[] = {
            { "all", "", false, { 380, 1300 }, { chartBlue, QColor(0xd9, 0x48, 0x0f), QColor(0x2b, 0x8a, 0x3e), QColor(0x86, 0x2e, 0x9c) }, 150, "Fluid intake (ml)" },
            { "Weight", "Weight", false, { 380, 320 }, { chartBlue }, 150, "latest 80.5" },
            { "by address", "", true, { 360, 400 }, { chartBlue }, 200, "Weight" },
        };
        for (const Case& c : cases) {
            std::shared_ptr<HistoryGraphViewController> screen;
            std::shared_ptr<WebView> view;
            if (c.byAddress) {
                view = WebView::create({ 0, 0, 360, 400 });
                view->loadRequest(model.legacyBaseURL() + "Naked.php?a=" + document);
            } else {
                screen = HistoryGraphViewController::create(model, document, c.key);
                view = screen->webView();
            }
            int loads = 0;
            view->onLoad = [&](WebView&) { ++loads; };
            WebPageWidget page(view);
            page.resize(c.size);
            QVERIFY2(MainQueue::shared().runUntil([&] { return loads == 1; }, std::chrono::seconds(15)), c.name);
            QCOMPARE(page.documentTitle(), QStringLiteral("Graph"));
            QVERIFY2(!page.toPlainText().contains("Cannot show"), qPrintable(page.toPlainText()));
            QImage shot = page.grab().toImage();
            shot.save(shotPath((std::string("history-graph-") + c.name + ".png").c_str()));
            QVERIFY2(countPixels(shot, like(Qt::white, 6)) < shot.width() * shot.height() * 97 / 100, "the page is blank");
            for (const QColor& colour : c.lines) {
                const int line = countPixels(shot, like(colour));
                QVERIFY2(line > c.linePixels, qPrintable(QString(c.name) + " " + colour.name() + " " + QString::number(line)));
            }
            QVERIFY2(longestInkedRow(shot) > 200, qPrintable(QString::number(longestInkedRow(shot)))); // the time axis spans the chart
            QVERIFY(page.toPlainText().contains("Weight"));
            QVERIFY(page.toPlainText().contains(c.shown));
        }
    }
};

QTEST_MAIN(DemoScreensTest)
#include "test_DemoScreens.moc"
