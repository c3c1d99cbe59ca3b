#pragma once

namespace quindle {

class ServerContext;

/// Seeds the content server's demo organisation, owned by the demo account: a published site
/// whose tabs use every item type (styled texts, inputs, pictures, a carousel page, dated events,
/// a video, a form page with its send control, a document with computed and conditional
/// entries, a button) and a trash holding one deleted item. A second organisation, with its own
/// account and a small unpublished site, shows that one organisation's care data is walled off
/// from another's.
class ContentDemo {
public:
    /// Login of the demo's second organisation.
    static constexpr const char* secondEmail = "office@larchwood.example";
    static constexpr const char* secondPassword = "larchwood-demo";
    static constexpr const char* secondCompany = "Larchwood House";

    /// Returns true when it seeded, false when the demo was already there (nothing changes).
    /// Each organisation is seeded on its own, so a database seeded before the second one existed
    /// gains it.
    static bool seed(ServerContext& context);
};

} // namespace quindle
