// The image library grid in the phone window, over the reference server's demo library: the
// thumbnails are drawn once they arrive, a tap opens the name alert, and a long grid scrolls
// under a drag and the wheel.
#include "PhoneTestSupport.h"

#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "editors/ImageSelectionViewController.h"
#include "frontends/qt/MainQueueBridge.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "server/QuindleServer.h"
#include "support/DemoServer.h"
#include "ui/AlertView.h"
#include "ui/CollectionView.h"

#include <QtTest>

#include <filesystem>

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

} // namespace

class ImageGridTest : public QObject {
    Q_OBJECT

    DemoServer reference;
    std::unique_ptr<MainQueueBridge> bridge;

    /// The window rect of an item of the grid on top.
    QRectF itemRect(PhoneOnStack& on, CollectionView& grid, int row)
    {
        for (const auto& item : grid.layoutItems()) {
            if (item.indexPath.row == row) {
                QPointF origin = on.phone->currentScene().content.topLeft();
                return QRectF(origin.x() + item.frame.x, origin.y() + item.frame.y - grid.contentOffset().y, item.frame.width, item.frame.height);
            }
        }
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
        bool answered = false;
        model.loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword,
            [&](std::optional<JsonValue>, std::optional<Error>) { answered = true; });
        QVERIFY(QTest::qWaitFor([&] { return answered; }, 15000));
        QVERIFY(model.isLoggedIn());
    }

    void cleanupTestCase()
    {
        MainQueue::shared().runUntilIdle();
        bridge.reset();
        reference.stop();
    }

    void thumbnailsAreDrawnOnceTheyArriveAndATapAsksForAName()
    {
        auto screen = ImageSelectionViewController::create(JsonObject::create({ { "AssetId", "1" } }));
        PhoneOnStack on;
        on.open(screen);
        auto grid = screen->collectionView();
        // Each drawing asks for the thumbnails still missing; they arrive through the main queue.
        QVERIFY(QTest::qWaitFor([&] {
            on.phone->grab();
            auto list = screen->imageList();
            if (!list || list->empty())
                return false;
            for (const auto& entry : list->items())
                if (!entry.object()->contains("Image"))
                    return false;
            return true;
        }, 15000));
        QImage shot = settledShot(*on.phone);
        auto folder = std::filesystem::path(QUINDLE_BUILD_DIR) / "tests" / "frontends" / "qt-shots";
        std::filesystem::create_directories(folder);
        shot.save(QString::fromStdString((folder / "image-grid.png").string()));
        qreal ratio = on.phone->devicePixelRatio();
        for (int row = 0; row < std::min<int>(3, grid->numberOfItems()); ++row) {
            QRectF rect = itemRect(on, *grid, row);
            QVERIFY(!rect.isEmpty());
            QImage cell = shot.copy(QRectF(rect.topLeft() * ratio, rect.size() * ratio).toRect());
            // A demo picture is a gradient: a blank cell would be one colour.
            QVERIFY2(distinctColours(cell) > 5, qPrintable(QString("item %1: %2 colours").arg(row).arg(distinctColours(cell))));
        }

        click(*on.phone, itemRect(on, *grid, 0).center());
        auto alert = on.window->topAlert();
        QVERIFY(alert);
        QCOMPARE(QString::fromStdString(alert->title()), QString("Title"));
        QCOMPARE(QString::fromStdString(alert->message()), QString("Please enter image name"));
        QVERIFY(screen->selectedImage());
        alert->chooseButtonWithTitle("Cancel");
    }

    void aLongGridScrollsUnderADragAndTheWheel()
    {
        auto screen = std::make_shared<PlainGrid>();
        PhoneOnStack on;
        on.open(screen);
        auto grid = screen->grid;
        QCOMPARE(grid->contentOffset().y, 0.0);
        QRectF content = on.phone->currentScene().content;
        drag(*on.phone, content.center() + QPointF(0, 150), content.center() - QPointF(0, 150));
        QVERIFY(grid->contentOffset().y > 250);
        double afterDrag = grid->contentOffset().y;
        QPointF at = content.center();
        QWheelEvent wheel(at, on.phone->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(on.phone.get(), &wheel);
        QVERIFY(grid->contentOffset().y < afterDrag);
        // The grid never scrolls past its last row.
        for (int i = 0; i < 3; ++i)
            drag(*on.phone, content.center() + QPointF(0, 300), content.center() - QPointF(0, 300));
        QCOMPARE(grid->contentOffset().y, grid->contentHeight() - grid->frame().height);
        // An item tapped after scrolling is the one under the finger.
        int last = grid->numberOfItems() - 1;
        click(*on.phone, itemRect(on, *grid, last).center());
        QVERIFY(grid->indexPathForSelectedItem() == (IndexPath { 0, last }));
    }
};

QTEST_MAIN(ImageGridTest)
#include "test_ImageGrid.moc"
