#include "frontends/qt/MainQueueBridge.h"

#include "platform/MainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace quindle::qt {

MainQueueBridge::MainQueueBridge(QObject* parent)
    : QObject(parent)
    , m_link(std::make_shared<Link>())
{
    m_link->bridge = this;
    MainQueue& queue = MainQueue::shared();
    queue.makeCurrentThreadMain();
    std::weak_ptr<Link> weak = m_link;
    queue.setWakeHandler([weak] {
        auto link = weak.lock();
        if (!link)
            return;
        // One queued drain at a time: a burst of dispatches wakes the loop once.
        if (link->posted.exchange(true))
            return;
        if (MainQueueBridge* bridge = link->bridge.load())
            QMetaObject::invokeMethod(bridge, [bridge] { bridge->drain(); }, Qt::QueuedConnection);
    });
    // Work queued before the bridge existed runs once the loop starts.
    if (queue.pending() > 0) {
        m_link->posted = true;
        QMetaObject::invokeMethod(this, [this] { drain(); }, Qt::QueuedConnection);
    }
}

MainQueueBridge::~MainQueueBridge()
{
    m_link->bridge = nullptr;
    MainQueue::shared().setWakeHandler(nullptr);
}

void MainQueueBridge::drain()
{
    // Cleared first, so a dispatch made while draining posts another drain.
    m_link->posted = false;
    ++m_drains;
    MainQueue::shared().runUntilIdle();
}

} // namespace quindle::qt
