#pragma once

#include "core/Asset.h"
#include "ui/AlertView.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

#include <memory>
#include <string>
#include <vector>

namespace quindle {

class Model;

/// Edits the site as a whole (the session's tab bar record): its image and its name. A name
/// is written into the record, and a cleared image removed from it, only once the server has
/// taken the change; otherwise the record stays as it was and an alert says so.
class TabEditViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
public:
    static constexpr const char* defaultTitle = "Edit Tabs";
    static constexpr const char* cellIdentifier = "TabsCell";

    /// Which of the two alerts was opened last.
    enum class OpenAlert { None, ClearImage, ChangeName };

    static std::shared_ptr<TabEditViewController> create();
    /// The same over another Model (tests).
    static std::shared_ptr<TabEditViewController> create(Model& model);

    const std::vector<std::string>& rows() const { return m_rows; }
    OpenAlert openAlert() const { return m_openAlert; }
    std::shared_ptr<TableView> tableView();
    /// The alerts the rows opened, while they are shown.
    std::shared_ptr<AlertView> clearImageAlert() const { return m_clearAlert && m_clearAlert->isVisible() ? m_clearAlert : nullptr; }
    std::shared_ptr<AlertView> nameAlert() const { return m_nameAlert && m_nameAlert->isVisible() ? m_nameAlert : nullptr; }
    /// The alert of the last change that failed, while it is shown.
    std::shared_ptr<AlertView> failureAlert() const { return m_failureAlert && m_failureAlert->isVisible() ? m_failureAlert : nullptr; }

    void setSiteImage();
    /// Asks whether to remove the site image.
    void clearSiteImage();
    /// Asks for the site's new name.
    void changeSiteName();

    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath path) override;
    void didSelectRowAtIndexPath(TableView&, IndexPath path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(Animated animated) override;

private:
    explicit TabEditViewController(Model& model);
    std::weak_ptr<TabEditViewController> weakSelf();
    void removeImage();
    void sendName(std::string name);
    void showFailure(std::string title, std::string message);

    Model& m_model;
    std::vector<std::string> m_rows;
    OpenAlert m_openAlert { OpenAlert::None };
    std::shared_ptr<TableView> m_table;
    std::shared_ptr<AlertView> m_clearAlert;
    std::shared_ptr<AlertView> m_nameAlert;
    std::shared_ptr<AlertView> m_failureAlert;
};

} // namespace quindle
