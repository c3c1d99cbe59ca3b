#include "frontends/qt/WebPageWidget.h"

#include "core/Model.h"
#include "frontends/qt/ViewRegistry.h"
#include "platform/MainQueue.h"
#include "ui/WebView.h"

#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTimer>

namespace quindle::qt {

/// Lives as long as the widget; replies that arrive later find it gone.
struct WebPageWidget::Token {
    WebPageWidget* widget;
};

namespace {

constexpr const char* svgScheme = "quindle-svg";
/// How often the widget looks for a new load: the view tells only the window's observer.
constexpr int pollMilliseconds = 100;

} // namespace

WebPageWidget::WebPageWidget(std::shared_ptr<WebView> view, QWidget* parent)
    : QTextBrowser(parent)
    , m_view(view)
    , m_token(std::make_shared<Token>(Token { this }))
{
    setOpenLinks(false);
    setFrameShape(QFrame::NoFrame);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        auto target = m_view.lock();
        if (!target)
            return;
        QUrl base(QString::fromStdString(target->url().empty() ? target->baseURL() : target->url()));
        target->loadRequest(base.resolved(link).toString().toStdString());
        refresh();
    });
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &WebPageWidget::refresh);
    poll->start(pollMilliseconds);
    refresh();
}

WebPageWidget::~WebPageWidget() = default;

void WebPageWidget::refresh()
{
    auto view = m_view.lock();
    if (!view)
        return;
    // No script engine runs here; scripts are taken so they do not pile up.
    view->takePendingScripts();
    if (view->loadCount() == m_shownLoads)
        return;
    m_shownLoads = view->loadCount();
    ++m_request;
    if (!view->url().empty()) {
        fetch(view->url());
    } else {
        show(QString::fromStdString(view->html()), QUrl(QString::fromStdString(view->baseURL())));
        finished();
    }
}

void WebPageWidget::fetch(const std::string& url)
{
    std::weak_ptr<Token> token = m_token;
    unsigned request = m_request;
    HttpRequest get;
    get.url = url;
    // Through the model, so the session's headers go with it; the reply comes on the client's
    // thread and is shown on the main queue.
    Model::defaultInstance().sendAsynchronousRequest(std::move(get), [token, request, url](std::optional<std::string> body, std::optional<Error> error) {
        MainQueue::shared().dispatch([token, request, url, body = std::move(body), error = std::move(error)] {
            auto alive = token.lock();
            if (!alive || alive->widget->m_request != request)
                return;
            QString address = QString::fromStdString(url);
            if (body)
                alive->widget->show(QString::fromStdString(*body), QUrl(address));
            else
                alive->widget->showFailure(address, error ? QString::fromStdString(error->localizedDescription) : QStringLiteral("no reply"));
            alive->widget->finished();
        });
    });
}

void WebPageWidget::show(const QString& html, const QUrl& base)
{
    m_pictures.clear();
    QString page = replaceInlineSvg(html, devicePixelRatioF(), m_pictures);
    document()->setBaseUrl(base);
    setHtml(page);
}

void WebPageWidget::showFailure(const QString& url, const QString& reason)
{
    m_pictures.clear();
    setHtml(QStringLiteral("<h3>Cannot show the page</h3><p>%1</p><p>%2</p>").arg(url.toHtmlEscaped(), reason.toHtmlEscaped()));
}

void WebPageWidget::finished()
{
    ++m_finished;
    auto view = m_view.lock();
    if (!view || !view->onLoad)
        return;
    auto onLoad = view->onLoad; // the handler may replace itself
    onLoad(*view);
}

QString WebPageWidget::replaceInlineSvg(const QString& html, qreal scale, std::vector<QImage>& pictures)
{
    static const QRegularExpression block(QStringLiteral("<svg\\b.*?</svg\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression namespaced(QStringLiteral("^<svg\\b[^>]*\\bxmlns\\s*="), QRegularExpression::CaseInsensitiveOption);
    QString result;
    qsizetype from = 0;
    auto matches = block.globalMatch(html);
    while (matches.hasNext()) {
        auto match = matches.next();
        result += html.mid(from, match.capturedStart() - from);
        from = match.capturedEnd();
        QString svg = match.captured();
        // HTML tag names ignore case, the SVG reader's do not.
        svg.replace(1, 3, QStringLiteral("svg"));
        svg.replace(svg.lastIndexOf(QLatin1String("</"), -1) + 2, 3, QStringLiteral("svg"));
        // Inline SVG in HTML may leave out its namespace; the SVG reader needs it.
        if (!namespaced.match(svg).hasMatch())
            svg.insert(4, QStringLiteral(" xmlns=\"http://www.w3.org/2000/svg\""));
        QSvgRenderer renderer(svg.toUtf8());
        QSize size = renderer.defaultSize();
        if (!renderer.isValid() || size.isEmpty())
            continue; // a broken drawing leaves nothing rather than its source text
        QImage picture(size * scale, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            renderer.render(&painter);
        }
        picture.setDevicePixelRatio(scale);
        result += QStringLiteral("<img src=\"%1:%2\" width=\"%3\" height=\"%4\">")
                      .arg(QLatin1String(svgScheme))
                      .arg(pictures.size())
                      .arg(size.width())
                      .arg(size.height());
        pictures.push_back(picture);
    }
    result += html.mid(from);
    return result;
}

QVariant WebPageWidget::loadResource(int type, const QUrl& name)
{
    if (name.scheme() == QLatin1String(svgScheme)) {
        bool ok = false;
        size_t index = name.path().toULongLong(&ok);
        return ok && index < m_pictures.size() ? QVariant(m_pictures[index]) : QVariant();
    }
    // Only pictures of the page itself are shown; nothing else is fetched from the network.
    if (name.scheme() == QLatin1String("http") || name.scheme() == QLatin1String("https"))
        return {};
    return QTextBrowser::loadResource(type, name);
}

void registerWebPageWidget()
{
    ViewHandlers handlers;
    handlers.makeWidget = [](View& view, QWidget* parent) -> QWidget* {
        auto* page = dynamic_cast<WebView*>(&view);
        if (!page)
            return nullptr;
        return new WebPageWidget(std::static_pointer_cast<WebView>(page->shared_from_this()), parent);
    };
    ViewRegistry::shared().add<WebView>(std::move(handlers));
}

} // namespace quindle::qt
