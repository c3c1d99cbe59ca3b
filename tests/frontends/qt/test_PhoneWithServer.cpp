// The phone window over the app shell and the reference server with its demo data, going to the
// same objects the text client drives: pictures of the start page and pushed pages, a reorder drag
// whose new order reaches the server, and after the login the Followups and Workflow tabs.
#include "PhoneTestSupport.h"

#include "app/AppDelegate.h"
#include "app/PushService.h"
#include "content/ApplicationShell.h"
#include "content/DirectoryViewController.h"
#include "content/HidingNavTableViewController.h"
#include "core/Asset.h"
#include "forms/FollowupViewController.h"
#include "forms/WorkflowViewController.h"
#include "frontends/qt/PaintSupport.h"
#include "frontends/qt/ScriptRunner.h"
#include "frontends/term/CommandInterpreter.h"

#include <QtTest>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

class PhoneWithServerTest : public QObject {
    Q_OBJECT
    DemoSession session;
    std::filesystem::path documents;
    std::shared_ptr<AppDelegate> app;
    std::unique_ptr<CommandInterpreter> interpreter;
    std::unique_ptr<PhoneWindow> phone;
    QImage shot(const char* name)
    {
        QString path = shotPath(name);
        bool saved = ScriptRunner::saveShot(*phone, path, [this] { interpreter->waitUntilIdle(std::chrono::seconds(30)); });
        return saved ? QImage(path) : QImage();
    }

    void run(const std::string& script)
    {
        std::istringstream lines(script);
        std::string line;
        while (std::getline(lines, line)) {
            auto result = interpreter->execute(line);
            QVERIFY2(result.ok, (line + ": " + result.message + "\n" + interpreter->render().text).c_str());
        }
    }

    /// The start page's children by name, as the server has them now.
    std::vector<std::string> startPageNames()
    {
        std::vector<std::string> names;
        bool answered = false;
        Model::defaultInstance().fetchDirectoryForAssetID("", [&](std::optional<JsonValue> content, std::optional<Error>) {
            auto children = content && content->isObject() ? asset::list(content->object()) : nullptr;
            for (const auto& child : children ? children->items() : std::vector<JsonValue> {})
                if (child.isObject())
                    names.push_back(asset::name(child.object()));
            answered = true;
        });
        MainQueue::shared().runUntil([&] { return answered; }, std::chrono::seconds(15));
        return names;
    }

    template <class Screen>
    std::shared_ptr<Screen> visible()
    {
        return std::dynamic_pointer_cast<Screen>(app->window()->visibleViewController());
    }

