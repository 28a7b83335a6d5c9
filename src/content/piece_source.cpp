#include "content/piece_source.h"

#include <cerrno>
#include <cstring>

#include "content/report.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

std::string tooLarge(unsigned long long size, std::size_t limit, const char* kind) {
    return std::string("larger than any ") + kind + " (" + std::to_string(size) +
           " bytes, at most " + std::to_string(limit) + ")";
}

#ifdef _WIN32
// A reserved device name (CON, NUL, COM1 ...) opens the device whatever folder it
// is put in; only a file on disk is a piece.
bool onDisk(std::FILE* file) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK;
}
#endif

}  // namespace

bool isRegularFile(const char* path) {
    if (path == nullptr || *path == '\0') return false;
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
        return false;
    struct _stat64 status;
    return _stat64(path, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat status;
    return ::stat(path, &status) == 0 && S_ISREG(status.st_mode);
#endif
}

std::FILE* openPieceFile(const char* path, std::string& why, std::size_t limit, const char* kind) {
    if (path == nullptr || *path == '\0') {
        why = "no file name";
        return nullptr;
    }
#ifdef _WIN32
    if (!isRegularFile(path)) {
        why = GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? kPieceFileMissing
                                                                  : "not a regular file";
        return nullptr;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        why = std::strerror(errno);
        return nullptr;
    }
    struct _stat64 status;
    if (!onDisk(file) || _fstat64(_fileno(file), &status) != 0 ||
        (status.st_mode & _S_IFMT) != _S_IFREG) {
        std::fclose(file);
        why = "not a regular file";
        return nullptr;
    }
#else
    // Opened without blocking, so a pipe put in the file's place after any check
    // cannot hold the open; what was opened is what gets checked.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = errno == ENOENT ? kPieceFileMissing : std::strerror(errno);
        return nullptr;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        why = "not a regular file";
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        why = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
#endif
    if (static_cast<unsigned long long>(status.st_size) > limit) {
        why = tooLarge(static_cast<unsigned long long>(status.st_size), limit, kind);
        std::fclose(file);
        return nullptr;
    }
    return file;
}

bool readOpenedFile(std::FILE* file, std::vector<uint8_t>& bytes, std::string& why,
                    std::size_t limit, const char* kind) {
    bytes.clear();
    uint8_t chunk[65536];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > limit) {
            why = std::string("larger than any ") + kind + " (more than " + std::to_string(limit) +
                  " bytes)";
            bytes.clear();
            return false;
        }
        if (n < sizeof chunk) break;
    }
    if (std::ferror(file) != 0) {
        why = "read error";
        bytes.clear();
        return false;
    }
    return true;
}

bool readPieceFile(const char* path, std::vector<uint8_t>& bytes, std::string& why,
                   std::size_t limit, const char* kind) {
    const bool standardInput = path != nullptr && std::strcmp(path, "-") == 0;
    std::FILE* file = standardInput ? stdin : openPieceFile(path, why, limit, kind);
    if (file == nullptr) return false;
    const bool ok = readOpenedFile(file, bytes, why, limit, kind);
    if (!standardInput) std::fclose(file);
    return ok;
}

void reportPieceNotOpened(const char* path, const std::string& why) {
    if (why == kPieceFileMissing)
        report(Severity::error, "Unable to open %s", path);
    else
        report(Severity::error, "Unable to open %s: %s", path, why.c_str());
}
