// Fonts from Qt, the video panel, the photo crop step and the installation of all the pieces;
// and the quindle program: its options, a picture of the start page, and scripts in the text
// client's language (with `shot`) whose exit status says whether they held.
#include "PhoneTestSupport.h"

#include "frontends/qt/CarouselPainter.h"
#include "frontends/qt/PhotoPicker.h"
#include "frontends/qt/QtComponents.h"
#include "frontends/qt/QtFontCatalogue.h"
#include "frontends/qt/VideoPanel.h"
#include "content/CarouselCell.h"
#include "ui/VideoPlayerView.h"
#include "ui/WebView.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

namespace {

QImage quadrants(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::yellow);
    return picture;
}

QColor pixel(const Image& image, int x, int y)
{
    const uint8_t* p = &image.rgba()[(size_t(y) * image.width() + x) * 4];
    return QColor(p[0], p[1], p[2], p[3]);
}

struct Run {
    int status { -1 };
    QString output; // standard output and errors together
};

Run runQuindle(const std::string& arguments)
{
    std::string command = std::string(QUINDLE_BUILD_DIR) + "/frontends/qt/quindle " + arguments + " 2>&1";
    Run run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer {};
    size_t n;
    std::string output;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.output = QString::fromStdString(output);
    return run;
}

} // namespace

class QtComponentsTest : public QObject {
    Q_OBJECT

    std::filesystem::path programFolder;

    std::string write(const char* name, const std::string& text)
    {
        auto path = programFolder / name;
        std::ofstream(path) << text;
        return path.string();
    }

private slots:
    void initTestCase()
    {
        programFolder = std::filesystem::temp_directory_path() / ("quindle-program-" + std::to_string(::getpid()));
        std::filesystem::create_directories(programFolder);
        setenv("QUINDLE_DOCUMENTS", programFolder.c_str(), 1);
    }

    void cleanupTestCase()
    {
        std::error_code ignored;
        std::filesystem::remove_all(programFolder, ignored);
    }

    // Fonts.

    void measureGrowsWithTextAndWrapsInTheBox()
    {
        QtFontCatalogue fonts;
        Font font = fonts.systemFont(16);
        Size shortText = fonts.measure("Care", font, { 1000, 1000 });
        Size longer = fonts.measure("Care notes for today", font, { 1000, 1000 });
        QVERIFY(shortText.width > 0 && shortText.height > 0);
        QVERIFY(longer.width > shortText.width);
        QCOMPARE(longer.height, shortText.height);
        // In a box narrower than the line the words wrap: no wider than the box, more lines.
        Size wrapped = fonts.measure("Care notes for today", font, { longer.width / 2, 1000 });
        QVERIFY(wrapped.width <= longer.width / 2);
        QVERIFY(wrapped.height >= 2 * shortText.height - 1);
        // Text taller than the box is cut at its bottom.
        QCOMPARE(fonts.measure("Care notes for today", font, { longer.width / 2, 10 }).height, 10.0);
        QCOMPARE(fonts.measure("", font, { 100, 100 }).width, 0.0);
    }

    void namesResolveFamiliesAndStyles()
    {
        QtFontCatalogue fonts;
        auto families = fonts.familyNames();
        QVERIFY(!families.empty());
        std::string family = families.front();
        QVERIFY(fonts.fontWithName(family, 12));
        auto names = fonts.fontNamesForFamily(family);
        QVERIFY(!names.empty() && names.front() == family);
        for (const auto& name : names)
            QVERIFY2(fonts.fontWithName(name, 12), name.c_str());
        QVERIFY(fonts.fontNamesForFamily("No Such Family").empty());
        for (const std::string& unknown : { std::string("No Such Family"), std::string("No Such Family-Bold"), family + "-NoSuchStyle", std::string() })
            QVERIFY2(!fonts.fontWithName(unknown, 12), unknown.c_str());
        QCOMPARE(fonts.fontWithName("Helvetica-Bold", 20)->pointSize, 20.0);
        QVERIFY(QFontInfo(toQFont({ "Helvetica-Bold", 20 })).bold());
        QVERIFY(QFontInfo(toQFont({ "Helvetica-Oblique", 20 })).italic());
        QVERIFY(!QFontInfo(toQFont({ "Helvetica", 20 })).bold());
        QCOMPARE(QFontInfo(toQFont({ "Helvetica", 20 })).pixelSize(), 20);
        QCOMPARE(fonts.systemFont(13).pointSize, 13.0);
    }

    // The video panel.