    std::optional<TabSlot> slotTitled(const QString& title)
    {
        for (const TabSlot& slot : phone->currentScene().tabSlots)
            if (slot.title == title)
                return slot;
        return std::nullopt;
    }

private slots:
    void initTestCase()
    {
        documents = std::filesystem::temp_directory_path() / ("quindle-qt-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(documents);
        setenv("QUINDLE_DOCUMENTS", documents.c_str(), 1);
        session.start(false);
        Model& model = Model::defaultInstance();
        app = AppDelegate::create(model, LocalPushService::create(), Rect { 0, 0, 390, 844 });
        QVERIFY(app->didFinishLaunchingWithOptions());
        interpreter = std::make_unique<CommandInterpreter>(app->window(), model.httpClient());
        phone = std::make_unique<PhoneWindow>(app->window());
        phone->setHttpClient(model.httpClient());
        phone->show();
        QVERIFY(QTest::qWaitForWindowExposed(phone.get()));
        QVERIFY(interpreter->waitUntilIdle(std::chrono::seconds(30)));
    }

    void cleanupTestCase()
    {
        app->applicationWillTerminate();
        interpreter->waitUntilIdle(std::chrono::seconds(2));
        phone.reset();
        interpreter.reset();
        ApplicationShell::setShared(nullptr);
        app.reset();
        session.stop();
        std::error_code ignored;
        std::filesystem::remove_all(documents, ignored);
    }

    void picturesOfTheStartPageAndPushedPages()
    {
        QImage start = shot("start-page.png");
        QCOMPARE(start.size(), PhoneWindow::defaultSize * phone->devicePixelRatio());
        QVERIFY2(distinctColours(start) > 20, qPrintable(QString::number(distinctColours(start))));
        // A click on the "Events" row opens the events page, through the page's own selection.
        auto table = visible<DirectoryViewController>()->tableView();
        auto events = table->cellForRowAtIndexPath({ 0, 4 });
        QVERIFY(events && events->textLabel()->text() == "Events");
        click(*phone, phone->rowRect(*table, { 0, 4 }).center());
        QImage pushed = shot("events-page.png");
        QCOMPARE(phone->currentScene().title, QStringLiteral("Events"));
        QVERIFY(!phone->currentScene().backRect.isEmpty() && pushed.size() == start.size() && pushed != start);
        QTest::keyClick(phone.get(), Qt::Key_Escape);
        interpreter->waitUntilIdle(std::chrono::seconds(30));
        QVERIFY(phone->currentScene().backRect.isEmpty());
        // The event screen's own header shrinks as its rows move up.
        run("tap 4\nwait\ntap 0\nwait\n");
        auto event = visible<HidingNavTableViewController>();
        QVERIFY(event);
        QImage full = shot("event-screen.png");
        QVERIFY(phone->currentScene().navigationBar.isEmpty()); // the screen's own header instead
        QCOMPARE(event->currentNavBarHeight(), HidingNavTableViewController::heightOfNavBar());
        QPointF from = phone->rowRect(*event->tableView(), { 0, 0 }).center();
        sendMouse(*phone, QEvent::MouseButtonPress, from, Qt::LeftButton);
        for (int step = 1; step <= 10; ++step)
            sendMouse(*phone, QEvent::MouseMove, from - QPointF(0, 12 * step), Qt::LeftButton);
        QVERIFY2(event->currentNavBarHeight() < HidingNavTableViewController::heightOfNavBar() - 20,
                 qPrintable(QString::number(event->currentNavBarHeight())));
        QImage scrolled = phone->grab().toImage(); // while the finger is still down
        QVERIFY(scrolled.save(shotPath("event-screen-scrolled.png")) && scrolled != full);
        sendMouse(*phone, QEvent::MouseButtonRelease, from - QPointF(0, 120), Qt::NoButton);
        // Rows shorter than the screen spring back, and the header grows back with them.
        QTRY_COMPARE_WITH_TIMEOUT(event->currentNavBarHeight(), HidingNavTableViewController::heightOfNavBar(), 3000);
        run("back\nwait\nback\nwait\n");
    }

    void aReorderDragSendsTheSwapToTheServerAndTheLoggedInTabs()
    {
        run("press Login\nwait\nfield 0 demo@quindle.example\nfield 1 quindle-demo\npress Login\nwait\n"
            "tab 1\nwait\npress Edit\nalert Reorder\n");
        std::vector<std::string> before = startPageNames();
        QVERIFY(before.size() >= 2);
        auto table = visible<DirectoryViewController>()->tableView();
        QVERIFY(table->isEditing());
        shot("reorder-mode.png");
        QRectF first = phone->rowRect(*table, { 0, 0 }), second = phone->rowRect(*table, { 0, 1 });
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        QPointF handle(first.right() - CellMetrics::handleWidth / 2, first.center().y());
        drag(*phone, handle, QPointF(handle.x(), second.center().y()));
        run("wait\npress Done\nwait\n");
        std::swap(before[0], before[1]);
        QCOMPARE(startPageNames(), before);
        // The Followups tab shows its badge and list; a click opens the Workflow tab.
        run("tab Followups\nwait");
        QImage picture = settledShot(*phone);
        auto followups = slotTitled("Followups");
        QVERIFY(followups && followups->selected);
        QCOMPARE(followups->badge, QString("4"));
        // The badge's pill is painted in the tab's top half.
        QRectF top(followups->rect.topLeft(), QPointF(followups->rect.right(), followups->rect.center().y()));
        int pill = countPixels(picture, [](QColor c) { return c == Palette::destructive(); }, top);
        QVERIFY2(pill > 20, qPrintable(QString::number(pill)));
        auto list = visible<FollowupViewController>();
        QVERIFY(list && !phone->rowRect(*list->tableView(), { 0, 0 }).isEmpty() && !phone->rowRect(*list->tableView(), { 0, 3 }).isEmpty());
        QVERIFY(contains(interpreter->render().text, "Weigh Margaret again"));
        auto workflow = slotTitled("Workflow");
        QVERIFY(workflow);
        click(*phone, workflow->rect.center());
        QVERIFY(interpreter->waitUntilIdle(std::chrono::seconds(10)));
        auto screen = visible<WorkflowViewController>();
        QVERIFY(screen);
        settledShot(*phone); // rows are placed when painted
        QVERIFY(!phone->rowRect(*screen->tableView(), { 0, 0 }).isEmpty());
    }
};

QTEST_MAIN(PhoneWithServerTest)
#include "test_PhoneWithServer.moc"
