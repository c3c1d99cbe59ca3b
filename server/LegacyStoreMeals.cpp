#include "server/LegacyStore.h"

#include "server/Storage.h"

namespace quindle {

JsonValue LegacyStore::allergiesOfPerson(int64_t personId)
{
    auto list = JsonArray::create();
    for (auto& row : m_storage.query("SELECT DISTINCT i.id, i.name FROM legacy_allergies a JOIN legacy_ingredients i ON i.id = a.ingredient_id"
                                     " JOIN legacy_documents d ON d.id = a.document_id WHERE d.person_id = ? ORDER BY i.name, i.id",
             { personId })) {
        auto allergy = JsonObject::create();
        allergy->set("assetID", Storage::text(row[0]));
        allergy->set("name", Storage::text(row[1]));
        list->push_back(allergy);
    }
    auto reply = JsonObject::create();
    reply->set("list", list);
    return reply;
}

JsonValue LegacyStore::ordersOf(int64_t personId)
{
    auto list = JsonArray::create();
    for (auto& row : m_storage.query("SELECT o.menu, o.order_date, o.dish_id, d.name FROM legacy_orders o JOIN legacy_dishes d ON d.id = o.dish_id"
                                     " WHERE o.person_id = ? ORDER BY o.order_date DESC, o.id DESC",
             { personId })) {
        auto order = JsonObject::create();
        order->set("menu", Storage::text(row[0]));
        order->set("date", Storage::text(row[1]));
        order->set("dish", Storage::text(row[2]));
        order->set("name", Storage::text(row[3]));
        list->push_back(order);
    }
    auto reply = JsonObject::create();
    reply->set("list", list);
    return reply;
}

} // namespace quindle
