#include "platform/Base64.h"

#include <gtest/gtest.h>

#include <random>

using namespace quindle;

namespace {

std::string allBytes()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    return bytes;
}

} // namespace

// Encoding

TEST(Base64Encode, KnownVectorsCoverEveryPaddingLength)
{
    EXPECT_EQ(Base64::encode(""), "");
    EXPECT_EQ(Base64::encode("f"), "Zg==");
    EXPECT_EQ(Base64::encode("fo"), "Zm8=");
    EXPECT_EQ(Base64::encode("foo"), "Zm9v");
    EXPECT_EQ(Base64::encode("foob"), "Zm9vYg==");
    EXPECT_EQ(Base64::encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(Base64::encode("foobar"), "Zm9vYmFy");
}

TEST(Base64Encode, UsesStandardAlphabetForHighBits)
{
    EXPECT_EQ(Base64::encode(std::string("\xFB\xFF\xBF", 3)), "+/+/");
    EXPECT_EQ(Base64::encode(std::string("\0\0\0", 3)), "AAAA");
}

TEST(Base64Encode, LongInputHasNoLineBreaks)
{
    std::string bytes(3000, 'x');
    std::string text = Base64::encode(bytes);
    EXPECT_EQ(text.size(), 4000u);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

// Decoding

TEST(Base64Decode, KnownVectors)
{
    EXPECT_EQ(Base64::decode(""), std::string());
    EXPECT_EQ(Base64::decode("Zg=="), "f");
    EXPECT_EQ(Base64::decode("Zm8="), "fo");
    EXPECT_EQ(Base64::decode("Zm9vYmFy"), "foobar");
    EXPECT_EQ(Base64::decode("+/+/"), std::string("\xFB\xFF\xBF", 3));
}

TEST(Base64Decode, RoundTripsEveryByteValueAtEveryLength)
{
    std::string bytes = allBytes();
    for (size_t length = 0; length <= bytes.size(); ++length) {
        std::string slice = bytes.substr(bytes.size() - length);
        auto back = Base64::decode(Base64::encode(slice));
        ASSERT_TRUE(back.has_value()) << length;
        EXPECT_EQ(*back, slice) << length;
    }
}

TEST(Base64Decode, RoundTripsRandomBinary)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(rng() % 97, '\0');
        for (auto& c : bytes)
            c = static_cast<char>(rng());
        EXPECT_EQ(Base64::decode(Base64::encode(bytes)), bytes);
    }
}

TEST(Base64Decode, RejectsMissingPaddingAndWrongLength)
{
    EXPECT_FALSE(Base64::decode("Zg"));
    EXPECT_FALSE(Base64::decode("Zm8"));
    EXPECT_FALSE(Base64::decode("Zm9vY"));
    EXPECT_FALSE(Base64::decode("Zg==="));
}

TEST(Base64Decode, RejectsCharactersOutsideTheAlphabet)
{
    EXPECT_FALSE(Base64::decode("Zm9v\nYmFy"));
    EXPECT_FALSE(Base64::decode("Zm9 "));
    EXPECT_FALSE(Base64::decode("Zm9-"));
    EXPECT_FALSE(Base64::decode("Zm9_"));
    EXPECT_FALSE(Base64::decode(std::string("Zm\0v", 4)));
    EXPECT_FALSE(Base64::decode("Zm9\xC3"));
}

TEST(Base64Decode, RejectsMisplacedPadding)
{
    EXPECT_FALSE(Base64::decode("===="));
    EXPECT_FALSE(Base64::decode("Z==="));
    EXPECT_FALSE(Base64::decode("Zm=v"));
    EXPECT_FALSE(Base64::decode("Zg==Zm9v"));
    EXPECT_FALSE(Base64::decode("=Zm9"));
}

TEST(Base64Decode, RejectsNonZeroBitsUnderPadding)
{
    // "Zh==" would carry bits that the one decoded byte cannot hold.
    EXPECT_FALSE(Base64::decode("Zh=="));
    EXPECT_FALSE(Base64::decode("Zm9="));
    EXPECT_TRUE(Base64::decode("Zm8="));
}
