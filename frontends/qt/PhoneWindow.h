#pragma once

#include "frontends/qt/ContentPainter.h"
#include "frontends/qt/Scene.h"
#include "frontends/qt/ScrollState.h"
#include "frontends/qt/Transitions.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>

namespace quindle {
class HttpClient;
}

namespace quindle::qt {

class InputRouter;

/// The phone: a window of the ui model painted in points (Qt scales for high-DPI screens). It
/// observes the model's window and repaints on every change; input goes back into the same
/// objects the text client drives.
class PhoneWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize defaultSize { 390, 844 };
    /// How long the server may be waited for before the busy spinner shows, in seconds.
    static constexpr double busyDelay = 0.3;

    /// Becomes the window's observer; one already set keeps hearing every change through this one.
    explicit PhoneWindow(std::shared_ptr<Window> window, QWidget* parent = nullptr);
    ~PhoneWindow() override;

    const std::shared_ptr<Window>& window() const { return m_window; }
    /// The client whose requests in flight decide the busy spinner; none shows no spinner.
    void setHttpClient(std::shared_ptr<HttpClient> client) { m_client = std::move(client); }

    /// What the last frame showed, laid out again for the current state.
    Scene currentScene();
    /// Where a table's row was last drawn, in window points; empty when it was not.
    QRectF rowRect(const TableView& table, IndexPath path) const;
    /// Ends running transitions and flicks at once, so a picture shows the settled screen.
    void finishAnimations();
    bool isBusyShown() const { return m_busyShown; }
    /// Registered views are stepped again from the next frame (after input they took).
    void wakeFrames();
    bool isAnimating() const;
    /// Seconds since the window was made: the clock of every animation.
    double now() const { return static_cast<double>(m_clock.nsecsElapsed()) / 1e9; }

    ContentPainter& contentPainter() { return m_content; }
    ScrollState& scrollState() { return m_scroll; }
    std::map<const TableView*, double> contentHeights() const;

protected:
    void paintEvent(QPaintEvent*) override;
    bool event(QEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    class Observer;
    friend class Observer;
    void modelChanged();
    void tableChanged(const TableView& table, RowChange change, const std::vector<IndexPath>& rows, RowAnimation animation);
    void controllerChanged(const ViewController& controller, ControllerChange change, Animated animated);
    void alertChanged(const AlertView& alert, AlertChange change);
    void paintScene(QPainter& painter, const Scene& scene, PaintReport& report);
    void afterPaint(const PaintReport& report);
    void syncHostedWidgets();
    void frameTick();
    void secondTick();
    void busyTick();

    std::shared_ptr<Window> m_window;
    std::shared_ptr<Observer> m_observer;
    std::shared_ptr<HttpClient> m_client;
    std::unique_ptr<InputRouter> m_input;
    ContentPainter m_content;
    ScrollState m_scroll;
    Transitions m_transitions;
    Scene m_scene;
    QPixmap m_frame;
    QElapsedTimer m_clock;
    QTimer m_frameTimer;
    QTimer m_secondTimer;
    QTimer m_busyTimer;
    bool m_painting { false };
    bool m_busyShown { false };
    double m_busySince { -1 };
    /// Whether registered views asked for more frames (true until their step says otherwise).
    bool m_stepping { true };
    PaintReport m_lastReport;
    struct StackSize {
        std::weak_ptr<const ViewController> stack;
        size_t size { 0 };
    };
    /// How deep each stack was, to tell a push from a pop.
    std::map<const NavigationController*, StackSize> m_stackSizes;
    struct Hosted {
        std::weak_ptr<View> view;
        QPointer<QWidget> widget;
    };
    std::map<const View*, Hosted> m_hosted;
};

} // namespace quindle::qt
