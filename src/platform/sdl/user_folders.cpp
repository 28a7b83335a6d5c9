#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

bool folderIsWritable(const std::string& folder) {
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string userDataFolder() {
    // The base directory specification ignores a relative XDG_DATA_HOME.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return std::string(data) + "/pimo-drask";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') return "";
    return std::string(home) + "/.local/share/pimo-drask";
}
