#include "content/tga.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "content/report.h"
#include "content/texture.h"

// clang-format off
// The files in tests/data/tga were written by ImageMagick 6.9 ("convert"):
//   convert picture.txt -alpha off -type TrueColor -orient TopLeft -compress None picture_24_none_top.tga
//   convert picture.txt -alpha off -type TrueColor -flip -orient BottomLeft -compress None picture_24_none_bottom.tga
//   likewise with -compress RLE for picture_*_rle_*, and -type TrueColorAlpha without -alpha off for picture_32_*
//   convert -size 300x4 -seed 3 plasma: -fill 'rgb(9,8,7)' -draw 'rectangle 0,0 299,1' -type TrueColor -compress None plasma_none.tga
//   the same with -compress RLE plasma_rle.tga
//   convert picture.txt -alpha off -type TrueColor -set comment pimo -compress None with_id.tga
//   convert picture.txt -alpha off -type Palette -compress None palette.tga
//   convert picture.txt -alpha off -type Grayscale -compress None grey.tga
// ImageMagick writes rows in memory order and only flags the origin, hence -flip for bottom-up.
// clang-format on

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const fs::path kData = fs::path(PIMO_TEST_DATA) / "tga";

struct Box {
    std::string text, caption;
    unsigned type;
    bool operator==(const Box&) const = default;
};
std::vector<Box> boxes;

int recordBox(const char* text, const char* caption, unsigned type) {
    boxes.push_back({text, caption, type});
    return 1;
}

Box error(const char* text) {
    return {text, "ERROR", kMbOk};
}

Bytes header(uint8_t type, uint16_t width, uint16_t height, uint8_t depth) {
    return {0,
            0,
            type,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            0,
            uint8_t(width),
            uint8_t(width >> 8),
            uint8_t(height),
            uint8_t(height >> 8),
            depth,
            0};
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes firstBytes(Bytes bytes, size_t count) {
    bytes.resize(count);
    return bytes;
}

Bytes repeat(size_t count, uint8_t value = 7) {
    return Bytes(count, value);
}

Bytes pixelsOf(const Texture& texture) {
    return Bytes(texture.pixels.get(), texture.pixels.get() + texture.imageSize);
}

class TgaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        boxes.clear();
        setMessageBoxHandler(recordBox);
    }
    void TearDown() override { setMessageBoxHandler(nullptr); }

    bool loadBytes(Texture& texture, const Bytes& bytes) {
        const fs::path path = fs::path(testing::TempDir()) / "pimo_tga_test.tga";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return loadTga(texture, path.string().c_str());
    }
};

// picture.txt, top row first, RGBA.
const Bytes kPictureRows[2] = {
    {255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 128, 0, 255, 0, 0},
    {0, 0, 255, 255, 255, 255, 255, 64, 10, 20, 30, 255, 10, 20, 30, 255},
};

