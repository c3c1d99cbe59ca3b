#pragma once

#include <QObject>

#include <atomic>
#include <memory>

namespace quindle::qt {

/// Makes the Qt thread the main queue's main thread and drains the queue from the Qt event loop
/// whenever any thread dispatches, so replies from the HTTP callback thread reach the screens.
class MainQueueBridge : public QObject {
    Q_OBJECT
public:
    /// Call on the thread that runs the Qt event loop.
    explicit MainQueueBridge(QObject* parent = nullptr);
    ~MainQueueBridge() override;

    /// How many times the event loop drained the queue (for tests and diagnostics).
    int drains() const { return m_drains; }

private:
    void drain();
    /// Shared with the wake handler, which may run on another thread after this object goes.
    struct Link {
        std::atomic<MainQueueBridge*> bridge { nullptr };
        std::atomic<bool> posted { false };
    };
    std::shared_ptr<Link> m_link;
    int m_drains { 0 };
};

} // namespace quindle::qt
