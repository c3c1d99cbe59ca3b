// The Qt pieces on their own: carousel painting checked by sampling pixels of offscreen pictures
// and carousel input; fonts from Qt, the video panel and the photo crop step; and the quindle
// program: its options, a picture of the start page, and a script whose exit status says it failed.
#include "PhoneTestSupport.h"

#include "content/CarouselCell.h"
#include "frontends/qt/CarouselPainter.h"
#include "frontends/qt/PhotoPicker.h"
#include "frontends/qt/QtComponents.h"
#include "frontends/qt/QtFontCatalogue.h"
#include "frontends/qt/VideoPanel.h"
#include "ui/VideoPlayerView.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <fstream>
#include <numbers>

using namespace quindle;
using namespace quindle::qt;
using namespace quindle::test;

namespace {

std::shared_ptr<Image> solid(QColor colour, int size = 16)
{
    std::vector<uint8_t> rgba;
    for (int i = 0; i < size * size; ++i)
        rgba.insert(rgba.end(), { uint8_t(colour.red()), uint8_t(colour.green()), uint8_t(colour.blue()), 255 });
    return Image::create(size, size, std::move(rgba));
}

class SingleSidedItem : public CarouselCell::ItemView {
public:
    using ItemView::ItemView;
    bool isDoubleSided() const override { return false; }
};

const QColor palette[] = { Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta, Qt::cyan };

/// Square pictures of distinct colours, with options the test sets.
class Pictures : public CarouselDataSource, public CarouselDelegate {
public:
    int count = 5;
    double size = 80;
    bool singleSided = false;
    std::map<CarouselOption, double> options;
    /// Custom style: the item at offset 1 turned round its own upright axis.
    bool flipSecond = false;
    int numberOfItemsInCarousel(CarouselView&) override { return count; }
    CarouselItemViewPtr viewForItemAtIndex(CarouselView&, int index, CarouselItemViewPtr) override
    {
        auto view = singleSided ? std::make_shared<SingleSidedItem>(size) : std::make_shared<CarouselCell::ItemView>(size);
        view->imageView()->setContentMode(ContentMode::ScaleToFill);
        view->imageView()->setImage(solid(palette[index % 6]));
        return view;
    }
    double valueForOption(CarouselView&, CarouselOption option, double defaultValue) override
    {
        auto found = options.find(option);
        return found == options.end() ? defaultValue : found->second;
    }
    Transform3D itemTransformForOffset(CarouselView&, double offset, const Transform3D& base) override
    {
        Transform3D placed = base.translated(offset * size * 1.2, 0, 0);
        return flipSecond && std::abs(offset - 1) < 0.01 ? placed.rotated(std::numbers::pi, 0, 1, 0) : placed;
    }
};

/// A white picture of the 300 x 200 points the carousels take, at `ratio` pixels a point.
QImage picture(double ratio, const std::function<void(QPainter&)>& paint)
{
    QImage image(int(300 * ratio), int(200 * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint(painter);
    painter.end();
    return image;
}

QImage render(CarouselView& carousel, double ratio = 1)
{
    return picture(ratio, [&](QPainter& painter) { carousel_painter::paint(painter, carousel, QRectF(0, 0, carousel.frame().width, carousel.frame().height)); });
}

bool near(QColor a, QColor b, int tolerance = 12) { return like(b, tolerance)(a); }

QByteArray describe(QColor c) { return QStringLiteral("(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue()).toLatin1(); }

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

ProgramRun runQuindle(const std::string& arguments) { return runProgram("frontends/qt/quindle " + arguments); }

} // namespace

class QtComponentsTest : public QObject {
    Q_OBJECT
    std::shared_ptr<Pictures> pictures;
    std::shared_ptr<CarouselView> carousel;
    QTemporaryDir scratch; // the test's pictures and scripts, and the program's object store
    void makeCarousel(CarouselType type, double offset)
    {
        carousel = CarouselView::create({ 300, 200 });
        carousel->setType(type);
        carousel->setDataSource(pictures);
        carousel->setDelegate(pictures);
        carousel->reloadData();
        carousel->setScrollOffset(offset);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        setenv("QUINDLE_DOCUMENTS", qPrintable(scratch.path()), 1);
    }
    void init() { pictures = std::make_shared<Pictures>(); }
    void frontItemCentredAndOnTop_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("spacing");
        QTest::addColumn<bool>("overlapped");
        // Spacing small enough that the neighbours overlap the front item, and in the first two
        // styles lie where it is checked: without depth order the last drawn would win there.
        QTest::newRow("linear") << int(CarouselType::Linear) << 0.5 << true;
        QTest::newRow("rotary") << int(CarouselType::Rotary) << 0.5 << true;
        QTest::newRow("coverflow") << int(CarouselType::CoverFlow) << 0.25 << false;
    }
    void frontItemCentredAndOnTop()
    {
        QFETCH(int, type);
        QFETCH(double, spacing);
        QFETCH(bool, overlapped);
        pictures->options[CarouselOption::Spacing] = spacing;
        makeCarousel(CarouselType(type), 2);
        QImage image = render(*carousel);
        for (QPoint at : { QPoint(150, 100), QPoint(150 + 30, 100) })
            QVERIFY2(near(image.pixelColor(at), Qt::blue), describe(image.pixelColor(at)));
        QVERIFY2(near(image.pixelColor(150, 145), Qt::white), describe(image.pixelColor(150, 145)));
        // Items are drawn from textures kept between frames: a new picture on the same view, or a
        // label, must still show on the next frame.
        int covering = 0; // of items 2 and 3, those over the second point checked
        for (const auto& item : carousel->layoutFrame()) {
            auto quad = carousel_painter::projectedQuad(item, {});
            covering += (item.index == 2 || item.index == 3) && quad && quad->containsPoint(QPointF(180, 100), Qt::OddEvenFill);
            if (item.index == 2) {
                auto view = std::dynamic_pointer_cast<CarouselCell::ItemView>(item.view);
                view->imageView()->setImage(solid(Qt::cyan));
                view->label()->setText("IIIIIIII");
                view->label()->setTextColour(Colour::fromRGB(1, 0, 0));
                view->label()->setStroke(Colour::black(), 0);
            }
        }
        QVERIFY2(!overlapped || covering == 2, QByteArray::number(covering));
        image = render(*carousel);
        QVERIFY2(near(image.pixelColor(150, 80), Qt::cyan), describe(image.pixelColor(150, 80)));
        int red = 0;
        for (int x = 110; x < 190; ++x)
            red += near(image.pixelColor(x, 100), Qt::red, 40);
        QVERIFY2(red > 4, QByteArray::number(red));
    }

    void movingPerspectiveItemsShowNoSeams_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("alpha");
        // Opaque items go in overlapping patches, faded ones in triangles.
        QTest::newRow("cylinder") << int(CarouselType::Cylinder) << 1.0;
        QTest::newRow("coverflow") << int(CarouselType::CoverFlow) << 1.0;
        QTest::newRow("cylinder faded") << int(CarouselType::Cylinder) << 0.6;
    }
    void movingPerspectiveItemsShowNoSeams()
    {
        // Moving items in perspective are drawn in pieces: every pixel inside an item, where no
        // item above lies, shows the item's own colour and none of the white behind.
        QFETCH(int, type);
        QFETCH(double, alpha);
        pictures->options[CarouselOption::Spacing] = 1.5; // little overlap, so most of each item is checked
        makeCarousel(CarouselType(type), 2);
        carousel->setAutoscroll(0.5);
        std::vector<CarouselItemLayout> items = carousel->layoutFrame();
        for (auto& item : items)
            item.alpha = std::min(item.alpha, alpha);
        // Opaque ones are drawn as the carousel paints itself while it moves, so the checks below
        // also find items turned away from the screen drawn, on the unsmoothed projective path.
        QImage image = alpha == 1.0 ? render(*carousel, 3)
                                    : picture(3, [&](QPainter& painter) { carousel_painter::paintLayouts(painter, items, QRectF(0, 0, 300, 200), true); });
        int perspective = 0, checked = 0;
        for (size_t k = 0; k < items.size(); ++k) {
            auto quad = carousel_painter::projectedQuad(items[k], {});
            if (!quad || items[k].hidden || carousel_painter::showsBack(*quad))
                continue;
            QPointF defect = quad->at(0) + quad->at(2) - quad->at(1) - quad->at(3);
            perspective += std::abs(defect.x()) + std::abs(defect.y()) > 1;
            QTransform unit;
            QVERIFY(QTransform::quadToQuad(QPolygonF({ QPointF(0, 0), QPointF(1, 0), QPointF(1, 1), QPointF(0, 1) }), *quad, unit));
            QColor own = palette[items[k].index % 6];
            QColor expected((own.red() * alpha + 255 * (1 - alpha)), (own.green() * alpha + 255 * (1 - alpha)), (own.blue() * alpha + 255 * (1 - alpha)));
            for (int v = 1; v < 60; ++v) {
                for (int u = 1; u < 60; ++u) {
                    QPointF at = unit.map(QPointF(0.02 + 0.96 * u / 60, 0.02 + 0.96 * v / 60));
                    // Only where no other item lies, nor within two device pixels of one:
                    // faded items let those below show through.
                    bool shared = false;
                    for (size_t other = 0; other < items.size(); ++other) {
                        auto quadOther = carousel_painter::projectedQuad(items[other], {});
                        if (other == k || !quadOther || items[other].hidden)
                            continue;
                        QPainterPath grown;
                        grown.addPolygon(*quadOther);
                        shared |= grown.contains(at) || grown.intersects(QRectF(at - QPointF(0.7, 0.7), QSizeF(1.4, 1.4)));
                    }
                    QPointF device = at * 3;
                    if (shared || !QRectF(1, 1, 898, 598).contains(device))
                        continue;
                    QColor seen = image.pixelColor(device.toPoint());
                    QVERIFY2(near(seen, expected, 16), describe(seen) + " at " + QByteArray::number(device.x()) + "," + QByteArray::number(device.y()));
                    ++checked;
                }
            }
        }
        QVERIFY2(perspective >= 2 && checked > 1500, QByteArray::number(perspective) + " " + QByteArray::number(checked));
    }

    void fadedItemIsLighter()
    {
        pictures->options = { { CarouselOption::Spacing, 1.25 }, { CarouselOption::FadeMin, -0.5 }, { CarouselOption::FadeMax, 0.5 },
            { CarouselOption::FadeRange, 1 }, { CarouselOption::FadeMinAlpha, 0.3 } };
        makeCarousel(CarouselType::Linear, 2);
        QImage image = render(*carousel);
        QColor front = image.pixelColor(150, 100);
        QColor faded = image.pixelColor(150 + 100, 100); // item 3, yellow, partly faded
        QColor fadedLeft = image.pixelColor(150 - 100, 100); // item 1, green
        QVERIFY2(near(front, Qt::blue), describe(front));
        QVERIFY2(faded.red() > 240 && faded.green() > 240 && faded.blue() > 40 && faded.blue() < 200, describe(faded));
        QVERIFY2(fadedLeft.green() > 240 && fadedLeft.red() > 40, describe(fadedLeft));
    }

    void backFaceHiddenUnlessDoubleSided()
    {
        pictures->flipSecond = true;
        pictures->singleSided = true;
        makeCarousel(CarouselType::Custom, 0);
        QImage single = render(*carousel);
        QVERIFY2(near(single.pixelColor(150 + 96, 100), Qt::white), describe(single.pixelColor(150 + 96, 100)));
        QVERIFY(near(single.pixelColor(150, 100), Qt::red));
        pictures->singleSided = false;
        makeCarousel(CarouselType::Custom, 0);
        QImage both = render(*carousel);
        QVERIFY2(near(both.pixelColor(150 + 96, 100), Qt::green), describe(both.pixelColor(150 + 96, 100)));
        // A layout the carousel did not mark hidden still shows no back of a single-sided item.
        pictures->singleSided = true;
        makeCarousel(CarouselType::Linear, 0);
        std::vector<CarouselItemLayout> items = carousel->layoutFrame();
        items.resize(1);
        items[0].transform = Transform3D::makePerspective(-1.0 / 500).rotated(std::numbers::pi * 0.9, 0, 1, 0);
        items[0].hidden = false;
        auto quad = carousel_painter::projectedQuad(items[0], {});
        QVERIFY(quad && carousel_painter::showsBack(*quad));
        QImage image = picture(1, [&](QPainter& painter) { carousel_painter::paintLayouts(painter, items, QRectF(0, 0, 300, 200)); });
        QVERIFY(near(image.pixelColor(150, 100), Qt::white));
    }

    void labelMatchesItsOutlineDrawing()
    {
        // Labels are put together from cached glyph pictures: they must look like the whole
        // outline stroked and then filled, at the screen's three pixels a point.
        pictures->options[CarouselOption::Wrap] = 0;
        makeCarousel(CarouselType::Linear, 2);
        CarouselCell::ItemView* front = nullptr;
        for (const auto& item : carousel->layoutFrame())
            if (item.index == 2)
                front = dynamic_cast<CarouselCell::ItemView*>(item.view.get());
        QVERIFY(front && front->label());
        front->label()->setText("Picture 42");
        front->label()->setTextColour(Colour::white());
        front->label()->setStroke(Colour::black(), -4);
        QImage drawn = render(*carousel, 3);
        QImage expected = picture(3, [&](QPainter& painter) {
            const Font& font = front->label()->font();
            QFont qfont = toQFont(font);
            QFontMetricsF metrics(qfont);
            QPainterPath path;
            path.addText(0, 0, qfont, "Picture 42");
            painter.setRenderHint(QPainter::Antialiasing);
            // The label is cut off at the item's edges, as in the item's picture.
            painter.setClipRect(QRectF(110, 60, 80, 80));
            painter.fillRect(QRectF(110, 60, 80, 80), Qt::blue);
            painter.translate(150 - metrics.horizontalAdvance("Picture 42") / 2, 100 + (metrics.ascent() - metrics.descent()) / 2);
            painter.strokePath(path, QPen(Qt::black, 4.0 / 100 * font.pointSize * 2));
            painter.fillPath(path, Qt::white);
        });
        int differing = 0, black = 0, white = 0;
        for (int y = 3 * 60 + 6; y < 3 * 140 - 6; ++y) {
            for (int x = 3 * 110 + 6; x < 3 * 190 - 6; ++x) {
                QColor a = drawn.pixelColor(x, y), b = expected.pixelColor(x, y);
                differing += !near(a, b, 64);
                black += near(a, Qt::black, 30);
                white += near(a, Qt::white, 30);
            }
        }
        // Both outline and fill show, and at most a sliver of edge pixels differ.
        QVERIFY2(black > 500 && white > 500, QByteArray::number(black) + " " + QByteArray::number(white));
        QVERIFY2(differing < 300, QByteArray::number(differing));
    }

    void dragMovesAndStepSettles()
    {
        pictures->options[CarouselOption::Wrap] = 0;
        makeCarousel(CarouselType::Linear, 1);
        carousel->layoutFrame();
        const void* key = carousel.get();
        using Phase = PointerEvent::Phase;
        QVERIFY(carousel_painter::handlePointer(*carousel, key, { Phase::Press, { 150, 100 }, 10.0 }, {}));
        QVERIFY(carousel_painter::handlePointer(*carousel, key, { Phase::Move, { 130, 100 }, 10.02 }, {}));
        QVERIFY(carousel->isDragging());
        QVERIFY(carousel_painter::handlePointer(*carousel, key, { Phase::Move, { 90, 100 }, 10.04 }, {}));
        QVERIFY2(carousel->scrollOffset() > 1.4, QByteArray::number(carousel->scrollOffset()));
        QVERIFY(carousel_painter::handlePointer(*carousel, key, { Phase::Release, { 88, 100 }, 10.05 }, {}));
        QVERIFY(!carousel->isDragging());
        double now = 10.05;
        QVERIFY(carousel_painter::step(*carousel, now += 1.0 / 60));
        int frames = 1;
        while (carousel_painter::step(*carousel, now += 1.0 / 60) && frames < 600)
            ++frames;
        QVERIFY2(frames > 3 && frames < 600, QByteArray::number(frames));
        // At rest on a whole item, past where the drag left it.
        QCOMPARE(carousel->scrollOffset(), std::round(carousel->scrollOffset()));
        QVERIFY(carousel->scrollOffset() >= 2 && !carousel_painter::step(*carousel, now + 1));
        // The gesture ended: a move without a press is not taken.
        QVERIFY(!carousel_painter::handlePointer(*carousel, key, { Phase::Move, { 10, 10 }, now }, {}));
    }

    void fontsMeasureWrapAndResolveNames()
    {
        QtFontCatalogue fonts;
        Font font = fonts.systemFont(16);
        Size shortText = fonts.measure("Care", font, { 1000, 1000 });
        Size longer = fonts.measure("Care notes for today", font, { 1000, 1000 });
        QVERIFY(shortText.width > 0 && shortText.height > 0 && longer.width > shortText.width);
        QCOMPARE(longer.height, shortText.height);
        // In a box narrower than the line the words wrap: no wider than the box, more lines.
        Size wrapped = fonts.measure("Care notes for today", font, { longer.width / 2, 1000 });
        QVERIFY(wrapped.width <= longer.width / 2 && wrapped.height >= 2 * shortText.height - 1);
        // Text taller than the box is cut at its bottom.
        QCOMPARE(fonts.measure("Care notes for today", font, { longer.width / 2, 10 }).height, 10.0);
        QCOMPARE(fonts.measure("", font, { 100, 100 }).width, 0.0);
        auto families = fonts.familyNames();
        QVERIFY(!families.empty());
        std::string family = families.front();
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
    }

    void panelShowsPosterAndOpensTheWatchPage()
    {
        std::vector<QUrl> opened;
        video_panel::setUrlOpener([&](const QUrl& url) { opened.push_back(url); });
        auto player = VideoPlayerView::create({ 0, 0, 320, 200 });
        QVERIFY(player->loadWithVideoId("dQw4w9WgXcQ"));
        QImage image(320, 240, QImage::Format_ARGB32_Premultiplied);
        auto paint = [&] {
            image.fill(Qt::white);
            QPainter painter(&image);
            video_panel::paint(painter, *player, QRectF(0, 20, 320, 200));
        };
        paint();
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
        QCOMPARE(opened, std::vector<QUrl> { QUrl("https://www.youtube.com/watch?v=dQw4w9WgXcQ") });
        // Sliding off the button before letting go opens nothing; a press elsewhere is not taken.
        QVERIFY(video_panel::handlePointer(*player, { Phase::Press, button, 1 }));
        QVERIFY(video_panel::handlePointer(*player, { Phase::Release, QPointF(5, 5), 1.1 }));
        QVERIFY(!video_panel::handlePointer(*player, { Phase::Press, QPointF(5, 5), 2 }));
        QCOMPARE(opened.size(), size_t(1));
        // A bad id leaves no button and nothing to open.
        player->loadWithVideoId("not a video");
        QVERIFY(!video_panel::handlePointer(*player, { Phase::Press, button, 3 }));
        paint();
        QCOMPARE(image.pixelColor(parts.button.topLeft().toPoint() + QPoint(6, 24)), QColor(28, 28, 30));
        video_panel::setUrlOpener(nullptr);
    }

    // The photo crop step: the first square is the largest centred one, a chosen square is kept
    // inside the picture, and the crop takes the pixels of the square, from a picture or from a file.
    void cropTakesThePixelsOfTheSquare()
    {
        QCOMPARE(photo_crop::initialSquare({ 400, 300 }), QRect(50, 0, 300, 300));
        QCOMPARE(photo_crop::initialSquare({ 200, 500 }), QRect(0, 150, 200, 200));
        const struct {
            const char* name;
            QSize picture;
            QRectF chosen;
            QRect expected;
        } squares[] = {
            { "inside", { 400, 300 }, { 10, 20, 100, 100 }, { 10, 20, 100, 100 } },
            { "shorter side of a rectangle", { 400, 300 }, { 10, 20, 150, 90 }, { 10, 20, 90, 90 } },
            { "past the right edge moves in", { 400, 300 }, { 350, 0, 100, 100 }, { 300, 0, 100, 100 } },
            { "before the top moves in", { 400, 300 }, { 50, -40, 100, 100 }, { 50, 0, 100, 100 } },
            { "bigger than the picture", { 400, 300 }, { -10, -10, 900, 900 }, { 0, 0, 300, 300 } },
            { "tall picture", { 200, 500 }, { 0, 450, 300, 300 }, { 0, 300, 200, 200 } },
            { "nothing chosen is one pixel", { 400, 300 }, { 399, 299, 0, 0 }, { 399, 299, 1, 1 } },
            { "empty picture", { 0, 0 }, { 0, 0, 10, 10 }, {} },
        };
        for (const auto& square : squares)
            QVERIFY2(photo_crop::clampedSquare(square.picture, square.chosen) == square.expected, square.name);
        QImage picture = quadrants(200, 100);
        auto top = photo_crop::cropSquare(picture, QRectF(120, 0, 40, 40));
        QVERIFY(top && top->width() == 40 && top->height() == 40);
        QVERIFY(pixel(*top, 0, 0) == QColor(Qt::green) && pixel(*top, 39, 39) == QColor(Qt::green));
        // Straddling the middle: each corner from its own quadrant.
        auto middle = photo_crop::cropSquare(picture, QRectF(80, 30, 40, 40));
        QCOMPARE((std::vector<QColor> { pixel(*middle, 0, 0), pixel(*middle, 39, 0), pixel(*middle, 0, 39), pixel(*middle, 39, 39) }),
            (std::vector<QColor> { Qt::red, Qt::green, Qt::blue, Qt::yellow }));
        QVERIFY(!photo_crop::cropSquare(QImage(), QRectF(0, 0, 10, 10)));
        QString png = scratch.filePath("photo.png"), jpeg = scratch.filePath("photo.jpg");
        QVERIFY(quadrants(120, 80).save(png) && quadrants(120, 80).save(jpeg, "JPEG", 95));
        for (const QString& path : { png, jpeg }) {
            QImage read = photo_crop::readPicture(path);
            QCOMPARE(read.size(), QSize(120, 80));
            CropDialog dialog(read);
            QCOMPARE(dialog.square(), QRect(20, 0, 80, 80));
            dialog.setSquare(QRectF(100, 50, 30, 30));
            QCOMPARE(dialog.square(), QRect(90, 50, 30, 30));
            auto photo = dialog.croppedPhoto();
            QVERIFY(photo && photo->width() == 30);
            QColor corner = pixel(*photo, 15, 15);
            QVERIFY2(corner.red() > 230 && corner.green() > 230 && corner.blue() < 30, path.toLatin1());
        }
        QFile file(scratch.filePath("notes.png"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a picture") > 0);
        file.close();
        QVERIFY(photo_crop::readPicture(file.fileName()).isNull());
        QVERIFY(photo_crop::readPicture(scratch.filePath("missing.png")).isNull());
    }

    // The program takes options as the text client does; it takes a picture of the loaded start
    // page, and runs scripts that set its exit status.
    void theProgramsOptionsPicturesAndScripts()
    {
        ProgramRun help = runQuindle("--help");
        QVERIFY(help.status == 0 && contains(help.output, "--screenshot") && contains(help.output, "--demo-db"));
        // The options are the text client's, whose tests try each refusal; the program names
        // itself in a refused server choice and refuses a script it cannot read itself.
        ProgramRun bogus = runQuindle("--bogus");
        QVERIFY(bogus.status == 2 && contains(bogus.output, "unknown option --bogus"));
        ProgramRun both = runQuindle("--demo --server http://127.0.0.1:1");
        QVERIFY(both.status == 2 && contains(both.output, "quindle: --demo and --server exclude each other"));
        ProgramRun unread = runQuindle("--script /nonexistent/walk.term");
        QVERIFY(unread.status == 2 && contains(unread.output, "cannot read the script"));
        std::string start = scratch.filePath("start.png").toStdString();
        ProgramRun run = runQuindle("--screenshot " + start);
        QVERIFY2(run.status == 0, run.output.c_str());
        QImage image(QString::fromStdString(start));
        QVERIFY(image.size() == QSize(390, 844) && distinctColours(image) > 20);
        std::ofstream(scratch.filePath("bad.term").toStdString()) << "expect Welcome\nexpect Nowhere\nquit\n";
        run = runQuindle("--script " + scratch.filePath("bad.term").toStdString());
        QVERIFY2(run.status == 1 && contains(run.output, "bad.term:2: expect Nowhere"), run.output.c_str());
    }
};

QTEST_MAIN(QtComponentsTest)
#include "test_QtComponents.moc"
