#include "platform/Image.h"

#include <gtest/gtest.h>

#include <stb/stb_image_write.h>

#include <cstdlib>
#include <random>

using namespace quindle;

namespace {

void appendTo(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

std::string pngBytes(int width, int height, int channels, const std::vector<uint8_t>& pixels)
{
    std::string out;
    stbi_write_png_to_func(appendTo, &out, width, height, channels, pixels.data(), width * channels);
    return out;
}

std::vector<uint8_t> gradient(int width, int height)
{
    std::vector<uint8_t> rgba;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rgba.push_back(static_cast<uint8_t>(x * 255 / std::max(1, width - 1)));
            rgba.push_back(static_cast<uint8_t>(y * 255 / std::max(1, height - 1)));
            rgba.push_back(128);
            rgba.push_back(255);
        }
    }
    return rgba;
}

// 2 x 2 GIFs with a palette of red, blue, green and white, written with literal LZW codes:
// one frame of all four colours, and the same followed by an all-blue frame.
const std::string gifHeader("GIF89a\x02\x00\x02\x00\x91\x00\x00\xFF\x00\x00\x00\x00\xFF\x00\xFF\x00\xFF\xFF\xFF", 25);
const std::string gifFrame("\x21\xF9\x04\x04\x0A\x00\x00\x00\x2C\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x03", 20);
const std::string fourColours = gifFrame + std::string("\x44\xA8\x15\x00", 4);
const std::string allBlue = gifFrame + std::string("\x4C\x98\x14\x00", 4);
const std::string oneFrameGif = gifHeader + fourColours + ";";
const std::vector<uint8_t> fourColourPixels { 255, 0, 0, 255, 0, 0, 255, 255, 0, 255, 0, 255, 255, 255, 255, 255 };

class OtherOpaque : public Opaque { };

std::tuple<int, int, std::vector<uint8_t>> shape(const Image& image) { return { image.width(), image.height(), image.rgba() }; }

} // namespace

TEST(ImageCreate, KeepsPixelsReadsBackFromAValueAndWritesJpegCloseToItsPixels)
{
    auto image = Image::create(2, 1, { 1, 2, 3, 4, 5, 6, 7, 8 });
    ASSERT_TRUE(image);
    EXPECT_EQ(shape(*image), std::make_tuple(2, 1, std::vector<uint8_t> { 1, 2, 3, 4, 5, 6, 7, 8 }));
    EXPECT_FALSE(Image::create(2, 1, { 1, 2, 3, 4 }) || Image::create(0, 0, {}) || Image::create(-1, -4, std::vector<uint8_t>(16))
        || Image::create(65536, 65536, {}));
    // Only an image kept as an opaque value reads back from one.
    EXPECT_EQ(Image::fromValue(JsonValue(OpaquePtr(image))), image);
    for (const auto& other :
        { JsonValue(), JsonValue("http://example.org/a.png"), JsonValue(OpaquePtr(std::make_shared<OtherOpaque>())) })
        EXPECT_FALSE(Image::fromValue(other));
    // A JPEG of 30 rows, which end in a partial block.
    image = Image::create(40, 30, gradient(40, 30));
    auto jpeg = image->jpegData();
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->substr(0, 3), std::string("\xFF\xD8\xFF", 3));
    EXPECT_EQ(jpeg->substr(jpeg->size() - 2), std::string("\xFF\xD9", 2));
    auto decoded = Image::decode(*image->jpegData(1.0));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::make_pair(decoded->width(), decoded->height()), std::make_pair(40, 30));
    // Every colour channel comes back within 12 of the original.
    const std::vector<uint8_t> got = decoded->rgba(), sent = image->rgba();
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_TRUE(i % 4 == 3 || std::abs(int(got[i]) - int(sent[i])) <= 12) << i;
    EXPECT_LT(image->jpegData(0.1)->size(), image->jpegData(1.0)->size());
    for (auto [quality, same] : { std::pair { 7.5, 1.0 }, { std::nan(""), 1.0 }, { -3.0, 0.0 }, { 0.0, 0.01 } })
        EXPECT_EQ(image->jpegData(quality), image->jpegData(same)) << quality;
    EXPECT_NE(image->jpegData(0.5), image->jpegData(1.0));
    // Pixels that do not match the size give nothing.
    EXPECT_FALSE(Image(4, 4, std::vector<uint8_t>(10)).jpegData() || Image(0, 0, {}).jpegData());
}

