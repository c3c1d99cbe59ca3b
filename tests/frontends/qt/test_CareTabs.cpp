// The phone window after a login: the Followups tab with its badge, its list drawn, and a click
// on the Workflow tab going to the same objects the text client drives.
#include "PhoneTestSupport.h"

#include "app/AppDelegate.h"
#include "app/PushService.h"
#include "content/ApplicationShell.h"
#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "forms/FollowupViewController.h"
#include "forms/WorkflowViewController.h"
#include "frontends/qt/MainQueueBridge.h"
#include "frontends/qt/PaintSupport.h"
#include "frontends/term/CommandInterpreter.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "support/DemoServer.h"

#include <QtTest>

#include <filesystem>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

class CareTabsTest : public QObject {
    Q_OBJECT

    DemoServer reference;
    std::filesystem::path documents;
    std::unique_ptr<MainQueueBridge> bridge;
    std::shared_ptr<AppDelegate> app;
    std::unique_ptr<CommandInterpreter> interpreter;
    std::unique_ptr<PhoneWindow> phone;

    void run(const std::string& script)
    {
        std::istringstream lines(script);
        std::string line;
        while (std::getline(lines, line)) {
            auto result = interpreter->execute(line);
            QVERIFY2(result.ok, (line + ": " + result.message + "\n" + interpreter->render().text).c_str());
        }
    }
    std::optional<TabSlot> slotTitled(const Scene& scene, const QString& title)
    {
        for (const TabSlot& slot : scene.tabSlots)
            if (slot.title == title)
                return slot;
        return std::nullopt;
    }

private slots:
    void initTestCase()
    {
        documents = std::filesystem::temp_directory_path() / ("quindle-qt-care-" + std::to_string(::getpid()));
        std::filesystem::create_directories(documents);
        setenv("QUINDLE_DOCUMENTS", documents.c_str(), 1);
        Log::setEnabled(false);
        std::string error;
        QVERIFY2(reference.start(&error), error.c_str());
        bridge = std::make_unique<MainQueueBridge>();
        Model& model = Model::defaultInstance();
        model.setConfiguration(*ServerConfiguration::create(reference.host(), reference.host()));
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
        interpreter->waitUntilIdle(std::chrono::seconds(2));
        phone.reset();
        interpreter.reset();
        ApplicationShell::setShared(nullptr);
        app.reset();
        MainQueue::shared().runUntilIdle();
        bridge.reset();
        reference.stop();
        std::error_code ignored;
        std::filesystem::remove_all(documents, ignored);
    }

    void theFollowupsTabShowsItsBadgeAndList()
    {
        run("press Login\nwait\nfield 0 demo@quindle.example\nfield 1 quindle-demo\npress Login\nwait\ntab Followups\nwait");
        phone->finishAnimations();
        QImage picture = settledShot(*phone);
        Scene scene = phone->currentScene();
        auto followups = slotTitled(scene, "Followups");
        QVERIFY(followups);
        QCOMPARE(followups->badge, QString("4"));
        QVERIFY(followups->selected);
        QVERIFY(slotTitled(scene, "Workflow"));

        // The badge's pill is painted in the tab's top half.
        const qreal ratio = phone->devicePixelRatio();
        int pill = 0;
        for (int y = int(followups->rect.top() * ratio); y < int(followups->rect.center().y() * ratio); ++y)
            for (int x = int(followups->rect.left() * ratio); x < int(followups->rect.right() * ratio); ++x)
                pill += picture.pixelColor(x, y) == Palette::destructive();
        QVERIFY2(pill > 20, qPrintable(QString::number(pill)));

        auto list = std::dynamic_pointer_cast<FollowupViewController>(app->window()->visibleViewController());
        QVERIFY(list);
        QVERIFY(!phone->rowRect(*list->tableView(), { 0, 0 }).isEmpty());
        QVERIFY(!phone->rowRect(*list->tableView(), { 0, 3 }).isEmpty());
        QVERIFY(interpreter->render().text.find("Weigh Margaret again") != std::string::npos);
    }

    void aClickOpensTheWorkflowTab()
    {
        auto workflow = slotTitled(phone->currentScene(), "Workflow");
        QVERIFY(workflow);
        click(*phone, workflow->rect.center());
        QVERIFY(interpreter->waitUntilIdle(std::chrono::seconds(10)));
        phone->finishAnimations();
        auto screen = std::dynamic_pointer_cast<WorkflowViewController>(app->window()->visibleViewController());
        QVERIFY(screen);
        settledShot(*phone); // rows are placed when painted
        QVERIFY(!phone->rowRect(*screen->tableView(), { 0, 0 }).isEmpty());
    }
};

QTEST_MAIN(CareTabsTest)
#include "test_CareTabs.moc"
