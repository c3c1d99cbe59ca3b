// The history's graph screen in the Qt client: the reference server's page for a demo resident
// drawn in the web view, one coloured line chart a key with its grid.
#include "core/Model.h"
#include "core/ServerConfiguration.h"
#include "forms/HistoryGraphViewController.h"
#include "frontends/qt/WebPageWidget.h"
#include "platform/MainQueue.h"
#include "support/DemoServer.h"
#include "ui/WebView.h"

#include <QImage>
#include <QtTest>

using namespace quindle;
using namespace quindle::qt;

namespace {

int pixelsLike(const QImage& image, QColor colour, int tolerance = 20)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QColor c = image.pixelColor(x, y);
            count += std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance
                && std::abs(c.blue() - colour.blue()) <= tolerance;
        }
    return count;
}

/// The longest run of pixels that are not white in one row: an axis or grid line, however smoothed.
int longestInkedRow(const QImage& image)
{
    int best = 0;
    for (int y = 0; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) {
            QColor c = image.pixelColor(x, y);
            const bool like = c.red() < 245 || c.green() < 245 || c.blue() < 245;
            run = like ? run + 1 : 0;
            best = std::max(best, run);
        }
    }
    return best;
}

bool runUntil(const std::function<bool()>& done) { return MainQueue::shared().runUntil(done, std::chrono::seconds(15)); }

std::string firstOf(const std::string& url, const char* name)
{
    std::optional<JsonValue> reply;
    bool done = false;
    Model::defaultInstance().requestWithURL(url, [&](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([&, content] {
            reply = content;
            done = true;
        });
    });
    runUntil([&] { return done; });
    if (!reply || !reply->isObject() || !reply->object()->get("list").isArray())
        return {};
    for (auto& item : *reply->object()->get("list").array())
        if (!name || item.object()->get("name").asString() == name)
            return item.object()->get("assetID").asString();
    return {};
}

} // namespace

class HistoryGraphPageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MainQueue::shared().makeCurrentThreadMain(); }

    void graphPageIsDrawnAsCharts()
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
        const std::string person = firstOf(model.legacyBaseURL() + "start.php", nullptr);
        const std::string document = firstOf(model.legacyBaseURL() + "start.php?a=" + person, "Daily care");
        QVERIFY(!document.empty());

        struct Case {
            std::string key;
            std::vector<QColor> lines; // each series' colour, in the page's order
        } cases[] = {
            { "", { QColor(0x1e, 0x6f, 0xd9), QColor(0xd9, 0x48, 0x0f), QColor(0x2b, 0x8a, 0x3e), QColor(0x86, 0x2e, 0x9c) } },
            { "Weight", { QColor(0x1e, 0x6f, 0xd9) } },
        };
        for (const Case& c : cases) {
            auto screen = HistoryGraphViewController::create(model, document, c.key);
            auto view = screen->webView();
            int loads = 0;
            view->onLoad = [&](WebView&) { ++loads; };
            WebPageWidget page(view);
            page.resize(380, c.key.empty() ? 1300 : 320);
            QVERIFY(runUntil([&] { return loads == 1; }));
            QCOMPARE(page.documentTitle(), QStringLiteral("Graph"));
            QImage shot = page.grab().toImage();
            shot.save(QString(QUINDLE_BUILD_DIR) + "/history-graph" + QString::fromStdString(c.key) + ".png");
            const int white = pixelsLike(shot, Qt::white, 6);
            QVERIFY2(white < shot.width() * shot.height() * 97 / 100, "the page is blank");
            for (const QColor& colour : c.lines) {
                const int line = pixelsLike(shot, colour);
                QVERIFY2(line > 150, qPrintable(colour.name() + " " + QString::number(line)));
            }
            QVERIFY2(longestInkedRow(shot) > 200, qPrintable(QString::number(longestInkedRow(shot)))); // the time axis spans the chart
            QVERIFY(page.toPlainText().contains("Weight"));
            QVERIFY(page.toPlainText().contains(c.key.empty() ? "Fluid intake (ml)" : "latest 80.5"));
        }
        model.resetSessionForTesting();
    }
};

QTEST_MAIN(HistoryGraphPageTest)
#include "test_HistoryGraphPage.moc"
