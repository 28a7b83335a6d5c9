#include "platform/user_folders.h"

#include "platform/win32.h"
// After <windows.h>, which it needs.
#include <shlobj.h>

std::filesystem::path userConfigFolder() {
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return {};
    return std::filesystem::path(path) / L"Pimo Drask";
}
