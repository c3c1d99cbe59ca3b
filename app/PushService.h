#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quindle {

/// Kinds of notification the user may allow, combined as a bit set.
namespace NotificationType {
inline constexpr unsigned None = 0;
inline constexpr unsigned Badge = 1;
inline constexpr unsigned Sound = 2;
inline constexpr unsigned Alert = 4;
} // namespace NotificationType

/// What a background notification handler reports to the platform.
enum class BackgroundFetchResult { NewData, NoData, Failed };

/// The platform's push service: registration calls and the per-vendor device identifier. Its
/// answers (the granted types, the device token, payloads) come back through the app delegate.
class PushService {
public:
    virtual ~PushService() = default;

    /// Whether the newer registration (settings, then remote notifications) is offered.
    virtual bool offersUserNotificationSettings() const = 0;
    /// Asks the user to allow these types (no categories).
    virtual void registerUserNotificationSettings(unsigned types) = 0;
    virtual void registerForRemoteNotifications() = 0;
    /// The older registration, in one call.
    virtual void registerForRemoteNotificationTypes(unsigned types) = 0;
    /// This device's identifier for our vendor, as a textual UUID.
    virtual std::string identifierForVendor() const = 0;
};

/// Whether a LocalPushService offers the newer registration.
enum class NotificationSettings { Offered, NotOffered };

/// A push service without a platform behind it: records the registration calls, and hands out
/// one UUID for its whole life. The text client and tests deliver the callbacks themselves.
class LocalPushService : public PushService {
public:
    /// An empty `vendorIdentifier` makes a random version-4 UUID.
    static std::shared_ptr<LocalPushService> create(NotificationSettings settings = NotificationSettings::Offered,
        std::string vendorIdentifier = {});

    bool offersUserNotificationSettings() const override { return m_settings == NotificationSettings::Offered; }
    void registerUserNotificationSettings(unsigned types) override;
    void registerForRemoteNotifications() override;
    void registerForRemoteNotificationTypes(unsigned types) override;
    std::string identifierForVendor() const override { return m_vendorIdentifier; }

    /// The calls received, in order, as text: "settings 7", "remote", "types 7".
    std::vector<std::string> calls() const;

    /// A random version-4 UUID in upper-case textual form.
    static std::string makeUUID();

private:
    LocalPushService(NotificationSettings settings, std::string vendorIdentifier);
    void record(std::string call);

    NotificationSettings m_settings;
    std::string m_vendorIdentifier;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

} // namespace quindle
