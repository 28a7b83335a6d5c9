#include "content/tga.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "content/report.h"
#include "scene/texture.h"

// How the images in tests/data/tga were made: see the README.md beside them.

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const fs::path kData = fs::path(PIMO_TEST_DATA) / "tga";
std::vector<std::string> boxes;  // "caption: text"
std::vector<std::string> lines;  // what was reported

// A file of type 2 (uncompressed) or 10 (run-length encoded) with `data` after its header.
Bytes tga(uint8_t type, uint16_t width, uint16_t height, uint8_t depth, Bytes data = Bytes(64, 7)) {
    Bytes h(18, 0);
    h[2] = type;
    h[12] = uint8_t(width), h[13] = uint8_t(width >> 8);
    h[14] = uint8_t(height), h[15] = uint8_t(height >> 8);
    h[16] = depth;
    h.resize(h.size() + data.size());
    std::copy(data.begin(), data.end(), h.end() - std::ptrdiff_t(data.size()));
    return h;
}

Bytes fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes pixelsOf(const Texture& texture) {
    return Bytes(texture.pixels.get(), texture.pixels.get() + texture.imageSize);
}

class TgaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        boxes.clear();
        setMessageBoxHandler([](const char* text, const char* caption, unsigned) {
            boxes.push_back(std::string(caption) + ": " + text);
            return 1;
        });
    }
    void TearDown() override { setMessageBoxHandler(nullptr); }

    bool loadBytes(Texture& texture, const Bytes& bytes) {
        // One file per test, so test processes running side by side keep apart.
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        const fs::path path =
            fs::path(testing::TempDir()) / (std::string("pimo_tga_") + test->name() + ".tga");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return loadTga(texture, path.string().c_str());
    }
};

