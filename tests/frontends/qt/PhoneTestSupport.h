#pragma once
// Shared by the client tests: screens of plain ui objects that record what is asked of them, the
// programs run as a user runs them, and the reference server's demo pages; where Qt is linked, also
// mouse helpers and pixel counts of pictures.

#include "content/ApplicationShell.h"
#include "content/TextFieldCell.h"
#include "core/Model.h"
#include "platform/HttpClient.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"
#include "ui/TableView.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace quindle::test {

/// Rows of titles that record selections, moves and deletions; `makeCell`, when set, makes every row.
class RecordingRows : public TableViewDataSource, public TableViewDelegate {
public:
    std::vector<std::string> titles;
    std::function<std::shared_ptr<TableViewCell>(IndexPath)> makeCell;
    bool editable { false };
    std::vector<IndexPath> selected;
    std::vector<std::pair<IndexPath, IndexPath>> moves;
    std::vector<IndexPath> deleted;
    int numberOfRowsInSection(TableView&, int) override { return static_cast<int>(titles.size()); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override
    {
        if (makeCell)
            return makeCell(path);
        auto cell = TableViewCell::create(CellStyle::Default, "Row");
        cell->textLabel()->setText(titles[static_cast<size_t>(path.row)]);
        cell->setAccessoryType(AccessoryType::DisclosureIndicator);
        return cell;
    }
    bool canEditRowAtIndexPath(TableView&, IndexPath) override { return editable; }
    bool canMoveRowAtIndexPath(TableView&, IndexPath) override { return editable; }
    void moveRowAtIndexPath(TableView&, IndexPath from, IndexPath to) override
    {
        moves.emplace_back(from, to);
        auto title = titles[static_cast<size_t>(from.row)];
        titles.erase(titles.begin() + from.row);
        titles.insert(titles.begin() + std::min<int>(to.row, static_cast<int>(titles.size())), title);
    }
    void commitEditingStyle(TableView& table, EditingStyle, IndexPath path) override
    {
        deleted.push_back(path);
        titles.erase(titles.begin() + path.row);
        table.deleteRowsAtIndexPaths({ path }, RowAnimation::Fade);
    }
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override { selected.push_back(path); }
};

/// A screen whose view is a table of recording rows.
class TableScreen : public ViewController {
public:
    static std::shared_ptr<TableScreen> create(std::string title, std::shared_ptr<RecordingRows> rows)
    {
        auto screen = std::shared_ptr<TableScreen>(new TableScreen(std::move(title)));
        screen->rows = std::move(rows);
        return screen;
    }
    std::shared_ptr<RecordingRows> rows;
    std::shared_ptr<TableView> table;

protected:
    explicit TableScreen(std::string title) : ViewController(std::move(title)) { }
    void loadView() override
    {
        table = TableView::create();
        table->setDataSource(rows);
        table->setDelegate(rows);
        setView(table);
    }
};

inline std::shared_ptr<RecordingRows> rowsTitled(std::vector<std::string> titles)
{
    auto rows = std::make_shared<RecordingRows>();
    rows->titles = std::move(titles);
    return rows;
}

/// An HTTP client whose number of requests in flight the test sets.
class BusyClient : public HttpClient {
public:
    std::atomic<size_t> busy { 0 };
    void send(HttpRequest, Handler) override { }
    size_t inFlight() const override { return busy; }
    bool isCallbackThread() const override { return false; }
};

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct ProgramRun {
    int status { -1 };
    std::string output; // standard output and errors together
};

/// Runs a program of the build, `command` being its path under the build folder and its arguments.
inline ProgramRun runProgram(const std::string& command)
{
    ProgramRun run;
    FILE* pipe = popen((std::string(QUINDLE_BUILD_DIR) + "/" + command + " 2>&1").c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer {};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.output.append(buffer.data(), n);
    int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : (WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1);
    return run;
}

/// A legacy page's reply, waited for on the main queue (null when none came).
inline JsonValue legacy(const std::string& path)
{
    std::optional<JsonValue> reply;
    bool answered = false;
    Model& model = Model::defaultInstance();
    model.requestWithURL(model.legacyBaseURL() + path, [&](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([&, content] {
            reply = content;
            answered = true;
        });
    });
    MainQueue::shared().runUntil([&] { return answered; }, std::chrono::seconds(15));
    return reply ? *reply : JsonValue {};
}

inline std::string text(const JsonObjectPtr& record, const char* key)
{
    return record && record->get(key).isString() ? record->get(key).asString() : std::string {};
}

/// The entry of a legacy reply's list with that name (the first one for ""), or null.
inline JsonObjectPtr listed(const JsonValue& reply, const std::string& name = "")
{
    if (!reply.isObject() || !reply.object()->get("list").isArray())
        return nullptr;
    for (const JsonValue& item : reply.object()->get("list").array()->items())
        if (item.isObject() && (name.empty() || text(item.object(), "name") == name))
            return item.object();
    return nullptr;
}

/// A key of a demo resident's document (the first resident's for ""), from the legacy pages.
inline std::string documentKey(const std::string& resident, const std::string& document, const char* key = "assetID")
{
    return text(listed(legacy("start.php?a=" + text(listed(legacy("start.php"), resident), "assetID")), document), key);
}

/// The first demo resident's care plan, set up as the resident screens get it.
inline ResidentFormSetup carePlan()
{
    JsonObjectPtr person = listed(legacy("start.php"));
    JsonValue docs = legacy("start.php?a=" + text(person, "assetID"));
    JsonObjectPtr plan = listed(docs, "Care plan");
    ResidentFormSetup setup;
    setup.assetID = text(plan, "formID");
    setup.resID = text(person, "assetID");
    setup.name = text(person, "name");
    setup.resDocID = text(plan, "assetID");
    setup.docs = plan ? docs.object()->get("list").array() : nullptr;
    JsonValue state = legacy("currentState.php?a=" + setup.resDocID);
    setup.formState = state.isObject() ? state.object()->get("list").object() : nullptr;
    return setup;
}

/// The dishes of the demo lunch menu offered to Margaret Hill, and the ids it goes by.
struct DemoLunch {
    std::string person = text(listed(legacy("start.php"), "Margaret Hill"), "assetID");
    std::string mealsForm = documentKey("Margaret Hill", "Meals", "formID");
    JsonValue reply = legacy("getMenu.php?a=" + mealsForm + "&p=" + person);
    JsonArrayPtr dishes = reply.isObject() ? reply.object()->get("list").array() : nullptr;
};

} // namespace quindle::test

#ifdef QT_CORE_LIB
#include "frontends/qt/MainQueueBridge.h"
#include "frontends/qt/PhoneWindow.h"
#include "ui/TabBarController.h"
#include "ui/Window.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTest>

#include <filesystem>
#include <set>

namespace quindle::test {

inline void sendMouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
{
    Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

inline void click(QWidget& widget, QPointF at)
{
    sendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton);
    sendMouse(widget, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

/// Presses at `from`, moves to `to` in `steps` moves `pause` ms apart, releases there.
inline void drag(QWidget& widget, QPointF from, QPointF to, int steps = 10, int pause = 0)
{
    sendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int i = 1; i <= steps; ++i) {
        if (pause > 0)
            QTest::qWait(pause);
        sendMouse(widget, QEvent::MouseMove, from + (to - from) * (double(i) / steps), Qt::LeftButton);
    }
    sendMouse(widget, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

/// A phone window over one navigation stack, for tests that open one screen at a time.
struct PhoneOnStack {
    std::shared_ptr<Window> window;
    std::shared_ptr<NavigationController> stack;
    std::unique_ptr<qt::PhoneWindow> phone;
    /// Shows `root` at the bottom of a fresh stack in a fresh window, drawn and settled.
    void open(std::shared_ptr<ViewController> root)
    {
        stack = NavigationController::create(std::move(root));
        show(stack);
    }
    /// Shows the controller as the root of a fresh window, drawn and settled.
    void show(std::shared_ptr<ViewController> root)
    {
        window = Window::create({ 0, 0, 390, 844 });
        window->setRootViewController(std::move(root));
        window->makeKeyAndVisible();
        phone = std::make_unique<qt::PhoneWindow>(window);
        phone->show();
        QVERIFY(QTest::qWaitForWindowExposed(phone.get()));
        phone->finishAnimations();
        phone->grab();
    }
    void close()
    {
        phone.reset();
        window.reset();
        stack.reset();
    }
};

/// The window as it looks once transitions and fades are over.
inline QImage settledShot(qt::PhoneWindow& phone)
{
    phone.finishAnimations();
    return phone.grab().toImage();
}

inline int distinctColours(const QImage& image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

/// The colour of a picture of the window at a point in window points.
inline QColor pixelAt(const QImage& shot, QPointF point) { return shot.pixelColor((point * shot.devicePixelRatio()).toPoint()); }

/// How many pixels pass `test`, in the whole picture or in `rect` (window points).
inline int countPixels(const QImage& image, const std::function<bool(QColor)>& test, QRectF rect = {})
{
    const double ratio = image.devicePixelRatio();
    QRect pixels = rect.isNull() ? image.rect() : QRect((rect.topLeft() * ratio).toPoint(), (rect.bottomRight() * ratio).toPoint());
    int count = 0;
    for (int y = pixels.top(); y < pixels.bottom(); ++y)
        for (int x = pixels.left(); x < pixels.right(); ++x)
            count += test(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

/// A test for countPixels: each channel within `tolerance` of the colour's.
inline std::function<bool(QColor)> like(QColor colour, int tolerance = 20)
{
    return [=](QColor c) {
        return std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance
            && std::abs(c.blue() - colour.blue()) <= tolerance;
    };
}

/// Where the tests leave the pictures they take, for a person to look at.
inline QString shotPath(const std::string& name)
{
    auto folder = std::filesystem::path(QUINDLE_BUILD_DIR) / "tests" / "frontends" / "qt-shots";
    std::filesystem::create_directories(folder);
    return QString::fromStdString((folder / name).string());
}

} // namespace quindle::test
#endif
