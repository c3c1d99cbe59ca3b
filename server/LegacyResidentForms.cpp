#include "server/LegacyResidentForms.h"

#include "server/Storage.h"

#include <algorithm>
#include <cctype>

namespace quindle {

int64_t LegacyResidentForms::resolveFormID(Storage& storage, int64_t id, const LegacyStore::Scope& scope)
{
    if (id != profileFormID)
        return id;
    // The caller's own organisation first; root users fall back to any organisation's form.
    auto rows = storage.query("SELECT f.id FROM legacy_forms f JOIN legacy_ids i ON i.id = f.id"
                              " WHERE f.name = ? AND (? OR i.org_id = ?) ORDER BY (i.org_id = ?) DESC, f.id LIMIT 1",
        { std::string(profileFormName), int64_t(scope.everything ? 1 : 0), scope.org, scope.org });
    return rows.empty() ? id : Storage::integer(rows[0][0]);
}

JsonValue LegacyResidentForms::linkEntries(JsonValue entryList)
{
    const JsonObjectPtr& reply = entryList.object();
    const JsonArrayPtr& list = reply ? reply->get("list").array() : nullptr;
    if (!list)
        return entryList;
    for (const JsonValue& item : list->items()) {
        const JsonObjectPtr& entry = item.object();
        if (!entry)
            continue;
        const std::string type = entry->get("type").isString() ? entry->get("type").asString() : std::string {};
        const std::string* form = entry->get("val").string();
        const bool opensForm = type == "Form" || type == "Document" || type == "Meal";
        if (opensForm && form && !form->empty() && std::all_of(form->begin(), form->end(), [](unsigned char c) { return std::isdigit(c); }))
            entry->set("assetID", *form);
    }
    return entryList;
}

} // namespace quindle
