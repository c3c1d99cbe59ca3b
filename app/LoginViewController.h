#pragma once

#include "app/StaticTableViewController.h"
#include "platform/Error.h"
#include "platform/JsonValue.h"

#include <functional>
#include <optional>

namespace quindle {

class Model;

/// Logs the user in and builds the user's own tabs from the reply. Each screen sends at most
/// one login request.
class LoginViewController : public StaticTableViewController {
public:
    using Screens = std::vector<std::shared_ptr<ViewController>>;

    /// User-defaults keys that keep the last attempted login.
    static constexpr const char* loginKey = "login";
    static constexpr const char* passwordKey = "password";

    static std::shared_ptr<LoginViewController> create(Model& model, std::function<void()> completionHandler = {});

    const std::shared_ptr<TextField>& loginField() const { return m_loginField; }
    const std::shared_ptr<TextField>& passwordField() const { return m_passwordField; }
    bool isSending() const { return m_isSending; }
    void setCompletionHandler(std::function<void()> handler) { m_completionHandler = std::move(handler); }

    /// "Login": stores the two texts in the user defaults and sends the request; does nothing
    /// once this screen has sent one.
    void login();
    /// Opens the reset-password screen with the e-mail typed so far.
    void forgotPassword();

    /// One navigation stack per tab record of the user's "Tabbar": a page screen over the
    /// tab's children; the tab named "Trash" reloads through the trash list.
    static Screens tabStacksForTabbar(const JsonArrayPtr& tabbar, Model& model);

protected:
    void viewDidLoad() override;
    void viewWillAppear(Animated animated) override;

private:
    LoginViewController(Model& model, std::function<void()> completionHandler);
    void replied(const std::optional<JsonValue>& content, const std::optional<Error>& error);

    Model& m_model;
    std::function<void()> m_completionHandler;
    std::shared_ptr<TextField> m_loginField;
    std::shared_ptr<TextField> m_passwordField;
    bool m_isSending { false };
};

} // namespace quindle
