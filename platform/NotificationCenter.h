#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quindle {

/// In-process broadcast of named notifications without payload. Observers belong to an owner
/// held weakly: once the owner is gone its observers are dropped and never called.
///
/// post() calls the observers on the calling thread, in the order they were registered, with
/// no lock held, so a callback may add or remove observers or post again. Observers added
/// during a post wait for the next one; observers removed during a post are not called by it.
/// While its callback runs, the owner is kept alive.
class NotificationCenter {
public:
    using Callback = std::function<void()>;
    using ObserverID = uint64_t;

    /// The one centre the program's pages share.
    static NotificationCenter& defaultCenter();
    /// A centre of its own (tests, isolated parts).
    static std::shared_ptr<NotificationCenter> create();

    /// Registers a callback for the name; the returned id removes it again. An owner that has
    /// already gone registers nothing (the id is still unique and removes nothing).
    ObserverID addObserver(std::weak_ptr<const void> owner, std::string name, Callback callback);
    /// Removes one observer; unknown ids are ignored.
    void removeObserver(ObserverID id);
    /// Removes every observer of the owner (the address the owner's shared_ptr holds).
    void removeObserver(const void* owner);
    /// Removes the owner's observers of one name.
    void removeObserver(const void* owner, const std::string& name);

    void post(const std::string& name);

    /// Live observers of the name (observers of owners that went away do not count).
    size_t observerCount(const std::string& name) const;

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

private:
    struct Observer {
        ObserverID id;
        std::weak_ptr<const void> owner;
        const void* ownerAddress;
        std::string name;
        std::shared_ptr<const Callback> callback;
    };

    bool isRegistered(ObserverID id) const;
    /// Takes the matching observers out of the list. The caller destroys them after unlocking,
    /// since a callback's captures may call back into the centre when they are destroyed.
    std::vector<Observer> extractLocked(const std::function<bool(const Observer&)>& matches);

    mutable std::mutex m_mutex;
    std::vector<Observer> m_observers;
    ObserverID m_nextID { 1 };
};

} // namespace quindle
