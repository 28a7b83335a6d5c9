#include "app/folder_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

std::string lowerExtension(const char* path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

std::vector<std::string> folderFiles(const char* extension) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(".", error)) {
        if (!entry.is_regular_file(error)) continue;
        std::string name = entry.path().filename().string();
        if (lowerExtension(name.c_str()) == extension) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}
