// The editors as the Qt client draws and drives them: the add-item menu, the page editor and the
// video screen; the style chooser whose rows preview their styles; the name cell and the site name
// alert; the colour wheel painted from its raster and dragged; and the Qt pieces installed.
#include "PhoneTestSupport.h"

#include "content/CarouselCell.h"
#include "content/TableViewController.h"
#include "content/YoutubeVideoCell.h"
#include "content/YoutubeVideoDataSource.h"
#include "editors/AddDirectoryViewController.h"
#include "editors/CarouselTypeViewController.h"
#include "editors/ColorWheelViewController.h"
#include "editors/DirectoryActionsViewController.h"
#include "editors/EditDirectoryViewController.h"
#include "editors/TabEditViewController.h"
#include "frontends/qt/AlertPainter.h"
#include "frontends/qt/PhotoPicker.h"
#include "frontends/qt/QtComponents.h"
#include "frontends/qt/QtFontCatalogue.h"
#include "frontends/qt/ViewRegistry.h"
#include "ui/TextField.h"
#include "ui/VideoPlayerView.h"
#include "ui/WebView.h"

#include <QtTest>

#include <cmath>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

namespace {

/// Whether the painted pixel is the packed colour within a few levels (scaling smooths the raster).
bool near(QColor painted, uint32_t packed, int tolerance = 12)
{
    return like(QColor(int(packed & 0xFF), int(packed >> 8 & 0xFF), int(packed >> 16 & 0xFF)), tolerance)(painted);
}

} // namespace

