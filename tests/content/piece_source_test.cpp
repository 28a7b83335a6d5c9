#include "content/piece_source.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path scratch(const char* name) {
    return fs::path(testing::TempDir()) / (std::string("pimo_source_") + name);
}

std::string refusal(const fs::path& path) {
    std::string why;
    std::FILE* file = openPieceFile(path.string().c_str(), why);
    if (file != nullptr) std::fclose(file);
    return file != nullptr ? "opened" : why;
}

}  // namespace

TEST(PieceSourceTest, OpensRegularFilesNoLargerThanAFullWorldCouldUse) {
    const fs::path piece = scratch("piece.pob");
    std::ofstream(piece, std::ios::binary) << std::string(16, '\0');
    EXPECT_EQ(refusal(piece), "opened");
    EXPECT_TRUE(isRegularFile(piece.string().c_str()));

    EXPECT_EQ(refusal(scratch("missing.pob")), kPieceFileMissing);
    const fs::path folder = scratch("folder.pob");
    fs::create_directories(folder);
    EXPECT_EQ(refusal(folder), "not a regular file");
    EXPECT_FALSE(isRegularFile(folder.string().c_str()));
#ifdef _WIN32
    // Device names open the device in any folder (pipes and devices elsewhere are
    // the tools' test).
    EXPECT_EQ(refusal("NUL"), "not a regular file");
    EXPECT_EQ(refusal("CON"), "not a regular file");
#endif
    // Nor one larger than a full world could use.
    const fs::path big = scratch("big.pob");
    {
        std::ofstream out(big, std::ios::binary);
        out.seekp(std::streamoff(kMaxPieceFileBytes));
        out.put('\0');
    }
    EXPECT_EQ(refusal(big).rfind("larger than any piece", 0), 0u) << refusal(big);
    std::vector<uint8_t> bytes;
    std::string why;
    EXPECT_FALSE(readPieceFile(big.string().c_str(), bytes, why));
    fs::resize_file(big, kMaxPieceFileBytes);
    EXPECT_TRUE(readPieceFile(big.string().c_str(), bytes, why)) << why;
    EXPECT_EQ(bytes.size(), kMaxPieceFileBytes);
    fs::remove(big);
}