TEST_F(TgaTest, LoadsImageMagickFilesWithRowsInFileOrder) {
    for (int depth : {24, 32}) {
        for (const char* compression : {"none", "rle"}) {
            for (const char* origin : {"top", "bottom"}) {
                const std::string name =
                    "picture_" + std::to_string(depth) + "_" + compression + "_" + origin + ".tga";
                SCOPED_TRACE(name);
                Texture texture;
                ASSERT_TRUE(loadTga(texture, (kData / name).string().c_str()));
                EXPECT_EQ(texture.width, 4u);
                EXPECT_EQ(texture.height, 2u);
                EXPECT_EQ(texture.bitsPerPixel, uint32_t(depth));
                EXPECT_EQ(texture.bytesPerPixel, uint32_t(depth / 8));
                EXPECT_EQ(texture.imageSize, 8u * depth / 8);
                EXPECT_EQ(texture.glFormat, depth == 24 ? kGlRgb : kGlRgba);

                // A bottom-up file starts with the picture's bottom row, and so does the texture.
                Bytes expected;
                const bool topFirst = std::string(origin) == "top";
                for (const Bytes& row :
                     {kPictureRows[topFirst ? 0 : 1], kPictureRows[topFirst ? 1 : 0]}) {
                    for (size_t i = 0; i < row.size(); i += 4) {
                        expected.insert(expected.end(), row.begin() + long(i),
                                        row.begin() + long(i) + depth / 8);
                    }
                }
                EXPECT_EQ(pixelsOf(texture), expected);
            }
        }
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TgaTest, LongRunAndRawPacketsDecodeLikeTheUncompressedImage) {
    // The RLE file holds packets with headers 255 (128 copies) and 127 (128 raw pixels).
    Texture raw, rle;
    ASSERT_TRUE(loadTga(raw, (kData / "plasma_none.tga").string().c_str()));
    ASSERT_TRUE(loadTga(rle, (kData / "plasma_rle.tga").string().c_str()));
    EXPECT_EQ(rle.imageSize, 300u * 4 * 3);
    EXPECT_EQ(pixelsOf(rle), pixelsOf(raw));

    // Single-pixel packets: raw header 0, run header 128, then a run of two.
    Texture small;
    ASSERT_TRUE(
        loadBytes(small, header(10, 1, 4, 24) + Bytes{0, 1, 2, 3, 128, 4, 5, 6, 129, 7, 8, 9, 99}));
    EXPECT_EQ(pixelsOf(small), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 9, 8, 7}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TgaTest, RefusesBadFilesWithOneMessageAndNoPixels) {
    const Box typeBox{"TGA file be type 2 or type 10 ", "Invalid Image", kMbOk};
    const Bytes pixel = {1, 2, 3};
    auto file = [](const char* name) {
        std::ifstream in(kData / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    };
    Bytes origin = header(2, 1, 1, 24) + pixel;
    origin[8] = 1;
    Bytes colourMap = header(10, 1, 1, 24) + Bytes{0} + pixel;
    colourMap[1] = 1;

    const struct {
        const char* what;
        Bytes bytes;
        Box box;
    } cases[] = {
        {"empty file", {}, error("Could not read file header")},
        {"11 bytes", repeat(11, 0), error("Could not read file header")},
        {"17 bytes, type 2", firstBytes(header(2, 1, 1, 24), 17),
         error("Could not read info header")},
        {"17 bytes, type 10", firstBytes(header(10, 1, 1, 24), 17),
         error("Could not read info header")},
        {"identification field", file("with_id.tga"), typeBox},
        {"colour-mapped", file("palette.tga"), typeBox},
        {"grey", file("grey.tga"), typeBox},
        {"colour map on type 10", colourMap, typeBox},
        {"origin", origin, typeBox},
        {"zero width", header(2, 0, 4, 24) + repeat(64), error("Invalid texture information")},
        {"zero height", header(10, 4, 0, 32) + repeat(64), error("Invalid texture information")},
        {"depth 0", header(2, 1, 1, 0) + repeat(64), error("Invalid texture information")},
        {"depth 8", header(2, 1, 1, 8) + repeat(64), error("Invalid texture information")},
        {"depth 16", header(2, 1, 1, 16) + repeat(64), error("Invalid texture information")},
        {"depth 64", header(10, 1, 1, 64) + repeat(64), error("Invalid texture information")},
        // 65535 x 16385 x 4 wraps to 196 604 in 32 bits.
        {"size past 32 bits", header(10, 65535, 16385, 32) + repeat(4096, 0x80),
         error("Invalid texture information")},
        {"huge type 2 without data", header(2, 65535, 20000, 24),
         error("Could not read image data")},
        {"huge type 10 with little data", header(10, 65535, 20000, 24) + repeat(4096, 0xff),
         error("Could not read RLE header")},
        {"type 2 cut inside a pixel", header(2, 2, 1, 24) + Bytes{1, 2, 3, 4, 5},
         error("Could not read image data")},
        {"raw packet past the end", header(10, 2, 2, 24) + Bytes{4} + repeat(15),
         error("Too many pixels read")},
        {"run packet past the end",
         header(10, 2, 2, 32) + Bytes{0x81, 1, 2, 3, 4, 0x82, 5, 6, 7, 8},
         error("Too many pixels read")},
        {"raw pixel cut off", header(10, 200, 1, 24) + Bytes{2} + repeat(7),
         error("Could not read image data")},
        {"run pixel cut off",
         header(10, 200, 1, 32) + Bytes{0xff, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0x80, 1, 2, 3},
         error("Could not read from file")},
        {"packet header missing",
         header(10, 257, 1, 24) + Bytes{127} + repeat(384) + Bytes{0xff, 1, 2, 3},
         error("Could not read RLE header")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        Texture texture;
        makeFallbackTexture(texture);
        EXPECT_FALSE(loadBytes(texture, c.bytes));
        EXPECT_EQ(texture.pixels, nullptr);
        EXPECT_EQ(boxes, std::vector<Box>{c.box});
    }
}

TEST_F(TgaTest, MissingFileGoesToStderrOnly) {
    Texture texture;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loadTga(texture, "no/such/image.tga"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to open no/such/image.tga\n");
    EXPECT_TRUE(boxes.empty());
#ifndef _WIN32
    // A device or a pipe is no image, and reading one could block for ever.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loadTga(texture, "/dev/zero"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to open /dev/zero\n");
#endif

    makeFallbackTexture(texture);
    EXPECT_EQ(texture.width, 2u);
    EXPECT_EQ(texture.height, 2u);
    EXPECT_EQ(texture.glFormat, kGlRgb);
    EXPECT_EQ(pixelsOf(texture), (Bytes{255, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 255}));
}

TEST_F(TgaTest, EveryGameTextureLoads) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(PIMO_ASSETS)) {
        if (entry.path().extension() != ".tga") continue;
        SCOPED_TRACE(entry.path().filename().string());
        Texture texture;
        ASSERT_TRUE(loadTga(texture, entry.path().string().c_str()));
        // OpenGL 1.1 only takes power-of-two textures.
        EXPECT_EQ(texture.width & (texture.width - 1), 0u);
        EXPECT_EQ(texture.height & (texture.height - 1), 0u);
        ++count;
    }
    EXPECT_GE(count, 8);
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
