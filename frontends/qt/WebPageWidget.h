#pragma once

#include <QImage>
#include <QTextBrowser>

#include <memory>
#include <vector>

namespace quindle {
class WebView;
}

namespace quindle::qt {

/// Shows a WebView's page natively. Pages here are the server's own simple HTML (text, tables,
/// an inline SVG chart), so QTextBrowser shows the HTML and QSvgRenderer draws each inline
/// <svg> block into a picture put in its place: no browser engine is needed, and the client
/// builds, runs and tests headless without one.
class WebPageWidget : public QTextBrowser {
    Q_OBJECT
public:
    WebPageWidget(std::shared_ptr<WebView> view, QWidget* parent = nullptr);
    ~WebPageWidget() override;

    /// Shows the view's page again when it loaded something since last shown.
    void refresh();
    /// Loads finished (successfully or not) since the widget was made.
    int finishedLoads() const { return m_finished; }

    /// The HTML with each inline <svg>...</svg> block replaced by an <img> of its picture
    /// (rendered at `scale` pixels a point), the pictures appended to `pictures`; the images'
    /// addresses are "quindle-svg:N", N counting from `pictures`' size on entry.
    static QString replaceInlineSvg(const QString& html, qreal scale, std::vector<QImage>& pictures);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void show(const QString& html, const QUrl& base);
    void showFailure(const QString& url, const QString& reason);
    void finished();
    void fetch(const std::string& url);

    struct Token;
    std::weak_ptr<WebView> m_view;
    std::shared_ptr<Token> m_token;
    unsigned m_shownLoads { 0 };
    unsigned m_request { 0 };
    int m_finished { 0 };
    std::vector<QImage> m_pictures;
};

/// Registers the widget as the native view of WebView.
void registerWebPageWidget();

} // namespace quindle::qt