class EditorScreensTest : public QObject, protected PhoneOnStack {
    Q_OBJECT
    std::unique_ptr<MainQueueBridge> bridge;
    QPointF rowCentre(const TableView& table, int row) { return phone->rowRect(table, { 0, row }).center(); }
    QColor shownAt(QPointF at) { return pixelAt(settledShot(*phone), at); }
    bool hasBarButton(const QString& label)
    {
        auto buttons = phone->currentScene().barButtons;
        return std::any_of(buttons.begin(), buttons.end(), [&](const auto& slot) { return slot.label == label; });
    }
    /// Clicks a row of the table and lets the screen it opens slide in.
    void clickRow(const TableView& table, int row)
    {
        click(*phone, rowCentre(table, row));
        phone->finishAnimations();
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
        // Every piece is registered: carousel rows, web pages as widgets, the video panel, photos, fonts.
        auto* carousel = ViewRegistry::shared().find(*CarouselCell::create(CellStyle::Default, "Carousel"));
        QVERIFY(carousel && carousel->paint && carousel->pointer && carousel->step);
        auto* page = ViewRegistry::shared().find(*WebView::create());
        QVERIFY(page && page->makeWidget && !page->paint);
        auto* video = ViewRegistry::shared().find(*VideoPlayerView::create());
        QVERIFY(video && video->paint && video->pointer);
        QVERIFY(dynamic_cast<QtPhotoPicker*>(PhotoPicker::shared().get()) && dynamic_cast<QtFontCatalogue*>(&FontCatalogue::current()));
    }
    void cleanupTestCase()
    {
        FontCatalogue::install(nullptr); // the plain catalogue again
        bridge.reset();
    }
    void cleanup() { close(); }
    // The menu draws its eight rows; its first opens the page editor, its last the video screen,
    // whose preview is drawn in its tall row and follows a typed id.
    void theMenuOpensThePageEditorAndTheVideoScreen()
    {
        auto menu = DirectoryActionsViewController::create(Model::defaultInstance());
        menu->setAssetID("42");
        open(menu);
        QCOMPARE(phone->currentScene().title, QStringLiteral("Directory actions"));
        QVERIFY(hasBarButton("Cancel"));
        for (int row = 0; row < 8; ++row)
            QVERIFY2(!phone->rowRect(*menu->tableView(), { 0, row }).isEmpty(), qPrintable(QString::number(row)));
        QVERIFY(phone->rowRect(*menu->tableView(), { 0, 8 }).isEmpty());
        clickRow(*menu->tableView(), 0);
        auto editor = std::dynamic_pointer_cast<AddDirectoryViewController>(stack->topViewController());
        QVERIFY(editor);
        QCOMPARE(phone->currentScene().title, QStringLiteral("Add Directory"));
        settledShot(*phone);
        click(*phone, rowCentre(*editor->tableView(), AddDirectoryViewController::NameRow));
        QVERIFY(editor->directoryNameField()->isFirstResponder());
        QTest::keyClicks(phone.get(), "Team");
        QCOMPARE(QString::fromStdString(editor->directoryNameField()->text()), QStringLiteral("Team"));
        stack->popViewController(Animated::No);
        settledShot(*phone);
        clickRow(*menu->tableView(), 7);
        auto screen = std::dynamic_pointer_cast<TableViewController>(stack->topViewController());
        QVERIFY(screen && hasBarButton("Save"));
        auto source = std::dynamic_pointer_cast<YoutubeVideoDataSource>(screen->datasource());
        settledShot(*phone);
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

    // A name the server does not take (none is reachable here) ends in the "Not saved" alert and
    // the site keeps its name.
    void theNameFieldsTakeTypingAndARefusedNameIsReported()
    {
        auto editor = EditDirectoryViewController::create(JsonObject::create({ { "AssetId", "7" }, { "Name", "Gallery" } }), {}, {});
        open(editor);
        click(*phone, rowCentre(*editor->tableView(), 1));
        QVERIFY(editor->nameField()->isFirstResponder());
        QTest::keyClicks(phone.get(), " wall");
        QCOMPARE(QString::fromStdString(editor->nameField()->text()), QStringLiteral("Gallery wall"));
        Model::defaultInstance().setTab(JsonObject::create({ { "AssetId", "5" }, { "Name", "Sunny" } }));
        auto sites = TabEditViewController::create();
        stack->pushViewController(sites, Animated::No);
        settledShot(*phone);
        click(*phone, rowCentre(*sites->tableView(), 2));
        auto alert = window->topAlert();
        QVERIFY(alert && alert->numberOfTextFields() == 1);
        QTest::keyClicks(phone.get(), "!");
        QCOMPARE(QString::fromStdString(alert->textFieldAtIndex(0)->text()), QStringLiteral("Sunny!"));
        settledShot(*phone);
        click(*phone, AlertLayout::build(*alert, QRectF(0, 0, 390, 844)).buttons[1].center());
        QTRY_VERIFY(window->topAlert() && window->topAlert()->title() == "Not saved");
        QCOMPARE(QString::fromStdString(asset::name(Model::defaultInstance().tab())), QStringLiteral("Sunny"));
        Model::defaultInstance().setTab(nullptr);
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
        QVERIFY(screen->wellView()->colour() && *screen->wellView()->colour() == wheel->currentColor());
        QVERIFY(wheel->currentColor().blue == 1.0 && wheel->currentColor().green < 0.25); // violet, right of centre
        Rect well = screen->wellView()->frame();
        QPointF origin = phone->currentScene().content.topLeft();
        Colour colour = wheel->currentColor();
        uint32_t packed = uint32_t(std::lround(colour.red * 255)) | uint32_t(std::lround(colour.green * 255)) << 8 | uint32_t(std::lround(colour.blue * 255)) << 16;
        QVERIFY2(near(shownAt(origin + QPointF(well.x + well.width / 2, well.y + well.height / 2)), packed, 2), "the well shows the picked colour");
        // Dragging the slider's thumb to the middle halves the brightness and repaints the disc.
        auto slider = screen->brightnessSlider();
        Rect track = slider->frame();
        drag(*phone, origin + QPointF(track.x + track.width - 14, track.y + track.height / 2), origin + QPointF(track.x + track.width / 2, track.y + track.height / 2), 6);
        QVERIFY(std::abs(slider->value() - 0.5) < 0.02);
        QCOMPARE(wheel->brightness(), float(slider->value()));
        QCOMPARE(*screen->wellView()->colour(), wheel->currentColor());
        QColor centrePixel = shownAt(onWheel(*screen, centre));
        QVERIFY2(near(centrePixel, wheel->colorAtPoint({ r, r }), 3), qPrintable(centrePixel.name()));
    }
};

QTEST_MAIN(EditorScreensTest)
#include "test_EditorScreens.moc"
