// The phone window follows the ui model: stacks, tabs, modal screens, alerts, reorder mode, the
// busy spinner; and the main queue reaches the Qt thread.
#include "PhoneTestSupport.h"

#include "frontends/qt/AlertPainter.h"
#include "frontends/qt/MainQueueBridge.h"
#include "platform/HttpClient.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"

#include <QtTest>

#include <atomic>
#include <thread>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

namespace {

/// An HTTP client whose requests in flight the test sets.
class FakeClient : public HttpClient {
public:
    void send(HttpRequest, Handler) override { }
    size_t inFlight() const override { return pending; }
    bool isCallbackThread() const override { return false; }
    std::atomic<size_t> pending { 0 };
};

QColor pixelAt(const QImage& image, QPointF point)
{
    return image.pixelColor((point * image.devicePixelRatio()).toPoint());
}

} // namespace

class PhoneWindowTest : public QObject {
    Q_OBJECT

    std::shared_ptr<Window> window;
    std::shared_ptr<TabBarController> tabs;
    std::shared_ptr<NavigationController> firstStack;
    std::shared_ptr<TableScreen> home;
    std::unique_ptr<PhoneWindow> phone;

private slots:
    void init()
    {
        window = Window::create({ 0, 0, 390, 844 });
        home = TableScreen::create("Home", rowsTitled({ "Alpha", "Beta", "Gamma" }));
        firstStack = NavigationController::create(home);
        auto second = NavigationController::create(ViewController::create("Account"));
        second->viewControllers().front()->setBadgeValue("3");
        tabs = TabBarController::create();
        tabs->setViewControllers({ firstStack, second });
        window->setRootViewController(tabs);
        window->makeKeyAndVisible();
        phone = std::make_unique<PhoneWindow>(window);
        phone->show();
        QVERIFY(QTest::qWaitForWindowExposed(phone.get()));
    }

    void cleanup()
    {
        phone.reset();
        window.reset();
        tabs.reset();
        firstStack.reset();
        home.reset();
    }

    void paintsBarsAndRowsAtPhoneSize()
    {
        QImage shot = settledShot(*phone);
        QCOMPARE(shot.size(), PhoneWindow::defaultSize * phone->devicePixelRatio());
        QVERIFY(distinctColours(shot) > 8);
        Scene scene = phone->currentScene();
        QCOMPARE(scene.title, QStringLiteral("Home"));
        QVERIFY(scene.backRect.isEmpty());
        QCOMPARE(scene.tabSlots.size(), size_t(2));
        QVERIFY(scene.tabSlots[0].selected);
        QCOMPARE(scene.tabSlots[1].badge, QStringLiteral("3"));
        // The badge is a red pill right of the second tab's picture.
        QPointF badge(scene.tabSlots[1].rect.center().x() + 15, scene.tabSlots[1].rect.top() + 8);
        QColor red = pixelAt(shot, badge);
        QVERIFY2(red.red() > 200 && red.green() < 120, qPrintable(red.name()));
        // Rows sit under the bars at the table's row height.
        QRectF first = phone->rowRect(*home->table, { 0, 0 });
        QCOMPARE(first, QRectF(0, Metrics::statusBar + Metrics::navigationBar, 390, TableView::defaultRowHeight));
        QCOMPARE(phone->rowRect(*home->table, { 0, 2 }).top(), first.top() + 2 * TableView::defaultRowHeight);
    }

    void followsPushPopTabsAndModalScreens()
    {
        QImage before = settledShot(*phone);
        firstStack->pushViewController(TableScreen::create("Details", rowsTitled({ "One" })), Animated::Yes);
        QVERIFY(phone->isAnimating()); // the push slides
        QImage pushed = settledShot(*phone);
        QVERIFY(pushed != before);
        Scene scene = phone->currentScene();
        QCOMPARE(scene.title, QStringLiteral("Details"));
        QVERIFY(scene.backTitle.contains("Home"));
        QVERIFY(!scene.backRect.isEmpty());

        firstStack->popViewController(Animated::No);
        QCOMPARE(phone->currentScene().title, QStringLiteral("Home"));
        QCOMPARE(settledShot(*phone), before);

        tabs->setSelectedIndex(1);
        QCOMPARE(phone->currentScene().title, QStringLiteral("Account"));
        QVERIFY(phone->currentScene().tabSlots[1].selected);
        QVERIFY(settledShot(*phone) != before);
        tabs->setSelectedIndex(0);

        home->presentViewController(ViewController::create("Sheet"), Animated::Yes);
        scene = phone->currentScene();
        QVERIFY(scene.modal);
        QVERIFY(scene.tabBar.isEmpty()); // a modal screen covers the tabs
        QCOMPARE(scene.title, QStringLiteral("Sheet"));
        QVERIFY(window->back());
        scene = phone->currentScene();
        QVERIFY(!scene.modal);
        QVERIFY(!scene.tabBar.isEmpty());
    }

    void hiddenBarsLeaveTheirSpaceToTheContent()
    {
        firstStack->setNavigationBarHidden(BarVisibility::Hidden);
        tabs->setTabBarHidden(BarVisibility::Hidden);
        Scene scene = phone->currentScene();
        QVERIFY(scene.navigationBar.isEmpty());
        QVERIFY(scene.tabBar.isEmpty());
        QCOMPARE(scene.content, QRectF(0, Metrics::statusBar, 390, 844 - Metrics::statusBar));
        QCOMPARE(home->view()->frame().height, 844 - Metrics::statusBar);
    }

