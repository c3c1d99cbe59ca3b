#pragma once

#include "platform/JsonValue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quindle {

class DataManagerScreen;
class ViewController;

/// What an editor reports once the server has answered: the reply content, none on failure.
using EditorCompletion = std::function<void(std::optional<JsonValue> answer)>;

/// A completion handler that, on the main queue, pops the screen `shown` holds once it is made,
/// when that screen is still the top of its stack (not whatever was pushed over it since).
EditorCompletion popWhenCompleted(std::shared_ptr<std::weak_ptr<ViewController>> shown);

/// Which kind of item the text editor edits or adds.
enum class TextEditorMode { Text, TextInput, MultiLineInput };

/// Whether the image chooser adds a new image item to its record or links the image to it.
enum class ImageSelectionMode { Link, Add };

/// How a resident form screen is opened: the form, the person and the person's documents.
struct ResidentFormSetup {
    std::string url;
    std::string assetID;
    std::string resID;
    std::string name;
    std::string resDocID;
    JsonArrayPtr docs;
    /// The form state derived from "currentState.php"; null opens the form without one.
    JsonObjectPtr formState;
    /// A follow-up's due date and message, shown in the heading.
    std::string date;
    std::string message;
    bool isResidentProfile = false;
    /// Read-only, as the form stood at a history record.
    bool suppressHistory = false;
};

/// How the content coordinator configures the add-item menu.
struct DirectoryActionsSetup {
    std::string assetID;
    JsonObjectPtr object;
    JsonArrayPtr objects;
    bool restrictToImages = false;
    bool restrictToDirectory = false;
    std::weak_ptr<ViewController> cont;
};

/// What the content coordinators ask of the application shell (implemented by the app's
/// delegate): the tab bar and the account screens, which live above this layer.
class ApplicationShell {
public:
    using Screens = std::vector<std::shared_ptr<ViewController>>;
    virtual ~ApplicationShell() = default;

    virtual void updateTabbarWithArray(const Screens& screens) = 0;
    virtual Screens tabbarItems() = 0;
    virtual void addLoginItemsToTabbar(const Screens& screens) = 0;
    /// Shows exactly these tabs, without changing the base tabs; hides the bar for one tab.
    virtual void resetTabbarWithArray(const Screens& screens) = 0;
    /// A login screen whose completion handler is `done`.
    virtual std::shared_ptr<ViewController> makeLoginViewController(std::function<void()> done) = 0;
    /// An account creation screen whose completion handler is `done`.
    virtual std::shared_ptr<ViewController> makeCreateAccountViewController(std::function<void()> done) = 0;

    /// The document form screen for a document record (its "name", "_linkedAsset"."list" and
    /// "dict") whose identifier is `assetID`; null when the shell has none to offer.
    virtual std::shared_ptr<ViewController> makeDocumentViewController(const JsonObjectPtr& /*document*/, const std::string& /*assetID*/)
    {
        return nullptr;
    }
    /// The form-structure screen for a form's directory reply (its list, "name" and
    /// "_linkedAsset") whose identifier is `assetID`; null when the shell has none to offer.
    virtual std::shared_ptr<ViewController> makeFormViewController(const JsonObjectPtr& /*directory*/, const std::string& /*assetID*/)
    {
        return nullptr;
    }
    /// The add-field screen for the form `assetID`; it calls `completion` with the server's
    /// reply once a field is stored. Null when the shell has none to offer.
    virtual std::shared_ptr<ViewController> makeFormAddAssetViewController(const std::string& /*assetID*/,
        std::function<void(std::optional<JsonValue>)> /*completion*/)
    {
        return nullptr;
    }

    // The editors, which live above this layer. Each returns null when the shell has none.

