#include "platform/user_folders.h"

#include "platform/win32.h"
// After <windows.h>, which it needs.
#include <shlobj.h>

namespace {

// %APPDATA%\Pimo Drask, where the game keeps this user's files and settings.
std::filesystem::path appDataFolder() {
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return {};
    return std::filesystem::path(path) / L"Pimo Drask";
}

}  // namespace

bool folderIsWritable(const std::string& folder) {
    // Permissions on Windows are ACLs the attributes do not show: try it.
    const std::string probe = folder + "\\pimo-drask-" + std::to_string(GetCurrentProcessId());
    const HANDLE file = CreateFileA(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

std::string userDataFolder() {
    return appDataFolder().string();
}

std::filesystem::path userConfigFolder() {
    return appDataFolder();
}
