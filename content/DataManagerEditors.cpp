#include "content/DataManager.h"

#include "content/ApplicationShell.h"
#include "content/DataManagerSupport.h"
#include "content/ViewControllerUtilities.h"
#include "platform/MainQueue.h"
#include "ui/NavigationController.h"
#include "ui/ViewController.h"

// The coordinator's way into the editors: the add-item menu and the editor each edited item
// opens. The shell builds the screens, which live above this layer.

namespace quindle {

using namespace datamanager;

void DataManager::addAsset()
{
    std::weak_ptr<DataManager> weakSelf = weak_from_this();
    addAssetWithCompletionHandler([weakSelf] {
        MainQueue::shared().dispatch([weakSelf] {
            if (auto self = weakSelf.lock())
                self->refreshScreen();
        });
    });
}

void DataManager::addAssetWithCompletionHandler(std::function<void()> handler)
{
    auto screen = viewController();
    auto presenting = screen ? screen->screenController() : nullptr;
    auto shell = ApplicationShell::shared();
    if (!presenting || !shell)
        return;
    DirectoryActionsSetup setup;
    setup.restrictToImages = presenting->title() == "Images";
    setup.restrictToDirectory = m_isRestricted;
    setup.objects = m_linkedObjects;
    setup.assetID = !m_assetID.empty() ? m_assetID : asset::ident(m_asset).value_or("");
    setup.object = m_asset;
    setup.cont = presenting;
    std::weak_ptr<DataManager> weakSelf = weak_from_this();
    auto menu = shell->makeDirectoryActionsViewController(setup, [weakSelf, handler = std::move(handler)](std::optional<JsonValue> answer) {
        // The menu may report from the reply's thread; the list is replaced on the main queue.
        MainQueue::shared().dispatch([weakSelf, handler, answer = std::move(answer)] {
            auto self = weakSelf.lock();
            if (!self)
                return;
            self->takeAnswer(answer);
            if (handler)
                handler();
        });
    });
    if (!menu)
        return;
    ViewControllerUtilities::defaultInstance()->presentPopoverWithController(NavigationController::create(menu), nullptr, Rect {}, Size {},
        PopoverArrow::Any, presenting);
}

void DataManager::takeAnswer(const std::optional<JsonValue>& answer)
{
    JsonArrayPtr list = answerList(answer);
    if (!list)
        return;
    // A reply about another directory (a sub-page an editor changed) holds that page's items,
    // not this page's: the page asks the server again instead.
    const std::string shown = pageIdentifier();
    const auto about = asset::ident(answerObject(answer));
    if (!shown.empty() && about && *about != shown) {
        reload();
        return;
    }
    // Shown the way a reload shows it, so a "Submit" item stays hidden.
    updateWithObjects(list);
}

DataManager::EditorCompletionHandler DataManager::editorCompletionHandler(const std::shared_ptr<DataManagerScreen>& screen, bool modal)
{
    std::weak_ptr<DataManager> weakSelf = weak_from_this();
    std::weak_ptr<DataManagerScreen> weakScreen = screen;
    return [weakSelf, weakScreen, modal](std::optional<JsonValue> answer) {
        MainQueue::shared().dispatch([weakSelf, weakScreen, modal, answer = std::move(answer)] {
            SelectionEnd ended(weakScreen);
            auto self = weakSelf.lock();
            auto tapped = weakScreen.lock();
            if (!self || !tapped)
                return;
            self->takeAnswer(answer);
            auto controller = tapped->screenController();
            // A modal editor sits over the page, not on its stack: popping would close the page.
            if (modal && controller && controller->presentedViewController())
                controller->dismissViewController(Animated::Yes);
            else if (!modal) {
                if (auto nav = stackOf(tapped))
                    nav->popViewController(Animated::Yes);
            }
            tapped->refresh();
        });
    };
}

void DataManager::loadImageSelectionForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen, EditorCompletionHandler handler)
{
    if (auto shell = ApplicationShell::shared())
        pushOnto(screen, shell->makeImageSelectionViewController(record, ImageSelectionMode::Link, std::move(handler)));
}

void DataManager::editTextForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen, EditorCompletionHandler handler)
{
    // A multi-line input stays one when it is edited: it goes back through its own endpoint.
    const TextEditorMode mode = asset::isTextView(record) ? TextEditorMode::MultiLineInput
        : asset::isTextField(record)                      ? TextEditorMode::TextInput
                                                          : TextEditorMode::Text;
    if (auto shell = ApplicationShell::shared())
        pushOnto(screen, shell->makeTextEditorViewController(record, mode, std::move(handler)));
}

void DataManager::editYoutubeVideoForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen, EditorCompletionHandler handler)
{
    if (auto shell = ApplicationShell::shared())
        pushOnto(screen, shell->makeTextEditorViewController(record, TextEditorMode::Text, std::move(handler)));
}

void DataManager::editDirectoryForObject(const AssetRecord& record, const std::shared_ptr<DataManagerScreen>& screen, EditorCompletionHandler handler)
{
    auto shell = ApplicationShell::shared();
    auto editor = shell ? shell->makeEditDirectoryViewController(record, m_viewController, std::move(handler)) : nullptr;
    if (!editor)
        return;
    editor->setTitle("Edit Directory");
    if (auto presenting = screen ? screen->screenController() : nullptr)
        presenting->presentViewController(NavigationController::create(editor), Animated::Yes);
}

void DataManager::didSelectObject(const AssetRecord& record)
{
    if (!record)
        return;
    if (asset::isImage(record)) {
        if (auto shell = ApplicationShell::shared())
            pushOnto(viewController(), shell->makeImageViewController(record));
    } else if (asset::isDirectory(record)) {
        loadDirectoryForObject(record, viewController());
    }
}

void DataManager::changeImageForAsset(const AssetRecord& record)
{
    auto screen = viewController();
    auto shell = ApplicationShell::shared();
    if (!record || !stackOf(screen) || !shell)
        return;
    // The screen pointer stays on the page: only a screen that answers refresh and bar button
    // requests may hold it. Once the picture is stored, the chooser closes over the page again.
    std::weak_ptr<DataManagerScreen> weakScreen = screen;
    auto chooser = shell->makeImageSelectionViewController(record, ImageSelectionMode::Link, [weakScreen](std::optional<JsonValue>) {
        MainQueue::shared().dispatch([weakScreen] {
            auto page = weakScreen.lock();
            if (auto nav = stackOf(page))
                nav->popViewController(Animated::Yes);
            if (page)
                page->refresh();
        });
    });
    pushOnto(screen, chooser);
}

} // namespace quindle
