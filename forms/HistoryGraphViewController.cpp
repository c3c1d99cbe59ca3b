#include "forms/HistoryGraphViewController.h"

#include "core/Model.h"
#include "ui/WebView.h"

namespace quindle {

HistoryGraphViewController::HistoryGraphViewController(Model& model, std::string resDocID, std::string key)
    : ViewController("Graph")
    , m_model(model)
    , m_resDocID(std::move(resDocID))
    , m_key(std::move(key))
{
}

std::shared_ptr<HistoryGraphViewController> HistoryGraphViewController::create(Model& model, std::string resDocID, std::string key)
{
    return std::shared_ptr<HistoryGraphViewController>(new HistoryGraphViewController(model, std::move(resDocID), std::move(key)));
}

std::string HistoryGraphViewController::pageURL() const
{
    std::string url = m_model.legacyBaseURL() + "Naked.php?a=" + m_resDocID;
    // Keys hold spaces, brackets and sometimes "&": every reserved byte is escaped.
    if (!m_key.empty())
        url += "&key=" + Model::encodeValue(m_key);
    return url;
}

void HistoryGraphViewController::loadView()
{
    m_webView = WebView::create();
    setView(m_webView);
}

void HistoryGraphViewController::viewDidLoad()
{
    m_webView->loadRequest(pageURL());
}

std::shared_ptr<WebView> HistoryGraphViewController::webView()
{
    view();
    return m_webView;
}

} // namespace quindle
