#pragma once

#include "server/HistoryChart.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quindle {

class HttpRouter;
class ServerContext;
class Storage;

/// The graph page of the legacy server ("Naked.php?a=DOC", optionally "&key=NAME"): the numbers
/// recorded in a resident document's history, one chart a key.
class LegacyHistory {
public:
    /// Registers "/json/Naked.php"; the legacy tables must exist.
    static void registerRoutes(HttpRouter& server, ServerContext& context);
    /// The "Number" history of the document, one series a key (only `key` when not empty), the
    /// key recorded most often first. Values that are not numbers and bad dates are left out.
    static std::vector<HistoryChart::Series> numberHistory(Storage& storage, int64_t documentId, const std::string& key = {});
};

} // namespace quindle
