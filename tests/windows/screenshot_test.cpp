#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "render/screenshot.h"

namespace fs = std::filesystem;

// The numbering on Windows' own file calls. No GL context is current, so the
// pictures are blank; the pictures themselves are tested on Linux.
TEST(Screenshot, TakesTheNextFreeNumberAndKeepsExistingFiles) {
    const fs::path home = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / "pimo-screenshots";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
    std::ofstream("screenshot-0001.png") << "someone's file";
    std::string error;
    EXPECT_EQ(saveScreenshot(4, 3, error), "screenshot-0002.png") << error;
    EXPECT_EQ(saveScreenshot(4, 3, error), "screenshot-0003.png") << error;
    EXPECT_EQ(fs::file_size("screenshot-0001.png"), 14u);
    std::ifstream png("screenshot-0002.png", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(png), {}).substr(0, 4), "\x89PNG");
    png.close();
    fs::current_path(home);
    fs::remove_all(dir);
}
