#include "platform/user_folders.h"

#include <shlobj.h>
#include <windows.h>

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
    char path[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return "";
    return std::string(path) + "\\Pimo Drask";
}
