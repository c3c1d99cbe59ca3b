// The page and site editors in the phone window: every row of the style chooser previews its
// own style at the chooser's heights and reports it when clicked; the name cell and the site
// name alert take typing, and a name the server does not take ends in the "Not saved" alert.

#include "PhoneTestSupport.h"
#include "content/CarouselCell.h"
#include "editors/CarouselTypeViewController.h"
#include "editors/EditDirectoryViewController.h"
#include "editors/TabEditViewController.h"
#include "core/Model.h"
#include "frontends/qt/AlertPainter.h"
#include "frontends/qt/MainQueueBridge.h"
#include "frontends/qt/QtComponents.h"
#include "platform/MainQueue.h"

#include <QtTest>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

namespace {

/// The share of the picture that is not the white background.
double inkShare(const QImage& image)
{
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            inked += qGray(image.pixel(x, y)) < 245;
    return image.isNull() ? 0 : double(inked) / (image.width() * image.height());
}

} // namespace

class CarouselTypePreviewsTest : public QObject, protected PhoneOnStack {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        MainQueue::shared().makeCurrentThreadMain();
        installQtComponents();
        bridge = std::make_unique<MainQueueBridge>();
    }
    void cleanupTestCase() { bridge.reset(); }
    void cleanup()
    {
        phone.reset();
        window.reset();
        stack.reset();
    }

    void everyStyleIsDrawnAndLooksDifferent()
    {
        std::vector<long> reported;
        auto chooser = CarouselTypeViewController::create(JsonObject::create(), [&](long style) { reported.push_back(style); });
        open(chooser);
        auto table = chooser->tableView();
        std::vector<QImage> previews;
        for (int row = 0; row < 12; ++row) {
            table->scrollTo({ 0, row * CarouselTypeViewController::rowHeight });
            QImage shot = settledShot(*phone);
            QRectF rect = phone->rowRect(*table, { 0, row });
            QVERIFY2(!rect.isEmpty(), qPrintable(QString("row %1 is not drawn").arg(row)));
            QCOMPARE(qRound(rect.height()), 110);
            QImage preview = shot.copy(rect.toAlignedRect());
            QVERIFY2(inkShare(preview) > 0.1, qPrintable(QString("row %1 shows no carousel").arg(row)));
            previews.push_back(preview);
        }
        // Each style places its items differently, so no two previews look alike; the two cover
        // flows differ only between items, which the next check looks at.
        for (size_t a = 0; a < previews.size(); ++a)
            for (size_t b = a + 1; b < previews.size(); ++b)
                QVERIFY2((a == 7 && b == 8) || previews[a] != previews[b], qPrintable(QString("styles %1 and %2 look alike").arg(a).arg(b)));

        table->scrollTo({ 0, 7 * CarouselTypeViewController::rowHeight });
        settledShot(*phone);
        std::vector<QImage> between;
        for (int row : { 7, 8 }) {
            auto cell = std::dynamic_pointer_cast<CarouselCell>(table->cellForRowAtIndexPath({ 0, row }));
            QVERIFY(cell);
            cell->carousel()->setScrollOffset(0.3);
        }
        QImage shot = settledShot(*phone);
        for (int row : { 7, 8 })
            between.push_back(shot.copy(phone->rowRect(*table, { 0, row }).toAlignedRect()));
        QVERIFY2(between[0] != between[1], "the two cover flows look alike between items");

        table->scrollTo({ 0, 0 });
        settledShot(*phone);
        QRectF second = phone->rowRect(*table, { 0, 2 });
        click(*phone, second.center());
        QCoreApplication::processEvents();
        QVERIFY(!reported.empty());
        QCOMPARE(reported.back(), 2L);
    }

    void theNameFieldsTakeTypingAndARefusedNameIsReported()
    {
        auto record = JsonObject::create({ { "AssetId", "7" }, { "Name", "Gallery" } });
        auto editor = EditDirectoryViewController::create(record, {}, {});
        open(editor);
        auto table = editor->tableView();
        click(*phone, phone->rowRect(*table, { 0, 1 }).center());
        QVERIFY(editor->nameField()->isFirstResponder());
        QTest::keyClicks(phone.get(), " wall");
        QCOMPARE(QString::fromStdString(editor->nameField()->text()), QStringLiteral("Gallery wall"));

        // No server is reachable here: the rename fails and the site keeps its name.
        Model::defaultInstance().setTab(JsonObject::create({ { "AssetId", "5" }, { "Name", "Sunny" } }));
        auto sites = TabEditViewController::create();
        stack->pushViewController(sites, Animated::No);
        settledShot(*phone);
        click(*phone, phone->rowRect(*sites->tableView(), { 0, 2 }).center());
        auto alert = window->topAlert();
        QVERIFY(alert && alert->numberOfTextFields() == 1);
        QTest::keyClicks(phone.get(), "!");
        QCOMPARE(QString::fromStdString(alert->textFieldAtIndex(0)->text()), QStringLiteral("Sunny!"));
        settledShot(*phone);
        AlertLayout layout = AlertLayout::build(*alert, QRectF(0, 0, 390, 844));
        click(*phone, layout.buttons[1].center());
        QTRY_VERIFY(window->topAlert() && window->topAlert()->title() == "Not saved");
        QCOMPARE(QString::fromStdString(asset::name(Model::defaultInstance().tab())), QStringLiteral("Sunny"));
        Model::defaultInstance().setTab(nullptr);
    }

private:
    std::unique_ptr<MainQueueBridge> bridge;
};

QTEST_MAIN(CarouselTypePreviewsTest)
#include "test_CarouselTypePreviews.moc"
