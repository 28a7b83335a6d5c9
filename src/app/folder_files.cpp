#include "app/folder_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "content/output_path.h"

std::string lowerExtension(const char* path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

std::vector<std::string> folderFiles(const char* extension) {
    std::vector<std::string> names;
    auto scan = [&](const std::string& folder) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (!entry.is_regular_file(error)) continue;
            const std::string name = entry.path().filename().string();
            if (lowerExtension(name.c_str()) == extension)
                names.push_back(outputFolder() == folder ? outputPath(name) : name);
        }
    };
    scan(".");
    if (!outputFolder().empty()) scan(outputFolder());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string na = std::filesystem::path(a).filename().string();
        const std::string nb = std::filesystem::path(b).filename().string();
        return na != nb ? na < nb : a < b;
    });
    return names;
}