    void barButtonsShowAsUsersExpectThem()
    {
        home->setRightBarButtonItems({ BarButtonItem::create(SystemItem::Add, [] { }), BarButtonItem::create(SystemItem::Edit, [] { }) });
        home->setLeftBarButtonItem(BarButtonItem::create(SystemItem::Done, [] { }));
        Scene scene = phone->currentScene();
        QCOMPARE(scene.barButtons.size(), size_t(3));
        QCOMPARE(scene.barButtons[0].label, QStringLiteral("Done"));
        QCOMPARE(scene.barButtons[1].label, QStringLiteral("+"));
        QCOMPARE(scene.barButtons[2].label, QStringLiteral("Edit"));
        // The first right button is at the far right; the left one on the left.
        QVERIFY(scene.barButtons[1].rect.right() > scene.barButtons[2].rect.right());
        QVERIFY(scene.barButtons[0].rect.left() < 100);
    }

    void alertsDimTheScreenUntilDismissed()
    {
        QImage before = settledShot(*phone);
        auto alert = AlertView::create("Delete?", "The page goes to the trash.", "Cancel", { "Delete" });
        alert->show(window);
        QImage shown = settledShot(*phone);
        QPointF corner(5, 300);
        QVERIFY(pixelAt(shown, corner).lightness() < pixelAt(before, corner).lightness() - 40);
        AlertLayout layout = AlertLayout::build(*alert, QRectF(0, 0, 390, 844));
        QCOMPARE(layout.buttons.size(), size_t(2));
        QVERIFY(layout.buttonsInRow);
        QCOMPARE(pixelAt(shown, layout.panel.center()).lightness(), QColor(248, 248, 248).lightness());
        alert->chooseButton(0);
        QCOMPARE(settledShot(*phone), before);
    }

    void reorderModeShowsDeleteButtonsAndHandles()
    {
        home->rows->editable = true;
        QImage plain = settledShot(*phone);
        home->table->setEditing(Editing::On, Animated::No);
        QImage editing = settledShot(*phone);
        QRectF row = phone->rowRect(*home->table, { 0, 1 });
        QColor button = pixelAt(editing, QPointF(CellMetrics::editInset / 2 - 8, row.center().y() - 5));
        QVERIFY2(button.red() > 200 && button.green() < 100, qPrintable(button.name()));
        QVERIFY(pixelAt(plain, QPointF(CellMetrics::editInset / 2 - 8, row.center().y() - 5)).red() > 200
                && pixelAt(plain, QPointF(CellMetrics::editInset / 2 - 8, row.center().y() - 5)).green() > 200);
        home->table->setEditing(Editing::Off, Animated::No);
        QCOMPARE(settledShot(*phone), plain);
    }

    void insertedRowsFadeIn()
    {
        settledShot(*phone);
        home->rows->titles.push_back("Delta");
        home->table->insertRowsAtIndexPaths({ { 0, 3 } }, RowAnimation::Fade);
        QVERIFY(phone->isAnimating() || (phone->repaint(), phone->isAnimating()));
        QTRY_VERIFY_WITH_TIMEOUT(!phone->isAnimating(), 2000);
        QCOMPARE(phone->rowRect(*home->table, { 0, 3 }).height(), TableView::defaultRowHeight);
    }

    void deletedRowsFadeOutWhereTheyWere()
    {
        settledShot(*phone);
        home->rows->titles.erase(home->rows->titles.begin() + 1);
        home->table->deleteRowsAtIndexPaths({ { 0, 1 } }, RowAnimation::Fade);
        QImage fading = phone->grab().toImage(); // "Beta" still shows faintly over "Gamma"
        QVERIFY(phone->isAnimating());
        QImage gone = settledShot(*phone);
        QVERIFY(fading != gone);
        QVERIFY(phone->rowRect(*home->table, { 0, 2 }).isEmpty());
    }

    void busySpinnerWaitsBeforeShowing()
    {
        auto client = std::make_shared<FakeClient>();
        phone->setHttpClient(client);
        client->pending = 1;
        QTest::qWait(120);
        QVERIFY(!phone->isBusyShown()); // short waits show nothing
        QTRY_VERIFY_WITH_TIMEOUT(phone->isBusyShown(), 2000);
        client->pending = 0;
        QTRY_VERIFY_WITH_TIMEOUT(!phone->isBusyShown(), 2000);
    }

    void mainQueueWorkFromAnyThreadRunsOnTheQtThread()
    {
        MainQueueBridge bridge;
        std::atomic<bool> ran { false };
        std::atomic<bool> onMain { false };
        std::thread sender([&] {
            MainQueue::shared().dispatch([&] {
                onMain = MainQueue::shared().isMainThread() && QThread::currentThread() == qApp->thread();
                ran = true;
            });
        });
        sender.join();
        QTRY_VERIFY_WITH_TIMEOUT(ran.load(), 2000);
        QVERIFY(onMain.load());
        QVERIFY(bridge.drains() >= 1);
    }
};

QTEST_MAIN(PhoneWindowTest)
#include "test_PhoneWindow.moc"
