#pragma once

namespace quindle {

class Storage;

/// Seeds the legacy server's demo: two residents with form documents, recorded history, overdue
/// follow-ups, devices, ingredients, allergies and a menu. Runs once; later calls change nothing.
class LegacyDemo {
public:
    /// Returns true when it seeded, false when the data was already there.
    static bool seed(Storage& storage);
};

} // namespace quindle
