#include "editors/DirectoryActionsViewController.h"

#include "content/TableViewController.h"
#include "content/YoutubeVideoDataSource.h"
#include "core/Model.h"
#include "editors/AddDirectoryViewController.h"
#include "editors/EditorAlert.h"
#include "editors/EditorPresentation.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"

namespace quindle {

std::shared_ptr<DirectoryActionsViewController> DirectoryActionsViewController::create(Model& model)
{
    return std::shared_ptr<DirectoryActionsViewController>(new DirectoryActionsViewController(model));
}

std::shared_ptr<DirectoryActionsViewController> DirectoryActionsViewController::create(const DirectoryActionsSetup& setup,
    EditorCompletion completion, Model& model)
{
    auto menu = create(model);
    menu->setAssetID(setup.assetID);
    menu->setObject(setup.object);
    menu->setObjects(setup.objects);
    menu->setCont(setup.cont);
    menu->setRestrictToImages(setup.restrictToImages);
    menu->setRestrictToDirectory(setup.restrictToDirectory);
    menu->setCompletionHandler(std::move(completion));
    return menu;
}

void DirectoryActionsViewController::loadView()
{
    m_table = TableView::create();
    setView(m_table);
}

void DirectoryActionsViewController::viewDidLoad()
{
    auto self = std::static_pointer_cast<DirectoryActionsViewController>(shared_from_this());
    m_table->setDataSource(std::weak_ptr<TableViewDataSource>(self));
    m_table->setDelegate(std::weak_ptr<TableViewDelegate>(self));
    std::weak_ptr<DirectoryActionsViewController> weak = self;
    setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, [weak] {
        if (auto menu = weak.lock())
            menu->cancel();
    }));
    if (m_items.empty()) {
        m_items.reserve(10);
        if (m_restrictToImages)
            m_items = { addImage };
        else
            m_items = { addPage, addForm, addText, addTextInput, addMultiLineInput, addImage, addSlider, addYoutubeVideo };
    }
    m_table->reloadData();
}

std::shared_ptr<TableView> DirectoryActionsViewController::tableView()
{
    view();
    return m_table;
}

void DirectoryActionsViewController::cancel()
{
    EditorPresentation::dismissStack(*this);
}

int DirectoryActionsViewController::numberOfRowsInSection(TableView&, int)
{
    if (m_restrictToDirectory || m_restrictToImages)
        return m_items.empty() ? 0 : 1;
    return static_cast<int>(m_items.size());
}

std::shared_ptr<TableViewCell> DirectoryActionsViewController::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell)
        cell = TableViewCell::create(CellStyle::Default, cellIdentifier);
    const bool inRange = path.row >= 0 && static_cast<size_t>(path.row) < m_items.size();
    cell->textLabel()->setText(inRange ? m_items[path.row] : std::string());
    cell->setAccessoryType(AccessoryType::DisclosureIndicator);
    return cell;
}

void DirectoryActionsViewController::didSelectRowAtIndexPath(TableView& table, IndexPath path)
{
    table.deselectRowAtIndexPath(path, Animated::Yes);
    if (path.row >= 0 && path.row < numberOfRowsInSection(table, path.section))
        openItem(m_items[path.row]);
}

void DirectoryActionsViewController::push(const std::shared_ptr<ViewController>& screen)
{
    if (auto stack = navigationController())
        stack->pushViewController(screen, Animated::Yes);
}

void DirectoryActionsViewController::openItem(const std::string& label)
{
    auto shell = ApplicationShell::shared();
    if (label == addPage || label == addForm) {
        openDirectoryEditor(label == addForm);
    } else if (label == addText || label == addTextInput || label == addMultiLineInput) {
        const TextEditorMode mode = label == addText ? TextEditorMode::Text
            : label == addTextInput                  ? TextEditorMode::TextInput
                                                     : TextEditorMode::MultiLineInput;
        if (shell)
            push(shell->makeTextEditorViewController(m_object, mode, reportThenDismiss()));
    } else if (label == addImage) {
        if (shell)
            push(shell->makeImageSelectionViewController(m_object, ImageSelectionMode::Add, reportThenDismiss()));
    } else if (label == addSlider) {
        // The servers have no operation that stores a slider, so the row says so rather than
        // doing nothing.
        m_alert = EditorAlert::show(*this, "Not available", "Sliders cannot be added from the phone yet.");
    } else if (label == addYoutubeVideo) {
        openVideoEditor();
    }
}

void DirectoryActionsViewController::openDirectoryEditor(bool isForm)
{
    auto editor = AddDirectoryViewController::create(m_model);
    editor->setIsForm(isForm);
    editor->setAssetID(m_assetID);
    std::weak_ptr<DirectoryActionsViewController> weak = std::static_pointer_cast<DirectoryActionsViewController>(shared_from_this());
    editor->setCompletionHandler([weak](std::optional<JsonValue> answer) {
        MainQueue::shared().dispatch([weak, answer = std::move(answer)] {
            auto self = weak.lock();
            if (!self)
                return;
            // Closing may release the menu; the handler is taken first.
            EditorCompletion report = self->m_completionHandler;
            EditorPresentation::dismissStack(*self);
            if (report)
                report(answer);
        });
    });
    push(editor);
}

EditorCompletion DirectoryActionsViewController::reportThenDismiss()
{
    std::weak_ptr<DirectoryActionsViewController> weak = std::static_pointer_cast<DirectoryActionsViewController>(shared_from_this());
    return [weak](std::optional<JsonValue> answer) {
        // An editor that stored nothing keeps the menu open.
        if (!answer)
            return;
        auto self = weak.lock();
        if (!self)
            return;
        if (self->m_completionHandler)
            self->m_completionHandler(answer);
        MainQueue::shared().dispatch([weak] {
            if (auto menu = weak.lock())
                EditorPresentation::dismissStack(*menu);
        });
    };
}

void DirectoryActionsViewController::openVideoEditor()
{
    auto source = YoutubeVideoDataSource::create(m_model);
    source->setParentID(m_assetID);
    std::weak_ptr<DirectoryActionsViewController> weak = std::static_pointer_cast<DirectoryActionsViewController>(shared_from_this());
    Model* model = &m_model;
    // The legacy server's answer names only the new video; the page reloads from the content
    // server so that the opener shows it among the page's items.
    source->setCompletionHandler([weak, model](std::optional<JsonValue> answer) {
        MainQueue::shared().dispatch([weak, model, answer = std::move(answer)] {
            auto self = weak.lock();
            if (!self)
                return;
            EditorCompletion report = self->m_completionHandler;
            const std::string pageID = self->m_assetID;
            EditorPresentation::dismissStack(*self);
            model->fetchDirectoryForAssetID(pageID, [report, answer](std::optional<JsonValue> page, std::optional<Error>) {
                const bool reloaded = page && page->isObject() && page->object()->get("Children").isArray();
                MainQueue::shared().dispatch([report, reply = reloaded ? page : answer] {
                    if (report)
                        report(reply);
                });
            });
        });
    });
    auto screen = TableViewController::create(source);
    screen->setTitle(addYoutubeVideo);
    source->configureBarbuttonsForViewController(*screen);
    push(screen);
}

} // namespace quindle
