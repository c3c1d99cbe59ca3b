#include "app/AppDelegate.h"

#include "core/Model.h"
#include "editors/AssociateAssetViewController.h"
#include "editors/DirectoryActionsViewController.h"
#include "editors/EditDirectoryViewController.h"
#include "editors/FormAddAssetViewController.h"
#include "editors/ImageEditViewController.h"
#include "editors/ImageSelectionViewController.h"
#include "editors/ImageViewController.h"
#include "editors/TextEditorViewController.h"
#include "forms/ActionListViewController.h"
#include "forms/ActionViewController.h"
#include "forms/DisplayActionViewController.h"
#include "forms/HistoryGraphViewController.h"
#include "forms/HistoryViewController.h"
#include "forms/MasterViewController.h"
#include "meals/IngredientsViewController.h"
#include "meals/MenuViewController.h"

// The editor and care screens the layers below open through the shell.

namespace quindle {

std::shared_ptr<ViewController> AppDelegate::makeDirectoryActionsViewController(const DirectoryActionsSetup& setup, EditorCompletion completion)
{
    return DirectoryActionsViewController::create(setup, std::move(completion), m_model);
}

std::shared_ptr<ViewController> AppDelegate::makeFormAddAssetViewController(const std::string& assetID, EditorCompletion completion)
{
    return FormAddAssetViewController::create(assetID, std::move(completion), m_model);
}

std::shared_ptr<ViewController> AppDelegate::makeImageSelectionViewController(const JsonObjectPtr& object, ImageSelectionMode mode, EditorCompletion completion)
{
    return ImageSelectionViewController::create(object, mode, std::move(completion));
}

std::shared_ptr<ViewController> AppDelegate::makeImageEditViewController(const JsonObjectPtr& object, const std::string& parentID, EditorCompletion completion)
{
    auto editor = ImageEditViewController::create(object, std::move(completion));
    editor->setParentID(parentID);
    return editor;
}

std::shared_ptr<ViewController> AppDelegate::makeImageViewController(const JsonObjectPtr& object)
{
    return ImageViewController::create(object);
}
std::shared_ptr<ViewController> AppDelegate::makeEditDirectoryViewController(const JsonObjectPtr& object, std::weak_ptr<DataManagerScreen> parent,
    EditorCompletion completion)
{
    return EditDirectoryViewController::create(object, std::move(parent), std::move(completion));
}
std::shared_ptr<ViewController> AppDelegate::makeTextEditorViewController(const JsonObjectPtr& object, TextEditorMode mode, EditorCompletion completion)
{
    return TextEditorViewController::create(m_model, object, mode, std::move(completion));
}

std::shared_ptr<ViewController> AppDelegate::makeAssociateAssetViewController(const std::string& assetID, EditorCompletion completion)
{
    auto chooser = AssociateAssetViewController::create(assetID, std::move(completion));
    chooser->setTitle("Select next workflow");
    return chooser;
}

std::shared_ptr<ViewController> AppDelegate::makeMasterViewController(const ResidentFormSetup& setup)
{
    return MasterViewController::create(setup);
}

std::shared_ptr<ViewController> AppDelegate::makeHistoryViewController(const std::string& assetID, const std::string& resDocID, const std::string& name)
{
    return HistoryViewController::create(m_model, assetID, resDocID, name);
}

std::shared_ptr<ViewController> AppDelegate::makeHistoryGraphViewController(const std::string& resDocID, const std::string& key)
{
    return HistoryGraphViewController::create(m_model, resDocID, key);
}

std::shared_ptr<ViewController> AppDelegate::makeActionViewController(const std::string& name, const JsonObjectPtr& actionDict, const std::string& assetID)
{
    return ActionViewController::create(name, actionDict, assetID);
}

std::shared_ptr<ViewController> AppDelegate::makeActionListViewController(const JsonArrayPtr& actions, const std::string& name, const std::string& resDocID)
{
    return ActionListViewController::create(actions, name, resDocID);
}

std::shared_ptr<ViewController> AppDelegate::makeDisplayActionViewController(const std::string& name, const JsonObjectPtr& action)
{
    return DisplayActionViewController::create(name, action);
}

std::shared_ptr<ViewController> AppDelegate::makeIngredientsViewController(const std::string& resDocID)
{
    return IngredientsViewController::create(resDocID, m_model);
}

std::shared_ptr<ViewController> AppDelegate::makeMenuViewController(const std::string& assetID, const std::string& title, const std::string& resID,
    const JsonArrayPtr& objects)
{
    return MenuViewController::create(assetID, title, resID, objects, m_model);
}

} // namespace quindle
