#include "server/LegacyHistory.h"

#include "server/HttpRouter.h"
#include "server/LegacyApi.h"
#include "server/LegacyStore.h"
#include "server/ServerContext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

namespace quindle {

std::vector<HistoryChart::Series> LegacyHistory::numberHistory(Storage& storage, int64_t documentId, const std::string& key)
{
    std::vector<SqlRow> rows = key.empty()
        ? storage.query("SELECT name, modified, val FROM legacy_history WHERE document_id = ? AND type = 'Number'"
                        " ORDER BY modified, id", { documentId })
        : storage.query("SELECT name, modified, val FROM legacy_history WHERE document_id = ? AND type = 'Number' AND name = ?"
                        " ORDER BY modified, id", { documentId, key });
    std::map<std::string, size_t> index;
    std::vector<HistoryChart::Series> series;
    for (const SqlRow& row : rows) {
        int64_t seconds = 0;
        if (!HistoryChart::parseDate(Storage::text(row[1]), seconds))
            continue;
        const std::string value = Storage::text(row[2]);
        char* end = nullptr;
        const double number = std::strtod(value.c_str(), &end);
        if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(number))
            continue;
        const std::string name = Storage::text(row[0]);
        auto [it, fresh] = index.try_emplace(name, series.size());
        if (fresh)
            series.push_back({ name, {} });
        series[it->second].points.push_back({ seconds, number });
    }
    std::stable_sort(series.begin(), series.end(), [](const auto& a, const auto& b) {
        return a.points.size() != b.points.size() ? a.points.size() > b.points.size() : a.name < b.name;
    });
    return series;
}

void LegacyHistory::registerRoutes(HttpRouter& server, ServerContext& context)
{
    auto store = std::make_shared<LegacyStore>(context.storage);
    ServerContext* ctx = &context;
    server.get("/json/Naked.php", [store, ctx](const ServerRequest& req, ServerResponse& res) {
        auto user = ctx->caller(req);
        if (!user)
            return ctx->sendError(res, 401, "not logged in");
        try {
            const int64_t id = ServerContext::requireId(req, "a");
            const std::string key = ServerContext::optionalText(req, "key", LegacyApi::maxTextLength).value_or("");
            // Another organisation's document answers as an unknown one.
            if (store->kindOf(id, { user->id, user->isRoot }) != LegacyStore::Kind::Document)
                return ctx->sendError(res, 404, "unknown id");
            res.setContent(HistoryChart::page(numberHistory(ctx->storage, id, key), key), "text/html; charset=utf-8");
        } catch (const BadRequest& bad) {
            ctx->sendError(res, bad.status, bad.message);
        } catch (const StorageError&) {
            ctx->sendError(res, 503, "storage unavailable");
        }
    });
}

} // namespace quindle
