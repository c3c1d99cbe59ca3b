#include "content/YoutubeVideoDataSource.h"

#include "content/YTTextFieldCell.h"
#include "content/YoutubeVideoCell.h"
#include "core/Model.h"
#include "platform/MainQueue.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/Label.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

namespace quindle {

namespace {

bool blank(const std::string& text)
{
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

} // namespace

std::shared_ptr<YoutubeVideoDataSource> YoutubeVideoDataSource::create(Model& model)
{
    return std::shared_ptr<YoutubeVideoDataSource>(new YoutubeVideoDataSource(model));
}

void YoutubeVideoDataSource::registerCellsForTableView(const std::shared_ptr<TableView>& table)
{
    m_tableView = table;
    table->registerCell(textFieldCellIdentifier, [](const std::string& identifier) -> std::shared_ptr<TableViewCell> { return YTTextFieldCell::create(identifier); });
    table->registerCell(youtubeVideoCellIdentifier, [](const std::string& identifier) -> std::shared_ptr<TableViewCell> { return YoutubeVideoCell::create(identifier); });
    table->registerCell(labelCellIdentifier, [](const std::string& identifier) { return TableViewCell::create(CellStyle::Default, identifier); });
    m_nameField = TextField::create();
    m_nameField->setPlaceholder("Name");
    m_videoIdent = TextField::create();
    m_videoIdent->setPlaceholder("YouTube id");
    std::weak_ptr<YoutubeVideoDataSource> weak = weak_from_this();
    m_videoIdent->shouldReturn = [weak](TextField& field) {
        auto self = weak.lock();
        return self ? self->textFieldShouldReturn(field) : true;
    };
}

void YoutubeVideoDataSource::configureBarbuttonsForViewController(ViewController& controller)
{
    m_viewController = controller.weak_from_this();
    std::weak_ptr<YoutubeVideoDataSource> weak = weak_from_this();
    controller.setRightBarButtonItem(BarButtonItem::create(SystemItem::Save, [weak] {
        if (auto self = weak.lock())
            self->addAsset();
    }));
}

int YoutubeVideoDataSource::numberOfRowsInSection(TableView&, int)
{
    return rowCount;
}

std::shared_ptr<TableViewCell> YoutubeVideoDataSource::cellForRowAtIndexPath(TableView& table, IndexPath path)
{
    switch (path.row) {
    case NameLabelRow:
    case IdLabelRow: {
        auto cell = table.dequeueReusableCellWithIdentifier(labelCellIdentifier);
        cell->textLabel()->setText(path.row == NameLabelRow ? "Enter the name of the video" : "Enter the YouTube id of the video");
        return cell;
    }
    case NameRow:
    case IdRow: {
        auto cell = std::static_pointer_cast<YTTextFieldCell>(table.dequeueReusableCellWithIdentifier(textFieldCellIdentifier));
        cell->configureWithView(path.row == NameRow ? m_nameField : m_videoIdent);
        return cell;
    }
    default: {
        auto cell = std::static_pointer_cast<YoutubeVideoCell>(table.dequeueReusableCellWithIdentifier(youtubeVideoCellIdentifier));
        cell->configureWithAsset(nullptr);
        m_youtubeCell = cell;
        return cell;
    }
    }
}

double YoutubeVideoDataSource::heightForRowAtIndexPath(TableView&, IndexPath path)
{
    // The preview is the row that needs the room; the label above the id input does not.
    return path.row == PreviewRow ? previewRowHeight : rowHeight;
}

bool YoutubeVideoDataSource::textFieldShouldReturn(TextField& field)
{
    if (m_youtubeCell && m_youtubeCell->videoView())
        m_youtubeCell->videoView()->loadWithVideoId(field.text());
    return true;
}

void YoutubeVideoDataSource::addAsset()
{
    const std::string name = m_nameField ? m_nameField->text() : std::string();
    const std::string ident = m_videoIdent ? m_videoIdent->text() : std::string();
    if (blank(name) || blank(ident)) {
        showAlert("Name and id needed", "Enter the name of the video and its YouTube id before saving.");
        return;
    }
    const std::string url = m_model.legacyBaseURL() + "addAsset.php?assetID=" + m_parentID + "&name=" + Model::encode(name)
        + "&type=YoutubeVideo&asVal=" + Model::encode(ident);
    std::weak_ptr<YoutubeVideoDataSource> weak = weak_from_this();
    m_model.requestWithURL(url, [weak, name](std::optional<JsonValue> answer, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, name, answer = std::move(answer)] {
            if (auto self = weak.lock())
                self->addFinished(answer, name);
        });
    });
}

void YoutubeVideoDataSource::addFinished(const std::optional<JsonValue>& answer, const std::string& name)
{
    if (!answer || !answer->isObject()) {
        showAlert("Video not added", "The video \"" + name + "\" was not added and nothing was changed. Try again later.");
        return;
    }
    if (m_completionHandler)
        m_completionHandler(answer);
}

void YoutubeVideoDataSource::showAlert(std::string title, std::string message)
{
    m_alert = AlertView::create(std::move(title), std::move(message), "OK");
    if (auto screen = m_viewController.lock())
        m_alert->show(*screen);
    else
        m_alert->show(std::shared_ptr<Window>());
}

} // namespace quindle
