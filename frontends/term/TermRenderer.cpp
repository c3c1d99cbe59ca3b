#include "frontends/term/TermRenderer.h"
#include "frontends/term/TermWebPages.h"

#include "content/CarouselCell.h"
#include "core/Asset.h"
#include "editors/ColorWell.h"
#include "editors/ColorWheel.h"
#include "forms/BoolView.h"
#include "platform/Date.h"
#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/CollectionView.h"
#include "ui/DatePicker.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/PopoverController.h"
#include "ui/Slider.h"
#include "ui/Switch.h"
#include "ui/TabBarController.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/VideoPlayerView.h"
#include "ui/WebView.h"
#include "ui/Window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace quindle {

/// The rows last walked for each table, dropped when the table reports a change of rows.
class TermRenderer::TableCache : public ViewObserver {
public:
    void tableChanged(const TableView& table, RowChange change, const std::vector<IndexPath>&, RowAnimation) override
    {
        // A new selection or the refresh spinner leaves the rows as they are.
        if (change != RowChange::Selection && change != RowChange::Refreshing)
            rows.erase(&table);
    }

    std::vector<IndexPath> walk(const std::shared_ptr<TableView>& table)
    {
        auto known = rows.find(table.get());
        if (known != rows.end() && known->second.table.lock() == table) {
            bool complete = true;
            for (const auto& path : known->second.paths)
                complete = complete && table->cellForRowAtIndexPath(path);
            if (complete)
                return known->second.paths;
        }
        std::vector<IndexPath> paths;
        for (const auto& row : table->layoutAllRows().rows)
            paths.push_back(row.indexPath);
        rows[table.get()] = { table, paths };
        return paths;
    }

private:
    struct Walked {
        std::weak_ptr<TableView> table;
        std::vector<IndexPath> paths;
    };
    std::map<const TableView*, Walked> rows;
};

namespace {

// Screen text stays one element a line, so line breaks inside texts become spaces.
std::string oneLine(const std::string& text)
{
    std::string result = text;
    for (char& c : result) {
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    }
    return result;
}

} // namespace

std::string TermRenderer::tabTitle(const ViewController& tab, std::string* badge)
{
    const ViewController* root = &tab;
    if (auto* stack = dynamic_cast<const NavigationController*>(&tab); stack && !stack->viewControllers().empty())
        root = stack->viewControllers().front().get();
    if (badge)
        *badge = !tab.tabBarItem().badgeValue.empty() ? tab.tabBarItem().badgeValue : root->tabBarItem().badgeValue;
    for (const std::string* title : { &tab.tabBarItem().title, &root->tabBarItem().title, &root->title(), &tab.title() }) {
        if (!title->empty())
            return *title;
    }
    return "(untitled)";
}

namespace {

class Drawing {
public:
    Drawing(TermScreen& screen, TermRenderer::TableCache& tables) : m_screen(screen), m_tables(tables) { }

    void drawTabs()
    {
        auto tabBar = m_screen.tabBar;
        if (!tabBar || tabBar->isTabBarHidden() || tabBar->viewControllers().empty())
            return;
        m_out << "Tabs:";
        const auto& tabs = tabBar->viewControllers();
        for (size_t i = 0; i < tabs.size(); ++i) {
            std::string badge;
            std::string title = TermRenderer::tabTitle(*tabs[i], &badge);
            bool selected = static_cast<int>(i) == tabBar->selectedIndex();
            m_out << " [" << (selected ? "*" : "") << title << (selected ? "*" : "");
            if (!badge.empty())
                m_out << " (" << badge << ")";
            m_out << "]";
        }
        m_out << "\n";
    }

