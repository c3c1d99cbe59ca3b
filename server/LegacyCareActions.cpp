#include "server/LegacyCareActions.h"

#include "server/LegacyStore.h"
#include "server/Storage.h"

#include <string>

namespace quindle {

std::optional<int64_t> LegacyCareActions::actionRecordFor(Storage& storage, int64_t id)
{
    auto own = storage.query("SELECT id FROM legacy_records WHERE id = ? AND type = 'Action'", { id });
    if (!own.empty())
        return id;
    auto first = storage.query("SELECT id FROM legacy_records WHERE document_id = ? AND type = 'Action' ORDER BY id LIMIT 1", { id });
    if (first.empty())
        return std::nullopt;
    return Storage::integer(first[0][0]);
}

void LegacyCareActions::seedFollowups(LegacyStore& store, int64_t documentId, int64_t userId, const char* residentName)
{
    const std::string name = residentName;
    store.addActionRecord(documentId, "Care plan review", "1 > 0", "2030-01-15 09:00:00", std::nullopt, "Review " + name + "'s care plan");
    store.addActionRecord(documentId, "Family call", "1 > 0", "2026-12-06 16:30:00", userId, "Call " + name + "'s family back");
}

} // namespace quindle
