// The native web page: HTML through QTextBrowser with inline SVG drawn in place, pages loaded
// through the model, onLoad after each load; the reference server's graph page shown.
#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "frontends/qt/WebPageWidget.h"
#include "platform/MainQueue.h"
#include "support/DemoServer.h"
#include "ui/WebView.h"

#include <QImage>
#include <QtTest>

using namespace quindle;
using namespace quindle::qt;

namespace {

const QColor chartBlue(0x1e, 0x6f, 0xd9);

int pixelsLike(const QImage& image, QColor colour, int tolerance = 24)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QColor c = image.pixelColor(x, y);
            count += std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance
                && std::abs(c.blue() - colour.blue()) <= tolerance;
        }
    }
    return count;
}

/// Runs the main queue until the condition holds.
bool runUntil(const std::function<bool()>& done)
{
    return MainQueue::shared().runUntil(done, std::chrono::seconds(15));
}

std::optional<JsonValue> fetchJson(const std::string& url)
{
    auto result = std::make_shared<std::optional<JsonValue>>();
    auto done = std::make_shared<bool>(false);
    Model::defaultInstance().requestWithURL(url, [result, done](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([result, done, content] {
            *result = content;
            *done = true;
        });
    });
    runUntil([&] { return *done; });
    return *result;
}

std::string entry(const JsonValue& value, const char* key)
{
    return value.isObject() ? value.object()->get(key).asString() : std::string();
}

} // namespace

class WebPageWidgetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MainQueue::shared().makeCurrentThreadMain(); }

    void inlineSvgIsDrawnInPlace()
    {
        auto view = WebView::create({ 0, 0, 320, 300 });
        int loads = 0;
        view->onLoad = [&](WebView&) { ++loads; };
        view->loadHTMLString("<html><head><title>Weights</title></head><body><p>Before</p>"
                             "<svg width=\"200\" height=\"80\"><polyline points=\"0,40 200,40\" stroke=\"#1e6fd9\" stroke-width=\"8\" fill=\"none\"/></svg>"
                             "<p>After</p></body></html>");
        WebPageWidget page(view);
        page.resize(320, 300);
        QCOMPARE(loads, 1);
        QCOMPARE(page.documentTitle(), QStringLiteral("Weights"));
        QVERIFY(page.toPlainText().contains("Before"));
        QVERIFY(page.toPlainText().contains("After"));
        QVERIFY(!page.toPlainText().contains("polyline")); // no SVG source shown as text
        QImage shot = page.grab().toImage();
        int blue = pixelsLike(shot, chartBlue);
        // A line 200 points long and 8 thick, give or take its ends and smoothing.
        QVERIFY2(blue > 1000 && blue < 3000, QByteArray::number(blue));

        // A page loaded again is shown again and reported again; the same load is not.
        page.refresh();
        QCOMPARE(loads, 1);
        view->loadHTMLString("<p>No chart</p>");
        page.refresh();
        QCOMPARE(loads, 2);
        QCOMPARE(pixelsLike(page.grab().toImage(), chartBlue), 0);
    }

    void replacementKeepsTheTextAroundEachBlock()
    {
        std::vector<QImage> pictures;
        QString html = WebPageWidget::replaceInlineSvg(
            "a<SVG width='10' height='20'><rect width='10' height='20' fill='red'/></SVG>b<svg width='30' height='5'></svg>c<svg>broken", 2, pictures);
        QCOMPARE(html, QStringLiteral("a<img src=\"quindle-svg:0\" width=\"10\" height=\"20\">b<img src=\"quindle-svg:1\" width=\"30\" height=\"5\">c<svg>broken"));
        QCOMPARE(pictures.size(), size_t(2));
        QCOMPARE(pictures[0].size(), QSize(20, 40)); // two pixels a point
        QCOMPARE(pictures[0].pixelColor(10, 10), QColor(Qt::red));
    }

    void failedLoadShowsWhyAndStillReports()
    {
        auto view = WebView::create();
        int loads = 0;
        view->onLoad = [&](WebView&) { ++loads; };
        view->loadRequest("http://127.0.0.1:1/nothing-listens-here");
        WebPageWidget page(view);
        QVERIFY(runUntil([&] { return loads == 1; }));
        QVERIFY(page.toPlainText().contains("Cannot show the page"));
    }

    void referenceServerGraphPage()
    {
        test::DemoServer server;
        std::string error;
        QVERIFY2(server.start(&error), error.c_str());
        Model& model = Model::defaultInstance();
        model.resetSessionForTesting();
        model.setConfiguration(*ServerConfiguration::create(server.host()));
        bool loggedIn = false;
        model.loginWithUsername(QuindleServer::demoEmail, QuindleServer::demoPassword, [&](auto, auto) {
            MainQueue::shared().dispatch([&] { loggedIn = true; });
        });
        QVERIFY(runUntil([&] { return loggedIn; }));
        QVERIFY(model.isLoggedIn());

        // The first resident's daily care document holds a series of weights.
        auto people = fetchJson(model.legacyBaseURL() + "start.php");
        QVERIFY(people && people->isObject());
        std::string person = entry(people->object()->get("list").array()->at(0), "assetID");
        auto documents = fetchJson(model.legacyBaseURL() + "start.php?a=" + person);
        QVERIFY(documents && documents->isObject());
        std::string document;
        for (const auto& item : *documents->object()->get("list").array())
            if (entry(item, "name") == "Daily care")
                document = entry(item, "assetID");
        QVERIFY(!document.empty());

        auto view = WebView::create({ 0, 0, 360, 400 });
        int loads = 0;
        view->onLoad = [&](WebView&) { ++loads; };
        view->loadRequest(model.legacyBaseURL() + "Naked.php?a=" + document);
        WebPageWidget page(view);
        page.resize(360, 400);
        QVERIFY(runUntil([&] { return loads == 1; }));
        QCOMPARE(page.documentTitle(), QStringLiteral("Graph"));
        QVERIFY2(!page.toPlainText().contains("Cannot show"), qPrintable(page.toPlainText()));
        int blue = pixelsLike(page.grab().toImage(), chartBlue);
        QVERIFY2(blue > 200, QByteArray::number(blue));
        model.resetSessionForTesting();
    }
};

QTEST_MAIN(WebPageWidgetTest)
#include "test_WebPageWidget.moc"
