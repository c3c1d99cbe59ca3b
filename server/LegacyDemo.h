#pragma once

namespace quindle {

class Storage;

/// Seeds the legacy server's demo for each of the demo's two organisations (the accounts that
/// ContentDemo::seed makes, so it runs after that): two residents with form documents, recorded
/// history, overdue follow-ups, devices, ingredients, allergies and a menu. Runs once per
/// organisation; later calls change nothing.
class LegacyDemo {
public:
    /// Returns true when it seeded, false when the data was already there.
    static bool seed(Storage& storage);
};

} // namespace quindle
