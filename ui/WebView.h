#pragma once

#include "ui/View.h"

#include <functional>
#include <utility>

namespace quindle {

/// A page shown from an address or from a string of HTML; the renderer does the loading.
class WebView : public View {
public:
    static std::shared_ptr<WebView> create(Rect frame = {});

    /// Shows the page at the address; forgets any HTML.
    void loadRequest(std::string url);
    /// Shows the HTML, resolving relative addresses against the base; forgets any address.
    void loadHTMLString(std::string html, std::string baseURL = {});
    const std::string& url() const { return m_url; }
    const std::string& html() const { return m_html; }
    const std::string& baseURL() const { return m_baseURL; }
    /// Counts loads, so a renderer can tell a reload of the same page from no change.
    unsigned loadCount() const { return m_loads; }

    /// Scripts the page should run, in order, for the renderer to take and clear.
    void evaluateJavaScript(std::string script);
    std::vector<std::string> takePendingScripts() { return std::exchange(m_scripts, {}); }

    /// The renderer reports that the page has loaded, or a message the page sent.
    std::function<void(WebView&)> onLoad;
    std::function<void(WebView&, const std::string&)> onMessage;

private:
    explicit WebView(Rect frame) : View(frame) { }
    std::string m_url;
    std::string m_html;
    std::string m_baseURL;
    unsigned m_loads { 0 };
    std::vector<std::string> m_scripts;
};

} // namespace quindle
