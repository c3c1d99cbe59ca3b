#pragma once
// Shared by the Qt window tests: screens of plain ui objects that record what the window asks
// of them, and mouse helpers that send the events a user's pointer would.

#include "content/TextFieldCell.h"
#include "frontends/qt/PhoneWindow.h"
#include "ui/NavigationController.h"
#include "ui/TabBarController.h"
#include "ui/TableView.h"
#include "ui/Window.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTest>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quindle::test {

/// Rows of titles (or of text field records) that record selections, moves and deletions.
class RecordingRows : public TableViewDataSource, public TableViewDelegate {
public:
    std::vector<std::string> titles;
    std::vector<AssetRecord> fields; // when set, rows are text field cells of these records
    std::function<std::shared_ptr<TableViewCell>(IndexPath)> makeCell; // when set, makes every row
    bool editable { false };
    std::vector<IndexPath> selected;
    std::vector<std::pair<IndexPath, IndexPath>> moves;
    std::vector<IndexPath> deleted;

    int numberOfRowsInSection(TableView&, int) override { return static_cast<int>(fields.empty() ? titles.size() : fields.size()); }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override
    {
        if (makeCell)
            return makeCell(path);
        if (!fields.empty()) {
            auto cell = TextFieldCell::create(CellStyle::Default, "Field");
            cell->configureWithAsset(fields[static_cast<size_t>(path.row)]);
            return cell;
        }
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
        window = Window::create({ 0, 0, 390, 844 });
        stack = NavigationController::create(std::move(root));
        window->setRootViewController(stack);
        window->makeKeyAndVisible();
        phone = std::make_unique<qt::PhoneWindow>(window);
        phone->show();
        QVERIFY(QTest::qWaitForWindowExposed(phone.get()));
        phone->finishAnimations();
        phone->grab();
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

} // namespace quindle::test
