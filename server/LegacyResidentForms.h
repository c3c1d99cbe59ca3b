#pragma once

#include "platform/JsonValue.h"
#include "server/LegacyStore.h"

#include <cstdint>

namespace quindle {

class Storage;

/// How the resident form screens name forms: the person's profile form by one fixed id that
/// every organisation shares, and sub-form, document and meal entries by the form they open.
class LegacyResidentForms {
public:
    /// The id the client asks for the profile form by; care-form ids start far above it.
    static constexpr int64_t profileFormID = 231;
    static constexpr const char* profileFormName = "Personnel Details";

    /// The form id a request means: the caller's own "Personnel Details" form for the profile
    /// id (unchanged when the organisation has none), any other id as it is.
    static int64_t resolveFormID(Storage& storage, int64_t id, const LegacyStore::Scope& scope);
    /// An entry list whose "Form", "Document" and "Meal" entries that name a form in their
    /// "val" carry that form's id as "assetID", the id the client opens them by.
    static JsonValue linkEntries(JsonValue entryList);
};

} // namespace quindle
