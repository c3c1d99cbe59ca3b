#pragma once

#include "ui/Forward.h"
#include "ui/Geometry.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quindle {

/// One input the user can type into, numbered in the order the screen shows it.
struct TermInput {
    std::shared_ptr<TextField> textField;
    std::shared_ptr<TextView> textView;
};

/// What one drawing of the window showed: the text and the objects the commands act on.
struct TermScreen {
    std::string text;
    std::shared_ptr<TabBarController> tabBar;
    /// The screen on top: a presented one, else the selected tab's top screen.
    std::shared_ptr<ViewController> top;
    std::shared_ptr<TableView> table;
    /// The grid on screen, if any; `tap N` selects its N-th item when no table is shown.
    std::shared_ptr<CollectionView> collection;
    /// Rows in the order shown; row numbers index this list.
    std::vector<IndexPath> rows;
    /// Bar buttons, left then right in order.
    std::vector<std::shared_ptr<BarButtonItem>> barButtons;
    /// Buttons on screen (in rows or elsewhere), in the order shown.
    std::vector<std::shared_ptr<Button>> buttons;
    std::vector<TermInput> inputs;
    /// Sliders in the order shown; `slide N VALUE` indexes this list.
    std::vector<std::shared_ptr<Slider>> sliders;
    /// Views that follow a finger (colour wheels), in the order shown; `drag N ...` indexes them.
    std::vector<std::shared_ptr<View>> touchViews;
    std::shared_ptr<AlertView> alert;
};

/// Draws the UI object model as plain ASCII text, one element a line:
///
///     Tabs: [*Home*] [Account (2)]
///     Title: Home
///     Bar: [Cancel] | [Edit] [Add]
///     == Section title ==
///       0. Welcome >
///       1. {0}[____ Your name]
///     Alert: Edit Page
///       (Cancel) (Reorder)
///
/// Inputs are marked {N} with N the number `field` takes; a field shows `[value]`, or
/// `[____ placeholder]` while empty; secure fields show stars.
///
/// Like a toolkit's table, a table is walked through its data source only when it is new or has
/// reported a change of rows; in between, the cells already shown are drawn again as they are.
class TermRenderer {
public:
    /// Becomes the window's observer, to learn which tables changed.
    explicit TermRenderer(std::shared_ptr<Window> window);
    ~TermRenderer();
    TermRenderer(const TermRenderer&) = delete;
    TermRenderer& operator=(const TermRenderer&) = delete;

    TermScreen render();
    /// What a tab shows as its title: its own tab item's, else its root screen's tab item or title.
    static std::string tabTitle(const ViewController& tab, std::string* badge = nullptr);
    /// A line printed under the screen while it is not empty (the photo picker's state).
    void addStatusLine(std::function<std::string()> line) { m_statusLines.push_back(std::move(line)); }

    class TableCache;

private:
    std::shared_ptr<Window> m_window;
    std::shared_ptr<TableCache> m_tables;
    std::vector<std::function<std::string()>> m_statusLines;
};

} // namespace quindle
