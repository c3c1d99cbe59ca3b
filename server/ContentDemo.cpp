#include "server/ContentDemo.h"

#include "platform/Image.h"
#include "platform/JsonValue.h"
#include "platform/JsonWriter.h"
#include "server/ContentStore.h"
#include "server/QuindleServer.h"
#include "server/ServerContext.h"

#include <cstdint>
#include <future>
#include <string>
#include <vector>

namespace quindle {

namespace {

constexpr int pictureWidth = 96;
constexpr int pictureHeight = 64;

/// A small JPEG: a diagonal blend between two colours, so each demo picture looks different.
std::string picture(uint8_t r1, uint8_t g1, uint8_t b1, uint8_t r2, uint8_t g2, uint8_t b2)
{
    std::vector<uint8_t> rgba(static_cast<size_t>(pictureWidth) * pictureHeight * 4);
    for (int y = 0; y < pictureHeight; ++y) {
        for (int x = 0; x < pictureWidth; ++x) {
            int t = (x + y) * 255 / (pictureWidth + pictureHeight - 2);
            uint8_t* p = &rgba[(static_cast<size_t>(y) * pictureWidth + x) * 4];
            p[0] = static_cast<uint8_t>((r1 * (255 - t) + r2 * t) / 255);
            p[1] = static_cast<uint8_t>((g1 * (255 - t) + g2 * t) / 255);
            p[2] = static_cast<uint8_t>((b1 * (255 - t) + b2 * t) / 255);
            p[3] = 255;
        }
    }
    auto image = Image::create(pictureWidth, pictureHeight, std::move(rgba));
    auto jpeg = image ? image->jpegData(0.9) : std::nullopt;
    return jpeg.value_or(std::string());
}

ContentAsset item(const char* type, const char* name, const char* data = "", const char* options = "")
{
    ContentAsset a;
    a.type = type;
    a.name = name;
    a.data = data;
    a.options = options;
    if (a.type == "TextField" || a.type == "TextView")
        a.title = name;
    return a;
}

std::string entry(std::vector<JsonObject::Entry> fields)
{
    return JsonWriter::write(JsonObject::create(std::move(fields))).value_or("{}");
}

} // namespace

namespace {

/// A demo account's password hash, made on its own thread when the account is missing: the two
/// demo accounts' hashes then cost one hash's time at start-up instead of two.
std::shared_future<std::string> hashWhenMissing(ServerContext& ctx, const char* email, const char* password)
{
    if (ctx.accounts.idOf(email))
        return {};
    return std::async(std::launch::async, [password] { return Accounts::hash(password); }).share();
}

/// The demo account `email` (made when missing) while it has no site yet; 0 once it has one.
int64_t ownerToSeed(ServerContext& ctx, ContentStore& db, const char* email, const std::shared_future<std::string>& hashed)
{
    auto existing = ctx.accounts.idOf(email);
    if (existing && db.siteOfOwner(*existing))
        return 0;
    if (existing)
        return *existing;
    return hashed.valid() ? ctx.accounts.createHashed(email, hashed.get()).value_or(0) : 0;
}

/// The second organisation: its own account and a small site of its own.
bool seedSecond(ServerContext& ctx, ContentStore& db, const std::shared_future<std::string>& hashed)
{
    bool seeded = false;
    ctx.storage.transaction([&] {
        const int64_t owner = ownerToSeed(ctx, db, ContentDemo::secondEmail, hashed);
        if (!owner)
            return;
        seeded = true;
        int64_t site = db.createSite(owner, ContentDemo::secondCompany, "Home");
        int64_t home = db.children(site).front().id;
        db.addChild(*db.asset(home), item("Text", "Welcome", "Welcome to Larchwood House", "Helvetica-Bold:20:0.20,0.30,0.10:1.00,1.00,1.00"));
    });
    return seeded;
}

} // namespace

bool ContentDemo::seed(ServerContext& ctx)
{
    ContentStore db(ctx.storage);
    db.migrate();
    bool seeded = false;
    const auto firstHash = hashWhenMissing(ctx, QuindleServer::demoEmail, QuindleServer::demoPassword);
    const auto secondHash = hashWhenMissing(ctx, ContentDemo::secondEmail, ContentDemo::secondPassword);
    ctx.storage.transaction([&] {
        const int64_t owner = ownerToSeed(ctx, db, QuindleServer::demoEmail, firstHash);
        if (!owner)
            return;
        seeded = true;
        const std::string now = ServerContext::nowText();
        auto add = [&](int64_t parent, ContentAsset fields) { return db.addChild(*db.asset(parent), std::move(fields)); };
        auto withPicture = [&](ContentAsset fields, const std::string& bytes) {
            fields.imageId = ctx.storeImage(bytes, owner);
            return fields;
        };

        int64_t site = db.createSite(owner, "Quindle Care Home", "Home");
        db.setPublished(site, true);
        db.setDefaultOptions(owner, "Helvetica:16:0.00,0.00,0.00:1.00,1.00,1.00");
        int64_t home = db.children(site).front().id;
        {
            ContentAsset start = *db.asset(home);
            start.imageId = ctx.storeImage(picture(40, 90, 160, 200, 230, 255), owner);
            db.update(start);
        }

        add(home, item("Text", "Welcome", "Welcome to Quindle Care Home", "Helvetica-Bold:24:0.10,0.20,0.60:1.00,1.00,1.00"));
        add(home, item("Text", "Visiting", "Visiting hours are 10:00 to 19:00 every day.", "Georgia:14:0.20,0.20,0.20:0.95,0.95,0.85"));
        add(home, withPicture(item("Image", "Our garden"), picture(30, 120, 40, 220, 240, 120)));

        int64_t gallery = add(home, item("Directory", "Gallery"));
        {
            ContentAsset page = *db.asset(gallery);
            page.carousel = "Carousel:1";
            db.update(page);
        }
        add(gallery, withPicture(item("Image", "Lounge"), picture(180, 90, 40, 250, 210, 150)));
        add(gallery, withPicture(item("Image", "Dining room"), picture(120, 30, 60, 240, 160, 190)));
        add(gallery, withPicture(item("Image", "Library"), picture(60, 40, 30, 200, 170, 120)));

        int64_t events = add(home, item("Directory", "Events"));
        ContentAsset summer = withPicture(item("Event", "Summer fair", "Stalls, music and cream teas in the garden."),
            picture(250, 200, 40, 250, 120, 60));
        summer.date = "2027-07-03 14:00:00";
        summer.startDate = "2027-07-03 14:00:00";
        summer.endDate = "2027-07-03 17:00:00";
        add(events, summer);
        ContentAsset concert = withPicture(item("Event", "Winter concert", "The village choir sings for residents and families."),
            picture(20, 30, 90, 140, 160, 230));
        concert.date = "2027-12-18 18:30:00";
        concert.startDate = "2027-12-18 18:30:00";
        concert.endDate = "2027-12-18 20:00:00";
        add(events, concert);

        add(home, item("YoutubeVideo", "A tour of the home", "M7lc1UVf-VE"));

        ContentAsset contact = item("Form", "Contact us");
        contact.message = "Thank you, we will be in touch soon.";
        int64_t form = add(home, contact);
        add(form, item("Text", "Intro", "Send us a message and we will call you back.", "Helvetica:14:0.00,0.00,0.00:1.00,1.00,1.00"));
        add(form, item("TextField", "Your name"));
        add(form, item("TextField", "Telephone"));
        add(form, item("TextView", "Message"));
        add(form, item("Submit", "Send"));

        int64_t document = add(home, item("Document", "Resident assessment"));
        db.addDocumentEntry(document, entry({ { "name", "Weight" }, { "type", "Number" }, { "assetID", std::to_string(document) + "-1" } }));
        db.addDocumentEntry(document, entry({ { "name", "Height" }, { "type", "Number" }, { "assetID", std::to_string(document) + "-2" } }));
        db.addDocumentEntry(document, entry({ { "name", "BMI" }, { "type", "Derived" }, { "val", "Weight / (Height * Height)" },
                                          { "assetID", std::to_string(document) + "-3" } }));
        db.addDocumentEntry(document, entry({ { "name", "Weight check" }, { "type", "Conditional" }, { "val", "BMI > 30" },
                                          { "title", "Overweight: refer to the dietitian" }, { "nTrigger", "Note" },
                                          { "assetID", std::to_string(document) + "-4" } }));
        db.addDocumentEntry(document, entry({ { "name", "Smoker" }, { "type", "Bool" }, { "assetID", std::to_string(document) + "-5" } }));
        db.addDocumentEntry(document, entry({ { "name", "Note" }, { "type", "Text" }, { "isForm", "Yes" },
                                          { "assetID", std::to_string(document) + "-6" } }));
        db.addDocumentEntry(document, entry({ { "name", "BMI over 25" }, { "type", "Derived" }, { "val", "BMI - 25" },
                                          { "assetID", std::to_string(document) + "-7" } }));
        db.addDocumentEntry(document, entry({ { "name", "Mobility" }, { "type", "Select" },
                                          { "val", "Independent:I\nNeeds help:H\nDependent:D" }, { "assetID", std::to_string(document) + "-8" } }));
        db.addDocumentEntry(document, entry({ { "name", "Photo" }, { "type", "Image" }, { "isForm", "Yes" },
                                          { "assetID", std::to_string(document) + "-9" } }));
        // A picture every reader sees, set by the form's author rather than filled in.
        db.addDocumentEntry(document, entry({ { "name", "Room plan" }, { "type", "Image" },
                                          { "assVal", ctx.imagePath(ctx.storeImage(picture(230, 230, 220, 90, 110, 140), owner)) },
                                          { "assetID", std::to_string(document) + "-10" } }));
        db.setDocumentValue(document, { "Weight", "72.0", "Number", now, QuindleServer::demoEmail });
        db.setDocumentValue(document, { "Height", "1.8", "Number", now, QuindleServer::demoEmail });
        db.setDocumentValue(document, { "Smoker", "0", "Bool", now, QuindleServer::demoEmail });
        db.setDocumentValue(document, { "Photo", ctx.imagePath(ctx.storeImage(picture(200, 150, 120, 90, 60, 50), owner)), "Image", now,
                                          QuindleServer::demoEmail });

        add(home, item("Button", "Call us", "01234 567890"));
        int64_t old = add(home, item("Text", "Old notice", "The lift is out of order this week."));
        // Deleted long ago, so anything the user deletes comes before it in the trash.
        db.setDeleted(old, true, "2026-01-05 09:00:00");

        int64_t news = add(site, item("Directory", "News"));
        add(news, item("Text", "New menu", "Our kitchen has a new autumn menu.", "Helvetica:16:0.00,0.30,0.00:1.00,1.00,1.00"));
        add(news, item("Text", "Staff", "Please welcome our two new carers.", ""));

        int64_t admission = db.addWorkflow(owner, site, "Admission");
        int64_t review = db.addWorkflow(owner, site, "Monthly review");
        db.associate(admission, review);
    });
    // After the first organisation, so the first stays the oldest site.
    const bool second = seedSecond(ctx, db, secondHash);
    return seeded || second;
}

} // namespace quindle
