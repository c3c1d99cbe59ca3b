#pragma once

#include <cstdint>
#include <string>

namespace quindle {

class LegacyStore;

/// Weeks of recorded values for the demo's residents, so the history and its graph have
/// something to show: weights, blood pressure, fluid intake and a daily yes/no, by several carers.
class LegacyHistoryDemo {
public:
    /// The number and yes/no entries these values belong to, added to the care form.
    static void addEntries(LegacyStore& store, int64_t careForm);
    /// Six weeks of values, ending the day before the demo's own latest ones; `resident` varies
    /// the figures from one person to the next, `weight` is where the weights start.
    static void seed(LegacyStore& store, int64_t careDocument, int resident, double weight, const std::string& email);
};

} // namespace quindle
