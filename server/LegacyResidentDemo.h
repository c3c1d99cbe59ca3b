#pragma once

#include <cstdint>
#include <string>

namespace quindle {

class LegacyStore;
class Storage;

/// The demo's resident forms for one organisation: each person's profile ("Personnel Details"),
/// a weights chart and a care plan with sub-form, document and meal links and recorded values
/// (the due follow-ups stay on the daily care documents); and the older demo's links pointed
/// at the forms they open.
class LegacyResidentDemo {
public:
    static void seed(LegacyStore& store, Storage& storage, int64_t org, const std::string& user);
};

} // namespace quindle
