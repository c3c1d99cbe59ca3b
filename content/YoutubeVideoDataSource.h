#pragma once

#include "content/DataSourceProtocol.h"
#include "platform/JsonValue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quindle {

class AlertView;
class Model;
class TextField;
class YoutubeVideoCell;

/// The video screen: asks for a video's name and YouTube id, previews the id, and its Save
/// button stores the video on a page through the legacy server.
class YoutubeVideoDataSource : public DataSourceProtocol, public TableViewDelegate, public std::enable_shared_from_this<YoutubeVideoDataSource> {
public:
    using CompletionHandler = std::function<void(std::optional<JsonValue> answer)>;
    static constexpr const char* textFieldCellIdentifier = "textFieldCellIdentifier";
    static constexpr const char* youtubeVideoCellIdentifier = "youtubeVideoCellIdentifier";
    static constexpr const char* labelCellIdentifier = "labelCellIdentifier";
    static constexpr double rowHeight = 42;
    static constexpr double previewRowHeight = 200;
    enum Row { NameLabelRow = 0, NameRow = 1, IdLabelRow = 2, IdRow = 3, PreviewRow = 4 };
    static constexpr int rowCount = 5;

    static std::shared_ptr<YoutubeVideoDataSource> create(Model& model);

    const std::string& parentID() const { return m_parentID; }
    void setParentID(std::string id) { m_parentID = std::move(id); }
    /// Told the server's answer once a video is stored.
    void setCompletionHandler(CompletionHandler handler) { m_completionHandler = std::move(handler); }
    std::shared_ptr<TableView> tableView() const { return m_tableView.lock(); }
    const std::shared_ptr<TextField>& videoIdent() const { return m_videoIdent; }
    const std::shared_ptr<TextField>& nameField() const { return m_nameField; }
    const std::shared_ptr<YoutubeVideoCell>& youtubeCell() const { return m_youtubeCell; }
    /// The alert of the last save that stored nothing, if any.
    const std::shared_ptr<AlertView>& alert() const { return m_alert; }

    /// Return in the id input: the preview shows the typed id.
    bool textFieldShouldReturn(TextField& field);
    /// Stores the video; a name and an id are needed first.
    void addAsset();

    // DataSourceProtocol.
    std::shared_ptr<DataManager> dataManager() const override { return nullptr; }
    void isActive() override { }
    void isInactive() override { }
    void reload() override { }
    bool isEditing() const override { return m_isEditing; }
    void setIsEditing(bool editing) override { m_isEditing = editing; }
    void registerCellsForTableView(const std::shared_ptr<TableView>& table) override;
    void configureBarbuttonsForViewController(ViewController& controller) override;
    double heightForRowAtIndexPath(TableView& table, IndexPath path) override;

    // TableViewDataSource.
    int numberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table, IndexPath path) override;

private:
    explicit YoutubeVideoDataSource(Model& model) : m_model(model) { }
    void addFinished(const std::optional<JsonValue>& answer, const std::string& name);
    void showAlert(std::string title, std::string message);

    Model& m_model;
    bool m_isEditing = false;
    std::string m_parentID;
    CompletionHandler m_completionHandler;
    std::weak_ptr<TableView> m_tableView;
    std::weak_ptr<ViewController> m_viewController;
    std::shared_ptr<TextField> m_videoIdent;
    std::shared_ptr<TextField> m_nameField;
    std::shared_ptr<YoutubeVideoCell> m_youtubeCell;
    std::shared_ptr<AlertView> m_alert;
};

} // namespace quindle
