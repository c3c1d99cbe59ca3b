#include "editors/FormAddAssetViewController.h"

#include "core/Model.h"
#include "editors/EditorAlert.h"
#include "editors/EditorPresentation.h"
#include "editors/FormAssetTypeViewController.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"
#include "ui/TextField.h"

namespace quindle {

FormAddAssetViewController::FormAddAssetViewController(Model& model)
    : ViewController("Add field")
    , m_model(model)
{
}

std::shared_ptr<FormAddAssetViewController> FormAddAssetViewController::create(Model& model)
{
    auto screen = std::shared_ptr<FormAddAssetViewController>(new FormAddAssetViewController(model));
    screen->m_nameCell = TableViewCell::create(CellStyle::Default, "nameCell");
    screen->m_nameCell->setSelectionStyle(SelectionStyle::None);
    screen->m_nameField = TextField::create(Rect { 15, 7, 290, 30 });
    screen->m_nameField->setPlaceholder("Name");
    screen->m_nameCell->contentView()->addSubview(screen->m_nameField);
    return screen;
}

std::shared_ptr<FormAddAssetViewController> FormAddAssetViewController::create(std::string assetID, EditorCompletion completion, Model& model)
{
    auto screen = create(model);
    screen->setAssetID(std::move(assetID));
    screen->setCompletionHandler(std::move(completion));
    return screen;
}

void FormAddAssetViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void FormAddAssetViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<FormAddAssetViewController>(shared_from_this());
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    m_table->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    std::weak_ptr<FormAddAssetViewController> weak = self;
    setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, [weak] {
        if (auto screen = weak.lock())
            screen->cancel();
    }));
    setRightBarButtonItem(BarButtonItem::create(SystemItem::Save, [weak] {
        if (auto screen = weak.lock())
            screen->save();
    }));
    m_table->reloadData();
}

std::shared_ptr<TableView> FormAddAssetViewController::tableView()
{
    view();
    return m_table;
}

void FormAddAssetViewController::reload()
{
    if (m_table)
        m_table->reloadData();
}

int FormAddAssetViewController::numberOfRowsInSection(TableView&, int)
{
    return 2;
}

std::shared_ptr<TableViewCell> FormAddAssetViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    if (path.row == NameRow)
        return m_nameCell;
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Value1, cellIdentifier);
    cell->textLabel()->setText("Type");
    cell->detailTextLabel()->setText(m_type);
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    return cell;
}

double FormAddAssetViewController::heightForRowAtIndexPath(TableView&, IndexPath path)
{
    return path.row == NameRow ? m_nameCell->frame().height : typeRowHeight;
}

void FormAddAssetViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    if (path.row != TypeRow)
        return;
    auto chooser = FormAssetTypeViewController::create();
    chooser->setParent(std::static_pointer_cast<FormAddAssetViewController>(shared_from_this()));
    if (auto stack = navigationController())
        stack->pushViewController(chooser, Animated::Yes);
}

void FormAddAssetViewController::cancel()
{
    EditorPresentation::dismissStack(*this);
}

void FormAddAssetViewController::save()
{
    const std::string name = m_nameField->text();
    if (!EditorPresentation::hasText(name)) {
        m_alert = EditorAlert::show(*this, "Name needed", "Enter a name for the new field before saving.");
        return;
    }
    if (m_type.empty()) {
        // A field without a type cannot be filled in, so nothing is sent until one is chosen.
        m_alert = EditorAlert::show(*this, "Type needed", "Choose the type of the new field before saving.");
        return;
    }
    Log::line("Add asset " + name);
    const std::string url = m_model.legacyBaseURL() + "addAsset.php?assetID=" + m_assetID + "&name=" + Model::encode(name) + "&type=" + m_type;
    std::weak_ptr<FormAddAssetViewController> weak = std::static_pointer_cast<FormAddAssetViewController>(shared_from_this());
    m_model.requestWithURL(url, [weak, name](std::optional<JsonValue> answer, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, name, answer = std::move(answer)] {
            if (auto self = weak.lock())
                self->saveFinished(answer, name);
        });
    });
}

void FormAddAssetViewController::saveFinished(const std::optional<JsonValue>& answer, const std::string& name)
{
    if (!answer || !answer->isObject()) {
        m_alert = EditorAlert::show(*this, "Field not added",
            "The field \"" + name + "\" was not added to the form and nothing was changed. Try again later.");
        return;
    }
    if (m_completionHandler)
        m_completionHandler(answer);
}

} // namespace quindle
