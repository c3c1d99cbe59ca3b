#include "frontends/qt/Scene.h"

#include "frontends/qt/PaintSupport.h"
#include "ui/BarButtonItem.h"
#include "ui/TabBarController.h"
#include "ui/Window.h"

#include <QFontMetricsF>

namespace quindle::qt {

QString tabTitle(const ViewController& tab, QString* badge, QString* imageName)
{
    const ViewController* root = &tab;
    if (auto* stack = dynamic_cast<const NavigationController*>(&tab); stack && !stack->viewControllers().empty())
        root = stack->viewControllers().front().get();
    if (badge)
        *badge = toQString(!tab.tabBarItem().badgeValue.empty() ? tab.tabBarItem().badgeValue : root->tabBarItem().badgeValue);
    if (imageName)
        *imageName = toQString(!tab.tabBarItem().imageName.empty() ? tab.tabBarItem().imageName : root->tabBarItem().imageName);
    for (const std::string* title : { &tab.tabBarItem().title, &root->tabBarItem().title, &root->title(), &tab.title() }) {
        if (!title->empty())
            return toQString(*title);
    }
    return QStringLiteral("(untitled)");
}

namespace {

// Words users expect on system bar buttons; the rest show their title.
QString barLabel(const BarButtonItem& item)
{
    if (item.systemItem() == SystemItem::Add)
        return QStringLiteral("+");
    QString title = toQString(item.displayTitle());
    if (title == QLatin1String("Refresh"))
        return QStringLiteral("↻");
    return title;
}

bool heldByTabs(const std::shared_ptr<ViewController>& top, const std::shared_ptr<TabBarController>& tabs)
{
    for (auto at = top; at; at = at->parentViewController()) {
        if (at == tabs)
            return true;
    }
    return false;
}

} // namespace

Scene Scene::build(const Window& window, QSizeF size)
{
    Scene scene;
    scene.bounds = QRectF(QPointF(0, 0), size);
    scene.statusBar = QRectF(0, 0, size.width(), Metrics::statusBar);
    scene.tabs = std::dynamic_pointer_cast<TabBarController>(window.rootViewController());
    scene.top = window.visibleViewController();
    double top = Metrics::statusBar;
    double bottom = size.height();

    bool underTabs = scene.tabs && scene.top && heldByTabs(scene.top, scene.tabs);
    scene.modal = scene.top && scene.tabs && !underTabs;
    if (scene.tabs && !scene.tabs->isTabBarHidden() && !scene.tabs->viewControllers().empty() && !scene.modal) {
        scene.tabBar = QRectF(0, bottom - Metrics::tabBar, size.width(), Metrics::tabBar);
        bottom -= Metrics::tabBar;
        const auto& tabs = scene.tabs->viewControllers();
        double width = size.width() / static_cast<double>(tabs.size());
        for (size_t i = 0; i < tabs.size(); ++i) {
            TabSlot slot;
            slot.rect = QRectF(width * static_cast<double>(i), scene.tabBar.top(), width, Metrics::tabBar);
            slot.title = tabTitle(*tabs[i], &slot.badge, &slot.imageName);
            slot.selected = static_cast<int>(i) == scene.tabs->selectedIndex();
            scene.tabSlots.push_back(slot);
        }
    }

    if (scene.top) {
        auto nav = scene.top->navigationController();
        bool onStack = nav && nav->topViewController() == scene.top;
        if (!(onStack && nav->isNavigationBarHidden())) {
            scene.navigationBar = QRectF(0, top, size.width(), Metrics::navigationBar);
            top += Metrics::navigationBar;
        }
        // Loading the view is what sets up a screen's bar buttons.
        auto view = scene.top->view();
        scene.title = toQString(scene.top->title());
        if (!scene.navigationBar.isEmpty()) {
            QFontMetricsF plain(systemFont(17));
            QFontMetricsF bold(systemFont(17, true));
            double left = 8;
            // A screen's own left button takes the back button's place.
            if (auto item = scene.top->leftBarButtonItem()) {
                QString label = barLabel(*item);
                auto& metrics = item->style() == BarButtonStyle::Done ? bold : plain;
                double width = metrics.horizontalAdvance(label) + 2 * Metrics::barButtonPadding;
                scene.barButtons.push_back({ item, QRectF(left, scene.navigationBar.top(), width, Metrics::navigationBar), label });
            } else if (onStack && nav->viewControllers().size() > 1) {
                QString previous = toQString(nav->viewControllers()[nav->viewControllers().size() - 2]->title());
                scene.backTitle = QStringLiteral("‹ ") + (previous.isEmpty() ? QStringLiteral("Back") : previous);
                scene.backTitle = plain.elidedText(scene.backTitle, Qt::ElideRight, size.width() / 3);
                double width = plain.horizontalAdvance(scene.backTitle) + 2 * Metrics::barButtonPadding;
                scene.backRect = QRectF(left, scene.navigationBar.top(), width, Metrics::navigationBar);
            }
            double right = size.width() - 8;
            for (const auto& item : scene.top->rightBarButtonItems()) {
                QString label = barLabel(*item);
                auto& metrics = item->style() == BarButtonStyle::Done ? bold : plain;
                double width = metrics.horizontalAdvance(label) + 2 * Metrics::barButtonPadding;
                right -= width;
                scene.barButtons.push_back({ item, QRectF(right, scene.navigationBar.top(), width, Metrics::navigationBar), label });
            }
            // The title wins over the back button's text: when it would not fit centred between
            // them, the back button says only "Back", and at worst only its arrow.
            if (!scene.backRect.isEmpty()) {
                const double titleHalf = bold.horizontalAdvance(scene.title) / 2 + 4;
                const double roomRight = right - size.width() / 2;
                for (QString shorter : { QStringLiteral("‹ Back"), QStringLiteral("‹") }) {
                    if (std::min(size.width() / 2 - scene.backRect.right(), roomRight) >= titleHalf)
                        break;
                    scene.backTitle = shorter;
                    scene.backRect.setWidth(plain.horizontalAdvance(shorter) + 2 * Metrics::barButtonPadding);
                }
            }
        }
        scene.content = QRectF(0, top, size.width(), std::max(0.0, bottom - top));
        if (view)
            view->setFrame({ 0, 0, scene.content.width(), scene.content.height() });
    } else {
        scene.content = QRectF(0, top, size.width(), std::max(0.0, bottom - top));
    }
    return scene;
}

} // namespace quindle::qt
