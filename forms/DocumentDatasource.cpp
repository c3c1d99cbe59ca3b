#include "forms/DocumentDatasource.h"

#include "content/ApplicationShell.h"
#include "core/Model.h"
#include "forms/BoolView.h"
#include "forms/DocumentViewController.h"
#include "forms/NumberView.h"
#include "forms/SelectViewController.h"
#include "forms/TextEditViewController.h"
#include "platform/Image.h"
#include "platform/MainQueue.h"
#include "ui/ImageView.h"

#include <cstdio>
#include <cstdlib>

namespace quindle {

namespace {

std::string text(const JsonObjectPtr& entry, const char* key)
{
    JsonValue value = entry ? entry->get(key) : JsonValue();
    return value.isString() ? value.asString() : std::string {};
}

bool isForm(const JsonObjectPtr& entry) { return text(entry, "isForm") == "Yes"; }

constexpr Rect controlFrame { 0, 0, 80, 30 };

} // namespace

std::shared_ptr<DocumentDatasource> DocumentDatasource::create(JsonArrayPtr objects, const JsonObjectPtr& currentStateDict, std::string assetID)
{
    auto engine = FormEngine::create(FormKind::Document, objects ? std::move(objects) : JsonArray::create(),
        currentStateDict ? currentStateDict : JsonObject::create());
    engine->setAssetID(std::move(assetID));
    std::shared_ptr<DocumentDatasource> source(new DocumentDatasource(std::move(engine)));
    std::weak_ptr<DocumentDatasource> weak = source;
    source->m_engine->setReloadHandler([weak] {
        if (auto self = weak.lock())
            self->reload();
    });
    return source;
}

void DocumentDatasource::setDocumentViewController(std::weak_ptr<DocumentViewController> controller)
{
    m_documentViewController = std::move(controller);
}

void DocumentDatasource::reload()
{
    if (auto screen = documentViewController(); screen && screen->isViewLoaded())
        screen->tableView()->reloadData();
}

int DocumentDatasource::numberOfRowsInSection(TableView&, int) { return static_cast<int>(m_engine->numberOfRows()); }

std::shared_ptr<TableViewCell> DocumentDatasource::cellForRowAtIndexPath(TableView&, IndexPath path)
{
    // Rows differ in their controls, so each is made afresh rather than reused.
    auto cell = TableViewCell::create(CellStyle::Value1, "DocumentCell");
    const size_t row = static_cast<size_t>(path.row);
    JsonObjectPtr entry = m_engine->entryAtRow(row);
    if (!entry)
        return cell;
    const std::string type = text(entry, "type");
    const std::string key = FormEngine::shownKey(entry);
    const std::string value = m_engine->shownValue(entry);
    cell->textLabel()->setText(key);
    AccessoryType mark = AccessoryType::DisclosureIndicator;
    std::weak_ptr<FormEngine> engine = m_engine;
    if (type == "Bool") {
        cell->setAccessoryView(BoolView::create(controlFrame, engine, BoolView::stateForValue(value), row));
    } else if (type == "Number") {
        cell->setAccessoryView(NumberView::create(controlFrame, engine, value, row));
    } else if (type == "Text") {
        if (isForm(entry))
            cell->detailTextLabel()->setText(value);
        else
            mark = AccessoryType::None;
    } else if (type == "Image") {
        configureImage(*cell, entry, isForm(entry));
        if (!isForm(entry))
            mark = AccessoryType::None;
    } else if (type == "Select") {
        cell->detailTextLabel()->setText(value);
    } else if (type == "Derived" || type == "Conditional") {
        auto label = Label::create(controlFrame);
        label->setTextAlignment(TextAlignment::Right);
        label->setText(value);
        cell->setAccessoryView(label);
    }
    if (!cell->accessoryView())
        cell->setAccessoryType(mark);
    if (m_engine->isUnsaved(key))
        cell->detailTextLabel()->setText(unsavedText);
    return cell;
}

void DocumentDatasource::configureImage(TableViewCell& cell, const JsonObjectPtr& entry, bool form)
{
    auto picture = ImageView::create(controlFrame);
    cell.setAccessoryView(picture);
    JsonValue stored = entry->get("image");
    if (stored.isOpaque()) {
        picture->setImage(std::dynamic_pointer_cast<const Image>(stored.opaque()));
    } else {
        std::string url = form ? m_engine->formValueForKey(text(entry, "name")) : text(entry, "assVal");
        if (!url.empty())
            fetchImage(entry, url);
    }
    if (!form)
        cell.textLabel()->setText({});
}

void DocumentDatasource::fetchImage(const JsonObjectPtr& entry, const std::string& url)
{
    if (!m_fetched.insert(entry.get()).second)
        return;
    std::weak_ptr<DocumentDatasource> weak = weak_from_this();
    HttpRequest request;
    request.url = url;
    Model::defaultInstance().imageRequest(std::move(request), [weak, entry](std::shared_ptr<Image> image, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, entry, image] {
            // A picture that does not arrive leaves the row without one.
            if (!image)
                return;
            entry->set("image", JsonValue(std::static_pointer_cast<Opaque>(image)));
            if (auto self = weak.lock())
                self->reload();
        });
    });
}

std::shared_ptr<ViewController> DocumentDatasource::viewControllerFofIndexPath(IndexPath path)
{
    const size_t row = static_cast<size_t>(path.row);
    JsonObjectPtr entry = m_engine->entryAtRow(row);
    if (!entry)
        return nullptr;
    const std::string type = text(entry, "type");
    const std::string value = m_engine->formValueForKey(text(entry, "name"));
    if (type == "Image" && isForm(entry)) {
        auto shell = ApplicationShell::shared();
        std::weak_ptr<DocumentDatasource> weak = weak_from_this();
        // The editor stores the new picture in the entry; the row shows it once the upload is in.
        return shell ? shell->makeImageEditViewController(entry, assetID(), [weak](std::optional<JsonValue>) {
            MainQueue::shared().dispatch([weak] {
                if (auto self = weak.lock())
                    self->reload();
            });
        })
                     : nullptr;
    }
    if (type == "Text" && isForm(entry))
        return TextEditViewController::create(entry, m_engine, row, value);
    if (type == "Select")
        return SelectViewController::create(entry, m_engine, row, value);
    return nullptr;
}

bool DocumentDatasource::resendIfUnsaved(IndexPath path)
{
    const size_t row = static_cast<size_t>(path.row);
    JsonObjectPtr entry = m_engine->entryAtRow(row);
    std::string key = text(entry, "name");
    auto value = entry ? m_engine->unsavedValue(key) : std::nullopt;
    if (!value || !m_engine->isUnsaved(key))
        return false;
    m_engine->setValue(*value, row);
    return true;
}

} // namespace quindle
