// The add-item menu, the page editor and the video screen as the Qt client draws and drives
// them: the menu's rows, the editors' inputs, and the video preview drawn inside its row.
#include "PhoneTestSupport.h"

#include "content/YoutubeVideoCell.h"
#include "content/YoutubeVideoDataSource.h"
#include "content/TableViewController.h"
#include "core/Model.h"
#include "editors/AddDirectoryViewController.h"
#include "editors/DirectoryActionsViewController.h"
#include "frontends/qt/VideoPanel.h"
#include "ui/TextField.h"

#include <QtTest>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

class AddingScreensTest : public QObject, protected PhoneOnStack {
    Q_OBJECT

    std::shared_ptr<DirectoryActionsViewController> menu;

    QPointF rowCentre(const TableView& table, int row) { return phone->rowRect(table, { 0, row }).center(); }
    QColor pixelAt(QPointF at)
    {
        QImage shot = settledShot(*phone);
        return shot.pixelColor((at * shot.devicePixelRatio()).toPoint());
    }
    std::shared_ptr<TableView> topTable()
    {
        return std::dynamic_pointer_cast<TableView>(stack->topViewController()->view());
    }

private slots:
    void initTestCase() { video_panel::registerHandlers(); }
    void init()
    {
        menu = DirectoryActionsViewController::create(Model::defaultInstance());
        menu->setAssetID("42");
        open(menu);
    }
    void cleanup()
    {
        phone.reset();
        window.reset();
        stack.reset();
        menu.reset();
    }

    void theMenuDrawsItsEightRowsAndCancel()
    {
        Scene scene = phone->currentScene();
        QCOMPARE(scene.title, QStringLiteral("Directory actions"));
        QVERIFY(std::any_of(scene.barButtons.begin(), scene.barButtons.end(), [](const auto& slot) { return slot.label == "Cancel"; }));
        auto table = menu->tableView();
        for (int row = 0; row < 8; ++row)
            QVERIFY2(!phone->rowRect(*table, { 0, row }).isEmpty(), qPrintable(QString::number(row)));
        QVERIFY(phone->rowRect(*table, { 0, 8 }).isEmpty());
    }

    void aClickedRowOpensThePageEditorWithItsInput()
    {
        click(*phone, rowCentre(*menu->tableView(), 0));
        phone->finishAnimations();
        auto editor = std::dynamic_pointer_cast<AddDirectoryViewController>(stack->topViewController());
        QVERIFY(editor);
        QCOMPARE(phone->currentScene().title, QStringLiteral("Add Directory"));
        settledShot(*phone);
        click(*phone, rowCentre(*editor->tableView(), AddDirectoryViewController::NameRow));
        QVERIFY(editor->directoryNameField()->isFirstResponder());
        QTest::keyClicks(phone.get(), "Team");
        QCOMPARE(QString::fromStdString(editor->directoryNameField()->text()), QStringLiteral("Team"));
    }

    void theVideoScreenDrawsThePreviewInItsTallRowAndPreviewsATypedId()
    {
        click(*phone, rowCentre(*menu->tableView(), 7));
        phone->finishAnimations();
        auto screen = std::dynamic_pointer_cast<TableViewController>(stack->topViewController());
        QVERIFY(screen);
        auto source = std::dynamic_pointer_cast<YoutubeVideoDataSource>(screen->datasource());
        Scene scene = phone->currentScene();
        QVERIFY(std::any_of(scene.barButtons.begin(), scene.barButtons.end(), [](const auto& slot) { return slot.label == "Save"; }));
        settledShot(*phone);
        auto table = screen->tableView();
        QRectF preview = phone->rowRect(*table, { 0, YoutubeVideoDataSource::PreviewRow });
        QCOMPARE(preview.height(), YoutubeVideoDataSource::previewRowHeight);
        // The panel's dark poster fills the row; the rows above are light.
        QCOMPARE(pixelAt(preview.topLeft() + QPointF(12, 12)), QColor(28, 28, 30));
        QVERIFY(pixelAt(rowCentre(*table, YoutubeVideoDataSource::NameLabelRow) + QPointF(150, 0)).lightness() > 200);
        QCOMPARE(QString::fromStdString(source->youtubeCell()->videoView()->videoId()), QStringLiteral("M7lc1UVf-VE"));

        click(*phone, rowCentre(*table, YoutubeVideoDataSource::IdRow));
        QVERIFY(source->videoIdent()->isFirstResponder());
        QTest::keyClicks(phone.get(), "dQw4w9WgXcQ");
        QTest::keyClick(phone.get(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(source->youtubeCell()->videoView()->videoId()), QStringLiteral("dQw4w9WgXcQ"));
    }
};

QTEST_MAIN(AddingScreensTest)
#include "test_AddingScreens.moc"
