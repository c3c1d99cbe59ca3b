#pragma once

#include "platform/JsonValue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quindle {

class ViewController;

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