TEST(ImageDecode, PngAndGifGiveTheirPixels)
{
    std::vector<uint8_t> rgba { 255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120 };
    using Shape = std::tuple<int, int, std::vector<uint8_t>>;
    const std::tuple<const char*, std::string, Shape> cases[] = {
        { "png", pngBytes(3, 2, 4, rgba), { 3, 2, rgba } },
        { "grey png becomes opaque rgba", pngBytes(2, 1, 1, { 0, 200 }), { 2, 1, { 0, 0, 0, 255, 200, 200, 200, 255 } } },
        { "gif gives its first frame", gifHeader + fourColours + allBlue + ";", { 2, 2, fourColourPixels } },
        { "older gif signature", "GIF87a" + oneFrameGif.substr(6), { 2, 2, fourColourPixels } },
    };
    for (const auto& [name, bytes, expected] : cases) {
        SCOPED_TRACE(name);
        auto image = Image::decode(bytes);
        ASSERT_TRUE(image);
        EXPECT_EQ(shape(*image), expected);
    }
}

TEST(ImageDecode, AnythingButAWholePictureOfASignedFormatWithinTheLimitIsNothing)
{
    // An uncompressed 1x1 TGA and a BMP are real pictures, but not of the accepted kinds.
    std::vector<std::string> refused { "", "hello, this is not a picture", std::string("\x89PNG\r\n\x1a\n", 8),
        std::string("\xFF\xD8\xFF", 3), "GIF89a",
        std::string("\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00\x01\x00\x18\x00\x10\x20\x30", 21),
        "BM" + std::string(60, '\0') };
    std::mt19937 rng(3);
    for (int round = 0; round < 100; ++round) {
        std::string bytes(1 + rng() % 400, '\0');
        for (auto& c : bytes)
            c = static_cast<char>(rng());
        refused.push_back(bytes);
    }
    // Only a PNG's closing chunk and a GIF's trailer byte may be cut: the pixels are all there before them.
    std::string png = pngBytes(16, 16, 4, gradient(16, 16));
    auto jpegOf = Image::create(16, 16, gradient(16, 16));
    for (const auto& [whole, tail] : { std::pair { png, 12u }, { *jpegOf->jpegData(0.8), 0u }, { oneFrameGif, 1u } })
        for (size_t cut = 0; cut + tail < whole.size(); ++cut)
            refused.push_back(whole.substr(0, cut));
    for (size_t i = 0; i < refused.size(); ++i)
        EXPECT_FALSE(Image::decode(refused[i])) << "case " << i << " of " << refused[i].size() << " bytes";
    // Damaged bytes never crash; whatever decodes has whole pixels.
    rng.seed(11);
    for (const auto& source : { png, *jpegOf->jpegData(0.9), oneFrameGif }) {
        for (int round = 0; round < 300; ++round) {
            std::string bytes = source;
            for (int flips = 1 + rng() % 4; flips > 0; --flips)
                bytes[8 + rng() % (bytes.size() - 8)] ^= static_cast<char>(1 << (rng() % 8));
            if (auto image = Image::decode(bytes)) {
                EXPECT_EQ(image->rgba().size(), size_t(image->width()) * size_t(image->height()) * 4);
            }
        }
    }
    // The pixel limit refuses huge declared sizes before decoding.
    png = pngBytes(3, 2, 4, gradient(3, 2));
    // The decoder does not check chunk sums, so a header can declare any size.
    for (uint32_t side : { 100000u, 0x7FFFFFFFu }) {
        std::string huge = png;
        for (int at : { 16, 20 })
            for (int k = 0; k < 4; ++k)
                huge[at + k] = static_cast<char>(side >> (24 - 8 * k));
        EXPECT_FALSE(Image::decode(huge)) << side;
    }
    Image::setMaxPixels(5);
    EXPECT_EQ(std::make_pair(Image::maxPixels(), bool(Image::decode(png))), std::make_pair(int64_t(5), false));
    Image::setMaxPixels(6);
    EXPECT_TRUE(Image::decode(png));
    Image::setMaxPixels(Image::defaultMaxPixels);
}
