// The menu in the phone window over the reference server: the dish with the resident's
// allergen is marked in red, the chosen dish shows its tick, and ordering the marked dish brings
// up the allergy warning.
#include "PhoneTestSupport.h"

#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "frontends/qt/MainQueueBridge.h"
#include "meals/MenuViewController.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "support/DemoServer.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/DatePicker.h"
#include "server/QuindleServer.h"

#include <QtTest>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

namespace {

JsonValue legacy(const std::string& path)
{
    std::optional<JsonValue> reply;
    bool answered = false;
    Model& model = Model::defaultInstance();
    model.requestWithURL(model.legacyBaseURL() + path, [&](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([&, content] {
            reply = content;
            answered = true;
        });
    });
    MainQueue::shared().runUntil([&] { return answered; }, std::chrono::seconds(15));
    return reply ? *reply : JsonValue {};
}

/// Pixels of the shot inside `rect` (window points) that pass `test`.
int countPixels(const QImage& shot, QRectF rect, const std::function<bool(QColor)>& test)
{
    int count = 0;
    const double ratio = shot.devicePixelRatio();
    QRect pixels((rect.topLeft() * ratio).toPoint(), (rect.bottomRight() * ratio).toPoint());
    for (int y = pixels.top(); y < pixels.bottom(); ++y)
        for (int x = pixels.left(); x < pixels.right(); ++x)
            count += test(shot.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool red(QColor c) { return c.red() > 150 && c.green() < 60 && c.blue() < 60; }
bool green(QColor c) { return c.green() > 100 && c.red() < 60 && c.blue() < 110; }

} // namespace

class MealsScreensTest : public QObject, protected PhoneOnStack {
    Q_OBJECT

    DemoServer reference;
    std::unique_ptr<MainQueueBridge> bridge;

private slots:
    void initTestCase()
    {
        Log::setEnabled(false);
        std::string error;
        QVERIFY2(reference.start(&error), error.c_str());
        bridge = std::make_unique<MainQueueBridge>();
        Model& model = Model::defaultInstance();
        model.setConfiguration(*ServerConfiguration::create(reference.host(), reference.host()));
        bool loggedIn = false;
        model.loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, [&](std::optional<JsonValue> content, std::optional<Error>) {
            MainQueue::shared().dispatch([&, ok = content.has_value()] { loggedIn = ok; });
        });
        MainQueue::shared().runUntil([&] { return loggedIn; }, std::chrono::seconds(15));
        QVERIFY(loggedIn);
    }

    void cleanupTestCase()
    {
        phone.reset();
        window.reset();
        stack.reset();
        MainQueue::shared().runUntilIdle();
        bridge.reset();
        reference.stop();
    }

    void theAllergenIsMarkedAndOrderingItWarns()
    {
        std::string person, mealsForm;
        JsonValue people = legacy("start.php"); // held: the loop walks inside it
        for (const JsonValue& p : *people.object()->get("list").array())
            if (p.object()->get("name").asString() == "Margaret Hill")
                person = p.object()->get("assetID").asString();
        JsonValue documents = legacy("start.php?a=" + person);
        for (const JsonValue& d : *documents.object()->get("list").array())
            if (d.object()->get("name").asString() == "Meals")
                mealsForm = d.object()->get("formID").asString();
        auto dishes = legacy("getMenu.php?a=" + mealsForm + "&p=" + person).object()->get("list").array();
        QVERIFY(dishes && dishes->size() == 4);

        open(ViewController::create("Resident"));
        auto menu = MenuViewController::create(mealsForm, "Lunch", person, dishes);
        stack->pushViewController(menu, Animated::No);
        QTRY_VERIFY_WITH_TIMEOUT(!menu->allergyNames().empty(), 15000);
        QImage shot = settledShot(*phone);
        auto table = menu->table();
        // Peanut noodles (row 3) holds the resident's peanuts; fish pie (row 0) holds nothing she is allergic to.
        QRectF marked = phone->rowRect(*table, { 0, 3 });
        QRectF plain = phone->rowRect(*table, { 0, 0 });
        QVERIFY2(countPixels(shot, marked, red) > 20, qPrintable(QString::number(countPixels(shot, marked, red))));
        QCOMPARE(countPixels(shot, plain, red), 0);
        QCOMPARE(countPixels(shot, marked, green), 0);

        // A click chooses the dish: its tick is drawn.
        click(*phone, marked.center() - QPointF(marked.width() / 4, 0));
        shot = settledShot(*phone);
        QCOMPARE(menu->selectedIndex(), 3L);
        QVERIFY2(countPixels(shot, marked, green) > 20, qPrintable(QString::number(countPixels(shot, marked, green))));

        // A tap on the lower half of the day wheel turns it a day on, within the week offered.
        const std::string today = DateFormat::format(menu->datePicker()->date(), "yyyy-MM-dd", DateFormat::Zone::Local);
        const std::string tomorrow = DateFormat::format(menu->datePicker()->date() + std::chrono::hours(24), "yyyy-MM-dd", DateFormat::Zone::Local);
        const double top = phone->currentScene().content.top();
        click(*phone, QPointF(100, top + menu->datePicker()->frame().height * 0.85));
        QCOMPARE(DateFormat::format(menu->datePicker()->date(), "yyyy-MM-dd", DateFormat::Zone::Local), tomorrow);
        QVERIFY(today != tomorrow);

        QVERIFY(menu->orderButton()->press());
        QImage warned = settledShot(*phone);
        auto alert = window->topAlert();
        QVERIFY(alert);
        QCOMPARE(QString::fromStdString(alert->title()), QString("Allergy warning"));
        QVERIFY(warned != shot);
        alert->chooseButtonWithTitle("Cancel");
    }
};

QTEST_MAIN(MealsScreensTest)
#include "test_MealsScreens.moc"
