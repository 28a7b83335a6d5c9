#include "platform/user_folders.h"

#include <cstdlib>

std::filesystem::path userConfigFolder() {
    // A relative XDG_CONFIG_HOME is invalid and to be ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && std::filesystem::path(config).is_absolute())
        return std::filesystem::path(config) / "pimo-drask";
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return {};
    return std::filesystem::path(home) / ".config" / "pimo-drask";
}
