#pragma once

#include <map>
#include <memory>
#include <string>

namespace quindle {

class WebView;

/// What the text client shows of a web view's page: the page is fetched once per load, with the
/// session, and shown as its text on one line (charts as "[chart]"). Lives on the main queue.
class TermWebPages {
public:
    static TermWebPages& shared();

    /// The text of the view's current page; starts fetching it and answers "loading" until it
    /// has arrived, or "not loaded" when the fetch failed.
    std::string summary(const std::shared_ptr<WebView>& view);
    /// The page's text: headings, paragraphs and table rows as " | "-separated pieces, inline
    /// SVG as "[chart]", entities decoded, scripts and styles left out.
    static std::string textOf(const std::string& html);

private:
    struct Page {
        unsigned load = 0;
        std::string url;
        std::string text;
        bool done = false;
    };
    /// Keyed by the view, held weakly so a gone screen's entry can be dropped.
    std::map<const WebView*, std::pair<std::weak_ptr<WebView>, std::shared_ptr<Page>>> m_pages;
};

} // namespace quindle