    void drawTop()
    {
        auto top = m_screen.top;
        if (!top)
            return;
        // Loading the view is what sets up a screen's bar buttons.
        auto root = top->view();
        m_out << "Title: " << oneLine(top->title()) << "\n";
        std::ostringstream bar;
        if (auto left = top->leftBarButtonItem())
            bar << " " << barButton(left);
        if (!top->rightBarButtonItems().empty()) {
            bar << " |";
            for (const auto& item : top->rightBarButtonItems())
                bar << " " << barButton(item);
        }
        if (!bar.str().empty())
            m_out << "Bar:" << bar.str() << "\n";
        if (auto stack = top->navigationController(); stack && stack->viewControllers().size() > 1
            && stack->topViewController() == top)
            m_out << "Back: " << oneLine(stack->viewControllers()[stack->viewControllers().size() - 2]->title()) << "\n";
        drawScreenView(root);
    }

    void drawAlert(const std::shared_ptr<AlertView>& alert)
    {
        if (!alert)
            return;
        m_screen.alert = alert;
        m_out << "Alert: " << oneLine(alert->title()) << "\n";
        if (!alert->message().empty()) {
            std::istringstream lines(alert->message());
            std::string line;
            while (std::getline(lines, line))
                m_out << "  " << line << "\n";
        }
        for (size_t i = 0; i < alert->numberOfTextFields(); ++i)
            m_out << "  " << textField(alert->textFieldAtIndex(i)) << "\n";
        m_out << "  Buttons:";
        for (const auto& title : alert->buttonTitles())
            m_out << " (" << title << ")";
        m_out << "\n";
    }

    std::string text() const { return m_out.str(); }

private:
    std::string barButton(const std::shared_ptr<BarButtonItem>& item)
    {
        m_screen.barButtons.push_back(item);
        return "[" + oneLine(item->displayTitle()) + (item->isEnabled() ? "" : " (off)") + "]";
    }

    // Outside the table every element gets its own line.
    void drawScreenView(const std::shared_ptr<View>& view)
    {
        if (!view || view->isHidden())
            return;
        if (auto table = std::dynamic_pointer_cast<TableView>(view)) {
            drawTable(table);
            return;
        }
        std::vector<std::string> pieces;
        if (drawControl(view, pieces)) {
            for (const auto& piece : pieces)
                m_out << piece << "\n";
            return;
        }
        for (const auto& subview : view->subviews())
            drawScreenView(subview);
    }

    void drawTable(const std::shared_ptr<TableView>& table)
    {
        if (m_screen.table) // one table a screen takes the row commands; others draw as text only
            return drawOtherTable(table);
        m_screen.table = table;
        if (table->isEditing())
            m_out << "(editing)\n";
        if (auto refresh = table->refreshControl(); refresh && refresh->isRefreshing())
            m_out << "(refreshing)\n";
        if (auto header = table->tableHeaderView())
            drawScreenView(header);
        std::vector<IndexPath> paths = m_tables.walk(table);
        int section = -1;
        for (const auto& path : paths) {
            if (path.section != section) {
                section = path.section;
                std::string title = table->titleForHeaderInSection(section);
                if (!title.empty())
                    m_out << "== " << oneLine(title) << " ==\n";
                else if (section > 0)
                    m_out << "-- section " << section << " --\n";
            }
            m_out << "  " << m_screen.rows.size() << ". " << cellLine(table->cellForRowAtIndexPath(path)) << "\n";
            m_screen.rows.push_back(path);
        }
        if (paths.empty())
            m_out << "  (no rows)\n";
    }

    void drawOtherTable(const std::shared_ptr<TableView>& table)
    {
        for (const auto& row : table->layoutAllRows().rows)
            m_out << "  - " << cellLine(row.cell) << "\n";
    }

    std::string cellLine(const std::shared_ptr<TableViewCell>& cell)
    {
        if (!cell)
            return "(empty)";
        std::vector<std::string> pieces;
        // A carousel's item views live outside the view tree: the row shows the item in front.
        if (auto carousel = std::dynamic_pointer_cast<CarouselCell>(cell)) {
            auto item = carousel->currentItem();
            // A preview has no items of its own: it names the style it shows, so a reader can choose.
            std::string shown = item ? oneLine(asset::name(item))
                                     : "preview, style " + std::to_string(static_cast<int>(carousel->carousel()->type()));
            pieces.push_back("[carousel " + shown + "]");
        }
        drawInline(cell->contentView(), pieces);
        if (auto accessory = cell->accessoryView())
            drawInline(accessory, pieces);
        // Other views a cell subclass put beside the content view.
        for (const auto& subview : cell->subviews()) {
            if (subview != cell->contentView() && subview != cell->accessoryView())
                drawInline(subview, pieces);
        }
        if (cell->accessoryType() == AccessoryType::DisclosureIndicator)
            pieces.push_back(">");
        else if (cell->accessoryType() == AccessoryType::Checkmark)
            pieces.push_back("(v)");
        std::string line;
        for (const auto& piece : pieces)
            line += (line.empty() ? "" : "  ") + piece;
        return line.empty() ? "(empty)" : line;
    }

