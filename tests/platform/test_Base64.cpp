#include "platform/Base64.h"

#include <gtest/gtest.h>

#include <random>

using namespace quindle;

TEST(Base64, KnownVectorsAndRoundTrips)
{
    // Every padding length and the two letters past the alphanumerics.
    const std::vector<std::pair<std::string, std::string>> cases { { "", "" }, { "f", "Zg==" }, { "fo", "Zm8=" },
        { "foo", "Zm9v" }, { "foob", "Zm9vYg==" }, { "fooba", "Zm9vYmE=" }, { "foobar", "Zm9vYmFy" },
        { std::string("\xFB\xFF\xBF", 3), "+/+/" }, { std::string("\0\0\0", 3), "AAAA" } };
    for (const auto& [bytes, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Base64::encode(bytes), text);
        EXPECT_EQ(Base64::decode(text), bytes);
    }
    // Long input is one line: no breaks every 76 characters.
    std::string line = Base64::encode(std::string(3000, 'x'));
    EXPECT_EQ(line.size(), 4000u);
    EXPECT_EQ(line.find_first_not_of("eHh4"), std::string::npos);
    // Every byte value and random binary round-trip.
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    for (size_t length = 0; length <= all.size(); ++length)
        ASSERT_EQ(Base64::decode(Base64::encode(all.substr(all.size() - length))), all.substr(all.size() - length)) << length;
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(rng() % 97, '\0');
        for (auto& c : bytes)
            c = static_cast<char>(rng());
        EXPECT_EQ(Base64::decode(Base64::encode(bytes)), bytes);
    }
}

TEST(Base64, RejectsMalformedText)
{
    // Wrong length, characters outside the alphabet (the URL-safe ones too), misplaced padding,
    // and bits under the padding that the decoded bytes cannot hold.
    for (std::string text : { "Zg", "Zm8", "Zm9vY", "Zg===", "Zm9v\nYmFy", "Zm9 ", "Zm9-", "Zm9_", "Zm9\xC3", "====",
             "Z===", "Zm=v", "Zg==Zm9v", "=Zm9", "Zh==", "Zm9=" })
        EXPECT_FALSE(Base64::decode(text)) << text;
    EXPECT_FALSE(Base64::decode(std::string("Zm\0v", 4)));
}
