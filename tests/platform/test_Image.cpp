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

void putLE16(std::string& out, int value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

/// A GIF of four-colour frames, each frame a list of palette indexes, written with literal
/// LZW codes only (a clear code before every pair keeps the code width at three bits).
std::string gifBytes(int width, int height, const std::vector<std::vector<int>>& frames, const char* version = "GIF89a")
{
    std::string out = version;
    putLE16(out, width);
    putLE16(out, height);
    out += std::string("\x91\x00\x00", 3);
    out += std::string("\xFF\x00\x00" "\x00\x00\xFF" "\x00\xFF\x00" "\xFF\xFF\xFF", 12); // red, blue, green, white
    for (const auto& frame : frames) {
        out += std::string("\x21\xF9\x04\x04\x0A\x00\x00\x00", 8);
        out.push_back('\x2C');
        putLE16(out, 0);
        putLE16(out, 0);
        putLE16(out, width);
        putLE16(out, height);
        out.push_back('\x00');
        out.push_back('\x02');
        std::vector<int> codes;
        for (size_t i = 0; i < frame.size(); ++i) {
            if (i % 2 == 0)
                codes.push_back(4);
            codes.push_back(frame[i]);
        }
        codes.push_back(5);
        std::string packed;
        uint32_t bits = 0;
        int count = 0;
        for (int code : codes) {
            bits |= static_cast<uint32_t>(code) << count;
            count += 3;
            while (count >= 8) {
                packed.push_back(static_cast<char>(bits & 0xFF));
                bits >>= 8;
                count -= 8;
            }
        }
        if (count > 0)
            packed.push_back(static_cast<char>(bits & 0xFF));
        for (size_t at = 0; at < packed.size(); at += 255) {
            size_t n = std::min<size_t>(255, packed.size() - at);
            out.push_back(static_cast<char>(n));
            out += packed.substr(at, n);
        }
        out.push_back('\x00');
    }
    out.push_back('\x3B');
    return out;
}

uint32_t crc32(std::string_view bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBE32(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

/// A PNG whose header declares the given size, followed by a little pixel data.
std::string pngDeclaring(uint32_t width, uint32_t height)
{
    std::string out("\x89PNG\r\n\x1a\n", 8);
    std::string chunk = "IHDR";
    putBE32(chunk, width);
    putBE32(chunk, height);
    chunk += std::string("\x08\x06\x00\x00\x00", 5);
    putBE32(out, 13);
    out += chunk;
    putBE32(out, crc32(chunk));
    std::string data = "IDAT" + std::string("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9);
    putBE32(out, 9);
    out += data;
    putBE32(out, crc32(data));
    return out;
}

int maxChannelDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    int worst = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (i % 4 == 3)
            continue;
        worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    }
    return worst;
}

class OtherOpaque : public Opaque { };

/// Restores the pixel limit that a test changes.
class PixelLimit : public ::testing::Test {
protected:
    void TearDown() override { Image::setMaxPixels(Image::defaultMaxPixels); }
};

} // namespace

// Construction

TEST(ImageCreate, KeepsPixelsAndSize)
{
    auto image = Image::create(2, 1, { 1, 2, 3, 4, 5, 6, 7, 8 });
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 2);
    EXPECT_EQ(image->height(), 1);
    EXPECT_EQ(image->rgba(), (std::vector<uint8_t> { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

TEST(ImageCreate, RefusesPixelsThatDoNotMatchTheSize)
{
    EXPECT_FALSE(Image::create(2, 1, { 1, 2, 3, 4 }));
    EXPECT_FALSE(Image::create(0, 0, {}));
    EXPECT_FALSE(Image::create(-1, -4, std::vector<uint8_t>(16)));
    EXPECT_FALSE(Image::create(65536, 65536, {}));
}

// Decoding

TEST(ImageDecode, PngPixelsComeBackExactly)
{
    std::vector<uint8_t> rgba { 255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120 };
    auto image = Image::decode(pngBytes(3, 2, 4, rgba));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 3);
    EXPECT_EQ(image->height(), 2);
    EXPECT_EQ(image->rgba(), rgba);
}

TEST(ImageDecode, GreyPngBecomesOpaqueRgba)
{
    auto image = Image::decode(pngBytes(2, 1, 1, { 0, 200 }));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->rgba(), (std::vector<uint8_t> { 0, 0, 0, 255, 200, 200, 200, 255 }));
}

TEST(ImageDecode, GifGivesItsFirstFrame)
{
    // Frame one: red, blue / green, white. Frame two: all blue.
    std::string gif = gifBytes(2, 2, { { 0, 1, 2, 3 }, { 1, 1, 1, 1 } });
    auto image = Image::decode(gif);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 2);
    EXPECT_EQ(image->height(), 2);
    EXPECT_EQ(image->rgba(), (std::vector<uint8_t> { 255, 0, 0, 255, 0, 0, 255, 255, 0, 255, 0, 255, 255, 255, 255, 255 }));
}

TEST(ImageDecode, OlderGifSignatureIsAccepted)
{
    auto image = Image::decode(gifBytes(1, 1, { { 2 } }, "GIF87a"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->rgba(), (std::vector<uint8_t> { 0, 255, 0, 255 }));
}

TEST(ImageDecode, JpegDecodesToItsSize)
{
    auto source = Image::create(40, 30, gradient(40, 30));
    auto jpeg = source->jpegData(1.0);
    ASSERT_TRUE(jpeg);
    auto image = Image::decode(*jpeg);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 40);
    EXPECT_EQ(image->height(), 30);
    EXPECT_LE(maxChannelDifference(image->rgba(), source->rgba()), 12);
}

TEST(ImageDecode, GarbageIsNothing)
{
    EXPECT_FALSE(Image::decode(""));
    EXPECT_FALSE(Image::decode("hello, this is not a picture"));
    EXPECT_FALSE(Image::decode(std::string("\x89PNG\r\n\x1a\n", 8)));
    EXPECT_FALSE(Image::decode(std::string("\xFF\xD8\xFF", 3)));
    EXPECT_FALSE(Image::decode("GIF89a"));
    std::mt19937 rng(3);
    for (int round = 0; round < 100; ++round) {
        std::string bytes(1 + rng() % 400, '\0');
        for (auto& c : bytes)
            c = static_cast<char>(rng());
        EXPECT_FALSE(Image::decode(bytes));
    }
}

TEST(ImageDecode, UnsignedFormatsAreRefused)
{
    // An uncompressed 1x1 TGA and a BMP: real pictures, but not of the accepted kinds.
    std::string tga("\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x00\x01\x00\x18\x00\x10\x20\x30", 21);
    EXPECT_FALSE(Image::decode(tga));
    std::string bmp = "BM";
    bmp += std::string(60, '\0');
    EXPECT_FALSE(Image::decode(bmp));
}

TEST(ImageDecode, TruncatedPicturesAreNothing)
{
    std::string png = pngBytes(16, 16, 4, gradient(16, 16));
    // Only the closing chunk may be cut: the pixels are all there before it.
    for (size_t cut = 0; cut + 12 < png.size(); ++cut)
        EXPECT_FALSE(Image::decode(png.substr(0, cut))) << "png cut at " << cut;

    std::string jpeg = *Image::create(16, 16, gradient(16, 16))->jpegData(0.8);
    for (size_t cut = 0; cut < jpeg.size(); ++cut)
        EXPECT_FALSE(Image::decode(jpeg.substr(0, cut))) << "jpeg cut at " << cut;

    // A GIF may lack its trailer byte, never any part of its first frame.
    std::string gif = gifBytes(2, 2, { { 0, 1, 2, 3 } });
    for (size_t cut = 0; cut + 1 < gif.size(); ++cut)
        EXPECT_FALSE(Image::decode(gif.substr(0, cut))) << "gif cut at " << cut;
}

TEST(ImageDecode, DamagedBytesNeverCrash)
{
    std::vector<std::string> sources { pngBytes(16, 16, 4, gradient(16, 16)),
        *Image::create(16, 16, gradient(16, 16))->jpegData(0.9), gifBytes(2, 2, { { 0, 1, 2, 3 } }) };
    std::mt19937 rng(11);
    for (const auto& source : sources) {
        for (int round = 0; round < 300; ++round) {
            std::string bytes = source;
            for (int flips = 1 + rng() % 4; flips > 0; --flips)
                bytes[8 + rng() % (bytes.size() - 8)] ^= static_cast<char>(1 << (rng() % 8));
            auto image = Image::decode(bytes);
            if (image) {
                EXPECT_EQ(image->rgba().size(), size_t(image->width()) * size_t(image->height()) * 4);
            }
        }
    }
}

TEST_F(PixelLimit, HugeDeclaredSizeIsRefusedBeforeDecoding)
{
    EXPECT_FALSE(Image::decode(pngDeclaring(100000, 100000)));
    EXPECT_FALSE(Image::decode(pngDeclaring(0x7FFFFFFF, 0x7FFFFFFF)));
}

TEST_F(PixelLimit, LimitIsSettable)
{
    std::string png = pngBytes(3, 2, 4, gradient(3, 2));
    Image::setMaxPixels(5);
    EXPECT_EQ(Image::maxPixels(), 5);
    EXPECT_FALSE(Image::decode(png));
    Image::setMaxPixels(6);
    EXPECT_TRUE(Image::decode(png));
}

// Encoding

TEST(ImageJpeg, IsAWholeJpegFile)
{
    auto jpeg = Image::create(8, 8, gradient(8, 8))->jpegData();
    ASSERT_TRUE(jpeg);
    ASSERT_GE(jpeg->size(), 4u);
    EXPECT_EQ(jpeg->substr(0, 3), std::string("\xFF\xD8\xFF", 3));
    EXPECT_EQ(jpeg->substr(jpeg->size() - 2), std::string("\xFF\xD9", 2));
}

TEST(ImageJpeg, LowerQualityGivesFewerBytes)
{
    auto image = Image::create(64, 64, gradient(64, 64));
    auto full = image->jpegData(1.0);
    auto low = image->jpegData(0.1);
    ASSERT_TRUE(full && low);
    EXPECT_LT(low->size(), full->size());
}

TEST(ImageJpeg, QualityIsClampedToItsRange)
{
    auto image = Image::create(16, 16, gradient(16, 16));
    EXPECT_EQ(image->jpegData(7.5), image->jpegData(1.0));
    EXPECT_EQ(image->jpegData(std::nan("")), image->jpegData(1.0));
    EXPECT_EQ(image->jpegData(-3), image->jpegData(0.0));
    EXPECT_EQ(image->jpegData(0.0), image->jpegData(0.01));
    EXPECT_NE(image->jpegData(0.5), image->jpegData(1.0));
}

TEST(ImageJpeg, InconsistentPixelsGiveNothing)
{
    Image broken(4, 4, std::vector<uint8_t>(10));
    EXPECT_FALSE(broken.jpegData());
    Image empty(0, 0, {});
    EXPECT_FALSE(empty.jpegData());
}

// Records

TEST(ImageValue, ReadsAnImageKeptAsOpaque)
{
    auto image = Image::create(1, 1, { 1, 2, 3, 4 });
    JsonValue held { OpaquePtr(image) };
    EXPECT_EQ(Image::fromValue(held), image);
}

TEST(ImageValue, OtherValuesAreNull)
{
    EXPECT_FALSE(Image::fromValue(JsonValue()));
    EXPECT_FALSE(Image::fromValue(JsonValue("http://example.org/a.png")));
    EXPECT_FALSE(Image::fromValue(JsonValue(OpaquePtr(std::make_shared<OtherOpaque>()))));
}
