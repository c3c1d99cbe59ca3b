#include "server/LegacyResidentDemo.h"

#include "server/LegacyResidentForms.h"
#include "server/LegacyStore.h"
#include "server/Storage.h"

#include <initializer_list>
#include <utility>
#include <vector>

namespace quindle {

namespace {

JsonValue entry(std::initializer_list<std::pair<const char*, std::string>> fields)
{
    auto object = JsonObject::create();
    for (auto& [key, value] : fields)
        object->set(key, value);
    return object;
}

struct Profile {
    const char* born;
    const char* room;
    const char* gender;
    const char* kin;
    const char* walkingAid;
    const char* weights[3];
    const char* height;
    const char* pain;
    const char* mobility;
    const char* notes;
};

const Profile profiles[] = {
    { "1938-04-12", "Room 4", "Female", "Susan Hill (daughter) 07700 900123", "1", { "52", "51", "50" }, "162", "7", "With frame",
        "Prefers a wash before breakfast" },
    { "1941-09-30", "Room 9", "Male", "Peter Penrose (son) 07700 900456", "0", { "78", "78.5", "79" }, "175", "2", "Independent",
        "Likes the radio on at night" },
};

int64_t formNamed(Storage& storage, int64_t org, const char* name)
{
    auto rows = storage.query("SELECT f.id FROM legacy_forms f JOIN legacy_ids i ON i.id = f.id WHERE i.org_id = ? AND f.name = ?"
                              " ORDER BY f.id LIMIT 1",
        { org, std::string(name) });
    return rows.empty() ? 0 : Storage::integer(rows[0][0]);
}

} // namespace

void LegacyResidentDemo::seed(LegacyStore& store, Storage& storage, int64_t org, const std::string& user)
{
    const int64_t meals = formNamed(storage, org, "Meals");
    // The older demo's meal and sub-form links open the meals form.
    if (meals)
        storage.execute("UPDATE legacy_entries SET val = ? WHERE type IN ('Meal', 'Form') AND val IS NULL"
                        " AND form_id IN (SELECT id FROM legacy_ids WHERE org_id = ? AND kind = 'form')",
            { std::to_string(meals), org });

    const int64_t profile = store.addForm(LegacyResidentForms::profileFormName, org);
    store.addEntryFull(profile, entry({ { "name", "Date of birth" }, { "type", "Text" } }));
    store.addEntryFull(profile, entry({ { "name", "Room" }, { "type", "Text" } }));
    store.addEntryFull(profile, entry({ { "name", "Gender" }, { "type", "Select" }, { "val", "Female:F\r\nMale:M\r\nOther" } }));
    store.addEntryFull(profile, entry({ { "name", "Next of kin" }, { "type", "Text" } }));
    store.addEntryFull(profile, entry({ { "name", "Uses a walking aid" }, { "type", "Bool" } }));
    store.addEntryFull(profile, entry({ { "name", "Photo" }, { "type", "Image" } }));

    const int64_t weights = store.addForm("Weights chart", org);
    store.addEntryFull(weights, entry({ { "name", "Weight" }, { "type", "Number" } }));
    store.addEntryFull(weights, entry({ { "name", "Height" }, { "type", "Number" } }));
    store.addEntryFull(weights, entry({ { "name", "BMI" }, { "type", "Derived" }, { "val", "Weight / ((Height / 100) * (Height / 100))" } }));
    store.addEntryFull(weights, entry({ { "name", "Low BMI" }, { "type", "Conditional" }, { "val", "BMI < 18.5" },
                                        { "title", "Refer to dietician" }, { "nTrigger", "Dietician" } }));
    store.addEntryFull(weights, entry({ { "name", "Weigh again" }, { "type", "Derived" }, { "val", "Weight - 1" }, { "title", "7" },
                                        { "nTrigger", "Expected weight" } }));

    const int64_t plan = store.addForm("Care plan", org);
    store.addEntryFull(plan, entry({ { "name", "Sleeps well" }, { "type", "Bool" } }));
    store.addEntryFull(plan, entry({ { "name", "Mobility" }, { "type", "Select" }, { "val", "Independent\nWith frame\nWheelchair" } }));
    store.addEntryFull(plan, entry({ { "name", "Pain score" }, { "type", "Number" } }));
    store.addEntryFull(plan, entry({ { "name", "High pain" }, { "type", "Conditional" }, { "val", "Pain score > 6" }, { "title", "Tell the nurse" },
                                     { "nTrigger", "Nurse alert" } }));
    store.addEntryFull(plan, entry({ { "name", "Care notes" }, { "type", "Text" } }));
    store.addEntryFull(plan, entry({ { "name", "Weights chart" }, { "type", "Form" }, { "url", "/json/start.php" }, { "val", std::to_string(weights) } }));
    store.addEntryFull(plan, entry({ { "name", "Personnel Details" }, { "type", "Document" }, { "url", "/json/start.php" },
                                     { "val", std::to_string(profile) } }));
    if (meals)
        store.addEntryFull(plan, entry({ { "name", "Lunch" }, { "type", "Meal" }, { "val", std::to_string(meals) } }));

    const char* days[] = { "2026-11-30 09:00:00", "2026-12-02 09:15:00", "2026-12-04 08:45:00" };
    auto people = storage.query("SELECT p.id FROM legacy_people p JOIN legacy_ids i ON i.id = p.id WHERE i.org_id = ? ORDER BY p.id", { org });
    for (size_t n = 0; n < people.size(); ++n) {
        const Profile& about = profiles[n % std::size(profiles)];
        const int64_t person = Storage::integer(people[n][0]);
        const int64_t details = store.addDocument(person, profile);
        store.recordDocumentValue(details, "Date of birth", about.born, "Text", user, days[0]);
        store.recordDocumentValue(details, "Room", about.room, "Text", user, days[0]);
        store.recordDocumentValue(details, "Gender", about.gender, "Select", user, days[0]);
        store.recordDocumentValue(details, "Next of kin", about.kin, "Text", user, days[0]);
        store.recordDocumentValue(details, "Uses a walking aid", about.walkingAid, "Bool", user, days[0]);

        const int64_t chart = store.addDocument(person, weights);
        store.recordDocumentValue(chart, "Height", about.height, "Number", user, days[0]);
        for (int i = 0; i < 3; ++i)
            store.recordDocumentValue(chart, "Weight", about.weights[i], "Number", user, days[i]);

        const int64_t care = store.addDocument(person, plan);
        store.recordDocumentValue(care, "Sleeps well", n % 2 ? "1" : "0", "Bool", user, days[1]);
        store.recordDocumentValue(care, "Mobility", about.mobility, "Select", user, days[1]);
        store.recordDocumentValue(care, "Pain score", about.pain, "Number", user, days[2]);
        store.recordDocumentValue(care, "Care notes", about.notes, "Text", user, days[2]);
    }
}

} // namespace quindle
