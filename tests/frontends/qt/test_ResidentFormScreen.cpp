// The resident form screen in the phone window over the reference server's demo: its sections
// drawn in order, the number control with its graph button, and a click on that button.
#include "PhoneTestSupport.h"

#include "content/ApplicationShell.h"
#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "forms/MasterViewController.h"
#include "frontends/qt/MainQueueBridge.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "server/QuindleServer.h"
#include "support/DemoServer.h"
#include "ui/Button.h"

#include <QtTest>

#include <atomic>

using namespace quindle;
using namespace quindle::test;
using quindle::qt::MainQueueBridge;

namespace {

/// Opens a titled screen for the graph and remembers what it was asked for.
class GraphShell : public ApplicationShell {
public:
    void updateTabbarWithArray(const Screens&) override { }
    Screens tabbarItems() override { return {}; }
    void addLoginItemsToTabbar(const Screens&) override { }
    void resetTabbarWithArray(const Screens&) override { }
    std::shared_ptr<ViewController> makeLoginViewController(std::function<void()>) override { return nullptr; }
    std::shared_ptr<ViewController> makeCreateAccountViewController(std::function<void()>) override { return nullptr; }
    std::shared_ptr<ViewController> makeHistoryGraphViewController(const std::string& resDocID, const std::string& key) override
    {
        asked.push_back(resDocID + " " + key);
        return ViewController::create("Graph of " + key);
    }
    std::vector<std::string> asked;
};

std::string field(const JsonValue& value, const char* key)
{
    return value.isObject() && value.object()->get(key).isString() ? value.object()->get(key).asString() : std::string {};
}

} // namespace

class ResidentFormScreenTest : public QObject, protected PhoneOnStack {
    Q_OBJECT

    DemoServer reference;
    std::unique_ptr<MainQueueBridge> bridge;
    std::shared_ptr<GraphShell> shell;

    /// The payload of a legacy request, waited for.
    JsonObjectPtr legacy(const std::string& path)
    {
        std::atomic<bool> answered { false };
        JsonObjectPtr payload;
        Model::defaultInstance().requestWithURL(Model::defaultInstance().legacyBaseURL() + path,
            [&](std::optional<JsonValue> content, std::optional<Error>) {
                payload = content && content->isObject() ? content->object() : nullptr;
                answered = true;
            });
        MainQueue::shared().runUntil([&] { return answered.load(); }, std::chrono::seconds(15));
        return payload;
    }
    JsonValue named(const JsonObjectPtr& reply, const std::string& name)
    {
        for (const JsonValue& item : reply->get("list").array()->items())
            if (field(item, "name") == name)
                return item;
        return {};
    }

private slots:
    void initTestCase()
    {
        Log::setEnabled(false);
        std::string error;
        QVERIFY2(reference.start(&error), error.c_str());
        bridge = std::make_unique<MainQueueBridge>();
        Model& model = Model::defaultInstance();
        model.setConfiguration(*ServerConfiguration::create(reference.host(), reference.host()));
        std::atomic<bool> in { false };
        model.loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, [&](std::optional<JsonValue> c, std::optional<Error>) {
            in = c.has_value();
        });
        QTRY_VERIFY_WITH_TIMEOUT(in.load(), 15000);
        shell = std::make_shared<GraphShell>();
        ApplicationShell::setShared(shell);
    }

    void cleanupTestCase()
    {
        phone.reset();
        window.reset();
        stack.reset();
        ApplicationShell::setShared(nullptr);
        MainQueue::shared().runUntilIdle();
        bridge.reset();
        reference.stop();
    }

    void theCarePlanDrawsItsSectionsAndItsGraphButtonOpensTheGraph()
    {
        auto people = legacy("start.php");
        QVERIFY(people);
        const std::string person = field(people->get("list").array()->at(0), "assetID");
        auto docs = legacy("start.php?a=" + person);
        QVERIFY(docs);
        JsonValue plan = named(docs, "Care plan");
        auto state = legacy("currentState.php?a=" + field(plan, "assetID"));
        QVERIFY(state && state->get("list").isObject());

        ResidentFormSetup setup;
        setup.assetID = field(plan, "formID");
        setup.resID = person;
        setup.resDocID = field(plan, "assetID");
        setup.name = field(people->get("list").array()->at(0), "name");
        setup.docs = docs->get("list").array();
        setup.formState = state->get("list").object();
        auto screen = MasterViewController::create(setup);
        open(screen);
        auto table = screen->tableView();
        QTRY_VERIFY_WITH_TIMEOUT(table->numberOfRowsInSection(2) >= 7, 15000);
        phone->finishAnimations();
        phone->grab();
        QCOMPARE(phone->currentScene().title, QStringLiteral("Forms"));
        QCOMPARE(table->titleForHeaderInSection(2), std::string("Care plan"));

        // Heading, actions and values drawn one below the other.
        QRectF heading = phone->rowRect(*table, { 0, 0 });
        QRectF actions = phone->rowRect(*table, { 1, 0 });
        QRectF firstValue = phone->rowRect(*table, { 2, 0 });
        QVERIFY(!heading.isEmpty() && !actions.isEmpty() && !firstValue.isEmpty());
        QVERIFY(heading.bottom() <= actions.top() && actions.bottom() <= firstValue.top());
        QCOMPARE(table->cellForRowAtIndexPath({ 1, 0 })->textLabel()->text(), std::string("No actions required"));

        // "Pain score" is a number: its row carries the field and the graph button.
        auto pain = table->cellForRowAtIndexPath({ 2, 2 });
        QCOMPARE(pain->textLabel()->text(), std::string("Pain score"));
        QRectF row = phone->rowRect(*table, { 2, 2 });
        QVERIFY(!row.isEmpty());
        auto drawn = table->cellForRowAtIndexPath({ 2, 2 });
        auto holder = drawn->accessoryView();
        QVERIFY(holder && holder->subviews().size() == 2);
        auto graph = std::dynamic_pointer_cast<Button>(holder->subviews()[1]);
        QVERIFY(graph && graph->title() == "Graph");
        QVERIFY(distinctColours(settledShot(*phone)) > 5);

        const Rect at = holder->frame();
        click(*phone, QPointF(row.left() + at.x + graph->frame().x + graph->frame().width / 2, row.top() + at.y + graph->frame().y + graph->frame().height / 2));
        QTRY_COMPARE_WITH_TIMEOUT(shell->asked.size(), size_t(1), 5000);
        QCOMPARE(shell->asked[0], setup.resDocID + " Pain score");
        phone->finishAnimations();
        QCOMPARE(phone->currentScene().title, QStringLiteral("Graph of Pain score"));
    }
};

QTEST_MAIN(ResidentFormScreenTest)
#include "test_ResidentFormScreen.moc"
