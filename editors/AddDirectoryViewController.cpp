#include "editors/AddDirectoryViewController.h"

#include "core/Model.h"
#include "editors/EditorAlert.h"
#include "editors/EditorPresentation.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"
#include "ui/TextField.h"
#include "ui/TextView.h"

namespace quindle {

AddDirectoryViewController::AddDirectoryViewController(Model& model)
    : ViewController("Add Directory")
    , m_model(model)
{
}

std::shared_ptr<AddDirectoryViewController> AddDirectoryViewController::create(Model& model)
{
    auto screen = std::shared_ptr<AddDirectoryViewController>(new AddDirectoryViewController(model));
    // The two inputs live as long as the screen, so what was typed survives reloads.
    screen->m_textCell = TableViewCell::create(CellStyle::Default, "textCell");
    screen->m_directoryNameField = TextField::create(Rect { 15, 6, 290, 30 });
    screen->m_textCell->contentView()->addSubview(screen->m_directoryNameField);
    screen->m_textCell->setSelectionStyle(SelectionStyle::None);
    screen->m_messageCell = TableViewCell::create(CellStyle::Default, "messageCell");
    screen->m_messageCell->setFrame(Rect { 0, 0, 320, messageCellHeight });
    screen->m_messageView = TextView::create(Rect { 15, 6, 290, messageCellHeight - 12 });
    screen->m_messageCell->contentView()->addSubview(screen->m_messageView);
    screen->m_messageCell->setSelectionStyle(SelectionStyle::None);
    return screen;
}

void AddDirectoryViewController::setIsForm(bool form)
{
    m_isForm = form;
    setTitle(form ? "Add Form" : "Add Directory");
}

void AddDirectoryViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void AddDirectoryViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<AddDirectoryViewController>(shared_from_this());
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    m_table->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    std::weak_ptr<AddDirectoryViewController> weak = self;
    setRightBarButtonItem(BarButtonItem::create(SystemItem::Save, [weak] {
        if (auto screen = weak.lock())
            screen->save();
    }));
    m_table->reloadData();
}

void AddDirectoryViewController::viewWillAppear(Animated)
{
    // Back from the page chooser: the next-page row shows the choice.
    if (m_table)
        m_table->reloadData();
}

std::shared_ptr<TableView> AddDirectoryViewController::tableView()
{
    view();
    return m_table;
}

int AddDirectoryViewController::numberOfRowsInSection(TableView&, int)
{
    return m_isForm ? formRows : pageRows;
}

std::shared_ptr<TableViewCell> AddDirectoryViewController::labelCell(TableView& table, const std::string& text)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, cellIdentifier);
    cell->textLabel()->setText(text);
    cell->setAccessoryType(AccessoryType::None);
    return cell;
}

std::shared_ptr<TableViewCell> AddDirectoryViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    switch (path.row) {
    case NameLabelRow:
        return labelCell(table, m_isForm ? "Enter name of new form" : "Enter name of new directory");
    case NameRow:
        return m_textCell;
    case MessageLabelRow:
        return labelCell(table, "Enter success message");
    case MessageRow:
        return m_messageCell;
    default: {
        auto cell = labelCell(table, m_linkName.empty() ? std::string("Select next page") : "Link to " + m_linkName);
        cell->setAccessoryType(AccessoryType::DisclosureIndicator);
        return cell;
    }
    }
}

double AddDirectoryViewController::heightForRowAtIndexPath(TableView&, IndexPath path)
{
    return path.row == MessageRow ? m_messageCell->frame().height : rowHeight;
}

void AddDirectoryViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    if (!m_isForm || path.row != NextPageRow)
        return;
    auto chooser = FormSelectionViewController::create(m_model);
    chooser->setCont(std::weak_ptr<LinkTarget>(std::static_pointer_cast<AddDirectoryViewController>(shared_from_this())));
    if (auto stack = navigationController())
        stack->pushViewController(chooser, Animated::Yes);
}

void AddDirectoryViewController::save()
{
    const std::string name = m_directoryNameField->text();
    if (!EditorPresentation::hasText(name)) {
        // The server refuses a nameless page, and a nameless row could not be found again.
        m_alert = EditorAlert::show(*this, "Name needed",
            m_isForm ? "Enter a name for the new form before saving." : "Enter a name for the new page before saving.");
        return;
    }
    std::weak_ptr<AddDirectoryViewController> weak = std::static_pointer_cast<AddDirectoryViewController>(shared_from_this());
    auto handler = [weak, name](std::optional<JsonValue> content, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, name, content = std::move(content)] {
            if (auto self = weak.lock())
                self->saveFinished(content, name);
        });
    };
    if (m_isForm) {
        Log::line("Add form " + name);
        m_model.addFormToAssetId(m_assetID, name, m_messageView->text(), m_linkAssetId, handler);
    } else {
        Log::line("Add directory " + name);
        m_model.addDirectoryToAssetId(m_assetID, name, handler);
    }
}

void AddDirectoryViewController::saveFinished(const std::optional<JsonValue>& content, const std::string& name)
{
    // Stored means the server answered with the directory that now holds the new item.
    const bool stored = content && content->isObject() && content->object()->get("Children").isArray();
    if (!stored) {
        const std::string kind = m_isForm ? "form" : "page";
        m_alert = EditorAlert::show(*this, m_isForm ? "Form not added" : "Page not added",
            "The " + kind + " \"" + name + "\" was not added and nothing was changed. Try again later.");
        return;
    }
    if (m_completionHandler)
        m_completionHandler(content);
}

} // namespace quindle
