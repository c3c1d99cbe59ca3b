#pragma once

#include "app/StaticTableViewController.h"

namespace quindle {

class Model;

/// Asks the server to mail a temporary password; opened from the login screen.
class ResetPasswordViewController : public StaticTableViewController {
public:
    static std::shared_ptr<ResetPasswordViewController> create(Model& model, std::string email = {});

    /// The address handed over by the login screen.
    const std::string& email() const { return m_email; }
    const std::shared_ptr<TextField>& emailField() const { return m_emailField; }
    /// "Reset": sends the request and announces the mail at once.
    void reset();

protected:
    void viewDidLoad() override;

private:
    ResetPasswordViewController(Model& model, std::string email);
    Model& m_model;
    std::string m_email;
    std::shared_ptr<TextField> m_emailField;
};

} // namespace quindle
