// Carousel painting checked by sampling pixels of offscreen pictures, and carousel input.
#include "content/CarouselCell.h"
#include "frontends/qt/CarouselPainter.h"
#include "frontends/qt/QtFontCatalogue.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainterPath>
#include <QPainter>
#include <QtTest>

#include <cmath>
#include <numbers>

using namespace quindle;
using namespace quindle::qt;

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
    std::vector<int> selected;

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
    void didSelectItemAtIndex(CarouselView&, int index) override { selected.push_back(index); }
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

bool near(QColor a, QColor b, int tolerance = 12)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance && std::abs(a.blue() - b.blue()) <= tolerance;
}

QByteArray describe(QColor c) { return QStringLiteral("(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue()).toLatin1(); }

} // namespace

class CarouselPainterTest : public QObject {
    Q_OBJECT

    std::shared_ptr<Pictures> pictures;
    std::shared_ptr<CarouselView> carousel;

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
    void init() { pictures = std::make_shared<Pictures>(); }

    void frontItemCentredAndOnTop_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("spacing");
        // Spacing small enough that the neighbours overlap the front item.
        QTest::newRow("linear") << int(CarouselType::Linear) << 0.5;
        QTest::newRow("rotary") << int(CarouselType::Rotary) << 0.5;
        QTest::newRow("coverflow") << int(CarouselType::CoverFlow) << 0.25;
    }
    void frontItemCentredAndOnTop()
    {
        QFETCH(int, type);
        QFETCH(double, spacing);
        pictures->options[CarouselOption::Spacing] = spacing;
        makeCarousel(CarouselType(type), 2);
        QImage image = render(*carousel);
        QColor centre = image.pixelColor(150, 100);
        QVERIFY2(near(centre, Qt::blue), describe(centre));
        // Inside the front item, where a neighbour also lies for the first two styles.
        QColor overlap = image.pixelColor(150 + 30, 100);
        QVERIFY2(near(overlap, Qt::blue), describe(overlap));
        QColor outside = image.pixelColor(150, 100 + 45);
        QVERIFY2(near(outside, Qt::white), describe(outside));
    }

    void neighboursOverlapInRotary()
    {
        // Without depth order the last-drawn neighbour would win where they overlap: make sure
        // the overlap exists, so the check above means something.
        pictures->options[CarouselOption::Spacing] = 0.5;
        makeCarousel(CarouselType::Rotary, 2);
        const auto& items = carousel->layoutFrame();
        QPolygonF front, next;
        for (const auto& item : items) {
            auto quad = carousel_painter::projectedQuad(item, {});
            QVERIFY(quad);
            if (item.index == 2)
                front = *quad;
            if (item.index == 3)
                next = *quad;
        }
        QVERIFY(front.containsPoint(QPointF(180, 100), Qt::OddEvenFill));
        QVERIFY(next.containsPoint(QPointF(180, 100), Qt::OddEvenFill));
    }

    void movingPerspectiveItemsAreDrawn()
    {
        // While it moves, items turned away from the screen take the unsmoothed projective path.
        makeCarousel(CarouselType::Cylinder, 2);
        carousel->setAutoscroll(0.5);
        QImage image = render(*carousel);
        int checked = 0;
        for (const auto& item : carousel->layoutFrame()) {
            auto quad = carousel_painter::projectedQuad(item, {});
            if (item.index != 1 && item.index != 3)
                continue;
            QVERIFY(quad && !carousel_painter::showsBack(*quad));
            QPointF centre = (quad->at(0) + quad->at(1) + quad->at(2) + quad->at(3)) / 4;
            QColor seen = image.pixelColor(centre.toPoint());
            QVERIFY2(near(seen, palette[item.index]), describe(seen));
            ++checked;
        }
        QCOMPARE(checked, 2);
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
        QImage image = picture(3, [&](QPainter& painter) { carousel_painter::paintLayouts(painter, items, QRectF(0, 0, 300, 200), true); });
        QColor white(Qt::white);
        int perspective = 0, checked = 0;
        for (size_t k = 0; k < items.size(); ++k) {
            auto quad = carousel_painter::projectedQuad(items[k], {});
            if (!quad || items[k].hidden || carousel_painter::showsBack(*quad))
                continue;
            QPointF defect = quad->at(0) + quad->at(2) - quad->at(1) - quad->at(3);
            perspective += std::abs(defect.x()) + std::abs(defect.y()) > 1;
            QTransform unit;
            QPolygonF square({ QPointF(0, 0), QPointF(1, 0), QPointF(1, 1), QPointF(0, 1) });
            QVERIFY(QTransform::quadToQuad(square, *quad, unit));
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
                    if (shared)
                        continue;
                    QPointF device = at * 3;
                    if (!QRectF(1, 1, 898, 598).contains(device))
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
        pictures->options[CarouselOption::Spacing] = 1.25;
        pictures->options[CarouselOption::FadeMin] = -0.5;
        pictures->options[CarouselOption::FadeMax] = 0.5;
        pictures->options[CarouselOption::FadeRange] = 1;
        pictures->options[CarouselOption::FadeMinAlpha] = 0.3;
        makeCarousel(CarouselType::Linear, 2);
        QImage image = render(*carousel);
        QColor front = image.pixelColor(150, 100);
        QColor faded = image.pixelColor(150 + 100, 100); // item 3, yellow, partly faded
        QVERIFY2(near(front, Qt::blue), describe(front));
        QVERIFY2(faded.red() > 240 && faded.green() > 240 && faded.blue() > 40 && faded.blue() < 200, describe(faded));
        QColor fadedLeft = image.pixelColor(150 - 100, 100); // item 1, green
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

    void changedPictureIsDrawnAgain()
    {
        // Items are drawn from textures kept between frames: a new picture on the same view,
        // or a label, must still show on the next frame.
        makeCarousel(CarouselType::CoverFlow, 2);
        QVERIFY(near(render(*carousel).pixelColor(150, 100), Qt::blue));
        for (const auto& item : carousel->layoutFrame()) {
            if (item.index == 2) {
                auto view = std::dynamic_pointer_cast<CarouselCell::ItemView>(item.view);
                view->imageView()->setImage(solid(Qt::cyan));
                view->label()->setText("IIIIIIII");
                view->label()->setTextColour(Colour::fromRGB(1, 0, 0));
                view->label()->setStroke(Colour::black(), 0);
            }
        }
        QImage image = render(*carousel);
        QVERIFY2(near(image.pixelColor(150, 80), Qt::cyan), describe(image.pixelColor(150, 80)));
        int red = 0;
        for (int x = 110; x < 190; ++x)
            red += near(image.pixelColor(x, 100), Qt::red, 40);
        QVERIFY2(red > 4, QByteArray::number(red));
    }

    void labelMatchesItsOutlineDrawing()
    {
        // Labels are put together from cached glyph pictures: they must look like the whole
        // outline stroked and then filled, at the screen's three pixels a point.
        pictures->options[CarouselOption::Wrap] = 0;
        makeCarousel(CarouselType::Linear, 2);
        CarouselCell::ItemView* front = nullptr;
        for (const auto& item : carousel->layoutFrame()) {
            if (item.index == 2)
                front = dynamic_cast<CarouselCell::ItemView*>(item.view.get());
        }
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
        QVERIFY(carousel->scrollOffset() >= 2);
        QVERIFY(!carousel_painter::step(*carousel, now + 1));
        // The gesture ended: a move without a press is not taken.
        QVERIFY(!carousel_painter::handlePointer(*carousel, key, { Phase::Move, { 10, 10 }, now }, {}));
    }

    void cellPaintsAndTapSelectsThroughRegistry()
    {
        carousel_painter::registerHandlers();
        auto cell = CarouselCell::create(CellStyle::Default, "Carousel");
        cell->setFrame({ 0, 0, 390, 130 });
        auto record = std::make_shared<JsonObject>();
        auto list = JsonArray::create();
        for (int i = 0; i < 5; ++i) {
            auto item = std::make_shared<JsonObject>();
            item->set("Name", JsonValue(std::string()));
            item->set("image", JsonValue(std::static_pointer_cast<Opaque>(solid(palette[i]))));
            list->push_back(JsonValue(item));
        }
        record->set("list", JsonValue(list));
        record->set("image", JsonValue(std::static_pointer_cast<Opaque>(solid(Qt::black))));
        std::vector<int> chosen;
        cell->configureWithImage(record, 100, [&](int index, const AssetRecord&) { chosen.push_back(index); });
        const ViewHandlers* handlers = ViewRegistry::shared().find(*cell);
        QVERIFY(handlers && handlers->paint && handlers->pointer && handlers->step);

        // Painted with the cell placed 40 points down the screen: item 0 is the black record.
        QImage screen(390, 200, QImage::Format_ARGB32_Premultiplied);
        screen.fill(Qt::white);
        {
            QPainter painter(&screen);
            handlers->paint(painter, *cell, QRectF(0, 40, 390, 130));
        }
        QVERIFY2(near(screen.pixelColor(195, 40 + 65), Qt::black), describe(screen.pixelColor(195, 105)));
        QVERIFY(near(screen.pixelColor(195, 20), Qt::white));

        // A tap on the item to the right of the centre selects item 1 and scrolls to it.
        QPointF right(195 + 110 * CarouselCell::spacingFactor, 65);
        QVERIFY(handlers->pointer(*cell, { PointerEvent::Phase::Press, right, 1.0 }));
        QVERIFY(handlers->pointer(*cell, { PointerEvent::Phase::Release, right + QPointF(2, 1), 1.1 }));
        QCOMPARE(chosen, std::vector<int> { 1 });
        QVERIFY(handlers->step(*cell, 1.2));
        QVERIFY(!handlers->step(*cell, 3.0));
        QCOMPARE(cell->carousel()->currentItemIndex(), 1);
    }
};

QTEST_MAIN(CarouselPainterTest)
#include "test_CarouselPainter.moc"
