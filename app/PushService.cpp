#include "app/PushService.h"

#include <cstdio>
#include <random>

namespace quindle {

std::shared_ptr<LocalPushService> LocalPushService::create(NotificationSettings settings, std::string vendorIdentifier)
{
    if (vendorIdentifier.empty())
        vendorIdentifier = makeUUID();
    return std::shared_ptr<LocalPushService>(new LocalPushService(settings, std::move(vendorIdentifier)));
}

LocalPushService::LocalPushService(NotificationSettings settings, std::string vendorIdentifier)
    : m_settings(settings)
    , m_vendorIdentifier(std::move(vendorIdentifier))
{
}

void LocalPushService::registerUserNotificationSettings(unsigned types)
{
    record("settings " + std::to_string(types));
}

void LocalPushService::registerForRemoteNotifications()
{
    record("remote");
}

void LocalPushService::registerForRemoteNotificationTypes(unsigned types)
{
    record("types " + std::to_string(types));
}

std::vector<std::string> LocalPushService::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void LocalPushService::record(std::string call)
{
    std::lock_guard lock(m_mutex);
    m_calls.push_back(std::move(call));
}

std::string LocalPushService::makeUUID()
{
    std::random_device device;
    std::mt19937_64 generator((uint64_t(device()) << 32) ^ device());
    uint64_t high = generator();
    uint64_t low = generator();
    high = (high & ~0xF000ull) | 0x4000ull;                    // version 4
    low = (low & ~(0xC000ull << 48)) | (0x8000ull << 48);       // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%04X-%012llX", unsigned(high >> 32), unsigned((high >> 16) & 0xFFFF),
        unsigned(high & 0xFFFF), unsigned(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}

} // namespace quindle
