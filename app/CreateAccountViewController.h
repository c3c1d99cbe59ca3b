#pragma once

#include "app/StaticTableViewController.h"
#include "platform/Colour.h"

#include <functional>

namespace quindle {

class Model;

/// Registers a new organisation ("Register your app"): checks the fields, sends them and tells
/// the user to verify the address.
class CreateAccountViewController : public StaticTableViewController {
public:
    /// The colour a field that fails its check is painted in.
    static constexpr Colour warningColour { 1.0, 0.9, 0.9, 1.0 };
    static constexpr size_t minimumEmailLength = 5;
    static constexpr size_t minimumPasswordLength = 6;
    static constexpr size_t minimumOrganisationLength = 3;
    static constexpr double fieldRowHeight = 70;
    static constexpr double textRowHeight = 88;

    static std::shared_ptr<CreateAccountViewController> create(Model& model, std::function<void()> completionHandler = {});

    const std::shared_ptr<TextField>& emailField() const { return m_emailField; }
    const std::shared_ptr<TextField>& passwordField() const { return m_passwordField; }
    const std::shared_ptr<TextField>& passwordConfirmField() const { return m_passwordConfirmField; }
    const std::shared_ptr<TextField>& organisationField() const { return m_organisationField; }
    const std::shared_ptr<TableViewCell>& textCell() const { return m_textCell; }
    void setCompletionHandler(std::function<void()> handler) { m_completionHandler = std::move(handler); }

    /// Save: checks the fields in order, stopping at the first failure; sends when all pass.
    /// Returns whether the request went out (never while one is unanswered).
    bool save();
    /// A registration is out and not answered yet.
    bool isSending() const { return m_isSending; }

protected:
    void viewDidLoad() override;

private:
    CreateAccountViewController(Model& model, std::function<void()> completionHandler);
    void replied(bool registered, const std::string& reason);

    Model& m_model;
    std::function<void()> m_completionHandler;
    std::shared_ptr<TableViewCell> m_textCell;
    std::shared_ptr<TextField> m_emailField;
    std::shared_ptr<TextField> m_passwordField;
    std::shared_ptr<TextField> m_passwordConfirmField;
    std::shared_ptr<TextField> m_organisationField;
    bool m_isSending { false };
};

} // namespace quindle
