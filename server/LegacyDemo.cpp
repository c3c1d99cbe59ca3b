#include "server/LegacyDemo.h"

#include "server/Accounts.h"
#include "server/ContentDemo.h"
#include "server/LegacyCareActions.h"
#include "server/LegacyHistoryDemo.h"
#include "server/LegacyResidentDemo.h"
#include "server/LegacyStore.h"
#include "server/QuindleServer.h"

namespace quindle {

namespace {

JsonValue entry(std::initializer_list<std::pair<const char*, const char*>> fields)
{
    auto object = JsonObject::create();
    for (auto& [key, value] : fields)
        object->set(key, value);
    return object;
}

struct Resident {
    const char* name;
    const char* weights[3];
    const char* height;
    const char* note;
    const char* followUp;
};

/// What differs between the demo's organisations.
struct Home {
    const char* email;
    Resident residents[2];
    const char* devices[2];
    const char* ingredients[5]; ///< the dishes use them in this order: fish, milk, egg, nuts, gluten
    const char* dishes[4];
};

const Home homes[] = {
    { QuindleServer::demoEmail,
        { { "Margaret Hill", { "61", "60.5", "59" }, "162", "Prefers tea without sugar", "Weigh Margaret again" },
            { "Arthur Penrose", { "78", "79", "80.5" }, "175", "Walks with a frame", "Check Arthur's fluids" } },
        { "Nurse station pager", "Night shift phone" }, { "Fish", "Milk", "Egg", "Peanuts", "Gluten" },
        { "Fish pie", "Vegetable curry", "Egg salad sandwich", "Peanut noodles" } },
    { ContentDemo::secondEmail,
        { { "Edith Marsh", { "55", "54", "54.5" }, "158", "Likes the window seat", "Weigh Edith after lunch" },
            { "Walter Quinn", { "82", "81", "80" }, "180", "Hard of hearing on the left", "Check Walter's blood pressure" } },
        { "Larchwood front desk", "Larchwood night phone" }, { "Salmon", "Cream", "Eggs", "Almonds", "Wheat" },
        { "Salmon bake", "Lentil soup", "Omelette", "Almond tart" } },
};

void seedHome(LegacyStore& store, int64_t org, const Home& home)
{
    const int64_t care = store.addForm("Daily care", org);
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
    const int64_t meals = store.addForm("Meals", org);
    store.addEntryFull(meals, entry({ { "name", "Lunch" }, { "type", "Meal" } }));
    store.addEntryFull(meals, entry({ { "name", "Fluids (ml)" }, { "type", "Number" } }));
    auto mealPlan = JsonObject::create();
    mealPlan->set("name", "Meal plan");
    mealPlan->set("type", "Form");
    mealPlan->set("url", "/json/start.php");
    store.addEntryFull(care, mealPlan);
    LegacyHistoryDemo::addEntries(store, care);

    for (const char* device : home.devices)
        store.addDevice(device, org);

    int64_t ingredient[5];
    for (int i = 0; i < 5; ++i)
        ingredient[i] = store.addIngredient(home.ingredients[i], org);
    const int64_t fish = ingredient[0], milk = ingredient[1], egg = ingredient[2], nuts = ingredient[3], gluten = ingredient[4];
    store.addDish(meals, home.dishes[0], { fish, milk });
    store.addDish(meals, home.dishes[1], {});
    store.addDish(meals, home.dishes[2], { egg, gluten });
    store.addDish(meals, home.dishes[3], { nuts, gluten });

    const char* days[] = { "2026-11-30 09:00:00", "2026-12-02 09:15:00", "2026-12-04 08:45:00" };
    bool first = true;
    for (const Resident& resident : home.residents) {
        const int64_t person = store.addPerson(resident.name, org);
        const int64_t careDoc = store.addDocument(person, care);
        const int64_t mealsDoc = store.addDocument(person, meals);
        LegacyHistoryDemo::seed(store, careDoc, first ? 0 : 1, std::stod(resident.weights[0]) + 1.5, home.email);
        store.recordDocumentValue(careDoc, "Height", resident.height, "Number", home.email, days[0]);
        for (int i = 0; i < 3; ++i) {
            store.recordDocumentValue(careDoc, "Weight", resident.weights[i], "Number", home.email, days[i]);
            store.recordDocumentValue(careDoc, "Ate breakfast", i == 1 ? "0" : "1", "Bool", home.email, days[i]);
        }
        store.recordDocumentValue(careDoc, "Notes", resident.note, "Text", home.email, days[2]);
        store.addActionRecord(careDoc, "Weight follow-up", "{Weight} < 60", "2026-12-05 10:00:00", std::nullopt, resident.followUp);
        LegacyCareActions::seedFollowups(store, mealsDoc, org, resident.name);
        store.setAllergy(careDoc, first ? nuts : milk, true);
        first = false;
    }
}

} // namespace

bool LegacyDemo::seed(Storage& storage)
{
    LegacyStore store(storage);
    store.migrate();
    Accounts accounts(storage);
    bool seeded = false;
    storage.transaction([&] {
        for (const Home& home : homes) {
            // The organisation is the account ContentDemo made; without it there is no one to own the data.
            auto org = accounts.idOf(home.email);
            if (!org || store.peopleOf(*org) > 0)
                continue;
            seedHome(store, *org, home);
            LegacyResidentDemo::seed(store, storage, *org, home.email);
            seeded = true;
        }
    });
    return seeded;
}

} // namespace quindle
