#pragma once

#include <cstdint>
#include <optional>

namespace quindle {

class LegacyStore;
class Storage;

/// The follow-ups of the care screens: which action record a request names, and the demo's
/// follow-ups beyond the one each resident starts with.
class LegacyCareActions {
public:
    /// The action record `id` names: itself for an action record, the first action record of a
    /// resident document (the action screen names the person's document); none otherwise.
    static std::optional<int64_t> actionRecordFor(Storage& storage, int64_t id);
    /// For a seeded document: a follow-up due in the future (not overdue yet) and an overdue
    /// one that belongs to `userId` alone.
    static void seedFollowups(LegacyStore& store, int64_t documentId, int64_t userId, const char* residentName);
};

} // namespace quindle
