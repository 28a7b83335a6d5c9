#include "app/startup.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "content/piece_source.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "platform/win32.h"
#endif

namespace fs = std::filesystem;

namespace {

bool holdsPieces(const fs::path& folder) {
    for (const char* family : {"drask", "pimo"})
        for (int n = 1; n <= 4; ++n) {
            const fs::path piece = folder / (family + std::to_string(n) + ".pob");
            if (isRegularFile(piece.string().c_str())) return true;
        }
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
    const fs::path candidates[] = {program, program / "assets", here / "assets"};
    for (const fs::path& folder : candidates) {
        if (folder.empty() || !holdsPieces(folder)) continue;
        fs::current_path(folder, error);
        if (!error) return true;
    }
    return false;
}

bool sendStderrTo(const char* path) {
#ifdef _WIN32
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr) return false;
    // Descriptor 2 becomes the file whether or not the process had one, and the
    // stream is pointed at it afresh.
    std::fflush(stderr);
    if (_dup2(_fileno(file), 2) != 0) {
        std::fclose(file);
        return false;
    }
    std::fclose(file);
    SetStdHandle(STD_ERROR_HANDLE, reinterpret_cast<HANDLE>(_get_osfhandle(2)));
    if (_fileno(stderr) != 2 && std::freopen(path, "a", stderr) == nullptr) return false;
#else
    if (std::freopen(path, "w", stderr) == nullptr) return false;
#endif
    std::setbuf(stderr, nullptr);
    return true;
}