    /// The add-item menu of a page; `completion` receives the server's answer for the new item.
    virtual std::shared_ptr<ViewController> makeDirectoryActionsViewController(const DirectoryActionsSetup& /*setup*/, EditorCompletion /*completion*/)
    {
        return nullptr;
    }
    /// The text editor on `object` (the item edited, or the page a new item goes to).
    virtual std::shared_ptr<ViewController> makeTextEditorViewController(const JsonObjectPtr& /*object*/, TextEditorMode /*mode*/, EditorCompletion /*completion*/)
    {
        return nullptr;
    }
    /// The image library chooser for `object`.
    virtual std::shared_ptr<ViewController> makeImageSelectionViewController(const JsonObjectPtr& /*object*/, ImageSelectionMode /*mode*/, EditorCompletion /*completion*/)
    {
        return nullptr;
    }
    /// The editor of one form field's picture; `parentID` is the form's or document's identifier.
    virtual std::shared_ptr<ViewController> makeImageEditViewController(const JsonObjectPtr& /*object*/, const std::string& /*parentID*/,
        EditorCompletion /*completion*/)
    {
        return nullptr;
    }
    /// The full-size viewer of an image item.
    virtual std::shared_ptr<ViewController> makeImageViewController(const JsonObjectPtr& /*object*/)
    {
        return nullptr;
    }
    /// The directory editor ("Edit Directory") of `object`, handing over to `parent`'s table.
    virtual std::shared_ptr<ViewController> makeEditDirectoryViewController(const JsonObjectPtr& /*object*/, std::weak_ptr<DataManagerScreen> /*parent*/,
        EditorCompletion /*completion*/)
    {
        return nullptr;
    }

    // The care screens, opened across the forms and meals folders. Null when the shell has none.

    /// The resident form screen.
    virtual std::shared_ptr<ViewController> makeMasterViewController(const ResidentFormSetup& /*setup*/) { return nullptr; }
    /// The history of a resident document.
    virtual std::shared_ptr<ViewController> makeHistoryViewController(const std::string& /*assetID*/, const std::string& /*resDocID*/,
        const std::string& /*name*/)
    {
        return nullptr;
    }
    /// The graph page of a resident document's numbers; `key` names the entry shown first (may be empty).
    virtual std::shared_ptr<ViewController> makeHistoryGraphViewController(const std::string& /*resDocID*/, const std::string& /*key*/)
    {
        return nullptr;
    }
    /// The action screen for an action record (may be null) of the person's document `assetID`.
    virtual std::shared_ptr<ViewController> makeActionViewController(const std::string& /*name*/, const JsonObjectPtr& /*actionDict*/,
        const std::string& /*assetID*/)
    {
        return nullptr;
    }
    /// The list of a person's action records.
    virtual std::shared_ptr<ViewController> makeActionListViewController(const JsonArrayPtr& /*actions*/, const std::string& /*name*/,
        const std::string& /*resDocID*/)
    {
        return nullptr;
    }
    /// One due action, shown.
    virtual std::shared_ptr<ViewController> makeDisplayActionViewController(const std::string& /*name*/, const JsonObjectPtr& /*action*/)
    {
        return nullptr;
    }
    /// The food allergies of the resident document `resDocID`.
    virtual std::shared_ptr<ViewController> makeIngredientsViewController(const std::string& /*resDocID*/) { return nullptr; }
    /// The menu of a "Meal" entry: its form `assetID`, the entry's name as title, the resident and
    /// the dishes of the reply (may be null).
    virtual std::shared_ptr<ViewController> makeMenuViewController(const std::string& /*assetID*/, const std::string& /*title*/,
        const std::string& /*resID*/, const JsonArrayPtr& /*objects*/)
    {
        return nullptr;
    }
    /// The chooser that links workflow `assetID` to another workflow ("Select next workflow").
    virtual std::shared_ptr<ViewController> makeAssociateAssetViewController(const std::string& /*assetID*/, EditorCompletion /*completion*/)
    {
        return nullptr;
    }

    // What the form engine asks of the shell; the defaults send the legacy requests through
    // Model and ignore the replies.

    /// The server date string of now plus the follow-up interval of the index.
    virtual std::string dateStringForIndex(long index);
    /// Sends "setTimedObject.php" for the entry, due after the interval its "title" names.
    virtual void setTimedObject(const JsonObjectPtr& entry, const std::optional<std::string>& trigger, const std::string& resDocID);
    /// Sends "setAction.php" for the action record, due after the interval its "val" names.
    virtual void setAction(const JsonObjectPtr& record, const std::optional<std::string>& trigger);

    /// The shell the program runs with (none until the app sets one).
    static std::shared_ptr<ApplicationShell> shared();
    static void setShared(std::shared_ptr<ApplicationShell> shell);
};

} // namespace quindle
