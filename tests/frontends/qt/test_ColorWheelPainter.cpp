// The colour screen in the phone window: the wheel painted from its raster (image y upward),
// and a drag on the wheel or the slider moving the cursor and filling the new-colour well.
#include "frontends/qt/PhoneTestSupport.h"

#include "editors/ColorWheelViewController.h"
#include "frontends/qt/ColorWheelPainter.h"

#include <QTest>

#include <cmath>

using namespace quindle;
using namespace quindle::test;

namespace {

/// Whether the painted pixel is the colour within a few levels (scaling smooths the raster).
bool near(QRgb painted, uint32_t packed, int tolerance = 12)
{
    return std::abs(qRed(painted) - int(packed & 0xFF)) <= tolerance && std::abs(qGreen(painted) - int(packed >> 8 & 0xFF)) <= tolerance
        && std::abs(qBlue(painted) - int(packed >> 16 & 0xFF)) <= tolerance;
}

QString describe(QRgb c) { return QString("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)); }

} // namespace

class ColorWheelPainterTest : public QObject {
    Q_OBJECT

    PhoneOnStack shown;
    std::shared_ptr<ColorWheelViewController> screen;

    /// A view point of the wheel in window points.
    QPointF onWindow(Point view)
    {
        QPointF origin = shown.phone->currentScene().content.topLeft();
        Rect frame = screen->colorWheel()->frame();
        return origin + QPointF(frame.x + view.x, frame.y + view.y);
    }

private slots:
    void initTestCase() { qt::color_wheel_painter::registerHandlers(); }

    void init()
    {
        screen = ColorWheelViewController::create();
        shown.open(screen);
    }

    void theDiscIsPaintedFromTheRasterWithImageYUpward()
    {
        auto wheel = screen->colorWheel();
        QVERIFY(wheel->radius() > 100);
        QImage shot = settledShot(*shown.phone);
        double r = wheel->radius();
        Point centre { std::trunc(wheel->frame().width) / 2, std::trunc(wheel->frame().height) / 2 };
        const struct { const char* where; Point view; } samples[] = {
            { "centre", centre },
            { "right, near the rim", { centre.x + r - 6, centre.y } },
            { "above the centre", { centre.x, centre.y - r + 6 } },
            { "below the centre", { centre.x, centre.y + r - 6 } },
            { "left, half way", { centre.x - r / 2, centre.y } },
        };
        for (const auto& sample : samples) {
            QPointF at = onWindow(sample.view) * shot.devicePixelRatio();
            QRgb painted = shot.pixel(at.toPoint());
            uint32_t expected = wheel->colorAtPoint(wheel->viewToImageSpace(sample.view));
            QVERIFY2(near(painted, expected), qPrintable(QString(sample.where) + ": painted " + describe(painted)));
        }
        // The two ends of the vertical line differ (cyan above, red below), so the flip is seen.
        QVERIFY(qRed(shot.pixel((onWindow({ centre.x, centre.y - r + 6 }) * shot.devicePixelRatio()).toPoint())) < 30);
        QVERIFY(qRed(shot.pixel((onWindow({ centre.x, centre.y + r - 6 }) * shot.devicePixelRatio()).toPoint())) > 240);
        QVERIFY(near(shot.pixel((onWindow(centre) * shot.devicePixelRatio()).toPoint()), 0xFFFFFF, 3));
    }

    void aDragMovesTheCursorAndFillsTheNewWell()
    {
        auto wheel = screen->colorWheel();
        Point centre = wheel->touchPoint();
        Point target { centre.x + wheel->radius() * 0.8, centre.y };
        drag(*shown.phone, onWindow(centre), onWindow(target), 8);
        QVERIFY(std::abs(wheel->touchPoint().x - target.x) < 0.01 && std::abs(wheel->touchPoint().y - target.y) < 0.01);
        QVERIFY(screen->wellView()->colour());
        QCOMPARE(*screen->wellView()->colour(), wheel->currentColor());
        QVERIFY(wheel->currentColor().blue == 1.0 && wheel->currentColor().green < 0.25); // violet, right of centre

        QImage shot = settledShot(*shown.phone);
        Rect well = screen->wellView()->frame();
        QPointF wellCentre = shown.phone->currentScene().content.topLeft() + QPointF(well.x + well.width / 2, well.y + well.height / 2);
        Colour colour = wheel->currentColor();
        uint32_t packed = uint32_t(std::lround(colour.red * 255)) | uint32_t(std::lround(colour.green * 255)) << 8 | uint32_t(std::lround(colour.blue * 255)) << 16;
        QVERIFY2(near(shot.pixel((wellCentre * shot.devicePixelRatio()).toPoint()), packed, 2), "the well shows the picked colour");

        // Dragging the slider's thumb to the middle halves the brightness and repaints the disc.
        auto slider = screen->brightnessSlider();
        Rect track = slider->frame();
        QPointF origin = shown.phone->currentScene().content.topLeft();
        drag(*shown.phone, origin + QPointF(track.x + track.width - 14, track.y + track.height / 2),
            origin + QPointF(track.x + track.width / 2, track.y + track.height / 2), 6);
        QVERIFY(std::abs(slider->value() - 0.5) < 0.02);
        QCOMPARE(wheel->brightness(), float(slider->value()));
        QCOMPARE(*screen->wellView()->colour(), wheel->currentColor());
        shot = settledShot(*shown.phone);
        QRgb centrePixel = shot.pixel((onWindow({ std::trunc(wheel->frame().width) / 2, std::trunc(wheel->frame().height) / 2 }) * shot.devicePixelRatio()).toPoint());
        QVERIFY2(near(centrePixel, wheel->colorAtPoint({ wheel->radius(), wheel->radius() }), 3), qPrintable(describe(centrePixel)));
    }
};

QTEST_MAIN(ColorWheelPainterTest)
#include "test_ColorWheelPainter.moc"
