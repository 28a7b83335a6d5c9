#include "content/output_path.h"

#include <filesystem>

namespace {

std::string folderInUse;

}  // namespace

void setOutputFolder(const std::string& folder) {
    folderInUse = folder;
}

const std::string& outputFolder() {
    return folderInUse;
}

std::string outputPath(const std::string& name) {
    if (folderInUse.empty()) return name;
    return (std::filesystem::path(folderInUse) / name).string();
}
