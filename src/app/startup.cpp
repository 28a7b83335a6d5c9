#include "app/startup.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "content/output_path.h"
#include "content/piece_source.h"
#include "platform/user_folders.h"
#include "session/spawn_keys.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/win32.h"
#endif

namespace fs = std::filesystem;

namespace {

bool holdsPieces(const fs::path& folder) {
    for (const std::string& piece : gamePieceFiles())
        if (isRegularFile((folder / piece).string().c_str())) return true;
    return false;
}

fs::path executableFolder() {
    std::error_code error;
#ifdef _WIN32
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (n == 0 || n >= sizeof path / sizeof path[0]) return {};
    return fs::path(path).parent_path();
#else
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : self.parent_path();
#endif
}

}  // namespace

bool moveToGameFolder() {
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (error) return false;
    if (holdsPieces(here)) return true;
    const fs::path program = executableFolder();
    const fs::path candidates[] = {program, program / "assets",
                                   program / ".." / "share" / "games" / "pimo-drask",
                                   here / "assets"};
    for (const fs::path& folder : candidates) {
        if (folder.empty() || !holdsPieces(folder)) continue;
        fs::current_path(folder, error);
        if (!error) return true;
    }
    return false;
}

std::string chooseOutputFolder(std::string& problem) {
    if (folderIsWritable(".")) return "";
    const std::string folder = userDataFolder();
    std::error_code error;
    if (folder.empty()) {
        problem = "This folder is read-only and there is no user folder to write into";
        return "";
    }
    fs::create_directories(folder, error);
    if (error || !folderIsWritable(folder)) {
        problem = "This folder is read-only and " + folder + " cannot be written";
        return "";
    }
    setOutputFolder(folder);
    return folder;
}

bool sendStderrTo(const char* path) {
#ifdef _WIN32
    if (std::freopen(path, "w", stderr) == nullptr) {
        // Started without standard handles (start, a shortcut, a double-click):
        // the C runtime's stderr has no descriptor, and Wine's freopen refuses such
        // a stream. Descriptor 2 gets the file, and the stream is pointed at it.
        std::FILE* file = std::fopen(path, "w");
        if (file == nullptr) return false;
        const bool moved = _dup2(_fileno(file), 2) == 0;
        std::fclose(file);
        if (!moved) return false;
#ifndef _UCRT
        stderr->_file = 2;
        stderr->_flag = _IOWRT;
#endif
        std::clearerr(stderr);
        SetStdHandle(STD_ERROR_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(2)));
    }
#else
    if (std::freopen(path, "w", stderr) == nullptr) return false;
#endif
    std::setbuf(stderr, nullptr);
    return true;
}
