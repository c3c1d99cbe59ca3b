#pragma once

#include "app/StaticTableViewController.h"

namespace quindle {

class Model;

/// Sets a new password for the logged-in user; opened from the account screen.
class ChangePasswordViewController : public StaticTableViewController {
public:
    static std::shared_ptr<ChangePasswordViewController> create(Model& model);

    const std::shared_ptr<TextField>& passwordField() const { return m_passwordField; }
    const std::shared_ptr<TextField>& confirmPasswordField() const { return m_confirmPasswordField; }
    /// Save: sends the first field's text; the alert tells how it went.
    void save();

protected:
    void viewDidLoad() override;

private:
    explicit ChangePasswordViewController(Model& model);
    Model& m_model;
    std::shared_ptr<TextField> m_passwordField;
    std::shared_ptr<TextField> m_confirmPasswordField;
};

} // namespace quindle