    void panelShowsPosterAndOpensTheWatchPage()
    {
        std::vector<QUrl> opened;
        video_panel::setUrlOpener([&](const QUrl& url) { opened.push_back(url); });
        auto player = VideoPlayerView::create({ 0, 0, 320, 200 });
        QVERIFY(player->loadWithVideoId("dQw4w9WgXcQ"));

        QImage image(320, 240, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            video_panel::paint(painter, *player, QRectF(0, 20, 320, 200));
        }
        auto parts = video_panel::layout({ 320, 200 });
        QCOMPARE(image.pixelColor(3, 24), QColor(28, 28, 30));
        QCOMPARE(image.pixelColor(3, 10), QColor(Qt::white)); // above the panel
        QCOMPARE(image.pixelColor(parts.playBadge.center().toPoint() + QPoint(0, 20)), QColor(Qt::white)); // the triangle
        QCOMPARE(image.pixelColor(parts.playBadge.topLeft().toPoint() + QPoint(int(parts.playBadge.width() / 2), 23)), QColor(204, 0, 0));
        QCOMPARE(image.pixelColor(parts.button.topLeft().toPoint() + QPoint(6, 24)), QColor(58, 58, 62));

        using Phase = PointerEvent::Phase;
        QPointF button = parts.button.center();
        QVERIFY(video_panel::handlePointer(*player, { Phase::Press, button, 0 }));
        QVERIFY(video_panel::handlePointer(*player, { Phase::Release, button, 0.1 }));
        QCOMPARE(opened.size(), size_t(1));
        QCOMPARE(opened[0], QUrl("https://www.youtube.com/watch?v=dQw4w9WgXcQ"));

        // Sliding off the button before letting go opens nothing; a press elsewhere is not taken.
        QVERIFY(video_panel::handlePointer(*player, { Phase::Press, button, 1 }));
        QVERIFY(video_panel::handlePointer(*player, { Phase::Release, QPointF(5, 5), 1.1 }));
        QVERIFY(!video_panel::handlePointer(*player, { Phase::Press, QPointF(5, 5), 2 }));
        QCOMPARE(opened.size(), size_t(1));

        // A bad id leaves no button and nothing to open.
        player->loadWithVideoId("not a video");
        QVERIFY(!video_panel::handlePointer(*player, { Phase::Press, button, 3 }));
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            video_panel::paint(painter, *player, QRectF(0, 20, 320, 200));
        }
        QCOMPARE(image.pixelColor(parts.button.topLeft().toPoint() + QPoint(6, 24)), QColor(28, 28, 30));
        video_panel::setUrlOpener(nullptr);
    }

    // The photo crop step.

    void clampedSquare_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRectF>("chosen");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("inside") << QSize(400, 300) << QRectF(10, 20, 100, 100) << QRect(10, 20, 100, 100);
        QTest::newRow("shorter side of a rectangle") << QSize(400, 300) << QRectF(10, 20, 150, 90) << QRect(10, 20, 90, 90);
        QTest::newRow("past the right edge moves in") << QSize(400, 300) << QRectF(350, 0, 100, 100) << QRect(300, 0, 100, 100);
        QTest::newRow("before the top moves in") << QSize(400, 300) << QRectF(50, -40, 100, 100) << QRect(50, 0, 100, 100);
        QTest::newRow("bigger than the picture") << QSize(400, 300) << QRectF(-10, -10, 900, 900) << QRect(0, 0, 300, 300);
        QTest::newRow("tall picture") << QSize(200, 500) << QRectF(0, 450, 300, 300) << QRect(0, 300, 200, 200);
        QTest::newRow("nothing chosen is one pixel") << QSize(400, 300) << QRectF(399, 299, 0, 0) << QRect(399, 299, 1, 1);
        QTest::newRow("empty picture") << QSize(0, 0) << QRectF(0, 0, 10, 10) << QRect();
    }
    void clampedSquare()
    {
        QFETCH(QSize, picture);
        QFETCH(QRectF, chosen);
        QFETCH(QRect, expected);
        QCOMPARE(photo_crop::clampedSquare(picture, chosen), expected);
    }

    void initialSquareIsTheLargestCentredOne()
    {
        QCOMPARE(photo_crop::initialSquare({ 400, 300 }), QRect(50, 0, 300, 300));
        QCOMPARE(photo_crop::initialSquare({ 200, 500 }), QRect(0, 150, 200, 200));
    }

    void cropTakesThePixelsOfTheSquare()
    {
        QImage picture = quadrants(200, 100);
        auto top = photo_crop::cropSquare(picture, QRectF(120, 0, 40, 40));
        QVERIFY(top);
        QCOMPARE(top->width(), 40);
        QCOMPARE(top->height(), 40);
        QCOMPARE(pixel(*top, 0, 0), QColor(Qt::green));
        QCOMPARE(pixel(*top, 39, 39), QColor(Qt::green));
        // Straddling the middle: each corner from its own quadrant.
        auto middle = photo_crop::cropSquare(picture, QRectF(80, 30, 40, 40));
        QCOMPARE(pixel(*middle, 0, 0), QColor(Qt::red));
        QCOMPARE(pixel(*middle, 39, 0), QColor(Qt::green));
        QCOMPARE(pixel(*middle, 0, 39), QColor(Qt::blue));
        QCOMPARE(pixel(*middle, 39, 39), QColor(Qt::yellow));
        QVERIFY(!photo_crop::cropSquare(QImage(), QRectF(0, 0, 10, 10)));
    }

    void fileIsReadAndCropped()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QString png = folder.filePath("photo.png");
        QVERIFY(quadrants(120, 80).save(png));
        QString jpeg = folder.filePath("photo.jpg");
        QVERIFY(quadrants(120, 80).save(jpeg, "JPEG", 95));
        for (const QString& path : { png, jpeg }) {
            QImage picture = photo_crop::readPicture(path);
            QCOMPARE(picture.size(), QSize(120, 80));
            CropDialog dialog(picture);
            QCOMPARE(dialog.square(), QRect(20, 0, 80, 80));
            dialog.setSquare(QRectF(100, 50, 30, 30));
            QCOMPARE(dialog.square(), QRect(90, 50, 30, 30));
            auto photo = dialog.croppedPhoto();
            QVERIFY(photo);
            QCOMPARE(photo->width(), 30);
            QColor corner = pixel(*photo, 15, 15);
            QVERIFY2(corner.red() > 230 && corner.green() > 230 && corner.blue() < 30, path.toLatin1());
        }
        QString text = folder.filePath("notes.png");
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
        file.close();
        QVERIFY(photo_crop::readPicture(text).isNull());
        QVERIFY(photo_crop::readPicture(folder.filePath("missing.png")).isNull());
    }

    // Installation.

    void installRegistersEveryPiece()
    {
        PhotoPicker::setShared(nullptr);
        QVERIFY(!PhotoPicker::shared());
        installQtComponents();
        auto cell = CarouselCell::create(CellStyle::Default, "Carousel");
        auto web = WebView::create();
        auto player = VideoPlayerView::create();
        auto* carousel = ViewRegistry::shared().find(*cell);
        QVERIFY(carousel && carousel->paint && carousel->pointer && carousel->step);
        auto* page = ViewRegistry::shared().find(*web);
        QVERIFY(page && page->makeWidget && !page->paint);
        auto* video = ViewRegistry::shared().find(*player);
        QVERIFY(video && video->paint && video->pointer);
        QVERIFY(dynamic_cast<QtPhotoPicker*>(PhotoPicker::shared().get()));
        QVERIFY(dynamic_cast<QtFontCatalogue*>(&FontCatalogue::current()));
        FontCatalogue::install(nullptr);
        PhotoPicker::setShared(nullptr);
    }

    // The program.

    void optionsAsTheTextClientTakesThem()
    {
        Run help = runQuindle("--help");
        QCOMPARE(help.status, 0);
        QVERIFY(help.output.contains("--screenshot"));
        QVERIFY(help.output.contains("--demo-db"));
        Run bogus = runQuindle("--bogus");
        QCOMPARE(bogus.status, 2);
        QVERIFY(bogus.output.contains("unknown option --bogus"));
        QCOMPARE(runQuindle("--demo --server http://127.0.0.1:1").status, 2);
        QCOMPARE(runQuindle("--script").status, 2);
        QCOMPARE(runQuindle("--script /nonexistent/walk.term").status, 2);
    }

    void aPictureOfTheLoadedStartPageAndScriptsThatSetTheExitStatus()
    {
        std::string start = (programFolder / "start.png").string();
        Run run = runQuindle("--screenshot " + start);
        QVERIFY2(run.status == 0, qPrintable(run.output));
        QImage image(QString::fromStdString(start));
        QCOMPARE(image.size(), QSize(390, 844));
        QVERIFY(distinctColours(image) > 20);

        std::string pushed = (programFolder / "events.png").string();
        std::string good = write("good.term", "expect Welcome to Quindle Care Home\ntap 4\nwait\nexpect Summer fair\nshot " + pushed + "\nback\nreject Summer fair\n");
        run = runQuindle("--script " + good);
        QVERIFY2(run.status == 0, qPrintable(run.output));
        image = QImage(QString::fromStdString(pushed));
        QCOMPARE(image.size(), QSize(390, 844));
        QVERIFY(distinctColours(image) > 5);

        Run failed = runQuindle("--script " + write("bad.term", "expect Welcome\nexpect Nowhere\nquit\n"));
        QCOMPARE(failed.status, 1);
        QVERIFY2(failed.output.contains("bad.term:2: expect Nowhere"), qPrintable(failed.output));
    }
};

QTEST_MAIN(QtComponentsTest)
#include "test_QtComponents.moc"
