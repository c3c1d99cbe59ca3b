#pragma once

namespace quindle {

class ServerContext;

/// Seeds the content server's demo organisation, owned by the demo account: a published site
/// whose tabs use every item type (styled texts, inputs, pictures, a carousel page, dated events,
/// a video, a form page with its send control, a document with computed and conditional
/// entries, a button) and a trash holding one deleted item.
class ContentDemo {
public:
    /// Returns true when it seeded, false when the demo was already there (nothing changes).
    static bool seed(ServerContext& context);
};

} // namespace quindle
