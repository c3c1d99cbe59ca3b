#include "platform/NotificationCenter.h"

#include <algorithm>
#include <iterator>

namespace quindle {

NotificationCenter& NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

std::shared_ptr<NotificationCenter> NotificationCenter::create()
{
    return std::make_shared<NotificationCenter>();
}

NotificationCenter::ObserverID NotificationCenter::addObserver(std::weak_ptr<const void> owner, std::string name,
    Callback callback)
{
    auto alive = owner.lock();
    std::vector<Observer> dropped;
    std::lock_guard lock(m_mutex);
    ObserverID id = m_nextID++;
    if (!alive || !callback)
        return id;
    dropped = extractLocked([](const Observer& o) { return o.owner.expired(); });
    m_observers.push_back(Observer { id, std::move(owner), alive.get(), std::move(name),
        std::make_shared<const Callback>(std::move(callback)) });
    return id;
}

void NotificationCenter::removeObserver(ObserverID id)
{
    std::vector<Observer> removed;
    std::lock_guard lock(m_mutex);
    removed = extractLocked([&](const Observer& o) { return o.id == id; });
}

void NotificationCenter::removeObserver(const void* owner)
{
    std::vector<Observer> removed;
    std::lock_guard lock(m_mutex);
    removed = extractLocked([&](const Observer& o) { return o.ownerAddress == owner; });
}

void NotificationCenter::removeObserver(const void* owner, const std::string& name)
{
    std::vector<Observer> removed;
    std::lock_guard lock(m_mutex);
    removed = extractLocked([&](const Observer& o) { return o.ownerAddress == owner && o.name == name; });
}

void NotificationCenter::post(const std::string& name)
{
    struct Call {
        ObserverID id;
        std::weak_ptr<const void> owner;
        std::shared_ptr<const Callback> callback;
    };
    std::vector<Call> calls;
    std::vector<Observer> dropped;
    {
        std::lock_guard lock(m_mutex);
        dropped = extractLocked([](const Observer& o) { return o.owner.expired(); });
        for (const auto& observer : m_observers) {
            if (observer.name == name)
                calls.push_back(Call { observer.id, observer.owner, observer.callback });
        }
    }
    for (auto& call : calls) {
        // An earlier callback may have removed this observer or released its owner.
        auto owner = call.owner.lock();
        if (!owner || !isRegistered(call.id))
            continue;
        (*call.callback)();
    }
}

size_t NotificationCenter::observerCount(const std::string& name) const
{
    std::lock_guard lock(m_mutex);
    return static_cast<size_t>(std::count_if(m_observers.begin(), m_observers.end(),
        [&](const Observer& o) { return o.name == name && !o.owner.expired(); }));
}

bool NotificationCenter::isRegistered(ObserverID id) const
{
    std::lock_guard lock(m_mutex);
    return std::any_of(m_observers.begin(), m_observers.end(), [&](const Observer& o) { return o.id == id; });
}

std::vector<NotificationCenter::Observer> NotificationCenter::extractLocked(
    const std::function<bool(const Observer&)>& matches)
{
    std::vector<Observer> extracted;
    auto kept = std::stable_partition(m_observers.begin(), m_observers.end(),
        [&](const Observer& o) { return !matches(o); });
    std::move(kept, m_observers.end(), std::back_inserter(extracted));
    m_observers.erase(kept, m_observers.end());
    return extracted;
}

} // namespace quindle
