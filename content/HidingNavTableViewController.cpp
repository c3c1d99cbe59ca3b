#include "content/HidingNavTableViewController.h"

#include "content/DataManager.h"
#include "core/Model.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"

#include <algorithm>
#include <cmath>

namespace quindle {

namespace {

/// The root view lays its children out again whenever its size changes.
class LayoutView : public View {
public:
    static std::shared_ptr<LayoutView> create(Rect frame) { return std::shared_ptr<LayoutView>(new LayoutView(frame)); }
    void layoutSubviews() override
    {
        if (onLayout)
            onLayout();
    }
    std::function<void()> onLayout;

private:
    explicit LayoutView(Rect frame) : View(frame) { }
};

std::string formatMetric(double value)
{
    double whole = std::round(value);
    if (std::abs(value - whole) < 1e-9)
        return std::to_string(static_cast<long long>(whole));
    return std::to_string(value);
}

std::string heightRuleFor(double height)
{
    return "V:[_navBarView(" + formatMetric(height) + ")]";
}

} // namespace

std::shared_ptr<HidingNavTableViewController> HidingNavTableViewController::create(std::shared_ptr<DataSourceProtocol> dataSource, double rowHeight)
{
    return std::shared_ptr<HidingNavTableViewController>(new HidingNavTableViewController(std::move(dataSource), rowHeight));
}

HidingNavTableViewController::HidingNavTableViewController(std::shared_ptr<DataSourceProtocol> dataSource, double rowHeight)
    : ViewController({})
    , m_dataSource(std::move(dataSource))
    , m_rowHeight(rowHeight)
    , m_model(&Model::defaultInstance())
{
}

std::shared_ptr<DataManager> HidingNavTableViewController::dataManager() const
{
    if (m_dataManager)
        return m_dataManager;
    return m_dataSource ? m_dataSource->dataManager() : nullptr;
}

void HidingNavTableViewController::loadView()
{
    auto root = LayoutView::create(Window::defaultBounds);
    std::weak_ptr<ViewController> weak = weak_from_this();
    root->onLayout = [weak] {
        if (auto self = std::static_pointer_cast<HidingNavTableViewController>(weak.lock()))
            self->layout();
    };
    setView(root);
}

std::shared_ptr<Button> HidingNavTableViewController::createButtonWIthTitle(const std::string& title, void (HidingNavTableViewController::*selector)())
{
    auto button = Button::create(title);
    button->setTitleColour(Colour::black());
    std::weak_ptr<ViewController> weak = weak_from_this();
    if (selector) {
        button->onTap = [weak, selector](Button&) {
            if (auto self = std::static_pointer_cast<HidingNavTableViewController>(weak.lock()))
                (self.get()->*selector)();
        };
    }
    view()->addSubview(button);
    return button;
}

void HidingNavTableViewController::navBarConstraintWithFormat(const std::string& format)
{
    std::string rule = format;
    const std::string metric = "(height)";
    if (auto at = rule.find(metric); at != std::string::npos)
        rule.replace(at, metric.size(), "(" + formatMetric(buttonHeight) + ")");
    view()->addLayoutRule(rule);
}

void HidingNavTableViewController::viewDidLoad()
{
    auto root = view();
    m_currentNavBarHeight = heightOfNavBar();
    m_navBarView = ImageView::create();
    m_navBarView->setImageName(headerImageName);
    m_navBarView->setContentMode(ContentMode::AspectFill);
    m_navBarView->setBackgroundColour(Colour::fromRGB(2.0 / 3, 2.0 / 3, 2.0 / 3));
    root->addSubview(m_navBarView);

    m_login = createButtonWIthTitle("Login", nullptr);
    m_edit = createButtonWIthTitle("Edit", &HidingNavTableViewController::editAction);
    m_add = createButtonWIthTitle("Add", nullptr);
    m_done = createButtonWIthTitle("Done", nullptr);
    m_back = createButtonWIthTitle("< Back", &HidingNavTableViewController::backAction);
    m_imageEdit = createButtonWIthTitle(imageEditTitle, &HidingNavTableViewController::changeImage);
    m_imageEdit->setBackgroundColour(Colour::fromRGB(0, 0, 0, 0));
    m_login->setHidden(true);
    m_add->setHidden(true);
    m_done->setHidden(true);

    m_tableView = TableView::create({}, TableViewStyle::Plain);
    root->addSubview(m_tableView);
    // The header picture stays under the buttons.
    for (auto& button : { m_login, m_edit, m_add, m_done, m_back, m_imageEdit })
        root->addSubview(button);
    auto self = std::static_pointer_cast<HidingNavTableViewController>(shared_from_this());
    m_tableView->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    m_tableView->setDataSource(std::weak_ptr<TableViewDataSource>(m_dataSource));
    m_tableView->setRowHeight(m_rowHeight);
    if (m_dataSource)
        m_dataSource->registerCellsForTableView(m_tableView);

    // The header's height is its own rule, so the table keeps its pins when the height changes.
    root->addLayoutRule("V:|[_navBarView][_tableView]|");
    m_heightConstraint = heightRuleFor(m_currentNavBarHeight);
    root->addLayoutRule(m_heightConstraint);
    m_navBarHeight = m_currentNavBarHeight;
    updateNavHeight(heightOfNavBar());
    root->addLayoutRule("H:|[_navBarView]|");
    root->addLayoutRule("H:|[_tableView]|");
    for (const char* format : { "V:|-15-[_login(height)]", "V:|-15-[_add(height)]", "V:|-15-[_done(height)]", "V:|-15-[_edit(height)]",
             "V:|-15-[_back(height)]", "H:|-[_back]", "H:[_login]-|", "H:[_add]-[_edit]-|", "H:[_add]-[_done]-|", "H:|[_imageEdit]|",
             "V:[_login][_imageEdit(100)]" })
        navBarConstraintWithFormat(format);
    layout();
}

void HidingNavTableViewController::updateNavHeight(double height)
{
    auto root = view();
    if (!m_heightConstraint.empty())
        root->removeLayoutRule(m_heightConstraint);
    m_heightConstraint = heightRuleFor(height);
    root->addLayoutRule(m_heightConstraint);
    m_navBarHeight = height;
    if (m_tableView)
        layout();
}

void HidingNavTableViewController::layout()
{
    if (!m_tableView)
        return;
    const Rect bounds = view()->bounds();
    const double width = bounds.width;
    m_navBarView->setFrame({ 0, 0, width, m_navBarHeight });
    m_tableView->setFrame({ 0, m_navBarHeight, width, std::max(0.0, bounds.height - m_navBarHeight) });
    const double right = width - spacing - buttonWidth;
    m_back->setFrame({ spacing, buttonTop, buttonWidth, buttonHeight });
    m_edit->setFrame({ right, buttonTop, buttonWidth, buttonHeight });
    m_done->setFrame({ right, buttonTop, buttonWidth, buttonHeight });
    m_login->setFrame({ right, buttonTop, buttonWidth, buttonHeight });
    m_add->setFrame({ right - spacing - buttonWidth, buttonTop, buttonWidth, buttonHeight });
    m_imageEdit->setFrame({ 0, buttonTop + buttonHeight, width, imageEditHeight });
}

std::shared_ptr<TableView> HidingNavTableViewController::tableView()
{
    view();
    return m_tableView;
}

std::shared_ptr<ImageView> HidingNavTableViewController::navBarView()
{
    view();
    return m_navBarView;
}

std::shared_ptr<Button> HidingNavTableViewController::loginButton() { return view(), m_login; }
std::shared_ptr<Button> HidingNavTableViewController::editButton() { return view(), m_edit; }
std::shared_ptr<Button> HidingNavTableViewController::addButton() { return view(), m_add; }
std::shared_ptr<Button> HidingNavTableViewController::doneButton() { return view(), m_done; }
std::shared_ptr<Button> HidingNavTableViewController::backButton() { return view(), m_back; }
std::shared_ptr<Button> HidingNavTableViewController::imageEditButton() { return view(), m_imageEdit; }

void HidingNavTableViewController::viewWillAppear(Animated animated)
{
    if (auto nav = navigationController())
        nav->setNavigationBarHidden(BarVisibility::Hidden, animated);
    tableView()->reloadData();
}

void HidingNavTableViewController::scrollViewDidScroll(TableView& table)
{
    const double y = table.contentOffset().y;
    if (y < 0)
        handleNegativeScrollOffset(y);
    else
        handleScrollOffset(y);
}

void HidingNavTableViewController::handleScrollOffset(double offset)
{
    double height = m_currentNavBarHeight - (offset - m_lastScrollOffset);
    m_lastScrollOffset = offset;
    height = std::clamp(height, 0.0, heightOfNavBar());
    updateNavHeight(height);
    m_currentNavBarHeight = height;
}

void HidingNavTableViewController::handleNegativeScrollOffset(double)
{
    // Pulling past the top leaves the header as it is.
}

void HidingNavTableViewController::editAction()
{
    m_editMode = !m_editMode;
    if (m_dataSource)
        m_dataSource->setIsEditing(m_editMode);
    editButton()->setTitle(m_editMode ? "Done" : "Edit");
    if (!m_editMode)
        tableView()->reloadData();
}

void HidingNavTableViewController::changeImage()
{
    if (m_dataSource)
        m_dataSource->changeImage();
}

void HidingNavTableViewController::backAction()
{
    if (auto nav = navigationController())
        nav->popViewController(Animated::Yes);
}

void HidingNavTableViewController::refresh()
{
    tableView()->reloadData();
}

void HidingNavTableViewController::done()
{
    if (isTableEditing())
        setTableEditing(false, Animated::Yes);
    if (m_editMode)
        editAction();
}

bool HidingNavTableViewController::isTableEditing() const
{
    return m_tableView && m_tableView->isEditing();
}

void HidingNavTableViewController::setTableEditing(bool editing, Animated animated)
{
    tableView()->setEditing(editing ? Editing::On : Editing::Off, animated);
}

void HidingNavTableViewController::didSelectRowAtIndexPath(TableView&, IndexPath path)
{
    // The source knows item edit mode through setIsEditing, so the selection never carries it.
    if (m_dataSource)
        m_dataSource->didSelectObjectAtIndexPath(std::static_pointer_cast<HidingNavTableViewController>(shared_from_this()), path, false);
}

double HidingNavTableViewController::heightForRowAtIndexPath(TableView& table, IndexPath path)
{
    return m_dataSource ? m_dataSource->heightForRowAtIndexPath(table, path) : table.rowHeight();
}

} // namespace quindle
