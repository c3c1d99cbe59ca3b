#include "app/RegisterViewController.h"

#include "core/Model.h"
#include "platform/JsonWriter.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

namespace quindle {

std::shared_ptr<RegisterViewController> RegisterViewController::create(Model& model, std::string assetID, std::string name)
{
    auto screen = std::shared_ptr<RegisterViewController>(new RegisterViewController(model, std::move(assetID), std::move(name)));
    screen->view(); // rows and bar buttons exist from the start
    return screen;
}

RegisterViewController::RegisterViewController(Model& model, std::string assetID, std::string name)
    : StaticTableViewController("Register new app")
    , m_model(model)
    , m_assetID(std::move(assetID))
    , m_name(std::move(name))
{
}

void RegisterViewController::viewDidLoad()
{
    std::weak_ptr<RegisterViewController> weak = std::static_pointer_cast<RegisterViewController>(shared_from_this());
    setLeftBarButtonItem(BarButtonItem::create(SystemItem::Cancel, [weak] {
        if (auto self = weak.lock())
            self->close();
    }));
    setRightBarButtonItem(BarButtonItem::create("Approve", BarButtonStyle::Done, [weak] {
        if (auto self = weak.lock())
            self->approve();
    }));
    setRows({ { captionCell(m_name), TableView::defaultRowHeight, {} } });
}

void RegisterViewController::approve()
{
    Log::line("Approve");
    std::weak_ptr<RegisterViewController> weak = std::static_pointer_cast<RegisterViewController>(shared_from_this());
    m_model.publishAsset(m_assetID, [weak](std::optional<JsonValue> content, std::optional<Error>) {
        if (Log::isEnabled())
            Log::line("responce dict " + (content ? JsonWriter::describe(*content) : std::string("(null)")));
        MainQueue::shared().dispatch([weak] {
            if (auto self = weak.lock())
                self->close();
        });
    });
}

} // namespace quindle
