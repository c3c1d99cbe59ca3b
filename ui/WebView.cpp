#include "ui/WebView.h"

namespace quindle {

std::shared_ptr<WebView> WebView::create(Rect frame) { return std::shared_ptr<WebView>(new WebView(frame)); }

void WebView::loadRequest(std::string url)
{
    m_url = std::move(url);
    m_html.clear();
    m_baseURL.clear();
    ++m_loads;
    notify(ChangeKind::Content);
}

void WebView::loadHTMLString(std::string html, std::string baseURL)
{
    m_html = std::move(html);
    m_baseURL = std::move(baseURL);
    m_url.clear();
    ++m_loads;
    notify(ChangeKind::Content);
}

void WebView::evaluateJavaScript(std::string script)
{
    m_scripts.push_back(std::move(script));
    notify(ChangeKind::Content);
}

} // namespace quindle
