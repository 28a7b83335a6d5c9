#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "render/screenshot.h"

namespace fs = std::filesystem;

namespace {

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

// The numbering on Windows' own file calls. No GL context is current, so the
// pictures are blank; the pictures themselves are tested on Linux.
TEST(Screenshot, TakesTheNextFreeNumberAndKeepsExistingFiles) {
    const fs::path home = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / "pimo-screenshots";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::current_path(dir);
    std::ofstream(dir / "screenshot-0001.png") << "someone's file";

    std::string error;
    EXPECT_EQ(saveScreenshot(4, 3, error), "screenshot-0002.png") << error;
    EXPECT_EQ(saveScreenshot(4, 3, error), "screenshot-0003.png") << error;
    EXPECT_EQ(contents(dir / "screenshot-0001.png"), "someone's file");
    EXPECT_EQ(contents(dir / "screenshot-0002.png").substr(0, 4), "\x89PNG");

    fs::current_path(home);
    fs::remove_all(dir);
}
