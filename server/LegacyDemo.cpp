#include "server/LegacyDemo.h"

#include "server/LegacyStore.h"

namespace quindle {

namespace {

JsonValue entry(std::initializer_list<std::pair<const char*, const char*>> fields)
{
    auto object = JsonObject::create();
    for (auto& [key, value] : fields)
        object->set(key, value);
    return object;
}

} // namespace

bool LegacyDemo::seed(Storage& storage)
{
    LegacyStore store(storage);
    store.migrate();
    bool seeded = false;
    storage.transaction([&] {
        if (store.count("legacy_people") > 0)
            return;
        const int64_t care = store.addForm("Daily care");
        store.addEntryFull(care, entry({ { "name", "Weight" }, { "type", "Number" } }));
        store.addEntryFull(care, entry({ { "name", "Height" }, { "type", "Number" } }));
        store.addEntryFull(care, entry({ { "name", "BMI" }, { "type", "Derived" }, { "val", "{Weight}/(({Height}/100)*({Height}/100))" } }));
        store.addEntryFull(care, entry({ { "name", "Ate breakfast" }, { "type", "Bool" } }));
        store.addEntryFull(care, entry({ { "name", "Mood" }, { "type", "Select" }, { "val", "Happy,Calm,Anxious,Low" } }));
        store.addEntryFull(care, entry({ { "name", "Notes" }, { "type", "Text" } }));
        store.addEntryFull(care, entry({ { "name", "Underweight" }, { "type", "Conditional" }, { "val", "{BMI} < 18.5" },
                                          { "title", "Yes" }, { "nTrigger", "Dietician referral" } }));
        store.addEntryFull(care, entry({ { "name", "Weight check" }, { "type", "Derived" }, { "val", "{Weight} - 2" },
                                          { "title", "6" }, { "nTrigger", "Expected weight" } }));
        store.addEntryFull(care, entry({ { "name", "Weight loss" }, { "type", "Action" }, { "title", "{Weight} < 50" },
                                          { "nTrigger", "{Weight}" } }));
        const int64_t meals = store.addForm("Meals");
        store.addEntryFull(meals, entry({ { "name", "Lunch" }, { "type", "Meal" } }));
        store.addEntryFull(meals, entry({ { "name", "Fluids (ml)" }, { "type", "Number" } }));
        auto mealPlan = JsonObject::create();
        mealPlan->set("name", "Meal plan");
        mealPlan->set("type", "Form");
        mealPlan->set("url", "/json/start.php");
        store.addEntryFull(care, mealPlan);

        const int64_t pager = store.addDevice("Nurse station pager");
        store.addDevice("Night shift phone");
        (void)pager;

        const int64_t gluten = store.addIngredient("Gluten");
        const int64_t milk = store.addIngredient("Milk");
        const int64_t egg = store.addIngredient("Egg");
        const int64_t nuts = store.addIngredient("Peanuts");
        const int64_t fish = store.addIngredient("Fish");
        store.addDish(meals, "Fish pie", { fish, milk });
        store.addDish(meals, "Vegetable curry", {});
        store.addDish(meals, "Egg salad sandwich", { egg, gluten });
        store.addDish(meals, "Peanut noodles", { nuts, gluten });

        struct Resident {
            const char* name;
            const char* weights[3];
            const char* height;
        };
        const Resident residents[] = {
            { "Margaret Hill", { "61", "60.5", "59" }, "162" },
            { "Arthur Penrose", { "78", "79", "80.5" }, "175" },
        };
        const char* days[] = { "2026-11-30 09:00:00", "2026-12-02 09:15:00", "2026-12-04 08:45:00" };
        bool first = true;
        for (const Resident& resident : residents) {
            const int64_t person = store.addPerson(resident.name);
            const int64_t careDoc = store.addDocument(person, care);
            store.addDocument(person, meals);
            store.recordDocumentValue(careDoc, "Height", resident.height, "Number", "demo@quindle.example", days[0]);
            for (int i = 0; i < 3; ++i) {
                store.recordDocumentValue(careDoc, "Weight", resident.weights[i], "Number", "demo@quindle.example", days[i]);
                store.recordDocumentValue(careDoc, "Ate breakfast", i == 1 ? "0" : "1", "Bool", "demo@quindle.example", days[i]);
            }
            store.recordDocumentValue(careDoc, "Notes", first ? "Prefers tea without sugar" : "Walks with a frame", "Text",
                "demo@quindle.example", days[2]);
            store.addActionRecord(careDoc, "Weight follow-up", "{Weight} < 60", "2026-12-05 10:00:00", std::nullopt,
                first ? "Weigh Margaret again" : "Check Arthur's fluids");
            store.setAllergy(careDoc, first ? nuts : milk, true);
            first = false;
        }
        seeded = true;
    });
    return seeded;
}

} // namespace quindle
