#include "frontends/qt/PhoneWindow.h"

#include "content/EventCell.h"
#include "frontends/qt/AlertPainter.h"
#include "frontends/qt/ChromePainter.h"
#include "frontends/qt/InputRouter.h"
#include "frontends/qt/ViewRegistry.h"
#include "platform/Date.h"
#include "platform/HttpClient.h"
#include "ui/AlertView.h"
#include "ui/PopoverController.h"
#include "ui/TabBarController.h"
#include "ui/Window.h"

#include <QPainter>

// The bundled pictures live in a static library, whose resources load only when asked for.
static void loadBundledPictures() { Q_INIT_RESOURCE(quindle); }

namespace quindle::qt {

/// Hears the model on the main thread and passes each change on, to the window and to any
/// observer that was there before (the text client's table cache in script runs).
class PhoneWindow::Observer : public ViewObserver {
public:
    Observer(PhoneWindow& owner, std::shared_ptr<ViewObserver> next) : m_owner(&owner), m_next(std::move(next)) { }
    void detach() { m_owner = nullptr; }
    const std::shared_ptr<ViewObserver>& next() const { return m_next; }

    void changed(const View& view, ChangeKind kind) override
    {
        if (m_next)
            m_next->changed(view, kind);
        if (m_owner)
            m_owner->modelChanged();
    }
    void tableChanged(const TableView& table, RowChange change, const std::vector<IndexPath>& rows, RowAnimation animation) override
    {
        if (m_next)
            m_next->tableChanged(table, change, rows, animation);
        if (m_owner)
            m_owner->tableChanged(table, change, rows, animation);
    }
    void controllerChanged(const ViewController& controller, ControllerChange change, Animated animated) override
    {
        if (m_next)
            m_next->controllerChanged(controller, change, animated);
        if (m_owner)
            m_owner->controllerChanged(controller, change, animated);
    }
    void alertChanged(const AlertView& alert, AlertChange change, int index) override
    {
        if (m_next)
            m_next->alertChanged(alert, change, index);
        if (m_owner)
            m_owner->alertChanged(alert, change);
    }

private:
    PhoneWindow* m_owner;
    std::shared_ptr<ViewObserver> m_next;
};

PhoneWindow::PhoneWindow(std::shared_ptr<Window> window, QWidget* parent)
    : QWidget(parent)
    , m_window(std::move(window))
{
    loadBundledPictures();
    m_clock.start();
    m_input = std::make_unique<InputRouter>(*this);
    m_observer = std::make_shared<Observer>(*this, m_window ? m_window->observer() : nullptr);
    if (m_window)
        m_window->setObserver(m_observer);
    resize(defaultSize);
    setMinimumSize(240, 320);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("Quindle"));
    m_frameTimer.setInterval(16);
    connect(&m_frameTimer, &QTimer::timeout, this, &PhoneWindow::frameTick);
    m_secondTimer.setInterval(1000);
    connect(&m_secondTimer, &QTimer::timeout, this, &PhoneWindow::secondTick);
    m_busyTimer.setInterval(100);
    connect(&m_busyTimer, &QTimer::timeout, this, &PhoneWindow::busyTick);
    m_busyTimer.start();
}

PhoneWindow::~PhoneWindow()
{
    m_observer->detach();
    // The observer that was there before hears the window again.
    if (m_window && m_window->observer() == m_observer)
        m_window->setObserver(m_observer->next());
    for (auto& [key, hosted] : m_hosted)
        delete hosted.widget.data();
}

void PhoneWindow::modelChanged()
{
    // Painting lays out rows and views, which reports frames: that frame is being drawn already.
    if (m_painting)
        return;
    // A change may set a registered view moving: it is asked again at the next frame.
    m_stepping = true;
    update();
}

void PhoneWindow::wakeFrames()
{
    m_stepping = true;
    update();
}

void PhoneWindow::tableChanged(const TableView& table, RowChange change, const std::vector<IndexPath>& rows, RowAnimation animation)
{
    m_content.rowsChanged(table, change, rows, animation, now(), m_frame);
    // A drag of a row that is gone or moved ends.
    if (change != RowChange::Selection && change != RowChange::Refreshing && m_content.rowDrag()
        && m_content.rowDrag()->table.lock().get() == &table)
        m_content.setRowDrag(std::nullopt);
    modelChanged();
}

