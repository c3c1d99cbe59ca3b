#include "server/LegacyHistoryDemo.h"

#include "server/HistoryChart.h"
#include "server/LegacyStore.h"

#include <cmath>
#include <cstdio>

namespace quindle {

namespace {

std::string number(double value, int decimals)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string at(int64_t seconds)
{
    const int64_t inDay = ((seconds % 86400) + 86400) % 86400;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, " %02d:%02d:%02d", int(inDay / 3600), int(inDay % 3600 / 60), int(inDay % 60));
    return HistoryChart::dayText(seconds) + buffer;
}

/// A small repeatable wobble in [-1, 1], so each demo run shows the same figures.
struct Wobble {
    uint32_t state;
    double next()
    {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / double(1u << 24) * 2.0 - 1.0;
    }
};

} // namespace

void LegacyHistoryDemo::addEntries(LegacyStore& store, int64_t careForm)
{
    for (const char* name : { "Systolic BP", "Diastolic BP", "Fluid intake (ml)" }) {
        auto entry = JsonObject::create();
        entry->set("name", name);
        entry->set("type", "Number");
        store.addEntryFull(careForm, entry);
    }
    auto medication = JsonObject::create();
    medication->set("name", "Took medication");
    medication->set("type", "Bool");
    store.addEntryFull(careForm, medication);
}

void LegacyHistoryDemo::seed(LegacyStore& store, int64_t careDocument, int resident, double weight, const std::string& email)
{
    const std::string carers[] = { email, "night.nurse@example.org", "care.assistant@example.org" };
    int64_t start = 0;
    HistoryChart::parseDate("2026-10-19 00:00:00", start);
    Wobble wobble { uint32_t(2654435761u * uint32_t(resident + 1)) };
    const double systolic = 124 + 8 * resident, diastolic = 78 + 3 * resident;
    const double drift = resident % 2 == 0 ? -0.04 : 0.03; // kg a day
    for (int day = 0; day < 42; ++day) {
        const int64_t morning = start + day * 86400 + 8 * 3600 + (day * 7 % 50) * 60;
        const int64_t evening = start + day * 86400 + 19 * 3600 + (day * 11 % 40) * 60;
        const std::string& carer = carers[day % 3];
        const std::string& lateCarer = carers[(day + 1) % 3];
        if (day % 2 == 0)
            store.recordDocumentValue(careDocument, "Weight", number(weight + drift * day + 0.3 * wobble.next(), 1), "Number", carer, at(morning));
        store.recordDocumentValue(careDocument, "Systolic BP", number(systolic + 6 * wobble.next() + 4 * std::sin(day / 5.0), 0), "Number",
            carer, at(morning + 300));
        store.recordDocumentValue(careDocument, "Diastolic BP", number(diastolic + 4 * wobble.next(), 0), "Number", carer, at(morning + 300));
        store.recordDocumentValue(careDocument, "Took medication", wobble.next() > -0.8 ? "1" : "0", "Bool", carer, at(morning + 900));
        store.recordDocumentValue(careDocument, "Fluid intake (ml)", number(1500 + 50 * std::round(5 * wobble.next()), 0), "Number",
            lateCarer, at(evening));
    }
}

} // namespace quindle