TEST_F(TgaTest, LoadsImageMagickFilesUncompressedAndRunLengthEncoded) {
    // picture.txt, top row first, RGBA.
    const uint8_t picture[2][16] = {
        {255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 128, 0, 255, 0, 0},
        {0, 0, 255, 255, 255, 255, 255, 64, 10, 20, 30, 255, 10, 20, 30, 255},
    };
    for (const std::string name :
         {"24_none_top", "24_none_bottom", "24_rle_top", "24_rle_bottom", "32_none_top",
          "32_none_bottom", "32_rle_top", "32_rle_bottom"}) {
        SCOPED_TRACE(name);
        const uint32_t depth = name[0] == '2' ? 24 : 32;
        Texture texture;
        ASSERT_TRUE(loadTga(texture, (kData / ("picture_" + name + ".tga")).string().c_str()));
        EXPECT_EQ(std::tuple(texture.width, texture.height, texture.glFormat),
                  std::tuple(4u, 2u, depth == 24 ? kGlRgb : kGlRgba));
        // A bottom-up file starts with the picture's bottom row, and so does the texture.
        const bool bottomUp = name.ends_with("bottom");
        Bytes expected;
        for (int row : {bottomUp ? 1 : 0, bottomUp ? 0 : 1})
            for (int i = 0; i < 16; i += 4)
                expected.insert(expected.end(), &picture[row][i], &picture[row][i] + depth / 8);
        EXPECT_EQ(pixelsOf(texture), expected);
    }
    // The longest packets: headers 255 (128 copies) and 127 (128 raw pixels).
    Texture raw, rle;
    ASSERT_TRUE(loadTga(raw, (kData / "plasma_none.tga").string().c_str()));
    ASSERT_TRUE(loadTga(rle, (kData / "plasma_rle.tga").string().c_str()));
    EXPECT_EQ(rle.imageSize, 300u * 4 * 3);
    EXPECT_EQ(pixelsOf(rle), pixelsOf(raw));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TgaTest, RefusesBadFilesWithOneMessageAndNoPixels) {
    const std::string typeBox = "Invalid Image: TGA file must be type 2 or type 10 ";
    const std::string info = "ERROR: Invalid texture information";
    const std::string data = "ERROR: Could not read image data";
    const std::string packet = "ERROR: Could not read RLE header";
    const std::string tooMany = "ERROR: Too many pixels read";
    const std::tuple<const char*, Bytes, std::string> cases[] = {
        {"empty file", {}, "ERROR: Could not read file header"},
        {"11 bytes", Bytes(11, 0), "ERROR: Could not read file header"},
        {"17 bytes", Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24},
         "ERROR: Could not read info header"},
        {"identification field", fileBytes(kData / "with_id.tga"), typeBox},
        {"colour-mapped", fileBytes(kData / "palette.tga"), typeBox},
        {"grey", fileBytes(kData / "grey.tga"), typeBox},
        {"zero width", tga(2, 0, 4, 24), info},
        {"zero height", tga(10, 4, 0, 32), info},
        {"depth 16", tga(2, 1, 1, 16), info},
        {"depth 64", tga(10, 1, 1, 64), info},
        // 65535 x 16385 x 4 wraps to 196 604 in 32 bits.
        {"size past 32 bits", tga(10, 65535, 16385, 32, Bytes(4096, 0x80)), info},
        {"huge type 2 without data", tga(2, 65535, 20000, 24, {}), data},
        // Too short for its image: refused before any allocation, with the message
        // reading it would have met.
        {"huge type 10 with little data", tga(10, 65535, 20000, 24, Bytes(4096, 0xff)), packet},
        {"huge type 10 cut in a raw packet", tga(10, 65535, 20000, 24, {0x05, 1, 2}), data},
        {"huge type 10 cut in a run pixel", tga(10, 30000, 20000, 32, {0x85, 1, 2}),
         "ERROR: Could not read from file"},
        {"type 2 cut inside a pixel", tga(2, 2, 1, 24, {1, 2, 3, 4, 5}), data},
        {"raw packet past the end", tga(10, 2, 2, 24, Bytes(16, 4)), tooMany},
        {"run packet past the end", tga(10, 2, 2, 32, {0x81, 1, 2, 3, 4, 0x82, 5, 6, 7, 8}),
         tooMany},
        {"raw pixel cut off", tga(10, 2, 1, 24, {1, 1, 2, 3, 4}), data},
        {"run pixel cut off", tga(10, 200, 1, 32, {0xff, 1, 2, 3, 4, 0x80, 1, 2, 3, 4, 0x80, 1}),
         "ERROR: Could not read from file"},
        {"packet header missing", tga(10, 2, 1, 24, {0x80, 1, 2, 3}), packet},
    };
    // Besides the box, one line in debug.txt names the file and says why.
    setMessageBar([](Severity, const char* line) { lines.emplace_back(line); });
    testing::internal::CaptureStderr();
    for (const auto& [what, bytes, box] : cases) {
        SCOPED_TRACE(what);
        boxes.clear();
        lines.clear();
        Texture texture;
        makeFallbackTexture(texture);
        EXPECT_FALSE(loadBytes(texture, bytes));
        EXPECT_EQ(texture.pixels, nullptr);
        EXPECT_EQ(boxes, std::vector<std::string>{box});
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].rfind("Unable to load texture ", 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find("pimo_tga_RefusesBadFiles"), std::string::npos) << lines[0];
    }
    testing::internal::GetCapturedStderr();
    setMessageBar(nullptr);
}

// A device or a pipe is no image, and reading one could block for ever.
TEST_F(TgaTest, MissingFileGoesToStderrOnlyAndLeavesTheFallbackChecker) {
    Texture texture;
    std::vector<std::string> paths = {"no/such/image.tga"};
#ifndef _WIN32
    paths.emplace_back("/dev/zero");
#endif
    for (const std::string& path : paths) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(loadTga(texture, path.c_str()));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unable to open " + path + "\n");
    }
    EXPECT_TRUE(boxes.empty());
    makeFallbackTexture(texture);
    EXPECT_EQ(std::tuple(texture.width, texture.height, texture.glFormat),
              std::tuple(2u, 2u, kGlRgb));
    EXPECT_EQ(pixelsOf(texture), (Bytes{255, 0, 255, 0, 0, 0, 0, 0, 0, 255, 0, 255}));
}

TEST_F(TgaTest, EveryGameTextureLoadsWithPowerOfTwoSides) {
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