void PhoneWindow::controllerChanged(const ViewController& controller, ControllerChange change, Animated animated)
{
    if (change == ControllerChange::Stack) {
        if (auto* stack = dynamic_cast<const NavigationController*>(&controller)) {
            size_t after = stack->viewControllers().size();
            auto known = m_stackSizes.find(stack);
            bool same = known != m_stackSizes.end() && known->second.stack.lock().get() == stack;
            size_t before = same ? known->second.size : after;
            m_stackSizes[stack] = { stack->weak_from_this(), after };
            if (animated == Animated::Yes && !m_painting)
                m_transitions.start(after < before ? Transitions::Kind::Pop : Transitions::Kind::Push, m_frame, now());
        }
    } else if (change == ControllerChange::Presentation && animated == Animated::Yes && !m_painting) {
        m_transitions.start(controller.presentedViewController() ? Transitions::Kind::Present : Transitions::Kind::Dismiss, m_frame, now());
    }
    modelChanged();
}

void PhoneWindow::alertChanged(const AlertView& alert, AlertChange change)
{
    // A shown alert's first field takes the keyboard, as on the phone.
    if (change == AlertChange::Shown) {
        if (auto field = alert.textFieldAtIndex(0))
            field->becomeFirstResponder();
    }
    modelChanged();
}

Scene PhoneWindow::currentScene()
{
    if (!m_window)
        return {};
    return Scene::build(*m_window, QSizeF(size()));
}

QRectF PhoneWindow::rowRect(const TableView& table, IndexPath path) const
{
    const auto* drawn = m_content.drawn(table);
    if (!drawn)
        return {};
    for (const auto& [row, rect] : drawn->rows) {
        if (row == path)
            return drawn->contentToWindow.mapRect(rect);
    }
    return {};
}

std::map<const TableView*, double> PhoneWindow::contentHeights() const
{
    std::map<const TableView*, double> heights;
    for (const auto& [table, height] : m_content.contentHeights())
        heights[table] = height;
    return heights;
}

void PhoneWindow::finishAnimations()
{
    m_transitions.finish();
    m_scroll.settle(contentHeights());
    m_content.finishFades();
    update();
}

bool PhoneWindow::isAnimating() const
{
    return m_transitions.isActive(now()) || m_scroll.isMoving() || m_lastReport.animating
        || (!m_lastReport.stepping.empty() && m_stepping);
}

void PhoneWindow::paintScene(QPainter& painter, const Scene& scene, PaintReport& report)
{
    double time = now();
    painter.fillRect(scene.bounds, Qt::white);
    if (scene.top) {
        if (auto view = scene.top->view()) {
            painter.save();
            painter.setClipRect(scene.content);
            painter.translate(scene.content.topLeft());
            m_content.paint(painter, *view, time, report);
            painter.restore();
        }
    }
    if (m_busyShown) {
        paintBusy(painter, scene.content, time);
        report.animating = true;
    }
    paintStatusBar(painter, scene.statusBar);
    paintNavigationBar(painter, scene);
    paintTabBar(painter, scene);
    for (const auto& popover : m_window->popovers()) {
        auto content = popover->contentViewController();
        if (!popover->isPopoverVisible() || !content)
            continue;
        paintDimming(painter, scene.bounds, 0.25);
        PopoverLayout layout = PopoverLayout::build(*popover, scene.bounds);
        paintPopoverFrame(painter, layout);
        auto shown = content->visibleViewController();
        if (auto view = shown ? shown->view() : nullptr) {
            view->setFrame({ 0, 0, layout.content.width(), layout.content.height() });
            painter.save();
            painter.setClipRect(layout.content);
            painter.translate(layout.content.topLeft());
            m_content.paint(painter, *view, time, report);
            painter.restore();
        }
    }
    if (auto alert = m_window->topAlert()) {
        paintDimming(painter, scene.bounds);
        paintAlert(painter, *alert, AlertLayout::build(*alert, scene.bounds), time);
        report.blinking = report.blinking || alert->numberOfTextFields() > 0;
    }
}

void PhoneWindow::paintEvent(QPaintEvent*)
{
    if (!m_window)
        return;
    // A spinner never outlives the wait it stands for, even between polls.
    if (m_busyShown && (!m_client || m_client->inFlight() == 0))
        m_busyShown = false;
    m_painting = true;
    m_scene = Scene::build(*m_window, QSizeF(size()));
    double ratio = devicePixelRatioF();
    QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_frame.size() != pixels || m_frame.devicePixelRatio() != ratio) {
        m_frame = QPixmap(pixels);
        m_frame.setDevicePixelRatio(ratio);
    }
    PaintReport report;
    {
        QPainter framePainter(&m_frame);
        paintScene(framePainter, m_scene, report);
    }
    QPainter painter(this);
    double time = now();
    if (m_transitions.isActive(time)) {
        painter.drawPixmap(0, 0, m_frame);
        QRectF area(0, Metrics::statusBar, width(), height() - Metrics::statusBar);
        painter.fillRect(area, Qt::white);
        m_transitions.paint(painter, area, m_frame, time);
    } else {
        m_transitions.finish();
        painter.drawPixmap(0, 0, m_frame);
    }
    m_painting = false;
    afterPaint(report);
}

