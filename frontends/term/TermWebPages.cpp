#include "frontends/term/TermWebPages.h"

#include "core/Model.h"
#include "platform/MainQueue.h"
#include "ui/WebView.h"

#include <cctype>

namespace quindle {

namespace {

bool startsWithTag(const std::string& html, size_t at, const char* name)
{
    size_t i = at + 1;
    if (i < html.size() && html[i] == '/')
        ++i;
    for (const char* c = name; *c; ++c, ++i)
        if (i >= html.size() || std::tolower(static_cast<unsigned char>(html[i])) != *c)
            return false;
    return i < html.size() && (html[i] == '>' || html[i] == ' ' || html[i] == '/' || std::isspace(static_cast<unsigned char>(html[i])));
}

} // namespace

TermWebPages& TermWebPages::shared()
{
    static TermWebPages pages;
    return pages;
}

std::string TermWebPages::textOf(const std::string& html)
{
    std::string out, piece;
    auto endPiece = [&] {
        size_t a = piece.find_first_not_of(' '), b = piece.find_last_not_of(' ');
        if (a != std::string::npos)
            out += (out.empty() ? "" : " | ") + piece.substr(a, b - a + 1);
        piece.clear();
    };
    size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<') {
            // Skipped whole: charts, scripts, styles and the head's title.
            for (const char* skip : { "svg", "script", "style", "title" }) {
                if (startsWithTag(html, i, skip) && html[i + 1] != '/') {
                    size_t end = html.find(std::string("</") + skip, i);
                    if (std::string(skip) == "svg") {
                        endPiece();
                        piece = "[chart]";
                        endPiece();
                    }
                    i = end == std::string::npos ? html.size() : html.find('>', end);
                    i = i == std::string::npos ? html.size() : i + 1;
                    goto next;
                }
            }
            for (const char* block : { "h1", "h2", "h3", "h4", "p", "br", "div", "li", "tr", "td", "th", "body" })
                if (startsWithTag(html, i, block))
                    endPiece();
            i = html.find('>', i);
            i = i == std::string::npos ? html.size() : i + 1;
            continue;
        }
        if (c == '&') {
            static const std::pair<const char*, char> entities[] = { { "&lt;", '<' }, { "&gt;", '>' }, { "&amp;", '&' }, { "&quot;", '"' }, { "&#39;", '\'' }, { "&nbsp;", ' ' } };
            bool decoded = false;
            for (auto& [name, ch] : entities)
                if (html.compare(i, std::char_traits<char>::length(name), name) == 0) {
                    piece += ch;
                    i += std::char_traits<char>::length(name);
                    decoded = true;
                    break;
                }
            if (decoded)
                continue;
        }
        piece += std::isspace(static_cast<unsigned char>(c)) ? ' ' : c;
        if (piece.size() >= 2 && piece[piece.size() - 1] == ' ' && piece[piece.size() - 2] == ' ')
            piece.pop_back();
        ++i;
    next:;
    }
    endPiece();
    return out;
}

std::string TermWebPages::summary(const std::shared_ptr<WebView>& view)
{
    if (!view)
        return {};
    if (!view->html().empty())
        return textOf(view->html());
    if (view->url().empty())
        return {};
    for (auto it = m_pages.begin(); it != m_pages.end();)
        it = it->second.first.expired() ? m_pages.erase(it) : std::next(it);
    auto& entry = m_pages[view.get()];
    std::shared_ptr<Page>& page = entry.second;
    if (page && page->load == view->loadCount() && page->url == view->url())
        return page->done ? page->text : "loading";
    entry.first = view;
    page = std::make_shared<Page>();
    page->load = view->loadCount();
    page->url = view->url();
    std::weak_ptr<Page> weak = page;
    HttpRequest get;
    get.url = view->url();
    Model::defaultInstance().sendAsynchronousRequest(std::move(get), [weak](std::optional<std::string> body, std::optional<Error>) {
        MainQueue::shared().dispatch([weak, body = std::move(body)] {
            if (auto alive = weak.lock()) {
                alive->text = body ? textOf(*body) : "not loaded";
                alive->done = true;
            }
        });
    });
    return "loading";
}

} // namespace quindle