    void drawInline(const std::shared_ptr<View>& view, std::vector<std::string>& pieces)
    {
        if (!view || view->isHidden())
            return;
        if (drawControl(view, pieces))
            return;
        for (const auto& subview : view->subviews())
            drawInline(subview, pieces);
    }

    /// Draws a view that is a control into pieces; false for plain containers.
    bool drawControl(const std::shared_ptr<View>& view, std::vector<std::string>& pieces)
    {
        // The yes/no control shows the chosen side starred; `yes ROW` and `no ROW` touch it.
        if (auto choice = std::dynamic_pointer_cast<BoolView>(view)) {
            pieces.push_back(std::string("[") + (choice->state() == 1 ? "*Yes*" : "Yes") + "|" + (choice->state() == 2 ? "*No*" : "No") + "]");
            return true;
        }
        if (auto label = std::dynamic_pointer_cast<Label>(view)) {
            if (!label->text().empty())
                pieces.push_back(oneLine(label->text()));
            return true;
        }
        if (auto button = std::dynamic_pointer_cast<Button>(view)) {
            m_screen.buttons.push_back(button);
            pieces.push_back("<" + oneLine(button->title()) + (button->isEnabled() ? "" : " (off)") + ">");
            return true;
        }
        if (auto field = std::dynamic_pointer_cast<TextField>(view)) {
            pieces.push_back(textField(field));
            return true;
        }
        if (auto textView = std::dynamic_pointer_cast<TextView>(view)) {
            if (textView->isEditable()) {
                pieces.push_back("{" + std::to_string(m_screen.inputs.size()) + "}[" + oneLine(textView->text()) + "]");
                m_screen.inputs.push_back({ nullptr, textView });
            } else if (!textView->text().empty()) {
                pieces.push_back(oneLine(textView->text()));
            }
            return true;
        }
        if (auto image = std::dynamic_pointer_cast<ImageView>(view)) {
            if (auto picture = image->image())
                pieces.push_back("[image " + std::to_string(picture->width()) + "x" + std::to_string(picture->height()) + "]");
            else if (!image->imageName().empty())
                pieces.push_back("[image " + image->imageName() + "]");
            else
                pieces.push_back("[no image]");
            return true;
        }
        if (auto toggle = std::dynamic_pointer_cast<Switch>(view)) {
            pieces.push_back(toggle->isOn() ? "[on]" : "[off]");
            return true;
        }
        if (auto wheel = std::dynamic_pointer_cast<ColorWheel>(view)) {
            char text[128];
            std::snprintf(text, sizeof text, "[colour wheel %zu: cursor %.0f,%.0f %s]", m_screen.touchViews.size(), wheel->touchPoint().x,
                wheel->touchPoint().y, hex(wheel->currentColor()).c_str());
            m_screen.touchViews.push_back(wheel);
            pieces.push_back(text);
            return true;
        }
        if (auto well = std::dynamic_pointer_cast<ColorWell>(view)) {
            pieces.push_back("[" + well->caption() + " " + (well->colour() ? hex(*well->colour()) : std::string("none")) + "]");
            return true;
        }
        if (auto slider = std::dynamic_pointer_cast<Slider>(view)) {
            char value[64];
            std::snprintf(value, sizeof value, "[slider %zu: %g]", m_screen.sliders.size(), slider->value());
            m_screen.sliders.push_back(slider);
            pieces.push_back(value);
            return true;
        }
        if (auto picker = std::dynamic_pointer_cast<DatePicker>(view)) {
            const char* pattern = picker->datePickerMode() == DatePickerMode::TimeOnly ? "HH:mm"
                : picker->datePickerMode() == DatePickerMode::DateOnly                 ? "yyyy-MM-dd"
                                                                                       : "yyyy-MM-dd HH:mm";
            pieces.push_back("[date " + DateFormat::format(picker->date(), pattern, DateFormat::Zone::Local) + "]");
            return true;
        }
        if (auto video = std::dynamic_pointer_cast<VideoPlayerView>(view)) { pieces.push_back(video->summary()); return true; }
        if (auto web = std::dynamic_pointer_cast<WebView>(view)) {
            pieces.push_back(!web->url().empty() ? "[web " + web->url() + "]" : web->html().empty() ? "[web]" : "[web page]");
            if (std::string text = TermWebPages::shared().summary(web); !text.empty())
                pieces.push_back(text);
            return true;
        }
        if (auto collection = std::dynamic_pointer_cast<CollectionView>(view)) {
            if (!m_screen.collection)
                m_screen.collection = collection;
            std::string line = "[collection:";
            for (const auto& item : collection->layoutItems()) {
                std::vector<std::string> itemPieces;
                if (item.cell)
                    drawInline(item.cell, itemPieces);
                std::string joined;
                for (const auto& piece : itemPieces)
                    joined += (joined.empty() ? "" : " ") + piece;
                line += " (" + joined + ")";
            }
            pieces.push_back(line + "]");
            return true;
        }
        if (std::dynamic_pointer_cast<TableView>(view)) {
            pieces.push_back("[table]");
            return true;
        }
        return false;
    }

