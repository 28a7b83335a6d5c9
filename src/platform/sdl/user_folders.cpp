#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// An XDG base folder: the variable when it holds an absolute path (a relative one
// is to be ignored), else `fallback` below the home folder. "" without a home.
std::string baseFolder(const char* variable, const char* fallback) {
    const char* set = std::getenv(variable);
    if (set != nullptr && set[0] == '/') return set;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') return "";
    return std::string(home) + "/" + fallback;
}

}  // namespace

bool folderIsWritable(const std::string& folder) {
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string userDataFolder() {
    const std::string base = baseFolder("XDG_DATA_HOME", ".local/share");
    return base.empty() ? "" : base + "/pimo-drask";
}

std::filesystem::path userConfigFolder() {
    const std::string base = baseFolder("XDG_CONFIG_HOME", ".config");
    return base.empty() ? std::filesystem::path() : std::filesystem::path(base) / "pimo-drask";
}
