#pragma once

#include "app/StaticTableViewController.h"

namespace quindle {

class Model;

/// Lets an administrator approve a newly registered app ("Register new app"); opened by a push
/// notification.
class RegisterViewController : public StaticTableViewController {
public:
    static std::shared_ptr<RegisterViewController> create(Model& model, std::string assetID, std::string name);

    const std::string& assetID() const { return m_assetID; }
    const std::string& name() const { return m_name; }
    /// "Approve": publishes the app's site, then closes whatever the reply.
    void approve();

protected:
    void viewDidLoad() override;

private:
    RegisterViewController(Model& model, std::string assetID, std::string name);
    Model& m_model;
    std::string m_assetID;
    std::string m_name;
};

} // namespace quindle