    static std::string hex(Colour colour)
    {
        auto byte = [](double component) { return static_cast<int>(std::lround(std::clamp(component, 0.0, 1.0) * 255)); };
        char text[16];
        std::snprintf(text, sizeof text, "#%02X%02X%02X", byte(colour.red), byte(colour.green), byte(colour.blue));
        return text;
    }

    std::string textField(const std::shared_ptr<TextField>& field)
    {
        std::string mark = "{" + std::to_string(m_screen.inputs.size()) + "}";
        m_screen.inputs.push_back({ field, nullptr });
        if (!field)
            return mark + "[]";
        if (field->text().empty())
            return mark + "[____ " + oneLine(field->placeholder()) + "]";
        if (field->isSecureTextEntry())
            return mark + "[" + std::string(field->text().size(), '*') + "]";
        return mark + "[" + oneLine(field->text()) + "]";
    }

    TermScreen& m_screen;
    TermRenderer::TableCache& m_tables;
    std::ostringstream m_out;
};

} // namespace

TermRenderer::TermRenderer(std::shared_ptr<Window> window)
    : m_window(std::move(window))
    , m_tables(std::make_shared<TableCache>())
{
    if (m_window)
        m_window->setObserver(m_tables);
}

TermRenderer::~TermRenderer() = default;

TermScreen TermRenderer::render()
{
    const auto& window = m_window;
    TermScreen screen;
    if (!window) {
        screen.text = "(no window)\n";
        return screen;
    }
    screen.tabBar = std::dynamic_pointer_cast<TabBarController>(window->rootViewController());
    screen.top = window->visibleViewController();
    // A popover sits above the screen it was shown from.
    for (const auto& popover : window->popovers()) {
        if (popover->isPopoverVisible() && popover->contentViewController())
            screen.top = popover->contentViewController()->visibleViewController();
    }
    Drawing drawing(screen, *m_tables);
    drawing.drawTabs();
    drawing.drawTop();
    drawing.drawAlert(window->topAlert());
    screen.text = drawing.text();
    for (const auto& line : m_statusLines) {
        if (std::string status = line ? line() : std::string {}; !status.empty())
            screen.text += status + "\n";
    }
    if (screen.text.empty())
        screen.text = "(nothing on screen)\n";
    return screen;
}

} // namespace quindle