void PhoneWindow::afterPaint(const PaintReport& report)
{
    m_lastReport = report;
    bool moving = m_transitions.isActive(now()) || m_scroll.isMoving() || report.animating || (!report.stepping.empty() && m_stepping);
    if (moving) {
        m_frameTimer.setInterval(16);
        if (!m_frameTimer.isActive())
            m_frameTimer.start();
    } else if (report.blinking) {
        m_frameTimer.setInterval(250);
        if (!m_frameTimer.isActive())
            m_frameTimer.start();
    } else {
        m_frameTimer.stop();
    }
    if (!report.eventCells.empty() && !m_secondTimer.isActive())
        m_secondTimer.start();
    else if (report.eventCells.empty())
        m_secondTimer.stop();
    // Native widgets are made and moved after the frame, outside painting.
    if (!report.hosted.empty() || !m_hosted.empty())
        QTimer::singleShot(0, this, &PhoneWindow::syncHostedWidgets);
}

void PhoneWindow::syncHostedWidgets()
{
    std::map<const View*, QRectF> shown;
    for (const auto& [weak, rect] : m_lastReport.hosted) {
        auto view = weak.lock();
        if (!view)
            continue;
        shown[view.get()] = rect;
        auto& hosted = m_hosted[view.get()];
        if (hosted.view.lock() != view || !hosted.widget) {
            delete hosted.widget.data();
            const ViewHandlers* handlers = ViewRegistry::shared().find(*view);
            hosted = { view, handlers && handlers->makeWidget ? handlers->makeWidget(*view, this) : nullptr };
        }
        if (hosted.widget) {
            hosted.widget->setGeometry(rect.toAlignedRect());
            hosted.widget->show();
        }
    }
    for (auto it = m_hosted.begin(); it != m_hosted.end();) {
        if (shown.count(it->first) && !it->second.view.expired()) {
            ++it;
            continue;
        }
        delete it->second.widget.data();
        it = m_hosted.erase(it);
    }
}

void PhoneWindow::frameTick()
{
    double time = now();
    m_scroll.step(time, contentHeights());
    bool stepping = false;
    for (const auto& weak : m_lastReport.stepping) {
        auto view = weak.lock();
        const ViewHandlers* handlers = view ? ViewRegistry::shared().find(*view) : nullptr;
        if (handlers && handlers->step)
            stepping = handlers->step(*view, time) || stepping;
    }
    m_stepping = stepping;
    update();
}

void PhoneWindow::secondTick()
{
    // Event rows count down to their date: the words change as the hours pass.
    for (const auto& weak : m_lastReport.eventCells) {
        auto cell = std::dynamic_pointer_cast<EventCell>(weak.lock());
        if (cell)
            cell->countDownLabel()->setText(EventCell::countDownText(cell->dateLabel()->text(), DateFormat::now()));
    }
    update();
}

void PhoneWindow::busyTick()
{
    // The same source as the text client's `wait`: the HTTP client's requests in flight, for
    // the whole app (the model keeps no count per screen).
    bool waiting = m_client && m_client->inFlight() > 0;
    double time = now();
    if (!waiting)
        m_busySince = -1;
    else if (m_busySince < 0)
        m_busySince = time;
    bool shown = waiting && time - m_busySince >= busyDelay;
    if (shown != m_busyShown) {
        m_busyShown = shown;
        update();
    }
}

bool PhoneWindow::event(QEvent* event)
{
    if (m_input->touch(event))
        return true;
    return QWidget::event(event);
}

void PhoneWindow::mousePressEvent(QMouseEvent* event) { m_input->mouse(event); }
void PhoneWindow::mouseMoveEvent(QMouseEvent* event) { m_input->mouse(event); }
void PhoneWindow::mouseReleaseEvent(QMouseEvent* event) { m_input->mouse(event); }
void PhoneWindow::wheelEvent(QWheelEvent* event) { m_input->wheel(event); }
void PhoneWindow::keyPressEvent(QKeyEvent* event)
{
    if (!m_input->key(event))
        QWidget::keyPressEvent(event);
}

} // namespace quindle::qt
